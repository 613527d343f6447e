// Rows that the video extractor fetches: HLS and DASH streams, and video and audio merged.
#include "downloads/DownloadPanel.h"

#include "app/Settings.h"
#include "extractor/ExtractorDownloads.h"
#include "transfer/Downloader.h"

#include <QFile>

void DownloadPanel::startStream(int row)
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
    DownloadStream->Start(record.key, Settings::ExtractorProgram(), record.watchPage, record.encoding, record.partialFile);
}

void DownloadPanel::cancelFetch(const QString &key)
{
    DownloadVid->CancelDownload(key);
    DownloadStream->CancelDownload(key);
}

QString DownloadPanel::streamFailedCaption(const QString &errorLine)
{
    QString reason = errorLine.trimmed();
    if (reason.startsWith(QLatin1String("ERROR:")))
        reason = reason.mid(6).trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("the video extractor gave no reason.");
    return QStringLiteral("Download failed: ") + reason;
}
