#include "transfer/Downloader.h"
#include "transfer/DownloaderTransfer.h"

#include "transfer/ContentRange.h"
#include "transfer/NetworkPool.h"
#include "transfer/NetworkRequest.h"
#include "transfer/RateLimiter.h"
#include "transfer/ResumeDecision.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

int &defaultIdle()
{
    static int ms = 60000;
    return ms;
}

// While a body goes to a file, the reply buffers at most this much before it stops reading the
// socket, so a busy window cannot make memory grow.
constexpr qint64 kFileReadBuffer = 512 * 1024;

// Opens a transfer's file for writing without ever following a link: an existing file is opened
// as it is, a missing one is created new and exclusively, and anything at the path that is not a
// regular file is refused. A link planted at a predictable name therefore never makes a download
// write into its target. The file's size, or -1 with *error set.
qint64 openTarget(QFile *file, bool createNew, QString *error)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(file->fileName());
    // A new private file (createNew) must not exist yet; otherwise an existing file is used.
    int fd = createNew ? -1 : ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (createNew || (fd < 0 && errno == ENOENT))
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createNew ? 0600 : 0666);
    if (fd < 0) {
        *error = errno == ELOOP ? QStringLiteral("a link has the partial file's name; nothing was written")
                                : QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("something that is not a file has the partial file's name; nothing was written");
        return -1;
    }
    if (!file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file->errorString();
        return -1;
    }
    return st.st_size;
#else
    if (QFileInfo(file->fileName()).isSymLink() || (file->exists() && (createNew || !QFileInfo(file->fileName()).isFile()))) {
        *error = QStringLiteral("something that is not a file has the partial file's name; nothing was written");
        return -1;
    }
    if (!file->open(QIODevice::ReadWrite)) {
        *error = file->errorString();
        return -1;
    }
    return file->size();
#endif
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

} // namespace

Downloader::Downloader(QObject *parent)
    : QObject(parent)
    , m_idleTimeout(defaultIdle())
{
    qRegisterMetaType<TransferResult>();
    qRegisterMetaType<TransferAnswer>();
}

Downloader::~Downloader()
{
    const auto transfers = m_transfers.values();
    m_transfers.clear();
    for (Transfer *t : transfers)
        discard(t);
}

void Downloader::setIdleTimeout(int milliseconds)
{
    m_idleTimeout = milliseconds;
}

void Downloader::setDefaultIdleTimeout(int milliseconds)
{
    defaultIdle() = milliseconds;
}

int Downloader::defaultIdleTimeout()
{
    return defaultIdle();
}

std::optional<ByteRanges> Downloader::rangesOnDisk(const QString &Key) const
{
    const Transfer *t = m_transfers.value(Key);
    if (!t || !t->segments)
        return std::nullopt;
    return t->segments->onDisk();
}

bool Downloader::IsRunning(const QString &Key) const
{
    return m_transfers.contains(Key);
}

int Downloader::RunningCount() const
{
    return static_cast<int>(m_transfers.size());
}

void Downloader::Start(const QString &URL, int CacheMode, const QString &Key, const QString &TargetFile)
{
    TransferRequest request;
    request.url = URL;
    request.key = Key;
    request.cacheMode = CacheMode;
    request.targetFile = TargetFile;
    Start(request);
}

