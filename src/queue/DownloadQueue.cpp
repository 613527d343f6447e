// The list's rows and the commands on them; the rows that the video extractor fetches.
#include "queue/DownloadQueue.h"

#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "extractor/ExtractorAdvice.h"
#include "extractor/ExtractorChannel.h"
#include "extractor/ExtractorDownloads.h"
#include "queue/DownloadJournal.h"
#include "queue/JournalWriter.h"
#include "queue/ProgressText.h"
#include "transfer/Downloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>

DownloadQueue::DownloadQueue(QObject *parent)
    : QObject(parent)
    , DownloadVid(new Downloader(this))
    , DownloadStream(new ExtractorDownloads(this))
    , Timer1(new QTimer(this))
    , m_listRows(Settings::DefaultListRows)
    , m_queueText(ProgressText::QueueText(0, 0))
{
    setObjectName(QStringLiteral("DownloadQueue"));
    m_savers = new QThreadPool(this);
    m_savers->setMaxThreadCount(2);

    connect(DownloadVid, &Downloader::Progress, this, &DownloadQueue::onProgress);
    connect(DownloadVid, &Downloader::Complete, this, &DownloadQueue::onComplete);
    connect(DownloadVid, &Downloader::Answered, this, &DownloadQueue::onAnswered);
    connect(DownloadStream, &ExtractorDownloads::Progress, this, &DownloadQueue::onProgress);
    connect(DownloadStream, &ExtractorDownloads::Complete, this, &DownloadQueue::onComplete);
    connect(DownloadStream, &ExtractorDownloads::Step, this, &DownloadQueue::onStep);
    connect(DownloadStream, &ExtractorDownloads::Made, this, &DownloadQueue::onMade);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &DownloadQueue::tick);
    Timer1->start();
}

DownloadQueue::~DownloadQueue()
{
    m_closing = true; // rows that wait go on waiting, in the journal
    // A list that is going tells no one: whoever listened (the view, the window) may be going too.
    disconnect(this, nullptr, nullptr, nullptr);
    // A body being copied into place is whole: it is finished, not dropped, and its row says so
    // before the list is written for the last time.
    m_savers->waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // Partial files stay for the next start.
    disconnect(DownloadVid, nullptr, this, nullptr);
    disconnect(DownloadStream, nullptr, this, nullptr);
    Timer1->stop();
    for (int row = 0; row < m_records.count(); ++row) {
        DownloadRecord &record = m_records.at(row);
        cancelFetch(record.key);
        closeHandle(record);
        const QFileInfo partial(record.partialFile);
        if (partial.isFile())
            record.fileBytes = record.ranges ? record.ranges->clippedTo(partial.size()).bytes() : partial.size();
    }
    if (m_journalWriter) {
        m_journalWriter->rowsChanged();
        delete m_journalWriter; // before the journal it writes to
        m_journalWriter = nullptr;
    }
}

QString DownloadQueue::targetPath(const QString &fileName) const
{
    return modFunctions::WithSeparator(savePath()) + fileName;
}

void DownloadQueue::showFreeSpace(const QString &folder)
{
    Q_EMIT freeSpaceTextChanged(QStringLiteral("Free Disk Space: ") + modFunctions::FreeDiskSpace(folder));
}

void DownloadQueue::setRowState(int row, int state)
{
    if (state != StateDownloading)
        m_records.at(row).retryAtMs = 0;
    m_records.at(row).state = state;
    Q_EMIT rowChanged(row);
    queueChanged();
    scheduleWaiting(); // a place may have come free
}

void DownloadQueue::setRowFileName(int row, const QString &name)
{
    if (row < 0 || row >= m_records.count())
        return;
    m_records.at(row).fileName = name;
    Q_EMIT rowChanged(row);
    rowsChanged();
}

void DownloadQueue::removeRow(int row)
{
    m_records.removeAt(row);
    rowsChanged();
    Q_EMIT rowRemoved(row);
    queueChanged();
    scheduleWaiting();
}

void DownloadQueue::start(int row)
{
    if (row < 0 || row >= m_records.count())
        return;
    const DownloadRecord &record = m_records.at(row);
    // A finished row, one whose body is being put in place, one that shows progress or waits for
    // its turn: left alone.
    if (record.state == StateDownloaded || record.state == StateQueued || record.saving || m_records.percent(row) != 0)
        return;
    if (record.state == StateDownloading)
        begin(row); // again, in the place it holds
    else
        startOrQueue(row);
}

