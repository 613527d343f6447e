#include "search/SearchRequest.h"
#include "search/SearchResultsPage.h"
#include "search/clsArray.h"

#include <QTest>

using namespace SearchRequest;

namespace {

const QString root = QStringLiteral("http://site.test");

// One result as a result page writes it.
QString entry(const QString &thumb, const QString &title)
{
    return QStringLiteral("<img onmouseover=\"yt.www.search.preview(this.getAttribute('ql'), 0, '%1', '%2');\">\n")
        .arg(thumb, title);
}

QString page(const QString &results)
{
    return QStringLiteral("<html><body>\n<!-- start search results -->\n") + results +
           QStringLiteral("<!-- end search results -->\n</body></html>");
}

} // namespace

class tst_SearchLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleListKeepsFirstOfEqualKeys();
    void optionListsInOrder();
    void pageAddresses_data();
    void pageAddresses();
    void cut_data();
    void cut();
};

void tst_SearchLogic::titleListKeepsFirstOfEqualKeys()
{
    clsArray list;
    QCOMPARE(list.Count(), qint16(0));
    QCOMPARE(list.Itemget(QString()), QString());
    list.Add(QStringLiteral("First"), QStringLiteral("http://t/vi/a/default.jpg"));
    list.Add(QStringLiteral("Other"), QStringLiteral("http://t/vi/b/default.jpg"));
    list.Add(QStringLiteral("Second"), QStringLiteral("http://t/vi/a/default.jpg"));
    QCOMPARE(list.Count(), qint16(3));
    QCOMPARE(list.Itemget(QStringLiteral("http://t/vi/a/default.jpg")), QStringLiteral("First"));
    QCOMPARE(list.Itemget(QStringLiteral("http://t/vi/b/default.jpg")), QStringLiteral("Other"));
    QCOMPARE(list.Itemget(QStringLiteral("http://t/vi/A/default.jpg")), QString()); // case counts
    QCOMPARE(list.Itemget(QStringLiteral("http://t/vi/a/default.jp")), QString());
    list.Clear();
    QCOMPARE(list.Count(), qint16(0));
    QCOMPARE(list.Itemget(QStringLiteral("http://t/vi/a/default.jpg")), QString());
    list.Add(QStringLiteral("Again"), QStringLiteral("k"));
    QCOMPARE(list.Count(), qint16(1));
    QCOMPARE(list.Itemget(QStringLiteral("k")), QStringLiteral("Again"));
}

void tst_SearchLogic::optionListsInOrder()
{
    QCOMPARE(SortByItems(), QStringList({"Relevance", "Upload Date", "View Count", "Rating"}));
    QCOMPARE(UploadDateItems(), QStringList({"Anytime", "Today", "This Week", "This Month"}));
    QCOMPARE(DurationItems(), QStringList({"All", "Short (~4 Minutes)", "Long (20~ Minutes)"}));
    QCOMPARE(CategoryItems(), QStringList({"All", "Film & Animation", "Entertainment", "Gaming", "Sports"}));
    QCOMPARE(ResultsItems(),
             QStringList({"1 Page (~20)", "2 Pages (~40)", "3 Pages (~60)", "4 Pages (~80)", "5 Pages (~100)"}));
}

void tst_SearchLogic::pageAddresses_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<bool>("hd");
    QTest::addColumn<QList<int>>("lists"); // sort, upload date, duration, category, results
    QTest::addColumn<QStringList>("expected");

    const QString base = root + QStringLiteral("/results?search_query=");
    QTest::newRow("exact phrase, fragments after the quote")
        << "red dot" << true << false << QList<int>{1, 3, 2, 4, 0}
        << QStringList{base + "%22red%20dot%22&search_sort=video_date_uploaded&uploaded=m"
                              "&search_duration=long&search_category=17&page=1"};
    QTest::newRow("five pages") << "a" << false << false << QList<int>{3, 2, 1, 1, 4}
                                << QStringList{base + "a&search_sort=video_avg_rating&uploaded=w&search_duration=short"
                                                      "&search_category=1&page=1",
                                               base + "a&search_sort=video_avg_rating&uploaded=w&search_duration=short"
                                                      "&search_category=1&page=2",
                                               base + "a&search_sort=video_avg_rating&uploaded=w&search_duration=short"
                                                      "&search_category=1&page=3",
                                               base + "a&search_sort=video_avg_rating&uploaded=w&search_duration=short"
                                                      "&search_category=1&page=4",
                                               base + "a&search_sort=video_avg_rating&uploaded=w&search_duration=short"
                                                      "&search_category=1&page=5"};
    QTest::newRow("unknown indexes add nothing")
        << "x" << false << false << QList<int>{7, -1, 3, 5, 0} << QStringList{base + "x&page=1"};
    QTest::newRow("quotes and hash inside an exact phrase")
        << "say \"hi\" #1" << true << false << QList<int>{0, 0, 0, 0, 0}
        << QStringList{base + "%22say%20%22hi%22%20%231%22&page=1"};
    QTest::newRow("UTF-8 words") << QString::fromUtf8("café ü") << false << false << QList<int>{0, 0, 0, 0, 0}
                                 << QStringList{base + "caf%C3%A9%20%C3%BC&page=1"};
}

