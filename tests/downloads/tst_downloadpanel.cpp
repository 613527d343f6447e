// The download list against the demo site: adding rows, progress, completion into real folders,
// the confirmation dialog, names, renaming, the save folder and the bars' placement.
#include "support/DemoSite.h"
#include "PanelFixture.h"
#include "base/AppState.h"
#include "base/Settings.h"
#include "dialogs/frmMenu.h"
#include "downloads/RowProgressBar.h"
#include "image/MenuIcons.h"
#include "transfer/Downloader.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QDialog>
#include <QDir>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QtTest>

using namespace PanelFixture;

class TestDownloadPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { h.setUp(260); }
    void cleanup() { h.tearDown(); }

    void addProgressComplete();
    void limitOf25Rows();
    void duplicateAddress();
    void confirmationAnswers_data();
    void confirmationAnswers();
    void sameNameTwoRowsKeepBothFiles_data();
    void sameNameTwoRowsKeepBothFiles();
    void explicitChoicesReplaceAFileOfTheList_data();
    void explicitChoicesReplaceAFileOfTheList();
    void finishNeverReplacesAFileThatAppeared_data();
    void renameOntoAFileAsks_data();
    void renameOntoAFileAsks();
    void finishNeverReplacesAFileThatAppeared();
    void fallbackNames_data();
    void fallbackNames();
    void renameDuringTransfer();
    void renameRules();
    void lastStepAfterChangesDuringTheTransfer_data();
    void lastStepAfterChangesDuringTheTransfer();
    void goingAwayWhileCopyingTellsNoOne();
    void barsFollowScrollKeysAndColumns();
    void rowsFedFromElsewhere();
    void browseAndOpen();
    void queueFromTheMenuAndKeys();

private:
    DownloadPanel &panel() { return *h.panel; }
    QString folder() const { return h.folder(); }
    QString finishOne(const DownloadChoice &c); // adds, waits for the end, returns the key
    void rename(int row, const QString &typed); // in place, as the user does it

    QTemporaryDir m_settingsDir;
    Harness h;
};

void TestDownloadPanel::initTestCase()
{
    setUpProgram();
    AppState::setAppPath(m_settingsDir.path() + QLatin1Char('/'));
}


QString TestDownloadPanel::finishOne(const DownloadChoice &c)
{
    panel().cmdDownload_Click(c);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress) > 1, Wait); }();
    return c.mediaAddress;
}

void TestDownloadPanel::rename(int row, const QString &typed)
{
    typeName(panel(), row, typed);
    QTRY_VERIFY(!panel().lvwDownloads->viewport()->findChild<QLineEdit *>()); // committed and closed
}

void TestDownloadPanel::addProgressComplete()
{
    QSignalSpy freeSpace(&panel(), &DownloadPanel::freeSpaceTextChanged);
    const DownloadChoice c = choice(Id, 5, QStringLiteral("Sunset at the Beach"), QStringLiteral("_(LQ).flv"),
                                    QStringLiteral("size=3000000&rate=1500000"));
    panel().cmdDownload_Click(c);
    QCOMPARE(panel().records().count(), 1);
    QCOMPARE(nameOf(panel(), c.mediaAddress), QStringLiteral("Sunset at the Beach_(LQ).flv"));
    QVERIFY(panel().anyDownloading());
    QVERIFY(h.seam->callsOf(UiSeam::Kind::Modal).isEmpty()); // no file of that name yet: no dialog
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    QCOMPARE(statusCellText(panel(), 0), QStringLiteral("Starting download. Please wait..."));
    // The first report that shows a percentage, seen as it happens: the bar, the list's accessible
    // cell and the bar's own accessible value agree with the caption.
    const QRegularExpression progress(
        QStringLiteral("^Downloading\\.\\.\\. (\\d+\\.\\d\\d) MB / 2\\.86 MB - (\\d+)%$"));
    QString caption;
    qint64 barValue = -1;
    QString barName;
    int barAccessibleValue = -1;
    connect(panel().DownloadVid, &Downloader::Progress, &panel(), [&] {
        const QString now = captionOf(panel(), c.mediaAddress);
        if (!caption.isEmpty() || !progress.match(now).hasMatch())
            return;
        caption = now;
        RowProgressBar *bar = panel().MainPB[0];
        barValue = bar->value();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(bar);
        barName = iface->role() == QAccessible::ProgressBar ? iface->text(QAccessible::Name) : QString();
        barAccessibleValue = iface->valueInterface()->currentValue().toInt();
    });
    QTRY_VERIFY_WITH_TIMEOUT(!caption.isEmpty(), Wait);
    const int percent = progress.match(caption).captured(2).toInt();
    QVERIFY(percent >= 1 && percent <= 100);
    QCOMPARE(barValue, qint64(percent));
    QCOMPARE(barName, caption);
    QCOMPARE(barAccessibleValue, percent);

    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(percentOf(panel(), c.mediaAddress), qint64(0));
    QCOMPARE(panel().records().at(0).bytes, qint64(0));
    QVERIFY(!panel().anyDownloading());
    QVERIFY_MEDIA(folder() + QStringLiteral("Sunset at the Beach_(LQ).flv"), Id, 5, 3000000);
    QCOMPARE(hiddenFiles(folder()), QStringList()); // no partial file left behind
    QVERIFY(!freeSpace.isEmpty());
    QVERIFY(freeSpace.last().first().toString().startsWith(QStringLiteral("Free Disk Space: ")));
    QCOMPARE(site().requestLog().filter(QStringLiteral("/media/")).size(), 1);
}

