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
        const std::shared_ptr<QFile> handle = std::move(record.partialHandle);
        record.partialHandle.reset();
        record.partialFile.clear();
        m_records.setPercent(row, 0);
        record.bytes = 0;
        m_speed.SpeedBaselineReset = true;

        const QString folder = savePath();
        int state = StateError;
        QString caption;
        if (!ProgressText::IsWholeFile(result)) {
            // Nothing of a failed transfer reaches the target's name.
            QFile::remove(partial);
            caption = ProgressText::FailedCaption(result);
        } else if (folder.trimmed().isEmpty() || !modFunctions::EnsureFolder(folder)) {
            QFile::remove(partial);
            caption = ProgressText::SaveError;
        } else {
            // The name is read now, so a rename made during the transfer decides the name on disk.
            QString name = DownloadNames::Safe(record.fileName, record.videoId, extensionOf(record.fileName));
            QString target = modFunctions::WithSeparator(folder) + name;
            const QString writer = m_finishedFiles.value(absoluteKey(target));
            if (!writer.isEmpty() && writer != record.key && QFileInfo::exists(target)) {
                // Another row of this list finished under the same name: keep its file.
                name = modFunctions::GetUniqueFileName(folder, name);
                target = modFunctions::WithSeparator(folder) + name;
            }
            if (name != record.fileName)
                setRowFileName(row, name);
            QString error;
            if (FinishedFile::MoveIntoPlace(partial, handle.get(), target, result.bytesReceived, &error)) {
                state = StateDownloaded;
                caption = ProgressText::Downloaded;
                m_finishedFiles.insert(absoluteKey(target), record.key);
            } else {
                caption = ProgressText::SaveError;
            }
        }
        if (handle)
            handle->close();

        showFreeSpace(folder);
        record.caption = caption;
        setRowState(row, state);
        qint64 value = 0;
        UpdateProgbar(row, caption, 100, value);
    });
}

void DownloadPanel::Timer1_Timer()
{
    const qint64 average = m_speed.Tick(m_records.totalBytes());
    m_speedText = ProgressText::SpeedText(average);
    Q_EMIT speedTextChanged(m_speedText);
}
