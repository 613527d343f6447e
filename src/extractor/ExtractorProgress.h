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

} // namespace ExtractorProgress
