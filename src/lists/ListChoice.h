#pragma once

#include "queue/DownloadChoice.h"
#include "videoinfo/VideoList.h"

#include <QString>
#include <QStringList>

// One choice of quality for a whole list, and what the download list is handed for each entry.
// The extractor reads the entry's page again when its row starts (media addresses expire), and
// picks the format by the choice's format selector then.
namespace ListChoice {

enum Choice { Best = 0, AtMost1080, AtMost720, AtMost480, AudioOnly, Count };

QStringList Captions(); // "Best", "At most 1080p", "At most 720p", "At most 480p", "Audio only"
QString Selector(int choice); // the extractor's format selector; empty for no choice
QString Suffix(int choice);   // ".mp4", or ".m4a" for audio only

// The folder named after the list inside saveFolder, its name cleaned as file names are.
QString FolderFor(const QString &saveFolder, const QString &listTitle);

// The row for one entry: a page to read with the extractor, under a key of its own (the page's
// address with the format in its fragment), the title cleaned for a file name, the archive's
// line for it. folder: where the row saves; empty for the list's save folder.
DownloadChoice For(const VideoListEntry &entry, int choice, const QString &folder);

} // namespace ListChoice
