// The speed limit shared by the rows that download.
#include "queue/DownloadQueue.h"

#include "extractor/ExtractorDownloads.h"
#include "transfer/Downloader.h"
#include "transfer/RateLimiter.h"

#include <QStringList>

void DownloadQueue::setSpeedLimit(qint64 bytesPerSecond)
{
    m_speedLimit = std::max<qint64>(0, bytesPerSecond);
    shareSpeedLimit();
}

void DownloadQueue::shareSpeedLimit()
{
    qint64 ours = 0;
    qint64 theirs = 0;
    for (int row = 0; row < m_records.count(); ++row) {
        const QString &key = m_records.at(row).key;
        ours += DownloadVid->IsRunning(key) ? 1 : 0;
        theirs += DownloadStream->IsRunning(key) ? 1 : 0;
    }
    // Without an extractor run ours have it all; while none of ours runs, the share of one is
    // kept for the next that starts.
    const qint64 ourRows = std::max<qint64>(1, ours);
    RateLimiter::setRate(m_speedLimit <= 0 ? 0 : m_speedLimit * ourRows / (ourRows + theirs));
}

QStringList DownloadQueue::extractorLimitOptions() const
{
    if (m_speedLimit <= 0)
        return {};
    qint64 downloading = 0;
    for (int row = 0; row < m_records.count(); ++row)
        downloading += m_records.at(row).state == StateDownloading ? 1 : 0;
    return {QStringLiteral("--limit-rate"), QString::number(std::max<qint64>(1024, m_speedLimit / std::max<qint64>(1, downloading)))};
}
