// The last step of a download: the whole body takes the row's name, on a worker when that means
// copying it; and the end of a row.
#include "queue/DownloadQueue.h"

#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "queue/DownloadArchive.h"
#include "queue/DownloadNames.h"
#include "queue/FinishedFile.h"
#include "queue/ProgressText.h"

#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <utility>

void DownloadQueue::saveBody(int row, const QString &partial, std::shared_ptr<QFile> handle, qint64 size)
{
    DownloadRecord &record = m_records.at(row);
    FinishedFile::Job job;
    job.partial = partial;
    job.handle = std::move(handle);
    job.expectedSize = size;
    job.folder = rowFolder(record).trimmed().isEmpty() ? QString() : rowFolder(record);
    // The name is read now, so a rename made during the transfer decides the name on disk.
    job.name = DownloadNames::Safe(record.fileName, record.videoId, DownloadNames::ExtensionOf(record.fileName));
    job.fallbackName = DownloadNames::Safe(QString(), record.videoId, DownloadNames::ExtensionOf(job.name));
    for (const QString &path : std::as_const(m_savingTargets))
        job.reserved.insert(path);

    job.replaceable = record.replaceable;
    record.placedFrom = partial;
    // Another row's body on its way to the same name takes it first: this one is numbered.
    QString target;
    if (!job.folder.isEmpty()) {
        const auto savingThere = [&job](const QString &path) { return job.reserved.contains(DownloadNames::PathKey(path)); };
        target = DownloadNames::PathKey(modFunctions::WithSeparator(job.folder) + job.name);
        if (savingThere(target)) {
            job.name = DownloadNames::UniqueName(job.folder, job.name, savingThere);
            target = DownloadNames::PathKey(modFunctions::WithSeparator(job.folder) + job.name);
        }
    }

    if (!FinishedFile::NeedsCopy(job)) {
        bodySaved(record.key, FinishedFile::Place(job));
        return;
    }
    // A copy to another file system may take minutes: it runs on a worker while the row says so.
    record.saving = true;
    m_savingTargets.insert(record.key, target);
    endRow(row, StateDownloading, ProgressText::Saving);
    const QString key = record.key;
    m_savers->start([this, key, job] {
        const FinishedFile::Outcome outcome = FinishedFile::Place(job);
        QMetaObject::invokeMethod(this, [this, key, outcome] { bodySaved(key, outcome); },
                                  Qt::QueuedConnection);
    });
}

void DownloadQueue::bodySaved(const QString &key, const FinishedFile::Outcome &outcome)
{
    ErrorTrap::run(QStringLiteral("DownloadVid_Complete"), QStringLiteral("Form frmMain"), [&] {
        m_savingTargets.remove(key);
        const int row = m_records.indexOf(key);
        const QString folder = row >= 0 ? rowFolder(m_records.at(row)) : savePath();
        showFreeSpace(folder.trimmed().isEmpty() ? QFileInfo(outcome.path).absolutePath() : folder);
        if (row < 0)
            return; // removed meanwhile: its file stays, as the files of removed rows do
        DownloadRecord &record = m_records.at(row);
        record.saving = false;
        const QString placedFrom = std::exchange(record.placedFrom, QString());
        if (outcome.placed)
            FinishedFile::PlaceSideFiles(placedFrom, outcome.path);
        else
            for (const QString &side : FinishedFile::SideFiles(placedFrom))
                QFile::remove(side);
        if (!outcome.placed) {
            // Still a whole body: it stays in its partial file, which Start finds whole.
            record.partialFile = outcome.path;
            keepPartial(record);
            endRow(row, StateError, outcome.path.isEmpty() ? ProgressText::SaveError
                                                           : ProgressText::KeptAs(outcome.path));
            return;
        }
        record.finishedFile = outcome.path;
        record.fileBytes = QFileInfo(outcome.path).size();
        const QFileInfo info(outcome.path);
        if (info.fileName() != record.fileName)
            setRowFileName(row, info.fileName());
        const QString lacking = ProgressText::MissingSubtitles(record.missingLanguages);
        if (!outcome.renamed) {
            endRow(row, StateDownloaded, ProgressText::Downloaded + lacking);
            return;
        }
        // Saved, but not where the row said: the whole path when it is not in the save folder.
        const bool inSaveFolder = DownloadNames::PathKey(info.absolutePath()) == DownloadNames::PathKey(folder);
        endRow(row, StateDownloaded, ProgressText::SavedAs(inSaveFolder ? info.fileName() : outcome.path) + lacking);
    });
}

void DownloadQueue::endRow(int row, int state, const QString &caption)
{
    DownloadRecord &record = m_records.at(row);
    record.caption = caption;
    setRowState(row, state);
    Q_EMIT rowChanged(row);
    rowsChanged();
    // The archive knows the video from now on, also when the list is closed before the next line.
    if (state == StateDownloaded && !record.archiveLine.isEmpty() && !DownloadArchive(archivePath()).add(record.archiveLine))
        qWarning("The download archive %s is not written", qPrintable(archivePath()));
    if (state == StateDownloaded || state == StateError) {
        const QString folder = !record.finishedFile.isEmpty() ? QFileInfo(record.finishedFile).absolutePath()
                               : !record.partialFile.isEmpty() ? QFileInfo(record.partialFile).absolutePath()
                                                               : rowFolder(record);
        Q_EMIT downloadEnded(record.fileName, caption, folder, state == StateDownloaded);
    }
}
