// The download list's commands and failures against the demo site: every fault of the site ends
// in the error state with the old file untouched; stop, start and removal in every state really
// end or restart transfers; the average speed of a throttled transfer. And the list's small
// widgets on their own: the window hook, the confirmation dialog, the row bar and the notification.
#include "PanelFixture.h"
#include "controls/SubClass.h"
#include "dialogs/frmMsgBox.h"
#include "downloads/DownloadNotifier.h"
#include "queue/ProgressText.h"
#include "queue/SpeedMeter.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSystemTrayIcon>

using namespace PanelFixture;

class TestDownloadCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProgram(); }
    void init() { h.setUp(300); }
    void cleanup() { h.tearDown(); }

    void faultsEndInErrorAndKeepTheOldFile_data();
    void faultsEndInErrorAndKeepTheOldFile();
    void rowsInEveryState();
    void speedSizeAndTimeLeft();
    void speedNeverNegative_data();
    void speedNeverNegative();

    void hookRaisesListedMessagesOfItsWindow();
    void dialogOpensReadyToAnswer();
    void barDrawing_data();
    void barDrawing();
    void barIgnoresValueAboveMaximum();
    void notificationOnlyWhileTheWindowIsAway_data();
    void notificationOnlyWhileTheWindowIsAway();

private:
    DownloadPanel &panel() { return *h.panel; }
    QString folder() const { return h.folder(); }
    // Waits until every row shows progress.
    void waitForProgress(const QStringList &keys);

    Harness h;
};

void TestDownloadCommands::waitForProgress(const QStringList &keys)
{
    for (const QString &key : keys)
        QTRY_VERIFY_WITH_TIMEOUT(percentOf(panel(), key) != 0, Wait);
}

void TestDownloadCommands::faultsEndInErrorAndKeepTheOldFile_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("tries"); // permanent failures end at once, transient ones after six tries
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<int>("status"); // the site answers the address with this status; 0: its own
    const QString answered = QStringLiteral("Download failed: the server answered %1.");
    QTest::newRow("404") << "fault=404" << answered.arg(404) << 1 << 0 << 0;
    QTest::newRow("500") << "fault=500" << answered.arg(500) << 6 << 0 << 0;
    QTest::newRow("nothing arrives") << "fault=stall&size=300000" << "Download failed: no data arrived." << 6 << 300 << 0;
    QTest::newRow("empty body") << "size=0" << "Download failed: the server sent no data." << 1 << 0 << 0;
    // Nothing kept yet: a plain refusal, not an address that has expired.
    QTest::newRow("403 on the first try") << "size=1000" << answered.arg(403) << 1 << 0 << 403;
    // The save folder lies below a file (status -1): nothing can be created there.
    QTest::newRow("save folder below a file") << "size=5000" << "An error occurred while saving the video! Not a directory."
                                              << 1 << 0 << -1;
}

