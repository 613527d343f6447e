// Downloads that survive against the demo site, byte for byte: Start continues the partial file
// with a range request, transient faults are tried again from the bytes on disk, a file that
// changed or a server that ignores ranges starts again from zero, a finished partial file
// completes with 416, an expired address says so, free space is checked, and the list comes back
// from its journal, also after a write failed at a file size limit and after the real program was
// killed or ended in the middle of a download.
#include "MediaFixture.h"
#include "support/SeamRecorder.h"
#include "queue/DownloadQueue.h"
#include "support/DemoSite.h"
#include "queue/DownloadArchive.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "queue/JournalWriter.h"
#include "queue/ProgressText.h"
#include "transfer/Downloader.h"

#include "base/FileHelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QUrlQuery>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace PanelFixture;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr int ProcessWait = 60000; // ms for the real program to start, end, or come so far

// The caption of a row that waits to try again: why, the wait and the next try's number.
QString waitingPattern(const QString &why, int seconds, int nextTry = 2)
{
    return QStringLiteral("^Download interrupted \\(%1\\): trying again in %2 s \\(try %3 of 6\\)\\.\\.\\.$")
        .arg(why).arg(seconds).arg(nextTry);
}

// The real program in a folder of its own, with home, data, configuration, cache and runtime
// folders and an instance name of its own below `home`.
void startProgram(QProcess &process, const QString &program, const QString &home)
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
    process.setProgram(program);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setProcessEnvironment(env);
    process.start();
}

} // namespace

class TestDownloadQueue : public QObject
{
    Q_OBJECT

    DownloadQueue &queue() { return *h.queue; }
    QString folder() const { return h.dir->path() + QLatin1Char('/'); }
    QString journalPath() const { return h.dir->filePath(QStringLiteral("data/downloads.json")); }
    QString archivePath() const { return h.dir->filePath(QStringLiteral("data/archive.txt")); }
    // A row by its key as the list keeps it (state 0 and no caption once it went).
    DownloadRecord row(const QString &key)
    {
        const int at = queue().records().indexOf(key);
        DownloadRecord gone;
        gone.state = 0;
        return at < 0 ? gone : queue().records().at(at);
    }
    int state(const QString &key) { return row(key).state; }
    QString caption(const QString &key) { return row(key).caption; }
    qint64 percent(const QString &key) { return queue().records().percent(queue().records().indexOf(key)); }
    // A row added as the list's Download button adds it, under the video's title.
    void add(const DownloadChoice &c)
    {
        if (queue().mayAdd(c))
            queue().add(c, DownloadNames::Safe(c.videoTitle + c.suffix, c.videoId, c.suffix));
    }
    // A new list on the same folder, journal and archive, as the program makes it at its next
    // start, with that many rows downloading at once.
    void reopen(int simultaneous = 0)
    {
        h.queue = std::make_unique<DownloadQueue>();
        h.queue->setSavePath(folder());
        h.queue->setSimultaneousDownloads(simultaneous);
        h.queue->setArchivePath(archivePath());
        h.queue->openJournal(journalPath());
    }

    struct
    {
        std::unique_ptr<QTemporaryDir> dir;
        std::unique_ptr<SeamRecorder> seam;
        std::unique_ptr<DownloadQueue> queue;
    } h;

private Q_SLOTS:
    void initTestCase() { setUpTransfers(); }
    void init()
    {
        h.dir = std::make_unique<QTemporaryDir>();
        h.seam = std::make_unique<SeamRecorder>();
        h.queue = std::make_unique<DownloadQueue>();
        h.queue->setSavePath(folder());
        site().clear();
    }

    void cleanup()
    {
        h.queue.reset();
        h.seam.reset();
        h.dir.reset();
    }