void TestDownloadPanel::limitOf25Rows()
{
    for (int k = 0; k < 25; ++k)
        panel().cmdDownload_Click(choice(Id, 18, QStringLiteral("Clip %1").arg(k), QStringLiteral(".mp4"),
                                         QStringLiteral("size=%1").arg(1000 + k)));
    QCOMPARE(panel().records().count(), 25);
    QCOMPARE(panel().MainPB.size(), 25);
    QTRY_VERIFY_WITH_TIMEOUT(!panel().anyDownloading(), Wait);
    for (int k = 0; k < 25; ++k)
        QVERIFY_MEDIA(folder() + QStringLiteral("Clip %1.mp4").arg(k), Id, 18, 1000 + k);

    // Finished rows count too.
    const DownloadChoice extra = choice(Id, 18, QStringLiteral("Extra"), QStringLiteral(".mp4"), QStringLiteral("size=77"));
    panel().cmdDownload_Click(extra);
    QCOMPARE(panel().records().count(), 25);
    QCOMPARE(h.seam->messages(),
             QStringList{QStringLiteral("Sorry, but you can do a maximum of 25 simultaneous downloads. \r\n\r\n"
                                        "Remove downloaded videos from the list first, then you can add new ones. ")});
    QCOMPARE(h.seam->calls.last().style, 48);

    selectOnly(panel(), {7});
    panel().mnuRemoveSelected_Click();
    QCOMPARE(panel().records().count(), 24);
    finishOne(extra);
    QCOMPARE(panel().records().count(), 25);
    QCOMPARE(stateOf(panel(), extra.mediaAddress), int(StateDownloaded));
}

void TestDownloadPanel::duplicateAddress()
{
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Twice"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=200000&rate=400000"));
    panel().cmdDownload_Click(c);
    panel().cmdDownload_Click(c); // while it runs
    QCOMPARE(panel().records().count(), 1);
    QCOMPARE(h.seam->messages(), QStringList{QStringLiteral("You are already downloading this video! ")});
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    panel().cmdDownload_Click(c); // and after it has finished
    QCOMPARE(panel().records().count(), 1);
    QCOMPARE(h.seam->messages().size(), 2);
    QVERIFY(h.seam->callsOf(UiSeam::Kind::Modal).isEmpty()); // refused before the file is looked at
}

void TestDownloadPanel::confirmationAnswers_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<QString>("rowName"); // empty: no row
    QTest::newRow("OK at once") << -1 << true << QString();
    QTest::newRow("do not download") << 0 << true << QString();
    QTest::newRow("close box") << 1 << false << QString();
    QTest::newRow("overwrite") << 1 << true << QStringLiteral("Sunset.mp4");
    QTest::newRow("rename") << 2 << true << QStringLiteral("Sunset [2].mp4");
}

void TestDownloadPanel::confirmationAnswers()
{
    QFETCH(int, option);
    QFETCH(bool, pressOk);
    QFETCH(QString, rowName);
    writeFile(folder() + QStringLiteral("Sunset.mp4"), "an older video of more bytes than the new one? no");
    writeFile(folder() + QStringLiteral("Sunset [1].mp4"), "taken");
    const QByteArray old = readFile(folder() + QStringLiteral("Sunset.mp4"));
    h.seam->onModal = answerWith(option, pressOk);
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Sunset"), QStringLiteral(".mp4"), QStringLiteral("size=30000"));
    panel().cmdDownload_Click(c);
    const auto modal = h.seam->callsOf(UiSeam::Kind::Modal);
    QCOMPARE(modal.size(), 1);
    QCOMPARE(modal[0].title, QStringLiteral("Confirmation"));

    if (rowName.isEmpty()) {
        QCOMPARE(panel().records().count(), 0);
        QCOMPARE(panel().DownloadVid->RunningCount(), 0); // nothing started
        QCOMPARE(readFile(folder() + QStringLiteral("Sunset.mp4")), old);
        return;
    }
    QCOMPARE(nameOf(panel(), c.mediaAddress), rowName);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QVERIFY_MEDIA(folder() + rowName, Id, 18, 30000);
    if (rowName != QStringLiteral("Sunset.mp4"))
        QCOMPARE(readFile(folder() + QStringLiteral("Sunset.mp4")), old);
    QCOMPARE(readFile(folder() + QStringLiteral("Sunset [1].mp4")), QByteArray("taken"));
}