void TestDownloadCommands::faultsEndInErrorAndKeepTheOldFile()
{
    QFETCH(QString, query);
    QFETCH(QString, caption);
    QFETCH(int, tries);
    QFETCH(int, idleMs);
    QFETCH(int, status);
    if (status < 0) {
        writeFile(folder() + QStringLiteral("plain"), "x");
        panel().setSavePath(folder() + QStringLiteral("plain/videos"));
    }
    if (idleMs > 0)
        panel().DownloadVid->setIdleTimeout(idleMs);
    // The user chose to overwrite an existing file: a failure must still leave it alone.
    const QByteArray OldContent = "the video that was here before";
    writeFile(folder() + QStringLiteral("Sunset.mp4"), OldContent);
    h.seam->onModal = answerWith(1);
    const DownloadChoice c = mp4(QStringLiteral("Sunset"), query);
    // What the row says after each try.
    QStringList captions;
    afterComplete(*panel().queue(), c.mediaAddress, [&] { captions << captionOf(panel(), c.mediaAddress); });
    // Waits of 1, 2, 4, 8 and 16 s, each a tenth longer or shorter at most, and the try to come.
    const QRegularExpression waiting(QStringLiteral("^Download interrupted \\((.+)\\): trying again in (\\d+) s \\(try (\\d) of 6\\)\\.\\.\\.$"));
    for (const bool again : {false, true}) { // Start tries again; it fails the same way
        captions.clear();
        site().clear();
        if (status > 0)
            site().rule(mediaTarget(Id, 18, query), 0, status);
        if (again) {
            onRows(panel(), {0}, &DownloadPanel::mnuStart_Click);
            QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateDownloading));
            QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
        } else {
            panel().cmdDownload_Click(c);
        }
        QTRY_VERIFY_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress) != StateDownloading, Wait);
        QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateError));
        QCOMPARE(captionOf(panel(), c.mediaAddress), caption);
        QCOMPARE(captions.size(), tries);
        for (int k = 0; k + 1 < captions.size(); ++k) {
            const auto match = waiting.match(captions[k]);
            QVERIFY2(match.hasMatch(), qPrintable(captions[k]));
            QCOMPARE(QStringLiteral("Download failed: %1.").arg(match.captured(1)), caption);
            QVERIFY2(std::abs(match.captured(2).toInt() - (1 << k)) <= (1 << k) / 10 + (k < 3 ? 0 : 1), qPrintable(captions[k]));
            QCOMPARE(match.captured(3).toInt(), k + 2);
        }
        // (The network layer may send a request again whose connection closed before any answer;
        // where nothing can be created, nothing is asked for.)
        QVERIFY(site().requestLog().filter(QStringLiteral("/media/")).size() >= (status < 0 ? 0 : tries));
        QCOMPARE(readFile(folder() + QStringLiteral("Sunset.mp4")), OldContent);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList(status < 0 ? 1 : 0, QStringLiteral("plain")) << QStringLiteral("Sunset.mp4"));
        QVERIFY(!panel().anyDownloading());
        QCOMPARE(percentOf(panel(), c.mediaAddress), qint64(0));
    }
}

