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

    QHash<QString, Transfer *> m_transfers; // by key
    int m_idleTimeout;
};
