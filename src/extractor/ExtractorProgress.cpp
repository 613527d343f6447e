#include "extractor/ExtractorProgress.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

// The extractor writes "NA" for a field it does not know.
qint64 bytes(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble())
        return -1;
    const double number = value.toDouble();
    return std::isfinite(number) && number >= 0 && number < 9.0e15 ? static_cast<qint64>(std::llround(number)) : -1;
}

std::optional<QJsonObject> objectOf(const QByteArray &line)
{
    if (!line.startsWith('{'))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

namespace ExtractorProgress {

QStringList Arguments()
{
    return {
        QStringLiteral("--newline"),
        QStringLiteral("--progress"),
        QStringLiteral("--progress-template"),
        QStringLiteral("download:{\"downloaded\":%(progress.downloaded_bytes)j,\"total\":%(progress.total_bytes)j,"
                       "\"estimate\":%(progress.total_bytes_estimate)j,\"status\":%(progress.status)j,"
                       "\"format\":%(info.format_id)j}"),
        QStringLiteral("--progress-template"),
        QStringLiteral("postprocess:") + QString::fromLatin1(StepMarker())
            + QStringLiteral("%(progress.postprocessor)j,\"status\":%(progress.status)j}"),
        QStringLiteral("--print"),
        QStringLiteral("before_dl:{\"formats\":%(format_id)j}"),
        QStringLiteral("--print"),
        QStringLiteral("after_move:{\"filepath\":%(filepath)j}"),
    };
}

std::optional<Report> ParseReport(const QByteArray &line)
{
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object || !object->contains(QStringLiteral("downloaded")))
        return std::nullopt;
    Report report;
    report.done = std::max<qint64>(bytes(*object, "downloaded"), 0);
    report.total = bytes(*object, "total");
    if (report.total < 0)
        report.total = bytes(*object, "estimate");
    report.finished = object->value(QStringLiteral("status")).toString() == QLatin1String("finished");
    report.sideFile = object->value(QStringLiteral("format")) == QJsonValue(QStringLiteral("NA"));
    return report;
}

std::optional<QString> ParseFile(const QByteArray &line)
{
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object || !object->value(QStringLiteral("filepath")).isString())
        return std::nullopt;
    return object->value(QStringLiteral("filepath")).toString();
}

std::optional<QString> ParseFormats(const QByteArray &line)
{
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object || !object->value(QStringLiteral("formats")).isString())
        return std::nullopt;
    return object->value(QStringLiteral("formats")).toString();
}

QByteArray StepMarker()
{
    return QByteArrayLiteral("{\"postprocessor\":");
}

std::optional<Step> ParseStep(const QByteArray &object)
{
    const std::optional<QJsonObject> parsed = objectOf(object);
    if (!object.startsWith(StepMarker()) || !parsed || !parsed->value(QStringLiteral("postprocessor")).isString())
        return std::nullopt;
    return Step{parsed->value(QStringLiteral("postprocessor")).toString(),
                parsed->value(QStringLiteral("status")).toString() == QLatin1String("started")};
}

QString StepCaption(const QString &postprocessor, const QString &audioFormat)
{
    static const QHash<QString, QString> captions{
        {QStringLiteral("EmbedSubtitle"), QStringLiteral("Embedding subtitles...")},
        {QStringLiteral("Metadata"), QStringLiteral("Embedding metadata...")},
        {QStringLiteral("EmbedThumbnail"), QStringLiteral("Embedding thumbnail...")},
        {QStringLiteral("Merger"), QStringLiteral("Merging video and audio...")},
        {QStringLiteral("SubtitlesConvertor"), QStringLiteral("Converting subtitles...")},
        {QStringLiteral("MoveFiles"), QString()},
    };
    if (postprocessor == QLatin1String("ExtractAudio"))
        return QStringLiteral("Converting to %1...").arg(audioFormat.isEmpty() ? QStringLiteral("audio") : audioFormat.toUpper());
    return captions.value(postprocessor, QStringLiteral("Processing the file..."));
}

qint64 ExpectedTotal(int streams, int finishedStreams, qint64 finishedBytes, const Report &current)
{
    if (current.total < 0)
        return -1;
    const qint64 size = std::max(current.total, current.done);
    const int count = std::max(streams, finishedStreams + 1);
    if (count == 1)
        return size;
    const qint64 done = finishedBytes + current.done;
    const double share = (finishedStreams + (size > 0 ? double(current.done) / double(size) : 0.0)) / count;
    if (done <= 0 || share <= 0)
        return size * count; // nothing arrived yet: the streams to come taken as large as this one
    return std::max(done, static_cast<qint64>(std::llround(double(done) / share)));
}

qint64 SteadyShare::total(qint64 done, qint64 expected)
{
    if (expected <= 0 || done <= 0) // nothing yet: no share to keep, none to lose
        return expected;
    qint64 total = std::max(expected, done);
    if (double(done) / double(total) < m_share)
        total = std::max(done, static_cast<qint64>(std::floor(double(done) / m_share)));
    m_share = double(done) / double(total);
    return total;
}

} // namespace ExtractorProgress
