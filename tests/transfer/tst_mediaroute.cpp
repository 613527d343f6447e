// The demo site's media answers as the transfer tests rely on them: ranges, validators and the
// faults that hit only the first requests of an address.
#include "support/DemoSite.h"

#include "demosite/catalogue.h"
#include "demosite/mediacontent.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

namespace {

const std::string kId(demosite::ids::tiny);
constexpr int kCode = 18;
constexpr qint64 kSize = 1000;

QByteArray fileBytes(qint64 offset, qint64 length, bool changed = false)
{
    const std::uint64_t seed = demosite::mediaSeed(kId, kCode);
    QByteArray bytes(length, Qt::Uninitialized);
    demosite::fillMediaFromSeed(changed ? demosite::changedMediaSeed(seed) : seed, static_cast<std::uint64_t>(offset),
                                bytes.data(), static_cast<size_t>(length));
    return bytes;
}

struct Answer
{
    int status = 0;
    bool cut = false; // the connection ended before the announced length
    QByteArray body;
    QByteArray header(const char *name) const { return headers.value(QByteArray(name).toLower()); }
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QDateTime lastModified;                // as Qt reads the HTTP date
};

Answer fetch(const QString &url, const QList<QPair<QByteArray, QByteArray>> &headers = {})
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Accept-Encoding", "identity");
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.lastModified = reply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
    for (const auto &[name, value] : reply->rawHeaderPairs())
        answer.headers.insert(name.toLower(), value);
    const qint64 announced = answer.header("Content-Length").toLongLong();
    answer.cut = reply->error() == QNetworkReply::RemoteHostClosedError || answer.body.size() < announced;
    delete reply;
    return answer;
}

} // namespace

