#include "transfer/Downloader.h"

#include "transfer/NetworkPool.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace {

int &defaultIdle()
{
    static int ms = 60000;
    return ms;
}

// While a body goes to a file, the reply buffers at most this much before it stops reading the
// socket, so a busy window cannot make memory grow.
constexpr qint64 kFileReadBuffer = 512 * 1024;

} // namespace

struct Downloader::Transfer
{
    QString url;
    QString key;
    QNetworkAccessManager *manager = nullptr;
    QPointer<QNetworkReply> reply;
    QFile *target = nullptr;
    QByteArray data;
    qint64 received = 0;
    qint64 total = -1;
    QTimer *idle = nullptr;
    QTimer *deadline = nullptr; // in-memory transfers only
    bool writeFailed = false;
    QString writeError;
    bool timedOut = false;
    bool overSize = false;
    bool overDeadline = false;
};

Downloader::Downloader(QObject *parent)
    : QObject(parent)
    , m_idleTimeout(defaultIdle())
{
    qRegisterMetaType<TransferResult>();
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
    const QString key = Key.isEmpty() ? URL : Key;
    if (Transfer *old = m_transfers.take(key))
        discard(old);

    auto *t = new Transfer;
    t->url = URL;
    t->key = key;
    t->idle = new QTimer(this);
    t->idle->setSingleShot(true);
    m_transfers.insert(key, t);

    // Only web addresses are fetched: a page must not make the program read local files.
    const QUrl url(URL.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty()) {
        connect(t->idle, &QTimer::timeout, this, [this, t] {
            TransferResult r;
            r.networkError = QNetworkReply::ProtocolUnknownError;
            r.errorText = QStringLiteral("Only http and https addresses can be fetched");
            finish(t, r);
        });
        t->idle->start(0);
        return;
    }

    if (!TargetFile.isEmpty()) {
        t->target = new QFile(TargetFile);
        if (!t->target->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            t->writeError = t->target->errorString();
            connect(t->idle, &QTimer::timeout, this, [this, t] {
                TransferResult r;
                r.errorText = QStringLiteral("Cannot write %1: %2").arg(t->target->fileName(), t->writeError);
                r.targetFile = t->target->fileName();
                r.writeFailed = true;
                finish(t, r);
            });
            t->idle->start(0);
            return;
        }
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         (CacheMode & ForceUpdate) ? QNetworkRequest::AlwaysNetwork
                                                   : QNetworkRequest::PreferNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Clipvault/1.0"));

    t->manager = NetworkPool::acquire();
    QNetworkReply *reply = t->manager->get(request);
    t->reply = reply;
    if (t->target)
        reply->setReadBufferSize(kFileReadBuffer);

    connect(reply, &QNetworkReply::readyRead, this, [this, t] { onReadyRead(t); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, t] {
        if (t->idle && m_idleTimeout > 0)
            t->idle->start(m_idleTimeout);
        // An announced length over the cap is refused before a byte of it is read.
        const QVariant length = t->reply->header(QNetworkRequest::ContentLengthHeader);
        if (!t->target && m_limits.maxBytes > 0 && length.isValid() && length.toLongLong() > m_limits.maxBytes)
            abortOverLimit(t, true);
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, t](qint64 done, qint64 total) {
        t->total = total;
        const int status = t->reply ? t->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
        Q_EMIT Progress(t->url, t->key, done, total > 0 ? total : 0, status);
    });
    connect(reply, &QNetworkReply::finished, this, [this, t] { onFinished(t); });
    connect(t->idle, &QTimer::timeout, this, [t] {
        t->timedOut = true;
        if (t->reply)
            t->reply->abort(); // finished follows, with the time-out noted
    });
    if (m_idleTimeout > 0)
        t->idle->start(m_idleTimeout);
    if (!t->target && m_limits.deadlineMs > 0) {
        t->deadline = new QTimer(this);
        t->deadline->setSingleShot(true);
        connect(t->deadline, &QTimer::timeout, this, [this, t] { abortOverLimit(t, false); });
        t->deadline->start(m_limits.deadlineMs);
    }
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

bool Downloader::writeToTarget(Transfer *t, const QByteArray &chunk)
{
    if (t->writeFailed)
        return false;
    if (t->target->write(chunk) != chunk.size()) {
        t->writeFailed = true;
        t->writeError = t->target->errorString();
        return false;
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
        if (m_limits.maxBytes > 0 && t->received > m_limits.maxBytes) {
            abortOverLimit(t, true);
            return;
        }
        t->data.append(chunk);
        return;
    }
    // Straight from the reply's buffer to the file through one reused block.
    static thread_local QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = t->reply->read(block.data(), block.size());
        if (n <= 0)
            break;
        t->received += n;
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
    if (!t->overSize && !t->overDeadline)
        onReadyRead(t); // whatever is still buffered
    if (t->overSize || t->overDeadline)
        t->data.clear(); // the part of an answer that broke a bound is no answer

    TransferResult r;
    r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.networkError = reply->error();
    r.bytesReceived = t->received;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    r.bytesTotal = length.isValid() ? length.toLongLong() : -1;
    r.timedOut = t->timedOut;
    r.overSizeLimit = t->overSize;
    r.overDeadline = t->overDeadline;

    if (t->target) {
        r.targetFile = t->target->fileName();
        if (!t->target->flush() && !t->writeFailed) {
            t->writeFailed = true;
            t->writeError = t->target->errorString();
        }
        t->target->close();
    }
    r.writeFailed = t->writeFailed;

    if (t->overSize)
        r.errorText = QStringLiteral("The answer is larger than %1 bytes").arg(m_limits.maxBytes);
    else if (t->overDeadline)
        r.errorText = QStringLiteral("The answer took longer than %1 seconds").arg(m_limits.deadlineMs / 1000.0);
    else if (t->timedOut)
        r.errorText = QStringLiteral("Nothing was received for %1 seconds").arg(m_idleTimeout / 1000.0);
    else if (t->writeFailed)
        r.errorText = QStringLiteral("Cannot write %1: %2").arg(r.targetFile, t->writeError);
    else if (reply->error() != QNetworkReply::NoError && (r.httpStatus < 400))
        r.errorText = reply->errorString();
    else if (r.httpStatus < 200 || r.httpStatus > 299)
        r.errorText = QStringLiteral("The server answered %1 %2")
                          .arg(r.httpStatus)
                          .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    else if (r.bytesTotal >= 0 && r.bytesReceived != r.bytesTotal)
        r.errorText = QStringLiteral("Received %1 of %2 bytes").arg(r.bytesReceived).arg(r.bytesTotal);
    r.ok = r.errorText.isEmpty();
    finish(t, r);
}

void Downloader::finish(Transfer *t, TransferResult result)
{
    // The key may already belong to a newer transfer (restart) or be gone (cancel).
    if (m_transfers.value(t->key) != t)
        return;
    // The transfer is over before its handler runs, so a handler that starts the same address
    // again begins a fresh transfer instead of cancelling this finished one.
    m_transfers.remove(t->key);
    if (t->target && result.targetFile.isEmpty())
        result.targetFile = t->target->fileName();
    const QByteArray data = std::move(t->data);
    const QString url = t->url;
    const QString key = t->key;
    if (t->idle)
        t->idle->stop();
    if (t->deadline)
        t->deadline->stop();
    Q_EMIT Complete(url, data, key, result);
    discard(t);
}

void Downloader::discard(Transfer *t)
{
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
