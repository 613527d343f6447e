#include "support/DemoSite.h"
#include "transfer/Downloader.h"
#include "transfer/RateLimiter.h"
#include "transfer/SegmentedTransfer.h"

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string kId(demosite::ids::tiny);
constexpr int kCode = 18;

QByteArray expectedBytes(qint64 size, const std::string &id = kId, int code = kCode)
{
    QByteArray bytes(size, Qt::Uninitialized);
    demosite::fillMedia(id, code, 0, bytes.data(), static_cast<size_t>(size));
    return bytes;
}

// The same file after the site changed it.
QByteArray changedBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    demosite::fillMediaFromSeed(demosite::changedMediaSeed(demosite::mediaSeed(kId, kCode)), 0, bytes.data(),
                                static_cast<size_t>(size));
    return bytes;
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

struct Completion
{
    QString url;
    QByteArray data;
    QString key;
    TransferResult result;
};

// Records every Complete of a Downloader in arrival order, while the log lives (a log of one
// step goes before the downloader does, which may still complete other transfers).
class CompletionLog
{
public:
    explicit CompletionLog(Downloader &d)
        : m_connection(QObject::connect(&d, &Downloader::Complete, &d,
                                        [this](const QString &u, const QByteArray &data, const QString &k,
                                               const TransferResult &r) { items.append({u, data, k, r}); }))
    {
    }
    ~CompletionLog() { QObject::disconnect(m_connection); }
    CompletionLog(const CompletionLog &) = delete;
    CompletionLog &operator=(const CompletionLog &) = delete;

    QList<Completion> items;

private:
    QMetaObject::Connection m_connection;
};

TransferRequest request(const QString &url, const QString &target = QString(), int cacheMode = Downloader::ForceUpdate)
{
    TransferRequest r;
    r.url = url;
    r.cacheMode = cacheMode;
    r.targetFile = target;
    return r;
}

// Starts one transfer and waits for its completion; an empty one (not ok) when none comes.
Completion runOne(Downloader &d, const TransferRequest &request)
{
    CompletionLog log(d);
    d.Start(request);
    if (!QTest::qWaitFor([&] { return !log.items.isEmpty(); }, 20000))
        return {};
    return log.items.first();
}

} // namespace

