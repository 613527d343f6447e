// What a download row keeps beyond the list on screen: the journal on disk, the writer that
// paces it, and the row's own speed.
#include "queue/DownloadArchive.h"
#include "queue/DownloadJournal.h"
#include "queue/JournalWriter.h"
#include "queue/RowSpeedMeter.h"
#include "support/StandIn.h"
#include "videoinfo/VideoEncoding.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(JournalRow)
Q_DECLARE_METATYPE(DownloadJournal::Loaded::Outcome)

namespace {

JournalRow sampleRow(int n)
{
    JournalRow row;
    row.mediaAddress = QStringLiteral("http://127.0.0.1:8080/media/video%1/18?size=%2").arg(n).arg(1000 + n);
    row.fileName = QStringLiteral("Video %1.mp4").arg(n);
    row.saveFolder = QStringLiteral("/home/someone/Videos");
    row.state = 1 + n % 5;
    row.archiveLine = n % 2 ? QStringLiteral("demo video%1").arg(n) : QString();
    row.total = 1000 + n;
    row.bytes = n % 2 ? row.total : n;
    row.etag = "\"abc" + QByteArray::number(n) + '"';
    row.lastModified = "Thu, 16 Jun 2011 03:26:28 GMT";
    row.watchPage = QStringLiteral("http://127.0.0.1:8080/watch?v=video%1").arg(n);
    row.encoding = QString::number(18);
    row.added = QDateTime(QDate(2024, 3, 1), QTime(12, 0, n % 60, 250), Qt::UTC);
    row.caption = QStringLiteral("Downloading... %1%").arg(n);
    if (n % 3 == 2) { // written in segments; some with nothing on disk yet
        row.ranges = n % 2 ? ByteRanges() : ByteRanges::fromSpans({{0, 10}, {100, 100 + n}});
        row.bytes = row.ranges->bytes();
    }
    return row;
}

// A journal of one row whose field `key` is replaced by `value` (or removed when it is null).
QByteArray journalWithField(const QString &key, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(DownloadJournal::toJson({sampleRow(1)})).object();
    QJsonArray rows = root.value(QStringLiteral("rows")).toArray();
    QJsonObject row = rows.at(0).toObject();
    if (value.isNull())
        row.remove(key);
    else
        row.insert(key, value);
    rows.replace(0, row);
    root.insert(QStringLiteral("rows"), rows);
    return QJsonDocument(root).toJson();
}

} // namespace

class TestRowState : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir; // a fresh folder for every test and row
    QString m_path;                     // the journal in it

