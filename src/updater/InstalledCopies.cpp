#include "updater/InstalledCopies.h"

#include "extractor/ExtractorVersion.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InstalledCopies {

namespace {

const QString kVersionSuffix = QStringLiteral(".version");

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool renameOver(const QString &from, const QString &to, QString *error)
{
    if (::rename(native(from).constData(), native(to).constData()) == 0)
        return true;
    *error = QStringLiteral("%1 cannot be renamed to %2: %3").arg(from, to, lastError());
    return false;
}

// A second name for a file, made under a temporary name and renamed over the target, so that
// the target is either the old file or this one, never missing.
bool linkOver(const QString &from, const QString &to, QString *error)
{
    const QString temporary = to + QStringLiteral(".link");
    ::unlink(native(temporary).constData());
    if (::link(native(from).constData(), native(temporary).constData()) != 0) {
        *error = QStringLiteral("%1 cannot be kept as %2: %3").arg(from, to, lastError());
        return false;
    }
    return renameOver(temporary, to, error);
}

bool writeSidecar(const QString &path, const QByteArray &text, QString *error)
{
    const QString temporary = path + QStringLiteral(".new");
    ::unlink(native(temporary).constData());
    const int fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (fd >= 0)
        ::close(fd);
    if (!written) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(temporary, lastError());
        ::unlink(native(temporary).constData());
        return false;
    }
    return renameOver(temporary, path, error);
}

bool makePrivateFolder(const QString &folder, QString *error)
{
    ::mkdir(native(folder).constData(), 0700);
    struct stat info {};
    if (::lstat(native(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        *error = QStringLiteral("The folder %1 cannot be made, or is not a folder of this user's.").arg(folder);
        return false;
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(native(folder).constData(), 0700) != 0) {
        *error = QStringLiteral("The folder %1 cannot be made private: %2").arg(folder, lastError());
        return false;
    }
    return true;
}

} // namespace

bool PrepareFolder(ExtractorChannel::Channel channel, QString *error)
{
    const QString data = ExtractorChannel::DataFolder();
    QDir().mkpath(QFileInfo(data).absolutePath());
    return makePrivateFolder(data, error) && makePrivateFolder(ExtractorChannel::Folder(channel), error);
}

int Lock(ExtractorChannel::Channel channel)
{
    const QString path = ExtractorChannel::Folder(channel) + QStringLiteral("/.lock");
    const int fd = ::open(native(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Unlock(int lock)
{
    if (lock >= 0)
        ::close(lock); // the lock goes with the descriptor
}

QString NewFetchPath(ExtractorChannel::Channel channel)
{
    return ExtractorChannel::Folder(channel) + QStringLiteral("/.fetch-")
        + QString::number(QRandomGenerator::system()->generate64(), 36);
}

void RemoveLeftovers(ExtractorChannel::Channel channel)
{
    QDir folder(ExtractorChannel::Folder(channel));
    const QStringList names = folder.entryList({QStringLiteral(".fetch-*"), QStringLiteral("*.link"), QStringLiteral("*.new"),
                                                QStringLiteral("*.newer"), QStringLiteral("*.newer.version")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        ::unlink(native(folder.filePath(name)).constData());
}

QByteArray Sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

bool Install(ExtractorChannel::Channel channel, const QString &provenFile, const QString &version,
             bool refusesRuntimeOption, QString *error)
{
    const QString copy = ExtractorChannel::CopyPath(channel);
    const QString previous = ExtractorChannel::PreviousPath(channel);
    if (QFileInfo::exists(copy)) {
        if (!linkOver(copy, previous, error))
            return false;
        if (QFileInfo::exists(copy + kVersionSuffix))
            linkOver(copy + kVersionSuffix, previous + kVersionSuffix, error);
        else
            ::unlink(native(previous + kVersionSuffix).constData());
    }
    if (!renameOver(provenFile, copy, error))
        return false;
    QString ignored; // the version beside the copy only spares later runs a question
    if (!writeSidecar(copy + kVersionSuffix, ExtractorVersion::SidecarText(version, refusesRuntimeOption), &ignored))
        ::unlink(native(copy + kVersionSuffix).constData());
    return true;
}

bool CanRollBack(ExtractorChannel::Channel channel)
{
    return QFileInfo(ExtractorChannel::PreviousPath(channel)).isFile();
}

// The copy in use and the previous one change places, each with what is written beside it.
static bool swapWithPrevious(ExtractorChannel::Channel channel, QString *error)
{
    const QString copy = ExtractorChannel::CopyPath(channel);
    const QString previous = ExtractorChannel::PreviousPath(channel);
    const QString newer = copy + QStringLiteral(".newer");
    if (QFileInfo::exists(copy) && !linkOver(copy, newer, error))
        return false;
    QString ignored;
    const bool newerSidecar = QFileInfo::exists(copy + kVersionSuffix)
                              && linkOver(copy + kVersionSuffix, newer + kVersionSuffix, &ignored);
    if (!renameOver(previous, copy, error))
        return false;
    if (!QFileInfo::exists(previous + kVersionSuffix) || !renameOver(previous + kVersionSuffix, copy + kVersionSuffix, &ignored))
        ::unlink(native(copy + kVersionSuffix).constData());
    if (QFileInfo::exists(newer))
        renameOver(newer, previous, error);
    if (!newerSidecar || !renameOver(newer + kVersionSuffix, previous + kVersionSuffix, &ignored))
        ::unlink(native(previous + kVersionSuffix).constData());
    return true;
}

bool RollBack(ExtractorChannel::Channel channel, QString *error)
{
    if (!CanRollBack(channel)) {
        *error = QStringLiteral("There is no earlier copy to bring back.");
        return false;
    }
    const int lock = Lock(channel);
    if (lock < 0) {
        *error = QStringLiteral("An update of %1 is under way.").arg(ExtractorChannel::Label(channel));
        return false;
    }
    const bool done = swapWithPrevious(channel, error);
    Unlock(lock);
    return done;
}

Copy Describe(const QString &program)
{
    Copy copy;
    const QFileInfo file(program);
    copy.path = file.absoluteFilePath();
    copy.exists = file.isFile();
    copy.version = ExtractorVersion::Known(copy.path);
    copy.fetched = copy.exists ? file.lastModified() : QDateTime();
    return copy;
}

} // namespace InstalledCopies
