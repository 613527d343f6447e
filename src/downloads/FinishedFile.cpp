#include "downloads/FinishedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <filesystem>
#include <system_error>

namespace FinishedFile {

namespace {

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// A hidden name in target's folder for a copy that is renamed into place once complete.
QString besideTarget(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.clipvault-")
           + QUuid::createUuid().toString(QUuid::Id128).left(16) + QStringLiteral(".part");
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

} // namespace

bool MoveIntoPlace(const QString &partial, QFile *handle, const QString &target, qint64 expectedSize,
                   QString *error)
{
    QString scratch;
    if (!error)
        error = &scratch;
    error->clear();

    const QFileInfo partialInfo(partial);
    const bool partialThere = partialInfo.exists() && partialInfo.isFile();
    const qint64 size = partialThere ? partialInfo.size() : (handle && handle->isOpen() ? handle->size() : -1);
    if (size != expectedSize) {
        *error = size < 0 ? QStringLiteral("the partial file is gone")
                          : QStringLiteral("the partial file holds %1 of %2 bytes").arg(size).arg(expectedSize);
        QFile::remove(partial);
        return false;
    }
    if (QFileInfo(target).isDir()) {
        *error = QStringLiteral("a folder has the file's name");
        QFile::remove(partial);
        return false;
    }

    std::error_code ec;
    if (partialThere && renameOver(partial, target, ec))
        return QFileInfo(target).size() == expectedSize;

    // Another file system, or the partial's folder has vanished: copy beside the target, then rename.
    const QString copy = besideTarget(target);
    bool copied = false;
    if (partialThere) {
        QFile in(partial);
        copied = in.open(QIODevice::ReadOnly) && copyInto(in, copy, expectedSize, error);
    } else if (handle && handle->isOpen() && handle->seek(0)) {
        copied = copyInto(*handle, copy, expectedSize, error);
    }
    QFile::remove(partial);
    if (!copied) {
        if (error->isEmpty())
            *error = QString::fromStdString(ec.message());
        return false;
    }
    if (!renameOver(copy, target, ec)) {
        *error = QString::fromStdString(ec.message());
        QFile::remove(copy);
        return false;
    }
    return QFileInfo(target).size() == expectedSize;
}

} // namespace FinishedFile