    // A row stopped at half, in one piece or in segments: the row and its journal keep the bytes on
    // disk, and Start asks only for bytes that are missing; the file ends exact.
    void stopAtHalfAndStart_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("segments");
        QTest::newRow("one piece") << qint64(4000000) << false;
        QTest::newRow("segments") << 16 * MiB + 12345 << true;
    }

    void stopAtHalfAndStart()
    {
        QFETCH(qint64, size);
        QFETCH(bool, segments);
        const QString query = QStringLiteral("size=%1&rate=%2").arg(size).arg(segments ? 1000000 : 2000000);
        const QString key = mediaAddress(Id, 18, query);
        queue().Timer1->stop();
        queue().openJournal(journalPath());
        // Stopped as soon as half has arrived (on the next turn of the event loop).
        const auto stopAtHalf = connect(queue().DownloadVid, &Downloader::Progress, &queue(),
                                        [&](const QString &, const QString &, qint64 done) {
            if (done >= size / 2 && state(key) == StateDownloading)
                QMetaObject::invokeMethod(&queue(), [&] {
                    queue().stop(0);
                    queue().settle(true);
                }, Qt::QueuedConnection);
        });
        add(choice(Id, 18, QStringLiteral("Halves"), QStringLiteral(".mp4"), query));
        QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateStopped), Wait);
        disconnect(stopAtHalf); // (the list's own handler stays connected)
        const DownloadRecord &record = queue().records().at(0);
        QCOMPARE(bool(record.ranges), segments);
        const ByteRanges kept = record.ranges.value_or(ByteRanges::fromSpans({{0, QFileInfo(record.partialFile).size()}}));
        QCOMPARE(keptMidway(record.partialFile, kept, size / 2, size, segments), QString());
        const JournalRow written = DownloadJournal(journalPath()).load().rows.value(0);
        QCOMPARE(written.ranges, record.ranges);
        QCOMPARE(written.bytes, kept.bytes());

        // The bar goes on from where it stood, and the average speed counts what arrives from now on,
        // never the bytes kept from before (the timer is driven by hand from the start).
        site().clear();
        queue().start(0);
        queue().tick();
        QTRY_VERIFY_WITH_TIMEOUT(queue().records().at(0).fileBytes > kept.bytes(), Wait);
        QVERIFY2(percent(key) >= kept.bytes() * 100 / size, qPrintable(QString::number(percent(key))));
        queue().tick();
        const qint64 counted = queue().speedMeter().average() * SpeedMeter::Slots; // bytes in the meter's window
        const qint64 arrived = queue().records().at(0).fileBytes - kept.bytes();
        QVERIFY2(counted <= arrived + SpeedMeter::Slots, qPrintable(QStringLiteral("%1 after %2 new bytes").arg(counted).arg(arrived)));
        QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateDownloaded), Wait);
        QCOMPARE(continuedFrom(folder() + QStringLiteral("Halves.mp4"), query, size, kept, segments), QString());
    }

    void transientFaultsContinue_data()
    {
        QTest::addColumn<QString>("query"); // the file's size among the rest
        QTest::addColumn<QString>("firstWait"); // the caption after the first try (a pattern)
        QTest::addColumn<int>("tries"); // at most; a request lost with its connection uses up one fault
        QTest::addColumn<bool>("fromTheStart"); // a try had to start the file again from zero
        QTest::addColumn<bool>("changed");      // the file at the end is the changed one
        const auto row = [](const char *name, const QString &query, const QString &firstWait, int tries, bool fromTheStart = false,
                            bool changed = false) {
            QTest::newRow(name) << query << firstWait << tries << fromTheStart << changed;
        };
        const QString lost = waitingPattern(QStringLiteral("only 0\\.\\d\\d of 1\\.91 MB arrived"), 1);
        const QString busy = QStringLiteral("the server answered %1");
        row("closed early twice", "dropAfter=700000&dropTimes=2&size=2000000", lost, 3);
        row("busy, Retry-After", "busyTimes=2&retryAfter=3&size=500000", waitingPattern(busy.arg(503), 3), 3);
        row("Retry-After of two minutes", "busyTimes=2&retryAfter=120&size=500000", waitingPattern(busy.arg(503), 60), 3);
        // The other statuses a busy or overloaded server (or a proxy before it) answers with.
        for (const int status : {408, 429, 502, 504})
            row(qPrintable(QStringLiteral("busy: %1").arg(status)), QStringLiteral("busyTimes=1&busyStatus=%1&size=500000").arg(status),
                waitingPattern(busy.arg(status), 1), 2);
        row("changed between tries", "dropAfter=700000&dropTimes=2&changeFrom=3&size=2000000", lost, 3, true, true);
        row("ranges ignored", "dropAfter=700000&dropTimes=2&ignoreRange=1&size=2000000", lost, 3, true);
        // Nothing of a part nobody asked for is kept; the next try asks for the whole file again.
        row("a part nobody asked for", "fault=unasked206&faultTimes=1&size=500000",
            waitingPattern(QStringLiteral("the server sent only part of the file"), 1), 2);
        // A busy answer after a loss brings a static page's own validators: the kept bytes keep theirs.
        row("an error page's validators", "dropAfter=700000&dropTimes=1&busyFrom=2&busyTimes=2&errorValidators=1&size=2000000", lost, 3);
    }

    void transientFaultsContinue()
    {
        QFETCH(QString, query);
        const qint64 size = QUrlQuery(query).queryItemValue(QStringLiteral("size")).toLongLong();
        QFETCH(QString, firstWait);
        QFETCH(int, tries);
        QFETCH(bool, fromTheStart);
        QFETCH(bool, changed);
        const DownloadChoice c = choice(Id, 18, QStringLiteral("Again"), QStringLiteral(".mp4"), query);
        // After each try: the caption and the bytes the partial file keeps for the next one.
        QStringList captions;
        QList<qint64> kept;
        afterComplete(queue(), c.mediaAddress, [&] {
            captions << caption(c.mediaAddress);
            kept << QFileInfo(queue().records().at(0).partialFile).size();
        });
        bool saidFromTheStart = false;
        connect(queue().DownloadVid, &Downloader::Progress, &queue(), [&] {
            saidFromTheStart |= caption(c.mediaAddress).startsWith(QStringLiteral("Downloading again from the start... "));
        });
        add(c);
        QTRY_VERIFY_WITH_TIMEOUT(state(c.mediaAddress) != StateDownloading, Wait);
        QCOMPARE(state(c.mediaAddress), int(StateDownloaded));
        QVERIFY2(captions.size() >= 2 && captions.size() <= tries, qPrintable(captions.join(QLatin1Char('\n'))));
        QVERIFY2(QRegularExpression(firstWait).match(captions.first()).hasMatch(), qPrintable(captions.first()));
        QCOMPARE(saidFromTheStart, fromTheStart);
        // Every try after a loss asked for the rest of exactly the bytes kept. (The network layer may
        // send a request again whose connection was closed before any answer: it asks for the same.)
        QStringList wanted{QString()};
        for (int k = 0; k + 1 < kept.size(); ++k) {
            QVERIFY(kept[k] > 0 || !query.contains(QStringLiteral("drop")));
            wanted << (kept[k] > 0 ? QStringLiteral("bytes=%1-").arg(kept[k]) : QString());
        }
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        QCOMPARE(rangesOf(mediaTarget(Id, 18, query)), wanted);
        QString why;
        QVERIFY2(holdsMedia(folder() + QStringLiteral("Again.mp4"), Id, 18, size, &why, changed), qPrintable(why));
        QCOMPARE(hiddenFiles(folder()), QStringList());
    }

    // A port nobody listens on: every try is refused, the waits between them double, and after the
    // sixth the row fails saying why.
    void refusedUntilTheTriesRunOut()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        DownloadChoice c = choice(Id, 18, QStringLiteral("Later"), QStringLiteral(".mp4"));
        c.mediaAddress = QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(mediaTarget(Id, 18));
        QStringList captions;
        afterComplete(queue(), c.mediaAddress, [&] { captions << caption(c.mediaAddress); });
        add(c);
        QTRY_COMPARE_WITH_TIMEOUT(state(c.mediaAddress), int(StateError), Wait);
        const QString why = QStringLiteral("the server could not be reached");
        QCOMPARE(captions.size(), 6);
        for (int k = 0; k < 3; ++k) // (later waits vary by more than a second)
            QVERIFY2(QRegularExpression(waitingPattern(why, 1 << k, k + 2)).match(captions[k]).hasMatch(), qPrintable(captions[k]));
        QCOMPARE(captions.last(), QStringLiteral("Download failed: %1.").arg(why));
        QCOMPARE(hiddenFiles(folder()), QStringList());
    }

    // A list whose journal holds a stopped row and its partial file, as a run before this one left
    // them: Start asks for the rest, and the answer decides; the rest of a file that does not fit on
    // the disk is not asked for (the kept bytes count, enough of them to change the figure).
    void keptBytesMeetTheServer_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("kept");
        QTest::addColumn<int>("status"); // the site's answer to the range request; 0: its own, -1: none asked
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("caption"); // its start
        const qint64 size = 1500000;
        QTest::newRow("whole already: 416") << size << size << 0 << int(StateDownloaded) << "Video successfully downloaded!";
        QTest::newRow("half: 206") << size << size / 2 << 0 << int(StateDownloaded) << "Video successfully downloaded!";
        const QString expired = QStringLiteral(
            "Download failed: the video's address has expired. Load the video page again to get a fresh one.");
        QTest::newRow("forbidden now: 403") << size << size / 2 << 403 << int(StateError) << expired;
        QTest::newRow("gone: 410") << size << size / 2 << 410 << int(StateError) << expired;
        // Refused before a byte was kept: a plain failure, not an expired address.
        QTest::newRow("nothing kept, forbidden: 403") << size << qint64(0) << 403 << int(StateError)
                                                      << QStringLiteral("Download failed: the server answered 403.");
        const qint64 huge = 1000000000000000; // a petabyte does not fit anywhere here
        QTest::newRow("the rest does not fit") << huge << qint64(30000000) << -1 << int(StateError)
                                               << QStringLiteral("Not enough free disk space: the video needs %1 more, ")
                                                      .arg(modFunctions::FormatFreeSpace(huge - 30000000));
    }

    void keptBytesMeetTheServer()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, kept);
        QFETCH(int, status);
        QFETCH(QString, caption);
        const QString query = QStringLiteral("size=%1").arg(size);
        const QString address = mediaAddress(Id, 18, query);
        const TransferValidators v = validatorsOf(address);
        QCOMPARE(v.total, size);
        const QString partial = folder() + DownloadNames::PartialFileName(address);
        writeFile(partial, mediaBytes(Id, 18, kept));
        const QString stopped = QStringLiteral("Download stopped by the user.");
        JournalRow left;
        left.mediaAddress = address;
        left.fileName = QStringLiteral("Kept.mp4");
        left.saveFolder = folder();
        left.state = StateStopped;
        left.bytes = kept;
        left.total = v.total;
        left.etag = v.etag;
        left.lastModified = v.lastModified;
        left.added = QDateTime::currentDateTimeUtc();
        left.caption = stopped;
        QVERIFY(DownloadJournal(journalPath()).save({left}));
        site().clear();
        if (status > 0)
            site().rule(mediaTarget(Id, 18, query), 0, status);

        queue().openJournal(journalPath());
        QCOMPARE(queue().records().count(), 1);
        QCOMPARE(state(address), int(StateStopped)); // a stopped row stays stopped
        QCOMPARE(this->caption(address), stopped);
        QCOMPARE(queue().DownloadVid->RunningCount(), 0);
        queue().start(0);
        QTRY_VERIFY_WITH_TIMEOUT(state(address) != StateDownloading, Wait);
        QTEST(state(address), "state");
        QVERIFY2(this->caption(address).startsWith(caption), qPrintable(this->caption(address)));
        QCOMPARE(rangesOf(mediaTarget(Id, 18, query)),
                 status < 0 ? QStringList() : QStringList{kept > 0 ? QStringLiteral("bytes=%1-").arg(kept) : QString()});
        if (state(address) == StateDownloaded) {
            QVERIFY_MEDIA(folder() + QStringLiteral("Kept.mp4"), Id, 18, size);
            QCOMPARE(hiddenFiles(folder()), QStringList());
        } else if (kept > 0) {
            QVERIFY_MEDIA(partial, Id, 18, kept); // kept as it was
        }
    }

    // A download that would leave less than 8 MiB free beside it ends on the server's answer,
    // before any of its bytes, and says what it needs and what is free; one that leaves just that
    // much goes on.
    void freeSpaceMargin_data()
    {
        QTest::addColumn<qint64>("size"); // 100 MiB are free
        QTest::addColumn<bool>("starts");
        QTest::newRow("95 MiB: no room for the margin") << 95 * MiB << false;
        QTest::newRow("92 MiB: just room for the margin") << 92 * MiB << true;
    }

    void freeSpaceMargin()
    {
        QFETCH(qint64, size);
        QFETCH(bool, starts);
        modFunctions::setFreeBytesForTests([](const QString &) { return 100 * MiB; });
        const auto realFigure = qScopeGuard([] { modFunctions::setFreeBytesForTests({}); });
        const QString key = mediaAddress(Id, 18, QStringLiteral("size=%1&rate=4000000").arg(size));
        bool progressed = false;
        connect(queue().DownloadVid, &Downloader::Progress, &queue(), [&](const QString &, const QString &, qint64 done) {
            progressed |= done > 0;
        });
        add(choice(Id, 18, QStringLiteral("Boundary"), QStringLiteral(".mp4"), QStringLiteral("size=%1&rate=4000000").arg(size)));
        QTRY_VERIFY_WITH_TIMEOUT(progressed || state(key) != StateDownloading, Wait);
        QCOMPARE(state(key), starts ? int(StateDownloading) : int(StateError));
        if (!starts) {
            QCOMPARE(caption(key), ProgressText::NoSpaceCaption(size, 100 * MiB));
            QVERIFY(!progressed);
            QVERIFY(!queue().DownloadVid->IsRunning(key));
        }
    }

    // The list closed (as after "Yes"; its journal held the same rows before, as a crash leaves it)
    // with a finished row, a stopped one, two downloading (one into the folder of its list of videos,
    // with its archive line) and two waiting, then opened one at a time: every row comes back as it
    // was, the downloading ones go on from their bytes on disk and the waiting ones take their turn
    // in the list's order, each saving where it belongs.
    void listComesBackAfterClosing()
    {
        reopen(2);
        const QString listFolder = folder() + QStringLiteral("Beach list");
        const auto listed = [](DownloadChoice c, const QString &folder, const char *line) {
            c.folder = folder;
            c.archiveLine = QString::fromLatin1(line);
            return c;
        };
        const DownloadChoice done = choice(Id, 5, QStringLiteral("Done"), QStringLiteral(".flv"), QStringLiteral("size=5000"));
        const DownloadChoice stopped = choice(Id, 34, QStringLiteral("Stopped"), QStringLiteral(".flv"), QStringLiteral("size=20000000&rate=400000"));
        const QString ownQuery = QStringLiteral("size=3000000&rate=1000000");
        const DownloadChoice own = listed(choice(Id, 18, QStringLiteral("Own"), QStringLiteral(".mp4"), ownQuery), listFolder, "demo sunsetBeach");
        const DownloadChoice plain = choice(Id, 5, QStringLiteral("Plain"), QStringLiteral(".flv"), QStringLiteral("size=400000&rate=100000"));
        const DownloadChoice waiting = listed(choice(Id, 34, QStringLiteral("Waiting"), QStringLiteral(".flv"), QStringLiteral("size=300000")),
                                              folder() + QStringLiteral("Other list/"), "demo other-1");
        const DownloadChoice gone = listed(choice(Id, 22, QStringLiteral("Gone"), QStringLiteral(".mp4"), QStringLiteral("fault=404")),
                                           listFolder, "demo gone"); // it fails: no line
        add(done);
        QTRY_COMPARE_WITH_TIMEOUT(state(done.mediaAddress), int(StateDownloaded), Wait);
        add(stopped);
        QTRY_VERIFY_WITH_TIMEOUT(percent(stopped.mediaAddress) > 0, Wait);
        queue().stop(1);
        queue().settle(true);
        for (const DownloadChoice &c : {own, plain, waiting, gone})
            add(c);
        QVERIFY(queue().moveUp(5)); // its turn before the waiting row's
        QTRY_VERIFY_WITH_TIMEOUT(queue().records().at(2).fileBytes > 0 && queue().records().at(3).fileBytes > 0, Wait);
        // Byte counts reach the journal at most about once a second: a few writes, not one per report.
        const int writesBefore = queue().journalWriter()->writes();
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(queue().records().at(2).fileBytes >= 1000000, Wait);
        const int writes = queue().journalWriter()->writes() - writesBefore;
        QVERIFY2(writes <= clock.elapsed() / 1000 + 2, qPrintable(QStringLiteral("%1 writes in %2 ms").arg(writes).arg(clock.elapsed())));
        const auto states = [this] {
            QList<int> states;
            for (const JournalRow &r : DownloadJournal(journalPath()).load().rows)
                states << r.state;
            return states;
        };
        const QList<int> asLeft{StateDownloaded, StateStopped, StateDownloading, StateDownloading, StateQueued, StateQueued};
        QCOMPARE(states(), asLeft); // what a crash now would leave
        queue().setSimultaneousDownloads(3); // a place for the next row, but the list closes first: it stays waiting
        h.queue.reset();

        const QList<JournalRow> kept = DownloadJournal(journalPath()).load().rows;
        QCOMPARE(states(), asLeft);
        QCOMPARE((QList<QDir>{kept[2].saveFolder, kept[3].saveFolder, kept[5].saveFolder}), // no file in the last yet
                 (QList<QDir>{listFolder, folder(), waiting.folder}));
        QCOMPARE((QStringList{kept[2].archiveLine, kept[3].archiveLine, kept[5].archiveLine}),
                 (QStringList{own.archiveLine, QString(), waiting.archiveLine}));
        const QString ownPartial = listFolder + QLatin1Char('/') + DownloadNames::PartialFileName(own.mediaAddress);
        const ByteRanges ownKept = ByteRanges::fromSpans({{0, QFileInfo(ownPartial).size()}});
        QCOMPARE(keptMidway(ownPartial, ownKept, 1, 3000000, false), QString());
        // Partial files of this program that no row refers to go at start-up, and so do the extractor's
        // work folders a crash left (no run is on its way then); nothing else is touched, and a link of
        // that name is not followed.
        const QString orphan = QStringLiteral(".clipvault-0123456789abcdef.part");
        const QString work = orphan + QStringLiteral(".work-Ab12Cd");
        for (const char *name : {".clipvault-notours.part", "video.part", ".clipvault-0123456789abcdeg.part",
                                 ".clipvault-notours.part.work-Ab12Cd/kept", "work-Ab12Cd/kept", ".clipvault-0123456789abcdef.part",
                                 ".clipvault-0123456789abcdef.part.work-Ab12Cd/media.f1/media.mp4.part-Frag3"}) {
            QVERIFY(QDir().mkpath(QFileInfo(folder() + QString::fromLatin1(name)).path()));
            writeFile(folder() + QString::fromLatin1(name), "bytes");
        }
        QVERIFY(QFile::link(folder() + QStringLiteral(".clipvault-notours.part.work-Ab12Cd"),
                            folder() + QStringLiteral(".clipvault-fedcba9876543210.part.work-Zz99Yy")));
        const auto entries = [this] { return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
        QStringList expected = entries();
        QVERIFY(expected.removeOne(orphan) && expected.removeOne(work));
        QTRY_COMPARE_WITH_TIMEOUT(site().mediaSending(), 0, Wait); // the closed list's answers are over
        site().clear();
        reopen(1);
        QCOMPARE(entries(), expected);
        QVERIFY(QFileInfo::exists(folder() + QStringLiteral(".clipvault-notours.part.work-Ab12Cd/kept")));
        QCOMPARE(row(done.mediaAddress).fileName, QStringLiteral("Done.flv"));
        QCOMPARE((QList<int>{state(done.mediaAddress), state(stopped.mediaAddress), state(own.mediaAddress), state(plain.mediaAddress),
                             state(gone.mediaAddress), state(waiting.mediaAddress)}),
                 (QList<int>{StateDownloaded, StateStopped, StateDownloading, StateQueued, StateQueued, StateQueued}));
        QCOMPARE(caption(done.mediaAddress), QStringLiteral("Video successfully downloaded!"));
        QCOMPARE(caption(stopped.mediaAddress), QStringLiteral("Download stopped by the user."));
        QTRY_VERIFY_WITH_TIMEOUT(queue().records().countInState(StateDownloaded) == 4 && state(gone.mediaAddress) == StateError, Wait);
        QCOMPARE(site().mediaPeak(), 1);
        QCOMPARE(continuedFrom(listFolder + QStringLiteral("/Own.mp4"), ownQuery, 3000000, ownKept, false), QString());
        QVERIFY_MEDIA(folder() + QStringLiteral("Plain.flv"), Id, 5, 400000);
        QVERIFY_MEDIA(waiting.folder + QStringLiteral("Waiting.flv"), Id, 34, 300000);
        QCOMPARE(DownloadArchive(archivePath()).lines(), (QSet<QString>{own.archiveLine, waiting.archiveLine}));
        // In the list's order, and the stopped row asked for nothing.
        QStringList asked = site().requestLog().filter(QStringLiteral("/media/"));
        asked.erase(std::unique(asked.begin(), asked.end()), asked.end()); // a request sent again counts once
        const QStringList targets{mediaTarget(Id, 18, ownQuery), mediaTarget(Id, 5, QUrl(plain.mediaAddress).query()),
                                  mediaTarget(Id, 22, QStringLiteral("fault=404")), mediaTarget(Id, 34, QUrl(waiting.mediaAddress).query())};
        QCOMPARE(asked, targets);
        QVERIFY(rangesOf(targets[1]).value(0).startsWith(QStringLiteral("bytes="))); // from its bytes on disk too
        // The finished row is still in the list for the duplicate check.
        add(done);
        QCOMPARE(h.seam->messages(), QStringList{QStringLiteral("You are already downloading this video! ")});
        QCOMPARE(queue().records().count(), 6);

        // Removing rows reaches the journal too; the stopped row's partial file goes with it.
        const QString stoppedPartial = folder() + DownloadNames::PartialFileName(stopped.mediaAddress);
        QVERIFY(QFileInfo::exists(stoppedPartial));
        queue().remove(1);
        queue().settle(true);
        QVERIFY(!QFileInfo::exists(stoppedPartial));
        const QList<JournalRow> left = DownloadJournal(journalPath()).load().rows;
        QCOMPARE(left.size(), 5);
        QCOMPARE(left.at(1).mediaAddress, own.mediaAddress);
        QCOMPARE(left.at(1).bytes, qint64(3000000));
        // Start all tries the failed row again and leaves the finished ones alone.
        queue().startAll();
        QCOMPARE(state(gone.mediaAddress), int(StateDownloading));
        QCOMPARE(queue().records().countInState(StateDownloaded), 4);
        QTRY_COMPARE_WITH_TIMEOUT(state(gone.mediaAddress), int(StateError), Wait);
    }

    void brokenOrNewerJournal_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("newer");
        const QByteArray head = R"({"format": "clipvault-downloads", "version": )";
        QTest::newRow("not JSON") << head + R"(1, "rows": [)" << false;
        QTest::newRow("a newer version") << head + R"(99, "rows": []})" << true;
    }

    void brokenOrNewerJournal()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, newer);
        const QString data = QFileInfo(journalPath()).path() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(data));
        writeFile(journalPath(), content);
        // The rows it may name are unknown: their partial files stay.
        const QString partial = folder() + QStringLiteral(".clipvault-0123456789abcdef.part");
        writeFile(partial, "bytes");
        queue().openJournal(journalPath());
        QCOMPARE(queue().records().count(), 0);
        QCOMPARE(h.seam->messages().size(), 1);
        QCOMPARE(h.seam->calls.last().style, 48);
        QVERIFY(QFileInfo::exists(partial));

        const QStringList aside = QDir(data).entryList({QStringLiteral("downloads.broken-*")});
        QCOMPARE(aside.size(), newer ? 0 : 1); // set aside, never deleted
        QVERIFY(h.seam->messages().first().contains(newer ? QStringLiteral("newer version") : aside.first()));
        if (!newer)
            QCOMPARE(readFile(data + aside.first()), content);
        // A list that goes on: a newer journal is never written over; a new one is written.
        add(choice(Id, 18, QStringLiteral("Later"), QStringLiteral(".mp4"), QStringLiteral("size=1000")));
        QTRY_COMPARE_WITH_TIMEOUT(state(queue().records().at(0).key), int(StateDownloaded), Wait);
        h.queue.reset();
        if (newer)
            QCOMPARE(readFile(journalPath()), content);
        else
            QCOMPARE(DownloadJournal(journalPath()).load().rows.size(), 1);
        QCOMPARE(h.seam->messages().size(), 1); // told once

        // At the next start the lost rows' partial files still stay, as long as the set-aside journal does.
        reopen();
        QVERIFY(QFileInfo::exists(partial));
        if (!newer) {
            h.queue.reset();
            QVERIFY(QFile::remove(data + aside.first()));
            reopen();
            QVERIFY(!QFileInfo::exists(partial)); // the user removed it: the clean-up goes on
        }
    }

    void absurdLengthCostsNothing()
    {
        // A length past what any file (and the journal) holds is refused as it arrives; a new start
        // that gets the real file finishes it.
        const QString query = QStringLiteral("fault=hugeLength&faultTimes=1&size=300000");
        const QString key = mediaAddress(Id, 18, query);
        queue().openJournal(journalPath());
        add(choice(Id, 18, QStringLiteral("Huge"), QStringLiteral(".mp4"), query));
        QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateError), Wait);
        QCOMPARE(caption(key), QStringLiteral("Download failed: the server announced a length no video has; nothing of it was kept."));
        QCOMPARE(hiddenFiles(folder()), QStringList());
        QCOMPARE(queue().records().at(0).validators.total, -1);
        queue().journalWriter()->flush();
        QCOMPARE(DownloadJournal(journalPath()).load().outcome, DownloadJournal::Loaded::Read);

        queue().start(0);
        QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateDownloaded), Wait);
        QVERIFY_MEDIA(folder() + QStringLiteral("Huge.mp4"), Id, 18, 300000);
        QCOMPARE(rangesOf(mediaTarget(Id, 18, query)), QStringList{QString()});
    }

    void plantedLinkAtPartialName()
    {
        // A link planted at the row's predictable partial name never makes the download write
        // through it, whether it points at a file or nowhere.
        for (const bool dangling : {false, true}) {
            const DownloadChoice c = choice(Id, 18, QStringLiteral("Linked%1").arg(dangling), QStringLiteral(".mp4"),
                                            QStringLiteral("size=200000&n=%1").arg(dangling));
            const QString precious = h.dir->filePath(QStringLiteral("precious%1").arg(dangling));
            if (!dangling)
                writeFile(precious, "the user's own bytes");
            QVERIFY(QFile::link(precious, folder() + DownloadNames::PartialFileName(c.mediaAddress)));
            add(c);
            QTRY_COMPARE_WITH_TIMEOUT(state(c.mediaAddress), int(StateError), Wait);
            QVERIFY2(caption(c.mediaAddress).contains(QStringLiteral("a link has the partial file's name")), qPrintable(caption(c.mediaAddress)));
            QCOMPARE(readFile(precious), dangling ? QByteArray() : QByteArray("the user's own bytes"));
            QCOMPARE(QFileInfo::exists(precious), !dangling);
        }
    }

    void reportsRedrawOnlyNewPercentages()
    {
        // A thousand progress reports, but a row's bar changes only with its whole percentage: about a
        // hundred redraws per download, however often the transfer reports.
        const DownloadChoice c = choice(Id, 18, QStringLiteral("Reports"), QStringLiteral(".mp4"));
        QVERIFY(queue().appendRow(c, QStringLiteral("Reports.mp4")));
        int redraws = 0;
        connect(&queue(), &DownloadQueue::rowChanged, &queue(), [&] { ++redraws; });
        for (qint64 done = 1; done <= 1000; ++done)
            queue().reportProgress(c.mediaAddress, done * 1000, 1000000);
        QCOMPARE(redraws, 100);
        QCOMPARE(caption(c.mediaAddress), QStringLiteral("Downloading... 0.95 MB / 0.95 MB - 100%"));
    }

    void queueKeepsToTheLimit_data()
    {
        QTest::addColumn<int>("limit"); // rows downloading at once; 0: all
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("moved"); // a waiting row moved up to the first waiting place; -1: none
        QTest::newRow("two at once, the last moved up") << 2 << 6 << 5;
        QTest::newRow("one at a time, the second moved down") << 1 << 3 << -2;
        QTest::newRow("all at once") << 0 << 4 << -1;
    }

    void queueKeepsToTheLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, rows);
        QFETCH(int, moved);
        queue().setSimultaneousDownloads(limit);
        const qint64 size = 1500000; // a second and a half each
        QStringList keys;
        QStringList started; // in the order the rows began to download
        connect(&queue(), &DownloadQueue::rowChanged, &queue(), [&](int at) {
            const DownloadRecord &record = queue().records().at(at);
            if (record.state == StateDownloading && !started.contains(record.key))
                started << record.key;
        });
        for (int k = 0; k < rows; ++k) {
            add(choice(Id, 18, QStringLiteral("Queued %1").arg(k), QStringLiteral(".mp4"), QStringLiteral("size=%1&rate=1000000&n=%2").arg(size).arg(k)));
            keys << queue().records().at(k).key;
        }
        const int running = limit > 0 ? limit : rows;
        QCOMPARE(queue().queueText(), QStringLiteral("%1 running, %2 queued").arg(running).arg(rows - running));
        for (int k = 0; k < rows; ++k) {
            QCOMPARE(state(keys[k]), k < running ? int(StateDownloading) : int(StateQueued));
            QCOMPARE(caption(keys[k]) == QStringLiteral("Queued"), k >= running);
        }
        // The rows' order decides which waiting row starts next.
        if (moved >= 0) {
            for (int at = moved; at > running; --at)
                QVERIFY(queue().moveUp(at));
            keys.move(moved, running);
        } else if (moved < -1) {
            QVERIFY(queue().moveDown(-moved - 1));
            keys.move(-moved - 1, -moved);
        }
        QTRY_VERIFY_WITH_TIMEOUT(queue().records().countInState(StateDownloaded) == rows, Wait);
        QCOMPARE(started, keys);
        QCOMPARE(site().mediaPeak(), running);
        QCOMPARE(queue().queueText(), QStringLiteral("0 running, 0 queued"));
        queue().startAll(); // finished rows are left alone
        QCOMPARE(queue().records().countInState(StateDownloaded), rows);
        for (int k = 0; k < rows; ++k)
            QVERIFY_MEDIA(folder() + QStringLiteral("Queued %1.mp4").arg(k), Id, 18, size);
    }

    // The list holds 25 to 1000 rows as asked, and says so when it is full; the room left counts down
    // with each row, and a lower limit keeps the rows there are.
    void listLimitAndRoomLeft()
    {
        for (const auto &[asked, limit] : {std::pair{3, 25}, {5000, 1000}, {30, 30}}) {
            queue().setListRows(asked);
            QCOMPARE(queue().listRows(), limit);
        }
        queue().setSimultaneousDownloads(1); // one row downloads, slowly; the others wait
        for (int k = 0; k < 30; ++k) {
            QCOMPARE(queue().roomLeft(), 30 - k);
            if (k == 29) { // the downloading row stops: its place goes to the rows that wait, not to a row added now
                QTRY_VERIFY_WITH_TIMEOUT(percent(queue().records().at(0).key) > 0, Wait);
                queue().stop(0);
            }
            add(choice(Id, 18, QStringLiteral("Row %1").arg(k), QStringLiteral(".mp4"), QStringLiteral("size=3000000&rate=100000&n=%1").arg(k)));
        }
        QCOMPARE(queue().records().at(29).state, int(StateQueued));
        QTRY_COMPARE_WITH_TIMEOUT(queue().records().at(1).state, int(StateDownloading), Wait);
        const DownloadChoice extra = choice(Id, 18, QStringLiteral("Extra"), QStringLiteral(".mp4"), QStringLiteral("size=77"));
        QVERIFY(!queue().add(extra, QStringLiteral("Extra.mp4")));
        add(extra);
        QCOMPARE(h.seam->messages(), QStringList{QStringLiteral("Sorry, but you can do a maximum of 30 simultaneous downloads. \r\n\r\n"
                                                                "Remove downloaded videos from the list first, then you can add new ones. ")});
        queue().setListRows(25);
        QCOMPARE(queue().records().count(), 30);
        QCOMPARE(queue().roomLeft(), 0);
        QCOMPARE(queue().runningCount(), 1);
    }

    // Every file this process writes limited in size: the row's write fails half way and keeps what
    // was written; with the limit gone, Start at the next start asks for the rest from the byte where
    // the write failed.
    void failedWriteKeepsWhatWasWritten()
    {
        const qint64 size = 3000000;
        const QString query = QStringLiteral("size=%1").arg(size);
        const QString key = mediaAddress(Id, 18, query);
        queue().openJournal(journalPath());
        constexpr rlim_t limit = 1024 * 1024;
        rlimit usual{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &usual) == 0);
        {
            const rlimit limited{limit, usual.rlim_max};
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
            const auto lift = qScopeGuard([&usual] { ::setrlimit(RLIMIT_FSIZE, &usual); });
            ::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the process
            add(choice(Id, 18, QStringLiteral("Limited"), QStringLiteral(".mp4"), query));
            QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateError), Wait);
        }
        QCOMPARE(caption(key), QStringLiteral("An error occurred while saving the video! File too large."));
        QVERIFY_MEDIA(queue().records().at(0).partialFile, Id, 18, qint64(limit));
        h.queue.reset();
        const JournalRow kept = DownloadJournal(journalPath()).load().rows.value(0);
        QCOMPARE((QList<qint64>{kept.state, kept.bytes}), (QList<qint64>{StateError, limit}));

        reopen();
        queue().start(0);
        QTRY_COMPARE_WITH_TIMEOUT(state(key), int(StateDownloaded), Wait);
        QVERIFY_MEDIA(folder() + QStringLiteral("Limited.mp4"), Id, 18, size);
        QCOMPARE(rangesOf(mediaTarget(Id, 18, query)), (QStringList{QString(), QStringLiteral("bytes=%1-").arg(limit)}));
        QCOMPARE(hiddenFiles(folder()), QStringList());
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
        // home and data folder, and a journal whose row was downloading when it ended.
        const QString program = h.dir->filePath(QStringLiteral("program/clipvault"));
        const QString videos = h.dir->filePath(QStringLiteral("videos/"));
        QVERIFY(QDir().mkpath(h.dir->filePath(QStringLiteral("program"))) && QDir().mkpath(videos));
        QVERIFY(QFile::copy(QStringLiteral(CLIPVAULT_PROGRAM_PATH), program));
        writeFile(h.dir->filePath(QStringLiteral("program/Settings.ini")),
                  QStringLiteral("[Settings]\nVideoSavePath=%1\nImageSavePath=%1\n").arg(videos).toUtf8());
        const QString journal = h.dir->filePath(QStringLiteral("data/Clipvault/Clipvault/downloads.json"));
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
        QProcess process;
        startProgram(process, program, h.dir->path());
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
};

QTEST_GUILESS_MAIN(TestDownloadQueue)
#include "tst_downloadqueue.moc"