void TestDownloadPanel::sameNameTwoRowsKeepBothFiles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("numbered");
    QTest::newRow("short") << "Same" << "Same [1].mp4";
    // The number takes the place of the last characters of a name of the file system's full length.
    QTest::newRow("full length") << QString(251, QLatin1Char('a')) << QString(247, QLatin1Char('a')) + " [1].mp4";
}

void TestDownloadPanel::sameNameTwoRowsKeepBothFiles()
{
    QFETCH(QString, title);
    QFETCH(QString, numbered);
    // Two videos with the same title, added before either file exists: whichever finishes second
    // is numbered, and both files are whole.
    const QStringList ids{QStringLiteral("pianoLesson"), QStringLiteral("tomJerryMix")};
    const QList<qint64> sizes{40000, 300000};
    QList<DownloadChoice> choices;
    for (int k = 0; k < 2; ++k) {
        choices << choice(ids[k], 18, title, QStringLiteral(".mp4"), QStringLiteral("size=%1").arg(sizes[k]));
        panel().cmdDownload_Click(choices[k]);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!panel().anyDownloading(), Wait);
    QStringList names;
    for (int k = 0; k < 2; ++k) {
        QCOMPARE(stateOf(panel(), choices[k].mediaAddress), int(StateDownloaded));
        names << nameOf(panel(), choices[k].mediaAddress);
        QVERIFY_MEDIA(folder() + names[k], ids[k], 18, sizes[k]);
    }
    names.sort();
    QCOMPARE(names, (QStringList{numbered, title + QStringLiteral(".mp4")}));
    QCOMPARE(hiddenFiles(folder()), QStringList());
}

void TestDownloadPanel::explicitChoicesReplaceAFileOfTheList_data()
{
    QTest::addColumn<bool>("renameOntoIt"); // else: "Download and overwrite" when it is added
    QTest::newRow("overwrite") << false;
    QTest::newRow("renamed onto its name") << true;
}

