// A Downloader's transfers that go on in segments: when one may, how it is handed to a
// SegmentedTransfer, and how it starts again on one connection.
#include "transfer/Downloader.h"
#include "transfer/DownloaderTransfer.h"

#include "transfer/NetworkPool.h"

#include <QUrl>

bool Downloader::maySplit(const Transfer *t, const QNetworkReply *reply) const
{
    if (!t->target || t->request.connections <= 1 || t->oneConnection || !t->writing || t->writeFailed
        || t->request.maxBytes > 0)
        return false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool servesRanges = status == 206
                              || (status == 200 && reply->rawHeader("Accept-Ranges").trimmed().toLower() == "bytes");
    const TransferValidators &v = t->seen;
    return servesRanges && v.total > 0 && t->wholeLength == v.total && (v.hasStrongEtag() || v.lastModifiedStrong)
           && v.total - t->base >= SegmentedTransfer::MinRest && mayConnect(QUrl(t->request.url.trimmed()).host(), 1);
}

// One more connection to host for a transfer that has `open`: within the limit for the server,
// and within the transfer's share of it, so that many files at once each keep one connection.
bool Downloader::mayConnect(const QString &host, int open) const
{
    int connections = 0;
    int transfers = 0;
    for (const Transfer *t : m_transfers) {
        if (QUrl(t->request.url.trimmed()).host() != host)
            continue;
        ++transfers;
        connections += t->segments ? t->segments->connectionCount() : (t->reply ? 1 : 0);
    }
    return connections < MaxConnectionsPerHost && open < std::max(1, MaxConnectionsPerHost / transfers);
}

void Downloader::runSegments(Transfer *t, const ByteRanges &kept)
{
    SegmentedTransfer::Setup setup;
    setup.request = t->request;
    if (t->decided)
        setup.request.validators = t->seen; // those of the answer handed over
    setup.file = t->target;
    setup.kept = kept;
    setup.idleTimeoutMs = m_idleTimeout;
    const QString host = QUrl(t->request.url.trimmed()).host();
    setup.mayConnect = [this, host](int open) { return mayConnect(host, open); };
    auto *segments = new SegmentedTransfer(std::move(setup), this);
    t->segments = segments;
    connect(segments, &SegmentedTransfer::answered, this, [this, t](const TransferAnswer &answer) {
        Q_EMIT Answered(t->request.url, t->request.key, answer);
    });
    connect(segments, &SegmentedTransfer::progress, this, [this, t](qint64 done, qint64 total) {
        Q_EMIT Progress(t->request.url, t->request.key, done, total, 206);
    });
    connect(segments, &SegmentedTransfer::finished, this, [this, t](TransferResult result) {
        result.resumed = result.resumed || t->resumed;
        result.restarted = t->restarted;
        if (!t->target->flush() && !result.writeFailed) {
            result.writeFailed = true;
            result.ok = false;
            result.errorText = QStringLiteral("Cannot write %1: %2").arg(t->request.targetFile, t->target->errorString());
        }
        t->target->close();
        finish(t, result);
    });
    connect(segments, &SegmentedTransfer::mustRestart, this, [this, t] { restartOnOneConnection(t); });
}

void Downloader::startInSegments(Transfer *t, const ByteRanges &kept)
{
    runSegments(t, kept);
    t->segments->start();
}

// The answer just decided goes on as the first of several segments.
void Downloader::handOver(Transfer *t)
{
    QNetworkReply *reply = t->reply;
    reply->disconnect(this);
    t->reply = nullptr;
    t->idle->stop();
    // Nothing of this answer is written yet, nor held in the file's buffer: the segments write
    // past it, at their offsets.
    ByteRanges kept;
    kept.add(0, t->base);
    runSegments(t, kept);
    t->segments->adopt(reply, t->manager, t->base);
}

// Another version of the file answered one of the segments: nothing on disk can be kept, and the
// file is asked for whole on one connection, as a resume whose answer proves nothing is.
void Downloader::restartOnOneConnection(Transfer *t)
{
    if (SegmentedTransfer *segments = std::exchange(t->segments, nullptr)) {
        segments->disconnect(this);
        segments->deleteLater();
    }
    t->oneConnection = true;
    t->offset = 0;
    t->base = 0;
    t->received = 0;
    t->decided = false;
    t->writing = false;
    t->resumed = false;
    t->restarted = true;
    t->wholeLength = -1;
    t->seen = TransferValidators();
    if (!t->target->resize(0) || !t->target->seek(0)) {
        t->writeFailed = true;
        t->writeError = t->target->errorString();
    }
    if (!t->manager)
        t->manager = NetworkPool::acquire();
    send(t);
}
