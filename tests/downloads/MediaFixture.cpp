#include "MediaFixture.h"

#include "support/DemoSite.h"
#include "demosite/mediacontent.h"
#include "queue/DownloadQueue.h"
#include "transfer/Downloader.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>
#include <limits>

namespace {

// True when each span of `ranges` in the file holds the bytes of the media file of that seed there.
bool holdsSpans(const QString &path, std::uint64_t seed, const ByteRanges &ranges, QString *why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const ByteRanges::Span &span : ranges.spans()) {
        QByteArray expected(span.size(), Qt::Uninitialized);
        demosite::fillMediaFromSeed(seed, static_cast<std::uint64_t>(span.begin), expected.data(), static_cast<std::size_t>(span.size()));
        *why = QStringLiteral("%1 differs within bytes %2..%3").arg(path).arg(span.begin).arg(span.end);
        if (!f.seek(span.begin) || f.read(span.size()) != expected)
            return false;
    }
    return true;
}

// The Range headers of the requests for target that ask again for bytes in `kept` ("" for a
// request of the whole file).
QStringList rangesAskedAgain(const QString &target, const ByteRanges &kept)
{
    QStringList again;
    for (const DemoSite::LoggedRequest &request : PanelFixture::site().requests()) {
        if (request.target != target)
            continue;
        const QString range = request.range();
        const qint64 first = range.section(QLatin1Char('='), 1).section(QLatin1Char('-'), 0, 0).toLongLong();
        const QString last = range.section(QLatin1Char('-'), 1);
        const qint64 end = last.isEmpty() ? std::numeric_limits<qint64>::max() : last.toLongLong() + 1;
        if (std::any_of(kept.spans().begin(), kept.spans().end(),
                        [&](const ByteRanges::Span &s) { return s.begin < end && first < s.end; }))
            again << range;
    }
    return again;
}

} // namespace

namespace PanelFixture {

DemoSite &site()
{
    static DemoSite theSite;
    return theSite;
}

void setUpTransfers()
{
    if (!site().start())
        qFatal("the demo site did not start");
    Downloader::setDefaultIdleTimeout(2000); // a stalled transfer fails quickly
    DownloadQueue::setRetryTimeScale(0.01); // waits between tries of 10 ms to 160 ms
}

QString mediaTarget(const QString &id, int code, const QString &query)
{
    const QString path = QString::fromStdString(demosite::mediaPath(id.toStdString(), code));
    return query.isEmpty() ? path : path + QLatin1Char('?') + query;
}

QString mediaAddress(const QString &id, int code, const QString &query)
{
    return site().root() + mediaTarget(id, code, query);
}

DownloadChoice choice(const QString &id, int code, const QString &title, const QString &suffix,
                      const QString &query)
{
    DownloadChoice c;
    c.mediaAddress = mediaAddress(id, code, query);
    c.suffix = suffix;
    c.videoTitle = title;
    c.videoId = id;
    return c;
}

bool holdsMedia(const QString &path, const QString &id, int code, qint64 size, QString *why, bool changed)
{
    *why = QStringLiteral("%1 holds %2 bytes, expected %3").arg(path).arg(QFileInfo(path).size()).arg(size);
    const std::uint64_t seed = demosite::mediaSeed(id.toStdString(), code);
    return QFileInfo(path).size() == size
           && holdsSpans(path, changed ? demosite::changedMediaSeed(seed) : seed, ByteRanges::fromSpans({{0, size}}), why);
}

QStringList rangesOf(const QString &target)
{
    QStringList ranges;
    for (const DemoSite::LoggedRequest &request : site().requests())
        if (request.target == target && (ranges.isEmpty() || ranges.last() != request.range()))
            ranges << request.range();
    return ranges;
}

QString keptMidway(const QString &partial, const ByteRanges &kept, qint64 least, qint64 size, bool segments)
{
    QString why = QStringLiteral("%1 bytes kept in %2 ranges").arg(kept.bytes()).arg(kept.spans().size());
    const bool midway = kept.bytes() >= least && kept.bytes() < size && (kept.spans().size() > 1) == segments;
    return midway && holdsSpans(partial, demosite::mediaSeed(Id.toStdString(), 18), kept, &why) ? QString() : why;
}

QString continuedFrom(const QString &file, const QString &query, qint64 size, const ByteRanges &kept, bool segments)
{
    QString why;
    if (!holdsMedia(file, Id, 18, size, &why))
        return why;
    const QString target = mediaTarget(Id, 18, query);
    const QStringList asked = rangesOf(target);
    const QStringList again = rangesAskedAgain(target, kept);
    if (asked.isEmpty() || !again.isEmpty() || (!segments && asked != QStringList{QStringLiteral("bytes=%1-").arg(kept.bytes())}))
        return QStringLiteral("asked for [%1] after keeping %2 bytes").arg(asked.join(QStringLiteral(", "))).arg(kept.bytes());
    const QStringList left = hiddenFiles(QFileInfo(file).path());
    return left.isEmpty() ? QString() : QStringLiteral("left behind: ") + left.join(QStringLiteral(", "));
}

QByteArray mediaBytes(const QString &id, int code, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    demosite::fillMedia(id.toStdString(), code, 0, bytes.data(), static_cast<std::size_t>(size));
    return bytes;
}

TransferValidators validatorsOf(const QString &address)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address)};
    request.setRawHeader("Range", "bytes=0-0");
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    TransferValidators validators;
    validators.etag = reply->rawHeader("ETag");
    validators.lastModified = reply->rawHeader("Last-Modified");
    const QByteArray range = reply->rawHeader("Content-Range"); // "bytes 0-0/TOTAL"
    validators.total = range.mid(range.indexOf('/') + 1).toLongLong();
    delete reply;
    return validators;
}

QStringList hiddenFiles(const QString &folder)
{
    QDir dir(folder);
    QStringList hidden;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.startsWith(QLatin1Char('.')))
            hidden << name;
    return hidden;
}

void afterComplete(DownloadQueue &queue, const QString &key, const std::function<void()> &action)
{
    QObject::connect(queue.DownloadVid, &Downloader::Complete, &queue,
                     [key, action](const QString &, const QByteArray &, const QString &k, const TransferResult &) {
                         if (k == key)
                             action();
                     });
}

} // namespace PanelFixture