void DownloadQueue::stop(int row)
{
    stopRow(row, false);
}

void DownloadQueue::stopRow(int row, bool evenAtZero)
{
    if (row < 0 || row >= m_records.count())
        return;
    DownloadRecord &record = m_records.at(row);
    if (record.state == StateQueued) {
        endRow(row, StateStopped, ProgressText::Stopped);
        return;
    }
    // A row waiting to try again stops too, and so does an extractor still reading its page.
    const bool transferring = record.state == StateDownloading && !record.saving;
    if (!(evenAtZero && transferring) && m_records.percent(row) == 0 && record.retryAtMs == 0
        && !DownloadStream->IsRunning(record.key))
        return;
    cancelFetch(record.key);
    cancelRetry(record);
    closeHandle(record);
    keepPartial(record); // Start continues from its bytes
    m_records.setPercent(row, 0);
    record.bytes = 0;
    record.speed.reset();
    endRow(row, StateStopped, ProgressText::Stopped);
}

void DownloadQueue::remove(int row)
{
    if (row < 0 || row >= m_records.count())
        return;
    DownloadRecord &record = m_records.at(row);
    cancelFetch(record.key);
    cancelRetry(record);
    dropPartial(record);
    removeRow(row);
}

bool DownloadQueue::removeIfEnded(int row)
{
    if (row < 0 || row >= m_records.count())
        return false;
    const int state = m_records.at(row).state;
    if (state != StateDownloaded && state != StateError)
        return false;
    dropPartial(m_records.at(row)); // what a failed row kept
    removeRow(row);
    return true;
}

void DownloadQueue::settle(bool rowsWent)
{
    if (rowsWent)
        m_speed.SpeedBaselineReset = true;
}

bool DownloadQueue::mayRename(int row) const
{
    return row >= 0 && row < m_records.count() && !m_records.at(row).saving;
}

void DownloadQueue::rename(int row, const QString &name, const FinishedFile::Stamp &replaceable)
{
    if (row < 0 || row >= m_records.count())
        return;
    if (m_records.at(row).state != StateDownloaded)
        m_records.at(row).replaceable = replaceable;
    setRowFileName(row, name);
}

void DownloadQueue::startStream(int row)
{
    DownloadRecord &record = m_records.at(row);
    // The extractor starts every run from the beginning: bytes kept from an earlier run are of
    // no use to it, and its own work files go with the run that wrote them.
    if (!record.partialFile.isEmpty())
        QFile::remove(record.partialFile);
    record.partialFile.clear();
    record.keptBytes = 0;
    record.fileBytes = 0;
    if (!newPartialFile(row))
        return;
    DownloadStream->setIdleTimeout(Settings::ExtractorTimeoutMs());
    DownloadStream->setRunOptions(extractorLimitOptions());
    DownloadStream->setConcurrentFragments(Settings::Connections());
    DownloadStream->Start(record.key, ExtractorChannel::ConfiguredProgram(), record.watchPage, record.encoding,
                          record.partialFile, record.recipe);
}

void DownloadQueue::cancelFetch(const QString &key)
{
    // What a transfer in segments has on disk stays with its row, for Start.
    if (const int row = m_records.indexOf(key); row >= 0 && DownloadVid->IsRunning(key))
        m_records.at(row).ranges = DownloadVid->rangesOnDisk(key);
    DownloadVid->CancelDownload(key);
    DownloadStream->CancelDownload(key);
}

QString DownloadQueue::streamFailedCaption(const QString &errorLine)
{
    QString reason = errorLine.trimmed();
    if (reason.startsWith(QLatin1String("ERROR:")))
        reason = reason.mid(6).trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("the video extractor gave no reason.");
    const QString hint = ExtractorAdvice::FailureHint(reason); // signing in, a newer extractor
    if (!hint.isEmpty())
        reason += (reason.endsWith(QLatin1Char('.')) ? QStringLiteral(" ") : QStringLiteral(". ")) + hint;
    return QStringLiteral("Download failed: ") + reason;
}
