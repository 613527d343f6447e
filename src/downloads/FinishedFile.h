#pragma once

#include <QString>

class QFile;

// The last step of a download: the finished partial file takes the row's name.
namespace FinishedFile {

// Moves partial to target, replacing whatever target names, but only when partial holds exactly
// expectedSize bytes; the replacement is a single rename, so target is either the old file or the
// whole new one, never a mixture. When partial's path has vanished (its folder was removed while
// the transfer ran), the content is copied from `handle`, a read handle opened on it earlier.
// Across file systems the content is copied beside the target first and renamed there.
// On failure target is untouched, the partial file is gone and *error says why.
bool MoveIntoPlace(const QString &partial, QFile *handle, const QString &target, qint64 expectedSize,
                   QString *error);

} // namespace FinishedFile