class TestDownloader : public QObject
{
    Q_OBJECT

private:
    DemoSite site;
    QString media(const QString &query = QString(), const std::string &id = kId, int code = kCode) const
    {
        QString url = site.root() + QString::fromStdString(demosite::mediaPath(id, code));
        if (!query.isEmpty())
            url += QLatin1Char('?') + query;
        return url;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.start());
        SegmentedTransfer::setRetryTimeScale(0.01);
    }

    // A whole answer, kept in memory or written to a file as it arrives.
    void wholeBody_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("toFile");
        QTest::newRow("one byte") << "size=1" << 1LL << false;
        QTest::newRow("odd") << "size=4097" << 4097LL << false;
        QTest::newRow("odd, several chunks") << "size=123457" << 123457LL << false;
        QTest::newRow("empty body") << "size=0" << 0LL << false;
        QTest::newRow("no Content-Length") << "size=77777&fault=nolength" << 77777LL << false;
        QTest::newRow("redirect") << "size=77777&fault=redirect" << 77777LL << false;
        QTest::newRow("slow rate") << "size=77777&rate=200000" << 77777LL << false;
        QTest::newRow("to a file, odd") << "size=12345" << 12345LL << true;
        QTest::newRow("to a file, 8 MiB and a byte") << "size=8388609" << 8388609LL << true;
    }
    void wholeBody()
    {
        QFETCH(QString, query);
        QFETCH(qint64, size);
        QFETCH(bool, toFile);
        QTemporaryDir dir;
        const QString target = toFile ? dir.filePath(QStringLiteral("part.bin")) : QString();
        Downloader d;
        QSignalSpy progress(&d, &Downloader::Progress);
        const QString url = media(query);
        const Completion c = runOne(d, request(url, target));
        QCOMPARE(c.url, url);
        QCOMPARE(c.key, url);
        QVERIFY2(c.result.ok, qPrintable(c.result.errorText));
        QCOMPARE(c.result.httpStatus, 200);
        if (toFile) {
            QVERIFY(c.data.isEmpty());
            QCOMPARE(c.result.targetFile, target);
            QVERIFY(fileContents(target) == expectedBytes(size));
        } else {
            QCOMPARE(c.result.bytesReceived, size);
            QCOMPARE(c.data, expectedBytes(size));
        }
        if (size > 0 && !query.contains(QLatin1String("fault"))) {
            QVERIFY(!progress.isEmpty());
            const QList<QVariant> last = progress.constLast();
            QCOMPARE(last.at(1).toString(), url);
            QCOMPARE(last.at(2).toLongLong(), size);
            QCOMPARE(last.at(3).toLongLong(), size);
        }
        QVERIFY(!d.IsRunning(url));
    }

    // A large file from a server that serves ranges goes over several connections, each asking
    // for its own part; whatever the server does meanwhile, the file ends exact, and its bar
    // never runs back. The site sees between `fewest` and `most` requests.
    void segmentedTransfers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("connections");
        QTest::addColumn<int>("fewest");
        QTest::addColumn<int>("most");
        QTest::addColumn<bool>("restarted"); // another version answered: the file started again from zero
        QTest::addColumn<bool>("changed");   // and it is the changed file
        const QString size = QStringLiteral("size=20000003&");
        QTest::newRow("8 connections") << size + "rate=4000000" << 8 << 8 << 40 << false << false;
        QTest::newRow("3 connections") << size + "rate=4000000" << 3 << 3 << 40 << false << false;
        // Refused connections leave their parts to the ones that work, not to a stream of retries.
        QTest::newRow("at most 2 served at once") << size + "rate=4000000&maxConnections=2" << 8 << 3 << 60 << false << false;
        QTest::newRow("at most 2, refused with 429") << size + "rate=4000000&maxConnections=2&capStatus=429" << 8 << 3 << 60 << false << false;
        QTest::newRow("connections cut off") << size + "rate=4000000&dropAfter=1000000&dropTimes=5" << 8 << 8 << 60 << false << false;
        QTest::newRow("parts shorter than asked for") << size + "rate=4000000&partLimit=200000" << 8 << 90 << 400 << false << false;
        QTest::newRow("changed on the third request") << size + "rate=4000000&changeFrom=3" << 8 << 3 << 40 << true << true;
        QTest::newRow("changed, the date alone names it") << size + "rate=4000000&changeFrom=3&noEtag=1" << 8 << 3 << 40 << true << true;
        QTest::newRow("changed, If-Range ignored") << size + "rate=4000000&changeFrom=3&ignoreIfRange=1" << 8 << 3 << 40 << true << true;
        QTest::newRow("parts from the wrong offset") << size + "rate=4000000&fault=shiftedRange&faultTimes=3" << 8 << 3 << 40 << true << false;
        QTest::newRow("one connection") << size.chopped(1) << 1 << 1 << 1 << false << false;
        QTest::newRow("8 MiB") << "size=8388608&rate=4000000" << 8 << 3 << 40 << false << false;
        QTest::newRow("a byte less than 8 MiB") << "size=8388607" << 8 << 1 << 1 << false << false;
        QTest::newRow("ranges not served") << size + "ignoreRange=1" << 8 << 1 << 1 << false << false;
    }
    void segmentedTransfers()
    {
        QFETCH(QString, query);
        QFETCH(int, connections);
        QFETCH(int, fewest);
        QFETCH(int, most);
        QFETCH(bool, restarted);
        QFETCH(bool, changed);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("part.bin"));
        site.clear();
        Downloader d;
        qint64 lastDone = 0;
        bool ranBack = false;
        connect(&d, &Downloader::Progress, this, [&](const QString &, const QString &, qint64 done) {
            ranBack |= done < lastDone && !restarted;
            lastDone = done;
        });
        TransferRequest r = request(media(query), target);
        r.connections = connections;
        CompletionLog log(d);
        d.Start(r);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 60000);
        const TransferResult &result = log.items.first().result;
        QVERIFY2(result.ok, qPrintable(result.errorText));
        const qint64 size = query.section(QLatin1Char('='), 1).section(QLatin1Char('&'), 0, 0).toLongLong();
        QCOMPARE(result.fileBytes(), size);
        QCOMPARE(digest(fileContents(target)), digest(changed ? changedBytes(size) : expectedBytes(size)));
        QVERIFY(!ranBack);
        QCOMPARE(result.restarted, restarted);
        const QList<DemoSite::LoggedRequest> seen = site.requests();
        QVERIFY2(seen.size() >= fewest && seen.size() <= most, qPrintable(QString::number(seen.size())));
        // The first request asks for the whole file, as does the one after a restart; every part
        // is asked for under the first version's validators (a restart goes on one connection).
        QCOMPARE(seen.first().range(), QString());
        QVERIFY(std::count_if(seen.begin(), seen.end(), [](const auto &q) { return q.range().isEmpty(); })
                >= (restarted ? 2 : 1));
        QSet<QString> conditions;
        for (const DemoSite::LoggedRequest &asked : seen)
            if (!asked.range().isEmpty())
                conditions.insert(asked.headers.value(QStringLiteral("If-Range")));
        QVERIFY(conditions.size() <= 1);
        QVERIFY(!d.rangesOnDisk(r.url));
    }

    // A file written in segments before: only its missing ranges are asked for, whatever the
    // partial file holds beyond them, and only while the server still has that version.
    void segmentedResume_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("kept");    // "first-end,..." of the bytes on disk, as the journal says
        QTest::addColumn<qint64>("fileSize"); // of the partial file; -1: to the end of the last range
        QTest::addColumn<int>("connections");
        QTest::addColumn<int>("requests");    // after the first transfer; -1: not counted
        QTest::addColumn<bool>("changed");
        const QString holes = QStringLiteral("0-3000000,6000000-9000000");
        QTest::newRow("two holes") << "rate=4000000" << holes << -1LL << 8 << -1 << false;
        QTest::newRow("one connection, one hole after the other") << "rate=4000000" << holes << -1LL << 1 << 2 << false;
        QTest::newRow("a file shorter than its ranges") << "rate=4000000" << holes << 7000000LL << 8 << -1 << false;
        QTest::newRow("nothing missing") << "" << "0-12000005" << -1LL << 8 << 0 << false;
        QTest::newRow("another version now") << "rate=4000000&changeFrom=2" << holes << -1LL << 8 << -1 << true;
    }
    void segmentedResume()
    {
        QFETCH(QString, query);
        QFETCH(QString, kept);
        QFETCH(qint64, fileSize);
        QFETCH(int, connections);
        QFETCH(int, requests);
        QFETCH(bool, changed);
        constexpr qint64 size = 12000005;
        const QString url = media(QStringLiteral("size=%1&%2").arg(size).arg(query));
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("part.bin"));
        site.clear();
        Downloader d;
        // The validators as a first transfer learnt them; then the partial file it left.
        const TransferValidators validators = runOne(d, request(url, target)).result.validators;
        QVERIFY(validators.canProveResume());
        ByteRanges ranges;
        for (const QString &span : kept.split(QLatin1Char(',')))
            ranges.add(span.section(QLatin1Char('-'), 0, 0).toLongLong(), span.section(QLatin1Char('-'), 1).toLongLong());
        QByteArray partial(ranges.spans().last().end, '\0');
        for (const ByteRanges::Span &s : ranges.spans())
            partial.replace(s.begin, s.size(), expectedBytes(s.end).mid(s.begin));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(partial.left(fileSize < 0 ? partial.size() : fileSize));
        file.close();

        TransferRequest r = request(url, target);
        r.connections = connections;
        r.keptRanges = ranges;
        r.validators = validators;
        const TransferResult result = runOne(d, r).result;
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QCOMPARE(digest(fileContents(target)), digest(changed ? changedBytes(size) : expectedBytes(size)));
        QCOMPARE(result.restarted, changed);
        const QList<DemoSite::LoggedRequest> seen = site.requests().mid(1);
        if (requests >= 0)
            QCOMPARE(seen.size(), requests);
        // Bytes on disk are never asked for again, unless the file changed.
        const ByteRanges onDisk = ranges.clippedTo(fileSize < 0 ? size : fileSize);
        for (const DemoSite::LoggedRequest &asked : seen) {
            const QString range = asked.range();
            if (changed && range.isEmpty())
                continue;
            const qint64 first = range.section(QLatin1Char('='), 1).section(QLatin1Char('-'), 0, 0).toLongLong();
            const qint64 last = range.section(QLatin1Char('-'), 1).toLongLong();
            QVERIFY2(!range.isEmpty() && ByteRanges::fromSpans(onDisk.missing(size)).covers(first, last + 1),
                     qPrintable(range));
        }
    }

    // A first transfer is cut after `kept` bytes (or ends whole when kept is the size); a second
    // asks for the rest with what the first one learnt, and the answer decides.
    void resumeIsDecidedByTheAnswer_data()
    {
        QTest::addColumn<QString>("resumeQuery"); // added to the second request's query
        QTest::addColumn<qint64>("kept");
        QTest::addColumn<QString>("validators"); // as sent, date only, weak, none, other total
        QTest::addColumn<QStringList>("ranges");  // Range headers of the second transfer's requests
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<bool>("restarted");
        QTest::addColumn<QString>("content"); // the file afterwards: whole, changed, shorter or kept
        const QString rest = QStringLiteral("bytes=80000-");
        QTest::newRow("the rest of the same file") << QString() << 80000LL << QStringLiteral("as sent")
                                                   << QStringList{rest} << 206 << true << false << QStringLiteral("whole");
        QTest::newRow("proved by the date alone") << QString() << 80000LL << QStringLiteral("date only")
                                                  << QStringList{rest} << 206 << true << false << QStringLiteral("whole");
        QTest::newRow("the rest, after a redirect") << QStringLiteral("&fault=redirect") << 80000LL
                                                    << QStringLiteral("as sent") << QStringList{rest, rest} << 206
                                                    << true << false << QStringLiteral("whole");
        QTest::newRow("range ignored: from zero") << QStringLiteral("&ignoreRange=1") << 80000LL
                                                  << QStringLiteral("as sent") << QStringList{rest} << 200 << false
                                                  << true << QStringLiteral("whole");
        QTest::newRow("file changed: from zero") << QStringLiteral("&changeFrom=1") << 80000LL
                                                 << QStringLiteral("as sent") << QStringList{rest} << 200 << false
                                                 << true << QStringLiteral("changed");
        QTest::newRow("file shrank: from zero, nothing of the old left")
            << QString() << 80000LL << QStringLiteral("as sent") << QStringList{rest} << 200 << false << true
            << QStringLiteral("shorter");
        QTest::newRow("a part with another total: asked again")
            << QString() << 80000LL << QStringLiteral("other total") << QStringList{rest, QString()} << 200 << false
            << true << QStringLiteral("whole");
        QTest::newRow("nothing proves it: from zero")
            << QString() << 80000LL << QStringLiteral("none") << QStringList{QString()} << 200 << false << true
            << QStringLiteral("whole");
        QTest::newRow("a weak ETag proves nothing")
            << QString() << 80000LL << QStringLiteral("weak") << QStringList{QString()} << 200 << false << true
            << QStringLiteral("whole");
        QTest::newRow("416: already whole") << QString() << 200000LL << QStringLiteral("as sent")
                                            << QStringList{QStringLiteral("bytes=200000-")} << 416 << true << false
                                            << QStringLiteral("whole");
        QTest::newRow("busy: the kept bytes stay") << QStringLiteral("&busyTimes=1&retryAfter=3") << 80000LL
                                                   << QStringLiteral("as sent") << QStringList{rest} << 503 << false
                                                   << false << QStringLiteral("kept");
        QTest::newRow("an error page's own validators change nothing")
            << QStringLiteral("&busyTimes=1&retryAfter=3&errorValidators=1") << 80000LL << QStringLiteral("as sent")
            << QStringList{rest} << 503 << false << false << QStringLiteral("kept");
        QTest::newRow("a range from elsewhere: asked again")
            << QStringLiteral("&fault=shiftedRange") << 80000LL << QStringLiteral("as sent")
            << QStringList{rest, QString()} << 200 << false << true << QStringLiteral("whole");
        QTest::newRow("a weak date: the rest by its length, no If-Range")
            << QString() << 80000LL << QStringLiteral("weak date") << QStringList{rest} << 206 << true << false
            << QStringLiteral("whole");
    }
    void resumeIsDecidedByTheAnswer()
    {
        QFETCH(QString, resumeQuery);
        QFETCH(qint64, kept);
        QFETCH(QString, validators);
        QFETCH(QStringList, ranges);
        QFETCH(int, status);
        QFETCH(bool, resumed);
        QFETCH(bool, restarted);
        QFETCH(QString, content);
        constexpr qint64 size = 200000;
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("video.part"));
        const bool dateOnly = validators.endsWith(QLatin1String("date")) || validators == QLatin1String("date only");
        const QString base = QStringLiteral("size=%1&dropAfter=%2&dropTimes=1").arg(size).arg(kept)
                             + (dateOnly ? QStringLiteral("&noEtag=1") : QString());
        site.clear();
        Downloader d;
        CompletionLog log(d);
        d.Start(media(base), Downloader::ForceUpdate, QString(), target);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        const TransferResult first = log.items.first().result;
        QCOMPARE(first.ok, kept == size);
        QCOMPARE(fileContents(target), expectedBytes(kept));
        QCOMPARE(first.validators.hasStrongEtag(), !dateOnly);
        QVERIFY(!first.validators.lastModified.isEmpty());
        // The site's date lies long before its answers: strong where no entity tag comes with it.
        QCOMPARE(first.validators.lastModifiedStrong, dateOnly);
        QCOMPARE(first.validators.total, size);

        TransferRequest request;
        // The same file without the drop, or one that has become shorter than the bytes kept.
        const qint64 now = content == QLatin1String("shorter") ? 50000 : size;
        request.url = media(QStringLiteral("size=%1").arg(now) + resumeQuery + (dateOnly ? QStringLiteral("&noEtag=1") : QString()));
        request.targetFile = target;
        request.resumeFrom = QFileInfo(target).size();
        request.validators = first.validators;
        if (validators == QLatin1String("weak date"))
            request.validators.lastModifiedStrong = false;
        else if (validators == QLatin1String("weak"))
            request.validators = {"W/" + first.validators.etag, QByteArray(), size};
        else if (validators == QLatin1String("none"))
            request.validators = {};
        else if (validators == QLatin1String("other total"))
            request.validators.total = size + 1;
        const qsizetype before = site.requests().size();
        QSignalSpy progress(&d, &Downloader::Progress);
        QList<TransferAnswer> answers;
        connect(&d, &Downloader::Answered, this, [&](const QString &, const QString &, const TransferAnswer &a) {
            QCOMPARE(log.items.size(), 1); // before the transfer completes
            answers.append(a);
        });
        d.Start(request);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 2, 20000);
        const TransferResult r = log.items.at(1).result;

        QStringList sent;
        for (const DemoSite::LoggedRequest &logged : site.requests().mid(before))
            sent.append(logged.range());
        QCOMPARE(sent, ranges);
        const QString ifRange = site.requests().at(before).headers.value(QStringLiteral("If-Range"));
        if (dateOnly) // a weak date is never sent as If-Range
            QCOMPARE(ifRange, validators == QLatin1String("weak date") ? QString() : QString::fromLatin1(first.validators.lastModified));
        QCOMPARE(r.httpStatus, status);
        QCOMPARE(r.resumed, resumed);
        QCOMPARE(r.restarted, restarted);
        const QByteArray expected = content == QLatin1String("changed") ? changedBytes(size)
                                    : content == QLatin1String("kept") ? expectedBytes(kept)
                                                                       : expectedBytes(now);
        QCOMPARE(fileContents(target), expected); // never two files joined
        QCOMPARE(r.fileBytes(), qint64(expected.size()));
        QCOMPARE(r.resumedFrom, resumed || status >= 400 ? kept : 0);
        QCOMPARE(r.ok, status < 500);
        if (r.ok) {
            QCOMPARE(r.bytesTotal, now);
            QCOMPARE(r.validators.total, now);
            QCOMPARE(r.validators.etag == first.validators.etag, content == QLatin1String("whole"));
        }
        if (status == 503) {
            QCOMPARE(r.retryAfter, QByteArray("3"));
            QCOMPARE(r.validators, request.validators); // still those of the bytes kept
            QVERIFY(answers.isEmpty()); // nothing went to the file
        } else {
            // What the list keeps at once is what the transfer ends with.
            QCOMPARE(answers.size(), 1);
            QCOMPARE(answers.first().httpStatus, status);
            QCOMPARE(answers.first().validators, r.validators);
            QCOMPARE(answers.first().keptBytes, r.resumedFrom);
            QCOMPARE(answers.first().resumed, resumed);
            QCOMPARE(answers.first().restarted, restarted);
        }
        if (status == 206) {
            // The bar goes on from the kept bytes and counts the whole file.
            QVERIFY(!progress.isEmpty());
            QVERIFY(progress.constFirst().at(2).toLongLong() >= kept);
            QCOMPARE(progress.constLast().at(2).toLongLong(), size);
            QCOMPARE(progress.constLast().at(3).toLongLong(), size);
        }
    }

    void answerHandlerMayCancelOrRestart()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.part"));
        const QString url = media(QStringLiteral("size=300000"));
        for (const bool restart : {false, true}) {
            Downloader d;
            CompletionLog log(d);
            int answers = 0;
            connect(&d, &Downloader::Answered, this, [&](const QString &, const QString &key) {
                if (++answers > 1)
                    return;
                if (restart)
                    d.Start(url, Downloader::ForceUpdate, QString(), target);
                else
                    d.CancelDownload(key);
            });
            d.Start(url, Downloader::ForceUpdate, QString(), target);
            QTRY_COMPARE_WITH_TIMEOUT(answers, restart ? 2 : 1, 20000);
            if (restart) {
                QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
                QVERIFY(log.items.first().result.ok);
                QCOMPARE(fileContents(target), expectedBytes(300000));
            } else {
                QVERIFY(!d.IsRunning(url));
                QCOMPARE(log.items.size(), 0);
            }
        }
    }

    void resumeOfAMissingOrShortFileStartsFromZero()
    {
        // The caller's count says more than the file holds: nothing on disk can be trusted.
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("short.part"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(expectedBytes(1000));
        file.close();
        site.clear();
        Downloader d;
        TransferRequest request = ::request(media(QStringLiteral("size=5000")), target);
        request.resumeFrom = 2000;
        request.validators = {"\"abc\"", QByteArray(), 5000};
        const TransferResult r = runOne(d, request).result;
        QVERIFY(r.ok);
        QVERIFY(r.restarted);
        QCOMPARE(site.requests().constFirst().range(), QString());
        QCOMPARE(fileContents(target), expectedBytes(5000));
    }

    void requestHeadersAreSentAsGiven()
    {
        QTemporaryDir dir;
        site.clear();
        Downloader d;
        TransferRequest request = ::request(media(QStringLiteral("size=3000")), dir.filePath(QStringLiteral("h.part")), 0);
        request.headers = {{"User-Agent", "Mozilla/5.0 (X11; Linux x86_64) Test/1.0"},
                           {"Referer", "http://127.0.0.1/watch?v=abc"},
                           {"Cookie", "session=xyz; lang=en"}};
        QVERIFY(runOne(d, request).result.ok);
        const DemoSite::LoggedRequest logged = site.requests().constFirst();
        for (const auto &[name, value] : request.headers)
            QCOMPARE(logged.headers.value(QString::fromLatin1(name)), QString::fromLatin1(value));

        // A 206 to a request without a range of ours: a part of some file, whatever its length.
        request.headers = {{"Range", "bytes=1000-"}};
        const TransferResult r = runOne(d, request).result;
        QCOMPARE(r.httpStatus, 206);
        QVERIFY(!r.ok);
        QCOMPARE(r.refused, TransferResult::Refused::PartUnasked);
    }

    // The speed limit holds to a file's last byte: what is still buffered when the answer ends
    // is read at the limit's pace too, so a small file is never fetched at full speed.
    void speedLimitHoldsToTheLastByte_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("connections");
        QTest::addColumn<qint64>("rate");
        QTest::addColumn<QString>("served");   // how the site serves it
        QTest::addColumn<int>("mostRequests"); // an answer read to its end is not asked for again
        QTest::newRow("one small file") << qint64(60000) << 1 << 8 << qint64(50000) << QString() << 1;
        QTest::newRow("three small files together") << qint64(40000) << 3 << 8 << qint64(100000) << QString() << 3;
        QTest::newRow("a file in segments") << qint64(8388608) << 1 << 8 << qint64(7000000) << QString() << 8;
        QTest::newRow("segments served in short parts") << qint64(8388608) << 1 << 8 << qint64(7000000)
                                                        << QStringLiteral("&partLimit=300000") << 40;
    }
    void speedLimitHoldsToTheLastByte()
    {
        QFETCH(qint64, size);
        QFETCH(int, files);
        QFETCH(int, connections);
        QFETCH(qint64, rate);
        QFETCH(QString, served);
        QFETCH(int, mostRequests);
        QTemporaryDir dir;
        site.clear();
        Downloader d;
        CompletionLog log(d);
        RateLimiter::setRate(rate);
        const auto unlimited = qScopeGuard([] { RateLimiter::setRate(0); });
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < files; ++i) {
            TransferRequest r = request(media(QStringLiteral("size=%1&n=%2").arg(size).arg(i) + served),
                                        dir.filePath(QString::number(i)));
            r.connections = connections;
            d.Start(r);
        }
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), files, 60000);
        const qint64 least = size * files * 1000 / rate * 9 / 10;
        QVERIFY2(clock.elapsed() >= least, qPrintable(QStringLiteral("%1 ms, at least %2").arg(clock.elapsed()).arg(least)));
        QVERIFY2(site.requests().size() <= mostRequests, qPrintable(QString::number(site.requests().size())));
        for (const Completion &c : log.items) {
            QVERIFY2(c.result.ok, qPrintable(c.result.errorText));
            QCOMPARE(digest(fileContents(c.result.targetFile)), digest(expectedBytes(size)));
        }
    }

    void manyTransfersAtOnce()
    {
        // More transfers than one connection pool serves at once, each with its own size.
        Downloader d;
        CompletionLog log(d);
        QHash<QString, qint64> sizes;
        for (int i = 0; i < 30; ++i) {
            const qint64 size = 1000 + 7919 * i;
            const QString url = media(QStringLiteral("size=%1").arg(size));
            sizes.insert(url, size);
            d.Start(url, Downloader::ForceUpdate);
        }
        QCOMPARE(d.RunningCount(), 30);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 30, 30000);
        QSet<QString> seen;
        for (const Completion &c : log.items) {
            QVERIFY2(c.result.ok, qPrintable(c.result.errorText));
            QVERIFY(sizes.contains(c.url));
            QCOMPARE(c.data, expectedBytes(sizes.value(c.url)));
            seen.insert(c.key);
        }
        QCOMPARE(seen.size(), 30);
        QCOMPARE(d.RunningCount(), 0);
    }

    void completionsArriveInFinishingOrder()
    {
        Downloader d;
        CompletionLog log(d);
        const QString slow = media(QStringLiteral("size=60000&rate=60000"));
        const QString fast = media(QStringLiteral("size=5000"));
        d.Start(slow, Downloader::ForceUpdate);
        d.Start(fast, Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 2, 20000);
        QCOMPARE(log.items.at(0).url, fast);
        QCOMPARE(log.items.at(1).url, slow);
        QCOMPARE(log.items.at(1).data, expectedBytes(60000));
    }

    // Tells the transfer that was restarted or cancelled from one still to come: the sentinel,
    // started later at the same pace, ends after anything the other would still have reported.
    void restartingAKeyYieldsOneCompletion()
    {
        site.clear();
        Downloader d;
        CompletionLog log(d);
        const QString url = media(QStringLiteral("size=40000&rate=80000"));
        d.Start(url, Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(site.requestLog().size(), 1, 10000);
        d.Start(url, Downloader::ForceUpdate);
        QCOMPARE(d.RunningCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        const QString sentinel = media(QStringLiteral("size=40000&rate=80000&sentinel=1"));
        d.Start(sentinel, Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 2, 20000);
        QCOMPARE(log.items.at(1).url, sentinel);
        QCOMPARE(log.items.first().data, expectedBytes(40000));
        QCOMPARE(site.requestLog().size(), 3);
    }

    void cancelRaisesNothingAndStopsTheTransfer()
    {
        Downloader d;
        CompletionLog log(d);
        QSignalSpy progress(&d, &Downloader::Progress);
        const QString url = media(QStringLiteral("size=400000&rate=100000"));
        d.Start(url, Downloader::ForceUpdate);
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty(), 10000);
        d.CancelDownload(url);
        QVERIFY(!d.IsRunning(url));
        const qsizetype reports = progress.size();
        d.CancelDownload(QStringLiteral("http://127.0.0.1:1/not-running")); // unknown key: nothing
        const QString sentinel = media(QStringLiteral("size=40000&rate=100000"));
        d.Start(sentinel, Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        QCOMPARE(log.items.first().url, sentinel);
        const auto ofCancelled = [&] {
            return std::count_if(progress.cbegin(), progress.cend(), [&](const QList<QVariant> &p) { return p.at(1) == url; });
        };
        QCOMPARE(ofCancelled(), reports);
    }

    void failuresAreReportedAsFailures_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("404") << QStringLiteral("size=5000&fault=404") << 404 << false;
        QTest::newRow("500") << QStringLiteral("size=5000&fault=500") << 500 << false;
        QTest::newRow("connection dropped half-way") << QStringLiteral("size=200000&fault=drop") << 200 << false;
        QTest::newRow("body shorter than announced") << QStringLiteral("size=200000&fault=short") << 200 << false;
        QTest::newRow("stall after the headers") << QStringLiteral("size=5000&fault=stall") << 200 << true;
        // Bytes announced as compressed although the file itself was asked for.
        QTest::newRow("encoded body") << QStringLiteral("size=5000&fault=gzip") << 200 << false;
    }
    void failuresAreReportedAsFailures()
    {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(bool, timedOut);
        for (bool toFile : {false, true}) {
            QTemporaryDir dir;
            Downloader d;
            d.setIdleTimeout(800);
            CompletionLog log(d);
            d.Start(media(query), Downloader::ForceUpdate, QString(),
                    toFile ? dir.filePath(QStringLiteral("x.part")) : QString());
            QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
            const TransferResult &r = log.items.first().result;
            QVERIFY2(!r.ok, qPrintable(query));
            QVERIFY(!r.errorText.isEmpty());
            QCOMPARE(r.httpStatus, status);
            QCOMPARE(r.timedOut, timedOut);
            if (!toFile && status == 200)
                QVERIFY(log.items.first().data.size() < 200000);
            if (toFile)
                QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("x.part"))).size(),
                         query.contains(QLatin1String("gzip")) ? 0 : r.bytesReceived);
        }
    }

    void inMemoryBodiesAreBounded_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("overSize");
        QTest::addColumn<bool>("overDeadline");
        // The cap is 64 KiB, the deadline 1.5 s, the idle time-out far longer than both.
        QTest::newRow("exactly the cap") << QStringLiteral("size=65536") << false << false;
        QTest::newRow("announced over the cap") << QStringLiteral("size=65537") << true << false;
        QTest::newRow("streams for ever, no length")
            << QStringLiteral("size=1000000000000&fault=nolength") << true << false;
        QTest::newRow("a little now and then") << QStringLiteral("size=60000&rate=6000") << false << true;
        QTest::newRow("stalls after the headers") << QStringLiteral("size=5000&fault=stall") << false << true;
    }
    void inMemoryBodiesAreBounded()
    {
        QFETCH(QString, query);
        QFETCH(bool, overSize);
        QFETCH(bool, overDeadline);
        Downloader d;
        d.setIdleTimeout(60000);
        d.setMemoryLimits({65536, 1500});
        CompletionLog log(d);
        QElapsedTimer clock;
        clock.start();
        d.Start(media(query), Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        const TransferResult &r = log.items.first().result;
        QCOMPARE(r.overSizeLimit, overSize);
        QCOMPARE(r.overDeadline, overDeadline);
        QCOMPARE(r.ok, !overSize && !overDeadline);
        QVERIFY(!r.timedOut);
        if (r.ok) {
            QCOMPARE(log.items.first().data, expectedBytes(65536));
        } else {
            QVERIFY(log.items.first().data.isEmpty()); // a part of a refused answer is no answer
            QVERIFY(!r.errorText.isEmpty());
        }
        if (overDeadline)
            QVERIFY(clock.elapsed() >= 1400);
    }

    void bodiesToFilesAreNotBoundedByTheMemoryLimits()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("big.part"));
        Downloader d;
        d.setMemoryLimits({1024, 100});
        const TransferResult r = runOne(d, request(media(QStringLiteral("size=300000&rate=1000000")), target, 0)).result;
        QVERIFY2(r.ok, qPrintable(r.errorText));
        QCOMPARE(QFileInfo(target).size(), qint64(300000));

        // A target that cannot be written is a failure that says so.
        const TransferResult unwritable =
            runOne(d, request(media(QStringLiteral("size=100")), QStringLiteral("/nonexistent-folder-for-clipvault/x.part"))).result;
        QVERIFY(!unwritable.ok);
        QVERIFY(unwritable.writeFailed);
        QVERIFY(unwritable.errorText.contains(QStringLiteral("Cannot write")));
    }

    // A request's own cap bounds a body written to a file, announced or not; a file made new is
    // refused when anything, a link included, is at its path already, and nothing is written
    // through it.
    void requestCapAndNewFiles_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("existing"); // "", "file" or "link"
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("overSize");
        QTest::addColumn<bool>("writeFailed");
        QTest::newRow("exactly the cap") << "size=100000" << "" << true << false << false;
        QTest::newRow("announced over the cap") << "size=100001" << "" << false << true << false;
        QTest::newRow("grows over the cap") << "size=300000&fault=nolength" << "" << false << true << false;
        QTest::newRow("a file is there") << "size=10" << "file" << false << false << true;
        QTest::newRow("a link is there") << "size=10" << "link" << false << false << true;
    }
    void requestCapAndNewFiles()
    {
        QFETCH(QString, query);
        QFETCH(QString, existing);
        QFETCH(bool, ok);
        QFETCH(bool, overSize);
        QFETCH(bool, writeFailed);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("new.part"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        QVERIFY(QFile(victim).open(QIODevice::WriteOnly));
        if (existing == QLatin1String("file"))
            QVERIFY(QFile::copy(victim, target));
        if (existing == QLatin1String("link"))
            QVERIFY(QFile::link(victim, target));
        TransferRequest r = request(media(query), target);
        r.createNew = true;
        r.maxBytes = 100000;
        Downloader d;
        const TransferResult result = runOne(d, r).result;
        QCOMPARE(result.ok, ok);
        QCOMPARE(result.overSizeLimit, overSize);
        QCOMPARE(result.writeFailed, writeFailed);
        QCOMPARE(QFileInfo(victim).size(), 0); // never written through a link
        if (ok) {
            QCOMPARE(fileContents(target), expectedBytes(100000));
            QCOMPARE(QFileInfo(target).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        }
    }

    // Nothing but web addresses is fetched, and an address that does not answer ends empty too;
    // either way the completion comes later, never inside Start itself.
    void onlyAnsweredWebAddressesGiveBytes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("data") << QStringLiteral("data:text/plain,secret");
        QTest::newRow("qrc") << QStringLiteral("qrc:/clipvault/images/101.png");
        QTest::newRow("no scheme") << QStringLiteral("/etc/hostname");
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/x");
        QTest::newRow("nobody answers") << QStringLiteral("http://127.0.0.1:9/nothing");
    }
    void onlyAnsweredWebAddressesGiveBytes()
    {
        QFETCH(QString, address);
        Downloader d;
        CompletionLog log(d);
        d.Start(address, Downloader::ForceUpdate);
        QCOMPARE(log.items.size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        QVERIFY(!log.items.first().result.ok);
        QVERIFY(log.items.first().data.isEmpty());
        QCOMPARE(log.items.first().url, address);
        QCOMPARE(log.items.first().result.httpStatus, 0);
    }

    void restartFromInsideTheCompletionHandler()
    {
        Downloader d;
        int completions = 0;
        const QString url = media(QStringLiteral("size=3000"));
        connect(&d, &Downloader::Complete, this, [&](const QString &u, const QByteArray &data) {
            QCOMPARE(data.size(), 3000);
            if (++completions == 1)
                d.Start(u, Downloader::ForceUpdate);
        });
        d.Start(url, Downloader::ForceUpdate);
        QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 10000);
        QVERIFY(!d.IsRunning(url));
    }

    void destroyingTheInstanceEndsTransfersSilently()
    {
        site.clear();
        int completions = 0;
        {
            Downloader d;
            connect(&d, &Downloader::Complete, this, [&] { ++completions; });
            d.Start(media(QStringLiteral("size=300000&rate=100000")), Downloader::ForceUpdate);
            QTRY_COMPARE_WITH_TIMEOUT(site.requestLog().size(), 1, 10000);
        }
        // The network goes on delivering meanwhile: a later transfer ends, the first never reports.
        Downloader other;
        QVERIFY(runOne(other, request(media(QStringLiteral("size=30000&rate=100000")))).result.ok);
        QCOMPARE(completions, 0);
    }
};

QTEST_GUILESS_MAIN(TestDownloader)
#include "tst_downloader.moc"
