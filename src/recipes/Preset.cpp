#include "recipes/Preset.h"

#include "extractor/RecipeOptions.h"

#include <array>
#include <utility>

namespace Recipes {

namespace {

template <typename E, std::size_t N>
using KeyTable = std::array<std::pair<E, const char *>, N>;

constexpr KeyTable<Container, 3> kContainers{{
    {Container::Mp4, "mp4"}, {Container::Mkv, "mkv"}, {Container::Webm, "webm"}}};
constexpr KeyTable<AudioFormat, 5> kAudioFormats{{
    {AudioFormat::Mp3, "mp3"}, {AudioFormat::M4a, "m4a"}, {AudioFormat::Opus, "opus"},
    {AudioFormat::Flac, "flac"}, {AudioFormat::Wav, "wav"}}};
constexpr KeyTable<AudioQuality, 4> kAudioQualities{{
    {AudioQuality::Best, "best"}, {AudioQuality::K320, "320k"}, {AudioQuality::K192, "192k"},
    {AudioQuality::K128, "128k"}}};
constexpr KeyTable<SubtitlePlacement, 3> kPlacements{{
    {SubtitlePlacement::Embedded, "embed"}, {SubtitlePlacement::BesideSrt, "srt"},
    {SubtitlePlacement::BesideVtt, "vtt"}}};

template <typename E, std::size_t N>
QString keyIn(const KeyTable<E, N> &table, E value)
{
    for (const auto &[v, k] : table)
        if (v == value)
            return QString::fromLatin1(k);
    return QString();
}

template <typename E, std::size_t N>
bool fromKeyIn(const KeyTable<E, N> &table, const QString &key, E *value)
{
    for (const auto &[v, k] : table) {
        if (key == QLatin1String(k)) {
            *value = v;
            return true;
        }
    }
    return false;
}

Preset video(const char *name, int maxHeight, Container container)
{
    Preset p;
    p.name = QString::fromUtf8(name);
    p.kind = Kind::Video;
    p.maxHeight = maxHeight;
    p.container = container;
    p.embedMetadata = true;
    p.embedChapters = true;
    return p;
}

Preset audio(const char *name, AudioFormat format)
{
    Preset p;
    p.name = QString::fromUtf8(name);
    p.kind = Kind::Audio;
    p.audioFormat = format;
    p.audioQuality = AudioQuality::Best;
    p.embedMetadata = true;
    p.embedThumbnail = true;
    return p;
}

} // namespace

QList<int> Heights()
{
    return {2160, 1440, 1080, 720, 480, 360};
}

QList<Preset> BuiltIns()
{
    // The best streams of any codec fit only Matroska without re-encoding.
    return {video("Best video", 0, Container::Mkv), video("1080p MP4", 1080, Container::Mp4),
            video("720p MP4", 720, Container::Mp4), audio("Audio only (MP3)", AudioFormat::Mp3),
            audio("Audio only (M4A)", AudioFormat::M4a)};
}

bool IsBuiltInName(const QString &name)
{
    for (const Preset &p : BuiltIns())
        if (p.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool IsLanguageTag(const QString &tag)
{
    return RecipeOptions::IsLanguageTag(tag);
}

QStringList CleanLanguages(const QStringList &languages)
{
    QStringList clean;
    for (const QString &tag : languages)
        if (IsLanguageTag(tag) && !clean.contains(tag))
            clean << tag;
    return clean;
}

QString Key(Container value) { return keyIn(kContainers, value); }
QString Key(AudioFormat value) { return keyIn(kAudioFormats, value); }
QString Key(AudioQuality value) { return keyIn(kAudioQualities, value); }
QString Key(SubtitlePlacement value) { return keyIn(kPlacements, value); }
bool FromKey(const QString &key, Container *value) { return fromKeyIn(kContainers, key, value); }
bool FromKey(const QString &key, AudioFormat *value) { return fromKeyIn(kAudioFormats, key, value); }
bool FromKey(const QString &key, AudioQuality *value) { return fromKeyIn(kAudioQualities, key, value); }
bool FromKey(const QString &key, SubtitlePlacement *value) { return fromKeyIn(kPlacements, key, value); }

} // namespace Recipes
