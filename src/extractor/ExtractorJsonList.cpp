// Lists in the extractor's JSON document: playlists, channels, feeds and pages with several
// videos, read with --flat-playlist (entries are references to their pages, or the videos
// themselves when the list's page holds them).

#include "extractor/ExtractorJson.h"

#include "videoinfo/VideoText.h"

#include <QJsonArray>
#include <QUrl>
#include <climits>
#include <cmath>

namespace {

constexpr qsizetype AddressLimit = 4000;

bool isReference(const QJsonObject &entry)
{
    const QString type = entry.value(QStringLiteral("_type")).toString();
    return type == QLatin1String("url") || type == QLatin1String("url_transparent");
}

QString webAddress(const QJsonObject &object, const QString &key)
{
    const QString address = ExtractorJson::Text(object, key, AddressLimit);
    return VideoText::IsWebAddress(address) ? address : QString();
}

// What the extractor is asked for when the entry is downloaded: the page a reference points to;
// for a video the list's page holds, its own page, or its media address when its page is the
// list's (the list's page would give every video of the list).
QString pageOf(const QJsonObject &entry, const QString &listPage)
{
    if (isReference(entry)) {
        const QString target = webAddress(entry, QStringLiteral("url"));
        return target.isEmpty() ? webAddress(entry, QStringLiteral("webpage_url")) : target;
    }
    const QString page = webAddress(entry, QStringLiteral("webpage_url"));
    if (!page.isEmpty() && QUrl(page) != QUrl(listPage))
        return page;
    return webAddress(entry, QStringLiteral("url"));
}

// A string or a whole number (some extractors give numeric identifiers).
QString identifier(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isDouble() && std::isfinite(value.toDouble()) && std::abs(value.toDouble()) < 9.0e15)
        return QString::number(static_cast<qint64>(value.toDouble()));
    return ExtractorJson::Text(object, key, 200);
}

qint64 secondsOf(const QJsonObject &entry)
{
    const QJsonValue value = entry.value(QStringLiteral("duration"));
    if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0 || value.toDouble() > 1.0e9)
        return -1;
    return std::llround(value.toDouble());
}

QString firstText(const QJsonObject &object, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const QString text = ExtractorJson::Text(object, QString::fromLatin1(key));
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

} // namespace

namespace ExtractorJson {

std::optional<VideoList> ReadList(const QJsonObject &document, const QString &address)
{
    const QJsonValue entriesValue = document.value(QStringLiteral("entries"));
    if (!entriesValue.isArray())
        return std::nullopt;
    const QJsonArray entries = entriesValue.toArray();
    const QString listPage = webAddress(document, QStringLiteral("webpage_url")).isEmpty()
                                 ? address
                                 : webAddress(document, QStringLiteral("webpage_url"));
    const QString listExtractor = firstText(document, {"extractor_key", "extractor"});

    VideoList list;
    list.address = address;
    list.title = firstText(document, {"title", "id"});
    if (list.title.isEmpty())
        list.title = address;
    list.uploader = firstText(document, {"uploader", "channel", "playlist_uploader"});
    bool anyReference = false;
    list.entries.reserve(entries.size());
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const QJsonObject object = entries.at(index).toObject();
        VideoListEntry entry;
        entry.pageAddress = pageOf(object, listPage);
        if (entry.pageAddress.isEmpty())
            continue; // nothing that may be handed to the extractor
        anyReference |= isReference(object);
        entry.position = static_cast<int>(qMin<qsizetype>(index + 1, INT_MAX));
        entry.title = Text(object, QStringLiteral("title"));
        if (entry.title.isEmpty())
            entry.title = entry.pageAddress;
        entry.seconds = secondsOf(object);
        entry.extractor = firstText(object, {"ie_key", "extractor_key"});
        if (entry.extractor.isEmpty())
            entry.extractor = listExtractor;
        entry.id = identifier(object, QStringLiteral("id"));
        if (entry.id.isEmpty()) // a feed's episode: its address names it
            entry.id = QUrl(entry.pageAddress).adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
        list.entries.append(entry);
    }
    if (list.entries.size() > 1 || (list.entries.size() == 1 && anyReference))
        return list;
    return std::nullopt;
}

} // namespace ExtractorJson
