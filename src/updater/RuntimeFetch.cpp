#include "updater/RuntimeFetch.h"

#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorRuntime.h"
#include "transfer/Downloader.h"
#include "updater/InstalledCopies.h"
#include "updater/ReleaseSource.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTimer>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSumKey = QStringLiteral("sum");
const QString kArchiveKey = QStringLiteral("archive");

QString newPrivateName(const QString &folder, const char *prefix)
{
    return folder + QLatin1Char('/') + QLatin1String(prefix) + QString::number(QRandomGenerator::system()->generate64(), 36);
}

// Writes the zip's "deno" into a new file of its own (never through a link); empty on success,
// else what went wrong.
QString unpackDeno(const QString &archivePath, const QString &target)
{
    struct archive *reader = archive_read_new();
    archive_read_support_format_zip(reader);
    QString error = QStringLiteral("the archive holds no file named deno");
    if (archive_read_open_filename(reader, QFile::encodeName(archivePath).constData(), 64 * 1024) != ARCHIVE_OK) {
        error = QString::fromLocal8Bit(archive_error_string(reader));
        archive_read_free(reader);
        return error;
    }
    struct archive_entry *entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
        if (archive_entry_filetype(entry) != AE_IFREG || std::strcmp(archive_entry_pathname(entry), "deno") != 0)
            continue;
        const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        error.clear();
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        while ((status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
            if (offset + la_int64_t(size) > RuntimeFetch::ExecutableLimit) {
                error = QStringLiteral("deno is larger than %1 bytes").arg(RuntimeFetch::ExecutableLimit);
                break;
            }
            if (::pwrite(fd, block, size, offset) != ssize_t(size)) {
                error = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
        }
        if (error.isEmpty() && status != ARCHIVE_EOF)
            error = QString::fromLocal8Bit(archive_error_string(reader));
        if (::close(fd) != 0 && error.isEmpty())
            error = QString::fromLocal8Bit(std::strerror(errno));
        archive_read_free(reader);
        return error;
    }
    if (status != ARCHIVE_EOF && status != ARCHIVE_OK && error.startsWith(QLatin1String("the archive")))
        error = QString::fromLocal8Bit(archive_error_string(reader));
    archive_read_free(reader);
    return error;
}

} // namespace

RuntimeFetch::RuntimeFetch(QObject *parent)
    : QObject(parent)
    , m_downloader(new Downloader(this))
{
    m_downloader->setMemoryLimits({4096, 60000});
    connect(m_downloader, &Downloader::Complete, this,
            [this](const QString &, const QByteArray &data, const QString &key, const TransferResult &result) {
                onTransfer(key, data, result);
            });
    connect(m_downloader, &Downloader::Progress, this, [this](const QString &, const QString &key, qint64 done, qint64 total, int) {
        if (key == kArchiveKey && m_state == State::Archive)
            Q_EMIT progress(QStringLiteral("Fetching %1").arg(ArchiveName()), done, total);
    });
}

RuntimeFetch::~RuntimeFetch()
{
    cleanUp();
}

QString RuntimeFetch::DownloadFolder()
{
    return ReleaseSource::Root() + QStringLiteral("/denoland/deno/releases/latest/download/");
}

QString RuntimeFetch::ArchiveName()
{
    return QSysInfo::currentCpuArchitecture() == QLatin1String("arm64") ? QStringLiteral("deno-aarch64-unknown-linux-gnu.zip")
                                                                        : QStringLiteral("deno-x86_64-unknown-linux-gnu.zip");
}

void RuntimeFetch::setIdleTimeout(int milliseconds)
{
    m_downloader->setIdleTimeout(milliseconds);
}

void RuntimeFetch::start()
{
    if (m_state != State::Waiting)
        return;
    m_state = State::Sum;
    const QString folder = ExtractorRuntime::Folder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    Q_EMIT progress(QStringLiteral("Fetching the SHA-256 of %1").arg(ArchiveName()), 0, 0);
    TransferRequest request;
    request.url = DownloadFolder() + ArchiveName() + QStringLiteral(".sha256sum");
    request.key = kSumKey;
    request.cacheMode = Downloader::ForceUpdate;
    m_downloader->Start(request);
}

void RuntimeFetch::cancel()
{
    m_state = State::Done;
    cleanUp();
}

