#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class QFile;

// The last step of a download: the finished partial file takes the row's name.
namespace FinishedFile {

// A file as it was when the user said it may be replaced: where it was, its size and when it last
// changed. Only that same file is replaced; one that changed since, or another one that took its
// place, is not.
struct Stamp
{
    QString path; // as DownloadNames::PathKey gives it
    qint64 size = -1;
    qint64 modifiedMs = 0;

    static Stamp of(const QString &path); // size -1 when there is no file
    bool operator==(const Stamp &) const = default;
};

// Moves partial to target, but only when partial holds exactly expectedSize bytes. An existing
// target is replaced only when `replace` is set, and then by a single rename, so target is either
// the old file or the whole new one, never a mixture; otherwise a target that exists (or appears
// at the last moment) is left alone and the move fails. When partial's path has vanished (its folder was removed
// while the transfer ran), the content is copied from `handle`, a read handle opened on it earlier.
// Across file systems the content is copied beside the target first and renamed there.
// A partial file of the wrong size is removed; any other failure keeps it. On failure target is
// untouched and *error says why.
bool MoveIntoPlace(const QString &partial, QFile *handle, const QString &target, qint64 expectedSize,
                   QString *error, bool replace = false);

// Everything the last step needs, as plain values, so that it can run on a worker thread.
struct Job
{
    QString partial;               // the hidden file the body was written to
    std::shared_ptr<QFile> handle; // a read handle opened on it when the transfer began
    qint64 expectedSize = 0;
    QString folder;                // the save folder now; created when it is missing
    QString name;                  // the row's name
    Stamp replaceable;             // the file the user chose to overwrite (size -1: none)
    QString fallbackName;          // a plain name of the video's own, for when the row's name fails
    QSet<QString> reserved;        // paths that other rows are about to take
};

struct Outcome
{
    bool placed = false;
    QString path;         // where the body is now; empty when it was refused (wrong size)
    bool renamed = false; // placed, but not as folder/name
    QString error;        // why the row's own name failed, or why nothing worked
};

// True when placing the body means copying it (another file system, or the partial file's path
// has vanished): that may take long and belongs on a worker thread.
bool NeedsCopy(const Job &job);

// Puts a whole body in place: as folder/name, replacing a file there only when it is still the one
// the user chose to overwrite; when that name is taken or fails, under a free numbered name, then
// under the fallback name, first in the save folder and then in the partial file's own folder. A
// body of the wrong size is removed; a whole body is never thrown away: when no name works it
// stays where it is.
Outcome Place(const Job &job);

// The files the extractor left beside partial (its subtitles, "PARTIAL.en.srt") take the name of
// the finished file with their own ending ("Title.en.srt" beside "Title.mp3"), or a free numbered
// one; never replacing a file. What cannot be placed is removed. The paths placed, in order.
QStringList PlaceSideFiles(const QString &partial, const QString &finished);
// The files beside partial of that kind (DownloadNames::IsSideFileName).
QStringList SideFiles(const QString &partial);

} // namespace FinishedFile
