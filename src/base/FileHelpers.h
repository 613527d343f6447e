#pragma once

#include <QString>
#include <functional>

// File and drive questions that several parts of the program share. On this platform a "drive"
// is the filesystem that holds a path, and a "fixed drive" a local, non-removable disk.
namespace modFunctions {

// True when Path names an existing entry that is not a folder; any error makes it false.
bool FileExists(const QString &Path);

// False for a path shorter than 3 characters; otherwise gives Path a final separator when it has
// none (the caller's variable changes) and tells whether that folder exists.
bool FolderExists(QString &Path);

// True when the filesystem holding Path is a local, non-removable disk. Network shares,
// removable media and optical discs are refused.
bool IsDriveTypeValid(const QString &Path);

// Bytes this user can write on the filesystem holding Path (the nearest existing folder on the way
// up; space kept for root does not count); 0 when that cannot be found out.
qint64 FreeBytes(const QString &Path);
// For tests only: FreeBytes gives what figure returns for the path asked about; an empty function
// brings back the filesystem's own figure.
void setFreeBytesForTests(std::function<qint64(const QString &)> figure);

// The free space as shown to the user: "12.34 GB", "512 MB" or "488 kB", with the locale's
// decimal separator.
QString FormatFreeSpace(qint64 freeBytes);
QString FreeDiskSpace(const QString &Path);

// Creates every missing folder along Path; the result is not looked at by callers.
bool EnsureFolder(const QString &Path);

// Path with a final separator.
QString WithSeparator(const QString &Path);

} // namespace modFunctions
