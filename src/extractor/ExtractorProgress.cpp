#include "extractor/ExtractorProgress.h"

#include <QJsonDocument>
#include <QJsonObject>
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
                       "\"estimate\":%(progress.total_bytes_estimate)j,\"status\":%(progress.status)j}"),
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
    return report;
}

std::optional<QString> ParseFile(const QByteArray &line)
{
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object || !object->value(QStringLiteral("filepath")).isString())
        return std::nullopt;
    return object->value(QStringLiteral("filepath")).toString();
}

} // namespace ExtractorProgress
