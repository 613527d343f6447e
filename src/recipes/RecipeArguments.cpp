#include "recipes/RecipeArguments.h"

namespace Recipes {

namespace {

// Video: "bv*+ba/b" (the best stream with video, merged with the best audio, else the best single
// file) ordered by format sorting (-S) rather than filtered with -f "[height<=N]": "res:N" prefers
// the largest video no taller than N and, when the page has nothing that small, takes the smallest
// instead of failing. "ext:mp4:m4a" and "ext:webm:webm" prefer streams the container holds as they
// are, so merging needs no re-encoding; Matroska holds any, so it sorts by quality alone.
void addVideo(const Preset &preset, QStringList *args)
{
    *args << QStringLiteral("-f") << QStringLiteral("bv*+ba/b");
    QStringList sort;
    if (preset.maxHeight > 0)
        sort << QStringLiteral("res:%1").arg(preset.maxHeight);
    if (preset.container == Container::Mp4)
        sort << QStringLiteral("ext:mp4:m4a");
    else if (preset.container == Container::Webm)
        sort << QStringLiteral("ext:webm:webm");
    if (!sort.isEmpty())
        *args << QStringLiteral("-S") << sort.join(QLatin1Char(','));
    *args << QStringLiteral("--merge-output-format") << Key(preset.container);
}

// Audio: the best audio stream (else the best file) converted by -x. Quality "best" is the
// extractor's VBR 0; a bitrate goes as it is. Lossless formats take no quality.
void addAudio(const Preset &preset, QStringList *args)
{
    *args << QStringLiteral("-f") << QStringLiteral("ba/b") << QStringLiteral("-x")
          << QStringLiteral("--audio-format") << Key(preset.audioFormat);
    if (preset.audioFormat != AudioFormat::Flac && preset.audioFormat != AudioFormat::Wav) {
        *args << QStringLiteral("--audio-quality")
              << (preset.audioQuality == AudioQuality::Best ? QStringLiteral("0") : Key(preset.audioQuality));
    }
}

// Subtitles are embedded only in a video (the extractor embeds in mp4, webm and mkv); an audio
// file gets them beside it, as SubRip unless WebVTT was chosen.
void addSubtitles(const Preset &preset, QStringList *args)
{
    const QStringList languages = CleanLanguages(preset.subtitleLanguages);
    if (languages.isEmpty())
        return;
    *args << QStringLiteral("--write-subs");
    if (preset.automaticCaptions)
        *args << QStringLiteral("--write-auto-subs");
    *args << QStringLiteral("--sub-langs") << languages.join(QLatin1Char(','));
    if (preset.kind == Kind::Video && preset.subtitlePlacement == SubtitlePlacement::Embedded)
        *args << QStringLiteral("--embed-subs");
    else
        *args << QStringLiteral("--convert-subs")
              << (preset.subtitlePlacement == SubtitlePlacement::BesideVtt ? QStringLiteral("vtt") : QStringLiteral("srt"));
}

// The extractor cannot put a cover into WAV or WebM; asking would fail the download after it ends.
bool takesCover(const Preset &preset)
{
    if (preset.kind == Kind::Audio)
        return preset.audioFormat != AudioFormat::Wav;
    return preset.container != Container::Webm;
}

} // namespace

QStringList ExtractorArguments(const Preset &preset)
{
    QStringList args;
    if (preset.kind == Kind::Audio)
        addAudio(preset, &args);
    else
        addVideo(preset, &args);
    addSubtitles(preset, &args);
    if (preset.embedMetadata)
        args << QStringLiteral("--embed-metadata");
    if (preset.embedThumbnail && takesCover(preset))
        args << QStringLiteral("--embed-thumbnail");
    if (preset.embedChapters)
        args << QStringLiteral("--embed-chapters");
    return args;
}

QStringList MissingLanguages(const Preset &preset, const QStringList &subtitles,
                             const QStringList &automaticCaptions)
{
    QStringList missing;
    for (const QString &tag : CleanLanguages(preset.subtitleLanguages)) {
        const bool offered = subtitles.contains(tag) || (preset.automaticCaptions && automaticCaptions.contains(tag));
        if (!offered)
            missing << tag;
    }
    return missing;
}

} // namespace Recipes
