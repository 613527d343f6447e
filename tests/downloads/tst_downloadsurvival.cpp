// The list against the limits and ends of its process, with real processes: a download that
// would leave less than the margin of free space does not start; a write that fails at a file
// size limit keeps what was written and continues once Start is pressed without the limit; the
// real program, killed or ended in the middle of a download, continues it at its next start with
// a range request from the bytes on disk; a list killed with rows waiting brings them all back
// waiting, and they finish.
#include "PanelFixture.h"
#include "support/DemoSite.h"
#include "base/FileHelpers.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "queue/ProgressText.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace PanelFixture;

namespace {

constexpr int ProcessWait = 60000;
constexpr qint64 MiB = 1024 * 1024;

// An environment of the test's own: home, data, configuration, cache and runtime folders below root.
QProcessEnvironment privateEnvironment(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    const QDir folder(root);
    for (const auto &[variable, name] : {std::pair{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"},
                                         {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}}) {
        folder.mkpath(QString::fromLatin1(name));
        env.insert(QString::fromLatin1(variable), folder.filePath(QString::fromLatin1(name)));
    }
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

QStringList rangesOf(const QString &target)
{
    QStringList ranges;
    for (const DemoSite::LoggedRequest &request : site().requests())
        if (request.target == target && (ranges.isEmpty() || ranges.last() != request.range()))
            ranges << request.range(); // a request sent again over a closed connection counts once
    return ranges;
}

// The download list in a process of its own, with a home of its own below `home`.
void startChild(QProcess &child, const QStringList &arguments, const QString &home,
                const std::function<void()> &modifier = {})
{
    child.setProgram(QStringLiteral(CLIPVAULT_CHILD_PATH));
    child.setArguments(arguments);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setProcessEnvironment(privateEnvironment(home));
    child.setChildProcessModifier(modifier);
    child.start();
}

} // namespace

class TestDownloadSurvival : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString save() const { return m_dir.filePath(QStringLiteral("videos/")); }

private Q_SLOTS:
    void initTestCase() { setUpProgram(); }

    void freeSpaceMarginAtTheBoundary_data()
    {
        // 100 MiB free; a download needs what it fetches and 8 MiB more.
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("starts");
        QTest::newRow("95 MiB: no room for the margin") << 95 * MiB << false;
        QTest::newRow("92 MiB: just room for the margin") << 92 * MiB << true;
    }

    void freeSpaceMarginAtTheBoundary()
    {
        QFETCH(qint64, size);
        QFETCH(bool, starts);
        constexpr qint64 freeBytes = 100 * MiB;
        modFunctions::setFreeBytesForTests([](const QString &) { return freeBytes; });
        const auto realFigure = qScopeGuard([] { modFunctions::setFreeBytesForTests({}); });
        Harness h;
        h.setUp(300);
        DownloadPanel &panel = *h.panel;
        const DownloadChoice c = choice(Id, 18, QStringLiteral("Boundary"), QStringLiteral(".mp4"),
                                        QStringLiteral("size=%1&rate=4000000").arg(size));
        bool progressed = false;
        onFirstProgress(panel, c.mediaAddress, [&progressed] { progressed = true; });
        panel.cmdDownload_Click(c);
        if (starts) {
            // Stop passes over a row at 0 %.
            QTRY_VERIFY_WITH_TIMEOUT(percentOf(panel, c.mediaAddress) > 0 || stateOf(panel, c.mediaAddress) != StateDownloading,
                                     Wait);
            QCOMPARE(stateOf(panel, c.mediaAddress), int(StateDownloading));
            selectOnly(panel, {rowOf(panel, c.mediaAddress)});
            panel.mnuStop_Click();
            QCOMPARE(stateOf(panel, c.mediaAddress), int(StateStopped));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel, c.mediaAddress), int(StateError), Wait);
            QCOMPARE(captionOf(panel, c.mediaAddress), ProgressText::NoSpaceCaption(size, freeBytes));
            QVERIFY(!progressed); // ended on the answer, before any of its bytes
        }
    }

    void failedWriteKeepsWhatWasWritten()
    {
        const QString journal = m_dir.filePath(QStringLiteral("child/downloads.json"));
        QVERIFY(QDir().mkpath(save()));
        const qint64 size = 3000000;
        const QString query = QStringLiteral("size=%1").arg(size);
        const QString address = mediaAddress(Id, 18, query);
        const QString partial = save() + DownloadNames::PartialFileName(address);
        site().clear();

        // A limit on the size of every file the child writes: its write fails half way.
        constexpr rlim_t limit = 1024 * 1024;
        const QStringList common{QStringLiteral("--journal"), journal, QStringLiteral("--save"), save()};
        QProcess child;
        startChild(child, common + QStringList{QStringLiteral("--add"), address, QStringLiteral("Limited")},
                   m_dir.filePath(QStringLiteral("child")), [] {
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            ::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the process
        });
        QVERIFY(child.waitForFinished(ProcessWait));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 QStringLiteral("4\tAn error occurred while saving the video! File too large.\tLimited.mp4\n"));
        QCOMPARE(QFileInfo(partial).size(), qint64(limit));
        QVERIFY_MEDIA(partial, Id, 18, qint64(limit));
        const DownloadJournal::Loaded kept = DownloadJournal(journal).load();
        QCOMPARE(kept.rows.size(), 1);
        QCOMPARE(kept.rows.first().state, 4);
        QCOMPARE(kept.rows.first().bytes, qint64(limit));

        // Space again, and Start: the rest of the file, from the byte where the write failed.
        startChild(child, common + QStringList{QStringLiteral("--start-all")}, m_dir.filePath(QStringLiteral("child")));
        QVERIFY(child.waitForFinished(ProcessWait));
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 QStringLiteral("2\tVideo successfully downloaded!\tLimited.mp4\n"));
        QVERIFY_MEDIA(save() + QStringLiteral("Limited.mp4"), Id, 18, size);
        QCOMPARE(rangesOf(mediaTarget(Id, 18, query)), (QStringList{QString(), QStringLiteral("bytes=%1-").arg(limit)}));
        QCOMPARE(hiddenFiles(save()), QStringList());
    }

    // The real program killed, or ended as on closing with "Yes", in the middle of a download, whole or
    // in segments: the bytes on disk (the journal's ranges for segments) hold the file's bytes, and the
    // next start asks only for bytes outside them and ends with the file exact.
    void programEndedMidwayContinues_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("segments");
        QTest::newRow("killed") << int(SIGKILL) << qint64(8000000) << false;
        QTest::newRow("ended as on closing with Yes") << int(SIGTERM) << qint64(8000000) << false;
        QTest::newRow("killed in segments") << int(SIGKILL) << 16 * MiB + 4321 << true;
    }

    void programEndedMidwayContinues()
    {
        QFETCH(int, signalNumber);
        QFETCH(qint64, size);
        QFETCH(bool, segments);
        const QString query = QStringLiteral("size=%1&rate=%2&signal=%3").arg(size).arg(segments ? 500000 : 2000000).arg(signalNumber);
        const QString address = mediaAddress(Id, 18, query);
        // The real program in a folder of its own (its settings file lies beside it), with its own
        // home, data folder and instance name, and a journal whose row was downloading when it ended.
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program/clipvault"));
        const QString videos = root.filePath(QStringLiteral("videos/"));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("program"))) && QDir().mkpath(videos));
        QVERIFY(QFile::copy(QStringLiteral(CLIPVAULT_PROGRAM_PATH), program));
        writeFile(root.filePath(QStringLiteral("program/Settings.ini")),
                  QStringLiteral("[Settings]\nVideoSavePath=%1\nImageSavePath=%1\n").arg(videos).toUtf8());
        const QString journal = root.filePath(QStringLiteral("data/Clipvault/Clipvault/downloads.json"));
        JournalRow row;
        row.mediaAddress = address;
        row.fileName = QStringLiteral("Survivor.mp4");
        row.saveFolder = videos;
        row.state = 1;
        row.added = QDateTime::currentDateTimeUtc();
        QVERIFY(DownloadJournal(journal).save({row}));
        const QString partial = videos + DownloadNames::PartialFileName(address);
        QProcessEnvironment env = privateEnvironment(root.path());
        env.insert(QStringLiteral("CLIPVAULT_INSTANCE_NAME"), QStringLiteral("clipvault-survival-%1-%2-%3")
                                                                   .arg(QCoreApplication::applicationPid()).arg(signalNumber).arg(segments));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProgram(program);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto keptNow = [&] {
            const JournalRow written = DownloadJournal(journal).load().rows.value(0);
            return segments ? written.ranges.value_or(ByteRanges()) : ByteRanges::fromSpans({{0, QFileInfo(partial).size()}});
        };
        site().clear();

        process.start();
        QVERIFY(process.waitForStarted());
        // Polling another process: nothing to wait on in this one. The row comes back by itself and
        // goes on until a quarter has arrived; the journal has its validators by then.
        QTRY_VERIFY_WITH_TIMEOUT(keptNow().bytes() >= size / 4, ProcessWait);
        QVERIFY(!DownloadJournal(journal).load().rows.value(0).etag.isEmpty());
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(ProcessWait));
        const ByteRanges kept = keptNow();
        QVERIFY2(kept.bytes() >= size / 4 && kept.bytes() < size && (kept.spans().size() > 1) == segments,
                 qPrintable(QStringLiteral("%1 bytes in %2 ranges").arg(kept.bytes()).arg(kept.spans().size())));
        QString why;
        QVERIFY2(holdsMediaIn(partial, Id, 18, kept, &why), qPrintable(why));
        QCOMPARE(DownloadJournal(journal).load().rows.value(0).state, 1);

        site().clear();
        process.start();
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(DownloadJournal(journal).load().rows.value(0).state, 2, ProcessWait);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(ProcessWait));
        QVERIFY_MEDIA(videos + QStringLiteral("Survivor.mp4"), Id, 18, size);
        QVERIFY(!site().requests().isEmpty());
        QCOMPARE(rangesAskedAgain(mediaTarget(Id, 18, query), kept), QStringList()); // a request of the whole file counts
        if (!segments)
            QCOMPARE(rangesOf(mediaTarget(Id, 18, query)), QStringList{QStringLiteral("bytes=%1-").arg(kept.bytes())});
        QCOMPARE(hiddenFiles(videos), QStringList());
    }

    // A crash with rows waiting in the queue: they all come back waiting, in order, and finish.
    void queuedRowsComeBackAfterACrash()
    {
        // Twenty rows, two at a time. The first two are slow: the list is killed while they download
        // and eighteen wait.
        const QString journal = m_dir.filePath(QStringLiteral("queue/downloads.json"));
        const QString videos = m_dir.filePath(QStringLiteral("queued videos/"));
        QVERIFY(QDir().mkpath(videos));
        const QStringList common{QStringLiteral("--journal"), journal, QStringLiteral("--save"), videos,
                                 QStringLiteral("--simultaneous"), QStringLiteral("2")};
        QStringList adds;
        QStringList addresses;
        QList<int> waiting{StateDownloading, StateDownloading};
        constexpr int rows = 20;
        constexpr qint64 slow = 4000000;
        constexpr qint64 quick = 200000;
        for (int k = 0; k < rows; ++k) {
            const qint64 size = k < 2 ? slow : quick;
            addresses << mediaAddress(Id, 18, QStringLiteral("size=%1&rate=%2&n=%3").arg(size).arg(k < 2 ? 1000000 : 0).arg(k));
            adds << QStringLiteral("--add") << addresses.last() << QStringLiteral("Queued %1").arg(k);
            if (k >= 2)
                waiting << StateQueued;
        }
        const auto journalStates = [&journal] {
            QList<int> states;
            for (const JournalRow &row : DownloadJournal(journal).load().rows)
                states << row.state;
            return states;
        };
        const auto kept = [&](int k) { return QFileInfo(videos + DownloadNames::PartialFileName(addresses[k])).size(); };
        site().clear();
        QProcess child;
        startChild(child, common + adds, m_dir.filePath(QStringLiteral("queue")));
        QTRY_VERIFY_WITH_TIMEOUT(kept(0) > 0 && kept(1) > 0, ProcessWait);
        QTRY_COMPARE_WITH_TIMEOUT(journalStates(), waiting, ProcessWait);
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(ProcessWait));
        QCOMPARE(site().mediaPeak(), 2);
        const qint64 keptBytes[2] = {kept(0), kept(1)};
        QVERIFY(keptBytes[0] < slow && keptBytes[1] < slow);
        QTRY_COMPARE_WITH_TIMEOUT(site().mediaSending(), 0, ProcessWait); // the killed list's answers are over
        site().clear();

        // The next start, one at a time now: the first continues, the second waits behind it, the
        // eighteen come back waiting, and all finish, never more than one at once.
        child.setArguments(common.mid(0, 4) + QStringList{QStringLiteral("--simultaneous"), QStringLiteral("1"),
                                                          QStringLiteral("--states-at-start")});
        child.start();
        QVERIFY(child.waitForFinished(ProcessWait));
        QStringList expected{QStringLiteral("1") + QStringLiteral(",5").repeated(rows - 1)};
        for (int k = 0; k < rows; ++k)
            expected << QStringLiteral("2\tVideo successfully downloaded!\tQueued %1.mp4").arg(k);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
        QCOMPARE(site().mediaPeak(), 1);
        for (int k = 0; k < rows; ++k)
            QVERIFY_MEDIA(videos + QStringLiteral("Queued %1.mp4").arg(k), Id, 18, k < 2 ? slow : quick);
        for (int k = 0; k < 2; ++k)
            QCOMPARE(rangesOf(mediaTarget(Id, 18, QUrl(addresses[k]).query())), QStringList{QStringLiteral("bytes=%1-").arg(keptBytes[k])});
        QCOMPARE(hiddenFiles(videos), QStringList());
    }
};

QTEST_MAIN(TestDownloadSurvival)
#include "tst_downloadsurvival.moc"