void Downloader::Start(const TransferRequest &request)
{
    const QString key = request.key.isEmpty() ? request.url : request.key;
    if (Transfer *old = m_transfers.take(key))
        discard(old);

    auto *t = new Transfer;
    t->serial = ++m_serial;
    t->request = request;
    t->request.key = key;
    t->idle = new QTimer(this);
    t->idle->setSingleShot(true);
    m_transfers.insert(key, t);

    // Only web addresses are fetched: a page must not make the program read local files.
    if (!isWebAddress(QUrl(request.url.trimmed()))) {
        TransferResult r;
        r.networkError = QNetworkReply::ProtocolUnknownError;
        r.errorText = QStringLiteral("Only http and https addresses can be fetched");
        failSoon(t, r);
        return;
    }

    ByteRanges kept; // bytes on disk that segments continue
    if (!request.targetFile.isEmpty()) {
        t->target = new QFile(request.targetFile);
        QString error;
        const qint64 size = openTarget(t->target, request.createNew, &error);
        const bool provable = size >= 0 && !request.createNew && request.validators.canProveResume();
        const bool canResume = provable && !request.keptRanges && request.resumeFrom > 0 && size >= request.resumeFrom;
        // Bytes written in segments: only those the caller names that the file really holds.
        const qint64 end = std::min(size, request.validators.total);
        kept = provable && request.keptRanges ? request.keptRanges->clippedTo(end) : ByteRanges();
        // A resume keeps the file as it is until the answer shows what to do with it.
        // Bytes past resumeFrom (or past the file's length) are not vouched for by the caller:
        // they go at once, so that the file always holds the kept bytes plus the new ones.
        if (size >= 0 && !t->target->resize(!kept.isEmpty() ? end : canResume ? request.resumeFrom : 0))
            error = t->target->errorString();
        if (!error.isEmpty()) {
            TransferResult r;
            r.errorText = QStringLiteral("Cannot write %1: %2").arg(request.targetFile, error);
            r.targetFile = request.targetFile;
            r.writeFailed = true;
            r.validators = request.validators; // whatever is there was not touched
            failSoon(t, r);
            return;
        }
        t->offset = canResume ? request.resumeFrom : 0;
        const bool keptSome = request.keptRanges ? request.keptRanges->bytes() > 0 : request.resumeFrom > 0;
        t->restarted = keptSome && !canResume && kept.isEmpty();
    }

    connect(t->idle, &QTimer::timeout, this, [t] {
        t->timedOut = true;
        if (t->reply)
            t->reply->abort(); // finished follows, with the time-out noted
    });
    if (!kept.isEmpty()) {
        startInSegments(t, kept);
        return;
    }
    t->manager = NetworkPool::acquire();
    if (!t->target && m_limits.deadlineMs > 0) {
        t->deadline = new QTimer(this);
        t->deadline->setSingleShot(true);
        connect(t->deadline, &QTimer::timeout, this, [this, t] { abortOverLimit(t, false); });
        t->deadline->start(m_limits.deadlineMs);
    }
    send(t);
}

// Ends a transfer that never reached the network, on the next turn of the event loop: never
// inside Start itself, so that callers can rely on Complete coming after Start returns.
void Downloader::failSoon(Transfer *t, TransferResult result)
{
    connect(t->idle, &QTimer::timeout, this, [this, t, result] { finish(t, result); });
    t->idle->start(0);
}

void Downloader::send(Transfer *t)
{
    const TransferRequest &req = t->request;
    const QNetworkRequest request = t->offset > 0
        ? networkRequestFor(req, "bytes=" + QByteArray::number(t->offset) + '-', req.validators.ifRange())
        : networkRequestFor(req);

    QNetworkReply *reply = t->manager->get(request);
    t->reply = reply;
    t->decided = false;
    t->writing = false;
    if (t->target) // under a speed limit, about a tenth of a second's worth waits there
        reply->setReadBufferSize(RateLimiter::rate() > 0 ? std::clamp<qint64>(RateLimiter::rate() / 10, 16384, kFileReadBuffer)
                                                         : kFileReadBuffer);

    connect(reply, &QNetworkReply::readyRead, this, [this, t] { onReadyRead(t); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, t] {
        if (m_idleTimeout > 0)
            t->idle->start(m_idleTimeout);
        // An announced length over the cap is refused before a byte of it is read.
        const QVariant length = t->reply->header(QNetworkRequest::ContentLengthHeader);
        const qint64 cap = capOf(t);
        if (cap > 0 && length.isValid() && length.toLongLong() > cap)
            abortOverLimit(t, true);
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, t](qint64 done, qint64 total) {
        if (t->target && !t->writing)
            return; // not (yet) the file's bytes: an error page, or an answer still undecided
        const int status = t->reply ? t->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
        const qint64 base = t->target ? t->base : 0;
        Q_EMIT Progress(t->request.url, t->request.key, base + done, total > 0 ? base + total : 0, status);
    });
    connect(reply, &QNetworkReply::finished, this, [this, t] { onFinished(t); });
    if (m_idleTimeout > 0)
        t->idle->start(m_idleTimeout);
}

void Downloader::abortOverLimit(Transfer *t, bool overSize)
{
    (overSize ? t->overSize : t->overDeadline) = true;
    t->data.clear();
    if (t->reply)
        t->reply->abort(); // finished follows (perhaps at once: touch nothing of t after this)
}

