// The download list against the demo site: adding rows, progress, completion into real folders,
// the confirmation dialog, names, renaming, the save folder and the bars' placement.
#include "PanelFixture.h"
#include "base/AppState.h"
#include "base/Settings.h"
#include "image/MenuIcons.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStorageInfo>

using namespace PanelFixture;

class TestDownloadPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProgram(); AppState::setAppPath(m_settingsDir.path() + QLatin1Char('/')); }
    void init() { h.setUp(260); }
    void cleanup() { h.tearDown(); }

    void addProgressComplete();
    void fileAtTheEnd_data();
    void fileAtTheEnd();
    void sameNameAndRenaming();
    void goingAwayWhileCopyingTellsNoOne();
    void barsFollowTheRowsOfAFullList();
    void rowsFedFromElsewhere();
    void browseAndOpen();
    void queueFromTheMenuAndKeys();

private:
    DownloadPanel &panel() { return *h.panel; }
    QString folder() const { return h.folder(); }

    QTemporaryDir m_settingsDir;
    Harness h;
};

void TestDownloadPanel::addProgressComplete()
{
    QSignalSpy freeSpace(&panel(), &DownloadPanel::freeSpaceTextChanged);
    const DownloadChoice c = choice(Id, 5, QStringLiteral("Sunset at the Beach"), QStringLiteral("_(LQ).flv"),
                                    QStringLiteral("size=3000000&rate=1500000"));
    panel().cmdDownload_Click(c);
    QCOMPARE(nameOf(panel(), c.mediaAddress), QStringLiteral("Sunset at the Beach_(LQ).flv"));
    QVERIFY(panel().anyDownloading());
    // An address the list holds already is refused with a message, while it runs and (below) after
    // it has finished, before any file is looked at.
    panel().cmdDownload_Click(c);
    QCOMPARE(h.seam->messages(), QStringList{QStringLiteral("You are already downloading this video! ")});
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Starting download. Please wait..."));
    // The first report that shows a percentage, seen as it happens: the bar, the list's accessible
    // cell and the bar's own accessible name and value agree with the caption.
    const QRegularExpression progress(QStringLiteral("^Downloading\\.\\.\\. \\d+\\.\\d\\d MB / 2\\.86 MB - (\\d+)%$"));
    QString caption, barName;
    QList<qint64> barValues; // the bar's own, its accessible one
    connect(panel().DownloadVid, &Downloader::Progress, &panel(), [&] {
        const QString now = captionOf(panel(), c.mediaAddress);
        if (!caption.isEmpty() || !progress.match(now).hasMatch())
            return;
        caption = now;
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(panel().MainPB[0]);
        barName = bar->role() == QAccessible::ProgressBar ? bar->text(QAccessible::Name) : QString();
        barValues = {panel().MainPB[0]->value(), bar->valueInterface()->currentValue().toLongLong()};
    });
    QTRY_VERIFY_WITH_TIMEOUT(!caption.isEmpty(), Wait);
    const qint64 percent = progress.match(caption).captured(1).toLongLong();
    QVERIFY(percent >= 1 && percent <= 100);
    QCOMPARE(barValues, (QList<qint64>{percent, percent}));
    QCOMPARE(barName, caption);

    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress), int(StateDownloaded), Wait);
    QCOMPARE(captionOf(panel(), c.mediaAddress), QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(percentOf(panel(), c.mediaAddress), qint64(0));
    QCOMPARE(panel().records().at(0).bytes, qint64(0));
    QVERIFY(!panel().anyDownloading());
    QVERIFY_MEDIA(folder() + QStringLiteral("Sunset at the Beach_(LQ).flv"), Id, 5, 3000000);
    QCOMPARE(hiddenFiles(folder()), QStringList()); // no partial file left behind
    QVERIFY(freeSpace.last().first().toString().startsWith(QStringLiteral("Free Disk Space: ")));
    panel().cmdDownload_Click(c); // with its file in the folder
    QCOMPARE(panel().records().count(), 1);
    QCOMPARE(h.seam->messages().size(), 2);
    QVERIFY(h.seam->callsOf(UiSeam::Kind::Modal).isEmpty()); // no file of that name at first, then not looked at
    QCOMPARE(site().requestLog().filter(QStringLiteral("/media/")).size(), 1);
}

