#include "queue/FinishedFile.h"

#include "base/FileHelpers.h"
#include "queue/DownloadNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <filesystem>
#include <system_error>

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FinishedFile {

namespace {

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// A hidden name in target's folder for a copy that is renamed into place once complete; it has
// the pattern of partial files, so that one left behind by a crash is cleaned up like them.
QString besideTarget(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QLatin1Char('/')
           + DownloadNames::PartialFileName(QUuid::createUuid().toString() + target);
}

bool copyInto(QIODevice &from, const QString &to, qint64 expectedSize, QString *error)
{
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = out.errorString();
        return false;
    }
    qint64 copied = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (true) {
        const qint64 n = from.read(buffer.data(), buffer.size());
        if (n < 0) {
            *error = from.errorString();
            break;
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            *error = out.errorString();
            break;
        }
        copied += n;
    }
    const bool flushed = out.flush();
    out.close();
    if (copied != expectedSize || !flushed || out.error() != QFileDevice::NoError) {
        if (error->isEmpty())
            *error = QStringLiteral("copied %1 of %2 bytes").arg(copied).arg(expectedSize);
        QFile::remove(to);
        return false;
    }
    return true;
}

bool renameOver(const QString &from, const QString &to, std::error_code &ec)
{
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    return !ec;
}

// A rename that never replaces: it fails with file_exists when `to` is there, even when it
// appears at the last moment.
bool renameNew(const QString &from, const QString &to, std::error_code &ec)
{
    ec.clear();
#ifdef Q_OS_LINUX
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        ec.assign(errno, std::generic_category());
        return false;
    }
    // A file system without that rename: a new link fails when the name is taken.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP) {
        ec.assign(errno, std::generic_category());
        return false;
    }
#endif
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        ec = std::make_error_code(std::errc::file_exists);
        return false;
    }
    return renameOver(from, to, ec);
}

qint64 sizeOf(const QString &partial, QFile *handle)
{
    const QFileInfo info(partial);
    if (info.exists() && info.isFile())
        return info.size();
    return handle && handle->isOpen() ? handle->size() : -1;
}

// True when the body holds exactly expectedSize bytes; a body of another size is removed.
bool isWhole(const QString &partial, QFile *handle, qint64 expectedSize, QString *error)
{
    const qint64 size = sizeOf(partial, handle);
    if (size == expectedSize)
        return true;
    *error = size < 0 ? QStringLiteral("the partial file is gone")
                      : QStringLiteral("the partial file holds %1 of %2 bytes").arg(size).arg(expectedSize);
    QFile::remove(partial);
    return false;
}

// The device of the nearest existing folder on the way up from path.
dev_t deviceOf(QString path)
{
    struct stat st {};
    while (!path.isEmpty()) {
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            return st.st_dev;
        const QString up = QFileInfo(path).path();
        if (up == path)
            break;
        path = up;
    }
    return 0;
}

} // namespace

Stamp Stamp::of(const QString &path)
{
    const QFileInfo info(path);
    Stamp stamp;
    stamp.path = DownloadNames::PathKey(path);
    if (info.isFile() && !info.isSymLink()) {
        stamp.size = info.size();
        stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    }
    return stamp;
}

bool MoveIntoPlace(const QString &partial, QFile *handle, const QString &target, qint64 expectedSize,
                   QString *error, bool replace)
{
    QString scratch;
    if (!error)
        error = &scratch;
    error->clear();
    const auto place = [replace](const QString &from, const QString &to, std::error_code &ec) {
        return replace ? renameOver(from, to, ec) : renameNew(from, to, ec);
    };
    const auto failed = [&](const std::error_code &ec) {
        *error = QString::fromStdString(ec.message());
        return false;
    };

    const QFileInfo partialInfo(partial);
    const bool partialThere = partialInfo.exists() && partialInfo.isFile();
    if (!isWhole(partial, handle, expectedSize, error))
        return false;
    if (QFileInfo(target).isDir()) {
        *error = QStringLiteral("a folder has the file's name");
        return false;
    }

    std::error_code ec;
    if (partialThere && place(partial, target, ec))
        return true;
    if (partialThere && ec != std::errc::cross_device_link)
        return failed(ec);

    // Another file system, or the partial's folder has vanished: copy beside the target, then rename.
    const QString copy = besideTarget(target);
    bool copied = false;
    if (partialThere) {
        QFile in(partial);
        copied = in.open(QIODevice::ReadOnly) && copyInto(in, copy, expectedSize, error);
    } else if (handle && handle->isOpen() && handle->seek(0)) {
        copied = copyInto(*handle, copy, expectedSize, error);
    }
    if (!copied) {
        if (error->isEmpty())
            *error = QString::fromStdString(ec.message());
        return false;
    }
    if (!place(copy, target, ec)) {
        QFile::remove(copy);
        return failed(ec);
    }
    QFile::remove(partial);
    return true;
}

