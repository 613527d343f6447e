#pragma once

#include "extractor/ExtractorChannel.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The fetched copies of a channel on disk: <data>/extractor/<channel>/yt-dlp (in use) and
// yt-dlp.previous (what "Roll back" brings back), each with its version in NAME.version beside
// it. Files are replaced by rename only, so a copy in use is always whole; a file being fetched
// is named .fetch-XXXXXX and is never run before it is proven.
namespace InstalledCopies {

// Makes the channel's folder (and <data>/extractor) with mode 0700; false with *error set when
// it cannot be made or is not a plain folder of ours.
bool PrepareFolder(ExtractorChannel::Channel channel, QString *error);
// Takes the channel's lock (an exclusive flock on its folder's .lock), so that one update at a
// time, in any copy of the program, fetches into and installs in it. The descriptor to hand to
// Unlock, or -1 when another holds the lock or it cannot be taken.
int Lock(ExtractorChannel::Channel channel);
void Unlock(int lock);
// A new name for a file being fetched into the channel's folder (nothing is made yet).
QString NewFetchPath(ExtractorChannel::Channel channel);
// Removes what fetches that never ended (the program was killed) left in the channel's folder;
// only while holding its lock.
void RemoveLeftovers(ExtractorChannel::Channel channel);

// The lower-case hex SHA-256 of a file; empty when it cannot be read.
QByteArray Sha256(const QString &path);

// Moves a proven file into place as the channel's copy in use; the copy it replaces becomes the
// previous one. False with *error set when a rename fails (the copy in use is then unchanged).
// refusesRuntimeOption: a trial run showed that the copy does not take --js-runtimes.
bool Install(ExtractorChannel::Channel channel, const QString &provenFile, const QString &version,
             bool refusesRuntimeOption, QString *error);
// Swaps the copy in use with the previous one. False with *error set when there is none or a
// rename fails.
bool RollBack(ExtractorChannel::Channel channel, QString *error);
bool CanRollBack(ExtractorChannel::Channel channel);

// What is known of a copy without running it.
struct Copy
{
    QString path;
    QString version;   // empty when unknown
    QDateTime fetched; // when the file was fetched (its modification time)
    bool exists = false;
};
Copy Describe(const QString &program);

} // namespace InstalledCopies