// What is on disk at the end, and what the row says, when files are in the way when the video is
// added or appear while it downloads, or its name or the save folder change meanwhile. A file that
// the program did not write is replaced only when the user chose so for that file as it was.
void TestDownloadPanel::fileAtTheEnd_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("before"); // steps before it is added (below); rename: row 0
    QTest::addColumn<QString>("answer");     // to the confirmation: ok, close, an option; empty: not asked
    QTest::addColumn<QStringList>("during"); // steps at its first progress: a file of others to write,
                                             // rename:, mkdir:, folder:, remove:, list: (a row that finishes), <other>
    QTest::addColumn<QString>("savedAs");    // below the test's folder or <other>; empty: no row
    QTest::addColumn<QString>("caption");    // empty: the success caption; <folder>: the test's folder
    const auto row = [](const char *name, const char *title, const char *before, const char *answer, const char *during,
                        const char *savedAs, const QString &caption = QString()) {
        const auto steps = [](const char *text) { return QString::fromUtf8(text).split(QLatin1Char('|'), Qt::SkipEmptyParts); };
        QTest::newRow(name) << QString::fromUtf8(title) << steps(before) << QString::fromUtf8(answer) << steps(during)
                            << QString::fromUtf8(savedAs) << caption;
    };
    // Only "Download and overwrite" and "Download and rename" add the row.
    row("OK at once", "Sunset", "Sunset.mp4|Sunset [1].mp4", "ok", "", "");
    row("do not download", "Sunset", "Sunset.mp4|Sunset [1].mp4", "0", "", "");
    row("close box", "Sunset", "Sunset.mp4|Sunset [1].mp4", "close", "", "");
    row("overwrite", "Sunset", "Sunset.mp4|Sunset [1].mp4", "1", "", "Sunset.mp4");
    row("rename", "Sunset", "Sunset.mp4|Sunset [1].mp4", "2", "", "Sunset [2].mp4");
    row("empty title", "", "", "", "", "qqqQuestion.mp4");
    row("two dots", "..", "", "", "", "qqqQuestion.mp4");
    // Renamed while it downloads; onto a file of the folder only as the confirmation says.
    row("renamed", "Sunset", "", "", "rename:my clip", "my clip.mp4");
    row("renamed onto a file, overwrite", "Free", "Taken.mp4", "1", "rename:Taken", "Taken.mp4");
    row("renamed onto a file, another name", "Free", "Taken.mp4", "2", "rename:Taken", "Taken [1].mp4");
    row("renamed onto a file, closed", "Free", "Taken.mp4", "close", "rename:Taken", "Free.mp4");
    // A file that appears meanwhile under the name, or in the new save folder, is never replaced.
    const QString numbered = QStringLiteral("Video downloaded, but saved as Appear [1].mp4!");
    const char *moved = "mkdir:elsewhere|folder:elsewhere/|elsewhere/Appear.mp4";
    row("appeared while it ran", "Appear", "", "", "Appear.mp4", "Appear [1].mp4", numbered);
    row("chosen to overwrite, changed since", "Appear", "Appear.mp4", "1", "Appear.mp4", "Appear [1].mp4", numbered);
    row("save folder changed to one holding the name", "Appear", "", "", moved, "elsewhere/Appear [1].mp4", numbered);
    row("chosen in the old save folder, the new one holds the name", "Appear", "Appear.mp4", "1", moved,
        "elsewhere/Appear [1].mp4", numbered);
    // A file that another row of the list wrote is replaced when the user chose its name knowingly.
    row("overwrite a file of the list", "Sunset", "list:Sunset", "1", "", "Sunset.mp4");
    row("renamed onto a file of the list", "Other", "list:Sunset|rename:Later", "1", "rename:Sunset", "Sunset.mp4");
    // The last step after the save folder changed or went; a body copied on a worker meanwhile.
    row("folder removed", "Moved", "folder:videos/", "", "remove:videos", "videos/Moved.mp4");
    row("changed to a new folder", "Moved", "", "", "folder:elsewhere/deeper", "elsewhere/deeper/Moved.mp4");
    row("changed to another file system", "Moved", "", "", "<other>", "<other>/Moved.mp4");
    row("a folder took its name", "Moved", "", "", "mkdir:Moved.mp4", "Moved [1].mp4",
        QStringLiteral("Video downloaded, but saved as Moved [1].mp4!"));
    row("changed to a folder below a file", "Moved", "plain", "", "folder:plain/videos", "Moved.mp4",
        QStringLiteral("Video downloaded, but saved as <folder>Moved.mp4!"));
}