private Q_SLOTS:
    void init()
    {
        m_dir.emplace();
        // The journal lives in the user's data folder.
        qputenv("XDG_DATA_HOME", m_dir->path().toLocal8Bit());
        m_path = DownloadJournal::defaultPath();
        QVERIFY2(m_path.startsWith(m_dir->path() + QLatin1Char('/')) && m_path.endsWith(QStringLiteral("/downloads.json")), qPrintable(m_path));
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
    }

    // What is saved comes back as it was. The writer never leaves a journal that its reader would set
    // aside at the next start (each of the reader's rules is a row of journalsFoundAtStart): a list
    // that cannot be read back is refused, and the journal on disk stays as it was.
    void everyFieldRoundTrips_data()
    {
        QTest::addColumn<QList<JournalRow>>("rows");
        QTest::addColumn<bool>("written");
        QTest::newRow("empty list") << QList<JournalRow>() << true;

        JournalRow odd = sampleRow(7);
        odd.fileName = QStringLiteral("Café \"Müller\" 日本語 🎬 [2].mp4");
        odd.saveFolder = QStringLiteral("relative/folder with blanks");
        odd.total = -1;
        odd.bytes = 123456;
        odd.etag.clear();
        odd.lastModified.clear();
        odd.watchPage.clear();
        odd.encoding = QStringLiteral("hls-720p");
        odd.caption = QStringLiteral("Line one\nline two");
        odd.headers = {{"User-Agent", "Mozilla/5.0 (X11; Linux x86_64)"},
                       {"Referer", "https://example.org/watch?v=1&t=2"},
                       {"Cookie", "a=1; b=\xe9t\xe9"}};
        QTest::newRow("unknown size, text beyond ASCII, headers") << QList<JournalRow>{odd} << true;

        JournalRow recipe = sampleRow(3);
        recipe.byExtractor = true;
        recipe.encoding = QStringLiteral("ba/b");
        recipe.recipe = QStringList{"-f", "ba/b", "-x", "--audio-format", "mp3", "--write-subs", "--sub-langs", "en,pt-BR",
                                    "--convert-subs", "srt", "--embed-thumbnail"};
        recipe.presetName = QStringLiteral("Lectures \"日本\"\n");
        recipe.missingLanguages = QStringList{"pt-BR"};
        QTest::newRow("a row the extractor fetches, with a recipe") << QList<JournalRow>{recipe, sampleRow(4)} << true;

        // What the list hands the journal at most: 1000 rows in every state, each with every field
        // at its limit (counts of 2^53, headers as many and as long as a format may bring, values
        // beyond ASCII that take two bytes each in the file), must come back as written.
        QList<JournalRow> limits;
        for (int n = 0; n < DownloadJournal::MaxRows; ++n) {
            JournalRow row = sampleRow(n);
            row.fileName = QString(127, QChar(0xe9)) + QString::number(n % 10); // 255 bytes
            row.total = row.bytes = TransferValidators::MaxLength;
            if (row.ranges) { // as many ranges as a row may have, at the end of the longest file
                QList<ByteRanges::Span> spans;
                for (qint64 k = DownloadJournal::MaxRanges; k > 0; --k)
                    spans.append({row.total - 2 * k, row.total - 2 * k + 1});
                row.ranges = ByteRanges::fromSpans(spans);
                row.bytes = DownloadJournal::MaxRanges;
            }
            row.lastModifiedStrong = true;
            row.caption = QString(1000, QChar(0x65e5));
            const QByteArray value(MaxRequestHeaderBytes / MaxRequestHeaders - 16, '\xe9');
            for (int k = 0; k < MaxRequestHeaders; ++k)
                row.headers.append({"X-Header-" + QByteArray::number(k + 10), value});
            limits.append(row);
        }
        QTest::newRow("every field at its limit") << limits << true;

        const auto refused = [](const char *name, const std::function<void(JournalRow &)> &change) {
            JournalRow r = sampleRow(1);
            change(r);
            QTest::newRow(name) << QList<JournalRow>{sampleRow(2), r} << false;
        };
        refused("a total past 2^53", [](JournalRow &r) { r.total = TransferValidators::MaxLength + 1; });
        refused("a name with a folder", [](JournalRow &r) { r.fileName = QStringLiteral("../x.mp4"); });
        refused("a range past the total", [](JournalRow &r) {
            r.ranges = ByteRanges::fromSpans({{0, r.total + 1}});
            r.bytes = r.ranges->bytes();
        });
        refused("larger than the reader takes", [](JournalRow &r) { r.caption = QString(DownloadJournal::MaxFileBytes / 6 + 1, QChar(1)); });
        refused("a recipe with another option", [](JournalRow &r) {
            r.byExtractor = true;
            r.recipe = QStringList{"-f", "ba/b", "-o", "/tmp/x"};
        });
    }
    void everyFieldRoundTrips()
    {
        QFETCH(QList<JournalRow>, rows);
        QFETCH(bool, written);
        const QString path = m_dir->filePath(QStringLiteral("not/yet/there/downloads.json"));
        DownloadJournal journal(path);
        QVERIFY(written || journal.save({sampleRow(2)})); // what a refused save leaves alone
        const QByteArray before = written ? QByteArray() : StandIn::FileBytes(path);
        QString error;
        QVERIFY2(journal.save(rows, &error) == written && error.isEmpty() == written, qPrintable(error));
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
        if (!written)
            QCOMPARE(StandIn::FileBytes(path), before);

        const DownloadJournal::Loaded loaded = DownloadJournal(path).load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::Read);
        QCOMPARE(loaded.rows.size(), written ? rows.size() : 1);
        for (qsizetype i = 0; i < loaded.rows.size(); ++i)
            QVERIFY2(loaded.rows.at(i) == rows.at(i), qPrintable(QStringLiteral("row %1").arg(i + 1)));
        QCOMPARE(QDir(m_dir->filePath(QStringLiteral("not/yet/there"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("downloads.json")}); // no temporary file left behind
    }

    // What a journal found at start-up comes to: read as it is; set aside once, never deleted nor
    // changed, the reason naming what is wrong; or, written by a newer program, left alone.
    void journalsFoundAtStart_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<folder>": a folder where the file should be
        QTest::addColumn<QString>("reasonMentions");
        QTest::addColumn<DownloadJournal::Loaded::Outcome>("outcome");
        QTest::addColumn<QList<JournalRow>>("rows");
        const auto text = [](const char *row, const QByteArray &content, const char *mentions,
                             DownloadJournal::Loaded::Outcome outcome = DownloadJournal::Loaded::SetAside, const QList<JournalRow> &rows = {}) {
            QTest::newRow(row) << content << QString::fromUtf8(mentions) << outcome << rows;
        };
        // A journal of one row whose field `key` is replaced (or removed); the reason names the field.
        const auto field = [&text](const char *row, const char *key, const QJsonValue &value, const char *mentions = nullptr) {
            text(row, journalWithField(QString::fromLatin1(key), value), mentions ? mentions : key);
        };
        const QByteArray good = DownloadJournal::toJson({sampleRow(1)});
        const QByteArray head = R"({"format": "clipvault-downloads", "version": )";
        text("empty file", QByteArray(), "JSON");
        text("cut short", good.left(good.size() / 2), "JSON");
        text("binary", QByteArray("\x00\xff\xfe garbage", 11), "JSON");
        text("another program's JSON", R"({"version": 1, "rows": []})", "not a download list");
        text("version 0", head + R"(0, "rows": []})", "not a download list");
        text("rows not a list", head + R"(1, "rows": {}})", "rows");
        QList<JournalRow> tooMany;
        for (int n = 0; n <= DownloadJournal::MaxRows; ++n)
            tooMany.append(sampleRow(n));
        text("1001 rows", DownloadJournal::toJson(tooMany), "at most 1000");
        text("row not an object", head + R"(1, "rows": [7]})", "row 1");
        field("state 7", "state", 7);
        text("queued in a journal of version 1", journalWithField(QStringLiteral("state"), 5).replace("\"version\": 2", "\"version\": 1"), "state");
        field("archive line of one word", "archiveLine", QStringLiteral("demo"));
        field("state as text", "state", QStringLiteral("1"));
        field("more bytes than the total", "bytes", 5000);
        field("negative bytes", "bytes", -1);
        field("half a byte", "bytes", 10.5);
        field("total below -1", "total", -2);
        field("total past 2^53", "total", 1e17);
        field("local file address", "address", QStringLiteral("file:///etc/passwd"));
        field("address missing", "address", QJsonValue());
        field("watch page not a web page", "watchPage", QStringLiteral("javascript:alert(1)"));
        field("extractor flag as text", "byExtractor", QStringLiteral("yes"));
        const auto byExtractor = [](QByteArray json) { return json.replace("\"byExtractor\": false", "\"byExtractor\": true"); };
        text("for the extractor without a format", byExtractor(journalWithField(QStringLiteral("encoding"), QString())), "byExtractor");
        text("a recipe with another option",
             byExtractor(journalWithField(QStringLiteral("recipe"), QJsonArray{QStringLiteral("--exec"), QStringLiteral("rm -rf ~")})),
             "recipe");
        field("a recipe of numbers", "recipe", QJsonArray{1, 2});
        field("a recipe for a row the extractor does not fetch", "recipe", QJsonArray{QStringLiteral("-x")});
        field("a missing language that excludes", "missingSubtitles", QJsonArray{QStringLiteral("-en")});
        field("a preset name of a number", "preset", 5);
        field("name with a folder", "fileName", QStringLiteral("../x.mp4"));
        field("name ..", "fileName", QStringLiteral(".."));
        field("name over 255 bytes", "fileName", QString(128, QChar(0xe9)));
        field("no save folder", "saveFolder", QString());
        field("added is no date", "added", QStringLiteral("yesterday"));
        field("ETag beyond Latin-1", "etag", QStringLiteral("\"日\""));
        field("caption missing", "caption", QJsonValue());
        field("header with a line break", "headers", QJsonArray{QJsonArray{QStringLiteral("Cookie"), QStringLiteral("a=1\r\nX-Evil: 1")}});
        field("header name with a blank", "headers", QJsonArray{QJsonArray{QStringLiteral("Bad Name"), QStringLiteral("1")}});
        field("ranges overlapping", "ranges", QJsonArray{QJsonArray{0, 600}, QJsonArray{500, 1001}});
        field("a range past the total", "ranges", QJsonArray{QJsonArray{0, 1002}});
        field("a range that is no pair", "ranges", QJsonArray{QJsonArray{0}});
        field("ranges that are not the bytes", "ranges", QJsonArray{QJsonArray{1, 1001}}, "sum");
        text("one address twice", DownloadJournal::toJson({sampleRow(1), sampleRow(1)}), "twice");
        text("larger than 64 MiB", QByteArray(DownloadJournal::MaxFileBytes + 1, ' '), "larger");
        text("a folder in its place", "<folder>", "cannot be read");
        JournalRow older = sampleRow(1); // version 1: no queued rows, no archive lines
        older.archiveLine.clear();
        text("version 1", journalWithField(QStringLiteral("archiveLine"), QJsonValue()).replace("\"version\": 2", "\"version\": 1"), "",
             DownloadJournal::Loaded::Read, {older});
        text("a newer version", head + QByteArray::number(DownloadJournal::Version + 1) + R"(, "rows": [{"shape": "unknown"}]})",
             "newer", DownloadJournal::Loaded::Newer);
    }
    void journalsFoundAtStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reasonMentions);
        QFETCH(DownloadJournal::Loaded::Outcome, outcome);
        const auto onDisk = [](const QString &path) {
            return QFileInfo(path + QStringLiteral("/inside")).isDir() ? QByteArray("<folder>") : StandIn::FileBytes(path);
        };
        QVERIFY(content == "<folder>" ? QDir().mkpath(m_path + QStringLiteral("/inside")) : StandIn::WriteFile(m_path, content));
        DownloadJournal journal(m_path);
        const DownloadJournal::Loaded loaded = journal.load();
        QCOMPARE(loaded.outcome, outcome);
        QTEST(loaded.rows, "rows");
        QVERIFY2(loaded.reason.contains(reasonMentions) && loaded.reason.isEmpty() == (outcome == DownloadJournal::Loaded::Read),
                 qPrintable(loaded.reason));
        if (outcome == DownloadJournal::Loaded::Newer) {
            QString error;
            QVERIFY(!journal.save({sampleRow(1)}, &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(!DownloadJournal(m_path).save({sampleRow(1)})); // nor by one that saves without loading first
            QCOMPARE(StandIn::FileBytes(m_path), content);
            return;
        }
        if (outcome == DownloadJournal::Loaded::SetAside) {
            QVERIFY(!QFile::exists(m_path));
            QCOMPARE(QFileInfo(loaded.setAsidePath).absolutePath(), QFileInfo(m_path).absolutePath());
            QCOMPARE(onDisk(loaded.setAsidePath), content); // never deleted, never changed
            // Said once: the next start finds no journal, and the list is written afresh beside it.
            QCOMPARE(DownloadJournal(m_path).load().outcome, DownloadJournal::Loaded::Missing);
        }
        QVERIFY(journal.save({sampleRow(3)}));
        QCOMPARE(DownloadJournal(m_path).load().rows, QList<JournalRow>{sampleRow(3)});
        if (outcome == DownloadJournal::Loaded::SetAside)
            QCOMPARE(onDisk(loaded.setAsidePath), content);
    }

    void writesArePaced()
    {
        DownloadJournal journal(m_path);
        JournalRow row = sampleRow(0);
        JournalWriter writer(&journal, [&row] { return QList<JournalRow>{row}; });
        writer.setInterval(400);
        const auto onDisk = [this] { return DownloadJournal(m_path).load().rows.value(0).bytes; };

        row.state = 1;
        writer.rowsChanged(); // a change of state: at once
        QCOMPARE(writer.writes(), 1);
        writer.rowsChanged();
        QCOMPARE(writer.writes(), 2); // and every one of them

        QElapsedTimer clock;
        clock.start();
        for (qint64 bytes = 1; bytes <= 5; ++bytes) {
            row.bytes = bytes;
            writer.bytesChanged();
        }
        QCOMPARE(writer.writes(), 2); // the last write is too young: these wait
        QVERIFY(writer.isPending());
        QTRY_COMPARE_WITH_TIMEOUT(writer.writes(), 3, 5000);
        QVERIFY(clock.elapsed() >= 350);
        QCOMPARE(onDisk(), 5); // the latest counts, not the first

        row.bytes = 6;
        writer.bytesChanged();
        writer.flush(); // at close, whatever waits is written
        QCOMPARE(writer.writes(), 4);
        QCOMPARE(onDisk(), 6);
        QVERIFY(!writer.isPending());
        writer.flush(); // nothing waits: nothing is written
        QCOMPARE(writer.writes(), 4);

        // A write that fails is reported.
        QSignalSpy failed(&writer, &JournalWriter::saveFailed);
        QVERIFY(QFile::remove(m_path) && QDir().mkpath(m_path + QStringLiteral("/inside"))); // a folder in the journal's place
        writer.rowsChanged();
        QCOMPARE(failed.size(), 1);
        QVERIFY(!failed.first().first().toString().isEmpty());
    }

    // The archive of downloaded videos: one "extractor id" line per video, appended once, on a
    // line of its own; anything else in the file is passed over.
    void archiveLines_data()
    {
        QTest::addColumn<QByteArray>("before"); // the file; "-" for none
        QTest::addColumn<QString>("extractor");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("lines"); // what the archive holds then, sorted
        const auto row = [](const char *name, const char *before, const char *extractor, const char *id, bool added,
                            const char *after, const QStringList &lines) {
            QTest::newRow(name) << QByteArray(before) << QString(extractor) << QString(id) << added << QByteArray(after) << lines;
        };
        row("no file yet", "-", "Generic", "clip-1", true, "generic clip-1\n", {"generic clip-1"});
        row("appended", "demo a\n", "demo", "b", true, "demo a\ndemo b\n", {"demo a", "demo b"});
        row("there already, Windows line ends", "demo b\r\n", "demo", "b", true, "demo b\r\n", {"demo b"});
        row("after a line cut short", "demo a\ndemo", "demo", "b", true, "demo a\ndemo\ndemo b\n", {"demo a", "demo b"});
        row("an id with a blank", "three words here\n", "demo", "b c", false, "three words here\n", {});
        row("no extractor", "-", "", "b", false, "-", {});
    }
    void archiveLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, extractor);
        QFETCH(QString, id);
        const QString path = m_dir->filePath(QStringLiteral("data/archive.txt"));
        if (before != "-") {
            QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("data"))));
            QVERIFY(StandIn::WriteFile(path, before));
        }
        DownloadArchive archive(path);
        QTEST(archive.add(DownloadArchive::lineFor(extractor, id)), "added");
        QTEST(QFile::exists(path) ? StandIn::FileBytes(path) : QByteArray("-"), "after");
        QStringList lines = archive.lines().values();
        lines.sort();
        QTEST(lines, "lines");
    }

    // Samples as "ms:bytes ms:bytes ...".
    void rowSpeed_data()
    {
        QTest::addColumn<QString>("samples");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<qint64>("secondsLeft");
        QTest::newRow("steady") << "0:0 1000:1000000 2000:2000000" << 2000LL << 10000000LL << 1000000LL << 8LL;
        QTest::newRow("an early burst leaves the window")
            << "0:0 1000:50000000 2000:51000000 3000:52000000 4000:53000000 5000:54000000 6000:55000000 7000:56000000"
            << 7000LL << 60000000LL << 1000000LL << 4LL;
        QTest::newRow("time left rounded up") << "0:0 1000:3" << 1000LL << 10LL << 3LL << 3LL;
        QTest::newRow("one sample") << "0:500" << 0LL << 1000LL << 0LL << -1LL;
        QTest::newRow("started again from zero") << "0:0 1000:5000000 2000:100" << 2000LL << 10000000LL << 0LL << -1LL;
        QTest::newRow("from zero, then moving") << "0:0 1000:5000000 2000:100 3000:2100" << 3000LL << 10100LL << 2000LL << 4LL;
        QTest::newRow("stalled") << "0:0 1000:1000 2000:1000 3000:1000 4000:1000 5000:1000 6000:1000 7000:1000" << 7000LL << 5000LL << 0LL << -1LL;
        QTest::newRow("no report for longer than the window") << "0:0 1000:1000000" << 7000LL << 5000000LL << 0LL << -1LL;
        QTest::newRow("size unknown") << "0:0 1000:1000" << 1000LL << -1LL << 1000LL << -1LL;
        QTest::newRow("all there") << "0:0 1000:1000" << 1000LL << 1000LL << 1000LL << 0LL;
        QTest::newRow("clock went back") << "5000:0 6000:1000 1000:1500 2000:2500" << 2000LL << 5000LL << 1000LL << 3LL;
    }
    void rowSpeed()
    {
        QFETCH(QString, samples);
        QFETCH(qint64, now);
        QFETCH(qint64, total);
        RowSpeedMeter meter;
        for (const QString &sample : samples.split(QLatin1Char(' ')))
            meter.sample(sample.section(QLatin1Char(':'), 0, 0).toLongLong(),
                         sample.section(QLatin1Char(':'), 1, 1).toLongLong());
        QTEST(meter.bytesPerSecond(now), "speed");
        QTEST(meter.secondsLeft(now, total), "secondsLeft");
        meter.reset();
        QCOMPARE(meter.bytesPerSecond(now), 0LL);
        QCOMPARE(meter.secondsLeft(now, total), -1LL);
    }
};

QTEST_GUILESS_MAIN(TestRowState)
#include "tst_rowstate.moc"
