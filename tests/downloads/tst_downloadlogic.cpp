// The download list's logic without widgets: arithmetic and texts, names, records, the speed
// meter and the last step that puts a finished file in place.
#include "downloads/ArrayElements.h"
#include "downloads/DownloadNames.h"
#include "downloads/DownloadRecords.h"
#include "downloads/FinishedFile.h"
#include "downloads/ProgressText.h"
#include "downloads/SpeedMeter.h"
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
    void speedMeterBaselineResetAvoidsNegativeTraffic();

    void uniqueFileName_data();
    void uniqueFileName();

    void removeArrayElement_data();
    void removeArrayElement();
    void recordsKeepPercentParallel();

    void safeNames_data();
    void safeNames();
    void renameRule_data();
    void renameRule();
    void partialNameIsHiddenAndPerKey();

    void finishedFileReplacesTarget();
    void finishedFileOfWrongSizeLeavesTarget();
    void finishedFileRecoveredAfterFolderRemoved();
    void finishedFileRefusesFolderTarget();
};

void TestDownloadLogic::percent_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("3.5 of 12.25 MB") << qint64(3.5 * MiB) << qint64(12.25 * MiB) << qint64(29);
    QTest::newRow("half a percent rounds to even 0") << qint64(1) << qint64(200) << qint64(0);
    QTest::newRow("1.5 % rounds to 2") << qint64(3) << qint64(200) << qint64(2);
    QTest::newRow("2.5 % rounds to 2") << qint64(5) << qint64(200) << qint64(2);
    QTest::newRow("just over a half") << qint64(1001) << qint64(200000) << qint64(1);
    QTest::newRow("all") << qint64(12345) << qint64(12345) << qint64(100);
    QTest::newRow("past 2 GiB") << qint64(2 * GiB + 1) << qint64(4 * GiB) << qint64(50);
    QTest::newRow("3 GiB file, 3/4") << qint64(3 * GiB) << qint64(4 * GiB) << qint64(75);
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
    TransferResult notFound;
    notFound.httpStatus = 404;
    notFound.errorText = QStringLiteral("The server answered 404 Not Found");
    QTest::newRow("404") << notFound << "Download failed: the server answered 404.";
    TransferResult cut;
    cut.httpStatus = 200;
    cut.bytesReceived = MiB;
    cut.bytesTotal = 2 * MiB;
    cut.errorText = QStringLiteral("Received fewer bytes");
    QTest::newRow("short") << cut << "Download failed: only 1.00 of 2.00 MB arrived.";
    TransferResult idle;
    idle.httpStatus = 200;
    idle.timedOut = true;
    idle.errorText = QStringLiteral("Nothing was received");
    QTest::newRow("stall") << idle << "Download failed: no data arrived.";
    TransferResult lost;
    lost.httpStatus = 200;
    lost.bytesTotal = -1;
    lost.errorText = QStringLiteral("Remote host closed");
    QTest::newRow("lost without length") << lost << "Download failed: the connection was lost.";
    TransferResult empty;
    empty.ok = true;
    empty.httpStatus = 200;
    empty.bytesTotal = 0;
    QTest::newRow("empty body") << empty << "Download failed: the server sent no data.";
    TransferResult part;
    part.ok = true;
    part.httpStatus = 206;
    part.bytesReceived = 100;
    part.bytesTotal = 100;
    QTest::newRow("a part only") << part << "Download failed: the server sent only part of the file.";
    TransferResult disk;
    disk.httpStatus = 200;
    disk.errorText = QStringLiteral("Cannot write /x/.part: No space left on device");
    QTest::newRow("write failure") << disk << "An error occurred while saving the video!";
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
    // Halves of the sum's tenth round to even.
    SpeedMeter odd;
    QCOMPARE(odd.Tick(5), qint64(0));  // 0.5
    QCOMPARE(odd.Tick(20), qint64(2)); // 2.0
    QCOMPARE(odd.Tick(25), qint64(2)); // 2.5
    QCOMPARE(odd.Tick(40), qint64(4)); // 4.0
}

