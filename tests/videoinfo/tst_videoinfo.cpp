// Both readers of a video page and the forms they share, and the watch page's text helpers,
// decoding, format map, details and related videos read from page text. The watch page comes from
// the demo site; the extractor's answers are JSON documents written here, with the fields the
// extractor documents for its -J output.

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"
#include "extractor/ExtractorJson.h"
#include "extractor/ExtractorProgress.h"
#include "pages/FormatMap.h"
#include "pages/RelatedVideos.h"
#include "pages/VideoDetails.h"
#include "pages/WatchAddress.h"
#include "pages/WatchPageInfo.h"
#include "support/DemoSite.h"
#include "support/ReferenceText.h"
#include "support/SeamRecorder.h"
#include "videoinfo/PageText.h"
#include "videoinfo/VideoText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace modFunctions;

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonObject format(const QString &id, const QString &url, const QString &protocol = QStringLiteral("https"),
                   const QString &vcodec = QString(), const QString &acodec = QString())
{
    QJsonObject f{{QStringLiteral("format_id"), id}, {QStringLiteral("url"), url}, {QStringLiteral("protocol"), protocol},
                  {QStringLiteral("ext"), QStringLiteral("mp4")}};
    if (!vcodec.isEmpty())
        f.insert(QStringLiteral("vcodec"), vcodec);
    if (!acodec.isEmpty())
        f.insert(QStringLiteral("acodec"), acodec);
    return f;
}

QJsonObject streamOnly(const QString &id, bool video)
{
    return format(id, QStringLiteral("https://cdn.example/") + id + QStringLiteral(".m3u8"), QStringLiteral("m3u8_native"),
                  video ? QString() : QStringLiteral("none"), video ? QStringLiteral("none") : QString());
}

QByteArray document(const QJsonArray &formats, QJsonObject video = {})
{
    video.insert(QStringLiteral("formats"), formats);
    return QJsonDocument(video).toJson(QJsonDocument::Compact);
}

// "#4 22 | hls-1 stream | a+b merged": the encodings in order, with slot, kind and tracks.
QString summary(const VideoInfo &info)
{
    QStringList parts;
    for (const VideoEncoding &e : info.encodings) {
        parts << (e.slot >= 0 ? QStringLiteral("#%1 ").arg(e.slot) : QString()) + e.formatId
                     + QLatin1String(e.kind == VideoEncoding::Kind::Stream ? " stream" : e.kind == VideoEncoding::Kind::Merged ? " merged" : "")
                     + QLatin1String(e.tracks == VideoEncoding::Tracks::VideoOnly   ? " video"
                                     : e.tracks == VideoEncoding::Tracks::AudioOnly ? " audio" : "");
    }
    return parts.join(QStringLiteral(" | "));
}

// "Title / uploader: 1|title|97|page|Extractor|id, ..." for a list; "one video" for none.
QString listSummary(const std::optional<VideoList> &list)
{
    if (!list)
        return QStringLiteral("one video");
    QStringList entries;
    for (const VideoListEntry &e : list->entries)
        entries << QStringLiteral("%1|%2|%3|%4|%5|%6").arg(e.position).arg(e.title).arg(e.seconds).arg(e.pageAddress, e.extractor, e.id);
    return list->title + QStringLiteral(" / ") + list->uploader + QStringLiteral(": ") + entries.join(QStringLiteral(", "));
}

// A progress line as "done/total finished", "file PATH" or "none".
QString progress(const QByteArray &line)
{
    const auto report = ExtractorProgress::ParseReport(line);
    const auto file = ExtractorProgress::ParseFile(line);
    if (report && file)
        return QStringLiteral("both");
    if (file)
        return QStringLiteral("file ") + *file;
    return report ? QStringLiteral("%1/%2%3").arg(report->done).arg(report->total).arg(report->finished ? QStringLiteral(" finished") : QString())
                  : QStringLiteral("none");
}

const QString Root = QStringLiteral("http://www.demotube.test");

QString mapPage(const QString &encodedMap)
{
    return QStringLiteral("var swfConfig = {\"args\": {\"fmt_url_map\": \"") + encodedMap +
           QStringLiteral("\", \"video_id\": \"x\"}};");
}

QString relatedItem(const QString &thumb, const QString &title, const QString &link)
{
    QString out = QStringLiteral("<span onclick=\"show(this.getAttribute('ql'), '") + thumb + QStringLiteral("', '") +
                  title + QStringLiteral("')\"><img></span>\n");
    if (!link.isNull())
        out += QStringLiteral("<a href=\"") + link + QStringLiteral("\" title=\"t\">x</a>\n");
    return out;
}

QString relatedPage(const QString &items)
{
    return QStringLiteral("<div id=\"watch-related-vids-body\">\n") + items +
           QStringLiteral("<div class=\"clearL\"></div></div>");
}

// The error trap showed exactly one message, for this error in this procedure.
bool trapped(const SeamRecorder &seam, const QString &error, const QString &procedure)
{
    const QStringList messages = seam.messages();
    return messages.size() == 1 && messages.first().startsWith(error + QStringLiteral(" on line ")) &&
           messages.first().endsWith(QStringLiteral(" in procedure %1 of Module modFunctions").arg(procedure));
}

} // namespace

class TestVideoInfo : public QObject
{
    Q_OBJECT

