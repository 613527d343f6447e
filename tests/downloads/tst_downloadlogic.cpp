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

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;

} // namespace

class TestDownloadLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void percent_data();
    void percent();
    void captions_data();
    void captions();
    void captionsUseTheLocaleSeparator();
    void failedCaptions_data();
    void failedCaptions();

    void speedMeterAveragesTenTicks();

    void uniqueFileName_data();
    void uniqueFileName();

    void recordsKeepPercentParallel();

    void safeNames_data();
    void safeNames();
    void renameRule_data();
    void renameRule();

    void finishedFile_data();
    void finishedFile();
    void placement_data();
    void placement();

};

void TestDownloadLogic::percent_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("3.5 of 12.25 MB") << qint64(3.5 * MiB) << qint64(12.25 * MiB) << qint64(29);
    QTest::newRow("1.5 % rounds to 2") << qint64(3) << qint64(200) << qint64(2);
    QTest::newRow("2.5 % rounds to 2") << qint64(5) << qint64(200) << qint64(2);
    QTest::newRow("past 2 GiB") << qint64(2 * GiB + 1) << qint64(4 * GiB) << qint64(50);
    QTest::newRow("unknown total") << qint64(5) << qint64(0) << qint64(0);
}

void TestDownloadLogic::percent()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, expected);
    QCOMPARE(ProgressText::Percent(done, total), expected);
}

void TestDownloadLogic::captions_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("expected");
    QTest::newRow("example") << qint64(3.5 * MiB) << qint64(12.25 * MiB)
                             << "Downloading... 3.50 MB / 12.25 MB - 29%";
    QTest::newRow("beyond 2 GiB") << qint64(3 * GiB) << qint64(3 * GiB + GiB / 2)
                                  << "Downloading... 3072.00 MB / 3584.00 MB - 86%";
    QTest::newRow("a half hundredth rounds up") << qint64(MiB / 8) << qint64(MiB)
                                                << "Downloading... 0.13 MB / 1.00 MB - 12%";
    QTest::newRow("unknown size") << qint64(5 * MiB + MiB / 4) << qint64(-1) << "Downloading... 5.25 MB";
}

void TestDownloadLogic::captions()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, expected);
    const QString caption = total > 0 ? ProgressText::DownloadingCaption(done, total, ProgressText::Percent(done, total))
                                      : ProgressText::DownloadingCaption(done);
    QCOMPARE(caption, expected);
}

void TestDownloadLogic::captionsUseTheLocaleSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ProgressText::DownloadingCaption(qint64(3.5 * MiB), qint64(12.25 * MiB), 29),
             QStringLiteral("Downloading... 3,50 MB / 12,25 MB - 29%"));
    QCOMPARE(ProgressText::SpeedText(153600), QStringLiteral("Average Download Speed: 153,6 kB/s"));
}

void TestDownloadLogic::failedCaptions_data()
{
    QTest::addColumn<TransferResult>("result");
    QTest::addColumn<QString>("expected");
    const auto result = [](bool ok, int status, qint64 received, qint64 total, const char *error, bool timedOut = false,
                           bool writeFailed = false) {
        TransferResult r;
        r.ok = ok;
        r.httpStatus = status;
        r.bytesReceived = received;
        r.bytesTotal = total;
        r.errorText = QString::fromLatin1(error);
        r.timedOut = timedOut;
        r.writeFailed = writeFailed;
        return r;
    };
    QTest::newRow("short") << result(false, 200, MiB, 2 * MiB, "Received fewer bytes")
                           << "Download failed: only 1.00 of 2.00 MB arrived.";
    QTest::newRow("lost without length") << result(false, 200, 0, -1, "Remote host closed")
                                         << "Download failed: the connection was lost.";
    QTest::newRow("a part only") << result(true, 206, 100, 100, "")
                                 << "Download failed: the server sent only part of the file.";
    QTest::newRow("write failure") << result(false, 200, 0, -1, "Cannot write /x/.part: No space left on device", false, true)
                                   << "An error occurred while saving the video! No space left on device.";
}

void TestDownloadLogic::failedCaptions()
{
    QFETCH(TransferResult, result);
    QFETCH(QString, expected);
    QCOMPARE(ProgressText::FailedCaption(result), expected);
    QVERIFY(!ProgressText::IsWholeFile(result));
    TransferResult whole;
    whole.ok = true;
    whole.httpStatus = 200;
    whole.bytesReceived = whole.bytesTotal = 1;
    QVERIFY(ProgressText::IsWholeFile(whole));
}

void TestDownloadLogic::speedMeterAveragesTenTicks()
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

void TestDownloadLogic::uniqueFileName_data()
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

