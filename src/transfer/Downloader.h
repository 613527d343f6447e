#pragma once

#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Fetches addresses over HTTP in the background, any number at once, each transfer known by a
// key (the address itself unless the caller names one). Progress and completion arrive as
// signals on the thread that owns the instance.
//
// A transfer ends with exactly one Complete, unless it is cancelled (no event) or restarted under
// the same key (the old one is cancelled, only the new one completes). Bodies are kept in memory,
// or, when Start names a target file, written to that file as they arrive so that memory stays
// bounded whatever the size; Complete then carries no bytes.
class Downloader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Downloader)

public:
    // The cache option every caller passes: always fetch from the server, never from a cache.
    static constexpr int ForceUpdate = 16;

    explicit Downloader(QObject *parent = nullptr);
    ~Downloader() override; // running transfers end without events

    void Start(const QString &URL, int CacheMode = 0, const QString &Key = QString(),
               const QString &TargetFile = QString());
    void CancelDownload(const QString &URL);

    bool IsRunning(const QString &Key) const;
    int RunningCount() const;

    // Bounds for bodies kept in memory (transfers without a target file): a body that grows, or
    // is announced, past maxBytes, or a transfer still running deadlineMs after its start, ends
    // as a failure that carries no bytes (TransferResult::overSizeLimit, ::overDeadline).
    // Zero means no bound. A server that streams for ever, or sends a byte now and then, can
    // therefore hold neither memory nor a transfer for long. Bodies written to a target file are
    // not bounded: a video may take hours.
    struct MemoryLimits
    {
        qint64 maxBytes = 0;
        int deadlineMs = 0;
    };
    static constexpr MemoryLimits PageLimits{4 * 1024 * 1024, 60000};    // watch and result pages
    static constexpr MemoryLimits PictureLimits{1024 * 1024, 30000};     // thumbnails
    // Until a caller sets its own: generous, but still an end.
    static constexpr MemoryLimits DefaultLimits{64 * 1024 * 1024, 300000};
    void setMemoryLimits(MemoryLimits limits) { m_limits = limits; }
    MemoryLimits memoryLimits() const { return m_limits; }

    // A transfer that receives nothing for this long ends as a failure.
    void setIdleTimeout(int milliseconds);
    int idleTimeout() const { return m_idleTimeout; }
    static void setDefaultIdleTimeout(int milliseconds);
    static int defaultIdleTimeout();

Q_SIGNALS:
    void Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal,
                  int Status);
    void Complete(const QString &URL, const QByteArray &data, const QString &Key,
                  const TransferResult &result);

private:
    struct Transfer;

    void finish(Transfer *transfer, TransferResult result);
    void onReadyRead(Transfer *transfer);
    void onFinished(Transfer *transfer);
    void discard(Transfer *transfer);
    bool writeToTarget(Transfer *transfer, const QByteArray &chunk);

    void abortOverLimit(Transfer *transfer, bool overSize);

    QHash<QString, Transfer *> m_transfers; // by key
    int m_idleTimeout;
    MemoryLimits m_limits = DefaultLimits;
};