void TestDownloadLogic::speedMeterBaselineResetAvoidsNegativeTraffic()
{
    SpeedMeter meter;
    meter.Tick(1000000);
    // A row finished: its bytes no longer count, the total drops.
    meter.SpeedBaselineReset = true;
    const qint64 after = meter.Tick(200000);
    QCOMPARE(after, qint64(100000)); // the first tick's million only, no negative slot
    QCOMPARE(meter.Tick(300000), qint64(110000));
    // Without the reset the same drop would have been measured as negative traffic.
    SpeedMeter careless;
    careless.Tick(1000000);
    QVERIFY(careless.Tick(200000) < 100000);
}

void TestDownloadLogic::uniqueFileName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << QStringList{} << "Sunset_(HQ).flv" << "Sunset_(HQ).flv";
    QTest::newRow("first number") << QStringList{"Sunset_(HQ).flv"} << "Sunset_(HQ).flv" << "Sunset_(HQ) [1].flv";
    QTest::newRow("next number") << QStringList{"Sunset_(HQ).flv", "Sunset_(HQ) [1].flv"} << "Sunset_(HQ).flv"
                                 << "Sunset_(HQ) [2].flv";
    QTest::newRow("gap first") << QStringList{"Sunset_(HQ).flv", "Sunset_(HQ) [2].flv"} << "Sunset_(HQ).flv"
                               << "Sunset_(HQ) [1].flv";
    QTest::newRow("no dot") << QStringList{"Sunset"} << "Sunset" << "Sunset[1]";
    QTest::newRow("every # numbered") << QStringList{"Take #5.mp4"} << "Take #5.mp4" << "Take 15 [1].mp4";
    QTest::newRow("last dot only") << QStringList{"a.b.mp4"} << "a.b.mp4" << "a.b [1].mp4";
    QTest::newRow("a folder takes the name") << QStringList{"Clip.mp4/"} << "Clip.mp4" << "Clip [1].mp4";
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

void TestDownloadLogic::removeArrayElement_data()
{
    QTest::addColumn<QList<qint64>>("array");
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<qint64>>("expected");
    QTest::newRow("middle") << QList<qint64>{0, 10, 20, 30} << 2 << QList<qint64>{0, 10, 30};
    QTest::newRow("first row") << QList<qint64>{0, 10, 20, 30} << 1 << QList<qint64>{0, 20, 30};
    QTest::newRow("last only shrinks") << QList<qint64>{0, 10, 20} << 2 << QList<qint64>{0, 10};
    QTest::newRow("one element erased") << QList<qint64>{7} << 0 << QList<qint64>{};
}

void TestDownloadLogic::removeArrayElement()
{
    QFETCH(QList<qint64>, array);
    QFETCH(int, index);
    QFETCH(QList<qint64>, expected);
    modFunctions::RemoveArrayElement(array, index);
    QCOMPARE(array, expected);
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
}

void TestDownloadLogic::safeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, videoId);
    QFETCH(QString, expected);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QCOMPARE(DownloadNames::Safe(name, videoId, dot < 0 ? QString() : name.mid(dot)), expected);
    for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral(".flv")})
        QVERIFY2(!DownloadNames::IsUsable(bad), qPrintable(bad));

    // An overlong title keeps its extension and fits the file system's limit.
    const QString longName = QString(300, QChar(0x65E5)) + QStringLiteral("_(HQ).flv");
    const QString shortened = DownloadNames::Safe(longName, QStringLiteral("x"), QStringLiteral("_(HQ).flv"));
    QVERIFY(shortened.endsWith(QStringLiteral(".flv")));
    QVERIFY(shortened.toUtf8().size() <= DownloadNames::MaxNameBytes);
    QVERIFY(shortened.startsWith(QChar(0x65E5)));
}