void TestDownloadPanel::fileAtTheEnd()
{
    QFETCH(QString, title);
    QFETCH(QStringList, before);
    QFETCH(QString, answer);
    QFETCH(QStringList, during);
    QFETCH(QString, savedAs);
    QFETCH(QString, caption);
    // The body is copied on a worker, while the row says so, when it cannot simply be moved.
    const bool copied = during.contains(QStringLiteral("<other>")) || during.contains(QStringLiteral("remove:videos"));
    // Another file system: a memory file system beside the disk that holds the test's folder.
    std::unique_ptr<QTemporaryDir> other;
    if (during.contains(QStringLiteral("<other>"))) {
        other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/clipvault-test-XXXXXX"));
        if (!other->isValid() || QStorageInfo(other->path()).device() == QStorageInfo(folder()).device())
            QSKIP("no second file system here; the removed folder forces a copy as well");
    }
    const qint64 size = during.isEmpty() ? 30000 : 1200000; // a second, to act while it runs
    const DownloadChoice c = choice(QStringLiteral("qqqQuestion"), 18, title, QStringLiteral(".mp4"),
                                    during.isEmpty() ? QStringLiteral("size=30000") : QStringLiteral("size=1200000&rate=1000000"));
    QMap<QString, QByteArray> others; // below the test's folder
    const auto act = [&](const QString &step, bool running) {
        const QString name = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("rename:")) && running)
            typeName(panel(), rowOf(panel(), c.mediaAddress), name, false); // committed on the next turn of the event loop
        else if (step.startsWith(QLatin1String("rename:")))
            typeName(panel(), 0, name); // the list's name only; the file keeps its name
        else if (step.startsWith(QLatin1String("list:")))
            addAndFinish(panel(), choice(QStringLiteral("pianoLesson"), 18, name, QStringLiteral(".mp4"), QStringLiteral("size=40000")));
        else if (step.startsWith(QLatin1String("mkdir:")))
            QVERIFY(QDir().mkpath(folder() + name));
        else if (step.startsWith(QLatin1String("folder:")))
            panel().setSavePath(folder() + name);
        else if (step.startsWith(QLatin1String("remove:")))
            QVERIFY(QDir(folder() + name).removeRecursively());
        else if (step == QLatin1String("<other>"))
            panel().setSavePath(other->path());
        else
            writeFile(folder() + step, others[step] = "the file of " + step.toUtf8());
    };
    for (const QString &step : before)
        act(step, false);
    if (!answer.isEmpty())
        h.seam->onModal = answerWith(answer == "ok" ? -1 : answer == "close" ? 1 : answer.toInt(), answer != "close");
    onFirstProgress(panel(), c.mediaAddress, [&] {
        for (const QString &step : during)
            act(step, true);
    });
    // What the row says right after the completion was handled: a long copy is not done yet.
    // Start and rename leave a row alone whose body is being copied; Start leaves a finished one.
    QString captionAtCompletion;
    bool restarted = false;
    bool editable = false;
    afterComplete(*panel().queue(), c.mediaAddress, [&] {
        captionAtCompletion = captionOf(panel(), c.mediaAddress);
        const int row = rowOf(panel(), c.mediaAddress);
        onRows(panel(), {row}, &DownloadPanel::mnuStart_Click);
        restarted = panel().DownloadVid->IsRunning(c.mediaAddress);
        panel().lvwDownloads->editItem(panel().lvwDownloads->topLevelItem(row), DownloadPanel::ColVideo);
        editable = panel().lvwDownloads->viewport()->findChild<QLineEdit *>() != nullptr;
    });
    panel().cmdDownload_Click(c);
    if (savedAs.isEmpty()) {
        QCOMPARE(rowOf(panel(), c.mediaAddress), -1);
        QCOMPARE(panel().DownloadVid->RunningCount(), 0); // nothing started
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(stateOf(panel(), c.mediaAddress) != StateDownloading, Wait);
        QCOMPARE(stateOf(panel(), c.mediaAddress), int(StateDownloaded));
        caption = caption.isEmpty() ? QStringLiteral("Video successfully downloaded!") : caption.replace("<folder>", folder());
        QCOMPARE(captionAtCompletion, copied ? QStringLiteral("Saving the video. Please wait...") : caption);
        QCOMPARE(restarted, false);
        QCOMPARE(editable, !copied);
        QCOMPARE(captionOf(panel(), c.mediaAddress), caption);
        const QString final = other && savedAs.startsWith("<other>") ? other->path() + savedAs.mid(7) : folder() + savedAs;
        QCOMPARE(nameOf(panel(), c.mediaAddress), QFileInfo(final).fileName());
        QVERIFY_MEDIA(final, QStringLiteral("qqqQuestion"), 18, size);
        QCOMPARE(hiddenFiles(QFileInfo(final).path()), QStringList());
    }
    const auto asked = h.seam->callsOf(UiSeam::Kind::Modal);
    QCOMPARE(asked.size(), answer.isEmpty() ? 0 : 1);
    for (const auto &call : asked)
        QCOMPARE(call.title, QStringLiteral("Confirmation"));
    // The files of others are as they were, but the one chosen to be overwritten; nothing else is left.
    for (auto it = others.cbegin(); it != others.cend(); ++it)
        if (it.key() != savedAs)
            QCOMPARE(readFile(folder() + it.key()), it.value());
    QStringList files = others.keys() << savedAs;
    files = files.filter(QRegularExpression(QStringLiteral("^[^/]+$")));
    files.removeDuplicates();
    files.sort();
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
}