void TestDownloadLogic::uniqueFileName()
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

void TestDownloadLogic::recordsKeepPercentParallel()
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

void TestDownloadLogic::safeNames_data()
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

void TestDownloadLogic::safeNames()
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

void TestDownloadLogic::renameRule_data()
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

void TestDownloadLogic::renameRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, oldName);
    QFETCH(QString, expected);
    const auto renamed = DownloadNames::Renamed(typed, DownloadNames::EditExtension(oldName), QStringLiteral("vid0001"));
    QCOMPARE(renamed.value_or(QStringLiteral("<rejected>")), expected);
}

// The last step of a transfer: the partial file becomes the target only when it is whole.
void TestDownloadLogic::finishedFile_data()
{
    QTest::addColumn<QByteArray>("partial");
    QTest::addColumn<QByteArray>("existing"); // "<folder>": a folder has the target's name
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("folderRemoved");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<bool>("moved");
    QTest::newRow("replaces the target when told") << QByteArray("new content") << QByteArray("an older, longer content")
                                                   << qint64(11) << false << true << true;
    QTest::newRow("never replaces a target otherwise") << QByteArray("new content") << QByteArray("someone's")
                                                       << qint64(11) << false << false << false;
    QTest::newRow("shorter than announced leaves the target") << QByteArray("cut") << QByteArray("old") << qint64(11)
                                                              << false << true << false;
    QTest::newRow("longer than announced leaves the target") << QByteArray("twelve bytes") << QByteArray("old")
                                                             << qint64(11) << false << true << false;
    QTest::newRow("recovered after the folder was removed") << QByteArray("whole body") << QByteArray() << qint64(10)
                                                            << true << false << true;
    QTest::newRow("copied, never over another file") << QByteArray("whole body") << QByteArray("someone's")
                                                     << qint64(10) << true << false << false;
    QTest::newRow("a folder is not replaced") << QByteArray("abc") << QByteArray("<folder>") << qint64(3) << false
                                              << true << false;
}

void TestDownloadLogic::finishedFile()
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
void TestDownloadLogic::placement_data()
{
    QTest::addColumn<QString>("saveIn");   // below the test's folder; the body lies in videos/
    QTest::addColumn<QString>("name");
    // In the way: a folder ("dir:"), a reserved path ("reserved:"), someone's file ("file:"), or
    // one the user chose to overwrite ("chosen:"), perhaps changed since ("changed:").
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("expected"); // empty: refused
    QTest::addColumn<bool>("renamed");
    QTest::newRow("its own name") << "videos" << "Sunset.mp4" << "" << qint64(10) << "videos/Sunset.mp4" << false;
    QTest::newRow("another folder, made") << "other/deeper" << "Sunset.mp4" << "" << qint64(10)
                                          << "other/deeper/Sunset.mp4" << false;
    QTest::newRow("a folder has the name") << "videos" << "Sunset.mp4" << "dir:videos/Sunset.mp4" << qint64(10)
                                           << "videos/Sunset [1].mp4" << true;
    QTest::newRow("someone's file has the name") << "videos" << "Sunset.mp4" << "file:videos/Sunset.mp4" << qint64(10)
                                                 << "videos/Sunset [1].mp4" << true;
    QTest::newRow("the file chosen to be overwritten") << "videos" << "Sunset.mp4" << "chosen:videos/Sunset.mp4"
                                                       << qint64(10) << "videos/Sunset.mp4" << false;
    QTest::newRow("chosen, but changed since") << "videos" << "Sunset.mp4" << "changed:videos/Sunset.mp4" << qint64(10)
                                               << "videos/Sunset [1].mp4" << true;
    QTest::newRow("the next number is reserved") << "videos" << "Sunset.mp4" << "reserved:videos/Sunset [1].mp4"
                                                 << qint64(10) << "videos/Sunset [2].mp4" << true;
    QTest::newRow("too long a name") << "videos" << QString(300, QLatin1Char('a')) + ".mp4" << "" << qint64(10)
                                     << "videos/vid0001.mp4" << true;
    QTest::newRow("save folder below a file") << "plain/x" << "Sunset.mp4" << "" << qint64(10) << "videos/Sunset.mp4"
                                              << true;
    QTest::newRow("no save folder") << "" << "Sunset.mp4" << "" << qint64(10) << "videos/Sunset.mp4" << true;
    QTest::newRow("wrong size") << "videos" << "Sunset.mp4" << "" << qint64(11) << "" << false;
}

void TestDownloadLogic::placement()
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

QTEST_GUILESS_MAIN(TestDownloadLogic)
#include "tst_downloadlogic.moc"
