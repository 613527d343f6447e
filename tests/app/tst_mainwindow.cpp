#include "analysis/VideoPanel.h"
#include "queue/DownloadNames.h"
#include "search/SearchPanel.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "WindowFixture.h"

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <unistd.h>

// The main window in this process: start-up, tabs, closing, and the road of one download from the
// address box to the file on disk, against the demo site.
class TestMainWindow : public QObject, private WindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startSite());
    }

    void init() { QVERIFY(clearFolders()); }

    // Start-up fills the window and names its controls.
    void startUpFillsTheWindow()
    {
        SeamRecorder seam;
        auto window = openWindow();
        QCOMPARE(window->statusPanel(1)->text(), QStringLiteral("Version: ") + AppState::VersionString());
        // A screen reader hears what each status panel shows, also after it changed.
        Q_EMIT window->downloadPanel()->speedTextChanged(QStringLiteral("Average Download Speed: 12.5 kB/s"));
        for (int panel = 1; panel <= 4; ++panel) {
            const QString shown = window->statusPanel(panel)->text();
            QVERIFY(!shown.isEmpty());
            QCOMPARE(QAccessible::queryAccessibleInterface(window->statusPanel(panel))->text(QAccessible::Name), shown);
        }
        QCOMPARE(window->statusPanel(2)->text(), QStringLiteral("Average Download Speed: 12.5 kB/s"));
        for (QWidget *part : window->statusBar()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            QVERIFY2(!QAccessible::queryAccessibleInterface(part)->text(QAccessible::Name).isEmpty(),
                     part->metaObject()->className());
        QVERIFY(window->statusPanel(3)->text().startsWith(QStringLiteral("Free Disk Space: ")));
        // The queue's count follows the list.
        QCOMPARE(window->statusPanel(4)->text(), QStringLiteral("0 running, 0 queued"));
        DownloadChoice fed;
        fed.mediaAddress = site.root() + QStringLiteral("/media/fed/18");
        QVERIFY(window->downloadPanel()->appendRow(fed, QStringLiteral("Fed.mp4")));
        QCOMPARE(QAccessible::queryAccessibleInterface(window->statusPanel(4))->text(QAccessible::Name),
                 QStringLiteral("1 running, 0 queued"));
        window->downloadPanel()->endRow(fed.mediaAddress, StateStopped, QStringLiteral("Stopped."));
        // All columns of the download list fit its first width, and every heading is whole.
        auto *downloads = window->findChild<QTreeWidget *>(QStringLiteral("lvwDownloads"));
        QTRY_VERIFY(downloads->viewport()->width() > 0);
        int columns = 0;
        for (int column = 0; column < downloads->columnCount(); ++column) {
            columns += downloads->columnWidth(column);
            const QString heading = downloads->headerItem()->text(column);
            QVERIFY2(downloads->header()->fontMetrics().horizontalAdvance(heading) < downloads->columnWidth(column),
                     qPrintable(heading));
        }
        QVERIFY2(columns <= downloads->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(columns).arg(downloads->viewport()->width())));
        // A running download's caption fits the bar over its Status cell.
        QVERIFY(downloads->fontMetrics().horizontalAdvance(QStringLiteral("Downloading... 12.34 MB / 123.45 MB - 10%"))
                <= downloads->columnWidth(1) - 2);
        QCOMPARE(window->tabStrip()->currentIndex(), 0);
        for (const char *tab : {"Container1", "Container2", "Container3"})
            QCOMPARE(window->findChild<QWidget *>(QString::fromLatin1(tab))->isVisible(), tab == std::string_view("Container1"));

        for (const auto &[name, first] : {std::pair{"cboSortBy", "Relevance"}, {"cboUploadDate", "Anytime"}, {"cboDuration", "All"},
                                          {"cboCategory", "All"}, {"cboResults", "1 Page (~20)"}}) {
            auto *combo = window->findChild<QComboBox *>(QString::fromLatin1(name));
            QVERIFY2(combo && combo->currentIndex() == 0, name);
            QCOMPARE(combo->currentText(), QString::fromUtf8(first));
        }
        // The banner was drawn; nothing was reported on the way.
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("picBanner"))->pixmap().size(), QSize(595, 85));
        QVERIFY2(seam.messages().isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));

        // The controls the window is known by, and whatever a user can operate, have an object name
        // and something a screen reader can say: the control's own name or its label's text.
        const QStringList known{"txtYouTube", "cmdDownload", "cmdPreview", "lblDescription", "picTitle", "txtSavePath", "cmdBrowse",
                                "cmdOpen", "lvwDownloads", "txtSearch", "cmdSearch", "chkExactPhrase", "chkHD", "lvwSearch",
                                "TabStrip", "lblHyperlink", "picBanner"};
        for (const QString &name : known)
            QVERIFY2(window->findChild<QWidget *>(name), qPrintable(name));
        const QStringList unnamed = unnamedControls(window.get(), [&known](QWidget *w) {
            return known.contains(w->objectName()) || ((qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w)
                || qobject_cast<QComboBox *>(w) || qobject_cast<QTabBar *>(w)
                || (qobject_cast<QAbstractItemView *>(w) && !w->inherits("QComboBoxListView")
                    && !w->inherits("QHeaderView"))) // a list's own parts speak through the list
                && !w->objectName().startsWith(QLatin1String("qt_")));
        });
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    }

    // Coming back to the search tab empties its box; a result loads into the video tab.
    void visitingTheSearchTabEmptiesTheBox()
    {
        auto window = openWindow();
        auto *search = window->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        auto *button = window->findChild<QPushButton *>(QStringLiteral("cmdSearch"));
        window->SelectTab(3);
        QVERIFY(window->findChild<QWidget *>(QStringLiteral("Container3"))->isVisible());
        QVERIFY(!window->findChild<QWidget *>(QStringLiteral("Container1"))->isVisible());
        QTest::keyClicks(search, QStringLiteral("cats"));
        QVERIFY(button->isEnabled());
        window->SelectTab(1);
        QCOMPARE(search->text(), QStringLiteral("cats")); // kept while away
        window->SelectTab(3);
        QCOMPARE(search->text(), QString());
        QVERIFY(!button->isEnabled());
        // A click on the tab strip does the same as selecting from code.
        QTest::keyClicks(search, QStringLiteral("dogs"));
        window->tabStrip()->setCurrentIndex(1);
        QVERIFY(window->findChild<QWidget *>(QStringLiteral("Container2"))->isVisible());
        window->tabStrip()->setCurrentIndex(2);
        QCOMPARE(search->text(), QString());
        // A result chosen in the list loads into the video tab, which comes forward.
        const QString address = site.watchUrl(QStringLiteral("sunsetBeach"));
        Q_EMIT window->searchPanel()->loadVideo(address);
        QCOMPARE(window->videoPanel()->txtYouTube->text(), address);
        QCOMPARE(window->tabStrip()->currentIndex(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(window->videoPanel()->cmdDownload->isEnabled(), 15000);
    }

    // The whole road: the address box fetches the page, Download adds a row whose transfer writes
    // the file.
    void downloadFromTheAddressBox()
    {
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        const std::string id(demosite::ids::tiny);
        window->SelectTab(3);
        video->loadAddress(site.watchUrl(QString::fromStdString(id)));
        QCOMPARE(window->tabStrip()->currentIndex(), 2); // loading alone does not switch
        QTRY_VERIFY_WITH_TIMEOUT(video->cmdDownload->isEnabled(), 15000);
        QCOMPARE(window->tabStrip()->currentIndex(), 0); // the page's arrival shows the video tab
        QCOMPARE(window->windowTitle(), QStringLiteral("Clipvault"));

        const int slot = video->selectedFormat();
        QVERIFY(slot >= 0);
        const QString link = video->formatLink(slot);
        DownloadPanel *downloads = window->downloadPanel();
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QVERIFY(downloads->anyDownloading() || QFile::exists(videos.filePath(downloads->lvwDownloads->topLevelItem(0)->text(0))));
        QTRY_VERIFY_WITH_TIMEOUT(!downloads->anyDownloading(), 20000);
        const QString name = downloads->lvwDownloads->topLevelItem(0)->text(0);
        QVERIFY2(name.endsWith(video->formatSuffix(slot)), qPrintable(name));
        const QByteArray saved = StandIn::FileBytes(videos.filePath(name));
        const auto *entry = demosite::findVideo(id);
        const int code = QUrl(link).path().section(QLatin1Char('/'), -1).toInt();
        QCOMPARE(quint64(saved.size()), demosite::formatSize(*entry, code));
        QByteArray expected(saved.size(), Qt::Uninitialized);
        demosite::fillMedia(id, code, 0, expected.data(), size_t(expected.size()));
        QVERIFY(saved == expected);
    }

    // Closed with Yes in the middle of a download: the next start brings the row back and it
    // asks for the rest of the file only, from the last byte on disk.
    void closingWithYesContinuesAtTheNextStart()
    {
        SeamRecorder seam;
        auto window = openWindow();
        const std::string id = "sunsetBeach";
        const qint64 size = 6000000;
        const QString target = QString::fromStdString(demosite::mediaPath(id, 18))
                               + QStringLiteral("?size=%1&rate=1500000").arg(size);
        DownloadChoice choice;
        choice.mediaAddress = site.root() + target;
        choice.suffix = QStringLiteral(".mp4");
        choice.videoTitle = QStringLiteral("Continued");
        choice.videoId = QString::fromStdString(id);
        window->downloadPanel()->cmdDownload_Click(choice);
        QTRY_VERIFY_WITH_TIMEOUT(window->downloadPanel()->records().at(0).fileBytes >= size / 5, 20000);
        seam.queueAnswer(UiSeam::Yes);
        QVERIFY(window->close());
        window.reset();
        const QString partial = videos.filePath(DownloadNames::PartialFileName(choice.mediaAddress));
        const qint64 kept = QFileInfo(partial).size();
        QVERIFY2(kept >= size / 5 && kept < size, qPrintable(QString::number(kept)));

        site.clear();
        window = openWindow();
        const DownloadPanel *downloads = window->downloadPanel();
        QCOMPARE(downloads->records().count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(0).state, int(StateDownloaded), 30000);
        QByteArray expected(size, Qt::Uninitialized);
        demosite::fillMedia(id, 18, 0, expected.data(), size_t(expected.size()));
        QVERIFY(StandIn::FileBytes(videos.filePath(QStringLiteral("Continued.mp4"))) == expected);
        QStringList ranges;
        for (const DemoSite::LoggedRequest &request : site.requests())
            if (request.target == target)
                ranges << request.range();
        QCOMPARE(ranges, QStringList{QStringLiteral("bytes=%1-").arg(kept)});
        QVERIFY(!QFile::exists(partial));
    }

    // Closed while a download runs, the window asks once: No keeps it and saves nothing, Yes closes.
    // Closed without downloads, or by log-out or shutdown while a download runs, it asks nothing
    // (nobody would answer). The settings are written as on any close.
    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("nothing running, closed") << "closed";
        QTest::newRow("a download running, closed: asked") << "asked";
        QTest::newRow("a download running, session ends") << "session ends";
    }
    void closing()
    {
        QFETCH(QString, how);
        SeamRecorder seam;
        auto window = openWindow();
        QTemporaryDir empty; // no earlier file of that name to ask about
        window->downloadPanel()->setSavePath(empty.path() + QLatin1Char('/'));
        AppState::ImageSavePath() = QStringLiteral("/pictures/");
        if (how != QLatin1String("closed")) {
            VideoPanel *video = window->videoPanel();
            video->loadAddress(site.watchUrl(QString::fromLatin1(demosite::ids::tiny.data(), qsizetype(demosite::ids::tiny.size()))));
            QTRY_VERIFY_WITH_TIMEOUT(video->cmdDownload->isEnabled(), 15000);
            // The site holds this file's answer back, so the row is still downloading at the close.
            site.rule(QUrl(video->formatLink(video->selectedFormat())).path(), 5000);
            video->cmdDownload->click();
            QTRY_VERIFY_WITH_TIMEOUT(window->downloadPanel()->anyDownloading(), 5000);
        }
        if (how == QLatin1String("session ends")) {
            QSignalSpy unloaded(window.get(), &frmMain::unloaded);
            ::kill(::getpid(), SIGTERM);
            QTRY_COMPARE(unloaded.size(), 1);
        } else if (how == QLatin1String("asked")) {
            seam.queueAnswer(UiSeam::No);
            QVERIFY(!window->close());
            QCOMPARE(seam.messages(), QStringList{QStringLiteral("You are currently downloading a video. \r\n\r\n"
                                                                 "Are you sure you want to close Clipvault?  ")});
            QCOMPARE(seam.calls.first().style, 36);
            QVERIFY(!QFile::exists(settingsFile()));
            QVERIFY(window->isVisible());
            seam.clear();
            seam.queueAnswer(UiSeam::Yes);
            QVERIFY(window->close());
        } else {
            QVERIFY(window->close());
        }
        site.clear();
        QVERIFY(!window->isVisible());
        QCOMPARE(seam.messages().size(), how == QLatin1String("asked") ? 1 : 0);
        QCOMPARE(setting(QStringLiteral("VideoSavePath")), empty.path() + QLatin1Char('/'));
        QCOMPARE(setting(QStringLiteral("ImageSavePath")), QStringLiteral("/pictures/"));
    }

    void linkLineOpensThePlayerPage()
    {
        SeamRecorder seam;
        auto window = openWindow();
        auto *link = window->findChild<QLabel *>(QStringLiteral("lblHyperlink"));
        QCOMPARE(link->text(), QStringLiteral("Can't play the downloaded videos? - Download VideoLAN Media Player"));
        QTest::mouseMove(link);
        QTRY_VERIFY(link->font().underline());
        QTest::mouseMove(window->statusBar());
        QTRY_VERIFY(!link->font().underline());
        QTest::mouseClick(link, Qt::LeftButton);
        // The keyboard and a screen reader's press open it too.
        QTest::keyClick(link, Qt::Key_Space);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(link);
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(accessible->text(QAccessible::Name), link->text());
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        const auto opens = seam.callsOf(UiSeam::Kind::ShellOpen);
        QCOMPARE(opens.size(), 3);
        for (const auto &open : opens)
            QCOMPARE(open.text, frmMain::MediaPlayerPage());
        QVERIFY(opens.first().text.endsWith(QLatin1String("/vlc/download-windows.html")));
    }

    // A second start brings the window back as it was before it was minimised (or hidden). With no
    // tray (the offscreen platform) a minimised window stays a minimised window, never hidden, also
    // once the event loop has taken the turn in which a tray would hide it.
    void bringToFrontRestoresTheEarlierState_data()
    {
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("onlyMinimised"); // the window system reports "minimised" alone
        QTest::newRow("maximised, minimised") << true << false << false;
        QTest::newRow("maximised, minimised into the tray") << true << true << false;
        QTest::newRow("maximised, minimised by the window system") << true << false << true;
        QTest::newRow("normal, minimised") << false << false << false;
        QTest::newRow("normal, minimised into the tray") << false << true << false;
    }
    void bringToFrontRestoresTheEarlierState()
    {
        QFETCH(bool, maximised);
        QFETCH(bool, hidden);
        QFETCH(bool, onlyMinimised);
        auto window = openWindow();
        if (maximised) {
            window->showMaximized();
            QTRY_VERIFY(window->isMaximized());
        }
        if (onlyMinimised)
            window->setWindowState(Qt::WindowMinimized);
        else
            window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        bool turnTaken = false;
        QTimer::singleShot(0, window.get(), [&] { turnTaken = true; });
        QTRY_VERIFY(turnTaken);
        QVERIFY(window->isMinimized() && window->isVisible());
        if (hidden)
            window->hide();
        window->BringToFront();
        QTRY_VERIFY(window->isVisible() && !window->isMinimized());
        QCOMPARE(window->isMaximized(), maximised);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
