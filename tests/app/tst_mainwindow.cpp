#include "analysis/VideoListPanel.h"
#include "analysis/VideoPanel.h"
#include "app/ClipboardWatch.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmMenu.h"
#include "lists/VideoListModel.h"
#include "pages/ExtractorLookup.h"
#include "queue/DownloadNames.h"
#include "search/SearchPanel.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "WindowFixture.h"

#include "demosite/catalogue.h"
#include "demosite/clips.h"
#include "demosite/lists.h"
#include "demosite/mediacontent.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <unistd.h>

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAccessibleTableInterface *checklistTable(VideoListPanel *panel)
{
    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(panel->tvwListVideos);
    return view ? view->tableInterface() : nullptr;
}

} // namespace

// The main window in this process against the demo site: start-up, tabs, closing, the road of one
// download from the address box to the file on disk, and the window as a desktop program: links
// dropped on it, the clipboard watch, the menus' shortcuts, the lists from the keyboard and the
// order Tab takes. Lists read by the real extractor: the checklist as a screen reader meets it, a
// few entries chosen with the keyboard, Shift+click and the filter, downloaded into a folder named
// after the list byte for byte, and unchecked as already downloaded when the list is shown again;
// a feed of 5,000 episodes shows whole.
class TestMainWindow : public QObject, private WindowFixture
{
    Q_OBJECT

    QTemporaryDir m_cache; // the extractor's

