// Adding a download, starting and continuing its transfer, its progress and its end.
#include "queue/DownloadQueue.h"

#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "base/UiSeam.h"
#include "queue/DownloadNames.h"
#include "queue/ProgressText.h"
#include "transfer/Downloader.h"
#include "transfer/RetryPolicy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A bar of unknown size is redrawn at most this often; its block moves on its own meanwhile.
constexpr qint64 UnknownSizeRedrawMs = 250;
// What must stay free beside the rest of a video.
constexpr qint64 FreeSpaceMargin = 8 * 1024 * 1024;

} // namespace

bool DownloadQueue::mayAdd(const DownloadChoice &choice)
{
    if (m_records.count() >= m_listRows) {
        UiSeam::messageBox(QStringLiteral("Sorry, but you can do a maximum of %1 simultaneous downloads. ").arg(m_listRows)
                               + QStringLiteral("\r\n\r\n")
                               + QStringLiteral("Remove downloaded videos from the list first, then you can add new ones. "),
                           UiSeam::Exclamation);
        return false;
    }
    if (choice.mediaAddress.isEmpty())
        return false; // no encoding selected
    if (m_records.indexOf(choice.mediaAddress) >= 0) {
        UiSeam::messageBox(QStringLiteral("You are already downloading this video! "), UiSeam::Exclamation);
        return false;
    }
    return true;
}

bool DownloadQueue::add(const DownloadChoice &choice, const QString &fileName, const FinishedFile::Stamp &replaceable)
{
    if (m_records.count() >= m_listRows || choice.mediaAddress.isEmpty()
        || m_records.indexOf(choice.mediaAddress) >= 0)
        return false;
    return addRow(choice, fileName, true, replaceable);
}

bool DownloadQueue::appendRow(const DownloadChoice &choice, const QString &fileName)
{
    if (m_records.count() >= m_listRows || choice.mediaAddress.isEmpty()
        || m_records.indexOf(choice.mediaAddress) >= 0)
        return false;
    return addRow(choice, DownloadNames::Safe(fileName, choice.videoId, DownloadNames::ExtensionOf(fileName)), false);
}

bool DownloadQueue::addRow(const DownloadChoice &choice, const QString &fileName, bool start,
                           const FinishedFile::Stamp &replaceable)
{
    DownloadRecord record;
    record.key = choice.mediaAddress;
    record.fileName = fileName;
    // A row added behind rows that wait, or with no place free, waits too.
    const bool queued = start && (!hasPlace() || m_records.anyInState(StateQueued));
    record.state = queued ? StateQueued : StateDownloading;
    record.videoId = choice.videoId;
    record.watchPage = choice.watchPage;
    record.encoding = choice.encoding;
    record.headers = choice.headers;
    record.byExtractor = choice.byExtractor;
    record.recipe = choice.byExtractor ? choice.recipe : QStringList();
    record.presetName = choice.presetName;
    record.missingLanguages = choice.missingLanguages;
    record.folder = choice.folder;
    record.archiveLine = choice.archiveLine;
    record.added = QDateTime::currentDateTimeUtc();
    record.replaceable = replaceable;
    record.caption = queued ? ProgressText::Queued : ProgressText::Starting;
    insertRow(record);

    // Pending events have run meanwhile: the row is found again by its key.
    const int row = m_records.indexOf(choice.mediaAddress);
    if (row < 0)
        return false;
    Q_EMIT rowChanged(row);
    rowsChanged();
    if (queued)
        scheduleWaiting(); // a place may be free for the rows before it
    else if (start)
        startTransfer(row);
    return true;
}

void DownloadQueue::insertRow(const DownloadRecord &record)
{
    m_records.append(record);
    Q_EMIT rowInserted(m_records.count() - 1);
    queueChanged();
}

QString DownloadQueue::rowFolder(const DownloadRecord &record) const
{
    return record.folder.isEmpty() ? savePath() : record.folder;
}

