// The search tab driven for real: result pages and thumbnails come over HTTP from the demo site,
// boxes and dialogs are answered by the seam recorder. First the reading of a result page alone.

#include "base/AppState.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "pages/SearchRequest.h"
#include "pages/SearchResultsPage.h"
#include "search/SearchPanel.h"
#include "support/DemoSite.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"
#include "videoinfo/PageText.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

const QString waitingCaption =
    QStringLiteral("Clipvault - Retrieving search results from YouTube. Please wait...");
const QString noResultsText = QStringLiteral("No results were found for this search. \r\n\r\n"
                                             "Please change your search criteria and try again. ");

struct Result
{
    QString id, title; // the title as the page writes it
};

// One result as a result page writes it, and a page of such results.
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

class tst_SearchPanel : public QObject
{
    Q_OBJECT

    DemoSite m_site;
    QTemporaryDir m_extra;
    QTemporaryDir m_appFolder;
    QStringList m_ids; // every video of the site
    std::unique_ptr<SeamRecorder> m_seam;
    std::unique_ptr<SearchPanel> m_panel;

    void search(const QString &words)
    {
        m_panel->txtSearch->setText(words);
        QVERIFY(m_panel->cmdSearch->isEnabled());
        QTest::mouseClick(m_panel->cmdSearch, Qt::LeftButton);
    }
    void searchAndWait(const QString &words, int timeoutMs = 10000)
    {
        search(words);
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel->isSearching(), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_panel->DownloaderImages->RunningCount(), 0, timeoutMs);
    }
    QStringList resultRequests() const
    {
        QStringList pages = m_site.requestLog().filter(QRegularExpression(QStringLiteral("^/results")));
        pages.sort();
        return pages;
    }
    QString thumbnailPath(const QString &id) const { return QStringLiteral("/vi/") + id + QStringLiteral("/default.jpg"); }
    QString rowTag(int row) const { return SearchPanel::rowTag(row, m_panel->lvwSearch); }
    QString rowTitle(int row) const
    {
        const QTreeWidgetItem *item = m_panel->lvwSearch->topLevelItem(row - 1);
        return item ? item->text(SearchPanel::ColumnTitle) : QStringLiteral("<no row>");
    }
    void writePage(int number, const QList<Result> &results)
    {
        QString entries;
        for (const Result &r : results)
            entries += entry(m_site.thumbnailUrl(r.id), r.title);
        QVERIFY(QDir(m_extra.path()).mkpath(QStringLiteral("results")));
        QFile file(m_extra.path() + QStringLiteral("/results/page-%1.html").arg(number));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(page(entries).toUtf8()) > 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_extra.isValid());
        QVERIFY(m_site.start({QStringLiteral("--extra"), m_extra.path()}));
        AppState::setAppPath(m_appFolder.path() + QLatin1Char('/'));

        const QString index = QString::fromUtf8(m_site.get(QStringLiteral("/")));
        const QRegularExpression watch(QStringLiteral("watch\\?v=([A-Za-z0-9_-]{11})"));
        for (auto it = watch.globalMatch(index); it.hasNext();)
            m_ids.append(it.next().captured(1));
        m_ids.removeDuplicates();
        QVERIFY2(m_ids.size() >= 25, qPrintable(QString::number(m_ids.size())));
    }

    void init()
    {
        m_site.clear();
        m_seam = std::make_unique<SeamRecorder>();
        m_panel = std::make_unique<SearchPanel>();
        m_panel->resize(820, 620);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }

    void cleanup()
    {
        m_panel.reset();
        m_seam.reset();
        for (const char *folder : {"/results", "/vi"})
            QDir(m_extra.path() + QLatin1String(folder)).removeRecursively();
    }

    // A result page alone: each result's thumbnail address and title as written, from the result
    // section only; results the page spoils are left out without taking the next one along.
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

        QStringList gotThumbs, gotTitles;
        for (const SearchResultsPage::Item &item : SearchResultsPage::Cut(text)) {
            gotThumbs << item.thumbnailAddress;
            gotTitles << (item.hasTitle ? item.title : QStringLiteral("<none>"));
        }
        QCOMPARE(gotThumbs, thumbs);
        QCOMPARE(gotTitles, titles);
    }

    // Choices the lists do not hold add nothing; fewer than one page asks one page.
    void unknownChoicesAddNothing()
    {
        const SearchRequest::Options options{.words = "x", .sortBy = 7, .uploadDate = -1, .duration = 3, .category = 5, .results = -2};
        QCOMPARE(SearchRequest::PageAddresses(QStringLiteral("http://site.test"), options),
                 QStringList{QStringLiteral("http://site.test/results?search_query=x&page=1")});
    }

    // Enter searches as the button does: the words are escaped and trimmed, and every choice of
    // the lists and switches adds its part to the address the page is asked at.
    void requestAddress_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QList<int>>("choices"); // sort, upload date, duration, category; exact phrase, HD
        QTest::addColumn<QString>("query");
        QTest::newRow("ampersand, first entries, HD")
            << "rock & roll" << QList<int>{1, 1, 1, 1, 0, 1}
            << "rock%20%26%20roll&search_sort=video_date_uploaded&uploaded=d&search_duration=short&search_category=1"
               "&high_definition=1";
        QTest::newRow("percent, second entries")
            << "50% off" << QList<int>{2, 2, 2, 2, 0, 0}
            << "50%25%20off&search_sort=video_view_count&uploaded=w&search_duration=long&search_category=24";
        QTest::newRow("injected page, third entries") << "&page=9" << QList<int>{3, 3, 0, 3, 0, 0}
                                                      << "%26page%3D9&search_sort=video_avg_rating&uploaded=m&search_category=20";
        QTest::newRow("hash and plus, Sports") << "c# + c++" << QList<int>{0, 0, 0, 4, 0, 0}
                                               << "c%23%20%2B%20c%2B%2B&search_category=17";
        QTest::newRow("exact phrase, trimmed, fragments after the quote")
            << "  red \"dot\" " << QList<int>{1, 3, 2, 4, 1, 0}
            << "%22red%20%22dot%22%22&search_sort=video_date_uploaded&uploaded=m&search_duration=long&search_category=17";
        QTest::newRow("UTF-8") << QString::fromUtf8("naïve café") << QList<int>{0, 0, 0, 0, 0, 0} << "na%C3%AFve%20caf%C3%A9";
    }
    void requestAddress()
    {
        QFETCH(QString, words);
        QFETCH(QList<int>, choices);
        QFETCH(QString, query);
        m_panel->txtSearch->setText(QStringLiteral("   ")); // blanks only: nothing to search for
        QTest::keyClick(m_panel->txtSearch, Qt::Key_Return);
        QVERIFY(!m_panel->cmdSearch->isEnabled() && !m_panel->isSearching());
        for (QComboBox *list : {m_panel->cboSortBy, m_panel->cboUploadDate, m_panel->cboDuration, m_panel->cboCategory})
            list->setCurrentIndex(choices.takeFirst());
        m_panel->chkExactPhrase->setChecked(choices.at(0));
        m_panel->chkHD->setChecked(choices.at(1));
        m_seam->queueAnswer(UiSeam::Ok);
        m_panel->txtSearch->setText(words);
        QTest::keyClick(m_panel->txtSearch, Qt::Key_Enter);
        QCOMPARE(m_panel->txtSearch->text(), words.trimmed());
        QTRY_VERIFY(!m_panel->isSearching());
        QCOMPARE(resultRequests(), QStringList{QStringLiteral("/results?search_query=") + query + "&page=1"});
    }

    // Every page is under way before the first can be handled; only the list stops drawing until
    // the last one, whichever that is (page 1 is held back by the site).
    void fivePagesAtOnce()
    {
        m_site.rule(QStringLiteral("/results?search_query=all&page=1"), 1500);
        QStringList seen; // as each page is handled: the page, the pages received, the caption, whether the list draws
        connect(m_panel->DownloaderSearch, &Downloader::Complete, this, [&](const QString &url) {
            seen << QStringLiteral("%1 %2 %3 %4").arg(url.section(QStringLiteral("page="), 1)).arg(m_panel->SearchPagesReceived)
                        .arg(m_panel->windowTitle()).arg(m_panel->lvwSearch->updatesEnabled());
        });
        m_panel->cboResults->setCurrentIndex(4);
        search(QStringLiteral("all"));
        QCOMPARE(m_panel->DownloaderSearch->RunningCount(), 5);
        QCOMPARE(m_panel->windowTitle(), waitingCaption);
        QVERIFY(!m_panel->lvwSearch->updatesEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(!m_panel->isSearching(), 20000);
        QCOMPARE(seen.size(), 5);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(seen.at(i).section(QLatin1Char(' '), 1), QStringLiteral("%1 %2 0").arg(i + 1).arg(waitingCaption));
        QCOMPARE(seen.last(), QStringLiteral("1 5 Clipvault 1"));
        QCOMPARE(m_panel->SearchResultCount, 100);
        QStringList expected;
        for (int page = 1; page <= 5; ++page)
            expected << QStringLiteral("/results?search_query=all&page=%1").arg(page);
        QCOMPARE(resultRequests(), expected);

        QTRY_COMPARE(m_panel->DownloaderImages->RunningCount(), 0);
        QVERIFY(m_seam->messages().isEmpty());
        // The site lists its videos over and over: each video has a row, each row its own video.
        const int rows = m_panel->lvwSearch->topLevelItemCount();
        QSet<QString> listed; // the videos of the first page
        for (const SearchResultsPage::Item &item : SearchResultsPage::Cut(QString::fromUtf8(m_site.get(expected.first()))))
            listed.insert(item.thumbnailAddress);
        QVERIFY2(rows >= listed.size() && rows <= 100, qPrintable(QString::number(rows)));
        QCOMPARE(m_panel->imgSearch.size(), rows);
        for (int row = 1; row <= rows; ++row) {
            const QString id = rowTag(row).section(QStringLiteral("/watch?v="), 1);
            QVERIFY(rowTag(row).startsWith(m_site.root() + QStringLiteral("/watch?v=")));
            QVERIFY2(m_ids.contains(id), qPrintable(rowTag(row)));
            QCOMPARE(rowTitle(row), m_panel->SearchResults.Itemget(m_site.thumbnailUrl(id)));
        }
    }

    void sitePages_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("results");
        QTest::newRow("page 2 answers 500") << "failpage" << 3 << 40;
        QTest::newRow("empty result section, three pages") << "noresults" << 3 << 0;
        QTest::newRow("no result section, two pages") << "nosection" << 2 << 0;
    }

    void sitePages()
    {
        QFETCH(QString, words);
        QFETCH(int, pages);
        QFETCH(int, results);
        m_panel->cboResults->setCurrentIndex(pages - 1);
        searchAndWait(words);
        QCOMPARE(m_panel->SearchPagesReceived, pages);
        QCOMPARE(m_panel->SearchResultCount, results);
        QCOMPARE(m_panel->windowTitle(), QStringLiteral("Clipvault"));
        QVERIFY(m_panel->lvwSearch->updatesEnabled());
        // No results at all: one message, whatever the number of pages.
        QCOMPARE(m_seam->messages(), results ? QStringList() : QStringList{noResultsText});
        if (!results)
            QCOMPARE(m_seam->callsOf(UiSeam::Kind::MessageBox).first().style, 48);
        QVERIFY(m_panel->lvwSearch->topLevelItemCount() <= results);
        for (int row = 1; row <= m_panel->lvwSearch->topLevelItemCount(); ++row)
            QVERIFY(!rowTag(row).endsWith(QStringLiteral("?v=")));
    }

    // Pictures held back for different times arrive out of order, each row with its own title and
    // picture; the first result listed again keeps its first title, and a title is cut to its limit
    // once its blanks have collapsed. A picture that cannot be shown gets the placeholder, a large
    // one is kept at thumbnail size.
    void thumbnails()
    {
        const QString padded = QStringLiteral("Padded ") + QString(modFunctions::MaxTitleLength, 'x');
        const QList<Result> results = {{m_ids.at(4), QStringLiteral("Cats \\'n dogs &amp; more")},
                                 {m_ids.at(5), QStringLiteral("Two: &quot;quoted&quot;")},
                                 {m_ids.at(6), QString(5000, QLatin1Char(' ')) + padded},
                                 {m_ids.at(4), QStringLiteral("Second listing")},
                                 {m_ids.at(7), QStringLiteral("Answers 404")},
                                 {m_ids.at(8), QStringLiteral("No picture")},
                                 {m_ids.at(9), QStringLiteral("2400 x 1800")},
                                 {m_ids.at(10), QStringLiteral("3000 x 3000")}};
        writePage(1, results);
        m_site.rule(thumbnailPath(m_ids.at(4)), 1500);
        m_site.rule(thumbnailPath(m_ids.at(5)), 3000);
        m_site.rule(thumbnailPath(m_ids.at(7)), 0, 404);
        for (const int k : {8, 9, 10})
            QVERIFY(QDir(m_extra.path()).mkpath(QStringLiteral("vi/") + m_ids.at(k)));
        QFile noPicture(m_extra.path() + thumbnailPath(m_ids.at(8)));
        QVERIFY(noPicture.open(QIODevice::WriteOnly) && noPicture.write("<html>not a picture</html>") > 0 && noPicture.flush());
        for (const int k : {9, 10}) {
            QImage image(k == 9 ? QSize(2400, 1800) : QSize(3000, 3000), QImage::Format_RGB32);
            image.fill(qRgb(30, 140, 200));
            QVERIFY(image.save(m_extra.path() + thumbnailPath(m_ids.at(k)), "PNG"));
        }
        searchAndWait(QStringLiteral("pictures"));
        QCOMPARE(m_seam->messages(), QStringList());
        QCOMPARE(m_panel->SearchResultCount, 8);
        QTRY_COMPARE(m_panel->lvwSearch->topLevelItemCount(), 7);

        // By the result's place among m_ids 4 to 10: its row's title.
        const QStringList titles = {QStringLiteral("Cats 'n dogs & more"), QStringLiteral("Two quoted"),
                                    (QLatin1Char(' ') + padded).left(modFunctions::MaxTitleLength), QStringLiteral("Answers 404"),
                                    QStringLiteral("No picture"), QStringLiteral("2400 x 1800"), QStringLiteral("3000 x 3000")};
        for (int row = 1; row <= 7; ++row) {
            const QString id = rowTag(row).section(QStringLiteral("/watch?v="), 1);
            const int k = int(m_ids.indexOf(id)) - 4;
            QCOMPARE(rowTag(row), m_site.watchUrl(id));
            QCOMPARE(rowTitle(row), titles.value(k, QStringLiteral("<not listed>")));
            const QImage picture = m_panel->imgSearch.at(row - 1);
            if (k == 5) { // kept at thumbnail size
                QCOMPARE(picture.size(), QSize(120, 90));
                QCOMPARE(picture.pixel(60, 45), qRgb(30, 140, 200));
            } else { // the site's picture, or the placeholder
                QCOMPARE(picture, PictureFromBytes(k <= 2 ? m_site.get(thumbnailPath(id)) : QByteArray()));
            }
            // The row draws the list's own picture: one copy per row.
            const QTreeWidgetItem *item = m_panel->lvwSearch->topLevelItem(row - 1);
            QCOMPARE(item->data(SearchPanel::ColumnImage, Qt::DecorationRole).value<QImage>().constBits(), picture.constBits());
        }
        // The pictures held back arrive last, in the order of their delays.
        QCOMPARE(QStringList({rowTag(6), rowTag(7)}), QStringList({m_site.watchUrl(m_ids.at(4)), m_site.watchUrl(m_ids.at(5))}));
    }

    // A new search cancels the earlier one's pages and pictures; those that still arrive, past
    // their cancelling, are handed over as the transfer layer would and change nothing.
    void newSearchIgnoresEarlierAnswers()
    {
        // The first search's page 1 is handled and its pictures are on their way; page 2 is not.
        writePage(1, {{m_ids.at(9), QStringLiteral("Old one")}, {m_ids.at(10), QStringLiteral("Old two")}});
        m_site.rule(thumbnailPath(m_ids.at(9)), 1000);
        m_site.rule(thumbnailPath(m_ids.at(10)), 1000);
        const QString oldPage = QStringLiteral("/results?search_query=old&page=2");
        m_site.rule(oldPage, 1000);
        m_panel->cboResults->setCurrentIndex(1);
        search(QStringLiteral("old"));
        QTRY_COMPARE(m_panel->DownloaderImages->RunningCount(), 2);
        QCOMPARE(m_panel->DownloaderSearch->RunningCount(), 1);

        // The new search's own picture arrives well after the old ones would have.
        writePage(1, {{m_ids.at(11), QStringLiteral("New one")}});
        m_site.rule(thumbnailPath(m_ids.at(11)), 2500);
        m_panel->cboResults->setCurrentIndex(0);
        search(QStringLiteral("new"));
        QCOMPARE(m_panel->DownloaderSearch->RunningCount(), 1);
        QCOMPARE(m_panel->DownloaderImages->RunningCount(), 0);
        QCOMPARE(m_panel->windowTitle(), waitingCaption);
        QTRY_COMPARE(m_panel->lvwSearch->topLevelItemCount(), 1);
        QCOMPARE(rowTag(1), m_site.watchUrl(m_ids.at(11)));

        m_site.clear();
        const QString late = m_site.thumbnailUrl(m_ids.at(9)), latePage = m_site.root() + oldPage;
        TransferResult arrivedWhole; // as the transfer layer hands over an answer that arrived whole
        arrivedWhole.ok = true;
        arrivedWhole.httpStatus = 200;
        Q_EMIT m_panel->DownloaderImages->Complete(late, m_site.get(thumbnailPath(m_ids.at(9))), late, arrivedWhole);
        Q_EMIT m_panel->DownloaderSearch->Complete(latePage, m_site.get(oldPage), latePage, arrivedWhole);
        QCOMPARE(m_panel->SearchPagesReceived, 1);
        QCOMPARE(m_panel->SearchResultCount, 1);
        QCOMPARE(m_panel->DownloaderImages->RunningCount(), 0);
        QCOMPARE(m_panel->lvwSearch->topLevelItemCount(), 1);
        QCOMPARE(m_panel->imgSearch.size(), 1);
    }

    void doubleClickAndMenuCommands()
    {
        writePage(1, {{m_ids.at(12), QStringLiteral("Twelve")}, {m_ids.at(13), QStringLiteral("Thirteen")}});
        searchAndWait(QStringLiteral("click"));
        QTRY_COMPARE(m_panel->lvwSearch->topLevelItemCount(), 2);
        QSignalSpy loads(m_panel.get(), &SearchPanel::loadVideo);
        QWidget *viewport = m_panel->lvwSearch->viewport();
        const QPoint first = m_panel->lvwSearch->visualItemRect(m_panel->lvwSearch->topLevelItem(0)).center();
        const QPoint second = m_panel->lvwSearch->visualItemRect(m_panel->lvwSearch->topLevelItem(1)).center();
        const QPoint empty(20, viewport->height() - 5);
        QVERIFY(!m_panel->lvwSearch->itemAt(empty));

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, second);
        QCOMPARE(m_panel->SelectedSearchItem, 2);
        QCOMPARE(loads.size(), 1);
        QCOMPARE(loads.first().first().toString(), rowTag(2));

        // Below the last row the press hits nothing: no video, no menu.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, empty);
        QCOMPARE(m_panel->SelectedSearchItem, 0);
        QCOMPARE(loads.size(), 1);
        QTest::mouseClick(viewport, Qt::RightButton, {}, empty);
        QVERIFY(!frmMenu::instance() || !frmMenu::instance()->mnuPopupSearch->isVisible());

        // A right press shows the menu and selects the row, but does not choose it for a double-click.
        QTest::mouseClick(viewport, Qt::RightButton, {}, first);
        frmMenu *menu = frmMenu::instance();
        QVERIFY(menu);
        QTRY_VERIFY(menu->mnuPopupSearch->isVisible());
        QVERIFY(m_panel->lvwSearch->topLevelItem(0)->isSelected());
        QCOMPARE(m_panel->SelectedSearchItem, 0);
        menu->mnuPopupSearch->close();

        menu->mnuCopyUrl->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), rowTag(1));
        QCOMPARE(m_seam->callsOf(UiSeam::Kind::Clipboard).size(), 1);

        QTemporaryDir pictures;
        const QString target = pictures.filePath(QStringLiteral("thumb.jpg"));
        m_seam->queueAnswer(target);
        menu->mnuSaveImage->trigger();
        QCOMPARE(m_seam->callsOf(UiSeam::Kind::SaveFile).size(), 1);
        QCOMPARE(QImageReader(target).format(), QByteArray("jpeg"));
        QCOMPARE(QImage(target).size(), m_panel->imgSearch.at(0).size());
        QVERIFY(m_seam->messages().isEmpty());

        // Both commands follow the selection the list shows, not the last left press.
        m_panel->lvwSearch->setCurrentItem(m_panel->lvwSearch->topLevelItem(1));
        menu->mnuCopyUrl->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), rowTag(2));

        // Visiting the tab again empties the box and gives it the focus; the list keeps its rows.
        m_panel->enterTab();
        QVERIFY(m_panel->txtSearch->text().isEmpty() && !m_panel->cmdSearch->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), m_panel->txtSearch);
        QCOMPARE(m_panel->lvwSearch->topLevelItemCount(), 2);
    }

    // A page of 25 results lists the first 21. One picture arrives at once, the others while the
    // save dialog of the first is open; the first is saved.
    void saveWhileThumbnailsArrive()
    {
        QList<Result> results{{m_ids.at(0), QStringLiteral("Result 0")}};
        for (int i = 1; i < 25; ++i) {
            results.append({m_ids.at(i), QStringLiteral("Result %1").arg(i)});
            m_site.rule(thumbnailPath(m_ids.at(i)), 1500);
        }
        writePage(1, results);
        search(QStringLiteral("growing"));
        QTRY_COMPARE(m_panel->lvwSearch->topLevelItemCount(), 1);
        QCOMPARE(m_panel->SearchResultCount, 21);
        const QImage first = m_panel->imgSearch.at(0);
        m_panel->lvwSearch->setCurrentItem(m_panel->lvwSearch->topLevelItem(0));

        QTemporaryDir pictures;
        const QString target = pictures.filePath(QStringLiteral("first.jpg"));
        m_seam->whileOpen = [&](const UiSeam::Call &call) {
            if (call.kind == UiSeam::Kind::SaveFile)
                QVERIFY(QTest::qWaitFor([&] { return m_panel->lvwSearch->topLevelItemCount() == 21; }, 20000));
        };
        m_seam->queueAnswer(target);
        m_panel->mnuSaveImage_Click(); // "Save Image to Hard Drive" on the selected row
        QCOMPARE(m_panel->lvwSearch->topLevelItemCount(), 21);
        QCOMPARE(m_seam->messages(), QStringList());
        QCOMPARE(m_site.requestLog().filter(QRegularExpression(QStringLiteral("^/vi/"))).size(), 21);
        for (int row = 1; row <= 21; ++row) // the first 21 of the page, in any order
            QVERIFY2(rowTitle(row).section(QLatin1Char(' '), 1).toInt() <= 20, qPrintable(rowTitle(row)));

        const QImage saved(target);
        QCOMPARE(saved.size(), first.size());
        // The same colours, give or take the JPEG round trip.
        const auto sameColour = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 && std::abs(qBlue(a) - qBlue(b)) <= 8;
        };
        QVERIFY(sameColour(saved.pixel(2, 2), first.pixel(2, 2)));
        QVERIFY(sameColour(saved.pixel(117, 87), first.pixel(117, 87)));
    }
};

QTEST_MAIN(tst_SearchPanel)
#include "tst_searchpanel.moc"