    DemoSite m_site;

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_site.start());
        // The page text helpers' site; the watch pages read here come with their own addresses.
        qputenv("CLIPVAULT_SITE_ROOT", Root.toLatin1());
        qputenv("CLIPVAULT_THUMBNAIL_ROOT", "http://img.demotube.test");
    }

    // The display forms; the extractor's details and encodings below show more of them (hours
    // dropped, the pages' date, millions grouped, sizes in KB and MB).
    void displayForms_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        const auto web = [](const char *address) { return QString::fromLatin1(VideoText::IsWebAddress(QString::fromUtf8(address)) ? "web" : "not"); };
        QTest::newRow("http address") << web("http://127.0.0.1:8080/a.mp4") << "web";
        QTest::newRow("https in capitals") << web("HTTPS://Example.org/v?x=1") << "web";
        for (const char *other : {"file:///etc/passwd", "data:video/mp4;base64,AAAA", "javascript:alert(1)", "ftp://example.org/a.mp4",
                                  "/media/a.mp4", "http:///a.mp4", ""})
            QTest::addRow("no web address: %s", other) << web(other) << "not";
        QTest::newRow("duration under a minute") << VideoText::Duration(59) << "0:59";
        QTest::newRow("ten minutes") << VideoText::Duration(600) << "10:00";
        QTest::newRow("negative duration") << VideoText::Duration(-4) << "0:00";
        QTest::newRow("no date") << VideoText::Published(QDate()) << "";
        QTest::newRow("grouped thousand") << VideoText::Grouped(1000) << "1,000";
        QTest::newRow("three digits stay") << VideoText::Grouped(999) << "999";
        QTest::newRow("size under a GB in MB") << VideoText::Size(1063256064) << "1014.00 MB";
        QTest::newRow("size in GB") << VideoText::Size(1610612736) << "1.50 GB";
        QTest::newRow("file title drops what names cannot hold")
            << VideoText::FileTitle(QStringLiteral(" How to: fix a 1/2\" tap?\t<now>|*\\ ")) << "How to fix a 12 tap now";
        QTest::newRow("file title drops control characters")
            << VideoText::FileTitle(QStringLiteral("a\x01\x1f b\nc")) << "a b c";
        // The extractor's progress lines: "done/total finished", "file" for the finished file's line, or "none".
        QTest::newRow("progress, size known") << progress(R"({"downloaded": 1024, "total": 90000, "estimate": "NA", "status": "downloading"})") << "1024/90000";
        QTest::newRow("progress, only an estimate") << progress(R"({"downloaded": 30000, "total": "NA", "estimate": 90000.0, "status": "x"})") << "30000/90000";
        QTest::newRow("progress, nothing known") << progress(R"({"downloaded": "NA", "total": "NA", "estimate": "NA", "status": "downloading"})") << "0/-1";
        QTest::newRow("progress, finished") << progress(R"({"downloaded": 90000, "total": 90000, "estimate": "NA", "status": "finished"})") << "90000/90000 finished";
        QTest::newRow("progress, an empty file is known to be empty") << progress(R"({"downloaded": 0, "total": 0, "estimate": 5000, "status": "finished"})") << "0/0 finished";
        QTest::newRow("progress, negative numbers") << progress(R"({"downloaded": -5, "total": -1, "estimate": "NA", "status": "x"})") << "0/-1";
        QTest::newRow("progress, another line") << progress("[download] Destination: media.mp4") << "none";
        QTest::newRow("progress, the finished file") << progress(R"({"filepath": "/tmp/x/media.mp4"})") << "file /tmp/x/media.mp4";
        QTest::newRow("progress, cut off") << progress(R"({"downloaded": 5)") << "none";
    }
    void displayForms()
    {
        QFETCH(QString, shown);
        QTEST(shown, "expected");
    }

    // The extractor's formats become encodings: the six known codes that are single files get
    // their buttons, everything else is listed best first; nothing but http and https is taken.
    void extractorFormats_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("canMerge");
        QTest::addColumn<QString>("expected"); // summary, or the failure's reason number

        const QString cdn = QStringLiteral("https://cdn.example/");
        QTest::newRow("known codes by slot, the rest best first")
            << document({format("18", cdn + "18"), format("43", cdn + "43"), format("22", cdn + "22"),
                         format("hls-800", cdn + "800.m3u8", "m3u8_native"), format("hls-1520", cdn + "1520.m3u8", "m3u8_native")})
            << false << "#3 18 | #4 22 | hls-1520 stream | hls-800 stream | 43";
        QTest::newRow("a known code that is no single file gets no button")
            << document({format("22", cdn + "22.m3u8", "m3u8_native"), format("18", cdn + "18", "https", "", "none"),
                         format("37", cdn + "37", "http_dash_segments")})
            << false << "37 stream | 22 stream | 18 video";
        QTest::newRow("only separate streams, ffmpeg there")
            << document({streamOnly("hls-audio", false), streamOnly("hls-360", true), streamOnly("hls-720", true)}) << true
            << "hls-720+hls-audio merged | hls-720 stream video | hls-360 stream video | hls-audio stream audio";
        QTest::newRow("only separate streams, no ffmpeg")
            << document({streamOnly("hls-audio", false), streamOnly("hls-720", true)}) << false
            << "hls-720 stream video | hls-audio stream audio";
        QTest::newRow("a whole file beside separate streams: nothing merged")
            << document({streamOnly("a", false), streamOnly("v", true), format("mp4", cdn + "whole.mp4")}) << true
            << "mp4 | v stream video | a stream audio";
        QTest::newRow("addresses other than http and https are dropped")
            << document({format("18", "file:///etc/passwd"), format("22", "data:video/mp4;base64,AAAA"),
                         format("37", "javascript:alert(1)"), format("5", "ftp://cdn.example/5"), format("34", "/relative/34"),
                         format("35", cdn + "35")})
            << false << "#2 35";
        QTest::newRow("a manifest that is a local file is dropped")
            << QByteArray("{'formats': [{'format_id': 'hls-1', 'url': 'https://cdn.example/1.m3u8', 'protocol': 'm3u8_native', 'ext': 'mp4', "
                          "'manifest_url': 'file:///tmp/evil.m3u8'}, {'format_id': 'ok', 'url': 'https://cdn.example/ok', 'protocol': 'https', 'ext': 'mp4'}]}")
            << false << "ok";
        QTest::newRow("identifiers that would select are refused")
            << document({format("18/best", cdn + "a"), format("a+b", cdn + "b"), format("-x", cdn + "c"),
                         format("", cdn + "d"), format("sp ace", cdn + "e"), format("dash-1080p", cdn + "f")})
            << false << "dash-1080p";
        QTest::newRow("pictures and protected streams are no videos")
            << QByteArray("{'formats': [{'format_id': 'sb0', 'url': 'https://cdn.example/sb', 'protocol': 'mhtml', 'ext': 'mp4', "
                          "'vcodec': 'none', 'acodec': 'none'}, {'format_id': 'drm', 'url': 'https://cdn.example/drm', 'protocol': 'https', 'ext': 'mp4', 'has_drm': true}]}")
            << false << QString::number(int(ExtractorFailure::Reason::NoVideo));
        QTest::newRow("a video of one format names it in itself")
            << QByteArray("{'url': 'https://cdn.example/one.mp4#__notes', 'ext': 'mp4', 'protocol': 'https'}") << false << "best";
        QTest::newRow("a list: its first video")
            << QByteArray("{'_type': 'playlist', 'entries': [{'title': 'no formats'}, {'formats': [{'format_id': 'first',"
                          "'url': 'https://cdn.example/1', 'protocol': 'https', 'ext': 'mp4'}]}, "
                          "{'formats': [{'format_id': 'second', 'url': 'https://cdn.example/2', 'protocol': 'https', 'ext': 'mp4'}]}]}")
            << false << "first";
        QTest::newRow("no formats at all") << QByteArray("{}") << false << QString::number(int(ExtractorFailure::Reason::NoVideo));
        QTest::newRow("cut off") << QByteArray("{\"title\": \"x\", \"formats\": [") << false
                                 << QString::number(int(ExtractorFailure::Reason::Unreadable));
        QTest::newRow("not an object") << QByteArray("[1, 2]") << false << QString::number(int(ExtractorFailure::Reason::Unreadable));
        QTest::newRow("null") << QByteArray("null") << false << QString::number(int(ExtractorFailure::Reason::Unreadable));
    }
    void extractorFormats()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, canMerge);
        QFETCH(QString, expected);
        // Documents written as text here use ' for ".
        const ExtractorReading reading = ExtractorJson::Read(json.replace('\'', '"'), QStringLiteral("https://site.example/v"), canMerge);
        if (reading.failure) {
            QCOMPARE(QString::number(int(reading.failure->reason)), expected);
            QVERIFY(reading.info.encodings.isEmpty());
            return;
        }
        QCOMPARE(summary(reading.info), expected);
        for (const VideoEncoding &e : reading.info.encodings)
            QVERIFY2(e.kind == VideoEncoding::Kind::Merged ? e.address.isEmpty() : VideoText::IsWebAddress(e.address),
                     qPrintable(e.address));
    }

    void extractorEncodingDetails()
    {
        QByteArray json = "{'formats': [{'format_id': 'a', 'url': 'https://cdn.example/a.m3u8', 'protocol': 'm3u8_native',"
            "'vcodec': 'none', 'ext': 'm4a'}, {'format_id': '43', 'url': 'https://cdn.example/43', 'protocol': 'https', 'ext': 'webm',"
            "'height': 480, 'filesize_approx': 655360.4}, {'format_id': '18', 'url': 'https://cdn.example/18.mp4?sig=1#frag',"
            "'protocol': 'https', 'ext': 'mp4', 'width': 640, 'height': 360, 'filesize': 12949914, 'http_headers': {"
            "'User-Agent': 'Agent/1.0', 'Referer': 'https://site.example/v', 'Cookie': 'a=1; b=2', 'Accept-Encoding': 'gzip',"
            "'Host': 'evil.example', 'Range': 'bytes=5-', 'Bad Name': 'x', 'X-Injected': 'a\\r\\nHost: evil.example', 'X-Number': 5}}]}";
        const ExtractorReading reading = ExtractorJson::Read(json.replace('\'', '"'), QString(), false);
        QVERIFY(!reading.failure);
        QCOMPARE(reading.info.encodings.size(), 3);
        const VideoEncoding *known = reading.info.slotEncoding(3);
        QVERIFY(known);
        QCOMPARE(known->address, QStringLiteral("https://cdn.example/18.mp4?sig=1"));
        QCOMPARE(known->fileSuffix(), QStringLiteral(".mp4"));
        QCOMPARE(known->label(), QStringLiteral("mp4, 640x360, 12.35 MB"));
        const RequestHeaders expectedHeaders{{"Cookie", "a=1; b=2"}, {"Referer", "https://site.example/v"}, {"User-Agent", "Agent/1.0"}};
        QCOMPARE(known->headers, expectedHeaders);

        const QList<VideoEncoding> others = reading.info.otherEncodings();
        QCOMPARE(others.at(0).label(), QStringLiteral("webm, 480p, about 640 KB"));
        QCOMPARE(others.at(0).fileSuffix(), QStringLiteral(".webm"));
        QCOMPARE(others.at(1).label(), QStringLiteral("m4a, audio only"));
        QVERIFY(others.at(1).headers.isEmpty()); // the extractor fetches streams itself
    }

    // Details are plain text in the watch pages' forms; anything that is not a sane value is left out.
    void extractorDetails_data()
    {
        QTest::addColumn<QByteArray>("fields"); // the video's JSON fields, written with ' for "
        QTest::addColumn<QStringList>("expected"); // title, file title, author, published, duration, views, rating, description, thumbnail
        QTest::newRow("every field")
            << QByteArray("'id': 'abc/1', 'title': 'How to: fix <b>it</b>?', 'uploader': 'Quayside Films', 'channel': 'not this',"
                          "'upload_date': '20210504', 'duration': 3725.4, 'view_count': 1234567, 'average_rating': 4.8571,"
                          "'description': '<b>not bold</b> & \\\"quoted\\\"\\nsecond line', 'thumbnail': 'https://img.example/t.jpg'")
            << QStringList{"How to: fix <b>it</b>?", "How to fix bitb", "Quayside Films", "May 4, 2021", "2:05",
                           "1,234,567", "4.85 / 5", "<b>not bold</b> & \"quoted\"\nsecond line", "https://img.example/t.jpg"};
        QTest::newRow("odd values are left out")
            << QByteArray("'title': 42, 'channel': 'Channel name', 'upload_date': '20211345', 'duration': -5, 'view_count': 'many',"
                          "'average_rating': '5', 'thumbnail': 'file:///etc/hostname', 'thumbnails': [{'url': 'https://img.example/small.jpg'},"
                          "{'url': 'https://img.example/big.jpg'}, {'url': 'data:image/png;base64,AA'}]")
            << QStringList{"", "", "Channel name", "", "", "", "", "", "https://img.example/big.jpg"};
        QTest::newRow("no thumbnail that may be fetched")
            << QByteArray("'thumbnail': 'data:image/png;base64,AA', 'thumbnails': [{'url': 'file:///x.jpg'}]")
            << QStringList{"", "", "", "", "", "", "", "", ""};
    }
    void extractorDetails()
    {
        QFETCH(QByteArray, fields);
        QByteArray json = "{" + fields + ", 'formats': [{'format_id': 'x', 'url': 'https://cdn.example/x'}]}";
        const ExtractorReading reading = ExtractorJson::Read(json.replace('\'', '"'), QStringLiteral("https://site.example/v"), false);
        QVERIFY(!reading.failure);
        const VideoInfo &i = reading.info;
        QTEST((QStringList{i.title, i.fileTitle, i.author, i.published, i.duration, i.views, i.rating, i.description, i.thumbnail}),
              "expected");
        QVERIFY(!i.descriptionIsMarkup);
        QCOMPARE(i.pageAddress, QStringLiteral("https://site.example/v"));
        QVERIFY(i.related.isEmpty());
    }

    // The watch page's markers give the same value: its formats as the six buttons, its details in
    // their forms, its related videos; a page that offers no known format gives no details.
    void watchPageReading_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("links");
        QTest::addColumn<bool>("detailsError");
        QTest::newRow("all six formats") << q(demosite::ids::allSix) << true << false;
        QTest::newRow("no map") << q(demosite::ids::noMap) << false << false;
        QTest::newRow("broken map entry") << q(demosite::ids::mapBadCode) << false << false;
        QTest::newRow("duration that is no number") << q(demosite::ids::badLength) << true << true;
    }
    void watchPageReading()
    {
        QFETCH(QString, id);
        QFETCH(bool, links);
        QFETCH(bool, detailsError);
        const demosite::Video *video = demosite::findVideo(id.toStdString());
        QVERIFY(video);
        const QString page = QString::fromUtf8(m_site.get(QStringLiteral("/watch?v=") + id));

        VideoDetails kept;
        kept.VideoViews = QStringLiteral("kept from before");
        const WatchPageReading reading = WatchPageInfo::Read(page, kept);
        QCOMPARE(reading.hasLinks(), links);
        QCOMPARE(reading.detailsError.has_value(), detailsError);
        if (!links) {
            QVERIFY(reading.info.title.isEmpty() && reading.info.related.isEmpty());
            QCOMPARE(kept.VideoViews, QStringLiteral("kept from before"));
            return;
        }
        for (const demosite::MediaFormat &f : video->formats) {
            const VideoEncoding *e = reading.info.slotEncoding(FormatTable::SlotOfCode(f.code));
            QVERIFY(e);
            QCOMPARE(e->address, m_site.root() + q(demosite::mediaPath(video->id, f.code)));
            QCOMPARE(e->formatId, QString::number(f.code));
            QCOMPARE(e->kind, VideoEncoding::Kind::SingleFile);
        }
        QCOMPARE(reading.info.encodings.size(), qsizetype(video->formats.size()));
        QCOMPARE(reading.info.title, kept.VideoTitle);
        QCOMPARE(reading.info.author, q(video->author));
        QCOMPARE(reading.info.published, q(video->published));
        QVERIFY(reading.info.descriptionIsMarkup);
        QCOMPARE(reading.info.related.size(), qsizetype(std::min<std::size_t>(6, demosite::relatedItemsWithLink(*video))));
        if (detailsError) {
            QCOMPARE(reading.info.views, QStringLiteral("kept from before")); // the reading stopped before it
            return;
        }
        QCOMPARE(reading.info.duration, VideoText::Duration(video->lengthSeconds));
        QCOMPARE(reading.info.views, q(video->views));
        QCOMPARE(reading.info.rating, kept.ratingText());
    }
    // Lists as -J --flat-playlist gives them: references to pages (feeds, playlists) or the
    // videos a page holds; what each entry's download will ask the extractor for, and what the
    // archive will know it by.
    void extractorLists_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::newRow("feed: references without identifiers")
            << QByteArray("{'_type': 'playlist', 'title': 'Harbour Radio', 'extractor_key': 'Generic', "
                 "'webpage_url': 'http://127.0.0.1:5/feed.xml', 'entries': [ "
                 "{'_type': 'url_transparent', 'url': 'http://127.0.0.1:5/m/1.mp4#smuggled', 'title': 'One', 'duration': 97.0}, "
                 "{'_type': 'url_transparent', 'url': 'http://127.0.0.1:5/m/2.mp4', 'title': 'Two', 'duration': null}]}")
            << "Harbour Radio / : 1|One|97|http://127.0.0.1:5/m/1.mp4#smuggled|Generic|http://127.0.0.1:5/m/1.mp4, "
               "2|Two|-1|http://127.0.0.1:5/m/2.mp4|Generic|http://127.0.0.1:5/m/2.mp4";
        QTest::newRow("playlist: references with extractor and identifier")
            << QByteArray("{'_type': 'playlist', 'title': 'Songs', 'uploader': 'Chan', 'extractor_key': 'TubeTab', "
                 "'entries': [{'_type': 'url', 'ie_key': 'Tube', 'id': 'abc', 'url': 'https://t.example/watch?v=abc', 'title': 'A', 'duration': 61.4}, "
                 "{'_type': 'url', 'ie_key': 'Tube', 'id': 12345, 'url': 'https://t.example/watch?v=12345'}]}")
            << "Songs / Chan: 1|A|61|https://t.example/watch?v=abc|Tube|abc, "
               "2|https://t.example/watch?v=12345|-1|https://t.example/watch?v=12345|Tube|12345";
        QTest::newRow("page holding its videos: each by its media address")
            << QByteArray("{'_type': 'playlist', 'id': 'three', 'webpage_url': 'http://h.example/three', "
                 "'entries': [{'id': 'three-1', 'title': 'T (1)', 'extractor_key': 'HTML5MediaEmbed', 'webpage_url': 'http://h.example/three', 'url': 'http://h.example/1.mp4'}, "
                 "{'id': 'three-2', 'title': 'T (2)', 'extractor_key': 'HTML5MediaEmbed', 'webpage_url': 'http://h.example/other', 'url': 'http://h.example/2.mp4', 'duration': -3}]}")
            << "three / : 1|T (1)|-1|http://h.example/1.mp4|HTML5MediaEmbed|three-1, "
               "2|T (2)|-1|http://h.example/other|HTML5MediaEmbed|three-2";
        QTest::newRow("entries that cannot be asked for are left out, the others keep their place")
            << QByteArray("{'_type': 'playlist', 'title': 'L', 'extractor_key': 'G', 'entries': [ "
                 "{'_type': 'url', 'url': 'file:///etc/passwd', 'title': 'file'}, null, {'_type': 'url', 'url': 'javascript:alert(1)'}, "
                 "{'_type': 'url', 'url': 'https://a.example/x', 'id': 'x y', 'title': 'X'}, "
                 "{'_type': 'url', 'url': 'https://a.example/z', 'id': 'z'}]}")
            << "L / : 4|X|-1|https://a.example/x|G|x y, 5|https://a.example/z|-1|https://a.example/z|G|z";
        QTest::newRow("a reference alone is a list of one")
            << QByteArray("{'_type': 'playlist', 'title': 'Only', 'entries': [{'_type': 'url', 'url': 'https://a.example/1', 'id': '1', 'title': 'First'}]}")
            << "Only / : 1|First|-1|https://a.example/1||1";
        QTest::newRow("one video the list's page holds is one video")
            << QByteArray("{'_type': 'playlist', 'entries': [{'id': 'v', 'url': 'https://a.example/v.mp4', 'formats': [{'url': 'https://a.example/v.mp4'}]}]}")
            << "one video";
        QTest::newRow("a video") << QByteArray("{'id': 'v', 'title': 'V', 'url': 'https://a.example/v.mp4'}") << "one video";
        QTest::newRow("an empty list") << QByteArray("{'_type': 'playlist', 'title': 'None', 'entries': []}") << "one video";
        QTest::newRow("untitled list") << QByteArray("{'_type': 'playlist', 'entries': [{'_type': 'url', 'url': 'https://a.example/1'}, {'_type': 'url', 'url': 'https://a.example/2'}]}")
                                       << "https://l.example/list / : 1|https://a.example/1|-1|https://a.example/1||https://a.example/1, "
                                          "2|https://a.example/2|-1|https://a.example/2||https://a.example/2";
    }
    void extractorLists()
    {
        QFETCH(QByteArray, json);
        // The documents above are written with ' for ".
        const ExtractorAnswer answer = ExtractorJson::ReadAnswer(json.replace('\'', '"'), QStringLiteral("https://l.example/list"), false);
        QTEST(listSummary(answer.list), "expected");
        if (answer.list)
            QCOMPARE(answer.list->address, QStringLiteral("https://l.example/list"));
    }

    // The text helpers and the readers of the format map and the related videos; `error` is the
    // number raised or kept, 0 for none. GetBetween's text is "text|start|end", CutToLength's "text|limit".
    void textHelpers_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("error");
        const auto row = [](const char *helper, const char *name, const QString &text, const QString &expected,
                            int error = 0) {
            QTest::addRow("%s: %s", helper, name) << QString::fromLatin1(helper) << text << expected << error;
        };
        row("GetBetween", "first start, first end behind it", "]x[ab]c[d]|[|]", "ab");
        row("GetBetween", "adjacent markers", "a[]b|[|]", "");
        row("GetBetween", "no end marker", "a[bcd|[|]", "");
        // Without the start marker the scan begins at the marker's length counted from 1.
        row("GetBetween", "start missing", "abcXYdef|QQQ|d", "cXY");
        row("GetBetween", "start missing, end too early", "dbcdef|QQQ|d", "c");
        row("GetBetween", "multi-character markers", "x VIDEO_ID': 'abc', y|VIDEO_ID': '|'", "abc");
        row("GetBetween", "case-sensitive", "<SPAN>a</span>|<span>|</span>", ">a");

        row("CutToLength", "shorter", "abc|5", "abc");
        row("CutToLength", "exact", "abcde|5", "abcde");
        row("CutToLength", "cut", "abcdef|5", "abcde");
        row("CutToLength", "pair kept whole", QString("\U0001F600|1"), "");
        row("CutToLength", "pair within", QString("a\U0001F600b|3"), QString("a\U0001F600"));

        // A watch address is the site's prefix and an eleven-character id; its embed form is /v/.
        const QString watch = Root + QStringLiteral("/watch?v=abcdefghijk");
        // WatchAddress: "1" or "0" for a watch address, then the text with its embed form.
        const QString embed = Root + QStringLiteral("/v/abcdefghij");
        row("WatchAddress", "prefix and id", watch, "1 " + embed + "k");
        row("WatchAddress", "one short", watch.chopped(1), "0 " + embed);
        row("WatchAddress", "blanks do not count but are kept", "   " + watch.chopped(1) + "  ", "0    " + embed + "  ");
        row("WatchAddress", "capitals accepted, not rewritten", watch.toUpper(), "1 " + watch.toUpper());
        row("WatchAddress", "text before, query behind", "see " + watch + "&feature=related", "1 see " + embed + "k&feature=related");
        row("WatchAddress", "other host", "http://elsewhere.test/watch?v=abcdefghijk", "0 http://elsewhere.test/watch?v=abcdefghijk");

        // CleanTitle and StripTags are held to the reference below; two examples each here.
        row("CleanTitle", "escapes, entities, slash, blanks", "Rock \\'n\\' Roll  &amp; &quot;Blues&quot; / Live",
            "Rock 'n' Roll & Blues Live");
        row("CleanTitle", "case-sensitive entities", "&AMP;", "&AMP;");

        row("PercentDecode", "two-byte UTF-8", "caf%C3%A9", "café");
        row("PercentDecode", "three-byte run", "%e6%97%a5%E6%9C%AC", "日本");
        row("PercentDecode", "runs split by text", "%C3%A9t%C3%A9", "été");
        row("PercentDecode", "plus is blank", "a+b", "a b");
        row("PercentDecode", "encoded plus and comma", "18%7Ca%2Bb%2C22", "18|a+b,22");
        row("PercentDecode", "percent last", "ab%", "ab");
        row("PercentDecode", "percent next to last", "ab%4", "ab4");
        row("PercentDecode", "encoded percent not decoded twice", "%25C3%25A9", "%C3%A9");
        row("PercentDecode", "lone high byte", "%FF", QString(QChar::ReplacementCharacter));
        row("PercentDecode", "non-ASCII text copied", "日%20本", "日 本");
        row("PercentDecode", "bad digits", "a%zzb", "", 13);
        row("PercentDecode", "half a digit", "%4g", "", 13);
        row("PercentDecode", "blank as digit", "%+1", "", 13);

        row("StripTags", "link then text", "<a href=\"/watch?v=x\">link</a> text", " link  text");
        row("StripTags", "entities after stripping", "&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;", "<b>x</b> & \"q\"");

        row("WholeNumber", "blanks", " 7 ", "7");
        row("WholeNumber", "half to even down", "2.5", "2");
        row("WholeNumber", "half to even up", "3.5", "4");
        row("WholeNumber", "negative", "-4", "-4");
        row("WholeNumber", "letters", "abc", "", 13);
        row("WholeNumber", "empty", "", "", 13);
        row("WholeNumber", "too big for 16 bits", "40000", "", 6);

        // The format map: "slot=link;... best N" of the slots found.
        const auto map = [&](const char *name, const QString &page, const char *found, int best, int error = 0) {
            row("FormatMap", name, page, QStringLiteral("%1 best %2").arg(QLatin1String(found)).arg(best), error);
        };
        map("encoded, other order", mapPage("5%7Ca%2C22%7Cb%2C34%7Cc%2C18%7Cd"), "0=a;1=c;3=d;4=b", 4);
        map("all six", mapPage("37|f,22|e,18|d,35|c,34|b,5|a"), "0=a;1=b;2=c;3=d;4=e;5=f", 5);
        map("only the lowest", mapPage("5|a"), "0=a", 0);
        map("only unknown", mapPage("43|x,45|y"), "", -1);
        map("no map", QStringLiteral("<html>nothing</html>"), "", -1);
        map("no end marker", QStringLiteral("\"fmt_url_map\": \"18|A\"}"), "", -1);
        map("bar inside link", mapPage("18|A|B"), "3=A|B", 3);
        map("later duplicate wins", mapPage("18|one,22|x,18|two"), "3=two;4=x", 4);
        map("UTF-8 in a link", mapPage("18%7Chttp%3A%2F%2Fh%2Fm%3Ft%3Dcaf%25C3%25A9"), "3=http://h/m?t=caf%C3%A9", 3);
        map("entry without bar", mapPage("18|A,nobar,22|B"), "3=A", 3, 5);
        map("code no number", mapPage("18|A,abc|B,22|C"), "3=A", 3, 13);
        map("code overflows", mapPage("22|B,99999|x"), "4=B", 4, 6);
        map("bad percent", mapPage("18%7CA%2C%zz"), "", -1, 13);

        // The related videos: "index|tag|thumbnail|title" per item, one a line.
        const auto related = [&](const char *name, const QString &items, const QStringList &expected, int error = 0) {
            row("ReadRelated", name, relatedPage(items), expected.join(QLatin1Char('\n')).arg(Root), error);
        };
        QString four, nine;
        QStringList firstSix;
        for (int k = 0; k < 9; ++k) {
            const QString item = relatedItem(QStringLiteral("t%1").arg(k), QStringLiteral("V%1").arg(k), QStringLiteral("/watch?v=id%1").arg(k));
            nine += item;
            if (k < 4)
                four += item;
            if (k < 6)
                firstSix << QStringLiteral("%1|%3/watch?v=id%1|t%1|V%1").arg(k);
        }
        related("nine items, six used", nine, firstSix);
        related("four items", four, firstSix.mid(0, 4));
        related("cleaned title", relatedItem("t", "A \\'b\\' &amp; c/d", "/watch?v=q"), {"0|%1/watch?v=q|t|A 'b' & cd"});
        related("title after many blanks, cut once cleaned",
                relatedItem("t", QString(MaxTitleLength * 5, QLatin1Char(' ')) + "Padded", "/watch?v=p"), {"0|%1/watch?v=p|t| Padded"});
        // The last two items carry no link: their passes set nothing.
        related("links missing at the end",
                relatedItem("t0", "A", "/watch?v=0") + relatedItem("t1", "B", QString()) + relatedItem("t2", "C", QString()), {"0|%1/watch?v=0|t0|A"});
        // A missing link in the middle: the pass takes the next item's link, so the next pass
        // starts behind that item and the item itself is never shown.
        related("link missing in the middle",
                relatedItem("t0", "A", QString()) + relatedItem("t1", "B", "/watch?v=1") + relatedItem("t2", "C", "/watch?v=2"),
                {"0|%1/watch?v=1|t0|A", "1|%1/watch?v=2|t2|C"});
        row("ReadRelated", "no section", "<div>nothing related</div>", "");
        related("unterminated item", relatedItem("t0", "A", "/watch?v=0") + "this.getAttribute('ql'), 'x', 'y", {"0|%1/watch?v=0|t0|A"});
        related("item without title",
                relatedItem("t0", "A", "/watch?v=0") + "this.getAttribute('ql'), 'only')\"<a href=\"/watch?v=1\" title=\"x\">"
                    + relatedItem("t2", "C", "/watch?v=2"),
                {"0|%1/watch?v=0|t0|A", "1|%1/watch?v=1|only|-"}, 9);
    }
    void textHelpers()
    {
        QFETCH(QString, helper);
        QFETCH(QString, text);
        QString got;
        int raised = 0;
        const QStringList parts = text.split(QLatin1Char('|'));
        try {
            if (helper == QLatin1String("GetBetween"))
                got = GetBetween(parts.at(0), parts.at(1), parts.at(2));
            else if (helper == QLatin1String("WatchAddress"))
                got = QString::number(int(WatchAddress::IsWatchAddress(text))) + QLatin1Char(' ') + WatchAddress::EmbedAddress(text);
            else if (helper == QLatin1String("CutToLength"))
                got = CutToLength(parts.at(0), parts.at(1).toInt());
            else if (helper == QLatin1String("CleanTitle"))
                got = CleanTitle(text);
            else if (helper == QLatin1String("PercentDecode"))
                got = PercentDecode(text);
            else if (helper == QLatin1String("StripTags"))
                got = StripTags(text);
            else if (helper == QLatin1String("WholeNumber"))
                got = QString::number(WholeNumber(text, -32768, 32767));
            else if (helper == QLatin1String("FormatMap")) {
                const FormatMapResult r = FormatMap::Parse(text);
                QStringList links;
                for (int slot = 0; slot < FormatTable::Count; ++slot) {
                    if (r.found[slot])
                        links << QStringLiteral("%1=%2").arg(slot).arg(r.links[slot]);
                }
                got = QStringLiteral("%1 best %2").arg(links.join(QLatin1Char(';'))).arg(r.bestSlot());
                raised = r.error ? r.error->number() : 0;
            } else {
                const RelatedResult r = ReadRelated(text);
                QStringList items;
                for (const RelatedItem &item : r.items)
                    items << QStringLiteral("%1|%2|%3|%4").arg(item.index).arg(item.tag, item.thumbnail.value_or("-"), item.title.value_or("-"));
                got = items.join(QLatin1Char('\n'));
                raised = r.error ? r.error->number() : 0;
            }
        } catch (const RuntimeError &e) {
            raised = e.number();
        }
        QTEST(got, "expected");
        QTEST(raised, "error");
    }

    // Random texts made of the pieces that the cleaning steps react to (entities, escapes, blanks,
    // runs of blanks, characters names cannot hold, tags, unclosed tags, text beyond ASCII), and
    // of pieces that combine into them only after an earlier step.
    void cleaningMatchesReference()
    {
        static const QStringList pieces = {"&amp;", "&quot;", "&lt;", "&gt;", "&", "amp;", "quot;", "lt;", "gt;",
                                           "\\", "'", " ", "  ", "/", ":", "*", "\"", "<", ">", "|", "?", "a",
                                           "é", "日", "&&"};
        QRandomGenerator random(20240613);
        for (int round = 0; round < 3000; ++round) {
            QString text;
            const int count = random.bounded(1, 24);
            for (int k = 0; k < count; ++k)
                text += pieces.at(random.bounded(pieces.size()));
            QCOMPARE(CleanTitle(text), reference::CleanTitle(text));
            QCOMPARE(StripTags(text), reference::StripTags(text));
        }
    }

    void grabYoutubeVideoCode()
    {
        SeamRecorder seam;
        QCOMPARE(GrabYoutubeVideoCode(QStringLiteral("http://img.demotube.test/vi/abcdefghijk/default.jpg")),
                 QStringLiteral("abcdefghijk"));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(GrabYoutubeVideoCode(QStringLiteral("no slashes here")), QString());
        QVERIFY(trapped(seam, QStringLiteral("Error 9 (Subscript out of range)"), QStringLiteral("GrabYoutubeVideoCode")));
    }

    void allInfo_data()
    {
        QTest::addColumn<QString>("page");
        // Title, author, id, published, description, thumbnail, duration, rating, votes, views;
        // "*" is not compared. Every field starts as "old".
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("error");
        QTest::newRow("every field")
            << QStringLiteral("'VIDEO_ID': 'abcdefghijk',\n 'VIDEO_TITLE': 'Tom &amp; Jerry && Co: \\'Chase\\'',\n"
                              "<a data-discoverbox-username=\"someone\" >someone</a>"
                              "<span class=\"watch-video-added post-date\">March 3, 2010</span>"
                              "<div class=\"watch-video-desc description\"><span >Line<br />two</span></div>"
                              "\"args\": {\"video_id\": \"x\", \"length_seconds\": \"3725\", \"rv.3.rating\": \"4.8571\", "
                              "\"x\": \"1\"}<div class=\"RatingMessage\"><span class=\"smallText\">1,234 ratings</span>"
                              "</div><span class=\"watch-view-count\">12%2C345</span>")
            << QStringList{"Tom & Jerry & Co 'Chase'", "someone", "abcdefghijk", "March 3, 2010", "Line<br />two",
                           "http://img.demotube.test/vi/abcdefghijk/default.jpg", "2:05", "4.85", "1,234", "12,345"}
            << QString();
        // Read in order: what comes before the duration is new, from the duration on the old stays.
        // A description block without its "<span >" is read from its seventh character on.
        QTest::newRow("duration no number, markers missing")
            << QStringLiteral("'VIDEO_TITLE': 'New', <div class=\"watch-video-desc description\">123456789</span>"
                              "  \"length_seconds\": \"abc\", \"rv.3.rating\": \"4.5\", "
                              "RatingMessage\"><span class=\"smallText\">9 ratings watch-view-count\">99</span>")
            << QStringList{"New", "", "", "*", "789", "http://img.demotube.test/vi//default.jpg", "old", "old", "old", "old"}
            << QStringLiteral("Error 13 (Type mismatch)");
        // A title beyond its limit is cut after it is cleaned, so one padded with 10 MB of blanks
        // comes out whole. (The description keeps its markup here; it is cut once that is gone.)
        const QString longFields = QStringLiteral("'VIDEO_TITLE': '%1', <div class=\"watch-video-desc description\">"
                                                  "<span >%2</span> \"length_seconds\": \"1\",");
        QTest::newRow("over-long title")
            << longFields.arg(QStringLiteral("&amp;").repeated(MaxTitleLength + 200), QStringLiteral("d"))
            << QStringList{QString(MaxTitleLength, QLatin1Char('&')), "*", "*", "*", "d", "*", "0:01", "*", "*", "*"}
            << QString();
        QTest::newRow("title after 10 MB of blanks")
            << longFields.arg(QString(10000000, QLatin1Char(' ')) + QStringLiteral("Sunset beach"), QStringLiteral("d"))
            << QStringList{" Sunset beach", "*", "*", "*", "d", "*", "0:01", "*", "*", "*"} << QString();
    }
    void allInfo()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, fields);
        QFETCH(QString, error);
        VideoDetails d;
        QString *all[] = {&d.VideoTitle, &d.VideoAuthor, &d.VideoID, &d.VideoPublished, &d.VideoDescription,
                          &d.ThumbnailURL, &d.VideoDuration, &d.VideoRating, &d.VideoVotes, &d.VideoViews};
        for (QString *field : all)
            *field = QStringLiteral("old");
        SeamRecorder seam;
        QCOMPARE(GetAllInfo(page, d), error.isEmpty());
        for (int k = 0; k < fields.size(); ++k) {
            if (fields.at(k) != QLatin1String("*"))
                QCOMPARE(*all[k], fields.at(k));
        }
        if (error.isEmpty())
            QVERIFY(seam.calls.isEmpty());
        else
            QVERIFY2(trapped(seam, error, QStringLiteral("GetAllInfo")), qPrintable(seam.messages().join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_videoinfo.moc"