void RuntimeFetch::onTransfer(const QString &key, const QByteArray &data, const TransferResult &result)
{
    if (key == kSumKey && m_state == State::Sum) {
        if (!result.ok) {
            fail(QStringLiteral("Fetching the SHA-256 of %1 failed: %2.").arg(ArchiveName(), result.errorText));
            return;
        }
        static const QRegularExpression digest(QStringLiteral("^\\s*([0-9A-Fa-f]{64})\\b"));
        const QRegularExpressionMatch match = digest.match(QString::fromLatin1(data));
        if (!match.hasMatch()) {
            fail(QStringLiteral("The SHA-256 file of %1 names no SHA-256.").arg(ArchiveName()));
            return;
        }
        m_digest = match.captured(1).toLatin1().toLower();
        m_state = State::Archive;
        m_archive = newPrivateName(ExtractorRuntime::Folder(), ".fetch-");
        TransferRequest request;
        request.url = DownloadFolder() + ArchiveName();
        request.key = kArchiveKey;
        request.cacheMode = Downloader::ForceUpdate;
        request.targetFile = m_archive;
        request.createNew = true;
        request.maxBytes = ArchiveLimit;
        m_downloader->Start(request);
        return;
    }
    if (key != kArchiveKey || m_state != State::Archive)
        return;
    if (!result.ok) {
        fail(QStringLiteral("Fetching %1 failed: %2.").arg(ArchiveName(), result.errorText));
        return;
    }
    if (InstalledCopies::Sha256(m_archive) != m_digest) {
        fail(QStringLiteral("The SHA-256 of the fetched %1 is not the one published beside it.").arg(ArchiveName()));
        return;
    }
    unpackAndTry();
}

void RuntimeFetch::unpackAndTry()
{
    m_state = State::Trying;
    Q_EMIT progress(QStringLiteral("Unpacking deno"), 0, 0);
    m_unpacked = newPrivateName(ExtractorRuntime::Folder(), ".unpack-");
    const QString error = unpackDeno(m_archive, m_unpacked);
    QFile::remove(m_archive);
    m_archive.clear();
    if (!error.isEmpty()) {
        fail(QStringLiteral("Unpacking deno from %1 failed: %2.").arg(ArchiveName(), error));
        return;
    }
    ::chmod(QFile::encodeName(m_unpacked).constData(), 0700);
    Q_EMIT progress(QStringLiteral("Trying the fetched deno"), 0, 0);
    m_process = new ExtractorProcess(m_unpacked, {QStringLiteral("--version")}, ExtractorProcess::Output::Collect, this);
    m_process->setCountedAsRun(false);
    m_process->setTimeout(30000);
    m_process->setOutputLimit(4096);
    connect(m_process, &ExtractorProcess::succeeded, this, [this](const QByteArray &output) {
        if (m_state != State::Trying)
            return;
        if (!output.startsWith("deno ")) {
            fail(QStringLiteral("The fetched deno printed no version when asked for it."));
            return;
        }
        const QString target = ExtractorRuntime::Folder() + QStringLiteral("/deno");
        if (::rename(QFile::encodeName(m_unpacked).constData(), QFile::encodeName(target).constData()) != 0) {
            fail(QStringLiteral("Moving deno into place failed: %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return;
        }
        m_unpacked.clear();
        m_state = State::Done;
        cleanUp();
        Q_EMIT finished(true, QStringLiteral("%1 is installed.").arg(QString::fromUtf8(output.split('\n').first()).trimmed()));
    });
    connect(m_process, &ExtractorProcess::failed, this, [this](const ExtractorFailure &failure) {
        if (m_state == State::Trying)
            fail(failure.reason == ExtractorFailure::Reason::TimedOut
                     ? QStringLiteral("The fetched deno printed no version within 30 seconds.")
                     : QStringLiteral("The fetched deno failed when asked for its version."));
    });
    m_process->start();
}

void RuntimeFetch::fail(const QString &sentence)
{
    m_state = State::Done;
    cleanUp();
    Q_EMIT finished(false, sentence);
}

void RuntimeFetch::cleanUp()
{
    m_downloader->CancelDownload(kSumKey);
    m_downloader->CancelDownload(kArchiveKey);
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    for (QString *path : {&m_archive, &m_unpacked}) {
        if (!path->isEmpty())
            QFile::remove(*path);
        path->clear();
    }
}
