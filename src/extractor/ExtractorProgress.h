#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The lines a download run of the extractor writes to standard output: one JSON object per
// progress report (from the progress template below) and one naming the finished file.
namespace ExtractorProgress {

struct Report
{
    qint64 done = 0;    // bytes of the current stream
    qint64 total = -1;  // its size, or the extractor's estimate; -1 when unknown
    bool finished = false; // the stream is complete (a merged download has two)
};

// The options that make the extractor write those lines.
QStringList Arguments();

std::optional<Report> ParseReport(const QByteArray &line);
// The finished file's path, when the line names it.
std::optional<QString> ParseFile(const QByteArray &line);

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