class TestMediaRoute : public QObject
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
    }

    // The body is the part the Content-Range names, or the whole file without one.
    void rangesAndConditions_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<QString>("ifRange"); // "etag", "date", "other" or empty
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentRange");
        const QString q = QStringLiteral("size=1000");
        QTest::newRow("no range") << q << QByteArray() << "" << 200 << QByteArray();
        QTest::newRow("open") << q << QByteArray("bytes=100-") << "" << 206 << QByteArray("bytes 100-999/1000");
        QTest::newRow("closed") << q << QByteArray("bytes=10-19") << "" << 206 << QByteArray("bytes 10-19/1000");
        QTest::newRow("last bytes") << q << QByteArray("bytes=-10") << "" << 206 << QByteArray("bytes 990-999/1000");
        QTest::newRow("end past the file") << q << QByteArray("bytes=900-5000") << "" << 206 << QByteArray("bytes 900-999/1000");
        QTest::newRow("start at the end") << q << QByteArray("bytes=1000-") << "" << 416 << QByteArray("bytes */1000");
        QTest::newRow("empty file") << "size=0" << QByteArray("bytes=0-") << "" << 416 << QByteArray("bytes */0");
        QTest::newRow("several ranges: whole") << q << QByteArray("bytes=0-1,5-6") << "" << 200 << QByteArray();
        QTest::newRow("If-Range, same ETag") << q << QByteArray("bytes=500-") << "etag" << 206 << QByteArray("bytes 500-999/1000");
        QTest::newRow("If-Range, same date") << q << QByteArray("bytes=500-") << "date" << 206 << QByteArray("bytes 500-999/1000");
        QTest::newRow("If-Range, other version") << q << QByteArray("bytes=500-") << "other" << 200 << QByteArray();
        QTest::newRow("range ignored") << "size=1000&ignoreRange=1" << QByteArray("bytes=500-") << "" << 200 << QByteArray();
    }
    void rangesAndConditions()
    {
        QFETCH(QString, query);
        QFETCH(QByteArray, range);
        QFETCH(QString, ifRange);
        QFETCH(int, status);
        QFETCH(QByteArray, contentRange);
        const Answer plain = fetch(media(query));
        QCOMPARE(plain.status, 200);
        const QByteArray etag = plain.header("ETag");
        QVERIFY(etag.startsWith('"') && etag.endsWith('"')); // strong
        QVERIFY(plain.lastModified.isValid());

        QList<QPair<QByteArray, QByteArray>> headers;
        if (!range.isEmpty())
            headers.append({"Range", range});
        if (ifRange == QLatin1String("etag"))
            headers.append({"If-Range", etag});
        else if (ifRange == QLatin1String("date"))
            headers.append({"If-Range", plain.header("Last-Modified")});
        else if (ifRange == QLatin1String("other"))
            headers.append({QByteArray("If-Range"), QByteArray("\"another-version\"")});
        site.clear();
        const Answer answer = fetch(media(query), headers);
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.header("Content-Range"), contentRange);
        QCOMPARE(answer.header("ETag"), etag);
        QCOMPARE(answer.header("Accept-Ranges").isEmpty(), query.contains(QLatin1String("ignoreRange")));
        const QList<QByteArray> span = contentRange.mid(6).split('/').first().split('-');
        const qint64 first = span.first().toLongLong();
        if (status != 416) // the page saying why is no part of the file
            QCOMPARE(answer.body, status == 206 ? fileBytes(first, span.last().toLongLong() + 1 - first) : fileBytes(0, kSize));
        QCOMPARE(site.requests().size(), 1);
        QCOMPARE(site.requests().constFirst().range(), QString::fromLatin1(range));
    }

    // Each request of one address in turn: "503 Retry-After V", "cut at N", "whole" or "changed".
    void faultsOfTheFirstRequests_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("outcomes"); // one after the other, with "; " between
        QTest::newRow("busy twice") << "size=1000&busyTimes=2&retryAfter=7" << "503 Retry-After 7; 503 Retry-After 7; whole";
        QTest::newRow("busy, date") << "size=1000&busyTimes=1&retryAfter=Wed,%2021%20Oct%202037%2007:28:00%20GMT"
                                    << "503 Retry-After Wed, 21 Oct 2037 07:28:00 GMT; whole";
        QTest::newRow("closed early once") << "size=100000&dropAfter=3000&dropTimes=1" << "cut at 3000; whole";
        QTest::newRow("changed from the second") << "size=1000&changeFrom=2" << "whole; changed; changed";
    }
    void faultsOfTheFirstRequests()
    {
        QFETCH(QString, query);
        QFETCH(QString, outcomes);
        site.clear();
        const qint64 size = query.section(QLatin1Char('&'), 0, 0).section(QLatin1Char('='), 1).toLongLong();
        QByteArray firstEtag;
        QDateTime firstDate;
        for (const QString &expected : outcomes.split(QStringLiteral("; "))) {
            const Answer answer = fetch(media(query));
            QString outcome;
            if (answer.status == 503)
                outcome = QStringLiteral("503 Retry-After ") + QString::fromLatin1(answer.header("Retry-After"));
            else if (answer.cut)
                outcome = QStringLiteral("cut at %1").arg(answer.body.size());
            else if (answer.status == 200 && answer.body == fileBytes(0, size))
                outcome = QStringLiteral("whole");
            else if (answer.status == 200 && answer.body == fileBytes(0, size, true))
                outcome = QStringLiteral("changed");
            QCOMPARE(outcome, expected);
            if (answer.status != 200)
                continue;
            // A changed file never keeps the ETag or date of the first version.
            if (firstEtag.isEmpty()) {
                firstEtag = answer.header("ETag");
                firstDate = answer.lastModified;
            }
            const bool same = expected != QLatin1String("changed");
            QCOMPARE(answer.header("ETag") == firstEtag, same);
            QCOMPARE(answer.lastModified == firstDate, same);
        }
        QCOMPARE(site.requests().size(), outcomes.count(QStringLiteral("; ")) + 1);
    }
};

QTEST_GUILESS_MAIN(TestMediaRoute)
#include "tst_mediaroute.moc"
