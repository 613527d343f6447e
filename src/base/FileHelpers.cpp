#include "base/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace modFunctions {

namespace {

// The nearest existing folder at or above Path, so that a folder that is yet to be created
// still has a filesystem.
QString nearestExisting(const QString &Path)
{
    if (Path.isEmpty())
        return QString();
    QFileInfo info(QDir::cleanPath(Path));
    QString candidate = info.absoluteFilePath();
    while (!candidate.isEmpty()) {
        if (QFileInfo(candidate).isDir())
            return candidate;
        const QString parent = QFileInfo(candidate).absolutePath();
        if (parent == candidate)
            break;
        candidate = parent;
    }
    return QString();
}

#ifndef Q_OS_WIN
bool isNetworkOrOpticalType(const QByteArray &type)
{
    static const QList<QByteArray> refused = {
        "nfs", "nfs4", "cifs", "smb", "smb2", "smbfs", "smb3", "ncpfs", "afs", "9p", "ceph",
        "glusterfs", "fuse.sshfs", "sshfs", "fuse.glusterfs", "fuse.s3fs", "davfs", "fuse.davfs2",
        "iso9660", "udf", "fuse.gvfsd-fuse", "fuse.rclone",
        // Kernel views of the system: nothing there is a disk for videos.
        "proc", "sysfs", "devpts", "devtmpfs", "cgroup", "cgroup2", "debugfs", "tracefs", "securityfs",
        "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs",
    };
    return refused.contains(type.toLower());
}

// True when the block device (or the disk a partition belongs to) reports itself removable.
bool isRemovableDevice(const QByteArray &device)
{
    if (!device.startsWith("/dev/"))
        return false;
    const QString name = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath().section(QLatin1Char('/'), -1);
    if (name.isEmpty())
        return false;
    QString sysPath = QStringLiteral("/sys/class/block/") + name;
    QFile removable(sysPath + QStringLiteral("/removable"));
    if (!removable.exists()) // a partition: ask its disk
        removable.setFileName(QFileInfo(QFileInfo(sysPath).canonicalFilePath()).absolutePath()
                              + QStringLiteral("/removable"));
    if (!removable.open(QIODevice::ReadOnly))
        return false;
    return removable.readAll().trimmed() == "1";
}
#endif

} // namespace

bool FileExists(const QString &Path)
{
    if (Path.isEmpty())
        return false;
    const QFileInfo info(Path);
    return info.exists() && !info.isDir();
}

bool FolderExists(QString &Path)
{
    if (Path.size() < 3)
        return false;
    Path = WithSeparator(Path);
    return QFileInfo(Path).isDir();
}

bool IsDriveTypeValid(const QString &Path)
{
    const QString existing = nearestExisting(Path);
    if (existing.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const QString root = QStorageInfo(existing).rootPath();
    return GetDriveTypeW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(root).utf16())) == DRIVE_FIXED;
#else
    const QStorageInfo storage(existing);
    if (!storage.isValid() || !storage.isReady())
        return false;
    if (isNetworkOrOpticalType(storage.fileSystemType()))
        return false;
    return !isRemovableDevice(storage.device());
#endif
}

namespace {
std::function<qint64(const QString &)> g_freeBytesForTests;
}

void setFreeBytesForTests(std::function<qint64(const QString &)> figure)
{
    g_freeBytesForTests = std::move(figure);
}

qint64 FreeBytes(const QString &Path)
{
    if (g_freeBytesForTests)
        return g_freeBytesForTests(Path);
    const QString existing = nearestExisting(Path);
    if (existing.isEmpty())
        return 0;
    const QStorageInfo storage(existing);
    if (!storage.isValid())
        return 0;
    // What this user can write: blocks kept for root do not count.
    const qint64 free = storage.bytesAvailable();
    return free > 0 ? free : 0;
}

QString FormatFreeSpace(qint64 freeBytes)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const double f = static_cast<double>(freeBytes);
    if (freeBytes > 1073741824LL)
        return locale.toString(f / 1073741824.0, 'f', 2) + QStringLiteral(" GB");
    if (freeBytes > 1048576LL)
        return locale.toString(f / 1048576.0, 'f', 0) + QStringLiteral(" MB");
    return locale.toString(f / 1024.0, 'f', 0) + QStringLiteral(" kB");
}

QString FreeDiskSpace(const QString &Path)
{
    return FormatFreeSpace(FreeBytes(Path));
}

bool EnsureFolder(const QString &Path)
{
    if (Path.isEmpty())
        return false;
    return QDir().mkpath(WithSeparator(Path));
}

QString WithSeparator(const QString &Path)
{
    if (Path.endsWith(QLatin1Char('/')) || Path.endsWith(QDir::separator()))
        return Path;
    return Path + QLatin1Char('/');
}

} // namespace modFunctions
