// The transfer layer's decisions without a network: what a Content-Range says, and what an
// answer to a resume does to the bytes on disk.
#include "transfer/ContentRange.h"
#include "transfer/ResumeDecision.h"

#include <QTest>

Q_DECLARE_METATYPE(ResumeAction)

class TestTransferLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contentRange_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("unsatisfied");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<qint64>("total");
        QTest::newRow("part") << QByteArray("bytes 100-999/1000") << true << false << 100LL << 999LL << 1000LL;
        QTest::newRow("blanks around") << QByteArray("  bytes 0-0/1 ") << true << false << 0LL << 0LL << 1LL;
        QTest::newRow("total unknown") << QByteArray("bytes 5-9/*") << true << false << 5LL << 9LL << -1LL;
        QTest::newRow("unsatisfied") << QByteArray("bytes */1000") << true << true << -1LL << -1LL << 1000LL;
        QTest::newRow("unsatisfied, empty file") << QByteArray("bytes */0") << true << true << -1LL << -1LL << 0LL;
        QTest::newRow("unsatisfied, unknown total") << QByteArray("bytes */*") << false << true << -1LL << -1LL
                                                    << -1LL;
        QTest::newRow("last before first") << QByteArray("bytes 9-5/10") << false << false << 9LL << 5LL << 10LL;
        QTest::newRow("last past the total") << QByteArray("bytes 0-10/10") << false << false << 0LL << 10LL << 10LL;
        QTest::newRow("other unit") << QByteArray("items 0-1/2") << false << false << -1LL << -1LL << -1LL;
        QTest::newRow("sign") << QByteArray("bytes -1-5/10") << false << false << -1LL << -1LL << 10LL;
        QTest::newRow("no total") << QByteArray("bytes 0-5") << false << false << -1LL << -1LL << -1LL;
        QTest::newRow("overflow") << QByteArray("bytes 0-1/99999999999999999999") << false << false << -1LL << -1LL
                                  << -1LL;
        QTest::newRow("empty") << QByteArray() << false << false << -1LL << -1LL << -1LL;
    }
    void contentRange()
    {
        QFETCH(QByteArray, header);
        const ContentRange range = ContentRange::parse(header);
        QTEST(range.valid, "valid");
        QTEST(range.unsatisfied, "unsatisfied");
        if (range.valid || range.first >= 0) {
            QTEST(range.first, "first");
            QTEST(range.last, "last");
        }
        if (range.valid)
            QTEST(range.total, "total");
    }

    void resumeDecision_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QByteArray>("keptEtag");
        QTest::addColumn<QByteArray>("keptDate");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::addColumn<QByteArray>("etag");
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<ResumeAction>("action");
        const QByteArray e("\"v1\""), d("Thu, 16 Jun 2011 03:26:28 GMT");
        const QByteArray rest("bytes 400-999/1000");
        using A = ResumeAction;
        // Kept: 400 bytes of a 1000-byte file.
        QTest::newRow("rest, same ETag") << 400LL << e << d << 206 << rest << e << d << A::Append;
        QTest::newRow("rest, same date, no ETag") << 400LL << QByteArray() << d << 206 << rest << QByteArray() << d
                                                  << A::Append;
        QTest::newRow("rest, other ETag") << 400LL << e << d << 206 << rest << QByteArray("\"v2\"") << d
                                          << A::AskFromZero;
        QTest::newRow("rest, weak ETag of ours") << 400LL << e << d << 206 << rest << QByteArray("W/\"v1\"") << d
                                                 << A::AskFromZero;
        QTest::newRow("rest, other date") << 400LL << QByteArray() << d << 206 << rest << QByteArray()
                                          << QByteArray("Fri, 17 Jun 2011 03:26:28 GMT") << A::AskFromZero;
        QTest::newRow("rest, no validators at all") << 400LL << QByteArray() << d << 206 << rest << QByteArray()
                                                    << QByteArray() << A::AskFromZero;
        QTest::newRow("other offset") << 400LL << e << d << 206 << QByteArray("bytes 0-999/1000") << e << d
                                      << A::AskFromZero;
        QTest::newRow("other total") << 400LL << e << d << 206 << QByteArray("bytes 400-1000/1001") << e << d
                                     << A::AskFromZero;
        QTest::newRow("unknown total") << 400LL << e << d << 206 << QByteArray("bytes 400-999/*") << e << d
                                       << A::AskFromZero;
        QTest::newRow("no Content-Range") << 400LL << e << d << 206 << QByteArray() << e << d << A::AskFromZero;
        QTest::newRow("shorter part of the rest") << 400LL << e << d << 206 << QByteArray("bytes 400-499/1000") << e
                                                  << d << A::Append;
        QTest::newRow("whole file instead") << 400LL << e << d << 200 << QByteArray() << e << d << A::WriteFromZero;
        QTest::newRow("other success") << 400LL << e << d << 204 << QByteArray() << e << d << A::AskFromZero;
        QTest::newRow("error") << 400LL << e << d << 503 << QByteArray() << QByteArray() << QByteArray() << A::Refuse;
        QTest::newRow("gone") << 400LL << e << d << 410 << QByteArray() << QByteArray() << QByteArray() << A::Refuse;
        QTest::newRow("no answer") << 400LL << e << d << 0 << QByteArray() << QByteArray() << QByteArray()
                                   << A::Refuse;
        // Kept: all 1000 bytes.
        QTest::newRow("416, we hold it all") << 1000LL << e << d << 416 << QByteArray("bytes */1000") << e << d
                                             << A::AlreadyWhole;
        QTest::newRow("416 naming no version") << 1000LL << e << d << 416 << QByteArray("bytes */1000") << QByteArray()
                                               << QByteArray() << A::AlreadyWhole;
        QTest::newRow("416, another version") << 1000LL << e << d << 416 << QByteArray("bytes */1000")
                                              << QByteArray("\"v2\"") << d << A::AskFromZero;
        QTest::newRow("416, another date") << 1000LL << QByteArray() << d << 416 << QByteArray("bytes */1000")
                                           << QByteArray() << QByteArray("Fri, 17 Jun 2011 03:26:28 GMT")
                                           << A::AskFromZero;
        QTest::newRow("416, the file grew") << 1000LL << e << d << 416 << QByteArray("bytes */2000") << e << d
                                            << A::AskFromZero;
        QTest::newRow("416, we hold more than it has") << 400LL << e << d << 416 << QByteArray("bytes */300") << e << d
                                                       << A::AskFromZero;
        QTest::newRow("416 without a range") << 1000LL << e << d << 416 << QByteArray() << e << d << A::AskFromZero;
        // No resume asked for.
        QTest::newRow("plain: success") << 0LL << QByteArray() << QByteArray() << 200 << QByteArray() << e << d
                                        << A::WriteFromZero;
        QTest::newRow("plain: a part") << 0LL << QByteArray() << QByteArray() << 206 << rest << e << d
                                       << A::WriteFromZero;
        QTest::newRow("plain: error") << 0LL << QByteArray() << QByteArray() << 404 << QByteArray() << e << d
                                      << A::Refuse;
        QTest::newRow("plain: 416") << 0LL << QByteArray() << QByteArray() << 416 << QByteArray("bytes */0") << e << d
                                    << A::Refuse;
    }
    void resumeDecision()
    {
        QFETCH(qint64, offset);
        QFETCH(QByteArray, keptEtag);
        QFETCH(QByteArray, keptDate);
        QFETCH(int, status);
        QFETCH(QByteArray, contentRange);
        QFETCH(QByteArray, etag);
        QFETCH(QByteArray, date);
        const TransferValidators kept{keptEtag, keptDate, 1000};
        const ResumeAnswer answer{status, contentRange, {etag, date, -1}};
        QTEST(decideResume(offset, kept, answer), "action");
    }
};

QTEST_GUILESS_MAIN(TestTransferLogic)
#include "tst_transferlogic.moc"
