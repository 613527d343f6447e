// The watch page's text helpers, decoding, format map, details and related videos, read from
// page text without any widget.

#include "analysis/FormatMap.h"
#include "analysis/PageText.h"
#include "analysis/RelatedVideos.h"
#include "analysis/VideoDetails.h"
#include "analysis/WatchAddress.h"
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

// "slot=link;slot=link" of the slots found.
QString foundLinks(const FormatMapResult &r)
{
    QStringList parts;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (r.found[slot])
            parts << QStringLiteral("%1=%2").arg(slot).arg(r.links[slot]);
    }
    return parts.join(QLatin1Char(';'));
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

    void getBetween_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both markers") << "a[bc]d" << "[" << "]" << "bc";
        QTest::newRow("first start, first end behind it") << "]x[ab]c[d]" << "[" << "]" << "ab";
        QTest::newRow("adjacent markers") << "a[]b" << "[" << "]" << "";
        QTest::newRow("end only before start") << "a]b[cd" << "[" << "]" << "";
        QTest::newRow("no end marker") << "a[bcd" << "[" << "]" << "";
        // Without the start marker the scan begins at the marker's length counted from 1.
        QTest::newRow("start missing") << "abcXYdef" << "QQQ" << "d" << "cXY";
        QTest::newRow("start missing, end too early") << "dbcdef" << "QQQ" << "d" << "c";
        QTest::newRow("multi-character markers") << "x VIDEO_ID': 'abc', y" << "VIDEO_ID': '" << "'" << "abc";
        QTest::newRow("case-sensitive") << "<SPAN>a</span>" << "<span>" << "</span>" << ">a";
        QTest::newRow("empty text") << "" << "[" << "]" << "";
    }
    void getBetween()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QCOMPARE(GetBetween(text, start, end), expected);
    }

    void cleanTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("escapes, entities, slash")
            << "Rock \\'n\\' Roll &amp; &quot;Blues&quot; / Live" << "Rock 'n' Roll & Blues Live";
        QTest::newRow("four blanks") << "    " << " ";
        QTest::newRow("five blanks") << "a     b" << "a b";
        QTest::newRow("outer blanks kept") << " x " << " x ";
        QTest::newRow("encoded quote vanishes") << "&amp;quot;" << "";
        QTest::newRow("lt gt removed") << "&lt;b&gt;bold" << "bbold";
        QTest::newRow("file name characters") << "a:b*c?d|e<f>g\\h" << "abcdefgh";
        QTest::newRow("cleans to nothing") << "???" << "";
        QTest::newRow("dots stay") << ".." << "..";
        QTest::newRow("non-ASCII") << "Café – 日本" << "Café – 日本";
        QTest::newRow("case-sensitive entities") << "&AMP;" << "&AMP;";
    }
    void cleanTitle()
    {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QCOMPARE(CleanTitle(title), expected);
    }

    void percentDecode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("two-byte UTF-8") << "caf%C3%A9" << "café" << 0;
        QTest::newRow("three-byte run") << "%e6%97%a5%E6%9C%AC" << "日本" << 0;
        QTest::newRow("runs split by text") << "%C3%A9t%C3%A9" << "été" << 0;
        QTest::newRow("plus is blank") << "a+b" << "a b" << 0;
        QTest::newRow("encoded plus stays") << "a%2Bb" << "a+b" << 0;
        QTest::newRow("encoded comma") << "18%7Ca%2C22" << "18|a,22" << 0;
        QTest::newRow("percent last") << "ab%" << "ab" << 0;
        QTest::newRow("percent next to last") << "ab%4" << "ab4" << 0;
        QTest::newRow("encoded percent not decoded twice") << "%25C3%25A9" << "%C3%A9" << 0;
        QTest::newRow("lone high byte") << "%FF" << QString(QChar::ReplacementCharacter) << 0;
        QTest::newRow("non-ASCII text copied") << "日%20本" << "日 本" << 0;
        QTest::newRow("bad digits") << "a%zzb" << "" << 13;
        QTest::newRow("half a digit") << "%4g" << "" << 13;
        QTest::newRow("blank as digit") << "%+1" << "" << 13;
    }
    void percentDecode()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(int, error);
        try {
            QCOMPARE(PercentDecode(text), expected);
            QCOMPARE(error, 0);
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), error);
        }
    }

    void stripTags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("link then text") << "<a href=\"/watch?v=x\">link</a> text" << " link  text";
        QTest::newRow("line break") << "one<br />two" << "one two";
        QTest::newRow("entities after stripping") << "&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;" << "<b>x</b> & \"q\"";
        QTest::newRow("double-encoded lt") << "&amp;lt;" << "<";
        QTest::newRow("unclosed tag") << "a<b" << "a ";
        QTest::newRow("no tags") << "plain" << "plain";
    }
    void stripTags()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(StripTags(text), expected);
    }

    void durationText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("59") << qint64(59) << "0:59";
        QTest::newRow("600") << qint64(600) << "10:00";
        QTest::newRow("3600") << qint64(3600) << "0:00";
        QTest::newRow("3725") << qint64(3725) << "2:05";
        QTest::newRow("negative") << qint64(-5) << "0:00";
        QTest::newRow("zero") << qint64(0) << "0:00";
    }
    void durationText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, expected);
        QCOMPARE(DurationText(seconds), expected);
    }

    void wholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("plain") << "212" << qint64(212) << 0;
        QTest::newRow("blanks") << " 7 " << qint64(7) << 0;
        QTest::newRow("half to even down") << "2.5" << qint64(2) << 0;
        QTest::newRow("half to even up") << "3.5" << qint64(4) << 0;
        QTest::newRow("negative") << "-4" << qint64(-4) << 0;
        QTest::newRow("letters") << "abc" << qint64(0) << 13;
        QTest::newRow("empty") << "" << qint64(0) << 13;
        QTest::newRow("too big for 16 bits") << "40000" << qint64(0) << 6;
    }
    void wholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QFETCH(int, error);
        try {
            QCOMPARE(WholeNumber(text, -32768, 32767), expected);
            QCOMPARE(error, 0);
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), error);
        }
    }

    void watchAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("recognised");
        QTest::addColumn<QString>("embed");
        const QString prefix = Root + QStringLiteral("/watch?v=");
        const QString embed = Root + QStringLiteral("/v/");
        QTest::newRow("prefix and id") << prefix + "abcdefghijk" << true << embed + "abcdefghijk";
        QTest::newRow("one short") << prefix + "abcdefghij" << false << embed + "abcdefghij";
        QTest::newRow("blanks do not count") << "   " + prefix + "abcdefghij  " << false
                                             << "   " + embed + "abcdefghij  ";
        QTest::newRow("capitals accepted, not rewritten")
            << prefix.toUpper() + "abcdefghijk" << true << prefix.toUpper() + "abcdefghijk";
        QTest::newRow("text before the prefix") << "see " + prefix + "abcdefghijk" << true
                                                << "see " + embed + "abcdefghijk";
        QTest::newRow("more query behind") << prefix + "abcdefghijk&feature=related" << true
                                           << embed + "abcdefghijk&feature=related";
        QTest::newRow("other host") << "http://elsewhere.test/watch?v=abcdefghijk" << false
                                    << "http://elsewhere.test/watch?v=abcdefghijk";
    }
    void watchAddress()
    {
        QFETCH(QString, text);
        QFETCH(bool, recognised);
        QFETCH(QString, embed);
        QCOMPARE(WatchAddress::IsWatchAddress(text), recognised);
        QCOMPARE(WatchAddress::EmbedAddress(text), embed);
    }

    void grabYoutubeVideoCode()
    {
        SeamRecorder seam;
        QCOMPARE(GrabYoutubeVideoCode(QStringLiteral("http://img.demotube.test/vi/abcdefghijk/default.jpg")),
                 QStringLiteral("abcdefghijk"));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(GrabYoutubeVideoCode(QStringLiteral("no slashes here")), QString());
        QCOMPARE(seam.messages().size(), 1);
        QVERIFY(seam.messages().first().startsWith(QStringLiteral("Error 9 (Subscript out of range) on line ")));
        QVERIFY(seam.messages().first().endsWith(
            QStringLiteral(" in procedure GrabYoutubeVideoCode of Module modFunctions")));
    }

    void formatMap_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("found");
        QTest::addColumn<int>("best");
        QTest::addColumn<int>("error");
        QTest::newRow("18 and 22") << mapPage("18%7CA%2C22%7CB") << "3=A;4=B" << 4 << 0;
        QTest::newRow("other order") << mapPage("5%7Ca%2C22%7Cb%2C34%7Cc%2C18%7Cd") << "0=a;1=c;3=d;4=b" << 4 << 0;
        QTest::newRow("all six") << mapPage("37|f,22|e,18|d,35|c,34|b,5|a") << "0=a;1=b;2=c;3=d;4=e;5=f" << 5 << 0;
        QTest::newRow("only unknown") << mapPage("43|x,45|y") << "" << -1 << 0;
        QTest::newRow("no map") << QStringLiteral("<html>nothing</html>") << "" << -1 << 0;
        QTest::newRow("empty map") << mapPage("") << "" << -1 << 0;
        QTest::newRow("no end marker") << QStringLiteral("\"fmt_url_map\": \"18|A\"}") << "" << -1 << 0;
        QTest::newRow("bar inside link") << mapPage("18|A|B") << "3=A|B" << 3 << 0;
        QTest::newRow("plus and encoded plus") << mapPage("18|a+b%2Bc") << "3=a b+c" << 3 << 0;
        QTest::newRow("later duplicate wins") << mapPage("18|one,22|x,18|two") << "3=two;4=x" << 4 << 0;
        QTest::newRow("UTF-8 in a link") << mapPage("18%7Chttp%3A%2F%2Fh%2Fm%3Ft%3Dcaf%25C3%25A9")
                                         << "3=http://h/m?t=caf%C3%A9" << 3 << 0;
        QTest::newRow("code with blanks") << mapPage("%2018%20|A") << "3=A" << 3 << 0;
        QTest::newRow("entry without bar") << mapPage("18|A,nobar,22|B") << "3=A" << 3 << 5;
        QTest::newRow("code no number") << mapPage("18|A,abc|B,22|C") << "3=A" << 3 << 13;
        QTest::newRow("empty code") << mapPage("|A") << "" << -1 << 13;
        QTest::newRow("code overflows") << mapPage("22|B,99999|x") << "4=B" << 4 << 6;
        QTest::newRow("bad percent") << mapPage("18%7CA%2C%zz") << "" << -1 << 13;
        QTest::newRow("trailing comma") << mapPage("18|A,") << "3=A" << 3 << 5;
    }
    void formatMap()
    {
        QFETCH(QString, page);
        QFETCH(QString, found);
        QFETCH(int, best);
        QFETCH(int, error);
        const FormatMapResult r = FormatMap::Parse(page);
        QCOMPARE(foundLinks(r), found);
        QCOMPARE(r.bestSlot(), best);
        QCOMPARE(r.error ? r.error->number() : 0, error);
    }

    void allInfo()
    {
        const QString page = QStringLiteral(
            "'VIDEO_ID': 'abcdefghijk',\n 'VIDEO_TITLE': 'Tom &amp; Jerry && Co: \\'Chase\\'',\n"
            "<a data-discoverbox-username=\"someone\" >someone</a>"
            "<span class=\"watch-video-added post-date\">March 3, 2010</span>"
            "<div class=\"watch-video-desc description\"><span >Line<br />two</span></div>"
            "\"args\": {\"video_id\": \"x\", \"length_seconds\": \"3725\", \"rv.3.rating\": \"4.8571\", \"x\": \"1\"}"
            "<div class=\"RatingMessage\"><span class=\"smallText\">1,234 ratings</span></div>"
            "<span class=\"watch-view-count\">12%2C345</span>");
        VideoDetails d;
        SeamRecorder seam;
        QVERIFY(GetAllInfo(page, d));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(d.VideoTitle, QStringLiteral("Tom & Jerry & Co 'Chase'"));
        QCOMPARE(d.VideoAuthor, QStringLiteral("someone"));
        QCOMPARE(d.VideoID, QStringLiteral("abcdefghijk"));
        QCOMPARE(d.VideoPublished, QStringLiteral("March 3, 2010"));
        QCOMPARE(d.VideoDescription, QStringLiteral("Line<br />two"));
        QCOMPARE(d.ThumbnailURL, QStringLiteral("http://img.demotube.test/vi/abcdefghijk/default.jpg"));
        QCOMPARE(d.VideoDuration, QStringLiteral("2:05"));
        QCOMPARE(d.VideoRating, QStringLiteral("4.85"));
        QCOMPARE(d.VideoVotes, QStringLiteral("1,234"));
        QCOMPARE(d.VideoViews, QStringLiteral("12,345"));
        QCOMPARE(d.ratingText(), QStringLiteral("4.85 / 5   (1,234 votes)"));
    }

    void allInfoMissingMarkers()
    {
        // A description block without its "<span >" is read from its seventh character on.
        VideoDetails d;
        d.VideoAuthor = QStringLiteral("old");
        ReadAllInfo(QStringLiteral("watch-video-desc description\">123456789</span> \"length_seconds\": \"5\","), d);
        QCOMPARE(d.VideoDescription, QStringLiteral("789"));
        QCOMPARE(d.VideoAuthor, QString());
        QCOMPARE(d.VideoDuration, QStringLiteral("0:05"));
    }

    void allInfoBadDuration()
    {
        VideoDetails d;
        d.VideoTitle = d.VideoDuration = d.VideoRating = d.VideoVotes = d.VideoViews = QStringLiteral("old");
        const QString page = QStringLiteral(
            "'VIDEO_TITLE': 'New',  \"length_seconds\": \"abc\", \"rv.3.rating\": \"4.5\", "
            "RatingMessage\"><span class=\"smallText\">9 ratings watch-view-count\">99</span>");
        SeamRecorder seam;
        QVERIFY(!GetAllInfo(page, d));
        QCOMPARE(d.VideoTitle, QStringLiteral("New"));
        QCOMPARE(d.ThumbnailURL, QStringLiteral("http://img.demotube.test/vi//default.jpg"));
        for (const QString *kept : {&d.VideoDuration, &d.VideoRating, &d.VideoVotes, &d.VideoViews})
            QCOMPARE(*kept, QStringLiteral("old"));
        QCOMPARE(seam.messages().size(), 1);
        QVERIFY(seam.messages().first().startsWith(QStringLiteral("Error 13 (Type mismatch) on line ")));
        QVERIFY(seam.messages().first().endsWith(QStringLiteral(" in procedure GetAllInfo of Module modFunctions")));
    }

    void related_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("expected"); // "index|tag|thumbnail|title" per item
        QTest::addColumn<int>("error");
        QString four, nine;
        QStringList firstSix;
        for (int k = 0; k < 9; ++k) {
            const QString item = relatedItem(QStringLiteral("t%1").arg(k), QStringLiteral("V%1").arg(k),
                                             QStringLiteral("/watch?v=id%1").arg(k));
            nine += item;
            if (k < 4)
                four += item;
            if (k < 6)
                firstSix << QStringLiteral("%1|%2/watch?v=id%1|t%1|V%1").arg(k).arg(Root);
        }
        QTest::newRow("nine items, six used") << relatedPage(nine) << firstSix << 0;
        QTest::newRow("four items") << relatedPage(four) << firstSix.mid(0, 4) << 0;
        QTest::newRow("cleaned title") << relatedPage(relatedItem("t", "A \\'b\\' &amp; c/d", "/watch?v=q"))
                                       << QStringList{QStringLiteral("0|%1/watch?v=q|t|A 'b' & cd").arg(Root)} << 0;
        // The last two items carry no link: their passes set nothing.
        QTest::newRow("links missing at the end")
            << relatedPage(relatedItem("t0", "A", "/watch?v=0") + relatedItem("t1", "B", QString()) +
                           relatedItem("t2", "C", QString()))
            << QStringList{QStringLiteral("0|%1/watch?v=0|t0|A").arg(Root)} << 0;
        // A missing link in the middle: the pass takes the next item's link, so the next pass
        // starts behind that item and the item itself is never shown.
        QTest::newRow("link missing in the middle")
            << relatedPage(relatedItem("t0", "A", QString()) + relatedItem("t1", "B", "/watch?v=1") +
                           relatedItem("t2", "C", "/watch?v=2"))
            << QStringList{QStringLiteral("0|%1/watch?v=1|t0|A").arg(Root), QStringLiteral("1|%1/watch?v=2|t2|C").arg(Root)}
            << 0;
        QTest::newRow("no section") << QStringLiteral("<div>nothing related</div>") << QStringList() << 0;
        QTest::newRow("unterminated item")
            << relatedPage(relatedItem("t0", "A", "/watch?v=0") + "this.getAttribute('ql'), 'x', 'y")
            << QStringList{QStringLiteral("0|%1/watch?v=0|t0|A").arg(Root)} << 0;
        QTest::newRow("item without title")
            << relatedPage(relatedItem("t0", "A", "/watch?v=0") +
                           "this.getAttribute('ql'), 'only')\"<a href=\"/watch?v=1\" title=\"x\">" +
                           relatedItem("t2", "C", "/watch?v=2"))
            << QStringList{QStringLiteral("0|%1/watch?v=0|t0|A").arg(Root), QStringLiteral("1|%1/watch?v=1|only|-").arg(Root)}
            << 9;
    }
    void related()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, expected);
        QFETCH(int, error);
        const RelatedResult r = ReadRelated(page);
        QStringList got;
        for (const RelatedItem &item : r.items)
            got << QStringLiteral("%1|%2|%3|%4").arg(item.index).arg(item.tag, item.thumbnail.value_or("-"),
                                                                    item.title.value_or("-"));
        QCOMPARE(got, expected);
        QCOMPARE(r.error ? r.error->number() : 0, error);
    }
};

QTEST_GUILESS_MAIN(TestPageText)
#include "tst_pagetext.moc"