// Rows in every state: finished through a redirect or with no size announced, failed, stopped,
// running, and waiting for its first report. Stop ends the running rows' transfers and keeps their
// bytes, but leaves a row before its first percent and a finished one alone; Start restarts the
// first, goes on from the bytes kept and leaves the finished one; "Remove downloaded and erroneous"
// keeps the rest.
void TestDownloadCommands::rowsInEveryState()
{
    panel().DownloadVid->setIdleTimeout(0); // the stalled row waits as long as the test needs
    QTreeWidget *list = panel().lvwDownloads;
    const DownloadChoice ok = mp4(QStringLiteral("Moved"), QStringLiteral("fault=redirect&size=70001"));
    const DownloadChoice bad = choice(Id, 34, QStringLiteral("Bad"), QStringLiteral(".flv"), QStringLiteral("fault=404"));
    const DownloadChoice stopped = mp4(QStringLiteral("Endless"), QStringLiteral("fault=nolength&size=4000000000&rate=200000"), 37);
    // A hundredth arrives within a second; the whole, in one piece, takes a minute, longer than the test.
    const DownloadChoice running = mp4(QStringLiteral("Running"), QStringLiteral("size=8000000&rate=140000"));
    // No report yet: its caption is the one it was started with.
    const DownloadChoice waiting = mp4(QStringLiteral("Waiting"), QStringLiteral("fault=stall&size=100000"), 22);
    const DownloadChoice unknown = choice(Id, 5, QStringLiteral("Unknown"), QStringLiteral(".flv"), QStringLiteral("fault=nolength&size=1600000"));
    for (const auto &c : {ok, bad, stopped, running, waiting, unknown})
        panel().cmdDownload_Click(c);
    waitForProgress({stopped.mediaAddress, running.mediaAddress}); // a moving bar counts as progress
    // No size announced: the megabytes so far and a moving bar.
    const QRegularExpression soFar(QStringLiteral("^Downloading\\.\\.\\. \\d+\\.\\d\\d MB$"));
    QTRY_VERIFY_WITH_TIMEOUT(soFar.match(captionOf(panel(), stopped.mediaAddress)).hasMatch(), Wait);
    RowProgressBar *bar = panel().MainPB[2];
    QVERIFY(bar->isBusy());
    const QRect block = bar->filledRect();
    QTRY_VERIFY(bar->filledRect() != block);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), ok.mediaAddress), int(StateDownloaded), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), bad.mediaAddress), int(StateError), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), unknown.mediaAddress), int(StateDownloaded), Wait);
    QVERIFY(!panel().MainPB[5]->isBusy());
    QVERIFY(panel().MainPB[5]->filledRect().isEmpty());
    QVERIFY_MEDIA(folder() + QStringLiteral("Moved.mp4"), Id, 18, 70001);
    QVERIFY_MEDIA(folder() + QStringLiteral("Unknown.flv"), Id, 5, 1600000);
    QTRY_COMPARE_WITH_TIMEOUT(site().requestLog().filter(QStringLiteral("fault=stall")).size(), 1, Wait);
    onRows(panel(), {0, 2, 3, 4}, &DownloadPanel::mnuStop_Click);
    QCOMPARE(stateOf(panel(), waiting.mediaAddress), int(StateDownloading)); // no progress shown yet
    QCOMPARE(stateOf(panel(), ok.mediaAddress), int(StateDownloaded));
    // The stopped rows' transfers end, their partial files stay, and their bars go back to 0.
    for (const QString &key : {stopped.mediaAddress, running.mediaAddress}) {
        QCOMPARE(stateOf(panel(), key), int(StateStopped));
        QVERIFY(!panel().DownloadVid->IsRunning(key));
        QCOMPARE((QList<qint64>{percentOf(panel(), key), panel().records().at(rowOf(panel(), key)).bytes}), (QList<qint64>{0, 0}));
    }
    QVERIFY(!bar->isBusy());
    QCOMPARE(captionOf(panel(), running.mediaAddress), QStringLiteral("Download stopped by the user."));
    const qint64 kept = QFileInfo(panel().records().at(3).partialFile).size();
    QVERIFY(kept > 0);
    site().clear();
    // Start restarts the stalled row (0 %), asks for the rest of the stopped one's file, and leaves
    // the finished one.
    onRows(panel(), {0, 3, 4}, &DownloadPanel::mnuStart_Click);
    QCOMPARE(captionOf(panel(), ok.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(captionOf(panel(), running.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    QVERIFY(!panel().DownloadVid->IsRunning(ok.mediaAddress));
    QVERIFY(panel().DownloadVid->IsRunning(waiting.mediaAddress));
    QTRY_COMPARE_WITH_TIMEOUT(rangesOf(mediaTarget(Id, 18, QStringLiteral("size=8000000&rate=140000"))),
                              QStringList{QStringLiteral("bytes=%1-").arg(kept)}, Wait);
    QTRY_COMPARE_WITH_TIMEOUT(rangesOf(mediaTarget(Id, 22, QStringLiteral("fault=stall&size=100000"))), QStringList{QString()}, Wait);
    QVERIFY(rangesOf(mediaTarget(Id, 18, QStringLiteral("fault=redirect&size=70001"))).isEmpty());
    waitForProgress({running.mediaAddress});
    QVERIFY(panel().records().at(3).fileBytes >= kept);

    onRows(panel(), {2, 3}, &DownloadPanel::mnuRemoveDownError_Click); // the selection plays no part
    QCOMPARE(panel().records().count(), 3);
    QCOMPARE(rowOf(panel(), stopped.mediaAddress), 0);
    QCOMPARE(rowOf(panel(), running.mediaAddress), 1);
    QCOMPARE(panel().MainPB.size(), 3);
    // The bars stay with the places and show the captions of the rows that moved up; nothing reached
    // the stopped row meanwhile.
    QCOMPARE(captionOf(panel(), stopped.mediaAddress), QStringLiteral("Download stopped by the user."));
    QCOMPARE(panel().records().at(0).bytes, qint64(0));
    QVERIFY(captionOf(panel(), running.mediaAddress).startsWith(QStringLiteral("Downloading... ")));
    QCOMPARE(panel().MainPB[1]->y() - 1, list->visualRect(list->model()->index(1, DownloadPanel::ColStatus)).top());
    QCOMPARE(captionOf(panel(), waiting.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    QVERIFY(panel().DownloadVid->IsRunning(running.mediaAddress));
    QVERIFY(QFile::exists(folder() + QStringLiteral("Moved.mp4"))); // files stay on disk

    // The right button on a row shows the list's menu; on empty space below the rows, or the left
    // button, nothing. Pressing a bar selects its row; releasing the right button there adds the row
    // and shows the menu.
    QSignalSpy popups(frmMenu::instance(), &frmMenu::aboutToPopup);
    const QPoint row0 = list->visualItemRect(list->topLevelItem(0)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row0);
    QCOMPARE(popups.size(), 1);
    QVERIFY(frmMenu::instance()->mnuPopup->isVisible());
    frmMenu::instance()->mnuPopup->hide();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(10, list->viewport()->height() - 5));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row0);
    QCOMPARE(popups.size(), 1);
    QTest::mousePress(panel().MainPB[1], Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem *>{list->topLevelItem(1)});
    QTest::mouseRelease(panel().MainPB[1], Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(popups.size(), 1);
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    QTest::mouseRelease(panel().MainPB[1], Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(popups.size(), 2);
    frmMenu::instance()->mnuPopup->hide();
    QCOMPARE(list->selectedItems().size(), 3);
    // The menu's command reaches the list: removing every row, a running one among them, ends its
    // transfer and hides bar 0.
    frmMenu::instance()->mnuRemoveSelected->trigger();
    QCOMPARE(panel().records().count(), 0);
    QCOMPARE(panel().MainPB.size(), 1);
    QVERIFY(panel().MainPB[0]->isHidden());
    QCOMPARE(panel().records().RowPercent(), QList<qint64>{0});
    QVERIFY(!panel().DownloadVid->IsRunning(running.mediaAddress));
    QVERIFY(!panel().anyDownloading());
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("Moved.mp4"), QStringLiteral("Unknown.flv")}));
}

// The timer is driven by hand, a tick whenever another 100 kB have arrived at each row: ten slots
// after the first, the average is exactly a tenth of what arrived in between. The rows' size, speed
// and time left are read through the list's accessible table, as a screen reader reads the columns.
void TestDownloadCommands::speedSizeAndTimeLeft()
{
    panel().Timer1->stop();
    QSignalSpy texts(&panel(), &DownloadPanel::speedTextChanged);
    const DownloadChoice known = mp4(QStringLiteral("Known"), QStringLiteral("size=40000000&rate=800000"));
    const DownloadChoice unknown = mp4(QStringLiteral("Unknown"), QStringLiteral("fault=nolength&size=40000000&rate=800000"), 22);
    panel().cmdDownload_Click(known);
    panel().cmdDownload_Click(unknown);
    waitForProgress({known.mediaAddress, unknown.mediaAddress});
    const auto bytes = [&](int row) { return panel().records().at(row).bytes; };
    QList<qint64> totals{bytes(0) + bytes(1)};
    panel().Timer1_Timer();
    QList<qint64> averages{panel().speedMeter().average()};
    for (int tick = 0; tick < 10; ++tick) {
        const qint64 least = std::min(bytes(0), bytes(1)) + 100000;
        QTRY_VERIFY_WITH_TIMEOUT(bytes(0) >= least && bytes(1) >= least, Wait);
        totals << bytes(0) + bytes(1);
        panel().Timer1_Timer();
        averages << panel().speedMeter().average();
    }
    for (int tick = 1; tick < 10; ++tick) // it rises while the first slot is still counted
        QVERIFY(averages[tick] > averages[tick - 1]);
    QCOMPARE(averages.last(), ProgressText::RoundHalfEven(totals.last() - totals.first(), 10));
    QCOMPARE(texts.last().first().toString(), QStringLiteral("Average Download Speed: %1 kB/s").arg(ProgressText::Fixed(averages.last(), 1000, 1)));
    // Each row's size, speed and time left; with no size announced, no time left either.
    const auto columns = [&](int row) {
        return QStringList{cellText(panel(), row, DownloadPanel::ColSize), cellText(panel(), row, DownloadPanel::ColSpeed),
                           cellText(panel(), row, DownloadPanel::ColTimeLeft)}.join(QLatin1Char('|'));
    };
    const QString speed = QStringLiteral("[1-9]\\d*\\.\\d kB/s");
    QVERIFY2(QRegularExpression(QStringLiteral("^38\\.15 MB\\|%1\\|\\d+:\\d\\d$").arg(speed)).match(columns(0)).hasMatch(),
             qPrintable(columns(0)));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\|%1\\|$").arg(speed)).match(columns(1)).hasMatch(), qPrintable(columns(1)));

    // Stopped: no negative traffic and 0.0 after ten more ticks; no speed and no time left, the size stays.
    onRows(panel(), {0, 1}, &DownloadPanel::mnuStop_Click);
    for (int tick = 0; tick < 10; ++tick) {
        panel().Timer1_Timer();
        QVERIFY(panel().speedMeter().average() >= 0);
    }
    QCOMPARE(panel().speedText(), QStringLiteral("Average Download Speed: 0.0 kB/s"));
    QCOMPARE(columns(0), QStringLiteral("38.15 MB||"));
    QCOMPARE(columns(1), QStringLiteral("||"));
}

void TestDownloadCommands::speedNeverNegative_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("restart"); // else: it finishes
    QTest::newRow("finished") << "size=300000&rate=300000" << false;
    QTest::newRow("restarted at 0 %") << "size=4000000000&rate=100000" << true;
}

void TestDownloadCommands::speedNeverNegative()
{
    QFETCH(QString, query);
    QFETCH(bool, restart);
    // A row's bytes leave the total when it finishes or starts again; the tick after that must
    // not count them as traffic going backwards.
    panel().Timer1->stop();
    const DownloadChoice c = mp4(QStringLiteral("Metered"), query);
    qint64 counted = 0;
    onFirstProgress(panel(), c.mediaAddress, [&] {
        counted = panel().records().at(0).bytes;
        for (int tick = 0; tick <= SpeedMeter::Slots; ++tick) // its bytes so far leave the window
            panel().Timer1_Timer();
    });
    panel().cmdDownload_Click(c);
    QTRY_VERIFY_WITH_TIMEOUT(counted > 0, Wait);
    if (restart) {
        QCOMPARE(percentOf(panel(), c.mediaAddress), qint64(0));
        onRows(panel(), {0}, &DownloadPanel::mnuStart_Click);
        QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    }
    panel().Timer1_Timer();
    QVERIFY2(panel().speedMeter().average() >= 0, qPrintable(panel().speedText()));
}

// The hook raises only the listed messages of the window it holds, and the window gets them only
// when the handler hands them on; a second hook on the window, or the window's end, unhooks it.
void TestDownloadCommands::hookRaisesListedMessagesOfItsWindow()
{
    SubClass hook;
    for (const long message : {SubClass::WM_KEYDOWN, SubClass::WM_KEYDOWN, SubClass::WM_VSCROLL})
        hook.setMessages(message, true);
    hook.setMessages(SubClass::WM_HSCROLL, false); // absent: nothing happens
    QCOMPARE(hook.messageList(), (QList<long>{SubClass::WM_KEYDOWN, SubClass::WM_VSCROLL}));
    long m = SubClass::WM_KEYDOWN, w = 0, l = 0;
    QCOMPARE(hook.CallWndProc(m, w, l), 0L); // no window

    auto *edit = new QLineEdit;
    bool passOn = false;
    QList<long> seen; // messages and their wParam
    long lastResult = -1;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &wParam, long &lParam, long &Result) {
        seen << Msg << wParam;
        if (passOn)
            Result = hook.CallWndProc(Msg, wParam, lParam);
        lastResult = Result;
    });
    hook.sethWnd(edit);
    hook.sethWnd(edit); // the same window twice hooks once
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QString()); // swallowed: not handed to the window
    QCOMPARE(seen, (QList<long>{SubClass::WM_KEYDOWN, 65}));
    QCOMPARE(lastResult, 0L);
    passOn = true;
    QTest::keyClick(edit, Qt::Key_B);
    QCOMPARE(edit->text(), QStringLiteral("b"));
    QCOMPARE(lastResult, 1L);
    // Unlisted messages reach the window unseen.
    hook.setMessages(SubClass::WM_KEYDOWN, false);
    seen.clear();
    QTest::keyClicks(edit, QStringLiteral("cd"));
    QCOMPARE(edit->text(), QStringLiteral("bcd"));
    QVERIFY(seen.isEmpty());

    // A second hook replaces the first, which sees nothing more.
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    SubClass second;
    QList<long> secondSeen;
    connect(&second, &SubClass::WndProc, [&](long &Msg, long &, long &, long &) { secondSeen << Msg; });
    second.setMessages(SubClass::WM_KEYDOWN, true);
    second.setMessages(SubClass::WM_NCDESTROY, true);
    second.sethWnd(edit);
    QCOMPARE(hook.hWnd(), nullptr);
    QTest::keyClick(edit, Qt::Key_Y);
    QVERIFY(seen.isEmpty());
    QCOMPARE(secondSeen, QList<long>{SubClass::WM_KEYDOWN});
    delete edit; // a destroyed window unhooks
    QCOMPARE(second.hWnd(), nullptr);
    QCOMPARE(secondSeen, (QList<long>{SubClass::WM_KEYDOWN, SubClass::WM_NCDESTROY}));
    QLineEdit other;
    second.sethWnd(&other); // a new window hooks as usual
    QCOMPARE(second.hWnd(), &other);
}

