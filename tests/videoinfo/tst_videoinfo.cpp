// Both readers of a video page and the forms they share. The watch page comes from the demo
// site; the extractor's answers are JSON documents written here, with the fields the extractor
// documents for its -J output.

#include "pages/WatchPageInfo.h"
#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"
#include "extractor/ExtractorJson.h"
#include "extractor/ExtractorProgress.h"
#include "support/DemoSite.h"
#include "videoinfo/VideoText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

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
    }

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
        QTest::newRow("duration drops whole hours") << VideoText::Duration(3725) << "2:05";
        QTest::newRow("negative duration") << VideoText::Duration(-4) << "0:00";
        QTest::newRow("date in the pages' form") << VideoText::Published(QDate(2021, 5, 4)) << "May 4, 2021";
        QTest::newRow("no date") << VideoText::Published(QDate()) << "";
        QTest::newRow("grouped millions") << VideoText::Grouped(1234567) << "1,234,567";
        QTest::newRow("grouped thousand") << VideoText::Grouped(1000) << "1,000";
        QTest::newRow("three digits stay") << VideoText::Grouped(999) << "999";
        QTest::newRow("size in KB") << VideoText::Size(655360) << "640 KB";
        QTest::newRow("size in MB") << VideoText::Size(12949914) << "12.35 MB";
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
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
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
        QFETCH(QStringList, expected);
        QByteArray json = "{" + fields + ", 'formats': [{'format_id': 'x', 'url': 'https://cdn.example/x'}]}";
        const ExtractorReading reading = ExtractorJson::Read(json.replace('\'', '"'), QStringLiteral("https://site.example/v"), false);
        QVERIFY(!reading.failure);
        const VideoInfo &i = reading.info;
        QCOMPARE((QStringList{i.title, i.fileTitle, i.author, i.published, i.duration, i.views, i.rating, i.description, i.thumbnail}),
                 expected);
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
        QFETCH(QString, expected);
        // The documents above are written with ' for ".
        const ExtractorAnswer answer = ExtractorJson::ReadAnswer(json.replace('\'', '"'), QStringLiteral("https://l.example/list"), false);
        QCOMPARE(listSummary(answer.list), expected);
        if (answer.list)
            QCOMPARE(answer.list->address, QStringLiteral("https://l.example/list"));
    }
};

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_videoinfo.moc"
