#pragma once

#include "queue/FinishedFile.h"
#include "queue/RowSpeedMeter.h"
#include "transfer/ByteRanges.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QFile;

// The state of a download row, shown as the row's small icon.
enum DownloadState : int {
    StateDownloading = 1,
    StateDownloaded = 2,
    StateStopped = 3,
    StateError = 4,
    StateQueued = 5, // waits for a free place among the rows that download at once
};

// One row of the download list. The key is the media address, which is also the transfer's key,
// so a row and its transfer find each other by address alone, never by position.
struct DownloadRecord
{
    QString key;                  // media address, unique in the list
    QString fileName;             // name of the target file inside the save folder
    int state = StateDownloading; // DownloadState
    QString caption;              // the text drawn on the row's bar (empty until the first report)
    qint64 bytes = 0;             // bytes received by the running transfer; 0 when not running
    QString videoId;              // names the file when the title leaves no usable name

    // Where the row came from, and what it needs to be asked for again.
    QString watchPage;
    QString encoding;
    QDateTime added;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool byExtractor = false; // fetched by running the extractor on watchPage for encoding
    QStringList recipe;       // or with a recipe's options (DownloadChoice)
    QString presetName;
    QStringList missingLanguages; // of the recipe's subtitles, named in the end caption
    QString folder;           // where its files go; empty: the list's save folder (read when needed)
    QString archiveLine;      // what the download archive gets when it finishes ("extractor id")

    // The transfer writes to this hidden file beside the target; it is moved to the row's name
    // only once the whole body has arrived. Stop, a failure and closing keep it, so that Start
    // continues from its bytes; Remove deletes it.
    QString partialFile;
    // A read handle on the partial file that keeps its content reachable even when its folder is
    // removed while the transfer runs.
    std::shared_ptr<QFile> partialHandle;
    QString finishedFile;          // where the whole video went (state 2)
    TransferValidators validators; // what the server said about the bytes in the partial file
    qint64 fileBytes = 0;          // bytes of the file on disk (partial or finished), for the journal
    // The partial file was written in segments: the bytes of it on disk when its transfer last
    // stopped or ended (a running transfer knows its own: Downloader::rangesOnDisk). No value:
    // the file holds its bytes from the start.
    std::optional<ByteRanges> ranges;
    qint64 keptBytes = 0;          // bytes the running transfer continues from
    bool restarted = false;        // a continuation was asked for, but the file starts again from zero
    int retries = 0;               // retries of the current run after transient failures
    qint64 retryAtMs = 0;          // when a waiting row tries again; 0 when not waiting
    QString retryReason;           // why it waits
    RowSpeedMeter speed;
    qint64 lastDrawMs = 0;        // when a bar of unknown size was last redrawn
    // The file the user chose to overwrite with this row ("Download and overwrite", or a rename
    // onto its name), as it was then: only that file is replaced when the row finishes. Any other
    // file under the row's name, or that file changed since, makes the row take a numbered name.
    FinishedFile::Stamp replaceable;
    bool saving = false;          // the whole body is being put in place (possibly a long copy)
    QString placedFrom;           // the partial file it came from: the extractor's subtitles beside it follow
};