// The hook's scrolls, header resizes and keys, and the dialog's answers, are checked through the
// list (tst_downloadpanel).
void TestDownloadCommands::dialogOpensReadyToAnswer()
{
    frmMsgBox dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.VideoOption[0]));
    for (int k = 0; k < 3; ++k) { // none chosen, every text fits its button
        QVERIFY(!dialog.VideoOption[k]->isChecked());
        QVERIFY(dialog.VideoOption[k]->width() >= dialog.VideoOption[k]->sizeHint().width());
    }
    // The question icon at (10, 10), nothing left of it.
    const QImage shot = dialog.grab().toImage();
    const QColor background = shot.pixelColor(dialog.width() - 3, dialog.height() - 3);
    int differing = 0;
    for (int y = 10; y < 42; ++y)
        for (int x = 10; x < 42; ++x)
            differing += shot.pixelColor(x, y) != background;
    QVERIFY2(differing > 50, "no icon at (10, 10)");
    for (int y = 0; y < 10; ++y)
        QCOMPARE(shot.pixelColor(5, y), background);
}

void TestDownloadCommands::barDrawing_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("fits"); // the caption fits the bar
    QTest::newRow("empty") << 200 << qint64(0) << false;
    QTest::newRow("half") << 200 << qint64(50) << false;
    QTest::newRow("wide bar") << 1200 << qint64(50) << true;
    QTest::newRow("narrow bar") << 120 << qint64(50) << false;
    QTest::newRow("no room") << 2 << qint64(50) << false;
    // The caption's own width and one pixel: within the frame's pixel on either side it does not fit.
    QTest::newRow("a pixel short") << -1 << qint64(50) << false;
}

