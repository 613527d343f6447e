// Adding a download, its progress and completion, and the speed display.
#include "downloads/DownloadPanel.h"

#include "app/ErrorTrap.h"
#include "app/FileHelpers.h"
#include "app/UiSeam.h"
#include "dialogs/frmMsgBox.h"
#include "downloads/DownloadNames.h"
#include "downloads/FinishedFile.h"
#include "downloads/ProgressText.h"
#include "downloads/RowProgressBar.h"
#include "image/MenuIcons.h"
#include "transfer/Downloader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QTreeWidget>

namespace {

// A bar of unknown size is redrawn at most this often; its block moves on its own meanwhile.
constexpr qint64 UnknownSizeRedrawMs = 250;

QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString absoluteKey(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void DownloadPanel::cmdDownload_Click(const DownloadChoice &choice)
{
    ErrorTrap::run(QStringLiteral("cmdDownload_Click"), QStringLiteral("Form frmMain"), [&] {
        if (m_records.count() >= DownloadRecords::MaxRows) {
            UiSeam::messageBox(
                QStringLiteral("Sorry, but you can do a maximum of 25 simultaneous downloads. ")
                    + QStringLiteral("\r\n\r\n")
                    + QStringLiteral("Remove downloaded videos from the list first, then you can add new ones. "),
                UiSeam::Exclamation);
            return;
        }
        if (choice.mediaAddress.isEmpty())
            return; // no encoding selected
        if (m_records.indexOf(choice.mediaAddress) >= 0) {
            UiSeam::messageBox(QStringLiteral("You are already downloading this video! "), UiSeam::Exclamation);
            return;
        }

        QString fileName = DownloadNames::Safe(choice.videoTitle + choice.suffix, choice.videoId, choice.suffix);
        if (modFunctions::FileExists(targetPath(fileName))) {
            frmMsgBox dialog(window());
            const int answer = UiSeam::showModal(&dialog, [&dialog] { return dialog.Answer(); });
            if (answer == 2)
                fileName = modFunctions::GetUniqueFileName(savePath(), fileName);
            else if (answer != 1)
                return;
        }
        addRow(choice, fileName);
    });
}

void DownloadPanel::addRow(const DownloadChoice &choice, const QString &fileName)
{
    DownloadRecord record;
    record.key = choice.mediaAddress;
    record.fileName = fileName;
    record.state = StateDownloading;
    record.videoId = choice.videoId;
    record.nameChosen = ++m_clock;
    record.caption = ProgressText::Starting;
    m_records.append(record);

    auto *item = new QTreeWidgetItem;
    item->setText(ColVideo, fileName);
    item->setIcon(ColVideo, MenuIcons::stateIcon(StateDownloading));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    lvwDownloads->addTopLevelItem(item);

    PutProgressBarInListview();

    // Pending events have run meanwhile: the row is found again by its key.
    const int row = m_records.indexOf(choice.mediaAddress);
    if (row < 0)
        return;
    qint64 value = 0;
    UpdateProgbar(row, ProgressText::Starting, 100, value);
    startTransfer(row);
}

void DownloadPanel::startTransfer(int row)
{
    DownloadRecord &record = m_records.at(row);
    DownloadVid->CancelDownload(record.key);
    dropPartial(record);
    // The row's bytes leave the total: never measured as negative traffic.
    if (record.bytes != 0)
        m_speed.SpeedBaselineReset = true;
    record.bytes = 0;
    record.lastDrawMs = 0;

    const QString folder = savePath();
    if (folder.trimmed().isEmpty()) {
        record.caption = ProgressText::SaveError;
        setRowState(row, StateError);
        qint64 value = 0;
        UpdateProgbar(row, record.caption, 100, value);
        return;
    }
    // The body goes to a hidden file beside the target and takes the row's name only once it
    // has arrived whole.
    modFunctions::EnsureFolder(folder);
    record.partialFile = modFunctions::WithSeparator(folder) + DownloadNames::PartialFileName(record.key);
    DownloadVid->Start(record.key, Downloader::ForceUpdate, QString(), record.partialFile);
    auto handle = std::make_shared<QFile>(record.partialFile);
    if (handle->open(QIODevice::ReadOnly))
        record.partialHandle = handle;
}

void DownloadPanel::DownloadVid_Progress(const QString &URL, const QString &Key, qint64 BytesDone,
                                         qint64 BytesTotal, int Status)
{
    Q_UNUSED(URL);
    Q_UNUSED(Status);
    const int row = m_records.indexOf(Key);
    if (row < 0)
        return;
    DownloadRecord &record = m_records.at(row);
    record.bytes = BytesDone;

    if (BytesTotal <= 0) {
        // No size announced: the megabytes so far and a moving block instead of a percentage.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (m_records.percent(row) < 0 && now - record.lastDrawMs < UnknownSizeRedrawMs)
            return;
        record.lastDrawMs = now;
        m_records.setPercent(row, -1);
        record.caption = ProgressText::DownloadingCaption(BytesDone);
        qint64 value = -1;
        UpdateProgbar(row, record.caption, 100, value);
        return;
    }

    const qint64 percent = ProgressText::Percent(BytesDone, BytesTotal);
    if (percent == m_records.percent(row))
        return; // the bar already shows this percentage
    m_records.setPercent(row, percent);
    record.caption = ProgressText::DownloadingCaption(BytesDone, BytesTotal, percent);
    qint64 value = percent;
    UpdateProgbar(row, record.caption, 100, value);
}

void DownloadPanel::DownloadVid_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                         const TransferResult &result)
{
    Q_UNUSED(URL);
    Q_UNUSED(data); // the body is in the partial file
    ErrorTrap::run(QStringLiteral("DownloadVid_Complete"), QStringLiteral("Form frmMain"), [&] {
        const int row = m_records.indexOf(Key);
        if (row < 0) {
            if (!result.targetFile.isEmpty())
                QFile::remove(result.targetFile);
            return;
        }
        DownloadRecord &record = m_records.at(row);
        const QString partial = record.partialFile.isEmpty() ? result.targetFile : record.partialFile;
        std::shared_ptr<QFile> handle = std::move(record.partialHandle);
        record.partialHandle.reset();
        record.partialFile.clear();
        m_records.setPercent(row, 0);
        record.bytes = 0;
        m_speed.SpeedBaselineReset = true;

        if (ProgressText::IsWholeFile(result)) {
            saveBody(row, partial, std::move(handle), result.bytesReceived);
            return;
        }
        // Nothing of a failed transfer reaches the target's name.
        if (handle)
            handle->close();
        QFile::remove(partial);
        showFreeSpace(savePath());
        endRow(row, StateError, ProgressText::FailedCaption(result));
    });
}

void DownloadPanel::saveBody(int row, const QString &partial, std::shared_ptr<QFile> handle, qint64 size)
{
    DownloadRecord &record = m_records.at(row);
    FinishedFile::Job job;
    job.partial = partial;
    job.handle = std::move(handle);
    job.expectedSize = size;
    job.folder = savePath().trimmed().isEmpty() ? QString() : savePath();
    // The name is read now, so a rename made during the transfer decides the name on disk.
    job.name = DownloadNames::Safe(record.fileName, record.videoId, extensionOf(record.fileName));
    job.fallbackName = DownloadNames::Safe(QString(), record.videoId, extensionOf(job.name));
    for (const QString &path : std::as_const(m_savingTargets))
        job.reserved.insert(path);

    QString target;
    if (!job.folder.isEmpty()) {
        const auto savingThere = [&job](const QString &path) { return job.reserved.contains(absoluteKey(path)); };
        target = absoluteKey(modFunctions::WithSeparator(job.folder) + job.name);
        const auto written = m_writtenFiles.constFind(target);
        // Two rows whose names were chosen before either file existed: the later one is numbered.
        // A name chosen while the file was there ("overwrite", a rename) replaces it.
        const bool writtenLater = written != m_writtenFiles.cend() && written->key != record.key
                                  && written->when > record.nameChosen && QFileInfo::exists(target);
        if (writtenLater || savingThere(target)) {
            job.name = DownloadNames::UniqueName(job.folder, job.name, savingThere);
            target = absoluteKey(modFunctions::WithSeparator(job.folder) + job.name);
        }
        m_writtenFiles.insert(target, Written{record.key, ++m_clock});
    }

    if (!FinishedFile::NeedsCopy(job)) {
        bodySaved(record.key, target, FinishedFile::Place(job));
        return;
    }
    // A copy to another file system may take minutes: it runs on a worker while the row says so.
    record.saving = true;
    m_savingTargets.insert(record.key, target);
    endRow(row, StateDownloading, ProgressText::Saving);
    const QString key = record.key;
    m_savers->start([this, key, target, job] {
        const FinishedFile::Outcome outcome = FinishedFile::Place(job);
        QMetaObject::invokeMethod(this, [this, key, target, outcome] { bodySaved(key, target, outcome); },
                                  Qt::QueuedConnection);
    });
}

void DownloadPanel::bodySaved(const QString &key, const QString &target, const FinishedFile::Outcome &outcome)
{
    ErrorTrap::run(QStringLiteral("DownloadVid_Complete"), QStringLiteral("Form frmMain"), [&] {
        m_savingTargets.remove(key);
        const QString placed = outcome.placed ? absoluteKey(outcome.path) : QString();
        if (placed != target && m_writtenFiles.value(target).key == key)
            m_writtenFiles.remove(target);
        if (!placed.isEmpty() && placed != target)
            m_writtenFiles.insert(placed, Written{key, ++m_clock});
        const QString folder = savePath();
        showFreeSpace(folder.trimmed().isEmpty() ? QFileInfo(outcome.path).absolutePath() : folder);

        const int row = m_records.indexOf(key);
        if (row < 0)
            return; // removed meanwhile: its file stays, as the files of removed rows do
        m_records.at(row).saving = false;
        if (!outcome.placed) {
            endRow(row, StateError, outcome.path.isEmpty() ? ProgressText::SaveError
                                                           : ProgressText::KeptAs(outcome.path));
            return;
        }
        const QFileInfo info(outcome.path);
        if (info.fileName() != m_records.at(row).fileName)
            setRowFileName(row, info.fileName());
        if (!outcome.renamed) {
            endRow(row, StateDownloaded, ProgressText::Downloaded);
            return;
        }
        // Saved, but not where the row said: the whole path when it is not in the save folder.
        const bool inSaveFolder = absoluteKey(info.absolutePath()) == absoluteKey(folder);
        endRow(row, StateDownloaded, ProgressText::SavedAs(inSaveFolder ? info.fileName() : outcome.path));
    });
}

void DownloadPanel::endRow(int row, int state, const QString &caption)
{
    m_records.at(row).caption = caption;
    setRowState(row, state);
    qint64 value = 0;
    UpdateProgbar(row, caption, 100, value);
}

void DownloadPanel::Timer1_Timer()
{
    const qint64 average = m_speed.Tick(m_records.totalBytes());
    m_speedText = ProgressText::SpeedText(average);
    Q_EMIT speedTextChanged(m_speedText);
}
