// The download list's commands and failures against the demo site: every fault of the site ends
// in the error state with the old file untouched; stop, start and removal in every state really
// end or restart transfers; the average speed of a throttled transfer.
#include "PanelFixture.h"
#include "support/DemoSite.h"
#include "dialogs/frmMenu.h"
#include "queue/ProgressText.h"
#include "downloads/RowProgressBar.h"
#include "queue/SpeedMeter.h"
#include "transfer/Downloader.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using namespace PanelFixture;

namespace {
const QByteArray OldContent = "the video that was here before";
} // namespace

class TestDownloadCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProgram(); }
    void init() { h.setUp(300); }
    void cleanup() { h.tearDown(); }

    void faultsEndInErrorAndKeepTheOldFile_data();
    void faultsEndInErrorAndKeepTheOldFile();
    void stopStartRemoveAndCloseWhileThreeRun();
    void rowsInEveryState();
    void speedSizeAndTimeLeft();
    void speedNeverNegative_data();
    void speedNeverNegative();

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
    writeFile(folder() + QStringLiteral("Sunset.mp4"), OldContent);
    h.seam->onModal = answerWith(1);
    const DownloadChoice c = mp4(QStringLiteral("Sunset"), query);
    // What the row says after each try.
    QStringList captions;
    afterComplete(panel(), c.mediaAddress, [&] { captions << captionOf(panel(), c.mediaAddress); });
    // Waits of 1, 2, 4, 8 and 16 s, each a tenth longer or shorter at most, and the try to come.
    const QRegularExpression waiting(QStringLiteral("^Download interrupted \\((.+)\\): trying again in (\\d+) s \\(try (\\d) of 6\\)\\.\\.\\.$"));
    for (const bool again : {false, true}) { // Start tries again; it fails the same way
        captions.clear();
        site().clear();
        if (status > 0)
            site().rule(mediaTarget(Id, 18, query), 0, status);
        if (again) {
            selectOnly(panel(), {0});
            panel().mnuStart_Click();
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

void TestDownloadCommands::stopStartRemoveAndCloseWhileThreeRun()
{
    QStringList keys;
    for (int k = 0; k < 3; ++k) {
        // A hundredth arrives within a second; the whole takes a minute, longer than the test.
        const DownloadChoice c = mp4(QStringLiteral("Row %1").arg(k), QStringLiteral("size=8000000&rate=140000&n=%1").arg(k));
        panel().cmdDownload_Click(c);
        keys << c.mediaAddress;
    }
    waitForProgress(keys);

    // Stop the middle one: its transfer ends, its partial file stays, no more bytes arrive.
    selectOnly(panel(), {1});
    panel().mnuStop_Click();
    QCOMPARE(stateOf(panel(), keys[1]), int(StateStopped));
    QCOMPARE(captionOf(panel(), keys[1]), QStringLiteral("Download stopped by the user."));
    QCOMPARE(percentOf(panel(), keys[1]), qint64(0));
    QCOMPARE(panel().records().at(1).bytes, qint64(0));
    QVERIFY(!panel().DownloadVid->IsRunning(keys[1]));
    QCOMPARE(hiddenFiles(folder()).size(), 3);
    // While the others receive a good deal more, nothing reaches the stopped row.
    const qint64 firstBefore = panel().records().at(0).bytes;
    QTRY_VERIFY_WITH_TIMEOUT(panel().records().at(0).bytes > firstBefore + 200000, Wait);
    QCOMPARE(panel().records().at(1).bytes, qint64(0));
    QCOMPARE(stateOf(panel(), keys[1]), int(StateStopped));
    QCOMPARE(stateOf(panel(), keys[0]), int(StateDownloading));

    // Start it again: a new request for the rest of the file.
    const qint64 kept = QFileInfo(panel().records().at(1).partialFile).size();
    QVERIFY(kept > 0);
    panel().mnuStart_Click();
    QCOMPARE(stateOf(panel(), keys[1]), int(StateDownloading));
    QCOMPARE(captionOf(panel(), keys[1]), QStringLiteral("Starting download. Please wait..."));
    QTRY_VERIFY_WITH_TIMEOUT(site().requestLog().filter(QStringLiteral("n=1")).size() >= 2, Wait);
    const auto requests = site().requests();
    const auto second = std::find_if(requests.rbegin(), requests.rend(),
                                     [](const DemoSite::LoggedRequest &r) { return r.target.contains(QStringLiteral("n=1")); });
    QCOMPARE(second->range(), QStringLiteral("bytes=%1-").arg(kept));
    waitForProgress({keys[1]});
    QVERIFY(panel().records().at(1).fileBytes >= kept);

    // Remove the middle one while all three run: the third row's bar moves up with its caption.
    selectOnly(panel(), {1});
    panel().mnuRemoveSelected_Click();
    QCOMPARE(panel().records().count(), 2);
    QCOMPARE(panel().MainPB.size(), 2);
    QCOMPARE(rowOf(panel(), keys[2]), 1);
    QVERIFY(!panel().DownloadVid->IsRunning(keys[1]));
    QVERIFY(panel().DownloadVid->IsRunning(keys[2]));
    QCOMPARE(panel().MainPB[1]->caption(), panel().records().at(1).caption);
    QCOMPARE(panel().MainPB[1]->value(), panel().records().percent(1));
    const QTreeWidget *list = panel().lvwDownloads;
    QCOMPARE(panel().MainPB[1]->y() - 1, list->visualRect(list->model()->index(1, DownloadPanel::ColStatus)).top());
    QCOMPARE(hiddenFiles(folder()).size(), 2); // Remove deletes the partial file
    QVERIFY(!QFile::exists(folder() + QStringLiteral("Row 1.mp4")));

    // Closing the list ends the transfers; their bytes stay for the next start.
    h.panel.reset();
    const QStringList left = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, hiddenFiles(folder()));
    QCOMPARE(left.size(), 2);
    for (const QString &name : left)
        QVERIFY_MEDIA(folder() + name, Id, 18, QFileInfo(folder() + name).size());
}

// Rows in every state: finished through a redirect or with no size announced, failed, stopped,
// running, and waiting for its first report. Stop leaves a row before its first percent and a
// finished one alone, Start restarts the first and leaves the second; "Remove downloaded and
// erroneous" keeps the rest.
void TestDownloadCommands::rowsInEveryState()
{
    panel().DownloadVid->setIdleTimeout(0); // the stalled row waits as long as the test needs
    const DownloadChoice ok = mp4(QStringLiteral("Moved"), QStringLiteral("fault=redirect&size=70001"));
    const DownloadChoice bad = choice(Id, 34, QStringLiteral("Bad"), QStringLiteral(".flv"), QStringLiteral("fault=404"));
    const DownloadChoice stopped = mp4(QStringLiteral("Endless"), QStringLiteral("fault=nolength&size=4000000000&rate=200000"), 37);
    const DownloadChoice running = mp4(QStringLiteral("Running"), QStringLiteral("size=20000000&rate=300000"));
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
    selectOnly(panel(), {0, 2, 4});
    panel().mnuStop_Click();
    QCOMPARE(stateOf(panel(), waiting.mediaAddress), int(StateDownloading)); // no progress shown yet
    QCOMPARE(stateOf(panel(), ok.mediaAddress), int(StateDownloaded));
    QCOMPARE(stateOf(panel(), stopped.mediaAddress), int(StateStopped));
    QVERIFY(!bar->isBusy());
    site().clear();
    selectOnly(panel(), {0, 4});
    panel().mnuStart_Click(); // restarts the stalled row (0 %), leaves the finished one
    QCOMPARE(captionOf(panel(), ok.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QTRY_VERIFY_WITH_TIMEOUT(!site().requestLog().filter(QStringLiteral("/media/")).isEmpty(), Wait);
    QVERIFY(panel().DownloadVid->IsRunning(waiting.mediaAddress));
    QVERIFY(!panel().DownloadVid->IsRunning(ok.mediaAddress));
    for (const QString &request : site().requestLog().filter(QStringLiteral("/media/")))
        QVERIFY2(request.contains(QStringLiteral("fault=stall")), qPrintable(request));

    selectOnly(panel(), {2, 3}); // the selection plays no part
    panel().mnuRemoveDownError_Click();
    QCOMPARE(panel().records().count(), 3);
    QCOMPARE(rowOf(panel(), stopped.mediaAddress), 0);
    QCOMPARE(rowOf(panel(), running.mediaAddress), 1);
    QCOMPARE(panel().MainPB.size(), 3);
    QCOMPARE(captionOf(panel(), stopped.mediaAddress), QStringLiteral("Download stopped by the user."));
    QVERIFY(captionOf(panel(), running.mediaAddress).startsWith(QStringLiteral("Downloading... ")));
    QCOMPARE(captionOf(panel(), waiting.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    QVERIFY(panel().DownloadVid->IsRunning(running.mediaAddress));
    QVERIFY(QFile::exists(folder() + QStringLiteral("Moved.mp4"))); // files stay on disk

    // The right button on a row shows the list's menu; on empty space below the rows, or the left
    // button, nothing. Pressing a bar selects its row; releasing the right button there adds the row
    // and shows the menu.
    QSignalSpy popups(frmMenu::instance(), &frmMenu::aboutToPopup);
    QTreeWidget *list = panel().lvwDownloads;
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
    const QRegularExpression text(QStringLiteral("^Average Download Speed: (\\d+\\.\\d) kB/s$"));
    const auto match = text.match(texts.last().first().toString());
    QVERIFY(match.hasMatch());
    QCOMPARE(match.captured(1), ProgressText::Fixed(averages.last(), 1000, 1));
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
    selectOnly(panel(), {0, 1});
    panel().mnuStop_Click();
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
        selectOnly(panel(), {0});
        panel().mnuStart_Click();
        QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    }
    panel().Timer1_Timer();
    QVERIFY2(panel().speedMeter().average() >= 0, qPrintable(panel().speedText()));
}

QTEST_MAIN(TestDownloadCommands)
#include "tst_downloadcommands.moc"