void TestDownloadCommands::barDrawing()
{
    QFETCH(int, width);
    QFETCH(qint64, value);
    QFETCH(bool, fits);
    QWidget parent;
    RowProgressBar bar(0, &parent);
    const QString caption = QStringLiteral("Downloading... 512.25 MB / 1024.50 MB - 50%");
    if (width < 0)
        width = QFontMetrics(bar.font()).horizontalAdvance(caption) + 1;
    bar.resize(width, 18);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    bar.draw(caption, 100, value);
    const QString shown = bar.shownCaption();
    // What is shown fits inside the frame and begins as the caption does.
    QVERIFY2(QFontMetrics(bar.font()).horizontalAdvance(shown) <= width - 2, qPrintable(shown));
    if (fits) {
        QCOMPARE(shown, caption);
    } else {
        QVERIFY2(shown.endsWith(QChar(0x2026)) || shown.isEmpty(), qPrintable(shown));
        QVERIFY2(caption.startsWith(shown.chopped(shown.isEmpty() ? 0 : 1)), qPrintable(shown));
    }
    const int filled = int((width - 2) * value / 100);
    QCOMPARE(bar.filledRect().width(), std::max(0, filled));
    if (width < 100)
        return;
    // Filled from the left edge up to the value. The caption stays readable on both parts: some
    // pixels differ from the fill inside it, and from the background on the empty right half.
    const QImage shot = bar.grab().toImage();
    const QColor fill = bar.palette().color(QPalette::Highlight);
    QCOMPARE(shot.pixelColor(3, 2) == fill, value > 0);
    QVERIFY(shot.pixelColor(width - 4, 2) != fill);
    int textOnFill = 0;
    int text = 0;
    for (int y = 2; y < 16; ++y) {
        for (int x = 1; x < filled; ++x)
            textOnFill += shot.pixelColor(x, y) != fill;
        for (int x = width / 2 + 1; x < width - 1; ++x)
            text += shot.pixelColor(x, y) != bar.palette().color(QPalette::Base);
    }
    QVERIFY(value == 0 || textOnFill > 10);
    QVERIFY(text > 10);
}

