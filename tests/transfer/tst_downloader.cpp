// The transfer layer: its decisions without a network (what a Content-Range says, what an answer
// to a resume does to the bytes on disk, when a failure is tried again), then transfers from the
// demo site.
#include "support/DemoSite.h"
#include "support/StandIn.h"
#include "transfer/ContentRange.h"
#include "transfer/Downloader.h"
#include "transfer/RateLimiter.h"
#include "transfer/ResumeDecision.h"
#include "transfer/RetryPolicy.h"
#include "transfer/SegmentedTransfer.h"

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ResumeAction)
Q_DECLARE_METATYPE(ResumeAnswer)
Q_DECLARE_METATYPE(RetryPolicy::Failure)
Q_DECLARE_METATYPE(TransferResult::Refused)

namespace {

TransferResult failed(int status, int error = 0, qint64 received = 0, qint64 total = -1)
{
    TransferResult r;
    r.httpStatus = status;
    r.networkError = error;
    r.bytesReceived = received;
    r.bytesTotal = total;
    r.errorText = QStringLiteral("failed");
    return r;
}

const QDateTime kNow = QDateTime(QDate(2037, 10, 21), QTime(7, 28, 0), Qt::UTC);

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
            QObject::connect(d, &Downloader::Complete, &receiver, [this](const QString &u, const QByteArray &data, const QString &k,
                                                                         const TransferResult &r) { items.append({u, data, k, r}); });
    }
    QList<Completion> items;
    QObject receiver; // goes first, and the connections with it
};

TransferRequest request(const QString &url, const QString &target = QString(), int cacheMode = Downloader::ForceUpdate)
{
    TransferRequest r;
    r.url = url;
    r.cacheMode = cacheMode;
    r.targetFile = target;
    return r;
}