// Two videos with the same title, added before either file exists: whichever finishes second is
// numbered, and both files are whole. Renaming in place: the name rules themselves are tabled in
// tst_downloadlogic, a finished row's file keeps its name (fileAtTheEnd); here what only the list knows.
void TestDownloadPanel::sameNameAndRenaming()
{
    const auto same = [](const QString &id, const QString &query) { return choice(id, 18, QStringLiteral("Same"), QStringLiteral(".mp4"), query); };
    const DownloadChoice first = same(QStringLiteral("pianoLesson"), QStringLiteral("size=40000"));
    const DownloadChoice second = same(QStringLiteral("tomJerryMix"), QStringLiteral("size=300000"));
    panel().cmdDownload_Click(first);
    panel().cmdDownload_Click(second);
    QTRY_VERIFY_WITH_TIMEOUT(!panel().anyDownloading(), Wait);
    QCOMPARE((QList<int>{stateOf(panel(), first.mediaAddress), stateOf(panel(), second.mediaAddress)}),
             (QList<int>{StateDownloaded, StateDownloaded}));
    QVERIFY_MEDIA(folder() + nameOf(panel(), first.mediaAddress), QStringLiteral("pianoLesson"), 18, 40000);
    QVERIFY_MEDIA(folder() + nameOf(panel(), second.mediaAddress), QStringLiteral("tomJerryMix"), 18, 300000);
    QCOMPARE(hiddenFiles(folder()), QStringList());
    const auto names = [&] { return QStringList{nameOf(panel(), first.mediaAddress), nameOf(panel(), second.mediaAddress)}; };
    const QStringList finished = names();
    const int plain = finished.indexOf(QStringLiteral("Same.mp4")); // the row that finished first
    QCOMPARE(finished.value(1 - plain), QStringLiteral("Same [1].mp4"));
    // Another row's name and the row's own name are taken: refused with the message.
    typeName(panel(), rowOf(panel(), (plain ? first : second).mediaAddress), QStringLiteral("Same"));
    typeName(panel(), rowOf(panel(), (plain ? second : first).mediaAddress), QStringLiteral("Same.mp4"));
    // Blanks only: refused silently.
    typeName(panel(), 0, QStringLiteral("   "));
    QCOMPARE(names(), finished);
    const QString taken = QStringLiteral("There is already a file with this name in the list. \r\n\r\nRenaming has been canceled. ");
    QCOMPARE(h.seam->messages(), (QStringList{taken, taken}));
    // A finished row's new name is the list's only: nothing is asked about a file of that name, and
    // both files stay as they are.
    writeFile(folder() + QStringLiteral("Other.mp4"), "someone's");
    typeName(panel(), 0, QStringLiteral("Other"));
    QCOMPARE(panel().lvwDownloads->topLevelItem(0)->text(DownloadPanel::ColVideo), QStringLiteral("Other.mp4"));
    QVERIFY(h.seam->callsOf(UiSeam::Kind::Modal).isEmpty());
    QCOMPARE(readFile(folder() + QStringLiteral("Other.mp4")), QByteArray("someone's"));
    // The status column is not editable.
    panel().lvwDownloads->editItem(panel().lvwDownloads->topLevelItem(0), DownloadPanel::ColStatus);
    QVERIFY(!panel().lvwDownloads->viewport()->findChild<QLineEdit *>());
}

