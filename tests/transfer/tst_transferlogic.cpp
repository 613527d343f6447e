// The transfer layer's decisions without a network: what a Content-Range says, and what an
// answer to a resume does to the bytes on disk.
#include "transfer/ContentRange.h"
#include "transfer/ResumeDecision.h"
#include "transfer/RetryPolicy.h"

#include <QNetworkReply>
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

} // namespace

class TestTransferLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        row("rest, same ETag", 400, "etag", 206, rest, "same", A::Append);
        row("rest, same date, no ETag", 400, "date", 206, rest, "date", A::Append);
        row("rest, other ETag", 400, "etag", 206, rest, "other etag", A::AskFromZero);
        row("rest, weak ETag of ours", 400, "etag", 206, rest, "weak etag", A::AskFromZero);
        row("rest, other date", 400, "date", 206, rest, "other date", A::AskFromZero);
        row("rest, no validators at all", 400, "date", 206, rest, "none", A::AskFromZero);
        row("other offset", 400, "etag", 206, "bytes 0-999/1000", "same", A::AskFromZero);
        row("other total", 400, "etag", 206, "bytes 400-1000/1001", "same", A::AskFromZero);
        row("unknown total", 400, "etag", 206, "bytes 400-999/*", "same", A::AskFromZero);
        row("no Content-Range", 400, "etag", 206, {}, "same", A::AskFromZero);
        row("shorter part of the rest", 400, "etag", 206, "bytes 400-499/1000", "same", A::Append);
        row("whole file instead", 400, "etag", 200, {}, "same", A::WriteFromZero);
        row("other success", 400, "etag", 204, {}, "same", A::AskFromZero);
        row("error", 400, "etag", 503, {}, "none", A::Refuse);
        row("no answer", 400, "etag", 0, {}, "none", A::Refuse);
        row("416, we hold it all", 1000, "etag", 416, all, "same", A::AlreadyWhole);
        row("416 naming no version", 1000, "etag", 416, all, "none", A::AlreadyWhole);
        row("416, another version", 1000, "etag", 416, all, "other etag", A::AskFromZero);
        row("416, another date", 1000, "date", 416, all, "other date", A::AskFromZero);
        row("416, the file grew", 1000, "etag", 416, "bytes */2000", "same", A::AskFromZero);
        row("416, we hold more than it has", 400, "etag", 416, "bytes */300", "same", A::AskFromZero);
        row("416 without a range", 1000, "etag", 416, {}, "same", A::AskFromZero);
        row("plain: success", 0, "", 200, {}, "same", A::WriteFromZero);
        row("plain: error", 0, "", 404, {}, "same", A::Refuse);
        row("plain: 416", 0, "", 416, "bytes */0", "same", A::Refuse);
        row("plain: a part nobody asked for", 0, "", 206, rest500, "none", A::Discard, "", 500, R::PartUnasked);
        row("identity said", 0, "", 200, {}, "none", A::WriteFromZero, " Identity", 1000);
        row("the asked part", 500, "etag", 206, rest500, "same", A::Append, "", 500);
        row("gzip", 0, "", 200, {}, "none", A::Discard, "gzip", 1000, R::Encoded);
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
        const auto with = [](TransferResult r, const std::function<void(TransferResult &)> &change) {
            change(r);
            return r;
        };
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

    void retryDelays_data()
    {
        QTest::addColumn<int>("retry");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<double>("jitter");
        QTest::addColumn<qint64>("delayMs");
        QTest::newRow("1st") << 1 << QByteArray() << 0.0 << 1000LL;
        QTest::newRow("2nd") << 2 << QByteArray() << 0.0 << 2000LL;
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
    }
    void retryDelays()
    {
        QFETCH(int, retry);
        QFETCH(QByteArray, retryAfter);
        QFETCH(double, jitter);
        QTEST(RetryPolicy::delayMs(retry, retryAfter, kNow, jitter), "delayMs");
    }

    void retriesEndAfterTheFifth()
    {
        TransferResult busy = failed(503);
        busy.retryAfter = "2";
        for (int done = 0; done < RetryPolicy::MaxRetries; ++done) {
            const RetryPolicy::Decision d = RetryPolicy::next(busy, done, kNow, 0.0);
            QVERIFY(d.retry);
            QCOMPARE(d.retryNumber, done + 1);
            QCOMPARE(d.delayMs, 2000LL);
        }
        QVERIFY(!RetryPolicy::next(busy, RetryPolicy::MaxRetries, kNow, 0.0).retry);
        QVERIFY(!RetryPolicy::next(failed(404), 0, kNow, 0.0).retry);
        // Random jitter stays within a tenth.
        for (int i = 0; i < 200; ++i) {
            const qint64 ms = RetryPolicy::next(failed(500), 2).delayMs;
            QVERIFY2(ms >= 3600 && ms <= 4400, qPrintable(QString::number(ms)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferLogic)
#include "tst_transferlogic.moc"