// Starts one transfer and waits for its completion; an empty one (not ok) when none comes, or
// when it came inside Start itself.
Completion runOne(Downloader &d, const TransferRequest &request)
{
    CompletionLog log{&d};
    d.Start(request);
    if (!log.items.isEmpty() || !QTest::qWaitFor([&] { return !log.items.isEmpty(); }, 60000)) // never inside Start
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

    // What a Content-Range says: whether it is valid, whether it is "nothing from here on", and
    // the first and last byte and the total it names (-1 for none).
    void contentRange_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QList<qint64>>("said");
        const auto row = [](const char *name, const QByteArray &header, bool valid, bool unsatisfied, qint64 first, qint64 last,
                            qint64 total) { QTest::newRow(name) << header << QList<qint64>{valid, unsatisfied, first, last, total}; };
        row("part", "bytes 100-999/1000", true, false, 100, 999, 1000);
        row("unit in capitals", "BYTES 100-999/1000", true, false, 100, 999, 1000);
        row("blanks around", "  bytes 0-0/1 ", true, false, 0, 0, 1);
        row("total unknown", "bytes 5-9/*", true, false, 5, 9, -1);
        row("unsatisfied", "bytes */1000", true, true, -1, -1, 1000);
        row("unsatisfied, empty file", "bytes */0", true, true, -1, -1, 0);
        row("unsatisfied, unknown total", "bytes */*", false, true, -1, -1, -1);
        row("last before first", "bytes 9-5/10", false, false, 9, 5, 10);
        row("last past the total", "bytes 0-10/10", false, false, 0, 10, 10);
        row("other unit", "items 0-1/2", false, false, -1, -1, -1);
        row("sign", "bytes -1-5/10", false, false, -1, -1, 10);
        row("no total", "bytes 0-5", false, false, -1, -1, -1);
        row("overflow", "bytes 0-1/99999999999999999999", false, false, -1, -1, -1);
        row("empty", QByteArray(), false, false, -1, -1, -1);
    }
    void contentRange()
    {
        QFETCH(QByteArray, header);
        const ContentRange r = ContentRange::parse(header);
        QTEST((QList<qint64>{r.valid, r.unsatisfied, r.first, r.last, r.total}), "said");
    }

    // Kept: 400, 500 or all 1000 bytes of a file, proved by its ETag and date ("etag"), its date
    // alone ("date") or nothing (no resume asked for); the answer names the same version, another
    // one ("other etag", "weak etag", "other date") or none. A success whose body is no file as asked
    // for (a part nobody asked for, an encoding, an absurd length) is refused, whatever is kept.
    // (The plain cases of a resume, a part for the whole and an encoding are in the transfers below.)
    void resumeDecision_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<TransferValidators>("kept");
        QTest::addColumn<ResumeAnswer>("answer");
        QTest::addColumn<ResumeAction>("action");
        QTest::addColumn<TransferResult::Refused>("refused");
        const QByteArray e("\"v1\""), d("Thu, 16 Jun 2011 03:26:28 GMT");
        const QHash<QString, TransferValidators> named{
            {"etag", {e, d, 1000}}, {"date", {{}, d, 1000}}, {"same", {e, d, -1}}, {"none", {}},
            {"other etag", {"\"v2\"", d, -1}}, {"weak etag", {"W/" + e, d, -1}},
            {"other date", {{}, "Fri, 17 Jun 2011 03:26:28 GMT", -1}}};
        using A = ResumeAction;
        using R = TransferResult::Refused;
        const auto row = [&named](const char *name, qint64 offset, const char *kept, int status, const QByteArray &range, const char *answer,
                                  A action, const char *encoding = "", qint64 length = -1, R refused = R::None) {
            QTest::newRow(name) << offset << named.value(kept, {{}, {}, 1000})
                                << ResumeAnswer{status, range, named.value(answer), encoding, length} << action << refused;
        };
        const QByteArray rest("bytes 400-999/1000"), all("bytes */1000"), rest500("bytes 500-999/1000");
        const qint64 max = TransferValidators::MaxLength;
        row("rest, other ETag", 400, "etag", 206, rest, "other etag", A::AskFromZero);
        row("rest, weak ETag of ours", 400, "etag", 206, rest, "weak etag", A::AskFromZero);
        row("rest, other date", 400, "date", 206, rest, "other date", A::AskFromZero);
        row("rest, no validators at all", 400, "date", 206, rest, "none", A::AskFromZero);
        row("other offset", 400, "etag", 206, "bytes 0-999/1000", "same", A::AskFromZero);
        row("unknown total", 400, "etag", 206, "bytes 400-999/*", "same", A::AskFromZero);
        row("no Content-Range", 400, "etag", 206, {}, "same", A::AskFromZero);
        row("shorter part of the rest", 400, "etag", 206, "bytes 400-499/1000", "same", A::Append);
        row("other success", 400, "etag", 204, {}, "same", A::AskFromZero);
        row("no answer", 400, "etag", 0, {}, "none", A::Refuse);
        row("416 naming no version", 1000, "etag", 416, all, "none", A::AlreadyWhole);
        row("416, another version", 1000, "etag", 416, all, "other etag", A::AskFromZero);
        row("416, another date", 1000, "date", 416, all, "other date", A::AskFromZero);
        row("416, the file grew", 1000, "etag", 416, "bytes */2000", "same", A::AskFromZero);
        row("416 while we hold a part of it", 400, "etag", 416, all, "same", A::AskFromZero);
        row("416, we hold more than it has", 400, "etag", 416, "bytes */300", "same", A::AskFromZero);
        row("416 without a range", 1000, "etag", 416, {}, "same", A::AskFromZero);
        row("plain: 416", 0, "", 416, "bytes */0", "same", A::Refuse);
        row("identity said", 0, "", 200, {}, "none", A::WriteFromZero, " Identity", 1000);
        row("the asked part", 500, "etag", 206, rest500, "same", A::Append, "", 500);
        row("gzip on the rest", 500, "etag", 206, rest500, "same", A::Discard, "GZIP", 500, R::Encoded);
        row("longest length", 0, "", 200, {}, "none", A::WriteFromZero, "", max);
        row("2^53 + 1", 0, "", 200, {}, "none", A::Discard, "", max + 1, R::AbsurdLength);
        row("2^60 in the range: asked again", 500, "etag", 206, "bytes 500-999/" + QByteArray::number(qint64(1) << 60), "same",
            A::AskFromZero, "", 500);
        row("absurd total in the range", 500, "etag", 206, "bytes 500-999/" + QByteArray::number(max + 1), "same", A::Discard, "", 500,
            R::AbsurdLength);
        row("error page, gzip", 0, "", 503, {}, "none", A::Refuse, "gzip", 100);
    }
    void resumeDecision()
    {
        QFETCH(qint64, offset);
        QFETCH(TransferValidators, kept);
        QFETCH(ResumeAnswer, answer);
        QTEST(refusalOf(offset, answer), "refused");
        QTEST(decideResume(offset, kept, answer), "action");
    }

    void strongDates_data()
    {
        QTest::addColumn<QByteArray>("lastModified");
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("etag");
        QTest::addColumn<bool>("strong");
        const auto row = [](const char *name, const char *lastModified, const char *date, const char *etag, bool strong) {
            QTest::newRow(name) << QByteArray(lastModified) << QByteArray(date) << QByteArray(etag) << strong;
        };
        const char *modified = "Sun, 06 Nov 1994 08:49:37 GMT";
        row("a second before", modified, "Sun, 06 Nov 1994 08:49:38 GMT", "", true);
        row("a day before, old form", modified, "Monday, 07-Nov-94 08:49:37 GMT", "", true);
        row("the same second", modified, modified, "", false);
        row("after the answer", modified, "Sun, 06 Nov 1994 08:49:36 GMT", "", false);
        row("no Date", modified, "", "", false);
        row("an entity tag held", modified, "Mon, 07 Nov 1994 08:49:37 GMT", "W/\"x\"", false);
        row("unreadable date", "yesterday", "Mon, 07 Nov 1994 08:49:37 GMT", "", false);
    }
    void strongDates()
    {
        QFETCH(QByteArray, lastModified);
        QFETCH(QByteArray, date);
        QFETCH(QByteArray, etag);
        QTEST(TransferValidators::isStrongDate(lastModified, date, etag), "strong");
        // A weak date is never sent as If-Range.
        TransferValidators v{etag, lastModified, 1000, TransferValidators::isStrongDate(lastModified, date, etag)};
        QCOMPARE(v.ifRange() == lastModified, !etag.startsWith('"') && v.lastModifiedStrong);
    }

    void failureKinds_data()
    {
        QTest::addColumn<TransferResult>("result");
        QTest::addColumn<RetryPolicy::Failure>("failure");
        using F = RetryPolicy::Failure;
        const auto with = [](TransferResult r, const std::function<void(TransferResult &)> &change) { return change(r), r; };
        QTest::newRow("whole") << with(failed(200, 0, 10, 10), [](TransferResult &r) { r.ok = true; }) << F::None;
        for (const int status : {408, 429, 500, 502, 503, 504})
            QTest::addRow("%d", status) << failed(status) << F::Transient;
        for (const int status : {400, 401, 403, 404, 410, 416, 501, 505, 302})
            QTest::addRow("%d", status) << failed(status) << F::Permanent;
        QTest::newRow("refused") << failed(0, QNetworkReply::ConnectionRefusedError) << F::Transient;
        QTest::newRow("closed early") << failed(200, QNetworkReply::RemoteHostClosedError, 40, 100) << F::Transient;
        QTest::newRow("short, no error") << failed(200, 0, 40, 100) << F::Transient;
        QTest::newRow("resumed, short") << with(failed(206, 0, 10, 100), [](TransferResult &r) { r.resumedFrom = 50; }) << F::Transient;
        QTest::newRow("unknown host") << failed(0, QNetworkReply::HostNotFoundError) << F::Permanent;
        QTest::newRow("refused address") << failed(0, QNetworkReply::ProtocolUnknownError) << F::Permanent;
        const TransferResult cancelled = failed(200, QNetworkReply::OperationCanceledError, 5, 100);
        QTest::newRow("idle time-out") << with(cancelled, [](TransferResult &r) { r.timedOut = true; }) << F::Transient;
        QTest::newRow("write failed") << with(cancelled, [](TransferResult &r) { r.writeFailed = true; }) << F::Permanent;
        QTest::newRow("write failure wins over status") << with(failed(503), [](TransferResult &r) { r.writeFailed = true; })
                                                        << F::Permanent;
        using R = TransferResult::Refused;
        for (const auto &[name, refused, failure] : {std::tuple{"a part for the whole", R::PartUnasked, F::Transient},
                                                      {"an encoded body", R::Encoded, F::Permanent},
                                                      {"an absurd length", R::AbsurdLength, F::Permanent}})
            QTest::newRow(name) << with(failed(206, 0, 10, 10), [r = refused](TransferResult &t) { t.refused = r; }) << failure;
    }
    void failureKinds()
    {
        QFETCH(TransferResult, result);
        QTEST(RetryPolicy::classify(result), "failure");
    }

    // When a transient failure is tried again: after 1, 2, 4 ... s, a tenth either way (jitter; NaN:
    // at random, 200 draws), or when Retry-After says, within a minute; never after the fifth retry
    // (-1), nor after a failure that will not pass.
    void retryDelays_data()
    {
        QTest::addColumn<int>("retry");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<double>("jitter");
        QTest::addColumn<qint64>("delayMs");
        QTest::newRow("1st") << 1 << QByteArray() << 0.0 << 1000LL;
        QTest::newRow("5th") << 5 << QByteArray() << 0.0 << 16000LL;
        QTest::newRow("5th, longest jitter") << 5 << QByteArray() << 1.0 << 17600LL;
        QTest::newRow("5th, shortest jitter") << 5 << QByteArray() << -1.0 << 14400LL;
        QTest::newRow("jitter past its bound") << 1 << QByteArray() << 7.0 << 1100LL;
        QTest::newRow("Retry-After seconds") << 1 << QByteArray("7") << 1.0 << 7000LL;
        QTest::newRow("Retry-After capped") << 1 << QByteArray("3600") << 0.0 << 60000LL;
        QTest::newRow("Retry-After date") << 4 << QByteArray("Wed, 21 Oct 2037 07:28:30 GMT") << 0.0 << 30000LL;
        QTest::newRow("Retry-After unreadable") << 2 << QByteArray("later") << 0.0 << 2000LL;
        QTest::newRow("Retry-After zero") << 3 << QByteArray("0") << 0.0 << 0LL;
        QTest::newRow("Retry-After in blanks") << 1 << QByteArray(" 12 ") << 0.0 << 12000LL;
        QTest::newRow("Retry-After huge") << 1 << QByteArray("99999999999999999999") << 0.0 << 60000LL;
        QTest::newRow("Retry-After, old date form") << 1 << QByteArray("Wednesday, 21-Oct-37 07:28:45 GMT") << 0.0 << 45000LL;
        QTest::newRow("Retry-After, date past") << 1 << QByteArray("Wed, 21 Oct 2037 07:00:00 GMT") << 0.0 << 0LL;
        QTest::newRow("Retry-After negative") << 2 << QByteArray("-5") << 0.0 << 2000LL;
        QTest::newRow("random jitter") << 3 << QByteArray() << qQNaN() << 4000LL;
        QTest::newRow("after the fifth: none") << 6 << QByteArray("2") << 0.0 << -1LL;
    }
    void retryDelays()
    {
        QFETCH(int, retry);
        QFETCH(QByteArray, retryAfter);
        QFETCH(double, jitter);
        QFETCH(qint64, delayMs);
        TransferResult busy = failed(503);
        busy.retryAfter = retryAfter;
        QVERIFY(!RetryPolicy::next(failed(404), 0, kNow, 0.0).retry);
        for (int draw = 0; draw < (qIsNaN(jitter) ? 200 : 1); ++draw) {
            const RetryPolicy::Decision d = qIsNaN(jitter) ? RetryPolicy::next(busy, retry - 1) : RetryPolicy::next(busy, retry - 1, kNow, jitter);
            QCOMPARE(d.retry ? d.retryNumber : -1, delayMs < 0 ? -1 : retry);
            QVERIFY2(!d.retry || qAbs(d.delayMs - delayMs) <= (qIsNaN(jitter) ? delayMs / 10 : 0), qPrintable(QString::number(d.delayMs)));
        }
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
        QTest::newRow("end past the file") << q << "bytes=900-5000" << "206 bytes 900-999/1000";
        QTest::newRow("start at the end") << q << "; bytes=1000-" << "whole; 416 bytes */1000";
        QTest::newRow("empty file") << "size=0" << "bytes=0-" << "416 bytes */0";
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
            QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 20000);
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
            QVERIFY(StandIn::WriteFile(target, partial));
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
        QCOMPARE(digest(StandIn::FileBytes(target)), digest(expectedBytes(size, version == QLatin1String("changed"))));
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
        QCOMPARE(StandIn::FileBytes(target), expectedBytes(kept));
        QVERIFY(!first.validators.lastModified.isEmpty());
        // The site's date lies long before its answers: strong where no entity tag comes with it.
        QCOMPARE(std::tuple(first.validators.hasStrongEtag(), first.validators.lastModifiedStrong, first.validators.total),
                 std::tuple(!dateOnly, dateOnly, size));

        // The same file without the drop, or one that has become shorter than the bytes kept.
        const qint64 now = content == QLatin1String("shorter") ? 50000 : size;
        TransferRequest request = ::request(media(QStringLiteral("size=%1").arg(now) + resumeQuery + noEtag), target, 0);
        request.resumeFrom = QFileInfo(target).size();
        TransferValidators &told = request.validators = first.validators;
        told.lastModifiedStrong &= validators != QLatin1String("weak date");
        told.total += validators == QLatin1String("other total") ? 1 : 0;
        request.resumeFrom += validators == QLatin1String("past the file") ? 1000 : 0;
        if (validators == QLatin1String("weak") || validators == QLatin1String("none"))
            told = validators == QLatin1String("none") ? TransferValidators() : TransferValidators{"W/" + first.validators.etag, {}, size};
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
        QCOMPARE(StandIn::FileBytes(target), expected); // never two files joined
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
            QCOMPARE(progress.constLast().mid(2, 2), (QVariantList{size, size}));
        }
    }

    // Files fetched together, each of its own size (file i: size + 7919 i), to files or in memory
    // (connections 0). The speed limit holds to a file's last byte: what is still buffered when the
    // answer ends is read at the limit's pace too, so a small file is never fetched at full speed.
    // More transfers than one connection pool serves at once all end, each with its own bytes.
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
        QTest::newRow("31 in memory, no limit") << qint64(1000) << 31 << 0 << qint64(0) << QString() << 31;
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
            TransferRequest r = request(media(QStringLiteral("size=%1&n=%2").arg(size + 7919 * i).arg(i) + served),
                                        connections > 0 ? dir.filePath(QString::number(i)) : QString());
            r.connections = connections;
            d.Start(r);
        }
        QCOMPARE(d.RunningCount(), files);
        QTRY_COMPARE_WITH_TIMEOUT(log.items.size(), files, 60000);
        const qint64 least = rate > 0 ? (size * files + 7919 * files * (files - 1) / 2) * 1000 / rate * 9 / 10 : 0;
        QVERIFY2(clock.elapsed() >= least, qPrintable(QStringLiteral("%1 ms, at least %2").arg(clock.elapsed()).arg(least)));
        QVERIFY2(site.requests().size() <= mostRequests, qPrintable(QString::number(site.requests().size())));
        QSet<QString> keys;
        for (const Completion &c : log.items) {
            QVERIFY2(c.result.ok, qPrintable(c.result.errorText));
            const QByteArray got = connections > 0 ? StandIn::FileBytes(c.result.targetFile) : c.data;
            QCOMPARE(digest(got), digest(expectedBytes(sizeIn(QUrl(c.url).query()))));
            keys.insert(c.key);
        }
        QCOMPARE(keys.size(), files);
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
            QCOMPARE(StandIn::FileBytes(target), expectedBytes(100000));
        QCOMPARE(progressed.contains(url), ending == QLatin1String("restart"));
        QCOMPARE(site.requestLog().size(), ending == QLatin1String("restart") ? 3 : 2);
    }

    // One answer, kept in memory or written to a file as it arrives, its request's headers sent as
    // given. Bodies in memory are bounded in size (64 KiB here) and time (1.5 s), bodies written
    // to a file are not; a request's own cap bounds a body written to a file, announced or not. A
    // file made new is private, and refused when anything, a link included, is at its path
    // already: nothing is written through it. A file that cannot be written is a failure that says
    // so; a part of a file where the whole was asked for is refused. Failures are reported as
    // failures; nothing but web addresses is fetched, and an address that does not answer ends
    // empty too. Either way the completion comes later, never inside Start itself.
    void oneAnswer_data()
    {
        QTest::addColumn<QString>("query");   // of the site's file, or a whole address
        QTest::addColumn<QString>("target");  // empty: in memory; file, new (capped at 100000), ...
        // Empty: whole; refused as overSize, overDeadline, writeFailed or partUnasked; or failed:
        // with a status (404, 500), cut, timedOut, encoded (refused as such when written to a
        // file) or unfetched.
        QTest::addColumn<QString>("refused");
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
        QTest::newRow("404") << "size=5000&fault=404" << "" << "404";
        QTest::newRow("500 to a file") << "size=5000&fault=500" << "file" << "500";
        QTest::newRow("connection dropped half-way") << "size=60000&fault=drop" << "" << "cut";
        QTest::newRow("to a file, connection dropped half-way") << "size=200000&fault=drop" << "file" << "cut";
        QTest::newRow("body shorter than announced") << "size=60000&fault=short" << "" << "cut";
        QTest::newRow("to a file, body shorter than announced") << "size=200000&fault=short" << "file" << "cut";
        QTest::newRow("to a file, stall after the headers") << "size=5000&fault=stall" << "file" << "timedOut";
        // Bytes announced as compressed although the file itself was asked for.
        QTest::newRow("encoded body") << "size=5000&fault=gzip" << "" << "encoded";
        QTest::newRow("to a file, encoded body") << "size=5000&fault=gzip" << "file" << "encoded";
        for (const char *address : {"file:///etc/passwd", "data:text/plain,secret", "qrc:/clipvault/images/101.png", "/etc/hostname",
                                    "ftp://127.0.0.1/x", "http://127.0.0.1:9/nothing"})
            for (const char *target : {"", "file"})
                QTest::addRow("%s %s", address, target) << address << target << "unfetched";
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
        TransferRequest r = request(query.contains(QLatin1Char(':')) || query.startsWith(QLatin1Char('/')) ? query : media(query), path);
        r.createNew = target.startsWith(QLatin1String("new"));
        r.maxBytes = r.createNew ? 100000 : 0;
        r.headers = {{"User-Agent", "Mozilla/5.0 (X11; Linux x86_64) Test/1.0"},
                     {"Referer", "http://127.0.0.1/watch?v=abc"},
                     {"Cookie", "session=xyz; lang=en"}};
        Downloader d;
        d.setIdleTimeout(path.isEmpty() ? 60000 : 3000);
        d.setMemoryLimits({65536, 1500});
        QSignalSpy progress(&d, &Downloader::Progress);
        QElapsedTimer clock;
        clock.start();
        site.clear();
        const Completion c = runOne(d, r);
        const TransferResult &result = c.result;
        QCOMPARE(std::pair(c.url, c.key), std::pair(r.url, r.url));
        using R = TransferResult::Refused;
        QCOMPARE((QList<bool>{result.ok, result.overSizeLimit, result.overDeadline, result.writeFailed, result.timedOut,
                              result.refused == R::PartUnasked, result.refused == R::Encoded}),
                 (QList<bool>{refused.isEmpty(), refused == "overSize", refused == "overDeadline", refused == "writeFailed",
                              refused == "timedOut", refused == "partUnasked", refused == "encoded" && !path.isEmpty()}));
        QCOMPARE(result.errorText.startsWith(QStringLiteral("Cannot write")), result.writeFailed);
        QCOMPARE(result.errorText.isEmpty(), result.ok);
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
        if (!result.ok) { // a part of a refused answer is no answer; a failed one in memory is less than the file
            const bool failure = QStringList{"404", "500", "cut", "timedOut", "encoded", "unfetched"}.contains(refused);
            QVERIFY(refused.toInt() || (failure && path.isEmpty() ? c.data.size() < std::max<qint64>(size, 1) : c.data.isEmpty()));
            QVERIFY(!result.overDeadline || clock.elapsed() >= 1400);
            if (failure)
                QCOMPARE(result.httpStatus, refused == "unfetched" ? 0 : refused.toInt() ? refused.toInt() : 200);
            if (failure && !path.isEmpty())
                QCOMPARE(QFileInfo(path).size(), refused == "encoded" ? 0 : result.bytesReceived);
            return;
        }
        QCOMPARE(result.httpStatus, 200);
        QCOMPARE(path.isEmpty() ? c.data : StandIn::FileBytes(path), expectedBytes(size));
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