void DownloadQueue::startTransfer(int row, bool retry)
{
    DownloadRecord &record = m_records.at(row);
    cancelFetch(record.key);
    cancelRetry(record);
    closeHandle(record);
    // The row's bytes leave the total: never measured as negative traffic.
    if (record.bytes != 0)
        m_speed.SpeedBaselineReset = true;
    record.bytes = 0;
    record.lastDrawMs = 0;
    record.restarted = false;
    record.speed.reset();
    if (!retry)
        record.retries = 0;
    if (record.byExtractor) {
        startStream(row);
        return;
    }

    // The bytes kept from before, or a new partial file in the save folder.
    if ((record.partialFile.isEmpty() || !QFileInfo(record.partialFile).isFile()) && !newPartialFile(row))
        return;
    TransferRequest request;
    request.url = record.key;
    request.cacheMode = Downloader::ForceUpdate;
    request.targetFile = record.partialFile;
    request.headers = record.headers;
    request.connections = Settings::Connections();
    const qint64 size = QFileInfo(record.partialFile).isFile() ? QFileInfo(record.partialFile).size() : 0;
    request.resumeFrom = size;
    request.keptRanges = record.ranges; // a file written in segments holds these bytes, not its length
    request.validators = record.validators;
    const qint64 kept = record.ranges ? record.ranges->clippedTo(size).bytes() : size;
    // Continued only with a proof that it is the same file; otherwise it starts from zero.
    record.keptBytes = record.validators.canProveResume() ? kept : 0;
    record.fileBytes = kept;
    if (!fitsOnDisk(row, record.validators.total, kept))
        return;
    DownloadVid->Start(request);
    auto handle = std::make_shared<QFile>(record.partialFile);
    if (handle->open(QIODevice::ReadOnly))
        record.partialHandle = handle;
}

bool DownloadQueue::newPartialFile(int row)
{
    DownloadRecord &record = m_records.at(row);
    const QString folder = rowFolder(record);
    if (folder.trimmed().isEmpty()) {
        endRow(row, StateError, ProgressText::SaveError);
        return false;
    }
    modFunctions::EnsureFolder(folder);
    record.partialFile = modFunctions::WithSeparator(folder) + DownloadNames::PartialFileName(record.key);
    record.validators = TransferValidators();
    record.ranges.reset();
    return true;
}

bool DownloadQueue::fitsOnDisk(int row, qint64 total, qint64 kept)
{
    DownloadRecord &record = m_records.at(row);
    if (total < 0)
        return true;
    const qint64 needed = total - kept;
    const qint64 free = modFunctions::FreeBytes(QFileInfo(record.partialFile).absolutePath());
    // 0: the free space cannot be found out; a write that fails says why later.
    if (needed <= 0 || free <= 0 || needed + FreeSpaceMargin <= free)
        return true;
    cancelFetch(record.key);
    closeHandle(record);
    keepPartial(record);
    m_records.setPercent(row, 0);
    record.bytes = 0;
    m_speed.SpeedBaselineReset = true;
    endRow(row, StateError, ProgressText::NoSpaceCaption(needed, free));
    return false;
}

void DownloadQueue::onAnswered(const QString &URL, const QString &Key, const TransferAnswer &answer)
{
    Q_UNUSED(URL);
    const int row = m_records.indexOf(Key);
    if (row < 0)
        return;
    DownloadRecord &record = m_records.at(row);
    // The validators are kept at once with the bytes they vouch for: a crash a moment later
    // still leaves a partial file that can be continued.
    record.validators = answer.validators;
    record.keptBytes = answer.keptBytes;
    record.fileBytes = answer.keptBytes;
    record.restarted = answer.restarted;
    if (!fitsOnDisk(row, answer.validators.total, answer.keptBytes))
        return;
    rowsChanged();
}

void DownloadQueue::reportProgress(const QString &key, qint64 done, qint64 total)
{
    onProgress(key, key, done, total, 0);
}

void DownloadQueue::onProgress(const QString &URL, const QString &Key, qint64 BytesDone,
                                         qint64 BytesTotal, int Status)
{
    Q_UNUSED(URL);
    Q_UNUSED(Status);
    const int row = m_records.indexOf(Key);
    if (row < 0)
        return;
    DownloadRecord &record = m_records.at(row);
    // The speed counts what this transfer received; the kept bytes arrived before.
    record.bytes = std::max<qint64>(0, BytesDone - record.keptBytes);
    record.fileBytes = BytesDone;
    bytesChanged();

    if (BytesTotal <= 0) {
        // No size announced: the megabytes so far and a moving block instead of a percentage.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (m_records.percent(row) < 0 && now - record.lastDrawMs < UnknownSizeRedrawMs)
            return;
        record.lastDrawMs = now;
        m_records.setPercent(row, -1);
        record.caption = ProgressText::DownloadingCaption(BytesDone);
        Q_EMIT rowChanged(row);
        return;
    }

    qint64 percent = ProgressText::Percent(BytesDone, BytesTotal);
    // The extractor's file is final only when its run has ended (it joins, converts, embeds).
    if (record.byExtractor)
        percent = std::min<qint64>(percent, 99);
    if (percent == m_records.percent(row))
        return; // the bar already shows this percentage
    m_records.setPercent(row, percent);
    record.caption = record.restarted ? ProgressText::RestartedCaption(BytesDone, BytesTotal, percent)
                                      : ProgressText::DownloadingCaption(BytesDone, BytesTotal, percent);
    Q_EMIT rowChanged(row);
}

