// The list against the limits and ends of its process, with real processes: a write that fails
// at a file size limit keeps what was written and continues once Start is pressed without the
// limit; the real program, killed or ended in the middle of a download, continues it at its next
// start with a range request from the bytes on disk; a list killed with rows waiting brings them
// all back waiting, and they finish.
#include "MediaFixture.h"
#include "support/DemoSite.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "queue/DownloadRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace PanelFixture;

namespace {

constexpr int ProcessWait = 60000;

// The download list in a process of its own (or the real program), with home, data,
// configuration, cache and runtime folders and an instance name of its own below `home`.
void startChild(QProcess &child, const QStringList &arguments, const QString &home, const std::function<void()> &modifier = {},
                const QString &program = QStringLiteral(CLIPVAULT_CHILD_PATH))
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("CLIPVAULT_INSTANCE_NAME"), QStringLiteral("clipvault-survival-%1").arg(qHash(home)));
    const QDir folder(home);
    for (const auto &[variable, name] : {std::pair{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"},
                                         {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}}) {
        folder.mkpath(QString::fromLatin1(name));
        env.insert(QString::fromLatin1(variable), folder.filePath(QString::fromLatin1(name)));
    }
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    child.setProgram(program);
    child.setArguments(arguments);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setProcessEnvironment(env);
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
    void initTestCase() { setUpTransfers(); }

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
        startChild(child, common + QStringList{QStringLiteral("--add"), address, QStringLiteral("Limited")}, m_dir.filePath(QStringLiteral("child")), [] {
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            ::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the process
        });
        QVERIFY(child.waitForFinished(ProcessWait));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 QStringLiteral("4\tAn error occurred while saving the video! File too large.\tLimited.mp4\n"));
        QVERIFY_MEDIA(partial, Id, 18, qint64(limit));
        const JournalRow kept = DownloadJournal(journal).load().rows.value(0);
        QCOMPARE((QList<qint64>{DownloadJournal(journal).load().rows.size(), kept.state, kept.bytes}), (QList<qint64>{1, 4, limit}));

        // Space again, and Start: the rest of the file, from the byte where the write failed.
        startChild(child, common + QStringList{QStringLiteral("--start-all")}, m_dir.filePath(QStringLiteral("child")));
        QVERIFY(child.waitForFinished(ProcessWait));
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), QStringLiteral("2\tVideo successfully downloaded!\tLimited.mp4\n"));
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
        QTest::newRow("killed in segments") << int(SIGKILL) << qint64(16 * 1024 * 1024 + 4321) << true;
    }

    void programEndedMidwayContinues()
    {
        QFETCH(int, signalNumber);
        QFETCH(qint64, size);
        QFETCH(bool, segments);
        const QString query = QStringLiteral("size=%1&rate=%2&signal=%3").arg(size).arg(segments ? 500000 : 2000000).arg(signalNumber);
        const QString address = mediaAddress(Id, 18, query);
        // The real program in a folder of its own (its settings file lies beside it), with its own
        // home and data folder, and a journal whose row was downloading when it ended.
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
        row.added = QDateTime::currentDateTimeUtc(); // downloading
        QVERIFY(DownloadJournal(journal).save({row}));
        const QString partial = videos + DownloadNames::PartialFileName(address);
        const auto written = [&] { return DownloadJournal(journal).load().rows.value(0); };
        const auto keptNow = [&] {
            return segments ? written().ranges.value_or(ByteRanges()) : ByteRanges::fromSpans({{0, QFileInfo(partial).size()}});
        };
        site().clear();
        QProcess process;
        startChild(process, {}, root.path(), {}, program);
        QVERIFY(process.waitForStarted());
        // Polling another process: nothing to wait on in this one. The row comes back by itself and
        // goes on until a quarter has arrived; the journal has its validators by then.
        QTRY_VERIFY_WITH_TIMEOUT(keptNow().bytes() >= size / 4, ProcessWait);
        QVERIFY(!written().etag.isEmpty());
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(ProcessWait));
        const ByteRanges kept = keptNow();
        QCOMPARE(keptMidway(partial, kept, size / 4, size, segments), QString());
        QCOMPARE(written().state, 1);

        site().clear();
        process.start();
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(written().state, 2, ProcessWait);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(ProcessWait));
        QCOMPARE(continuedFrom(videos + QStringLiteral("Survivor.mp4"), query, size, kept, segments), QString());
    }

    // A crash with rows waiting in the queue: they all come back waiting, in order, and finish.
    void queuedRowsComeBackAfterACrash()
    {
        // Twenty rows, two at a time. The first two are slow: the list is killed while they download
        // and eighteen wait.
        const QString journal = m_dir.filePath(QStringLiteral("queue/downloads.json"));
        const QString videos = m_dir.filePath(QStringLiteral("queued videos/"));
        QVERIFY(QDir().mkpath(videos));
        const QStringList common{QStringLiteral("--journal"), journal, QStringLiteral("--save"), videos};
        QStringList adds;
        QStringList queries;
        QList<int> waiting{StateDownloading, StateDownloading};
        constexpr int rows = 20;
        constexpr qint64 slow = 4000000;
        constexpr qint64 quick = 200000;
        for (int k = 0; k < rows; ++k) {
            queries << QStringLiteral("size=%1&rate=%2&n=%3").arg(k < 2 ? slow : quick).arg(k < 2 ? 1000000 : 0).arg(k);
            adds << QStringLiteral("--add") << mediaAddress(Id, 18, queries.last()) << QStringLiteral("Queued %1").arg(k);
            if (k >= 2)
                waiting << StateQueued;
        }
        const auto journalStates = [&journal] {
            QList<int> states;
            for (const JournalRow &row : DownloadJournal(journal).load().rows)
                states << row.state;
            return states;
        };
        const auto kept = [&](int k) { return QFileInfo(videos + DownloadNames::PartialFileName(mediaAddress(Id, 18, queries[k]))).size(); };
        site().clear();
        QProcess child;
        startChild(child, common + QStringList{QStringLiteral("--simultaneous"), QStringLiteral("2")} + adds, m_dir.filePath(QStringLiteral("queue")));
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
        child.setArguments(common + QStringList{QStringLiteral("--simultaneous"), QStringLiteral("1"), QStringLiteral("--states-at-start")});
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
            QCOMPARE(rangesOf(mediaTarget(Id, 18, queries[k])), QStringList{QStringLiteral("bytes=%1-").arg(keptBytes[k])});
        QCOMPARE(hiddenFiles(videos), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDownloadSurvival)
#include "tst_downloadsurvival.moc"