void TestDownloadPanel::explicitChoicesReplaceAFileOfTheList()
{
    QFETCH(bool, renameOntoIt);
    // A file that another row of the list wrote is replaced when the user chose its name knowingly.
    finishOne(choice(QStringLiteral("pianoLesson"), 18, QStringLiteral("Sunset"), QStringLiteral(".mp4"),
                     QStringLiteral("size=40000")));
    QCOMPARE(nameOf(panel(), panel().records().at(0).key), QStringLiteral("Sunset.mp4"));
    const QString otherId = QStringLiteral("tomJerryMix");
    DownloadChoice second = choice(otherId, 18, QStringLiteral("Sunset"), QStringLiteral(".mp4"),
                                   QStringLiteral("size=1200000&rate=1000000"));
    if (renameOntoIt) {
        rename(0, QStringLiteral("Later")); // the list's name only; the file keeps its name
        second.videoTitle = QStringLiteral("Other");
        onFirstProgress(panel(), second.mediaAddress, [&] { typeName(panel(), 1, QStringLiteral("Sunset")); });
    }
    h.seam->onModal = answerWith(1); // "Download and overwrite", asked when it is added or renamed
    panel().cmdDownload_Click(second);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), second.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(nameOf(panel(), second.mediaAddress), QStringLiteral("Sunset.mp4"));
    QCOMPARE(captionOf(panel(), second.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QVERIFY_MEDIA(folder() + QStringLiteral("Sunset.mp4"), otherId, 18, 1200000);
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Sunset.mp4")});
    QCOMPARE(h.seam->callsOf(UiSeam::Kind::Modal).size(), 1);
}

void TestDownloadPanel::finishNeverReplacesAFileThatAppeared_data()
{
    QTest::addColumn<bool>("existsWhenAdded"); // and the user answers "Download and overwrite"
    QTest::addColumn<QString>("duringTransfer"); // "write": a file of the name is (re)written; "move": Save to: changes
    QTest::addColumn<QString>("expected");
    QTest::newRow("appeared while it ran") << false << "write" << "Appear [1].mp4";
    QTest::newRow("chosen to overwrite, changed since") << true << "write" << "Appear [1].mp4";
    QTest::newRow("chosen to overwrite, as it was") << true << "" << "Appear.mp4";
    QTest::newRow("save folder changed to one holding the name") << false << "move" << "Appear [1].mp4";
    QTest::newRow("chosen in the old save folder, the new one holds the name") << true << "move" << "Appear [1].mp4";
}

void TestDownloadPanel::finishNeverReplacesAFileThatAppeared()
{
    QFETCH(bool, existsWhenAdded);
    QFETCH(QString, duringTransfer);
    QFETCH(QString, expected);
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Appear"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=1200000&rate=1000000"));
    QString into = folder();
    if (existsWhenAdded)
        writeFile(into + QStringLiteral("Appear.mp4"), "the user's old video");
    h.seam->onModal = answerWith(1);
    const QString other = h.dir->filePath(QStringLiteral("elsewhere/"));
    onFirstProgress(panel(), c.mediaAddress, [&] {
        if (duringTransfer == QLatin1String("move")) {
            QVERIFY(QDir().mkpath(other));
            panel().setSavePath(other);
            into = other;
        }
        if (!duringTransfer.isEmpty())
            writeFile(into + QStringLiteral("Appear.mp4"), "someone else's file, written meanwhile");
    });
    panel().cmdDownload_Click(c);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(nameOf(panel(), c.mediaAddress), expected);
    QCOMPARE(captionOf(panel(), c.mediaAddress), expected == QLatin1String("Appear.mp4")
                                                     ? QStringLiteral("Video successfully downloaded!")
                                                     : QStringLiteral("Video downloaded, but saved as %1!").arg(expected));
    QVERIFY_MEDIA(into + expected, Id, 18, 1200000);
    if (!duringTransfer.isEmpty())
        QCOMPARE(readFile(into + QStringLiteral("Appear.mp4")), QByteArray("someone else's file, written meanwhile"));
    if (existsWhenAdded && duringTransfer == QLatin1String("move"))
        QCOMPARE(readFile(folder() + QStringLiteral("Appear.mp4")), QByteArray("the user's old video"));
}

void TestDownloadPanel::fallbackNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QStringLiteral("qqqQuestion.mp4");
    QTest::newRow("two dots") << QStringLiteral("..") << QStringLiteral("qqqQuestion.mp4");
}

void TestDownloadPanel::fallbackNames()
{
    QFETCH(QString, title);
    QFETCH(QString, expected);
    const DownloadChoice c = choice(QStringLiteral("qqqQuestion"), 18, title, QStringLiteral(".mp4"), QStringLiteral("size=5000"));
    finishOne(c);
    QCOMPARE(nameOf(panel(), c.mediaAddress), expected);
    QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateDownloaded));
    QVERIFY_MEDIA(folder() + expected, QStringLiteral("qqqQuestion"), 18, 5000);
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{expected});
}

void TestDownloadPanel::renameDuringTransfer()
{
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Sunset"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=1500000&rate=1000000"));
    // Typed while the transfer surely runs; the edit is committed on the next turn of the event loop.
    onFirstProgress(panel(), c.mediaAddress, [&] { typeName(panel(), 0, QStringLiteral("my clip")); });
    panel().cmdDownload_Click(c);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(nameOf(panel(), c.mediaAddress), QStringLiteral("my clip.mp4"));
    QVERIFY_MEDIA(folder() + QStringLiteral("my clip.mp4"), Id, 18, 1500000);
    QVERIFY(!QFile::exists(folder() + QStringLiteral("Sunset.mp4")));
}