void TestDownloadCommands::barIgnoresValueAboveMaximum()
{
    RowProgressBar bar(0, nullptr);
    qint64 value = 40;
    bar.draw(QStringLiteral("forty"), 100, value);
    value = 101;
    bar.draw(QStringLiteral("too far"), 100, value);
    QCOMPARE(bar.caption(), QStringLiteral("forty"));
    QCOMPARE(bar.value(), qint64(40));
    // A value above the scale of the previous drawing is lowered to it, the caller's variable too.
    value = 30;
    bar.draw(QStringLiteral("scale of fifty"), 50, value);
    value = 70;
    bar.draw(QStringLiteral("back to a hundred"), 100, value);
    QCOMPARE(value, qint64(50));
    QCOMPARE(bar.value(), qint64(50));
    QCOMPARE(bar.maximum(), qint64(100));
}

// A message only while the window is away (hidden, minimised or behind another one), with a tray.
void TestDownloadCommands::notificationOnlyWhileTheWindowIsAway_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("tray");
    QTest::newRow("active") << "active" << true;
    QTest::newRow("hidden") << "hidden" << true;
    QTest::newRow("minimised") << "minimised" << true;
    QTest::newRow("another window active") << "behind" << true;
    QTest::newRow("no tray") << "hidden" << false;
}

