// The list across runs of the program: the journal written on every change and read at start-up,
// and the partial files no row refers to any more.
#include "queue/DownloadQueue.h"

#include "base/FileHelpers.h"
#include "base/UiSeam.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "queue/JournalWriter.h"
#include "queue/ProgressText.h"
#include "transfer/Downloader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrlQuery>

#include <utility>

namespace {

QString defaultCaption(int state)
{
    switch (state) {
    case StateDownloaded:
        return ProgressText::Downloaded;
    case StateStopped:
        return ProgressText::Stopped;
    case StateError:
        return ProgressText::SaveError;
    case StateQueued:
        return ProgressText::Queued;
    default:
        return ProgressText::Starting;
    }
}

constexpr qsizetype MaxCaption = 1000;

// Only web addresses are kept: anything else could not be asked for again anyway.
bool isWebAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// The video's identifier from its watch page ("...watch?v=ID"), for names of last resort.
QString videoIdOf(const QString &watchPage)
{
    return QUrlQuery(QUrl(watchPage)).queryItemValue(QStringLiteral("v"));
}

} // namespace

void DownloadQueue::openJournal(const QString &path)
{
    if (m_journal)
        return;
    m_journal = std::make_unique<DownloadJournal>(path.isEmpty() ? DownloadJournal::defaultPath() : path);
    const DownloadJournal::Loaded loaded = m_journal->load();
    switch (loaded.outcome) {
    case DownloadJournal::Loaded::SetAside:
        UiSeam::messageBox(QStringLiteral("The list of downloads could not be read (%1). ").arg(loaded.reason)
                               + QStringLiteral("\r\n")
                               + (loaded.setAsidePath.isEmpty()
                                      ? QStringLiteral("It is left as it is and the list starts empty. ")
                                      : QStringLiteral("It has been kept as %1 and the list starts empty. ")
                                            .arg(QDir::toNativeSeparators(loaded.setAsidePath))),
                           UiSeam::Exclamation);
        break;
    case DownloadJournal::Loaded::Newer:
        UiSeam::messageBox(QStringLiteral("The list of downloads was written by a newer version of Clipvault. ")
                               + QStringLiteral("\r\n")
                               + QStringLiteral("It is left as it is; the downloads of this session are not kept in it. "),
                           UiSeam::Exclamation);
        break;
    default:
        break;
    }

    QStringList folders{savePath()};
    for (const JournalRow &row : loaded.rows) {
        restoreRow(row);
        folders << row.saveFolder;
    }
    // A journal that could not be read may still name partial files: they stay, at this start and
    // at every later one while that journal is kept beside the list.
    if ((loaded.outcome == DownloadJournal::Loaded::Missing || loaded.outcome == DownloadJournal::Loaded::Read)
        && m_journal->setAsideJournals().isEmpty())
        removeOrphans(folders);

    m_journalWriter = new JournalWriter(m_journal.get(), [this] { return journalRows(); }, this);
    connect(m_journalWriter, &JournalWriter::saveFailed, this, [warned = false](const QString &reason) mutable {
        if (!std::exchange(warned, true))
            qWarning("The list of downloads is not written: %s", qPrintable(reason));
    });
    // Rows that were downloading when the program ended continue by themselves, as many as may
    // download at once (in list order); the rest wait, behind or among the rows that waited.
    const Batch batch(*this);
    int continued = 0;
    for (int row = 0; row < m_records.count(); ++row) {
        if (m_records.at(row).state != StateDownloading)
            continue;
        if (m_simultaneous <= 0 || continued < m_simultaneous) {
            ++continued;
            startTransfer(row);
        } else {
            endRow(row, StateQueued, ProgressText::Queued);
        }
    }
    startWaiting();
    rowsChanged();
}

void DownloadQueue::restoreRow(const JournalRow &row)
{
    if (m_records.count() >= DownloadJournal::MaxRows || m_records.indexOf(row.mediaAddress) >= 0)
        return;
    DownloadRecord record;
    record.key = row.mediaAddress;
    record.fileName = row.fileName;
    record.state = row.state;
    record.caption = row.state == StateDownloading || row.state == StateQueued || row.caption.isEmpty()
                         ? defaultCaption(row.state)
                         : row.caption;
    record.watchPage = row.watchPage;
    record.videoId = videoIdOf(row.watchPage);
    record.encoding = row.encoding;
    record.added = row.added;
    record.headers = row.headers;
    record.byExtractor = row.byExtractor;
    record.recipe = row.recipe;
    record.presetName = row.presetName;
    record.missingLanguages = row.missingLanguages;
    record.validators = row.validators();
    record.fileBytes = row.bytes;
    record.archiveLine = row.archiveLine;
    // A row of a folder of its own keeps it; one of the list's save folder follows that folder.
    if (DownloadNames::PathKey(row.saveFolder) != DownloadNames::PathKey(savePath()))
        record.folder = row.saveFolder;
    record.ranges = row.ranges;
    const QString folder = modFunctions::WithSeparator(row.saveFolder);
    if (row.state == StateDownloaded) {
        record.finishedFile = folder + row.fileName;
    } else if (QFileInfo(folder + DownloadNames::PartialFileName(row.mediaAddress)).isFile()) {
        record.partialFile = folder + DownloadNames::PartialFileName(row.mediaAddress);
    }
    insertRow(record);
    const int at = m_records.indexOf(record.key);
    if (at >= 0)
        Q_EMIT rowChanged(at);
}

