#pragma once

#include <QString>
#include <memory>

class QFile;

// The state of a download row, shown as the row's small icon.
enum DownloadState : int {
    StateDownloading = 1,
    StateDownloaded = 2,
    StateStopped = 3,
    StateError = 4,
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

    // The running transfer writes to this hidden file beside the target; it is moved to the
    // row's name only once the whole body has arrived.
    QString partialFile;
    // A read handle on the partial file that keeps its content reachable even when its folder is
    // removed while the transfer runs.
    std::shared_ptr<QFile> partialHandle;
    qint64 lastDrawMs = 0;        // when a bar of unknown size was last redrawn
    // When the row's name was chosen (added or renamed), on the list's own clock: a file that
    // another row of the list wrote later under the same name is not replaced.
    quint64 nameChosen = 0;
    bool saving = false;          // the whole body is being put in place (possibly a long copy)
};