void Downloader::CancelDownload(const QString &URL)
{
    if (Transfer *t = m_transfers.take(URL))
        discard(t);
}

// Reads the answer's headers once they are final and decides what its body is to the file.
Downloader::Decision Downloader::decide(Transfer *t)
{
    if (t->decided)
        return Decision::Made;
    if (t->timedOut) {
        // Ended before the answer showed anything: the kept bytes stay as they are.
        t->decided = true;
        t->base = t->offset;
        return Decision::Made;
    }
    QNetworkReply *reply = t->reply;
    ResumeAnswer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (answer.status >= 300 && answer.status <= 399 && !reply->isFinished())
        return Decision::Pending; // a redirect being followed: its body is nobody's
    answer.contentRange = reply->rawHeader("Content-Range");
    answer.validators.etag = reply->rawHeader("ETag");
    answer.validators.lastModified = reply->rawHeader("Last-Modified");
    answer.validators.lastModifiedStrong = TransferValidators::isStrongDate(
        answer.validators.lastModified, reply->rawHeader("Date"), answer.validators.etag);
    answer.contentEncoding = reply->rawHeader("Content-Encoding");

    t->seen = answer.validators;
    const ContentRange range = ContentRange::parse(answer.contentRange);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    answer.contentLength = length.isValid() ? length.toLongLong() : -1;
    if (answer.status == 206 || answer.status == 416)
        t->seen.total = range.valid ? range.total : -1;
    else if (answer.status >= 200 && answer.status <= 299 && length.isValid())
        t->seen.total = length.toLongLong();

    const ResumeAction action = decideResume(t->offset, t->request.validators, answer);
    if (action == ResumeAction::AskFromZero) {
        askAgainFromZero(t);
        return Decision::Replaced;
    }
    t->decided = true;
    t->base = 0;
    switch (action) {
    case ResumeAction::Append:
        t->base = t->offset;
        t->resumed = true;
        t->writing = t->target->resize(t->offset) && t->target->seek(t->offset);
        break;
    case ResumeAction::WriteFromZero:
        if (t->offset > 0) {
            t->restarted = true;
            t->writing = t->target->resize(0) && t->target->seek(0);
        } else {
            t->writing = true;
        }
        break;
    case ResumeAction::AlreadyWhole:
        t->base = t->offset;
        t->resumed = true;
        t->alreadyWhole = true;
        break;
    case ResumeAction::Refuse:
        t->base = t->offset; // kept as they are
        break;
    case ResumeAction::Discard:
        t->base = t->offset; // kept as they are
        t->refused = refusalOf(t->offset, answer);
        break;
    case ResumeAction::AskFromZero:
        break;
    }
    if ((action == ResumeAction::Append || action == ResumeAction::WriteFromZero) && !t->writing) {
        t->writeFailed = true;
        t->writeError = t->target->errorString();
    }
    t->wholeLength = action == ResumeAction::AlreadyWhole ? t->offset : t->seen.total;
    if (action == ResumeAction::Discard)
        t->wholeLength = -1; // said by an answer that is not kept
    if (action == ResumeAction::WriteFromZero && answer.status != 200)
        t->wholeLength = length.isValid() ? length.toLongLong() : -1; // what this answer announced

    if (t->writing || t->alreadyWhole) {
        TransferAnswer answered{answer.status, t->seen, t->base, t->resumed, t->restarted};
        const QString key = t->request.key;
        const quint64 serial = t->serial;
        Q_EMIT Answered(t->request.url, key, answered);
        if (!isCurrent(key, serial))
            return Decision::Gone;
    }
    if (maySplit(t, reply)) {
        handOver(t);
        return Decision::Replaced;
    }
    return Decision::Made;
}

qint64 Downloader::capOf(const Transfer *t) const
{
    if (t->request.maxBytes > 0)
        return t->request.maxBytes;
    return t->target ? 0 : m_limits.maxBytes;
}

bool Downloader::isCurrent(const QString &key, quint64 serial) const
{
    const Transfer *current = m_transfers.value(key);
    return current && current->serial == serial;
}

