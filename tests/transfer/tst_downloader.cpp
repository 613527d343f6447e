#include "support/DemoSite.h"
#include "transfer/Downloader.h"
#include "transfer/RateLimiter.h"
#include "transfer/SegmentedTransfer.h"

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string kId(demosite::ids::tiny);
constexpr int kCode = 18;

// The site's file of `size` bytes, or the same file after the site changed it.
QByteArray expectedBytes(qint64 size, bool changed = false)
{
    const std::uint64_t seed = demosite::mediaSeed(kId, kCode);
    QByteArray bytes(size, Qt::Uninitialized);
    demosite::fillMediaFromSeed(changed ? demosite::changedMediaSeed(seed) : seed, 0, bytes.data(), static_cast<size_t>(size));
    return bytes;
}

// The size a query asks of the site ("size=N&...").
qint64 sizeIn(const QString &query)
{
    return query.section(QLatin1Char('='), 1).section(QLatin1Char('&'), 0, 0).toLongLong();
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

// Records every Complete of the given Downloaders in arrival order, while the log lives (a log of
// one step goes before the downloader does, which may still complete other transfers).
struct CompletionLog
{
    explicit CompletionLog(std::initializer_list<Downloader *> downloaders)
    {
        for (Downloader *d : downloaders)
            connections.append(QObject::connect(d, &Downloader::Complete, d, [this](const QString &u, const QByteArray &data,
                                                const QString &k, const TransferResult &r) { items.append({u, data, k, r}); }));
    }
    ~CompletionLog()
    {
        for (const QMetaObject::Connection &c : connections)
            QObject::disconnect(c);
    }
    Q_DISABLE_COPY_MOVE(CompletionLog)
    QList<Completion> items;
    QList<QMetaObject::Connection> connections;
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
    CompletionLog log{&d};
    d.Start(request);
    if (!QTest::qWaitFor([&] { return !log.items.isEmpty(); }, 60000))
        return {};
    return log.items.first();
}

} // namespace

