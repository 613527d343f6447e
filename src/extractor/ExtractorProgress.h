#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The lines a download run of the extractor writes: one JSON object per progress report (from the
// progress template below), one naming the formats it fetches, one naming the finished file, and
// one per step of its post-processing (converting, embedding, merging). The extractor writes the
// steps to standard error without line breaks: each is an object of its own that starts with
// StepMarker().
namespace ExtractorProgress {

struct Report
{
    qint64 done = 0;    // bytes of the current stream
    qint64 total = -1;  // its size, or the extractor's estimate; -1 when unknown
    bool finished = false; // the stream is complete (a merged download has two)
    // A file beside the media (a subtitle), which the extractor fetches first and reports as
    // having no format: it is no stream of the download.
    bool sideFile = false;
};

// A step of the post-processing: the extractor's name of the post-processor ("ExtractAudio",
// "EmbedSubtitle", "Metadata", "EmbedThumbnail", "Merger", ...) and whether it starts or ends.
struct Step
{
    QString postprocessor;
    bool started = false;
};

// The options that make the extractor write those lines.
QStringList Arguments();

std::optional<Report> ParseReport(const QByteArray &line);
// The finished file's path, when the line names it.
std::optional<QString> ParseFile(const QByteArray &line);
// The formats the run fetches ("v1+a1": two streams one after the other), when the line names them.
std::optional<QString> ParseFormats(const QByteArray &line);
// How a step's object begins, and the step an object names.
QByteArray StepMarker();
std::optional<Step> ParseStep(const QByteArray &object);
// What a row says while the step runs: "Converting to MP3..." (audioFormat as --audio-format
// names it), "Embedding subtitles...", "Embedding metadata...", "Embedding thumbnail...",
// "Merging video and audio...", "Converting subtitles...", else "Processing the file...";
// empty for moving the finished file into place, which is no step of its own for the user.
QString StepCaption(const QString &postprocessor, const QString &audioFormat);

// The expected size of a run that fetches `streams` streams one after the other, of which
// `finishedStreams` (together finishedBytes) are complete and `current` is on its way; -1 when
// unknown. Nothing is known of the streams still to come, so the size is the one at which the
// share of bytes done equals the share of streams done plus the current stream's own share:
// the bar reaches its end with the last stream and never runs back when the next one starts.
qint64 ExpectedTotal(int streams, int finishedStreams, qint64 finishedBytes, const Report &current);

// The extractor's size of a stream is often an estimate that grows as the stream arrives, and the
// share done would then run back. This keeps the share where it was: an expected size that would
// lower it is lowered itself, to the size at which the share stays; later bytes move the bar on.
class SteadyShare
{
public:
    // The size to report with `done` bytes; -1 (unknown) passes through.
    qint64 total(qint64 done, qint64 expected);

private:
    double m_share = 0;
};

} // namespace ExtractorProgress
