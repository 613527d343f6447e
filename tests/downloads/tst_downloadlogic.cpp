// The download list's logic without widgets: arithmetic and texts, names, records, the speed
// meter and the last step that puts a finished file in place.
#include "queue/DownloadNames.h"
#include "queue/DownloadRecords.h"
#include "queue/FinishedFile.h"
#include "queue/ProgressText.h"
#include "queue/SpeedMeter.h"
#include "transfer/TransferResult.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void touch(const QString &path, const QByteArray &content = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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
        QTest::newRow("example") << "C" << qint64(3.5 * MiB) << qint64(12.25 * MiB) << 29LL
                                 << "Downloading... 3.50 MB / 12.25 MB - 29%";
        QTest::newRow("the locale's separator") << "de_DE" << qint64(3.5 * MiB) << qint64(12.25 * MiB) << 29LL
                                                << "Downloading... 3,50 MB / 12,25 MB - 29%";
        QTest::newRow("1.5 % rounds to 2") << "C" << 3LL << 200LL << 2LL << "Downloading... 0.00 MB / 0.00 MB - 2%";
        QTest::newRow("2.5 % rounds to 2") << "C" << 5LL << 200LL << 2LL << "Downloading... 0.00 MB / 0.00 MB - 2%";
        QTest::newRow("past 2 GiB") << "C" << 2 * GiB + 1 << 4 * GiB << 50LL << "Downloading... 2048.00 MB / 4096.00 MB - 50%";
        QTest::newRow("beyond 2 GiB") << "C" << 3 * GiB << 3 * GiB + GiB / 2 << 86LL
                                      << "Downloading... 3072.00 MB / 3584.00 MB - 86%";
        QTest::newRow("a half hundredth rounds up") << "C" << MiB / 8 << MiB << 12LL << "Downloading... 0.13 MB / 1.00 MB - 12%";
        QTest::newRow("no total") << "C" << 5LL << 0LL << 0LL << "Downloading... 0.00 MB";
        QTest::newRow("unknown size") << "C" << 5 * MiB + MiB / 4 << -1LL << 0LL << "Downloading... 5.25 MB";
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
        QTest::newRow("short") << transferResult(false, 200, MiB, 2 * MiB, "Received fewer bytes")
                               << "Download failed: only 1.00 of 2.00 MB arrived.";
        QTest::newRow("lost without length") << transferResult(false, 200, 0, -1, "Remote host closed")
                                             << "Download failed: the connection was lost.";
        QTest::newRow("a part only") << transferResult(true, 206, 100, 100, "")
                                     << "Download failed: the server sent only part of the file.";
        QTest::newRow("write failure") << transferResult(false, 200, 0, -1, "Cannot write /x/.part: No space left on device", true)
                                       << "An error occurred while saving the video! No space left on device.";
    }

    void failedCaptions()
    {
        QFETCH(TransferResult, result);
        QFETCH(QString, expected);
        QCOMPARE(ProgressText::FailedCaption(result), expected);
        QVERIFY(!ProgressText::IsWholeFile(result));
        QVERIFY(ProgressText::IsWholeFile(transferResult(true, 200, 1, 1, "")));
    }

    void speedMeterAveragesTenTicks()
    {
        SpeedMeter meter;
        qint64 total = 0;
        QList<qint64> averages;
        for (int tick = 1; tick <= 12; ++tick) {
            total += 153600;
            averages << meter.Tick(total);
        }
        // It rises over the first ten seconds, then holds the true rate.
        QCOMPARE(averages.first(), qint64(15360));
        QCOMPARE(averages.at(4), qint64(76800));
        QCOMPARE(averages.at(9), qint64(153600));
        QCOMPARE(averages.last(), qint64(153600));
        QCOMPARE(ProgressText::SpeedText(averages.last()), QStringLiteral("Average Download Speed: 153.6 kB/s"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(ProgressText::SpeedText(averages.last()), QStringLiteral("Average Download Speed: 153,6 kB/s"));
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
        QTest::newRow("free") << QStringList{} << "Sunset_(HQ).flv" << "Sunset_(HQ).flv";
        QTest::newRow("first number") << QStringList{"Sunset_(HQ).flv"} << "Sunset_(HQ).flv" << "Sunset_(HQ) [1].flv";
        QTest::newRow("gap first") << QStringList{"Sunset_(HQ).flv", "Sunset_(HQ) [2].flv"} << "Sunset_(HQ).flv"
                                   << "Sunset_(HQ) [1].flv";
        QTest::newRow("no dot") << QStringList{"Sunset"} << "Sunset" << "Sunset[1]";
        QTest::newRow("every # numbered") << QStringList{"Take #5.mp4"} << "Take #5.mp4" << "Take 15 [1].mp4";
        QTest::newRow("last dot only") << QStringList{"a.b.mp4"} << "a.b.mp4" << "a.b [1].mp4";
        QTest::newRow("a folder takes the name") << QStringList{"Clip.mp4/"} << "Clip.mp4" << "Clip [1].mp4";
        // A name of the file system's full length leaves room for the number, never inside a character.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // outside the Basic Multilingual Plane
        QTest::newRow("full length") << QStringList{QString(251, QLatin1Char('a')) + ".mp4"}
                                     << QString(251, QLatin1Char('a')) + ".mp4" << QString(247, QLatin1Char('a')) + " [1].mp4";
        QTest::newRow("full length of emoji") << QStringList{emoji.repeated(62) + "abc.mp4"} << emoji.repeated(62) + "abc.mp4"
                                              << emoji.repeated(61) + " [1].mp4";
        QTest::newRow("ten and more") << QStringList{"x.flv", "x [1].flv", "x [2].flv", "x [3].flv", "x [4].flv",
                                                     "x [5].flv", "x [6].flv", "x [7].flv", "x [8].flv", "x [9].flv"}
                                      << "x.flv" << "x [10].flv";
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
                touch(dir.filePath(e));
        }
        // The folder is given without a final separator; the function adds it.
        QCOMPARE(modFunctions::GetUniqueFileName(dir.path(), name), expected);
    }

    void recordsKeepPercentParallel()
    {
        DownloadRecords records;
        QCOMPARE(records.RowPercent(), QList<qint64>{0});
        for (const char *key : {"a", "b", "c"}) {
            DownloadRecord r;
            r.key = QString::fromLatin1(key);
            r.fileName = r.key + QStringLiteral(".mp4");
            records.append(r);
        }
        records.setPercent(0, 11);
        records.setPercent(1, 22);
        records.setPercent(2, 33);
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

    void safeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("videoId");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ordinary") << "Sunset_(HQ).flv" << "abc" << "Sunset_(HQ).flv";
        QTest::newRow("only the extension") << ".mp4" << "qqqQuestion" << "qqqQuestion.mp4";
        QTest::newRow("blanks and extension") << "  .mp4" << "qqqQuestion" << "qqqQuestion.mp4";
        QTest::newRow("dots") << "...mp4" << "dotDotTitle" << "dotDotTitle.mp4";
        QTest::newRow("no id either") << ".mp4" << "" << "video.mp4";
        QTest::newRow("separator") << "a/b.mp4" << "x" << "a_b.mp4";
        QTest::newRow("no extension") << "Sunset" << "x" << "Sunset";
        // Never hidden, never taken for a partial file by the clean-up at start-up.
        QTest::newRow("partial's pattern") << ".clipvault-0123456789abcdef.part" << "x" << "_clipvault-0123456789abcdef_part";
        QTest::newRow("hidden") << "..hidden.mp4" << "x" << "__hidden.mp4";
        QTest::newRow("extension part") << "Sunset.PART" << "x" << "Sunset_PART";
        QTest::newRow("hidden id") << ".mp4" << ".clipvault-0123456789abcdef" << "_clipvault-0123456789abcdef.mp4";
        // Overlong names are cut at the end of the part before the extension, never inside a character.
        QTest::newRow("overlong") << QString(300, QChar(0x65E5)) + "_(HQ).flv" << "x" << QString(83, QChar(0x65E5)) + ".flv";
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("overlong emoji") << emoji.repeated(100) + ".mp4" << "x" << emoji.repeated(62) + ".mp4";
    }

    void safeNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, videoId);
        QFETCH(QString, expected);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString safe = DownloadNames::Safe(name, videoId, dot < 0 ? QString() : name.mid(dot));
        QCOMPARE(safe, expected);
        QVERIFY(!DownloadNames::IsPartialFileName(safe) && !DownloadNames::IsWorkFolderName(safe));
        for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral(".flv")})
            QVERIFY2(!DownloadNames::IsUsable(bad), qPrintable(bad));
    }

    void renameRule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("expected"); // "<rejected>" for a refused edit
        QTest::newRow("extension added") << "clip" << "Sunset_(HQ).flv" << "clip.flv";
        QTest::newRow("other extension kept") << "clip.mp4" << "Sunset_(HQ).flv" << "clip.mp4.flv";
        QTest::newRow("blanks around") << "  clip  " << "Sunset.mp4" << "clip.mp4";
        QTest::newRow("cleaned like a title") << "a:b?c*.mp4" << "Sunset.mp4" << "abc.mp4";
        QTest::newRow("blanks only") << "   " << "Sunset.mp4" << "<rejected>";
        QTest::newRow("dots fall back to the id") << ".." << "Sunset.mp4" << "vid0001.mp4";
        QTest::newRow("removed characters only") << "???" << "Sunset.mp4" << "vid0001.mp4";
    }

    void renameRule()
    {
        QFETCH(QString, typed);
        QFETCH(QString, oldName);
        QFETCH(QString, expected);
        const auto renamed = DownloadNames::Renamed(typed, DownloadNames::EditExtension(oldName), QStringLiteral("vid0001"));
        QCOMPARE(renamed.value_or(QStringLiteral("<rejected>")), expected);
    }

    // The last step of a transfer: the partial file becomes the target only when it is whole.
    void finishedFile_data()
    {
        QTest::addColumn<QByteArray>("partial");
        QTest::addColumn<QByteArray>("existing"); // "<folder>": a folder has the target's name
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("folderRemoved");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("moved");
        const auto row = [](const char *name, const QByteArray &partial, const QByteArray &existing, qint64 size, bool folderRemoved,
                            bool replace, bool moved) {
            QTest::newRow(name) << partial << existing << size << folderRemoved << replace << moved;
        };
        row("replaces the target when told", "new content", "an older, longer content", 11, false, true, true);
        row("never replaces a target otherwise", "new content", "someone's", 11, false, false, false);
        row("shorter than announced leaves the target", "cut", "old", 11, false, true, false);
        row("longer than announced leaves the target", "twelve bytes", "old", 11, false, true, false);
        row("recovered after the folder was removed", "whole body", "", 10, true, false, true);
        row("copied, never over another file", "whole body", "someone's", 10, true, false, false);
        row("a folder is not replaced", "abc", "<folder>", 3, false, true, false);
    }

    void finishedFile()
    {
        QFETCH(QByteArray, partial);
        QFETCH(QByteArray, existing);
        QFETCH(qint64, size);
        QFETCH(bool, folderRemoved);
        QFETCH(bool, replace);
        QFETCH(bool, moved);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("videos"));
        QVERIFY(QDir().mkpath(folder));
        const QString partialPath = folder + QStringLiteral("/.p.part");
        const QString target = folder + QStringLiteral("/Sunset.mp4");
        touch(partialPath, partial);
        QFile handle(partialPath);
        QVERIFY(handle.open(QIODevice::ReadOnly));
        if (existing == "<folder>")
            QVERIFY(QDir(folder).mkdir(QStringLiteral("Sunset.mp4")));
        else if (!existing.isEmpty())
            touch(target, existing);
        if (folderRemoved) {
            QVERIFY(QDir(folder).removeRecursively());
            QVERIFY(QDir().mkpath(folder));
            if (!existing.isEmpty())
                touch(target, existing);
        }
        QString error;
        QCOMPARE(FinishedFile::MoveIntoPlace(partialPath, folderRemoved ? &handle : nullptr, target, size, &error, replace),
                 moved);
        QCOMPARE(error.isEmpty(), moved);
        if (existing == "<folder>")
            QVERIFY(QFileInfo(target).isDir());
        else
            QCOMPARE(contentOf(target), moved ? partial : existing);
        // A body of the wrong size goes; a whole one that could not be moved stays.
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        const bool whole = partial.size() == size;
        QCOMPARE(left.removeAll(QStringLiteral(".p.part")), qsizetype(!moved && whole && !folderRemoved ? 1 : 0));
        QCOMPARE(left, existing == "<folder>" ? QStringList() : QStringList{QStringLiteral("Sunset.mp4")});
    }

    // Where a whole body ends when the row's name or the save folder does not work.
    void placement_data()
    {
        QTest::addColumn<QString>("saveIn");   // below the test's folder; the body lies in videos/
        QTest::addColumn<QString>("name");
        // In the way: a folder ("dir:"), a reserved path ("reserved:"), someone's file ("file:"), or
        // one the user chose to overwrite ("chosen:"), perhaps changed since ("changed:").
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::addColumn<bool>("renamed");
        const auto row = [](const char *name, const QString &saveIn, const QString &obstacle, const QString &expected, bool renamed,
                            const QString &fileName = QStringLiteral("Sunset.mp4"), qint64 size = 10) {
            QTest::newRow(name) << saveIn << fileName << obstacle << size << expected << renamed;
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
        row("wrong size", "videos", "", "", false, QStringLiteral("Sunset.mp4"), 11);
    }

    void placement()
    {
        QFETCH(QString, saveIn);
        QFETCH(QString, name);
        QFETCH(QString, obstacle);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QFETCH(bool, renamed);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("videos")));
        touch(dir.filePath(QStringLiteral("plain")));
        const QByteArray body = "whole body";
        FinishedFile::Job job;
        job.partial = dir.filePath(QStringLiteral("videos/.p.part"));
        touch(job.partial, body);
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
            touch(path, "someone's");
            job.replaceable = FinishedFile::Stamp::of(path);
            if (obstacle.startsWith(QLatin1String("file:")))
                job.replaceable = FinishedFile::Stamp();
            if (obstacle.startsWith(QLatin1String("changed:")))
                touch(path, "someone's, changed");
        }
        QVERIFY(!FinishedFile::NeedsCopy(job)); // one file system, the body in place

        const FinishedFile::Outcome outcome = FinishedFile::Place(job);
        QCOMPARE(outcome.placed, !expected.isEmpty());
        QCOMPARE(outcome.path, expected.isEmpty() ? QString() : dir.filePath(expected));
        QCOMPARE(outcome.renamed, renamed);
        if (!saveIn.isEmpty()) // the error says why the row's own name failed
            QCOMPARE(outcome.error.isEmpty(), !renamed && !expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(contentOf(outcome.path), body);
        if (obstacle.startsWith(QLatin1String("file:")) || obstacle.startsWith(QLatin1String("changed:")))
            QVERIFY(contentOf(dir.filePath(obstacle.section(QLatin1Char(':'), 1))).startsWith("someone's"));
        QVERIFY(!QFile::exists(job.partial)); // moved, or refused and removed
    }
};

QTEST_GUILESS_MAIN(TestDownloadLogic)
#include "tst_downloadlogic.moc"
