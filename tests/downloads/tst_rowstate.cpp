// What a download row keeps beyond the list on screen: the journal on disk, the writer that
// paces it, and the row's own speed.
#include "queue/DownloadArchive.h"
#include "queue/DownloadJournal.h"
#include "queue/JournalWriter.h"
#include "queue/RowSpeedMeter.h"
#include "videoinfo/VideoEncoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(JournalRow)

namespace {

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

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

private Q_SLOTS:
    void everyFieldRoundTrips_data()
    {
        QTest::addColumn<QList<JournalRow>>("rows");
        QTest::newRow("empty list") << QList<JournalRow>();
        QList<JournalRow> full;
        for (int n = 0; n < DownloadJournal::MaxRows; ++n)
            full.append(sampleRow(n));
        QTest::newRow("1000 rows, every state") << full;

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
        QTest::newRow("unknown size, text beyond ASCII, headers") << QList<JournalRow>{odd};

        JournalRow huge = sampleRow(2);
        huge.total = (qint64(1) << 53) - 1; // the largest count a JSON number holds exactly
        huge.ranges = ByteRanges::fromSpans({{0, 1}, {2, huge.total}});
        huge.bytes = huge.total - 1;
        QTest::newRow("counts near 2^53") << QList<JournalRow>{huge};

        JournalRow stream = sampleRow(3);
        stream.byExtractor = true;
        stream.encoding = QStringLiteral("hls-720");
        QTest::newRow("a row the extractor fetches") << QList<JournalRow>{stream, sampleRow(4)};

        JournalRow recipe = stream;
        recipe.encoding = QStringLiteral("ba/b");
        recipe.recipe = QStringList{"-f", "ba/b", "-x", "--audio-format", "mp3", "--write-subs", "--sub-langs", "en,pt-BR",
                                    "--convert-subs", "srt", "--embed-thumbnail"};
        recipe.presetName = QStringLiteral("Lectures \"日本\"\n");
        recipe.missingLanguages = QStringList{"pt-BR"};
        QTest::newRow("a row with a recipe") << QList<JournalRow>{recipe};

        // What the list hands the journal at most: 1000 rows, each with every field at its limit
        // (headers as many and as long as a format may bring, values beyond ASCII that take two
        // bytes each in the file), must come back as written.
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
        QTest::newRow("every field at its limit") << limits;
    }
    void everyFieldRoundTrips()
    {
        QFETCH(QList<JournalRow>, rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("not/yet/there/downloads.json"));
        DownloadJournal journal(path);
        QString error;
        QVERIFY2(journal.save(rows, &error), qPrintable(error));
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

        DownloadJournal again(path);
        const DownloadJournal::Loaded loaded = again.load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::Read);
        QCOMPARE(loaded.rows.size(), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QVERIFY2(loaded.rows.at(i) == rows.at(i), qPrintable(QStringLiteral("row %1").arg(i + 1)));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("not/yet/there"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("downloads.json")}); // no temporary file left behind
    }

    // The writer never leaves a journal that its reader would set aside at the next start.
    void nothingIsWrittenThatCannotBeRead_data()
    {
        QTest::addColumn<JournalRow>("row");
        JournalRow row = sampleRow(1);
        row.bytes = row.total + 1;
        QTest::newRow("more bytes than the total") << row;
        row = sampleRow(1);
        row.total = TransferValidators::MaxLength + 1;
        QTest::newRow("a total past 2^53") << row;
        row = sampleRow(1);
        row.fileName = QStringLiteral("../x.mp4");
        QTest::newRow("a name with a folder") << row;
        row = sampleRow(1);
        row.headers = {{"Bad Name", "1"}};
        QTest::newRow("a header name with a blank") << row;
        row = sampleRow(1);
        row.ranges = ByteRanges::fromSpans({{0, row.total + 1}});
        row.bytes = row.ranges->bytes();
        QTest::newRow("a range past the total") << row;
        row = sampleRow(1);
        row.caption = QString(DownloadJournal::MaxFileBytes / 6 + 1, QChar(1)); // six bytes each in JSON
        QTest::newRow("larger than the reader takes") << row;
        row = sampleRow(1);
        row.byExtractor = true;
        row.recipe = QStringList{"-f", "ba/b", "-o", "/tmp/x"};
        QTest::newRow("a recipe with another option") << row;
    }
    void nothingIsWrittenThatCannotBeRead()
    {
        QFETCH(JournalRow, row);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        DownloadJournal journal(path);
        QVERIFY(journal.save({sampleRow(2)}));
        const QByteArray before = contentOf(path);
        QString error;
        QVERIFY(!journal.save({sampleRow(2), row}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(contentOf(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("downloads.json")});
    }

    void brokenJournalsAreSetAsideOnce_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reasonMentions");
        const QByteArray good = DownloadJournal::toJson({sampleRow(1)});
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("JSON");
        QTest::newRow("cut short") << good.left(good.size() / 2) << QStringLiteral("JSON");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe garbage", 11) << QStringLiteral("JSON");
        QTest::newRow("another program's JSON") << QByteArray(R"({"version": 1, "rows": []})")
                                                << QStringLiteral("not a download list");
        QTest::newRow("version 0") << QByteArray(R"({"format": "clipvault-downloads", "version": 0, "rows": []})")
                                   << QStringLiteral("not a download list");
        QTest::newRow("rows not a list") << QByteArray(R"({"format": "clipvault-downloads", "version": 1, "rows": {}})")
                                         << QStringLiteral("rows");
        QList<JournalRow> tooMany;
        for (int n = 0; n <= DownloadJournal::MaxRows; ++n)
            tooMany.append(sampleRow(n));
        QTest::newRow("1001 rows") << DownloadJournal::toJson(tooMany) << QStringLiteral("at most 1000");
        QTest::newRow("row not an object") << QByteArray(R"({"format": "clipvault-downloads", "version": 1, "rows": [7]})")
                                           << QStringLiteral("row 1");
        QTest::newRow("state 7") << journalWithField(QStringLiteral("state"), 7) << QStringLiteral("state");
        QTest::newRow("queued in a journal of version 1")
            << journalWithField(QStringLiteral("state"), 5).replace("\"version\": 2", "\"version\": 1") << QStringLiteral("state");
        QTest::newRow("archive line of one word") << journalWithField(QStringLiteral("archiveLine"), QStringLiteral("demo"))
                                                  << QStringLiteral("archiveLine");
        QTest::newRow("state as text") << journalWithField(QStringLiteral("state"), QStringLiteral("1"))
                                       << QStringLiteral("state");
        QTest::newRow("more bytes than the total") << journalWithField(QStringLiteral("bytes"), 5000)
                                                   << QStringLiteral("bytes");
        QTest::newRow("negative bytes") << journalWithField(QStringLiteral("bytes"), -1) << QStringLiteral("bytes");
        QTest::newRow("half a byte") << journalWithField(QStringLiteral("bytes"), 10.5) << QStringLiteral("bytes");
        QTest::newRow("total below -1") << journalWithField(QStringLiteral("total"), -2) << QStringLiteral("total");
        QTest::newRow("total past 2^53") << journalWithField(QStringLiteral("total"), 1e17) << QStringLiteral("total");
        QTest::newRow("local file address") << journalWithField(QStringLiteral("address"), QStringLiteral("file:///etc/passwd"))
                                            << QStringLiteral("address");
        QTest::newRow("address missing") << journalWithField(QStringLiteral("address"), QJsonValue())
                                         << QStringLiteral("address");
        QTest::newRow("watch page not a web page")
            << journalWithField(QStringLiteral("watchPage"), QStringLiteral("javascript:alert(1)"))
            << QStringLiteral("watchPage");
        QTest::newRow("extractor flag as text") << journalWithField(QStringLiteral("byExtractor"), QStringLiteral("yes"))
                                                << QStringLiteral("byExtractor");
        QTest::newRow("for the extractor without a format")
            << journalWithField(QStringLiteral("encoding"), QString()).replace("\"byExtractor\": false", "\"byExtractor\": true")
            << QStringLiteral("byExtractor");
        QTest::newRow("a recipe with another option")
            << journalWithField(QStringLiteral("recipe"), QJsonArray{QStringLiteral("--exec"), QStringLiteral("rm -rf ~")})
                   .replace("\"byExtractor\": false", "\"byExtractor\": true")
            << QStringLiteral("recipe");
        QTest::newRow("a recipe of numbers") << journalWithField(QStringLiteral("recipe"), QJsonArray{1, 2})
                                             << QStringLiteral("recipe");
        QTest::newRow("a recipe for a row the extractor does not fetch")
            << journalWithField(QStringLiteral("recipe"), QJsonArray{QStringLiteral("-x")}) << QStringLiteral("recipe");
        QTest::newRow("a missing language that excludes")
            << journalWithField(QStringLiteral("missingSubtitles"), QJsonArray{QStringLiteral("-en")})
            << QStringLiteral("missingSubtitles");
        QTest::newRow("a preset name of a number") << journalWithField(QStringLiteral("preset"), 5) << QStringLiteral("preset");
        QTest::newRow("name with a folder") << journalWithField(QStringLiteral("fileName"), QStringLiteral("../x.mp4"))
                                            << QStringLiteral("fileName");
        QTest::newRow("name ..") << journalWithField(QStringLiteral("fileName"), QStringLiteral(".."))
                                 << QStringLiteral("fileName");
        QTest::newRow("name over 255 bytes") << journalWithField(QStringLiteral("fileName"), QString(128, QChar(0xe9)))
                                             << QStringLiteral("fileName");
        QTest::newRow("no save folder") << journalWithField(QStringLiteral("saveFolder"), QString())
                                        << QStringLiteral("saveFolder");
        QTest::newRow("added is no date") << journalWithField(QStringLiteral("added"), QStringLiteral("yesterday"))
                                          << QStringLiteral("added");
        QTest::newRow("ETag beyond Latin-1") << journalWithField(QStringLiteral("etag"), QStringLiteral("\"日\""))
                                             << QStringLiteral("etag");
        QTest::newRow("caption missing") << journalWithField(QStringLiteral("caption"), QJsonValue())
                                         << QStringLiteral("caption");
        QTest::newRow("header with a line break")
            << journalWithField(QStringLiteral("headers"), QJsonArray{QJsonArray{QStringLiteral("Cookie"), QStringLiteral("a=1\r\nX-Evil: 1")}})
            << QStringLiteral("headers");
        QTest::newRow("ranges overlapping") << journalWithField(QStringLiteral("ranges"), QJsonArray{QJsonArray{0, 600}, QJsonArray{500, 1001}})
                                            << QStringLiteral("ranges");
        QTest::newRow("a range past the total") << journalWithField(QStringLiteral("ranges"), QJsonArray{QJsonArray{0, 1002}})
                                                << QStringLiteral("ranges");
        QTest::newRow("a range that is no pair") << journalWithField(QStringLiteral("ranges"), QJsonArray{QJsonArray{0}})
                                                 << QStringLiteral("ranges");
        QTest::newRow("ranges that are not the bytes") << journalWithField(QStringLiteral("ranges"), QJsonArray{QJsonArray{1, 1001}})
                                                       << QStringLiteral("sum");
        QTest::newRow("header name with a blank")
            << journalWithField(QStringLiteral("headers"), QJsonArray{QJsonArray{QStringLiteral("Bad Name"), QStringLiteral("1")}})
            << QStringLiteral("headers");
        QJsonObject twice = QJsonDocument::fromJson(DownloadJournal::toJson({sampleRow(1), sampleRow(1)})).object();
        QTest::newRow("one address twice") << QJsonDocument(twice).toJson() << QStringLiteral("twice");
        QTest::newRow("larger than 64 MiB") << QByteArray(DownloadJournal::MaxFileBytes + 1, ' ')
                                           << QStringLiteral("larger");
    }
    void brokenJournalsAreSetAsideOnce()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reasonMentions);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        write(path, content);

        DownloadJournal journal(path);
        const DownloadJournal::Loaded loaded = journal.load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::SetAside);
        QVERIFY(loaded.rows.isEmpty());
        QVERIFY2(loaded.reason.contains(reasonMentions), qPrintable(loaded.reason));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QFileInfo(loaded.setAsidePath).absolutePath(), QFileInfo(path).absolutePath());
        QCOMPARE(contentOf(loaded.setAsidePath), content); // never deleted, never changed

        // Said once: the next start finds no journal, and the list is written afresh beside it.
        QCOMPARE(DownloadJournal(path).load().outcome, DownloadJournal::Loaded::Missing);
        QVERIFY(journal.save({sampleRow(3)}));
        QCOMPARE(DownloadJournal(path).load().rows, QList<JournalRow>{sampleRow(3)});
        QCOMPARE(contentOf(loaded.setAsidePath), content);
    }

    // A journal of version 1 (no queued rows, no archive lines) is read as it is.
    void anOlderJournalIsRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        write(path, journalWithField(QStringLiteral("archiveLine"), QJsonValue()).replace("\"version\": 2", "\"version\": 1"));
        JournalRow expected = sampleRow(1);
        expected.archiveLine.clear();
        const DownloadJournal::Loaded loaded = DownloadJournal(path).load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::Read);
        QCOMPARE(loaded.rows, QList<JournalRow>{expected});
    }

    void aJournalThatCannotBeOpenedIsSetAside()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside"))); // a folder where the file should be
        DownloadJournal journal(path);
        const DownloadJournal::Loaded loaded = journal.load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::SetAside);
        QVERIFY(QFileInfo(loaded.setAsidePath + QStringLiteral("/inside")).isDir());
        QVERIFY(journal.save({}));
    }

    void aNewerJournalIsNeverOverwritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        const QByteArray newer = QByteArray(R"({"format": "clipvault-downloads", "version": )") + QByteArray::number(DownloadJournal::Version + 1)
                                   + R"(, "rows": [{"shape": "unknown"}]})";
        write(path, newer);

        DownloadJournal journal(path);
        const DownloadJournal::Loaded loaded = journal.load();
        QCOMPARE(loaded.outcome, DownloadJournal::Loaded::Newer);
        QVERIFY(loaded.rows.isEmpty());
        QVERIFY(!loaded.reason.isEmpty());
        QString error;
        QVERIFY(!journal.save({sampleRow(1)}, &error));
        QVERIFY(!error.isEmpty());
        // Nor by an instance that saves without loading first.
        DownloadJournal unloaded(path);
        QVERIFY(!unloaded.save({sampleRow(1)}));
        QCOMPARE(contentOf(path), newer);
    }

    void theJournalLivesInTheUsersDataFolder()
    {
        QTemporaryDir dir;
        const QByteArray old = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
        const QString path = DownloadJournal::defaultPath();
        if (old.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", old);
        QVERIFY2(path.startsWith(dir.path() + QLatin1Char('/')), qPrintable(path));
        QVERIFY(path.endsWith(QStringLiteral("/downloads.json")));
    }

    void writesArePaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("downloads.json"));
        DownloadJournal journal(path);
        JournalRow row = sampleRow(0);
        JournalWriter writer(&journal, [&row] { return QList<JournalRow>{row}; });
        writer.setInterval(400);
        const auto onDisk = [&path] { return DownloadJournal(path).load().rows.value(0).bytes; };

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
    }

    void aFailedWriteIsReported()
    {
        QTemporaryDir dir;
        write(dir.filePath(QStringLiteral("file")), "x");
        DownloadJournal journal(dir.filePath(QStringLiteral("file/downloads.json"))); // a folder that is a file
        JournalWriter writer(&journal, [] { return QList<JournalRow>{sampleRow(1)}; });
        QSignalSpy failed(&writer, &JournalWriter::saveFailed);
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
        QTest::newRow("no file yet") << QByteArray("-") << "Generic" << "clip-1" << true << QByteArray("generic clip-1\n")
                                     << QStringList{"generic clip-1"};
        QTest::newRow("appended") << QByteArray("demo a\n") << "demo" << "b" << true << QByteArray("demo a\ndemo b\n")
                                  << QStringList{"demo a", "demo b"};
        QTest::newRow("there already, Windows line ends") << QByteArray("demo b\r\n") << "demo" << "b" << true
                                                          << QByteArray("demo b\r\n") << QStringList{"demo b"};
        QTest::newRow("after a line cut short") << QByteArray("demo a\ndemo") << "demo" << "b" << true
                                                << QByteArray("demo a\ndemo\ndemo b\n") << QStringList{"demo a", "demo b"};
        QTest::newRow("an id with a blank") << QByteArray("three words here\n") << "demo" << "b c" << false
                                            << QByteArray("three words here\n") << QStringList();
        QTest::newRow("no extractor") << QByteArray("-") << "" << "b" << false << QByteArray("-") << QStringList();
    }
    void archiveLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, extractor);
        QFETCH(QString, id);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data/archive.txt"));
        if (before != "-") {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
            write(path, before);
        }
        DownloadArchive archive(path);
        QTEST(archive.add(DownloadArchive::lineFor(extractor, id)), "added");
        QCOMPARE(contentOf(path), after == "-" ? QByteArray("<missing>") : after);
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
        QTest::newRow("steady") << QStringLiteral("0:0 1000:1000000 2000:2000000") << 2000LL << 10000000LL
                                << 1000000LL << 8LL;
        QTest::newRow("an early burst leaves the window")
            << QStringLiteral("0:0 1000:50000000 2000:51000000 3000:52000000 4000:53000000 5000:54000000 "
                              "6000:55000000 7000:56000000")
            << 7000LL << 60000000LL << 1000000LL << 4LL;
        QTest::newRow("time left rounded up") << QStringLiteral("0:0 1000:3") << 1000LL << 10LL << 3LL << 3LL;
        QTest::newRow("one sample") << QStringLiteral("0:500") << 0LL << 1000LL << 0LL << -1LL;
        QTest::newRow("started again from zero") << QStringLiteral("0:0 1000:5000000 2000:100") << 2000LL
                                                 << 10000000LL << 0LL << -1LL;
        QTest::newRow("from zero, then moving") << QStringLiteral("0:0 1000:5000000 2000:100 3000:2100") << 3000LL
                                                << 10100LL << 2000LL << 4LL;
        QTest::newRow("stalled") << QStringLiteral("0:0 1000:1000 2000:1000 3000:1000 4000:1000 5000:1000 6000:1000 "
                                                   "7000:1000")
                                 << 7000LL << 5000LL << 0LL << -1LL;
        QTest::newRow("no report for longer than the window") << QStringLiteral("0:0 1000:1000000") << 7000LL
                                                              << 5000000LL << 0LL << -1LL;
        QTest::newRow("size unknown") << QStringLiteral("0:0 1000:1000") << 1000LL << -1LL << 1000LL << -1LL;
        QTest::newRow("all there") << QStringLiteral("0:0 1000:1000") << 1000LL << 1000LL << 1000LL << 0LL;
        QTest::newRow("clock went back") << QStringLiteral("5000:0 6000:1000 1000:1500") << 1000LL << 5000LL << 0LL
                                         << -1LL;
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
