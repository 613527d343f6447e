// The download list's logic without widgets: arithmetic and texts, names, records, the speed
// meter and the last step that puts a finished file in place.
#include "queue/DownloadNames.h"
#include "queue/DownloadRecords.h"
#include "queue/FinishedFile.h"
#include "queue/ProgressText.h"
#include "queue/SpeedMeter.h"
#include "support/StandIn.h"
#include "transfer/TransferResult.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TransferResult transferResult(bool ok, int status, qint64 received, qint64 total, const char *error, bool writeFailed = false)
{
    TransferResult r;
    r.ok = ok;
    r.httpStatus = status;
    r.bytesReceived = received;
    r.bytesTotal = total;
    r.errorText = QString::fromLatin1(error);
    r.writeFailed = writeFailed;
    return r;
}

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;

} // namespace

class TestDownloadLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // The bar's percentage rounds half to even; its caption counts in MB with the locale's separator.
    void captions_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<QString>("caption");
        const auto row = [](const char *name, const char *locale, qint64 done, qint64 total, qint64 percent, const char *caption) {
            QTest::newRow(name) << QString(locale) << done << total << percent << QString(caption);
        };
        row("example", "C", 3.5 * MiB, 12.25 * MiB, 29, "Downloading... 3.50 MB / 12.25 MB - 29%");
        row("the locale's separator", "de_DE", 3.5 * MiB, 12.25 * MiB, 29, "Downloading... 3,50 MB / 12,25 MB - 29%");
        row("1.5 % rounds to 2", "C", 3, 200, 2, "Downloading... 0.00 MB / 0.00 MB - 2%");
        row("2.5 % rounds to 2", "C", 5, 200, 2, "Downloading... 0.00 MB / 0.00 MB - 2%");
        row("past 2 GiB", "C", 2 * GiB + 1, 4 * GiB, 50, "Downloading... 2048.00 MB / 4096.00 MB - 50%");
        row("beyond 2 GiB", "C", 3 * GiB, 3 * GiB + GiB / 2, 86, "Downloading... 3072.00 MB / 3584.00 MB - 86%");
        row("a half hundredth rounds up", "C", MiB / 8, MiB, 12, "Downloading... 0.13 MB / 1.00 MB - 12%");
        row("no total", "C", 5, 0, 0, "Downloading... 0.00 MB");
        row("unknown size", "C", 5 * MiB + MiB / 4, -1, 0, "Downloading... 5.25 MB");
    }

    void captions()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(qint64, percent);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(ProgressText::Percent(done, total), percent);
        QTEST(total > 0 ? ProgressText::DownloadingCaption(done, total, percent) : ProgressText::DownloadingCaption(done),
              "caption");
    }

    void failedCaptions_data()
    {
        QTest::addColumn<TransferResult>("result");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const TransferResult &result, const char *expected) {
            QTest::newRow(name) << result << QString(expected);
        };
        row("short", transferResult(false, 200, MiB, 2 * MiB, "Received fewer bytes"), "Download failed: only 1.00 of 2.00 MB arrived.");
        row("lost without length", transferResult(false, 200, 0, -1, "Remote host closed"), "Download failed: the connection was lost.");
        row("a part only", transferResult(true, 206, 100, 100, ""), "Download failed: the server sent only part of the file.");
        row("write failure", transferResult(false, 200, 0, -1, "Cannot write /x/.part: No space left on device", true),
            "An error occurred while saving the video! No space left on device.");
    }

    void failedCaptions()
    {
        QFETCH(TransferResult, result);
        QTEST(ProgressText::FailedCaption(result), "expected");
        QVERIFY(!ProgressText::IsWholeFile(result));
        QVERIFY(ProgressText::IsWholeFile(transferResult(true, 200, 1, 1, "")));
    }

    void speedMeterAveragesTenTicks()
    {
        // It rises over the first ten seconds, then holds the true rate.
        SpeedMeter meter;
        const qint64 total = 12 * 153600;
        for (int tick = 1; tick <= 12; ++tick)
            QCOMPARE(meter.Tick(tick * 153600), qint64(15360) * std::min(tick, 10));
        QCOMPARE(ProgressText::SpeedText(meter.average()), QStringLiteral("Average Download Speed: 153.6 kB/s"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(ProgressText::SpeedText(meter.average()), QStringLiteral("Average Download Speed: 153,6 kB/s"));
        QLocale::setDefault(QLocale::c());
        // Without traffic it falls back to 0.0 after ten ticks.
        for (int tick = 1; tick <= 9; ++tick)
            QVERIFY(meter.Tick(total) > 0);
        QCOMPARE(meter.Tick(total), qint64(0));
        QCOMPARE(ProgressText::SpeedText(meter.average()), QStringLiteral("Average Download Speed: 0.0 kB/s"));

        // A row finished: its bytes no longer count, the total drops, and no slot turns negative.
        SpeedMeter dropping;
        dropping.Tick(1000000);
        dropping.SpeedBaselineReset = true;
        QCOMPARE(dropping.Tick(200000), qint64(100000)); // the first tick's million only
        QCOMPARE(dropping.Tick(300000), qint64(110000));
    }

    void uniqueFileName_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // The name asked for is the first one there already.
        const auto row = [](const char *name, const QStringList &existing, const QString &expected) {
            QTest::newRow(name) << existing << existing.value(0, QStringLiteral("Sunset_(HQ).flv")) << expected;
        };
        row("free", {}, "Sunset_(HQ).flv");
        row("first number", {"Sunset_(HQ).flv"}, "Sunset_(HQ) [1].flv");
        row("gap first", {"Sunset_(HQ).flv", "Sunset_(HQ) [2].flv"}, "Sunset_(HQ) [1].flv");
        row("no dot", {"Sunset"}, "Sunset[1]");
        row("every # numbered", {"Take #5.mp4"}, "Take 15 [1].mp4");
        row("last dot only", {"a.b.mp4"}, "a.b [1].mp4");
        // A name of the file system's full length leaves room for the number, never inside a character.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // outside the Basic Multilingual Plane
        row("full length", {QString(251, QLatin1Char('a')) + ".mp4"}, QString(247, QLatin1Char('a')) + " [1].mp4");
        row("full length of emoji", {emoji.repeated(62) + "abc.mp4"}, emoji.repeated(61) + " [1].mp4");
        QStringList ten{"x.flv"};
        for (int n = 1; n <= 9; ++n)
            ten << QStringLiteral("x [%1].flv").arg(n);
        row("ten and more", ten, "x [10].flv");
        QTest::newRow("a folder takes the name") << QStringList{"Clip.mp4/"} << "Clip.mp4" << "Clip [1].mp4";
    }

    void uniqueFileName()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString &e : existing) {
            if (e.endsWith(QLatin1Char('/')))
                QVERIFY(QDir(dir.path()).mkdir(e.chopped(1)));
            else
                QVERIFY(StandIn::WriteFile(dir.filePath(e), "x"));
        }
        // The folder is given without a final separator; the function adds it.
        QCOMPARE(modFunctions::GetUniqueFileName(dir.path(), name), expected);
    }

    void recordsKeepPercentParallel()
    {
        DownloadRecords records;
        QCOMPARE(records.RowPercent(), QList<qint64>{0});
        for (int row = 0; row < 3; ++row) {
            DownloadRecord r;
            r.key = QString(QLatin1Char(char('a' + row)));
            r.fileName = r.key + QStringLiteral(".mp4");
            records.append(r);
            records.setPercent(row, 11 * (row + 1));
        }
        records.at(2).bytes = 3 * GiB; // 64-bit counts
        records.at(0).bytes = 5;
        QCOMPARE(records.totalBytes(), 3 * GiB + 5);
        records.removeAt(1);
        QCOMPARE(records.indexOf(QStringLiteral("c")), 1);
        QCOMPARE(records.percent(1), qint64(33));
        QCOMPARE(records.RowPercent(), (QList<qint64>{0, 11, 33}));
        QVERIFY(records.hasFileName(QStringLiteral("c.mp4")));
        QVERIFY(!records.hasFileName(QStringLiteral("b.mp4")));
        records.removeAt(1);
        records.removeAt(0);
        QCOMPARE(records.count(), 0);
        QCOMPARE(records.RowPercent(), QList<qint64>{0});
    }

    // A title made a file name, or a name the user typed over an old one ("<rejected>": refused).
    void safeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("videoId");
        QTest::addColumn<QString>("renamedFrom"); // empty: a title
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *row, const QString &name, const char *videoId, const QString &expected, const char *renamedFrom = "") {
            QTest::newRow(row) << name << QString(videoId) << QString(renamedFrom) << expected;
        };
        row("ordinary", "Sunset_(HQ).flv", "abc", "Sunset_(HQ).flv");
        row("only the extension", ".mp4", "qqqQuestion", "qqqQuestion.mp4");
        row("blanks and extension", "  .mp4", "qqqQuestion", "qqqQuestion.mp4");
        row("dots", "...mp4", "dotDotTitle", "dotDotTitle.mp4");
        row("no id either", ".mp4", "", "video.mp4");
        row("separator", "a/b.mp4", "x", "a_b.mp4");
        row("no extension", "Sunset", "x", "Sunset");
        // Never hidden, never taken for a partial file by the clean-up at start-up.
        row("partial's pattern", ".clipvault-0123456789abcdef.part", "x", "_clipvault-0123456789abcdef_part");
        row("hidden", "..hidden.mp4", "x", "__hidden.mp4");
        row("extension part", "Sunset.PART", "x", "Sunset_PART");
        row("hidden id", ".mp4", ".clipvault-0123456789abcdef", "_clipvault-0123456789abcdef.mp4");
        // Overlong names are cut at the end of the part before the extension, never inside a character.
        row("overlong", QString(300, QChar(0x65E5)) + "_(HQ).flv", "x", QString(83, QChar(0x65E5)) + ".flv");
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        row("overlong emoji", emoji.repeated(100) + ".mp4", "x", emoji.repeated(62) + ".mp4");
        // A typed name keeps the old name's extension.
        row("extension added", "clip", "vid0001", "clip.flv", "Sunset_(HQ).flv");
        row("other extension kept", "clip.mp4", "vid0001", "clip.mp4.flv", "Sunset_(HQ).flv");
        row("blanks around", "  clip  ", "vid0001", "clip.mp4", "Sunset.mp4");
        row("cleaned like a title", "a:b?c*.mp4", "vid0001", "abc.mp4", "Sunset.mp4");
        row("blanks only", "   ", "vid0001", "<rejected>", "Sunset.mp4");
        row("dots fall back to the id", "..", "vid0001", "vid0001.mp4", "Sunset.mp4");
        row("removed characters only", "???", "vid0001", "vid0001.mp4", "Sunset.mp4");
    }

    void safeNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, videoId);
        QFETCH(QString, renamedFrom);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString safe = renamedFrom.isEmpty()
                                 ? DownloadNames::Safe(name, videoId, dot < 0 ? QString() : name.mid(dot))
                                 : DownloadNames::Renamed(name, DownloadNames::EditExtension(renamedFrom), videoId).value_or(QStringLiteral("<rejected>"));
        QTEST(safe, "expected");
        QVERIFY(!DownloadNames::IsPartialFileName(safe) && !DownloadNames::IsWorkFolderName(safe));
        for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral(".flv")})
            QVERIFY2(!DownloadNames::IsUsable(bad), qPrintable(bad));
    }

    // Where a whole body ends when the row's name or the save folder does not work; a body of the
    // wrong size is refused and removed, and no file but the one the user chose is ever replaced.
    void placement_data()
    {
        QTest::addColumn<QString>("saveIn");   // below the test's folder; the body lies in videos/
        QTest::addColumn<QString>("name");
        // In the way: a folder ("dir:"), a reserved path ("reserved:"), someone's file ("file:"), or
        // one the user chose to overwrite ("chosen:"), perhaps changed since ("changed:").
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("vanished"); // the body's folder was removed and made again while it was written
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::addColumn<bool>("renamed");
        const auto row = [](const char *name, const QString &saveIn, const QString &obstacle, const QString &expected, bool renamed,
                            const QString &fileName = QStringLiteral("Sunset.mp4"), qint64 size = 10, bool vanished = false) {
            QTest::newRow(name) << saveIn << fileName << obstacle << size << vanished << expected << renamed;
        };
        row("its own name", "videos", "", "videos/Sunset.mp4", false);
        row("another folder, made", "other/deeper", "", "other/deeper/Sunset.mp4", false);
        row("a folder has the name", "videos", "dir:videos/Sunset.mp4", "videos/Sunset [1].mp4", true);
        row("someone's file has the name", "videos", "file:videos/Sunset.mp4", "videos/Sunset [1].mp4", true);
        row("the file chosen to be overwritten", "videos", "chosen:videos/Sunset.mp4", "videos/Sunset.mp4", false);
        row("chosen, but changed since", "videos", "changed:videos/Sunset.mp4", "videos/Sunset [1].mp4", true);
        row("the next number is reserved", "videos", "reserved:videos/Sunset [1].mp4", "videos/Sunset [2].mp4", true);
        row("too long a name", "videos", "", "videos/vid0001.mp4", true, QString(300, QLatin1Char('a')) + ".mp4");
        row("save folder below a file", "plain/x", "", "videos/Sunset.mp4", true);
        row("no save folder", "", "", "videos/Sunset.mp4", true);
        row("shorter than announced", "videos", "file:videos/Sunset.mp4", "", false, QStringLiteral("Sunset.mp4"), 11);
        row("longer than announced", "videos", "", "", false, QStringLiteral("Sunset.mp4"), 9);
        // Then the body is copied from the handle opened when the transfer began.
        row("recovered after the folder was removed", "videos", "", "videos/Sunset.mp4", false, QStringLiteral("Sunset.mp4"), 10, true);
        row("copied, never over another file", "videos", "file:videos/Sunset.mp4", "videos/Sunset [1].mp4", true,
            QStringLiteral("Sunset.mp4"), 10, true);
    }

    void placement()
    {
        QFETCH(QString, saveIn);
        QFETCH(QString, name);
        QFETCH(QString, obstacle);
        QFETCH(qint64, size);
        QFETCH(bool, vanished);
        QFETCH(QString, expected);
        QFETCH(bool, renamed);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("videos")));
        QVERIFY(StandIn::WriteFile(dir.filePath(QStringLiteral("plain")), "x"));
        const QByteArray body = "whole body";
        FinishedFile::Job job;
        job.partial = dir.filePath(QStringLiteral("videos/.p.part"));
        QVERIFY(StandIn::WriteFile(job.partial, body));
        if (vanished) {
            job.handle = std::make_shared<QFile>(job.partial);
            QVERIFY(job.handle->open(QIODevice::ReadOnly));
            QVERIFY(QDir(dir.filePath(QStringLiteral("videos"))).removeRecursively());
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("videos")));
        }
        job.expectedSize = size;
        job.folder = saveIn.isEmpty() ? QString() : dir.filePath(saveIn);
        job.name = name;
        job.fallbackName = QStringLiteral("vid0001.mp4");
        if (obstacle.startsWith(QLatin1String("reserved:"))) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("videos/Sunset.mp4")));
            job.reserved.insert(dir.filePath(obstacle.mid(9)));
        } else if (obstacle.startsWith(QLatin1String("dir:"))) {
            QVERIFY(QDir(dir.path()).mkdir(obstacle.mid(4)));
        } else if (!obstacle.isEmpty()) {
            const QString path = dir.filePath(obstacle.section(QLatin1Char(':'), 1));
            QVERIFY(StandIn::WriteFile(path, "someone's, longer than the body"));
            job.replaceable = FinishedFile::Stamp::of(path);
            if (obstacle.startsWith(QLatin1String("file:")))
                job.replaceable = FinishedFile::Stamp();
            if (obstacle.startsWith(QLatin1String("changed:")))
                QVERIFY(StandIn::WriteFile(path, "someone's, changed"));
        }
        QCOMPARE(FinishedFile::NeedsCopy(job), vanished); // one file system: a copy only when the body is gone

        const FinishedFile::Outcome outcome = FinishedFile::Place(job);
        QCOMPARE(outcome.placed, !expected.isEmpty());
        QCOMPARE(outcome.path, expected.isEmpty() ? QString() : dir.filePath(expected));
        QCOMPARE(outcome.renamed, renamed);
        if (!saveIn.isEmpty()) // the error says why the row's own name failed
            QCOMPARE(outcome.error.isEmpty(), !renamed && !expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(StandIn::FileBytes(outcome.path), body);
        if (obstacle.startsWith(QLatin1String("file:")) || obstacle.startsWith(QLatin1String("changed:")))
            QVERIFY(StandIn::FileBytes(dir.filePath(obstacle.section(QLatin1Char(':'), 1))).startsWith("someone's"));
        QVERIFY(!QFile::exists(job.partial)); // moved, or refused and removed
        if (vanished) // and no copy is left beside the names tried
            QCOMPARE(QDir(dir.filePath(QStringLiteral("videos"))).entryList(QDir::Files | QDir::Hidden).size(), obstacle.isEmpty() ? 1 : 2);
    }
};

QTEST_GUILESS_MAIN(TestDownloadLogic)
#include "tst_downloadlogic.moc"