// The list goes (the program closes) while a finished body is being copied into place: the copy
// completes, but a list that is going tells no one, since whoever listened may be going too.
void TestDownloadPanel::goingAwayWhileCopyingTellsNoOne()
{
    const qint64 size = 40000000;
    panel().setSavePath(folder() + QStringLiteral("videos/"));
    const DownloadChoice c = mp4(QStringLiteral("Closing"), QStringLiteral("size=%1").arg(size));
    // The folder goes while the body arrives: the finished body is copied into a new one.
    onFirstProgress(panel(), c.mediaAddress, [&] { QVERIFY(QDir(folder() + QStringLiteral("videos")).removeRecursively()); });
    bool going = false;
    QStringList toldWhileGoing;
    for (const auto &[signal, what] : {std::pair{&DownloadPanel::speedTextChanged, "speed"},
                                       std::pair{&DownloadPanel::freeSpaceTextChanged, "free space"}})
        connect(h.panel.get(), signal, this, [&, what = what] { if (going) toldWhileGoing << QString::fromLatin1(what); });
    connect(h.panel.get(), &DownloadPanel::downloadEnded, this, [&] { if (going) toldWhileGoing << QStringLiteral("ended"); });
    QString captionAtClose;
    afterComplete(*panel().queue(), c.mediaAddress, [&] {
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

// The bars over the rows' status cells follow scrolling, keys and column widths. A full list
// (finished rows count too) refuses another video with a message; a removed row makes room.
void TestDownloadPanel::barsFollowTheRowsOfAFullList()
{
    QTreeWidget *list = panel().lvwDownloads;
    QStringList keys;
    for (int k = 0; k < 25; ++k) { // the last five finish at once
        const DownloadChoice c = mp4(QStringLiteral("Row %1").arg(k), QString::fromLatin1(k < 20 ? "fault=stall&n=%1" : "size=%1").arg(1000 + k));
        panel().cmdDownload_Click(c);
        keys << c.mediaAddress;
    }
    QCOMPARE(panel().MainPB.size(), 25);

    auto checkBars = [&] {
        int shown = 0;
        for (int k = 0; k < 25; ++k) {
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

    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    QVERIFY(panel().MainPB[0]->isHidden()); // scrolled up behind the headers
    checkBars();
    list->verticalScrollBar()->setValue(0);
    QVERIFY(!panel().MainPB[0]->isHidden());

    // Key navigation: the list moves first, the bars follow.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentItem(), list->topLevelItem(24));
    QVERIFY(panel().MainPB[0]->isHidden());
    checkBars();

    // Resizing a column moves or widens every bar at once.
    list->header()->resizeSection(DownloadPanel::ColVideo, list->columnWidth(DownloadPanel::ColVideo) + 40);
    checkBars();
    list->header()->resizeSection(DownloadPanel::ColStatus, 123);
    checkBars();

    for (int k = 20; k < 25; ++k)
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), keys[k]), int(StateDownloaded), Wait);
    const DownloadChoice extra = mp4(QStringLiteral("Extra"), QStringLiteral("size=77"));
    panel().cmdDownload_Click(extra);
    QCOMPARE(panel().records().count(), 25);
    QCOMPARE(h.seam->messages(), QStringList{QStringLiteral("Sorry, but you can do a maximum of 25 simultaneous downloads. \r\n\r\n"
                                                            "Remove downloaded videos from the list first, then you can add new ones. ")});
    QCOMPARE(h.seam->calls.last().style, 48);
    onRows(panel(), {7}, &DownloadPanel::mnuRemoveSelected_Click);
    panel().cmdDownload_Click(extra);
    QCOMPARE(panel().records().count(), 25);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel(), extra.mediaAddress), int(StateDownloaded), Wait);
}

// Rows whose bytes another downloader fetches use the list as its own transfers do.
void TestDownloadPanel::rowsFedFromElsewhere()
{
    const DownloadChoice c = mp4(QStringLiteral("Elsewhere"));
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
    QCOMPARE((QVariantList{ended.first().at(0), ended.first().at(3)}), (QVariantList{QStringLiteral("Elsewhere.mp4"), true}));
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

// The queue as the user works it: both limits asked for from the popup menu and kept, the waiting
// rows with their own icon and caption, Ctrl+Up and Ctrl+Down, Stop all and Start all.
void TestDownloadPanel::queueFromTheMenuAndKeys()
{
    frmMenu *menu = frmMenu::instance();
    for (QAction *action : {menu->mnuMoveUp, menu->mnuMoveDown, menu->mnuStartAll, menu->mnuStopAll, menu->mnuListRows,
                            menu->mnuSimultaneous})
        QVERIFY(menu->mnuPopup->actions().contains(action));
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
        const DownloadChoice c = mp4(QStringLiteral("Turn %1").arg(k), QStringLiteral("size=3000000&rate=300000&n=%1").arg(k));
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

QTEST_MAIN(TestDownloadPanel)
#include "tst_downloadpanel.moc"
