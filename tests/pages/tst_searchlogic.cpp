#include "pages/SearchRequest.h"
#include "pages/SearchResultsPage.h"

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
    void pageAddresses_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QList<int>>("lists"); // sort, upload date, duration, category, results
        QTest::addColumn<QString>("expected");

        QTest::newRow("exact phrase, fragments after the quote")
            << "red dot" << true << QList<int>{1, 3, 2, 4, 0}
            << "%22red%20dot%22&search_sort=video_date_uploaded&uploaded=m&search_duration=long&search_category=17&page=1";
        QTest::newRow("unknown indexes add nothing") << "x" << false << QList<int>{7, -1, 3, 5, -2} << "x&page=1";
    }

    void pageAddresses()
    {
        QFETCH(QString, words);
        QFETCH(bool, exact);
        QFETCH(QList<int>, lists);
        QFETCH(QString, expected);
        const Options options{.words = words, .exactPhrase = exact, .sortBy = lists.at(0), .uploadDate = lists.at(1),
                              .duration = lists.at(2), .category = lists.at(3), .results = lists.at(4)};
        QCOMPARE(PageAddresses(root, options), QStringList{root + QStringLiteral("/results?search_query=") + expected});
    }

    void cut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("thumbs");
        QTest::addColumn<QStringList>("titles"); // "<none>" for an item without a title field

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

        QTest::newRow("an empty result does not swallow the next")
            << page(QStringLiteral("this.getAttribute('ql'), 0, ');\n") + entry("http://t/vi/b/default.jpg", "B"))
            << QStringList{"http://t/vi/b/default.jpg"} << QStringList{"B"};

        QTest::newRow("unusable thumbnail addresses are skipped")
            << page(entry("vi/rel/default.jpg", "Relative") + entry("/vi/abs/default.jpg", "Rooted") +
                    entry("http://t/default.jpg", "No id") + entry("http://[bad/vi/x/default.jpg", "Malformed") +
                    entry("file:///vi/f/default.jpg", "File") + entry("", "Empty") +
                    entry("https://t/vi/ok/default.jpg", "OK"))
            << QStringList{"https://t/vi/ok/default.jpg"} << QStringList{"OK"};

        QTest::newRow("section without end")
            << QStringLiteral("<!-- start search results -->") + entry("http://t/vi/a/default.jpg", "A") << QStringList{}
            << QStringList{};
    }

    void cut()
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
};

QTEST_GUILESS_MAIN(tst_SearchLogic)
#include "tst_searchlogic.moc"