void tst_SearchLogic::pageAddresses()
{
    QFETCH(QString, words);
    QFETCH(bool, exact);
    QFETCH(bool, hd);
    QFETCH(QList<int>, lists);
    QFETCH(QStringList, expected);

    Options options;
    options.words = words;
    options.exactPhrase = exact;
    options.highDefinition = hd;
    options.sortBy = lists.at(0);
    options.uploadDate = lists.at(1);
    options.duration = lists.at(2);
    options.category = lists.at(3);
    options.results = lists.at(4);
    QCOMPARE(PageAddresses(root, options), expected);
}

void tst_SearchLogic::cut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("thumbs");
    QTest::addColumn<QStringList>("titles"); // "<none>" for an item without a title field

    QString many;
    QStringList manyThumbs, manyTitles;
    for (int i = 1; i <= 25; ++i) {
        many += entry(QStringLiteral("http://t/vi/v%1/default.jpg").arg(i), QStringLiteral("Video %1").arg(i));
        if (i <= 21) {
            manyThumbs << QStringLiteral("http://t/vi/v%1/default.jpg").arg(i);
            manyTitles << QStringLiteral("Video %1").arg(i);
        }
    }
    QTest::newRow("25 result starts give 21") << page(many) << manyThumbs << manyTitles;

    QTest::newRow("fields beyond the title are ignored, escapes kept")
        << page(QStringLiteral("this.getAttribute('ql'), 0, 'http://t/vi/a/default.jpg', 'Rock \\'n\\' Roll &amp; more', "
                               "'extra', 'more');"))
        << QStringList{"http://t/vi/a/default.jpg"} << QStringList{"Rock \\'n\\' Roll &amp; more"};

    QTest::newRow("a result start without end ends the page")
        << page(entry("http://t/vi/a/default.jpg", "A") +
                QStringLiteral("this.getAttribute('ql'), 0, 'http://t/vi/b/default.jpg', 'never ends\n") +
                entry("http://t/vi/c/default.jpg", "C").replace(QStringLiteral("');"), QString()))
        << QStringList{"http://t/vi/a/default.jpg"} << QStringList{"A"};

    QTest::newRow("an item without separator has no title")
        << page(QStringLiteral("this.getAttribute('ql'), 0, 'http://t/vi/a/default.jpg');") + entry("http://t/vi/b/default.jpg", "B"))
        << QStringList{"http://t/vi/a/default.jpg", "http://t/vi/b/default.jpg"} << QStringList{"<none>", "B"};

    QTest::newRow("results outside the section are not read")
        << entry("http://t/vi/out/default.jpg", "Out") + page(entry("http://t/vi/in/default.jpg", "In"))
        << QStringList{"http://t/vi/in/default.jpg"} << QStringList{"In"};

    QTest::newRow("no section") << entry("http://t/vi/a/default.jpg", "A") << QStringList{} << QStringList{};
    QTest::newRow("section without end")
        << QStringLiteral("<!-- start search results -->") + entry("http://t/vi/a/default.jpg", "A") << QStringList{}
        << QStringList{};
    QTest::newRow("empty page") << QString() << QStringList{} << QStringList{};
    QTest::newRow("empty section") << page(QStringLiteral("<p>No videos found.</p>")) << QStringList{} << QStringList{};
}

void tst_SearchLogic::cut()
{
    QFETCH(QString, text);
    QFETCH(QStringList, thumbs);
    QFETCH(QStringList, titles);

    const QList<SearchResultsPage::Item> items = SearchResultsPage::Cut(text);
    QStringList gotThumbs, gotTitles;
    for (const SearchResultsPage::Item &item : items) {
        gotThumbs << item.thumbnailAddress;
        gotTitles << (item.hasTitle ? item.title : QStringLiteral("<none>"));
    }
    QCOMPARE(gotThumbs, thumbs);
    QCOMPARE(gotTitles, titles);
}

QTEST_GUILESS_MAIN(tst_SearchLogic)
#include "tst_searchlogic.moc"