// The name rules themselves are tabled in tst_downloadlogic; here what only the list knows.
void TestDownloadPanel::renameRules()
{
    panel().cmdDownload_Click(choice(Id, 18, QStringLiteral("First"), QStringLiteral(".mp4"), QStringLiteral("size=100")));
    panel().cmdDownload_Click(choice(Id, 34, QStringLiteral("Second"), QStringLiteral(".mp4"), QStringLiteral("size=100")));
    QTRY_VERIFY_WITH_TIMEOUT(!panel().anyDownloading(), Wait);
    const auto nameAt = [&](int row) { return panel().lvwDownloads->topLevelItem(row)->text(DownloadPanel::ColVideo); };
    // Another row's name and the row's own name are taken: refused with the message.
    rename(1, QStringLiteral("First"));
    QCOMPARE(nameAt(1), QStringLiteral("Second.mp4"));
    rename(0, QStringLiteral("First.mp4"));
    QCOMPARE(nameAt(0), QStringLiteral("First.mp4"));
    const QString taken = QStringLiteral("There is already a file with this name in the list. \r\n\r\nRenaming has been canceled. ");
    QCOMPARE(h.seam->messages(), (QStringList{taken, taken}));
    // Blanks only: refused silently.
    rename(0, QStringLiteral("   "));
    QCOMPARE(nameAt(0), QStringLiteral("First.mp4"));
    QCOMPARE(h.seam->messages().size(), 2);
    // A finished row's file keeps its name on disk.
    rename(0, QStringLiteral("Later"));
    QCOMPARE(nameAt(0), QStringLiteral("Later.mp4"));
    QVERIFY(QFile::exists(folder() + QStringLiteral("First.mp4")));
    QVERIFY(!QFile::exists(folder() + QStringLiteral("Later.mp4")));
    // The status column is not editable.
    panel().lvwDownloads->editItem(panel().lvwDownloads->topLevelItem(0), DownloadPanel::ColStatus);
    QVERIFY(!panel().lvwDownloads->viewport()->findChild<QLineEdit *>());
}

void TestDownloadPanel::lastStepAfterChangesDuringTheTransfer_data()
{
    QTest::addColumn<QString>("saveIn");  // below the test's folder
    QTest::addColumn<QString>("change");  // what happens while the transfer runs
    QTest::addColumn<QString>("savedAs"); // the file at the end, below the test's folder or <other>
    QTest::addColumn<QString>("caption"); // <folder>: the test's folder
    QTest::addColumn<bool>("copied");     // the body is copied on a worker while the row says so
    const QString done = QStringLiteral("Video successfully downloaded!");
    QTest::newRow("folder removed") << "videos/" << "remove" << "videos/Moved.mp4" << done << true;
    QTest::newRow("changed to a new folder") << "" << "folder:elsewhere/deeper" << "elsewhere/deeper/Moved.mp4"
                                             << done << false;
    QTest::newRow("changed to another file system") << "" << "other" << "<other>/Moved.mp4" << done << true;
    QTest::newRow("a folder took its name") << "" << "mkdir:Moved.mp4" << "Moved [1].mp4"
                                            << "Video downloaded, but saved as Moved [1].mp4!" << false;
    QTest::newRow("changed to a folder below a file") << "" << "folder:plain/videos" << "Moved.mp4"
                                                      << "Video downloaded, but saved as <folder>Moved.mp4!" << false;
}

void TestDownloadPanel::lastStepAfterChangesDuringTheTransfer()
{
    QFETCH(QString, saveIn);
    QFETCH(QString, change);
    QFETCH(QString, savedAs);
    QFETCH(QString, caption);
    QFETCH(bool, copied);
    // Another file system: a memory file system beside the disk that holds the test's folder.
    std::unique_ptr<QTemporaryDir> other;
    if (change == QLatin1String("other")) {
        other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/clipvault-test-XXXXXX"));
        if (!other->isValid() || QStorageInfo(other->path()).device() == QStorageInfo(folder()).device())
            QSKIP("no second file system here; the removed folder forces a copy as well");
    }
    writeFile(folder() + QStringLiteral("plain"), "a file, not a folder");
    panel().setSavePath(folder() + saveIn);
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Moved"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=1200000&rate=1000000"));
    onFirstProgress(panel(), c.mediaAddress, [&] {
        if (change == QLatin1String("remove"))
            QVERIFY(QDir(folder() + saveIn).removeRecursively());
        else if (change == QLatin1String("other"))
            panel().setSavePath(other->path());
        else if (change.startsWith(QLatin1String("folder:")))
            panel().setSavePath(folder() + change.mid(7));
        else
            QVERIFY(QDir(folder()).mkdir(change.mid(6)));
    });
    // What the row says right after the completion was handled: a long copy is not done yet.
    // Start and rename leave a row alone whose body is being copied.
    QString captionAtCompletion;
    bool restarted = false;
    bool editable = false;
    afterComplete(panel(), c.mediaAddress, [&] {
        captionAtCompletion = captionOf(panel(), c.mediaAddress);
        selectOnly(panel(), {0});
        panel().mnuStart_Click();
        restarted = panel().DownloadVid->IsRunning(c.mediaAddress);
        panel().lvwDownloads->editItem(panel().lvwDownloads->topLevelItem(0), DownloadPanel::ColVideo);
        editable = panel().lvwDownloads->viewport()->findChild<QLineEdit *>() != nullptr;
    });
    panel().cmdDownload_Click(c);
    QTRY_VERIFY_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress) != StateDownloading, Wait);
    QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateDownloaded));
    caption.replace(QStringLiteral("<folder>"), folder());
    QCOMPARE(captionAtCompletion, copied ? QStringLiteral("Saving the video. Please wait...") : caption);
    QCOMPARE(restarted, false);
    QCOMPARE(editable, !copied);
    QCOMPARE(captionOf(panel(), c.mediaAddress), caption);
    const QString final = savedAs.startsWith(QLatin1String("<other>")) ? other->path() + savedAs.mid(7)
                                                                        : folder() + savedAs;
    QCOMPARE(nameOf(panel(), c.mediaAddress), QFileInfo(final).fileName());
    QVERIFY_MEDIA(final, Id, 18, 1200000);
    QCOMPARE(hiddenFiles(QFileInfo(final).path()), QStringList());
    QCOMPARE(hiddenFiles(folder()), QStringList());
    if (final != folder() + QStringLiteral("Moved.mp4"))
        QVERIFY(!QFileInfo(folder() + QStringLiteral("Moved.mp4")).isFile());
}