// The answer to a resume proved nothing: the kept bytes go, and the whole file is asked for
// again by the same transfer.
void Downloader::askAgainFromZero(Transfer *t)
{
    QNetworkReply *old = t->reply;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
    t->reply = nullptr;
    t->offset = 0;
    t->restarted = true;
    if (!t->target->resize(0) || !t->target->seek(0)) {
        t->writeFailed = true;
        t->writeError = t->target->errorString();
    }
    send(t);
}

bool Downloader::writeToTarget(Transfer *t, const QByteArray &chunk)
{
    if (t->writeFailed)
        return false;
    // A short write gives no reason of its own (the file size limit is reached in the middle of
    // a block): writing the rest either succeeds or fails with the system's reason.
    for (qint64 done = 0; done < chunk.size();) {
        const qint64 n = t->target->write(chunk.constData() + done, chunk.size() - done);
        if (n <= 0) {
            t->writeFailed = true;
            t->writeError = t->target->errorString();
            return false;
        }
        done += n;
    }
    return true;
}

void Downloader::onReadyRead(Transfer *t)
{
    if (!t->reply || !t->reply->isOpen())
        return;
    if (m_idleTimeout > 0)
        t->idle->start(m_idleTimeout);
    if (!t->target) {
        const QByteArray chunk = t->reply->readAll();
        t->received += chunk.size();
        if (capOf(t) > 0 && t->received > capOf(t)) {
            abortOverLimit(t, true);
            return;
        }
        t->data.append(chunk);
        return;
    }
    const Decision decision = decide(t);
    if (decision != Decision::Made)
        return; // Pending: stays buffered; Replaced: a new answer is on its way
    if (t->writeFailed) {
        t->reply->abort(); // the file cannot take the body: nothing more is worth fetching
        return;
    }
    if (t->refused != TransferResult::Refused::None) {
        t->reply->abort(); // nothing of it is wanted, however long it says it is
        return;
    }
    if (!t->writing) {
        t->reply->readAll(); // an error page or the body of a 416: not part of the file
        return;
    }
    // Straight from the reply's buffer to the file through one reused block.
    static thread_local QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        // Under a speed limit, only what it allows now, to the last byte of the answer.
        const qint64 ready = std::min<qint64>(block.size(), t->reply->bytesAvailable());
        const qint64 allowed = RateLimiter::take(t, ready);
        if (ready > 0 && allowed <= 0) {
            paceLater(t);
            break;
        }
        const qint64 n = allowed > 0 ? t->reply->read(block.data(), allowed) : 0;
        if (n <= 0)
            break;
        t->received += n;
        if (capOf(t) > 0 && t->received > capOf(t)) {
            abortOverLimit(t, true);
            return;
        }
        if (!writeToTarget(t, QByteArray::fromRawData(block.constData(), n))) {
            t->reply->abort(); // a full disk or a vanished folder: nothing more is worth fetching
            return;
        }
    }
}

void Downloader::onFinished(Transfer *t)
{
    QNetworkReply *reply = t->reply;
    if (!reply)
        return;
    if (t->target && !t->writeFailed) {
        const Decision decision = decide(t);
        if (decision == Decision::Replaced || decision == Decision::Gone)
            return;
    }
    if (!t->overSize && !t->overDeadline) {
        const QString key = t->request.key;
        const quint64 serial = t->serial;
        onReadyRead(t); // whatever is still buffered
        if (!isCurrent(key, serial))
            return;
        if (t->target && t->writing && !t->writeFailed && !t->overSize && reply->bytesAvailable() > 0) {
            paceLater(t); // the rest at the limit's pace: the answer ends when its last byte is read
            return;
        }
    }
    if (t->overSize || t->overDeadline)
        t->data.clear(); // the part of an answer that broke a bound is no answer

    TransferResult r;
    r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.networkError = reply->error();
    r.bytesReceived = t->received;
    r.timedOut = t->timedOut;
    r.overSizeLimit = t->overSize;
    r.overDeadline = t->overDeadline;
    r.retryAfter = reply->rawHeader("Retry-After");
    if (t->target) {
        r.targetFile = t->request.targetFile;
        if (!t->target->flush() && !t->writeFailed) {
            t->writeFailed = true;
            t->writeError = t->target->errorString();
        }
        t->target->close();
        r.bytesTotal = t->wholeLength;
        r.resumedFrom = t->base;
        r.resumed = t->resumed;
        r.restarted = t->restarted;
        r.refused = t->refused;
        // Only an answer whose body went to the file vouches for it; otherwise the kept bytes
        // keep their own validators (none when nothing was kept).
        r.validators = t->writing || t->alreadyWhole ? t->seen
                       : t->base > 0                 ? t->request.validators
                                                     : TransferValidators();
    } else {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        r.bytesTotal = length.isValid() ? length.toLongLong() : -1;
    }
    r.writeFailed = t->writeFailed;
    r.errorText = errorTextOf(t, r);
    r.ok = r.errorText.isEmpty();
    finish(t, r);
}

