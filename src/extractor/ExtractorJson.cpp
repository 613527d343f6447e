#include "extractor/ExtractorJson.h"

#include "extractor/RecipeOptions.h"
#include "videoinfo/VideoText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

namespace {

constexpr qsizetype DescriptionLimit = 20000;

// A whole number that is not negative; nullopt when the field is missing or no sane number.
std::optional<qint64> count(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0 || number > 9.0e15)
        return std::nullopt;
    return static_cast<qint64>(std::llround(number));
}

QString ratingText(const QJsonObject &video)
{
    const QJsonValue value = video.value(QStringLiteral("average_rating"));
    if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0 || value.toDouble() > 1000)
        return QString();
    // At most four characters of the number, as the watch pages' ratings.
    return QString::number(value.toDouble(), 'f', 6).left(4) + QStringLiteral(" / 5");
}

QString thumbnailOf(const QJsonObject &video)
{
    const QString main = ExtractorJson::Text(video, QStringLiteral("thumbnail"), 4000);
    if (VideoText::IsWebAddress(main))
        return main;
    // The list is ordered worst first.
    const QJsonArray all = video.value(QStringLiteral("thumbnails")).toArray();
    for (qsizetype i = all.size() - 1; i >= 0; --i) {
        const QString address = ExtractorJson::Text(all.at(i).toObject(), QStringLiteral("url"), 4000);
        if (VideoText::IsWebAddress(address))
            return address;
    }
    return QString();
}

// The video of the document: the document itself, or the first video of a list.
std::optional<QJsonObject> videoOf(const QJsonObject &document)
{
    if (document.value(QStringLiteral("_type")).toString() != QLatin1String("playlist"))
        return document;
    for (const QJsonValue &entry : document.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject video = entry.toObject();
        if (video.contains(QStringLiteral("formats")) || video.contains(QStringLiteral("url")))
            return video;
    }
    return std::nullopt;
}

// The languages of an object such as "subtitles": its keys that are plain language tags (not
// "live_chat"), at most a few hundred.
QStringList languagesOf(const QJsonObject &video, const QString &key)
{
    QStringList languages;
    const QJsonObject offered = video.value(key).toObject();
    for (auto it = offered.begin(); it != offered.end() && languages.size() < 300; ++it)
        if (RecipeOptions::IsLanguageTag(it.key()) && it.value().isArray() && !it.value().toArray().isEmpty())
            languages << it.key();
    languages.sort();
    return languages;
}

// The document's object; nullopt, with the failure in reading, when it is none.
std::optional<QJsonObject> parsed(const QByteArray &json, ExtractorReading &reading)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        reading.failure = ExtractorFailure{ExtractorFailure::Reason::Unreadable, error.errorString()};
        return std::nullopt;
    }
    return document.object();
}

} // namespace

namespace ExtractorJson {

QString Text(const QJsonObject &object, const QString &key, qsizetype limit)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString().trimmed().left(limit) : QString();
}

ExtractorReading Read(const QByteArray &json, const QString &pageAddress, bool canMerge)
{
    ExtractorReading reading;
    const std::optional<QJsonObject> document = parsed(json, reading);
    return document ? ReadVideo(*document, pageAddress, canMerge) : reading;
}

ExtractorAnswer ReadAnswer(const QByteArray &json, const QString &pageAddress, bool canMerge)
{
    ExtractorAnswer answer;
    const std::optional<QJsonObject> document = parsed(json, answer.reading);
    if (!document)
        return answer;
    answer.list = ReadList(*document, pageAddress);
    if (!answer.list)
        answer.reading = ReadVideo(*document, pageAddress, canMerge);
    return answer;
}

ExtractorReading ReadVideo(const QJsonObject &document, const QString &pageAddress, bool canMerge)
{
    ExtractorReading reading;
    const std::optional<QJsonObject> found = videoOf(document);
    const QList<VideoEncoding> encodings = found ? ReadFormats(*found, canMerge) : QList<VideoEncoding>();
    if (encodings.isEmpty()) {
        reading.failure = ExtractorFailure{ExtractorFailure::Reason::NoVideo, QString()};
        return reading;
    }
    const QJsonObject &video = *found;
    VideoInfo &info = reading.info;
    info.pageAddress = pageAddress;
    info.encodings = encodings;
    info.id = VideoText::FileTitle(Text(video, QStringLiteral("id"), 200));
    info.title = Text(video, QStringLiteral("title"));
    info.fileTitle = VideoText::FileTitle(info.title);
    info.author = Text(video, QStringLiteral("uploader"));
    if (info.author.isEmpty())
        info.author = Text(video, QStringLiteral("channel"));
    info.published = VideoText::Published(
        QDate::fromString(Text(video, QStringLiteral("upload_date"), 8), QStringLiteral("yyyyMMdd")));
    if (const auto seconds = count(video, QStringLiteral("duration")))
        info.duration = VideoText::Duration(*seconds);
    if (const auto views = count(video, QStringLiteral("view_count")))
        info.views = VideoText::Grouped(*views);
    info.rating = ratingText(video);
    info.description = Text(video, QStringLiteral("description"), DescriptionLimit);
    info.descriptionIsMarkup = false;
    info.thumbnail = thumbnailOf(video);
    info.subtitleLanguages = languagesOf(video, QStringLiteral("subtitles"));
    info.captionLanguages = languagesOf(video, QStringLiteral("automatic_captions"));
    return reading;
}

} // namespace ExtractorJson