// The list goes (the program closes) while a finished body is being copied into place: the copy
// completes, but a list that is going tells no one, since whoever listened may be going too.
void TestDownloadPanel::goingAwayWhileCopyingTellsNoOne()
{
    const qint64 size = 40000000;
    panel().setSavePath(folder() + QStringLiteral("videos/"));
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Closing"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=%1").arg(size));
    // The folder goes while the body arrives: the finished body is copied into a new one.
    onFirstProgress(panel(), c.mediaAddress, [&] { QVERIFY(QDir(folder() + QStringLiteral("videos")).removeRecursively()); });
    bool going = false;
    QStringList toldWhileGoing;
    for (const auto &[signal, what] : {std::pair{&DownloadPanel::speedTextChanged, "speed"},
                                       std::pair{&DownloadPanel::freeSpaceTextChanged, "free space"}})
        connect(h.panel.get(), signal, this, [&, what = what] { if (going) toldWhileGoing << QString::fromLatin1(what); });
    connect(h.panel.get(), &DownloadPanel::downloadEnded, this, [&] { if (going) toldWhileGoing << QStringLiteral("ended"); });
    QString captionAtClose;
    afterComplete(panel(), c.mediaAddress, [&] {
        QMetaObject::invokeMethod(this, [&] {
            captionAtClose = captionOf(panel(), c.mediaAddress);
            going = true;
            h.panel.reset();
            going = false;
        }, Qt::QueuedConnection);
    });
    panel().cmdDownload_Click(c);
    QTRY_VERIFY_WITH_TIMEOUT(!h.panel, Wait);
    QCOMPARE(captionAtClose, QStringLiteral("Saving the video. Please wait..."));
    QCOMPARE(toldWhileGoing, QStringList());
    QVERIFY_MEDIA(folder() + QStringLiteral("videos/Closing.mp4"), Id, 18, size);
}

void TestDownloadPanel::barsFollowScrollKeysAndColumns()
{
    QTreeWidget *list = panel().lvwDownloads;
    for (int k = 0; k < 20; ++k)
        panel().cmdDownload_Click(choice(Id, 18, QStringLiteral("Row %1").arg(k), QStringLiteral(".mp4"),
                                         QStringLiteral("fault=stall&n=%1").arg(k)));
    QCOMPARE(panel().MainPB.size(), 20);

    auto checkBars = [&] {
        int shown = 0;
        for (int k = 0; k < 20; ++k) {
            const QRect cell = list->visualRect(list->model()->index(k, DownloadPanel::ColStatus));
            RowProgressBar *bar = panel().MainPB[k];
            QCOMPARE(bar->parentWidget(), list->viewport());
            if (cell.top() < 0) {
                QVERIFY2(bar->isHidden(), qPrintable(QStringLiteral("bar %1 above the view").arg(k)));
                continue;
            }
            QVERIFY2(!bar->isHidden(), qPrintable(QStringLiteral("bar %1").arg(k)));
            QVERIFY(std::abs(bar->x() - cell.x()) <= 2);
            QCOMPARE(bar->width(), cell.width());
            QVERIFY(bar->y() > cell.top() - 1 && bar->geometry().bottom() <= cell.bottom());
            if (cell.top() < list->viewport()->height())
                ++shown;
        }
        QVERIFY(shown > 0);
    };
    checkBars();
    QVERIFY(!panel().MainPB[0]->isHidden());

    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    QVERIFY(panel().MainPB[0]->isHidden()); // scrolled up behind the headers
    checkBars();
    list->verticalScrollBar()->setValue(0);
    QVERIFY(!panel().MainPB[0]->isHidden());

    // Key navigation: the list moves first, the bars follow.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentItem(), list->topLevelItem(19));
    QVERIFY(panel().MainPB[0]->isHidden());
    checkBars();

    // Widening the first column moves every bar at once.
    const int before = panel().MainPB[1]->x();
    list->header()->resizeSection(DownloadPanel::ColVideo, list->columnWidth(DownloadPanel::ColVideo) + 40);
    QCOMPARE(panel().MainPB[1]->x(), before + 40);
    checkBars();
    list->header()->resizeSection(DownloadPanel::ColStatus, 123);
    checkBars();
    QCOMPARE(panel().MainPB[2]->width(), list->visualRect(list->model()->index(2, DownloadPanel::ColStatus)).width());
}

