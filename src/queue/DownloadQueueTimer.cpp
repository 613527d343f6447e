// What the list does once a second and after a while: the average speed, each row's size, speed
// and time left, and rows waiting to try again.
#include "queue/DownloadQueue.h"

#include "queue/ProgressText.h"
#include "transfer/Downloader.h"
#include "transfer/RetryPolicy.h"
#include "transfer/SegmentedTransfer.h"

#include <QDateTime>
#include <QTimer>


namespace {

double &retryScale()
{
    static double scale = 1.0;
    return scale;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// A wait in whole seconds, as a row's caption counts it down.
qint64 shownSeconds(qint64 ms)
{
    return std::max<qint64>(1, (ms + 500) / 1000);
}

} // namespace

void DownloadQueue::setRetryTimeScale(double scale)
{
    retryScale() = scale > 0 ? scale : 1.0;
    SegmentedTransfer::setRetryTimeScale(scale);
}

void DownloadQueue::tick()
{
    const qint64 average = m_speed.Tick(m_records.totalBytes());
    m_speedText = ProgressText::SpeedText(average);
    Q_EMIT speedTextChanged(m_speedText);
    updateColumns(nowMs());
    shareSpeedLimit();
}

void DownloadQueue::updateColumns(qint64 now)
{
    for (int row = 0; row < m_records.count(); ++row) {
        DownloadRecord &record = m_records.at(row);
        const bool running = record.state == StateDownloading && DownloadVid->IsRunning(record.key);
        if (running)
            record.speed.sample(now, record.fileBytes);
        const qint64 total = record.state == StateDownloaded ? record.fileBytes : record.validators.total;
        Q_EMIT figuresChanged(row, ProgressText::SizeText(total),
                              running ? ProgressText::RowSpeedText(record.speed.bytesPerSecond(now)) : QString(),
                              running ? ProgressText::TimeLeftText(record.speed.secondsLeft(now, total)) : QString());
        if (record.retryAtMs > 0) {
            // The countdown in the caption of a row that waits to try again.
            const qint64 left = std::max<qint64>(0, record.retryAtMs - now);
            const qint64 seconds = shownSeconds(static_cast<qint64>(double(left) / retryScale()));
            const QString caption = ProgressText::WaitingCaption(record.retryReason, seconds, record.retries + 1,
                                                                 RetryPolicy::MaxRetries + 1);
            if (caption != record.caption) {
                record.caption = caption;
                Q_EMIT rowChanged(row);
            }
        }
    }
}

void DownloadQueue::retryLater(int row, const TransferResult &result, int retryNumber, qint64 delayMs)
{
    DownloadRecord &record = m_records.at(row);
    record.retries = retryNumber;
    record.retryReason = ProgressText::FailureReason(result);
    const qint64 wait = static_cast<qint64>(double(delayMs) * retryScale());
    record.retryAtMs = nowMs() + wait;
    QTimer *timer = m_retryTimers.value(record.key);
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        const QString key = record.key;
        connect(timer, &QTimer::timeout, this, [this, key] { retryNow(key); });
        m_retryTimers.insert(record.key, timer);
    }
    timer->start(static_cast<int>(wait));
    endRow(row, StateDownloading,
           ProgressText::WaitingCaption(record.retryReason, shownSeconds(delayMs), retryNumber + 1,
                                        RetryPolicy::MaxRetries + 1));
}

void DownloadQueue::cancelRetry(DownloadRecord &record)
{
    record.retryAtMs = 0;
    if (QTimer *timer = m_retryTimers.take(record.key)) {
        timer->stop();
        timer->deleteLater();
    }
}

void DownloadQueue::retryNow(const QString &key)
{
    const int row = m_records.indexOf(key);
    if (row < 0 || m_records.at(row).retryAtMs == 0)
        return;
    startTransfer(row, true);
}
