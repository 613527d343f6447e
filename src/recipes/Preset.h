#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A named output recipe for the extractor path: what to fetch (video with audio, or audio only),
// how to shape it, which subtitles to add and what to embed in the file.
namespace Recipes {

enum class Kind { Video, Audio };
enum class Container { Mp4, Mkv, Webm };
enum class AudioFormat { Mp3, M4a, Opus, Flac, Wav };
enum class AudioQuality { Best, K320, K192, K128 };
// Where subtitles go: into the file, or beside it converted to SubRip or WebVTT.
enum class SubtitlePlacement { Embedded, BesideSrt, BesideVtt };

struct Preset
{
    QString name;
    Kind kind = Kind::Video;
    int maxHeight = 0; // 0 for no cap, else one of Heights()
    Container container = Container::Mp4;
    AudioFormat audioFormat = AudioFormat::Mp3;
    AudioQuality audioQuality = AudioQuality::Best;
    QStringList subtitleLanguages; // empty: no subtitles
    bool automaticCaptions = false;
    SubtitlePlacement subtitlePlacement = SubtitlePlacement::Embedded;
    bool embedMetadata = false;
    bool embedThumbnail = false;
    bool embedChapters = false;

    bool operator==(const Preset &) const = default;
};

// The resolution caps offered, highest first (0, no cap, is not among them).
QList<int> Heights();

// The presets every installation has, in the order they are listed; they cannot be deleted,
// edited or renamed.
QList<Preset> BuiltIns();
bool IsBuiltInName(const QString &name); // case-insensitive

// A language as the extractor names it in --sub-langs: letters, digits and '-', starting with a
// letter or digit (a leading '-' would exclude), at most 16 characters.
bool IsLanguageTag(const QString &tag);
// The languages that are tags, first occurrence kept, in their order.
QStringList CleanLanguages(const QStringList &languages);

// The names the extractor and the files use ("mp4", "320k", ...), and back; FromKey is false
// for anything else.
QString Key(Container value);
QString Key(AudioFormat value);
QString Key(AudioQuality value);
QString Key(SubtitlePlacement value);
bool FromKey(const QString &key, Container *value);
bool FromKey(const QString &key, AudioFormat *value);
bool FromKey(const QString &key, AudioQuality *value);
bool FromKey(const QString &key, SubtitlePlacement *value);

} // namespace Recipes
