// The list's limits and its queue: how many rows it holds, how many download at once, the rows
// that wait for a place and their order, and the commands on every row.
#include "queue/DownloadQueue.h"

#include "base/Settings.h"
#include "queue/DownloadArchive.h"
#include "queue/ProgressText.h"

#include <QMetaObject>

#include <algorithm>

void DownloadQueue::readSettings()
{
    setListRows(Settings::ListRows());
    setSimultaneousDownloads(Settings::SimultaneousDownloads());
}

void DownloadQueue::setListRows(int rows)
{
    m_listRows = std::clamp(rows, Settings::DefaultListRows, Settings::MostListRows);
}

void DownloadQueue::setSimultaneousDownloads(int count)
{
    m_simultaneous = count <= 0 ? 0 : std::min(count, Settings::MostSimultaneousDownloads);
    scheduleWaiting(); // more places: rows that wait take them
}

QString DownloadQueue::archivePath() const
{
    return m_archivePath.isEmpty() ? DownloadArchive::defaultPath() : m_archivePath;
}

int DownloadQueue::runningCount() const
{
    int running = 0;
    for (int row = 0; row < m_records.count(); ++row)
        running += m_records.at(row).state == StateDownloading && !m_records.at(row).saving ? 1 : 0;
    return running;
}

bool DownloadQueue::hasPlace() const
{
    return m_simultaneous <= 0 || runningCount() < m_simultaneous;
}

void DownloadQueue::startOrQueue(int row)
{
    bool waitingBefore = false;
    for (int other = 0; other < row && !waitingBefore; ++other)
        waitingBefore = m_records.at(other).state == StateQueued;
    if (hasPlace() && !waitingBefore) {
        begin(row);
        return;
    }
    endRow(row, StateQueued, ProgressText::Queued); // the rows before it go first
}

void DownloadQueue::begin(int row)
{
    endRow(row, StateDownloading, ProgressText::Starting);
    startTransfer(row);
}

void DownloadQueue::startWaiting()
{
    m_waitingDue = false;
    if (m_closing)
        return; // queued rows stay queued in the journal
    while (hasPlace()) {
        int row = 0;
        while (row < m_records.count() && m_records.at(row).state != StateQueued)
            ++row;
        if (row == m_records.count())
            break;
        begin(row); // ends its wait: downloading, or failed at once
    }
}

void DownloadQueue::scheduleWaiting()
{
    if (m_closing || std::exchange(m_waitingDue, true))
        return;
    QMetaObject::invokeMethod(this, &DownloadQueue::startWaiting, Qt::QueuedConnection);
}

void DownloadQueue::queueChanged()
{
    const QString text = ProgressText::QueueText(runningCount(), queuedCount());
    if (text == m_queueText)
        return;
    m_queueText = text;
    Q_EMIT queueTextChanged(text);
}

void DownloadQueue::startAll()
{
    const Batch batch(*this);
    for (int row = 0; row < m_records.count(); ++row) {
        const int state = m_records.at(row).state;
        if ((state == StateStopped || state == StateError) && !m_records.at(row).saving)
            endRow(row, StateQueued, ProgressText::Queued);
    }
    startWaiting();
}

void DownloadQueue::stopAll()
{
    const Batch batch(*this);
    for (int row = 0; row < m_records.count(); ++row)
        stopRow(row, true);
    settle(true);
}

bool DownloadQueue::moveUp(int row)
{
    return swapRows(row, row - 1);
}

bool DownloadQueue::moveDown(int row)
{
    return swapRows(row, row + 1);
}

bool DownloadQueue::swapRows(int row, int other)
{
    if (row < 0 || row >= m_records.count() || other < 0 || other >= m_records.count() || row == other)
        return false;
    m_records.move(row, other);
    Q_EMIT rowMoved(row, other);
    rowsChanged(); // the journal keeps the order
    return true;
}

DownloadQueue::Batch::Batch(DownloadQueue &queue)
    : m_queue(queue)
{
    ++m_queue.m_batches;
}

DownloadQueue::Batch::~Batch()
{
    if (--m_queue.m_batches == 0 && std::exchange(m_queue.m_journalDue, false))
        m_queue.rowsChanged();
}