// Reads on after the speed limit's wait, unless the transfer has ended by then; an answer that
// has ended meanwhile is finished once its last byte is read.
void Downloader::paceLater(Transfer *t)
{
    if (t->reply->property("paced").toBool())
        return;
    t->reply->setProperty("paced", true);
    QTimer::singleShot(RateLimiter::waitMs(), this, [this, t, key = t->request.key, serial = t->serial] {
        if (!isCurrent(key, serial) || !t->reply)
            return;
        t->reply->setProperty("paced", false);
        if (t->reply->isFinished())
            onFinished(t);
        else
            onReadyRead(t);
    });
}

QString Downloader::errorTextOf(const Transfer *t, const TransferResult &r) const
{
    if (t->overSize)
        return QStringLiteral("The answer is larger than %1 bytes").arg(capOf(t));
    if (t->overDeadline)
        return QStringLiteral("The answer took longer than %1 seconds").arg(m_limits.deadlineMs / 1000.0);
    if (t->timedOut)
        return QStringLiteral("Nothing was received for %1 seconds").arg(m_idleTimeout / 1000.0);
    if (t->writeFailed)
        return QStringLiteral("Cannot write %1: %2").arg(r.targetFile, t->writeError);
    if (t->alreadyWhole)
        return QString(); // a 416 that proved the kept bytes are the whole file
    switch (t->refused) {
    case TransferResult::Refused::PartUnasked:
        return QStringLiteral("The server sent a part of the file where the whole file was asked for");
    case TransferResult::Refused::Encoded:
        return QStringLiteral("The server sent the file encoded (%1) although it was asked for as it is")
            .arg(QString::fromLatin1(t->reply->rawHeader("Content-Encoding")));
    case TransferResult::Refused::AbsurdLength:
        return QStringLiteral("The server announced a length no file has");
    case TransferResult::Refused::None:
        break;
    }
    if (r.networkError != QNetworkReply::NoError && r.httpStatus < 400)
        return t->reply->errorString();
    if (r.httpStatus < 200 || r.httpStatus > 299)
        return QStringLiteral("The server answered %1 %2")
            .arg(r.httpStatus)
            .arg(t->reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    if (r.bytesTotal >= 0 && r.fileBytes() != r.bytesTotal)
        return QStringLiteral("Received %1 of %2 bytes").arg(r.fileBytes()).arg(r.bytesTotal);
    return QString();
}

void Downloader::finish(Transfer *t, TransferResult result)
{
    // The key may already belong to a newer transfer (restart) or be gone (cancel).
    if (m_transfers.value(t->request.key) != t)
        return;
    // The transfer is over before its handler runs, so a handler that starts the same address
    // again begins a fresh transfer instead of cancelling this finished one.
    m_transfers.remove(t->request.key);
    if (t->target && result.targetFile.isEmpty())
        result.targetFile = t->request.targetFile;
    const QByteArray data = std::move(t->data);
    const QString url = t->request.url;
    const QString key = t->request.key;
    for (QTimer *timer : {t->idle, t->deadline})
        if (timer)
            timer->stop();
    Q_EMIT Complete(url, data, key, result);
    discard(t);
}

void Downloader::discard(Transfer *t)
{
    if (SegmentedTransfer *segments = std::exchange(t->segments, nullptr)) {
        segments->disconnect(this);
        segments->stop();
        segments->deleteLater(); // its handlers may be running
    }
    if (t->reply) {
        QNetworkReply *reply = t->reply;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (t->manager)
        NetworkPool::release(t->manager);
    for (QTimer *timer : {t->idle, t->deadline}) {
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    }
    if (t->target) {
        t->target->close();
        delete t->target;
    }
    delete t;
}