bool NeedsCopy(const Job &job)
{
    const QFileInfo partial(job.partial);
    if (!partial.exists())
        return true;
    if (job.folder.trimmed().isEmpty())
        return false; // it stays in its own folder
    const dev_t target = deviceOf(job.folder);
    return target != 0 && target != deviceOf(partial.absolutePath());
}

Outcome Place(const Job &job)
{
    Outcome outcome;
    if (!isWhole(job.partial, job.handle.get(), job.expectedSize, &outcome.error))
        return outcome;
    const auto reserved = [&job](const QString &path) { return job.reserved.contains(DownloadNames::PathKey(path)); };

    QStringList folders;
    if (!job.folder.trimmed().isEmpty())
        folders << job.folder;
    const QString own = QFileInfo(job.partial).absolutePath();
    if (folders.isEmpty() || DownloadNames::PathKey(own) != DownloadNames::PathKey(job.folder))
        folders << own;

    for (const QString &folder : folders) {
        if (!QDir().mkpath(folder)) {
            if (outcome.error.isEmpty())
                outcome.error = QStringLiteral("cannot create the folder %1").arg(folder);
            continue;
        }
        const QString path = modFunctions::WithSeparator(folder);
        QStringList targets;
        if (folder == job.folder)
            targets << path + job.name;
        targets << path + DownloadNames::UniqueName(folder, job.name, reserved)
                << path + DownloadNames::UniqueName(folder, job.fallbackName, reserved);
        for (const QString &target : targets) {
            QString error;
            // Only the very file the user chose to overwrite is replaced; anything else there stays.
            const bool replace = job.replaceable.size >= 0 && Stamp::of(target) == job.replaceable;
            if (MoveIntoPlace(job.partial, job.handle.get(), target, job.expectedSize, &error, replace)) {
                outcome.placed = true;
                outcome.path = target;
                outcome.renamed = folder != job.folder || QFileInfo(target).fileName() != job.name;
                return outcome;
            }
            if (outcome.error.isEmpty())
                outcome.error = error;
        }
    }
    // No name works: the body stays in the partial file, whose name is known to work.
    if (QFileInfo::exists(job.partial))
        outcome.path = job.partial;
    return outcome;
}

QStringList SideFiles(const QString &partial)
{
    const QFileInfo info(partial);
    QStringList files;
    for (const QFileInfo &side : info.dir().entryInfoList({info.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden)) {
        if (DownloadNames::IsSideFileName(side.fileName()) && !side.isSymLink())
            files << side.absoluteFilePath();
    }
    return files;
}

QStringList PlaceSideFiles(const QString &partial, const QString &finished)
{
    const QFileInfo target(finished);
    const QString base = target.completeBaseName();
    QStringList placed;
    for (const QString &side : SideFiles(partial)) {
        const QString ending = QFileInfo(side).fileName().mid(QFileInfo(partial).fileName().size()); // ".en.srt"
        const QString name = modFunctions::GetUniqueFileName(modFunctions::WithSeparator(target.absolutePath()), base + ending);
        const QString to = target.absoluteDir().filePath(name);
        std::error_code ec;
        if (renameNew(side, to, ec))
            placed << to;
        else
            QFile::remove(side);
    }
    return placed;
}

} // namespace FinishedFile