void DownloadQueue::removeOrphans(const QStringList &folders)
{
    QSet<QString> kept;
    for (int row = 0; row < m_records.count(); ++row)
        if (!m_records.at(row).partialFile.isEmpty())
            kept.insert(DownloadNames::PathKey(m_records.at(row).partialFile));
    QSet<QString> seen;
    for (const QString &folder : folders) {
        if (folder.trimmed().isEmpty() || seen.contains(DownloadNames::PathKey(folder)))
            continue;
        seen.insert(DownloadNames::PathKey(folder));
        const QDir dir(folder);
        // Only the program's own hidden pattern: nothing else in the folder is touched.
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const QString path = dir.filePath(name);
            if (DownloadNames::IsPartialFileName(name) && !kept.contains(DownloadNames::PathKey(path)))
                QFile::remove(path);
            else if (DownloadNames::IsSideFileName(name)) // left by a body that was being put in place
                QFile::remove(path);
        }
        // The extractor's work folders: no run is on its way yet, so each one is what a crash left.
        for (const QFileInfo &work : dir.entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (DownloadNames::IsWorkFolderName(work.fileName()) && !work.isSymLink())
                QDir(work.absoluteFilePath()).removeRecursively();
        }
    }
}

QList<JournalRow> DownloadQueue::journalRows() const
{
    QList<JournalRow> rows;
    for (int row = 0; row < m_records.count(); ++row) {
        const DownloadRecord &record = m_records.at(row);
        if (!isWebAddress(record.key))
            continue;
        JournalRow out;
        out.mediaAddress = record.key;
        out.fileName = record.fileName;
        const QString file = !record.finishedFile.isEmpty() ? record.finishedFile : record.partialFile;
        out.saveFolder = !file.isEmpty() ? QFileInfo(file).absolutePath() : rowFolder(record);
        if (out.saveFolder.trimmed().isEmpty())
            out.saveFolder = QDir::homePath();
        // A body on its way into place is still the row's download.
        out.state = record.saving ? StateDownloading : record.state;
        out.total = record.validators.total;
        out.bytes = out.total >= 0 ? std::min(record.fileBytes, out.total) : record.fileBytes;
        // Bytes written in segments: those on disk now, as the reader takes them (inside the
        // total, at most MaxRanges spans: fewer bytes are claimed, never more).
        out.ranges = DownloadVid->IsRunning(record.key) ? DownloadVid->rangesOnDisk(record.key) : record.ranges;
        if (out.ranges) {
            const QList<ByteRanges::Span> spans = out.ranges->clippedTo(std::max<qint64>(out.total, 0)).spans();
            out.ranges = ByteRanges::fromSpans(spans.mid(0, DownloadJournal::MaxRanges));
            out.bytes = out.ranges->bytes();
        }
        out.etag = record.validators.etag;
        out.lastModified = record.validators.lastModified;
        out.lastModifiedStrong = record.validators.lastModifiedStrong;
        out.watchPage = isWebAddress(record.watchPage) ? record.watchPage : QString();
        out.encoding = record.encoding;
        out.added = record.added.isValid() ? record.added : QDateTime::currentDateTimeUtc();
        out.caption = record.caption.left(MaxCaption); // an error line may be long; the journal stays small
        out.headers = record.headers;
        out.byExtractor = record.byExtractor;
        out.recipe = record.recipe;
        out.presetName = record.presetName;
        out.missingLanguages = record.missingLanguages;
        out.archiveLine = record.archiveLine;
        rows.append(out);
    }
    return rows;
}

void DownloadQueue::rowsChanged()
{
    if (m_batches > 0)
        m_journalDue = true;
    else if (m_journalWriter)
        m_journalWriter->rowsChanged();
}

void DownloadQueue::bytesChanged()
{
    if (m_journalWriter)
        m_journalWriter->bytesChanged();
}