class TestDownloader : public QObject
{
    Q_OBJECT

private:
    DemoSite site;
    QString media(const QString &query) const
    {
        return site.root() + QString::fromStdString(demosite::mediaPath(kId, kCode)) + QLatin1Char('?') + query;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.start());
        SegmentedTransfer::setRetryTimeScale(0.01);
    }

    // The demo site's media answers as the tests here rely on them, fetched plainly. Each request
    // of one address in turn (`asked`: its Range, and "etag" or "date" when it comes
    // with If-Range naming the first answer's version; empty: all plain) and how it is answered:
    // "whole" or "changed" file, "206 CONTENT-RANGE" with just that part of the file, "416
    // CONTENT-RANGE", "503 Retry-After V" or "cut at N". A changed file never keeps the ETag or
    // date of the first version; every other answer does, its ETag strong.
    void siteAnswers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("asked");    // with "; " between
        QTest::addColumn<QString>("outcomes"); // with "; " between
        const QString q = QStringLiteral("size=1000");
        QTest::newRow("no range") << q << "" << "whole";
        QTest::newRow("open") << q << "; bytes=100-" << "whole; 206 bytes 100-999/1000";
        QTest::newRow("closed") << q << "bytes=10-19" << "206 bytes 10-19/1000";
        QTest::newRow("last bytes") << q << "bytes=-10" << "206 bytes 990-999/1000";
        QTest::newRow("end past the file") << q << "bytes=900-5000" << "206 bytes 900-999/1000";
        QTest::newRow("start at the end") << q << "; bytes=1000-" << "whole; 416 bytes */1000";
        QTest::newRow("empty file") << "size=0" << "bytes=0-" << "416 bytes */0";
        QTest::newRow("several ranges: whole") << q << "bytes=0-1,5-6" << "whole";
        QTest::newRow("If-Range, same ETag") << q << "; bytes=500- etag" << "whole; 206 bytes 500-999/1000";
        QTest::newRow("If-Range, same date") << q << "; bytes=500- date" << "whole; 206 bytes 500-999/1000";
        QTest::newRow("If-Range, changed since") << q + "&changeFrom=2" << "; bytes=500- etag" << "whole; changed";
        QTest::newRow("If-Range, a date before the change") << q + "&changeFrom=2" << "; bytes=500- date" << "whole; changed";
        QTest::newRow("range ignored") << q + "&ignoreRange=1" << "bytes=500-" << "whole";
        QTest::newRow("busy twice") << q + "&busyTimes=2&retryAfter=7" << "" << "503 Retry-After 7; 503 Retry-After 7; whole";
        QTest::newRow("busy, date") << q + "&busyTimes=1&retryAfter=Wed,%2021%20Oct%202037%2007:28:00%20GMT" << ""
                                    << "503 Retry-After Wed, 21 Oct 2037 07:28:00 GMT; whole";
        QTest::newRow("closed early once") << "size=100000&dropAfter=3000&dropTimes=1" << "" << "cut at 3000; whole";
        QTest::newRow("changed from the second") << q + "&changeFrom=2" << "" << "whole; changed; changed";
    }
    void siteAnswers()
    {
        QFETCH(QString, query);
        QFETCH(QString, asked);
        QFETCH(QString, outcomes);
        const qint64 size = sizeIn(query);
        const QStringList expected = outcomes.split(QStringLiteral("; "));
        const QStringList requests = asked.isEmpty() ? QStringList(expected.size(), QString()) : asked.split(QStringLiteral("; "));
        QNetworkAccessManager manager;
        QByteArray firstEtag, firstDate;
        site.clear();
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QString range = requests.value(i).section(QLatin1Char(' '), 0, 0);
            const QString ifRange = requests.value(i).section(QLatin1Char(' '), 1);
            QNetworkRequest request{QUrl(media(query))};
            request.setRawHeader("Accept-Encoding", "identity");
            if (!range.isEmpty())
                request.setRawHeader("Range", range.toLatin1());
            if (!ifRange.isEmpty())
                request.setRawHeader("If-Range", ifRange == QLatin1String("etag") ? firstEtag : firstDate);
            std::unique_ptr<QNetworkReply> reply(manager.get(request));
            QEventLoop loop;
            connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray body = reply->readAll(), contentRange = reply->rawHeader("Content-Range");
            const QList<QByteArray> span = contentRange.mid(6).split('/').first().split('-');
            const qint64 first = span.first().toLongLong();
            QString outcome = QStringLiteral("%1 %2").arg(status).arg(QString::fromLatin1(contentRange));
            if (status == 503)
                outcome = QStringLiteral("503 Retry-After ") + QString::fromLatin1(reply->rawHeader("Retry-After"));
            else if (reply->error() == QNetworkReply::RemoteHostClosedError || body.size() < reply->rawHeader("Content-Length").toLongLong())
                outcome = QStringLiteral("cut at %1").arg(body.size());
            else if (status == 200 && body == expectedBytes(size))
                outcome = QStringLiteral("whole");
            else if (status == 200 && body == expectedBytes(size, true))
                outcome = QStringLiteral("changed");
            else if (status == 206 && body != expectedBytes(span.last().toLongLong() + 1).mid(first))
                outcome += QStringLiteral(" with other bytes");
            QCOMPARE(outcome, expected.at(i));
            QCOMPARE(site.requests().value(i).range(), range);
            if (status == 503)
                continue;
            QCOMPARE(reply->rawHeader("Accept-Ranges").isEmpty(), query.contains(QLatin1String("ignoreRange")));
            const QByteArray etag = reply->rawHeader("ETag"), date = reply->rawHeader("Last-Modified");
            QVERIFY(etag.startsWith('"') && etag.endsWith('"')); // strong
            QVERIFY(reply->header(QNetworkRequest::LastModifiedHeader).toDateTime().isValid());
            if (firstEtag.isEmpty())
                std::tie(firstEtag, firstDate) = std::tie(etag, date);
            QCOMPARE(etag == firstEtag, outcome != QLatin1String("changed"));
            QCOMPARE(date == firstDate, outcome != QLatin1String("changed"));
        }
        QCOMPARE(site.requests().size(), expected.size());
    }

    // A large file from a server that serves ranges goes over several connections, each asking
    // for its own part; whatever the server does meanwhile, the file ends exact, and its bar
    // never runs back. A file written in segments before (`kept`: "first-end,..." of the bytes on
    // disk, as the journal says, and "/size" of the partial file when it is shorter) asks only for
    // its missing ranges, whatever the partial file holds beyond them, and only while the server
    // still has that version. The site sees between `fewest` and `most` requests (after the first
    // transfer that leaves the partial file).
    void segmentedTransfers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("connections");
        QTest::addColumn<int>("fewest");
        QTest::addColumn<int>("most");
        // Empty: one version throughout; "restarted": another answered, and the file started again
        // from zero; "changed": and it is the changed file.
        QTest::addColumn<QString>("version");
        const QString fast = QStringLiteral("size=20000003&rate=4000000"), none;
        QTest::newRow("8 connections") << fast << none << 8 << 8 << 40 << "";
        QTest::newRow("3 connections") << fast << none << 3 << 3 << 40 << "";
        // Refused connections leave their parts to the ones that work, not to a stream of retries.
        QTest::newRow("at most 2 served at once") << fast + "&maxConnections=2" << none << 8 << 3 << 60 << "";
        QTest::newRow("at most 2, refused with 429") << fast + "&maxConnections=2&capStatus=429" << none << 8 << 3 << 60 << "";
        QTest::newRow("connections cut off") << fast + "&dropAfter=1000000&dropTimes=5" << none << 8 << 8 << 60 << "";
        QTest::newRow("parts shorter than asked for") << fast + "&partLimit=200000" << none << 8 << 90 << 400 << "";
        QTest::newRow("changed on the third request") << fast + "&changeFrom=3" << none << 8 << 3 << 40 << "changed";
        QTest::newRow("changed, the date alone names it") << fast + "&changeFrom=3&noEtag=1" << none << 8 << 3 << 40 << "changed";
        QTest::newRow("changed, If-Range ignored") << fast + "&changeFrom=3&ignoreIfRange=1" << none << 8 << 3 << 40 << "changed";
        QTest::newRow("parts from the wrong offset") << fast + "&fault=shiftedRange&faultTimes=9" << none << 8 << 3 << 40
                                                     << "restarted";
        // The file's first part proves it; a later part that starts before its own offset, with the
        // bytes of where it starts, still starts the file again.
        QTest::newRow("parts from an earlier offset") << fast + "&fault=earlierRange" << none << 8 << 3 << 40
                                                      << "restarted";
        QTest::newRow("one connection") << "size=20000003" << none << 1 << 1 << 1 << "";
        QTest::newRow("8 MiB") << "size=8388608&rate=4000000" << none << 8 << 3 << 40 << "";
        QTest::newRow("a byte less than 8 MiB") << "size=8388607" << none << 8 << 1 << 1 << "";
        QTest::newRow("ranges not served") << "size=20000003&ignoreRange=1" << none << 8 << 1 << 1 << "";
        const QString again = QStringLiteral("size=12000005&rate=4000000"), holes = QStringLiteral("0-3000000,6000000-9000000");
        QTest::newRow("resumed, two holes") << again << holes << 8 << 2 << 40 << "";
        QTest::newRow("resumed on one connection, a hole after the other") << again << holes << 1 << 2 << 2 << "";
        QTest::newRow("resumed, a file shorter than its ranges") << again << holes + "/7000000" << 8 << 2 << 40 << "";
        QTest::newRow("resumed, nothing missing") << "size=12000005" << "0-12000005" << 8 << 0 << 0 << "";
        QTest::newRow("resumed, another version now") << again + "&changeFrom=2" << holes << 8 << 1 << 40 << "changed";
    }
    void segmentedTransfers()
    {
        QFETCH(QString, query);
        QFETCH(QString, kept);
        QFETCH(int, connections);
        QFETCH(int, fewest);
        QFETCH(int, most);
        QFETCH(QString, version);
        const bool restarted = !version.isEmpty();
        const qint64 size = sizeIn(query);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("part.bin"));
        site.clear();
        Downloader d;
        TransferRequest r = request(media(query), target);
        r.connections = connections;
        ByteRanges onDisk; // what the partial file holds, as far as it goes
        if (!kept.isEmpty()) {
            // The validators as a first transfer learnt them; then the partial file it left.
            r.validators = runOne(d, request(r.url, target)).result.validators;
            QVERIFY(r.validators.canProveResume());
            ByteRanges ranges;
            for (const QString &span : kept.section(QLatin1Char('/'), 0, 0).split(QLatin1Char(',')))
                ranges.add(span.section(QLatin1Char('-'), 0, 0).toLongLong(), span.section(QLatin1Char('-'), 1).toLongLong());
            QByteArray partial(ranges.spans().last().end, '\0');
            for (const ByteRanges::Span &s : ranges.spans())
                partial.replace(s.begin, s.size(), expectedBytes(s.end).mid(s.begin));
            partial.truncate(kept.contains(QLatin1Char('/')) ? kept.section(QLatin1Char('/'), 1).toLongLong() : partial.size());
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(partial) == partial.size());
            r.keptRanges = ranges;
            onDisk = ranges.clippedTo(partial.size());
        }
        const qsizetype before = site.requests().size();
        qint64 lastDone = 0;
        bool ranBack = false;
        connect(&d, &Downloader::Progress, this, [&](const QString &, const QString &, qint64 done) {
            ranBack |= done < lastDone && !restarted;
            lastDone = done;
        });
        const TransferResult result = runOne(d, r).result;
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QCOMPARE(result.fileBytes(), size);
        QCOMPARE(digest(fileContents(target)), digest(expectedBytes(size, version == QLatin1String("changed"))));
        QVERIFY(!ranBack);
        QCOMPARE(result.restarted, restarted);
        const QList<DemoSite::LoggedRequest> seen = site.requests().mid(before);
        QVERIFY2(seen.size() >= fewest && seen.size() <= most, qPrintable(QString::number(seen.size())));
        // The first request asks for the whole file, unless bytes are kept, as does the one after a
        // restart; every part is asked for under the first version's validators (a restart goes on
        // one connection), and bytes on disk are never asked for again, unless the file changed.
        QVERIFY(seen.isEmpty() || seen.first().range().isEmpty() == kept.isEmpty());
        QVERIFY(std::count_if(seen.begin(), seen.end(), [](const auto &q) { return q.range().isEmpty(); })
                >= int(kept.isEmpty()) + int(restarted));
        QSet<QString> conditions;
        for (const DemoSite::LoggedRequest &asked : seen) {
            const QString range = asked.range();
            if (range.isEmpty())
                continue;
            conditions.insert(asked.headers.value(QStringLiteral("If-Range")));
            const qint64 first = range.section(QLatin1Char('='), 1).section(QLatin1Char('-'), 0, 0).toLongLong();
            const qint64 last = range.section(QLatin1Char('-'), 1).toLongLong();
            QVERIFY2(kept.isEmpty() || ByteRanges::fromSpans(onDisk.missing(size)).covers(first, last + 1), qPrintable(range));
        }
        QVERIFY(conditions.size() <= 1);
        QVERIFY2(restarted || conditions.isEmpty() || *conditions.begin() == QString::fromLatin1(result.validators.ifRange()),
                 qPrintable(conditions.values().join(QLatin1Char(' '))));
        QVERIFY(!d.rangesOnDisk(r.url));
    }

    // A first transfer is cut after 80,000 bytes (or ends whole, for the 416); a second asks for
    // the rest with what the first one learnt, and the answer decides how it ends: resumed, or
    // restarted from zero (the same file, a changed or a shorter one), or with the kept bytes as
    // they were.
    void resumeIsDecidedByTheAnswer_data()
    {
        QTest::addColumn<QString>("resumeQuery"); // added to the second request's query
        QTest::addColumn<QString>("validators");  // as sent, date only, weak, none, other total, ...
        QTest::addColumn<QString>("asked");       // the second transfer's requests: the "rest" or the "whole" file
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("ending"); // resumed, restarted, changed, shorter or kept
        QTest::newRow("the rest of the same file") << "" << "as sent" << "rest" << 206 << "resumed";
        QTest::newRow("proved by the date alone") << "" << "date only" << "rest" << 206 << "resumed";
        QTest::newRow("the rest, after a redirect") << "&fault=redirect" << "as sent" << "rest; rest" << 206 << "resumed";
        QTest::newRow("range ignored: from zero") << "&ignoreRange=1" << "as sent" << "rest" << 200 << "restarted";
        QTest::newRow("file changed: from zero") << "&changeFrom=1" << "as sent" << "rest" << 200 << "changed";
        QTest::newRow("file shrank: from zero, nothing of the old left") << "" << "as sent" << "rest" << 200 << "shorter";
        QTest::newRow("a part with another total: asked again") << "" << "other total" << "rest; whole" << 200 << "restarted";
        QTest::newRow("nothing proves it: from zero") << "" << "none" << "whole" << 200 << "restarted";
        QTest::newRow("a weak ETag proves nothing") << "" << "weak" << "whole" << 200 << "restarted";
        // The caller's count says more than the file holds: nothing on disk can be trusted.
        QTest::newRow("a count past the file: from zero") << "" << "past the file" << "whole" << 200 << "restarted";
        QTest::newRow("416: already whole") << "" << "as sent" << "rest" << 416 << "resumed";
        QTest::newRow("busy: the kept bytes stay") << "&busyTimes=1&retryAfter=3" << "as sent" << "rest" << 503 << "kept";
        QTest::newRow("an error page's own validators change nothing")
            << "&busyTimes=1&retryAfter=3&errorValidators=1" << "as sent" << "rest" << 503 << "kept";
        QTest::newRow("a range from elsewhere: asked again") << "&fault=shiftedRange" << "as sent" << "rest; whole" << 200
                                                             << "restarted";
        QTest::newRow("a weak date: the rest by its length, no If-Range") << "" << "weak date" << "rest" << 206 << "resumed";
    }
    void resumeIsDecidedByTheAnswer()
    {
        QFETCH(QString, resumeQuery);
        QFETCH(QString, validators);
        QFETCH(QString, asked);
        QFETCH(int, status);
        QFETCH(QString, ending);
        const bool resumed = ending == QLatin1String("resumed");
        const bool restarted = !resumed && ending != QLatin1String("kept");
        const QString content = resumed || ending == QLatin1String("restarted") ? QStringLiteral("whole") : ending;
        constexpr qint64 size = 200000;
        const qint64 kept = status == 416 ? size : 80000;
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("video.part"));
        const bool dateOnly = validators.endsWith(QLatin1String("date")) || validators == QLatin1String("date only");
        const QString noEtag = dateOnly ? QStringLiteral("&noEtag=1") : QString();
        site.clear();
        Downloader d;
        const QString base = QStringLiteral("size=%1&dropAfter=%2&dropTimes=1").arg(size).arg(kept) + noEtag;
        const TransferResult first = runOne(d, request(media(base), target)).result;
        QCOMPARE(first.ok, kept == size);
        QCOMPARE(fileContents(target), expectedBytes(kept));
        QCOMPARE(first.validators.hasStrongEtag(), !dateOnly);
        QVERIFY(!first.validators.lastModified.isEmpty());
        // The site's date lies long before its answers: strong where no entity tag comes with it.
        QCOMPARE(first.validators.lastModifiedStrong, dateOnly);
        QCOMPARE(first.validators.total, size);

        // The same file without the drop, or one that has become shorter than the bytes kept.
        const qint64 now = content == QLatin1String("shorter") ? 50000 : size;
        TransferRequest request = ::request(media(QStringLiteral("size=%1").arg(now) + resumeQuery + noEtag), target, 0);
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
        else if (validators == QLatin1String("past the file"))
            request.resumeFrom += 1000;
        const qsizetype before = site.requests().size();
        QSignalSpy progress(&d, &Downloader::Progress);
        CompletionLog log{&d};
        QList<TransferAnswer> answers;
        connect(&d, &Downloader::Answered, this, [&](const QString &, const QString &, const TransferAnswer &a) {
            QVERIFY(log.items.isEmpty()); // before the transfer completes
            answers.append(a);
        });
        d.Start(request);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
        const TransferResult r = log.items.first().result;

        QStringList sent, ranges;
        for (const DemoSite::LoggedRequest &logged : site.requests().mid(before))
            sent.append(logged.range());
        for (const QString &part : asked.split(QStringLiteral("; ")))
            ranges.append(part == QLatin1String("rest") ? QStringLiteral("bytes=%1-").arg(kept) : QString());
        QCOMPARE(sent, ranges);
        const QString ifRange = site.requests().at(before).headers.value(QStringLiteral("If-Range"));
        if (dateOnly) // a weak date is never sent as If-Range
            QCOMPARE(ifRange, validators == QLatin1String("weak date") ? QString() : QString::fromLatin1(first.validators.lastModified));
        QCOMPARE(r.httpStatus, status);
        QCOMPARE(r.resumed, resumed);
        QCOMPARE(r.restarted, restarted);
        const QByteArray expected = content == QLatin1String("changed") ? expectedBytes(size, true)
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
        } else { // what the list keeps at once is what the transfer ends with
            QCOMPARE(answers.size(), 1);
            const TransferAnswer &a = answers.first();
            QCOMPARE(std::tuple(a.httpStatus, a.keptBytes, a.resumed, a.restarted),
                     std::tuple(status, r.resumedFrom, resumed, restarted));
            QCOMPARE(a.validators, r.validators);
        }
        if (status == 206) { // the bar goes on from the kept bytes and counts the whole file
            QVERIFY(!progress.isEmpty() && progress.constFirst().at(2).toLongLong() >= kept);
            QCOMPARE(progress.constLast().at(2).toLongLong(), size);
            QCOMPARE(progress.constLast().at(3).toLongLong(), size);
        }
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
        CompletionLog log{&d};
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


    // More transfers than one connection pool serves at once, each with its own size; completions
    // arrive in finishing order: the slow one, started first, comes last.
    void manyTransfersAtOnce()
    {
        Downloader d;
        CompletionLog log{&d};
        const QString slow = media(QStringLiteral("size=60000&rate=20000"));
        QHash<QString, qint64> sizes{{slow, 60000}};
        for (int i = -1; i < 30; ++i) {
            const QString url = i < 0 ? slow : media(QStringLiteral("size=%1").arg(1000 + 7919 * i));
            sizes.insert(url, i < 0 ? 60000 : 1000 + 7919 * i);
            d.Start(url, Downloader::ForceUpdate);
        }
        QCOMPARE(d.RunningCount(), 31);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 31, 30000);
        QSet<QString> seen;
        for (const Completion &c : log.items) {
            QVERIFY2(c.result.ok, qPrintable(c.result.errorText));
            QCOMPARE(c.data, expectedBytes(sizes.value(c.url)));
            seen.insert(c.key);
        }
        QCOMPARE(seen.size(), 31);
        QCOMPARE(log.items.last().url, slow);
        QCOMPARE(d.RunningCount(), 0);
    }

    // A transfer its caller ends reports nothing more: cancelled, started again under its key (only
    // the new one completes), or its Downloader gone while the network goes on delivering; a
    // handler of its answer or of its completion may cancel it or start it again too. The
    // sentinel, started later at the same pace, ends after anything the ended one would report.
    void endedTransfersReportNothing_data()
    {
        QTest::addColumn<QString>("when");    // on the first progress, answer or completion
        QTest::addColumn<QString>("ending");  // cancel, restart or destroy
        QTest::addColumn<int>("completions"); // of the transfer's key
        QTest::newRow("cancelled") << "progress" << "cancel" << 0;
        QTest::newRow("started again") << "progress" << "restart" << 1;
        QTest::newRow("its downloader gone") << "progress" << "destroy" << 0;
        QTest::newRow("cancelled by the answer's handler") << "answer" << "cancel" << 0;
        QTest::newRow("started again by the answer's handler") << "answer" << "restart" << 1;
        QTest::newRow("started again by the completion's handler") << "completion" << "restart" << 2;
    }
    void endedTransfersReportNothing()
    {
        QFETCH(QString, when);
        QFETCH(QString, ending);
        QFETCH(int, completions);
        site.clear();
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("a.part"));
        const QString url = media(QStringLiteral("size=100000&rate=100000"));
        auto d = std::make_unique<Downloader>();
        Downloader other;
        CompletionLog log{d.get(), &other};
        QList<QString> progressed; // keys, since the transfer was ended
        int acted = 0;
        const auto act = [&] {
            if (acted++ > 0)
                return;
            d->CancelDownload(QStringLiteral("http://127.0.0.1:1/not-running")); // unknown key: nothing
            if (ending == QLatin1String("cancel"))
                d->CancelDownload(url);
            else if (ending == QLatin1String("restart"))
                d->Start(url, Downloader::ForceUpdate, QString(), target);
            else
                d.reset();
            progressed.clear();
        };
        for (Downloader *x : {d.get(), &other})
            connect(x, &Downloader::Progress, this, [&](const QString &, const QString &key) { progressed.append(key); });
        if (when == QLatin1String("answer"))
            connect(d.get(), &Downloader::Answered, this, act);
        if (when == QLatin1String("completion"))
            connect(d.get(), &Downloader::Complete, this, act);
        d->Start(url, Downloader::ForceUpdate, QString(), target);
        if (when == QLatin1String("progress")) {
            QTRY_VERIFY_WITH_TIMEOUT(!progressed.isEmpty(), 10000);
            act();
        }
        QTRY_VERIFY_WITH_TIMEOUT(acted > 0, 20000);
        if (d)
            QCOMPARE(d->IsRunning(url), ending == QLatin1String("restart"));
        const QString sentinel = media(QStringLiteral("size=100000&rate=100000&sentinel=1"));
        (d ? *d : other).Start(sentinel, Downloader::ForceUpdate);
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(log.items.cbegin(), log.items.cend(),
                                             [&](const Completion &c) { return c.url == sentinel; }), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), completions + 1, 20000);
        for (const Completion &c : log.items)
            QVERIFY2(c.result.ok && (c.url == sentinel ? c.data == expectedBytes(100000) : c.data.isEmpty()), qPrintable(c.url));
        if (completions > 0)
            QCOMPARE(fileContents(target), expectedBytes(100000));
        QCOMPARE(progressed.contains(url), ending == QLatin1String("restart"));
        QCOMPARE(site.requestLog().size(), ending == QLatin1String("restart") ? 3 : 2);
    }

    // Failures are reported as failures, in memory and to a file; nothing but web addresses is
    // fetched, and an address that does not answer ends empty too. Either way the completion comes
    // later, never inside Start itself.
    void failuresAreReportedAsFailures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("404") << media("size=5000&fault=404") << 404 << false;
        QTest::newRow("500") << media("size=5000&fault=500") << 500 << false;
        QTest::newRow("connection dropped half-way") << media("size=200000&fault=drop") << 200 << false;
        QTest::newRow("body shorter than announced") << media("size=200000&fault=short") << 200 << false;
        QTest::newRow("stall after the headers") << media("size=5000&fault=stall") << 200 << true;
        // Bytes announced as compressed although the file itself was asked for.
        QTest::newRow("encoded body") << media("size=5000&fault=gzip") << 200 << false;
        QTest::newRow("file") << "file:///etc/passwd" << 0 << false;
        QTest::newRow("data") << "data:text/plain,secret" << 0 << false;
        QTest::newRow("qrc") << "qrc:/clipvault/images/101.png" << 0 << false;
        QTest::newRow("no scheme") << "/etc/hostname" << 0 << false;
        QTest::newRow("ftp") << "ftp://127.0.0.1/x" << 0 << false;
        QTest::newRow("nobody answers") << "http://127.0.0.1:9/nothing" << 0 << false;
    }
    void failuresAreReportedAsFailures()
    {
        QFETCH(QString, address);
        QFETCH(int, status);
        for (bool toFile : {false, true}) {
            QTemporaryDir dir;
            const QString target = toFile ? dir.filePath(QStringLiteral("x.part")) : QString();
            Downloader d;
            d.setIdleTimeout(800);
            CompletionLog log{&d};
            d.Start(address, Downloader::ForceUpdate, QString(), target);
            QCOMPARE(log.items.size(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), 1, 20000);
            const Completion &c = log.items.first();
            QVERIFY2(!c.result.ok && !c.result.errorText.isEmpty(), qPrintable(address));
            QCOMPARE(c.url, address);
            QCOMPARE(c.result.httpStatus, status);
            QTEST(c.result.timedOut, "timedOut");
            if (!toFile && status != 404 && status != 500)
                QVERIFY(status == 200 ? c.data.size() < 200000 : c.data.isEmpty());
            if (toFile)
                QCOMPARE(QFileInfo(target).size(), address.contains(QLatin1String("gzip")) ? 0 : c.result.bytesReceived);
        }
    }

    // One answer, kept in memory or written to a file as it arrives, its request's headers sent as
    // given. Bodies in memory are bounded in size (64 KiB here) and time (1.5 s), bodies written
    // to a file are not; a request's own cap bounds a body written to a file, announced or not. A
    // file made new is private, and refused when anything, a link included, is at its path
    // already: nothing is written through it. A file that cannot be written is a failure that says
    // so; a part of a file where the whole was asked for is refused.
    void oneAnswer_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("target");  // empty: in memory; file, new (capped at 100000), ...
        QTest::addColumn<QString>("refused"); // empty: whole; overSize, overDeadline, writeFailed or partUnasked
        QTest::newRow("one byte") << "size=1" << "" << "";
        QTest::newRow("odd") << "size=4097" << "" << "";
        QTest::newRow("odd, several chunks") << "size=65521" << "" << "";
        QTest::newRow("empty body") << "size=0" << "" << "";
        QTest::newRow("no Content-Length") << "size=60000&fault=nolength" << "" << "";
        QTest::newRow("redirect") << "size=60000&fault=redirect" << "" << "";
        QTest::newRow("slow rate") << "size=60000&rate=200000" << "" << "";
        QTest::newRow("exactly the cap") << "size=65536" << "" << "";
        QTest::newRow("announced over the cap") << "size=65537" << "" << "overSize";
        QTest::newRow("streams for ever, no length") << "size=1000000000000&fault=nolength" << "" << "overSize";
        QTest::newRow("a little now and then") << "size=60000&rate=6000" << "" << "overDeadline";
        QTest::newRow("stalls after the headers") << "size=5000&fault=stall" << "" << "overDeadline";
        QTest::newRow("to a file, odd") << "size=12345" << "file" << "";
        QTest::newRow("to a file, 8 MiB and a byte") << "size=8388609" << "file" << "";
        QTest::newRow("to a file, over the cap and the deadline") << "size=300000&rate=150000" << "file" << "";
        QTest::newRow("to a file, a part nobody asked for") << "size=3000&fault=unasked206" << "file" << "partUnasked";
        QTest::newRow("new, exactly its cap") << "size=100000" << "new" << "";
        QTest::newRow("new, announced over its cap") << "size=100001" << "new" << "overSize";
        QTest::newRow("new, grows over its cap") << "size=300000&fault=nolength" << "new" << "overSize";
        QTest::newRow("new, a file is there") << "size=10" << "new over a file" << "writeFailed";
        QTest::newRow("new, a link is there") << "size=10" << "new over a link" << "writeFailed";
        QTest::newRow("no folder for it") << "size=100" << "no folder" << "writeFailed";
    }
    void oneAnswer()
    {
        QFETCH(QString, query);
        QFETCH(QString, target);
        QFETCH(QString, refused);
        const qint64 size = sizeIn(query);
        QTemporaryDir dir;
        const QString path = target.isEmpty() ? QString() : dir.filePath(target == "no folder" ? "none/x.part" : "x.part");
        const QString victim = dir.filePath(QStringLiteral("victim"));
        QVERIFY(QFile(victim).open(QIODevice::WriteOnly));
        if (target == QLatin1String("new over a file"))
            QVERIFY(QFile::copy(victim, path));
        if (target == QLatin1String("new over a link"))
            QVERIFY(QFile::link(victim, path));
        TransferRequest r = request(media(query), path);
        r.createNew = target.startsWith(QLatin1String("new"));
        r.maxBytes = r.createNew ? 100000 : 0;
        r.headers = {{"User-Agent", "Mozilla/5.0 (X11; Linux x86_64) Test/1.0"},
                     {"Referer", "http://127.0.0.1/watch?v=abc"},
                     {"Cookie", "session=xyz; lang=en"}};
        Downloader d;
        d.setIdleTimeout(60000);
        d.setMemoryLimits({65536, 1500});
        QSignalSpy progress(&d, &Downloader::Progress);
        QElapsedTimer clock;
        clock.start();
        site.clear();
        const Completion c = runOne(d, r);
        const TransferResult &result = c.result;
        QCOMPARE(c.url, r.url);
        QCOMPARE(c.key, r.url);
        QCOMPARE(result.ok, refused.isEmpty());
        QCOMPARE(result.overSizeLimit, refused == QLatin1String("overSize"));
        QCOMPARE(result.overDeadline, refused == QLatin1String("overDeadline"));
        QCOMPARE(result.writeFailed, refused == QLatin1String("writeFailed"));
        QCOMPARE(result.refused == TransferResult::Refused::PartUnasked, refused == QLatin1String("partUnasked"));
        QCOMPARE(result.errorText.startsWith(QStringLiteral("Cannot write")), result.writeFailed);
        QCOMPARE(result.errorText.isEmpty(), result.ok);
        QVERIFY(!result.timedOut);
        QCOMPARE(QFileInfo(victim).size(), 0); // never written through a link
        QVERIFY(!d.IsRunning(r.url));
        if (result.ok) {
            // This row's own request: one of the row before may still reach the site late.
            const auto logged = site.requests();
            const auto own = std::find_if(logged.begin(), logged.end(), [&](const auto &q) { return q.target.endsWith(query); });
            QVERIFY(own != logged.end());
            for (const auto &[name, value] : r.headers)
                QCOMPARE(own->headers.value(QString::fromLatin1(name)), QString::fromLatin1(value));
        }
        if (!result.ok) {
            QVERIFY(c.data.isEmpty()); // a part of a refused answer is no answer
            QVERIFY(!result.overDeadline || clock.elapsed() >= 1400);
            return;
        }
        QCOMPARE(result.httpStatus, 200);
        QCOMPARE(path.isEmpty() ? c.data : fileContents(path), expectedBytes(size));
        QCOMPARE(path.isEmpty() ? result.bytesReceived : qint64(c.data.size()), path.isEmpty() ? size : 0);
        QCOMPARE(result.targetFile, path);
        if (r.createNew)
            QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        if (size > 0 && !query.contains(QLatin1String("fault"))) {
            QVERIFY(!progress.isEmpty());
            QCOMPARE(progress.constLast().mid(1, 3), (QVariantList{r.url, size, size}));
        }
    }
};

QTEST_GUILESS_MAIN(TestDownloader)
#include "tst_downloader.moc"
