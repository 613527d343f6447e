// The watch page's text helpers, decoding, format map, details and related videos, read from
// page text without any widget.

#include "pages/FormatMap.h"
#include "videoinfo/PageText.h"
#include "pages/RelatedVideos.h"
#include "pages/VideoDetails.h"
#include "pages/WatchAddress.h"
#include "support/ReferenceText.h"
#include "support/SeamRecorder.h"

#include <QtTest>

using namespace modFunctions;

namespace {

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

class TestPageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("CLIPVAULT_SITE_ROOT", Root.toLatin1());
        qputenv("CLIPVAULT_THUMBNAIL_ROOT", "http://img.demotube.test");
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
        row("CutToLength", "pair kept whole", QString("ab\U0001F600|3"), "ab");
        row("CutToLength", "pair within", QString("a\U0001F600b|3"), QString("a\U0001F600"));

        // A watch address is the site's prefix and an eleven-character id; its embed form is /v/.
        const QString watch = Root + QStringLiteral("/watch?v=abcdefghijk");
        row("IsWatchAddress", "prefix and id", watch, "1");
        row("IsWatchAddress", "one short", watch.chopped(1), "0");
        row("IsWatchAddress", "blanks do not count", "   " + watch.chopped(1) + "  ", "0");
        row("IsWatchAddress", "capitals accepted", watch.toUpper(), "1");
        row("IsWatchAddress", "text before, query behind", "see " + watch + "&feature=related", "1");
        row("IsWatchAddress", "other host", "http://elsewhere.test/watch?v=abcdefghijk", "0");
        row("EmbedAddress", "prefix and id", watch, Root + "/v/abcdefghijk");
        row("EmbedAddress", "blanks kept", "   " + watch.chopped(1) + "  ", "   " + Root + "/v/abcdefghij  ");
        row("EmbedAddress", "capitals not rewritten", watch.toUpper(), watch.toUpper());
        row("EmbedAddress", "text before, query behind", "see " + watch + "&feature=related", "see " + Root + "/v/abcdefghijk&feature=related");
        row("EmbedAddress", "other host", "http://elsewhere.test/watch?v=abcdefghijk", "http://elsewhere.test/watch?v=abcdefghijk");

        row("CleanTitle", "escapes, entities, slash", "Rock \\'n\\' Roll &amp; &quot;Blues&quot; / Live",
            "Rock 'n' Roll & Blues Live");
        row("CleanTitle", "five blanks", "a     b", "a b");
        row("CleanTitle", "outer blanks kept", " x ", " x ");
        row("CleanTitle", "encoded quote vanishes", "&amp;quot;", "");
        row("CleanTitle", "lt gt removed", "&lt;b&gt;bold", "bbold");
        row("CleanTitle", "file name characters", "a:b*c?d|e<f>g\\h", "abcdefgh");
        row("CleanTitle", "non-ASCII", "Café – 日本", "Café – 日本");
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
        row("StripTags", "line break", "one<br />two", "one two");
        row("StripTags", "entities after stripping", "&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;", "<b>x</b> & \"q\"");
        row("StripTags", "double-encoded lt", "&amp;lt;", "<");
        row("StripTags", "unclosed tag", "a<b", "a ");

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
        QFETCH(QString, expected);
        QFETCH(int, error);
        QString got;
        int raised = 0;
        const QStringList parts = text.split(QLatin1Char('|'));
        try {
            if (helper == QLatin1String("GetBetween"))
                got = GetBetween(parts.at(0), parts.at(1), parts.at(2));
            else if (helper == QLatin1String("IsWatchAddress"))
                got = QString::number(int(WatchAddress::IsWatchAddress(text)));
            else if (helper == QLatin1String("EmbedAddress"))
                got = WatchAddress::EmbedAddress(text);
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
        QCOMPARE(got, expected);
        QCOMPARE(raised, error);
    }

    // Random texts made of the pieces that the cleaning steps react to, and of pieces that
    // combine into them only after an earlier step.
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

QTEST_GUILESS_MAIN(TestPageText)
#include "tst_pagetext.moc"