void DownloadQueue::onStep(const QString &Key, const QString &caption)
{
    const int row = m_records.indexOf(Key);
    if (row < 0 || m_records.at(row).state != StateDownloading)
        return;
    m_records.at(row).caption = caption;
    Q_EMIT rowChanged(row);
}

void DownloadQueue::onMade(const QString &Key, const QString &suffix)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,5}$"));
    const int row = m_records.indexOf(Key);
    if (row < 0 || m_records.at(row).recipe.isEmpty() || !plain.match(suffix).hasMatch())
        return;
    const QString name = m_records.at(row).fileName;
    const QString extension = DownloadNames::ExtensionOf(name);
    if (extension.compare(QLatin1Char('.') + suffix, Qt::CaseInsensitive) != 0)
        setRowFileName(row, name.left(name.size() - extension.size()) + QLatin1Char('.') + suffix.toLower());
}

void DownloadQueue::onComplete(const QString &URL, const QByteArray &data, const QString &Key,
                                         const TransferResult &result)
{
    Q_UNUSED(URL);
    Q_UNUSED(data); // the body is in the partial file
    ErrorTrap::run(QStringLiteral("DownloadVid_Complete"), QStringLiteral("Form frmMain"), [&] {
        const int row = m_records.indexOf(Key);
        if (row < 0)
            return; // removed: its partial file went with it
        DownloadRecord &record = m_records.at(row);
        std::shared_ptr<QFile> handle = std::move(record.partialHandle);
        record.partialHandle.reset();
        m_records.setPercent(row, 0);
        record.bytes = 0;
        record.speed.reset();
        m_speed.SpeedBaselineReset = true;

        if (ProgressText::IsWholeFile(result)) {
            record.ranges.reset(); // whole: its bytes run from the start
            const QString partial = record.partialFile;
            record.partialFile.clear();
            saveBody(row, partial, std::move(handle), result.fileBytes());
            return;
        }
        if (handle)
            handle->close();
        failRow(row, result);
    });
}

void DownloadQueue::failRow(int row, const TransferResult &result)
{
    DownloadRecord &record = m_records.at(row);
    if (!record.byExtractor) {
        record.validators = result.validators; // those of the bytes now on disk
        record.ranges = result.ranges;
    }
    keepPartial(record);
    if (record.byExtractor) {
        // The extractor tries again by itself where that helps; its last error line says why.
        showFreeSpace(rowFolder(record));
        endRow(row, StateError, streamFailedCaption(result.errorText));
        return;
    }
    const RetryPolicy::Decision next = RetryPolicy::next(result, record.retries);
    if (next.retry) {
        retryLater(row, result, next.retryNumber, next.delayMs);
        return;
    }
    showFreeSpace(rowFolder(record));
    // A continuation refused as forbidden or gone: the signed address of the video has expired.
    const bool expired = record.keptBytes > 0 && (result.httpStatus == 403 || result.httpStatus == 410);
    endRow(row, StateError, expired ? ProgressText::ExpiredCaption() : ProgressText::FailedCaption(result));
}

void DownloadQueue::closeHandle(DownloadRecord &record)
{
    if (record.partialHandle) {
        record.partialHandle->close();
        record.partialHandle.reset();
    }
}

void DownloadQueue::keepPartial(DownloadRecord &record)
{
    const QFileInfo partial(record.partialFile);
    const qint64 size = partial.isFile() ? partial.size() : 0;
    record.fileBytes = record.ranges ? record.ranges->clippedTo(size).bytes() : size;
    // An empty file keeps nothing worth continuing.
    if (!record.partialFile.isEmpty() && record.fileBytes == 0) {
        QFile::remove(record.partialFile);
        record.partialFile.clear();
        record.ranges.reset();
    }
}

void DownloadQueue::dropPartial(DownloadRecord &record)
{
    closeHandle(record);
    if (!record.partialFile.isEmpty()) {
        for (const QString &side : FinishedFile::SideFiles(record.partialFile))
            QFile::remove(side);
        QFile::remove(record.partialFile);
        record.partialFile.clear();
    }
    record.fileBytes = 0;
    record.validators = TransferValidators();
    record.ranges.reset();
}

void DownloadQueue::endRow(const QString &key, int state, const QString &caption)
{
    const int row = m_records.indexOf(key);
    if (row >= 0)
        endRow(row, state, caption);
}