void TestDownloadCommands::notificationOnlyWhileTheWindowIsAway()
{
    QFETCH(QString, window);
    QFETCH(bool, tray);
    const bool shown = tray && window != QLatin1String("active");
    QWidget main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    if (window == QLatin1String("hidden")) {
        main.hide();
    } else if (window == QLatin1String("minimised")) {
        main.showMinimized();
    } else if (window == QLatin1String("behind")) {
        panel().activateWindow(); // the list's own window is the other one
        QVERIFY(QTest::qWaitForWindowActive(&panel()));
    }
    QSystemTrayIcon icon; // an icon object; whether the desktop shows it plays no part here
    DownloadNotifier notifier(&main, [&]() -> QSystemTrayIcon * { return tray ? &icon : nullptr; });
    QSignalSpy messages(&notifier, &DownloadNotifier::shown);
    notifier.downloadEnded(QStringLiteral("Sunset.mp4"), QStringLiteral("Video successfully downloaded!"),
                           QStringLiteral("/videos/"), true);
    QCOMPARE(messages.size(), shown ? 1 : 0);
    Q_EMIT icon.messageClicked();
    const auto opened = h.seam->callsOf(UiSeam::Kind::OpenFolder);
    QCOMPARE(opened.size(), shown ? 1 : 0);
    if (shown) {
        QCOMPARE(messages.first(), (QVariantList{QStringLiteral("Sunset.mp4"), QStringLiteral("Video successfully downloaded!")}));
        QCOMPARE(opened.first().text, QStringLiteral("file:///videos/"));
    }
}

// Accessibility and the busy bar are checked on the list's own bars (tst_downloadpanel and above).
QTEST_MAIN(TestDownloadCommands)
#include "tst_downloadcommands.moc"