// Rows whose bytes another downloader fetches use the list as its own transfers do.
void TestDownloadPanel::rowsFedFromElsewhere()
{
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Elsewhere"), QStringLiteral(".mp4"));
    QVERIFY(panel().appendRow(c, QStringLiteral("Elsewhere.mp4")));
    QVERIFY(!panel().appendRow(c, QStringLiteral("Twice.mp4"))); // one row per address
    QCOMPARE(panel().records().count(), 1);
    QCOMPARE(panel().DownloadVid->RunningCount(), 0);
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    QVERIFY(panel().anyDownloading());
    panel().reportProgress(c.mediaAddress, 3670016, 12845056);
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Downloading... 3.50 MB / 12.25 MB - 29%"));
    QCOMPARE(panel().MainPB[0]->value(), qint64(29));
    QSignalSpy ended(&panel(), &DownloadPanel::downloadEnded);
    panel().endRow(c.mediaAddress, StateDownloaded, QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateDownloaded));
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.first().at(0).toString(), QStringLiteral("Elsewhere.mp4"));
    QCOMPARE(ended.first().at(3).toBool(), true);
    QVERIFY(!panel().anyDownloading());
}

void TestDownloadPanel::browseAndOpen()
{
    QSignalSpy freeSpace(&panel(), &DownloadPanel::freeSpaceTextChanged);
    panel().cmdBrowse->click(); // cancelled: nothing changes
    QCOMPARE(panel().savePath(), folder());
    QVERIFY(freeSpace.isEmpty());
    const QString chosen = folder() + QStringLiteral("picked/");
    QVERIFY(QDir().mkpath(chosen));
    h.seam->queueAnswer(chosen.chopped(1));
    panel().cmdBrowse->click();
    QCOMPARE(panel().savePath(), chosen);
    QCOMPARE(Settings::Read().videoSavePath, chosen);
    QCOMPARE(freeSpace.size(), 1);
    // A folder that is not there (any more) is refused.
    h.seam->queueAnswer(folder() + QStringLiteral("vanished"));
    panel().cmdBrowse->click();
    QCOMPARE(h.seam->messages().size(), 1);
    QCOMPARE(panel().savePath(), chosen);

    panel().cmdOpen->click();
    QCOMPARE(h.seam->callsOf(UiSeam::Kind::OpenFolder).last().text, QUrl::fromLocalFile(chosen).toString());
    panel().setSavePath(folder() + QStringLiteral("missing"));
    panel().cmdOpen->click();
    QCOMPARE(h.seam->messages().size(), 2);
    QCOMPARE(h.seam->callsOf(UiSeam::Kind::OpenFolder).size(), 1);
}


void TestDownloadPanel::renameOntoAFileAsks_data()
{
    QTest::addColumn<int>("option"); // of the overwrite question; -1: closed without an answer
    QTest::addColumn<QString>("name");
    QTest::newRow("overwrite") << 1 << "Taken.mp4";
    QTest::newRow("another name") << 2 << "Taken [1].mp4";
    QTest::newRow("closed") << -1 << "Free.mp4";
}

