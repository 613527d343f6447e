#include "analysis/VideoPanel.h"
#include "app/ClipboardWatch.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmMenu.h"
#include "search/SearchPanel.h"
#include "support/SeamRecorder.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTreeWidget>

// The main window as a desktop program: links dropped on it, the clipboard watch, the menus'
// shortcuts, the download and result lists from the keyboard, and the order Tab takes.
class TestDesktop : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    static QAction *command(frmMain *window, const char *name)
    {
        return window->findChild<QAction *>(QString::fromLatin1(name));
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
        QVERIFY(startSite());
    }

    void init() { QVERIFY(clearFolders()); }

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
        QAction *watch = command(window.get(), "mnuWatchClipboard");
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

    // The download list from the keyboard: Enter opens the folder of a downloaded row's file, the
    // Menu key and Shift+F10 open the popup at the current row, F2 renames (the rename box keeps
    // its own keys), Delete removes the selected rows. The popup's entries show the keys.
    void downloadListKeys()
    {
        SeamRecorder seam;
        auto window = openWindow();
        // The tiny demo video's first encoding, downloaded to its end.
        VideoPanel *video = window->videoPanel();
        video->loadAddress(site.watchUrl(QStringLiteral("tinyClip-01")));
        QTRY_VERIFY_WITH_TIMEOUT(video->cmdDownload->isEnabled(), 15000);
        video->cmdDownload->click();
        QTreeWidget *list = window->downloadPanel()->lvwDownloads;
        QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!window->downloadPanel()->anyDownloading(), 20000);
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

    // The Menu key opens the search results' popup at the current row.
    void resultListPopupFromTheKeyboard()
    {
        auto window = openWindow();
        window->SelectTab(3);
        SearchPanel *search = window->searchPanel();
        auto *box = search->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        auto *list = search->findChild<QTreeWidget *>(QStringLiteral("lvwSearch"));
        QTest::keyClicks(box, QStringLiteral("all"));
        search->findChild<QPushButton *>(QStringLiteral("cmdSearch"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(list->topLevelItemCount() > 1, 20000);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(1));
        frmMenu *menu = frmMenu::instance();
        QSignalSpy popups(menu, &frmMenu::aboutToPopup);
        QTest::keyClick(list, Qt::Key_Menu);
        QTRY_COMPARE(popups.size(), 1);
        QTRY_VERIFY(menu->mnuPopupSearch->isVisible());
        QTest::keyClick(menu->mnuPopupSearch, Qt::Key_Escape);
        QTRY_VERIFY(!menu->mnuPopupSearch->isVisible());
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
        QAction *action = command(window.get(), name.toLatin1().constData());
        QVERIFY(action && action->shortcut() == key);
        QLineEdit *address = window->videoPanel()->txtYouTube;
        QLineEdit *search = window->searchPanel()->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
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
            QTRY_COMPARE(QApplication::focusWidget(), search);
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
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