    // Shows the address in the video tab and waits until the extractor has answered with a list.
    static bool showList(VideoPanel *video, const QString &address)
    {
        video->loadAddress(address);
        return QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->showsList(); }, 120000);
    }

    // Drags data over widget and drops it there, as the window system delivers a drag; true when
    // the drag was taken.
    static bool dragAndDrop(QWidget *widget, QMimeData *data)
    {
        const QPointF at = widget->rect().center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::LinkAction, data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &drop);
        return drop.isAccepted();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
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

    // Coming back to the search tab empties its box; the Menu key opens the results' popup at the
    // current row; a result loads into the video tab.
    void searchTab()
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
        QTest::keyClicks(search, QStringLiteral("all"));
        button->click();
        auto *list = window->findChild<QTreeWidget *>(QStringLiteral("lvwSearch"));
        QTRY_VERIFY_WITH_TIMEOUT(list->topLevelItemCount() > 1, 20000);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_Menu);
        QTRY_VERIFY(frmMenu::instance()->mnuPopupSearch->isVisible());
        // A result chosen in the list loads into the video tab, which comes forward.
        const QString address = site.watchUrl(QStringLiteral("sunsetBeach"));
        Q_EMIT window->searchPanel()->loadVideo(address);
        QCOMPARE(window->videoPanel()->txtYouTube->text(), address);
        QCOMPARE(window->tabStrip()->currentIndex(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(window->videoPanel()->cmdDownload->isEnabled(), 15000);
    }

    // The whole road: the address box fetches the page, Download adds a row whose transfer writes
    // the file. Then the download list from the keyboard: Enter opens the folder of a downloaded
    // row's file, the Menu key and Shift+F10 open the popup at the current row, F2 renames (the
    // rename box keeps its own keys), Delete removes the selected rows. The popup's entries show
    // the keys.
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
        QTreeWidget *list = downloads->lvwDownloads;
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 1, 5000);
        QVERIFY(downloads->anyDownloading() || QFile::exists(videos.filePath(list->topLevelItem(0)->text(0))));
        QTRY_VERIFY_WITH_TIMEOUT(!downloads->anyDownloading(), 20000);
        const QString name = list->topLevelItem(0)->text(0);
        QVERIFY2(name.endsWith(video->formatSuffix(slot)), qPrintable(name));
        const QByteArray saved = StandIn::FileBytes(videos.filePath(name));
        const auto *entry = demosite::findVideo(id);
        const int code = QUrl(link).path().section(QLatin1Char('/'), -1).toInt();
        QCOMPARE(quint64(saved.size()), demosite::formatSize(*entry, code));
        QByteArray expected(saved.size(), Qt::Uninitialized);
        demosite::fillMedia(id, code, 0, expected.data(), size_t(expected.size()));
        QVERIFY(saved == expected);

        frmMenu *menu = frmMenu::instance();
        for (const auto &[action, key] : {std::pair{menu->mnuRemoveSelected, Qt::Key_Delete}, {menu->mnuRename, Qt::Key_F2},
                                          {menu->mnuOpenFolder, Qt::Key_Return}})
            QVERIFY(action->shortcut() == QKeySequence(key) && menu->mnuPopup->actions().contains(action));

        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Return);
        const auto opened = seam.callsOf(UiSeam::Kind::OpenFolder);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QUrl(opened.first().text).toLocalFile(), videos.path());

        QSignalSpy popups(menu, &frmMenu::aboutToPopup);
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_Menu), QKeyCombination(Qt::SHIFT | Qt::Key_F10)}) {
            QTest::keyClick(list, key.key(), key.keyboardModifiers());
            QTRY_VERIFY(menu->mnuPopup->isVisible());
            QTest::keyClick(menu->mnuPopup, Qt::Key_Escape);
            QTRY_VERIFY(!menu->mnuPopup->isVisible());
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            list->setFocus();
        }
        QCOMPARE(popups.size(), 2);
        QTest::keyClick(list, Qt::Key_F10); // F10 alone is no popup key
        QCOMPARE(popups.size(), 2);
        // In the open popup, Return takes the highlighted entry, not the entry whose key it is.
        QSignalSpy started(menu->mnuStart, &QAction::triggered);
        QTest::keyClick(list, Qt::Key_Menu);
        QTRY_VERIFY(menu->mnuPopup->isVisible());
        QTest::keyClick(menu->mnuPopup, Qt::Key_Down);
        QTest::keyClick(menu->mnuPopup, Qt::Key_Return);
        QTRY_COMPARE(started.size(), 1);
        QCOMPARE(seam.callsOf(UiSeam::Kind::OpenFolder).size(), 1);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        list->setFocus();

        QTest::keyClick(list, Qt::Key_F2);
        QLineEdit *editor = nullptr;
        QTRY_VERIFY((editor = list->viewport()->findChild<QLineEdit *>()) && editor->isVisible());
        editor->setCursorPosition(0);
        QTest::keyClick(editor, Qt::Key_Delete); // edits the name, removes no row
        QCOMPARE(list->topLevelItemCount(), 1);
        editor->setText(QStringLiteral("renamed"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(list->topLevelItem(0)->text(0).startsWith(QStringLiteral("renamed")));
        QCOMPARE(seam.callsOf(UiSeam::Kind::OpenFolder).size(), 1); // the Return ended the renaming only

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->topLevelItemCount(), 0);
        QTest::keyClick(list, Qt::Key_Return); // no row: nothing to open
        QCOMPARE(seam.callsOf(UiSeam::Kind::OpenFolder).size(), 1);
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
    // A link (text/uri-list) or plain text that is an http or https address loads into "Video
    // URL:" wherever it is dropped; anything else is refused by the window and "Video URL:", and
    // is ordinary text for the other text boxes.
    void drops_data()
    {
        QTest::addColumn<QString>("format");  // "uri-list", "text", "html"
        QTest::addColumn<QString>("content"); // the uri-list's links are separated by blanks
        QTest::addColumn<QString>("target");  // "picBanner", "txtYouTube", "txtSearch"
        QTest::addColumn<QString>("loaded");  // what "Video URL:" shows after; empty: refused
        const QString watch = QStringLiteral("http://127.0.0.1:1/watch?v=sunsetBeach");
        QTest::newRow("link on the window") << "uri-list" << watch << "picBanner" << watch;
        QTest::newRow("secure link on the address box") << "uri-list" << "https://example.org/v/1" << "txtYouTube" << "https://example.org/v/1";
        QTest::newRow("file link, then a web link") << "uri-list" << QStringLiteral("file:///etc/passwd ") + watch << "picBanner" << watch;
        QTest::newRow("text address with blanks") << "text" << QStringLiteral("  ") + watch + QStringLiteral("\n") << "picBanner" << watch;
        QTest::newRow("link on the search box") << "uri-list" << watch << "txtSearch" << watch;
        QTest::newRow("file link on the window") << "uri-list" << "file:///home/me/clip.mp4" << "picBanner" << QString();
        QTest::newRow("words on the window") << "text" << "cats and dogs" << "picBanner" << QString();
        QTest::newRow("words on the address box") << "text" << "cats and dogs" << "txtYouTube" << QString();
        QTest::newRow("script address") << "text" << "javascript:alert(1)" << "txtYouTube" << QString();
        QTest::newRow("address without host") << "text" << "http:///etc/passwd" << "picBanner" << QString();
        QTest::newRow("markup only") << "html" << QStringLiteral("<a href=\"%1\">clip</a>").arg(watch) << "picBanner" << QString();
    }
    void drops()
    {
        QFETCH(QString, format);
        QFETCH(QString, content);
        QFETCH(QString, target);
        QFETCH(QString, loaded);
        auto window = openWindow();
        QLineEdit *address = window->videoPanel()->txtYouTube;
        QWidget *widget = window->findChild<QWidget *>(target);
        QVERIFY(widget);
        // Dropped on another tab, the address still goes to "Video URL:", whose tab comes forward.
        window->SelectTab(target == QLatin1String("txtYouTube") ? 1 : 3);

        QMimeData data;
        if (format == QLatin1String("uri-list"))
            data.setUrls(QUrl::fromStringList(content.split(QLatin1Char(' '))));
        else
            format == QLatin1String("text") ? data.setText(content) : data.setHtml(content);
        QCOMPARE(dragAndDrop(widget, &data), !loaded.isEmpty());
        QCOMPARE(address->text(), loaded);
        if (!loaded.isEmpty())
            QCOMPARE(window->tabStrip()->currentIndex(), 0);
        if (target == QLatin1String("txtSearch"))
            QCOMPARE(static_cast<QLineEdit *>(widget)->text(), QString()); // the link did not go into the box
    }

    // Off by default; switched on from the File menu (and stored), a copied watch address loads
    // once, whatever else is copied in between; the program's own copies, other texts and a watch
    // address over another scheme do not.
    void clipboardWatch()
    {
        SeamRecorder seam;
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(site.watchUrl(QStringLiteral("pianoLesson")));
        auto window = openWindow();
        QLineEdit *address = window->videoPanel()->txtYouTube;
        QAction *watch = window->findChild<QAction *>(QStringLiteral("mnuWatchClipboard"));
        QVERIFY(watch && watch->isCheckable() && !watch->isChecked());
        QCOMPARE(watch->text(), QStringLiteral("Watch clipboard for video addresses"));

        clipboard->setText(site.watchUrl(QStringLiteral("sunsetBeach")));
        QCOMPARE(address->text(), QString()); // off: nothing happens

        watch->trigger();
        QVERIFY(watch->isChecked());
        QCOMPARE(setting(QStringLiteral("WatchClipboard")), QStringLiteral("1"));
        QCOMPARE(address->text(), QString()); // what was there before is not taken
        const QString second = site.watchUrl(QStringLiteral("tomJerryMix"));
        QSignalSpy copied(window->findChild<ClipboardWatch *>(), &ClipboardWatch::addressCopied);
        // Other texts, a page that is no watch page, a watch address that is no web address, then the address.
        for (const QString &text : {QStringLiteral("just some words"), QStringLiteral("https://example.org/not/a/watch/page"),
                                    QString(second).replace(QStringLiteral("http://"), QStringLiteral("ftp://")), QStringLiteral("  ") + second + QStringLiteral("  ")})
            clipboard->setText(text);
        QTRY_COMPARE(address->text(), second);
        address->clear();
        clipboard->setText(QStringLiteral("words in between"));
        clipboard->setText(second); // the same address again: once is enough
        UiSeam::setClipboardText(site.watchUrl(QStringLiteral("howToFixTap"))); // the program's own copy
        QCOMPARE(address->text(), QString());
        QCOMPARE(copied.size(), 1);

        // The https form of a watch address is the same page.
        const QString secure = QString(site.watchUrl(QStringLiteral("cafeMuller1"))).replace(QStringLiteral("http://"), QStringLiteral("https://"));
        clipboard->setText(secure);
        QCOMPARE(address->text(), secure);

        watch->trigger();
        QCOMPARE(setting(QStringLiteral("WatchClipboard")), QStringLiteral("0"));
        address->clear();
        clipboard->setText(site.watchUrl(QStringLiteral("dotDotTitle")));
        QCOMPARE(address->text(), QString());
    }

    // Tab visits the controls of the shown tab in reading order: row by row from the top, left to
    // right within a row, each once, from the tab strip to the link line.
    void tabOrderFollowsReadingOrder_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("among"); // controls that must be on the way
        QTest::newRow("YouTube") << 1 << QStringList{"txtYouTube", "OptVideoType_0", "cmdDownload", "txtSavePath", "cmdBrowse", "cmdOpen", "lvwDownloads"};
        QTest::newRow("Preview") << 2 << QStringList();
        QTest::newRow("Search") << 3 << QStringList{"txtSearch", "chkExactPhrase", "chkHD", "cboSortBy", "cboResults", "lvwSearch"};
    }
    void tabOrderFollowsReadingOrder()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, among);
        auto window = openWindow();
        // A loaded page enables the encoding buttons, which Tab skips while they are disabled.
        window->videoPanel()->loadAddress(site.watchUrl(QStringLiteral("sunsetBeach")));
        QTRY_VERIFY_WITH_TIMEOUT(window->videoPanel()->cmdDownload->isEnabled(), 15000);
        window->SelectTab(tab);
        QList<QWidget *> visited;
        QWidget *w = window->tabStrip();
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && !w->isWindow()) {
                QVERIFY2(!visited.contains(w), qPrintable(w->objectName()));
                visited << w;
            }
            w = w->nextInFocusChain();
        } while (w != window->tabStrip());
        QCOMPARE(visited.first(), window->tabStrip());
        QCOMPARE(visited.last()->objectName(), QStringLiteral("lblHyperlink"));
        QStringList names;
        for (int i = 0; i < visited.size(); ++i) {
            names << visited.at(i)->objectName();
            if (i == 0)
                continue;
            const QRect before(visited.at(i - 1)->mapTo(window.get(), QPoint()), visited.at(i - 1)->size());
            const QRect now(visited.at(i)->mapTo(window.get(), QPoint()), visited.at(i)->size());
            const int overlap = std::min(before.bottom(), now.bottom()) - std::max(before.top(), now.top());
            const bool sameRow = overlap > std::min(before.height(), now.height()) / 2;
            QVERIFY2(sameRow ? now.left() > before.left() : now.top() > before.top(),
                     qPrintable(names.join(QStringLiteral(" > "))));
        }
        for (const QString &name : among)
            QVERIFY2(names.contains(name), qPrintable(name + QStringLiteral(" not in ") + names.join(QStringLiteral(" > "))));
    }

    // Each shortcut shows in its menu entry and does what the entry does.
    void shortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("Ctrl+L: the cursor in Video URL:") << "mnuGoToAddress" << QKeySequence(Qt::CTRL | Qt::Key_L);
        QTest::newRow("Ctrl+F: the search box") << "mnuGoToSearch" << QKeySequence(Qt::CTRL | Qt::Key_F);
        QTest::newRow("Ctrl+Q: exit, as a close") << "mnuExit" << QKeySequence(Qt::CTRL | Qt::Key_Q);
        QTest::newRow("F1: About") << "mnuAbout" << QKeySequence(Qt::Key_F1);
    }
    void shortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QKeySequence, key);
        SeamRecorder seam;
        auto window = openWindow();
        QAction *action = window->findChild<QAction *>(name);
        QVERIFY(action && action->shortcut() == key);
        QLineEdit *address = window->videoPanel()->txtYouTube;
        address->setText(QStringLiteral("typed"));
        window->downloadPanel()->lvwDownloads->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QSignalSpy triggered(action, &QAction::triggered);
        QSignalSpy unloaded(window.get(), &frmMain::unloaded);
        QTest::keySequence(window.get(), key);
        QCOMPARE(triggered.size(), 1);
        if (name == QLatin1String("mnuGoToAddress")) {
            QCOMPARE(window->tabStrip()->currentIndex(), 0);
            QTRY_COMPARE(QApplication::focusWidget(), address);
            QCOMPARE(address->selectedText(), QStringLiteral("typed"));
        } else if (name == QLatin1String("mnuGoToSearch")) {
            QCOMPARE(window->tabStrip()->currentIndex(), 2);
            QTRY_COMPARE(QApplication::focusWidget(), window->findChild<QLineEdit *>(QStringLiteral("txtSearch")));
        } else if (name == QLatin1String("mnuExit")) {
            QCOMPARE(unloaded.size(), 1); // nothing runs: no question
            QVERIFY(seam.calls.isEmpty() && !window->isVisible());
        } else {
            // About is one modeless instance, over the window.
            QTRY_VERIFY(frmAbout::instance() && frmAbout::instance()->isVisible());
            frmAbout *about = frmAbout::instance();
            QVERIFY(!about->isModal());
            QCOMPARE(about->parentWidget(), window.get());
            window->mnuAbout_Click();
            QCOMPARE(frmAbout::instance(), about);
            about->close();
        }
    }

    // The site's lists as the extractor lists them, as a screen reader hears them; the filter
    // finds one entry among them.
    void listsTheSitesLists_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("intoFolder");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("found"); // the position of the one entry the filter leaves
        const QString feed = q(demosite::lists::feedPath), first = q(demosite::lists::episodeTitle(1));
        QTest::newRow("feed") << feed << q(demosite::lists::feedTitle) << 30 << first << true << "episode 30" << 30;
        QTest::newRow("feed of one") << feed + "?items=1" << q(demosite::lists::feedTitle) << 1 << first << false << "Episode 1:" << 1;
        QTest::newRow("feed of 5,000") << feed + "?items=5000" << q(demosite::lists::feedTitle) << 5000 << first << true
                                       << "Episode 4321:" << 4321;
        QTest::newRow("page with three videos") << q(demosite::lists::threeVideosPath) << q(demosite::lists::threeVideosTitle)
                                                << 3 << q(demosite::lists::threeVideosTitle) + " (1)" << true << "(3)" << 3;
    }
    void listsTheSitesLists()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(bool, intoFolder);
        QFETCH(QString, filter);
        QFETCH(int, found);
        SeamRecorder seam;
        auto window = openWindow();
        VideoListPanel *list = window->videoPanel()->listPanel;
        QVERIFY(showList(window->videoPanel(), site.root() + path));
        QCOMPARE(seam.messages(), QStringList());
        QCOMPARE(list->lblListTitle->text(), title);
        // A screen reader hears the value itself, its caption as the description.
        QCOMPARE(QAccessible::queryAccessibleInterface(list->lblListTitle)->text(QAccessible::Name), title);
        // Each caption stands on its value's line, just before it.
        for (QLabel *value : {list->lblListTitle, list->lblListUploader, list->lblListCount, list->lblListSelected}) {
            const QList<QLabel *> labels = list->findChildren<QLabel *>();
            const auto caption = std::find_if(labels.begin(), labels.end(), [value](QLabel *l) { return l->buddy() == value; });
            QVERIFY(caption != labels.end());
            QTRY_COMPARE((*caption)->geometry().center().y(), value->geometry().center().y());
            QVERIFY((*caption)->geometry().right() < value->geometry().left());
        }
        QCOMPARE(list->lblListCount->text(), QString::number(count));
        QCOMPARE(list->chkListFolder->isChecked(), intoFolder);
        QVERIFY(list->cmdDownloadSelected->isEnabled());

        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(list->tvwListVideos);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Videos in this list"));
        QAccessibleTableInterface *table = checklistTable(list);
        QCOMPARE(table->rowCount(), count);
        QAccessibleInterface *box = table->cellAt(0, VideoListModel::ColPosition);
        QCOMPARE(box->text(QAccessible::Name), first);
        QVERIFY(box->state().checkable && box->state().checked);
        QCOMPARE(table->cellAt(0, VideoListModel::ColTitle)->text(QAccessible::Name), first);
        QTest::keyClicks(list->txtListFilter, filter);
        QCOMPARE(list->tvwListVideos->model()->rowCount(), 1);
        QCOMPARE(list->tvwListVideos->model()->index(0, VideoListModel::ColPosition).data().toInt(), found);
    }

    // Five of thirty: Space, Shift+click and the filter choose them; "Download selected" adds them
    // in list order; each file is the site's bytes, in a folder named after the list. Listed again,
    // those five are unchecked and marked.
    void downloadsChosenEntries()
    {
        SeamRecorder seam;
        auto window = openWindow();
        VideoListPanel *list = window->videoPanel()->listPanel;
        const QString feed = site.root() + q(demosite::lists::feedPath);
        QVERIFY(showList(window->videoPanel(), feed));
        QTreeView *view = list->tvwListVideos;
        QTest::mouseClick(list->cmdSelectNone, Qt::LeftButton);
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("0"));
        QVERIFY(!list->cmdDownloadSelected->isEnabled());
        view->setFocus();
        view->setCurrentIndex(view->model()->index(1, VideoListModel::ColTitle));
        QTest::keyClick(view, Qt::Key_Space);
        const QRect fourth = view->visualRect(view->model()->index(3, VideoListModel::ColTitle));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, fourth.center());
        // One by the keyboard, one by a screen reader's Toggle on the row, which Qt would take
        // for selecting it.
        for (const QString &only : {QStringLiteral("episode 30"), QStringLiteral("Episode 11")}) {
            QTest::keyClicks(list->txtListFilter, only);
            QCOMPARE(view->model()->rowCount(), 1);
            if (only.startsWith(QLatin1Char('e'))) {
                view->setCurrentIndex(view->model()->index(0, VideoListModel::ColDuration));
                QTest::keyClick(view, Qt::Key_Space);
            } else {
                QAccessibleInterface *box = nullptr; // once the tree has laid out the rows shown
                QTRY_VERIFY((box = checklistTable(list)->cellAt(0, VideoListModel::ColPosition)));
                box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
                QVERIFY(box->state().checked);
            }
            list->txtListFilter->clear();
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("5"));
        QAccessibleInterface *twice = nullptr;
        QTRY_VERIFY((twice = checklistTable(list)->cellAt(9, VideoListModel::ColPosition)));
        for (const bool checked : {true, false}) {
            twice->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QCOMPARE(twice->state().checked, checked);
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("5"));
        list->cboListQuality->setCurrentIndex(2); // "At most 720p"
        QCOMPARE(list->cboListQuality->currentText(), QStringLiteral("At most 720p"));
        QTest::mouseClick(list->cmdDownloadSelected, Qt::LeftButton);

        const QList<int> chosen{2, 3, 4, 11, 30};
        DownloadPanel *downloads = window->downloadPanel();
        QCOMPARE(downloads->records().count(), chosen.size());
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().countInState(StateDownloaded), chosen.size(), 120000);
        const QDir folder(videos.filePath(QStringLiteral("Harbour Radio the podcast")));
        QStringList expectedNames;
        for (int row = 0; row < chosen.size(); ++row) {
            const std::string name = demosite::lists::episodeName(chosen.at(row));
            const QString fileName = QString::fromStdString(demosite::lists::episodeTitle(chosen.at(row)))
                                         .remove(QLatin1Char(':')).remove(QLatin1Char('?')) + QStringLiteral(".mp4");
            QCOMPARE(downloads->records().at(row).fileName, fileName);
            const QByteArray served = site.get(q(demosite::lists::mediaPath(name)));
            QCOMPARE(served.size(), qsizetype(demosite::lists::mediaSize(name)));
            QFile saved(folder.filePath(fileName));
            QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(saved.fileName()));
            QVERIFY2(saved.readAll() == served, qPrintable(fileName));
            expectedNames << fileName;
        }
        expectedNames.sort();
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), expectedNames);
        QCOMPARE(seam.messages(), QStringList());

        // A page of one video after the list: that video's details again.
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        window->videoPanel()->loadAddress(site.root() + q(demosite::clipPagePath(clip.name)));
        QTRY_COMPARE_WITH_TIMEOUT(window->videoPanel()->lblTitle->text(), q(clip.title), 120000);
        QVERIFY(!window->videoPanel()->showsList());
        QCOMPARE(list->model()->rowCount(), 0);

        // Shown again: what was downloaded starts unchecked, marked.
        QVERIFY(showList(window->videoPanel(), feed));
        QAccessibleTableInterface *table = checklistTable(list);
        for (int row = 0; row < 30; ++row) {
            const bool done = chosen.contains(row + 1);
            QAccessibleInterface *box = table->cellAt(row, VideoListModel::ColPosition);
            QCOMPARE(box->state().checked, !done);
            QCOMPARE(box->text(QAccessible::Name).endsWith(QStringLiteral(", already downloaded")), done);
            QCOMPARE(table->cellAt(row, VideoListModel::ColNote)->text(QAccessible::Name),
                     done ? QStringLiteral("already downloaded") : QString());
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("25"));
    }

};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