void TestDownloadPanel::renameOntoAFileAsks()
{
    QFETCH(int, option);
    QFETCH(QString, name);
    writeFile(folder() + QStringLiteral("Taken.mp4"), "the user's own file");
    h.seam->onModal = answerWith(option, option >= 0);
    const DownloadChoice c = choice(Id, 18, QStringLiteral("Free"), QStringLiteral(".mp4"),
                                    QStringLiteral("size=1200000&rate=1000000"));
    onFirstProgress(panel(), c.mediaAddress, [&] { typeName(panel(), 0, QStringLiteral("Taken")); });
    panel().cmdDownload_Click(c);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(h.seam->callsOf(UiSeam::Kind::Modal).size(), 1);
    QCOMPARE(nameOf(panel(), c.mediaAddress), name);
    QVERIFY_MEDIA(folder() + name, Id, 18, 1200000);
    if (option != 1)
        QCOMPARE(readFile(folder() + QStringLiteral("Taken.mp4")), QByteArray("the user's own file"));
}

QTEST_MAIN(TestDownloadPanel)
// The queue as the user works it: both limits asked for from the popup menu and kept, the waiting
// rows with their own icon and caption, Ctrl+Up and Ctrl+Down, Stop all and Start all.
void TestDownloadPanel::queueFromTheMenuAndKeys()
{
    frmMenu *menu = frmMenu::instance();
    const std::pair<QAction *, const char *> entries[] = {
        {menu->mnuMoveUp, "Move up"}, {menu->mnuMoveDown, "Move down"}, {menu->mnuStartAll, "Start all"},
        {menu->mnuStopAll, "Stop all"}, {menu->mnuListRows, "Rows in the download list"},
        {menu->mnuSimultaneous, "Simultaneous downloads"}};
    for (const auto &[action, text] : entries) {
        QVERIFY(menu->mnuPopup->actions().contains(action));
        QCOMPARE(action->text(), QString::fromLatin1(text));
    }
    QCOMPARE(menu->mnuMoveUp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Up));
    QCOMPARE(menu->mnuMoveDown->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Down));

    h.seam->queueAnswer(30);
    menu->mnuListRows->trigger();
    h.seam->queueAnswer(1);
    menu->mnuSimultaneous->trigger();
    const QList<UiSeam::Call> asked = h.seam->callsOf(UiSeam::Kind::Integer);
    QCOMPARE(asked.size(), 2);
    QCOMPARE((QList<int>{asked[0].number, asked[0].minimum, asked[0].maximum}), (QList<int>{25, 25, 1000}));
    QCOMPARE((QList<int>{asked[1].number, asked[1].minimum, asked[1].maximum}), (QList<int>{0, 0, 25}));
    QCOMPARE(Settings::ListRows(), 30);
    QCOMPARE(Settings::SimultaneousDownloads(), 1);
    QCOMPARE(panel().queue()->roomLeft(), 30);

    QStringList keys;
    for (int k = 0; k < 3; ++k) {
        const DownloadChoice c = choice(Id, 18, QStringLiteral("Turn %1").arg(k), QStringLiteral(".mp4"),
                                        QStringLiteral("size=3000000&rate=300000&n=%1").arg(k));
        panel().cmdDownload_Click(c);
        keys << c.mediaAddress;
    }
    const QImage waitingIcon = MenuIcons::stateImage(StateQueued);
    for (int row = 1; row < 3; ++row) {
        QCOMPARE(captionOf(panel(), keys[row]), QStringLiteral("Queued"));
        QCOMPARE(panel().lvwDownloads->topLevelItem(row)->icon(DownloadPanel::ColVideo).pixmap(16).toImage(), waitingIcon);
    }

    QVERIFY(QTest::qWaitForWindowActive(&panel()));
    QTreeWidget *list = panel().lvwDownloads;
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(2));
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(rowOf(panel(), keys[2]), 1);
    QCOMPARE(nameOf(panel(), keys[2]), QStringLiteral("Turn 2.mp4"));
    QCOMPARE(captionOf(panel(), keys[1]), QStringLiteral("Queued"));
    QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem *>{list->topLevelItem(1)}); // the selection went with it
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(rowOf(panel(), keys[2]), 2);

    menu->mnuStopAll->trigger();
    for (const QString &key : keys)
        QCOMPARE(stateOf(panel(), key), int(StateStopped));
    menu->mnuStartAll->trigger();
    const QList<int> states{stateOf(panel(), keys[0]), stateOf(panel(), keys[1]), stateOf(panel(), keys[2])};
    QCOMPARE(states, (QList<int>{StateDownloading, StateQueued, StateQueued}));
    // More at once, later: the waiting rows start by themselves.
    QCoreApplication::processEvents();
    QCOMPARE(stateOf(panel(), keys[1]), int(StateQueued));
    h.seam->queueAnswer(3);
    menu->mnuSimultaneous->trigger();
    for (const QString &key : keys)
        QTRY_COMPARE(stateOf(panel(), key), int(StateDownloading));
}

#include "tst_downloadpanel.moc"