void TestDownloadLogic::renameRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("expected"); // "<rejected>" for a refused edit
    QTest::newRow("extension added") << "clip" << "Sunset_(HQ).flv" << "clip.flv";
    QTest::newRow("other extension kept") << "clip.mp4" << "Sunset_(HQ).flv" << "clip.mp4.flv";
    QTest::newRow("same extension") << "clip.flv" << "Sunset_(HQ).flv" << "clip.flv";
    QTest::newRow("blanks around") << "  clip  " << "Sunset.mp4" << "clip.mp4";
    QTest::newRow("cleaned like a title") << "a:b?c*.mp4" << "Sunset.mp4" << "abc.mp4";
    QTest::newRow("blanks only") << "   " << "Sunset.mp4" << "<rejected>";
    QTest::newRow("empty") << "" << "Sunset.mp4" << "<rejected>";
    QTest::newRow("dots fall back to the id") << ".." << "Sunset.mp4" << "vid0001.mp4";
    QTest::newRow("bare extension falls back") << ".mp4" << "Sunset.mp4" << "vid0001.mp4";
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

void TestDownloadLogic::partialNameIsHiddenAndPerKey()
{
    const QString a = DownloadNames::PartialFileName(QStringLiteral("http://h/media/a/18"));
    const QString b = DownloadNames::PartialFileName(QStringLiteral("http://h/media/a/22"));
    QVERIFY(a.startsWith(QLatin1Char('.')));
    QVERIFY(a != b);
    QCOMPARE(a, DownloadNames::PartialFileName(QStringLiteral("http://h/media/a/18")));
}

void TestDownloadLogic::finishedFileReplacesTarget()
{
    QTemporaryDir dir;
    const QString partial = dir.filePath(QStringLiteral(".p.part"));
    const QString target = dir.filePath(QStringLiteral("Sunset.mp4"));
    touch(partial, "new content");
    touch(target, "an older and longer content");
    QString error;
    QVERIFY2(FinishedFile::MoveIntoPlace(partial, nullptr, target, 11, &error), qPrintable(error));
    QCOMPARE(contentOf(target), QByteArray("new content"));
    QVERIFY(!QFile::exists(partial));
}

void TestDownloadLogic::finishedFileOfWrongSizeLeavesTarget()
{
    QTemporaryDir dir;
    const QString partial = dir.filePath(QStringLiteral(".p.part"));
    const QString target = dir.filePath(QStringLiteral("Sunset.mp4"));
    touch(partial, "cut");
    touch(target, "old");
    QString error;
    QVERIFY(!FinishedFile::MoveIntoPlace(partial, nullptr, target, 11, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(contentOf(target), QByteArray("old"));
    QVERIFY(!QFile::exists(partial));
}

void TestDownloadLogic::finishedFileRecoveredAfterFolderRemoved()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("videos"));
    QVERIFY(QDir().mkpath(folder));
    const QString partial = folder + QStringLiteral("/.p.part");
    touch(partial, "whole body");
    QFile handle(partial);
    QVERIFY(handle.open(QIODevice::ReadOnly));
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/Sunset.mp4");
    QString error;
    QVERIFY2(FinishedFile::MoveIntoPlace(partial, &handle, target, 10, &error), qPrintable(error));
    QCOMPARE(contentOf(target), QByteArray("whole body"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Sunset.mp4")});
}

void TestDownloadLogic::finishedFileRefusesFolderTarget()
{
    QTemporaryDir dir;
    const QString partial = dir.filePath(QStringLiteral(".p.part"));
    touch(partial, "abc");
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Sunset.mp4")));
    QVERIFY(!FinishedFile::MoveIntoPlace(partial, nullptr, dir.filePath(QStringLiteral("Sunset.mp4")), 3, nullptr));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Sunset.mp4"))).isDir());
    QVERIFY(!QFile::exists(partial));
}

QTEST_GUILESS_MAIN(TestDownloadLogic)
#include "tst_downloadlogic.moc"
