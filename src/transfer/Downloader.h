#pragma once

#include "transfer/ByteRanges.h"
#include "transfer/TransferAnswer.h"
#include "transfer/TransferRequest.h"
#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class QNetworkReply;
class QTimer;

// Fetches addresses over HTTP in the background, any number at once, each transfer known by a
// key (the address itself unless the caller names one). Progress and completion arrive as
// signals on the thread that owns the instance.
//
// A transfer ends with exactly one Complete, unless it is cancelled (no event) or restarted under
// the same key (the old one is cancelled, only the new one completes). Bodies are kept in memory,
// or, when the request names a target file, written to that file as they arrive so that memory
// stays bounded whatever the size; Complete then carries no bytes. Only the body of a success
// answer is written to the file: an error page never becomes part of it.
//
// Resume (TransferRequest::resumeFrom with the validators of the first transfer): the request
// asks for the rest with Range and If-Range, and the answer's headers decide:
//   206 starting at our offset, with the same total and the same strong ETag (else the same
//       date)                     -> appended to the bytes kept; result.resumed
//   200 (range ignored, or the file changed)
//                                 -> the file is written again from zero; result.restarted
//   416 whose total is exactly what we hold (and that names no other version)
//                                 -> the file is already whole: ok, result.resumed, nothing written
//   anything else that does not prove to be the same file
//                                 -> the kept bytes are dropped and the whole file is asked for
//                                    again in the same transfer; result.restarted
//   an error status (4xx, 5xx)    -> a failure; the kept bytes stay as they were
// Bytes of two different files are never joined. Progress counts the kept bytes too, so a
// resumed transfer's bar goes on from where it stood.
//
// Segments (TransferRequest::connections above 1): when the answer to be written proves that the
// server serves ranges (a 206, or a 200 with Accept-Ranges: bytes) with a strong validator and a
// length, and at least SegmentedTransfer::MinRest bytes are missing, the rest is fetched by a
// SegmentedTransfer over up to that many connections, at most MaxConnectionsPerHost to one server
// for all transfers of this instance together, each transfer to it taking an equal share of them
// (at least one: 25 files at once each keep one connection). Its events are this transfer's: one Answered, then
// Progress counting every byte on disk, one Complete whose result names the ranges on disk
// (TransferResult::ranges). An answer of another version of the file on any of its connections
// starts the file again from zero on one connection (Answered again, with restarted). A request
// with keptRanges continues exactly those bytes in segments.
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
    void Start(const TransferRequest &request);
    void CancelDownload(const QString &URL);

    bool IsRunning(const QString &Key) const;
    int RunningCount() const;
    // The bytes on disk of a running transfer written in segments; none (no value) when it runs
    // on one connection from the start of the file, or does not run.
    std::optional<ByteRanges> rangesOnDisk(const QString &Key) const;

    static constexpr int MaxConnectionsPerHost = 16;

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
    static constexpr MemoryLimits PageLimits{4 * 1024 * 1024, 60000}; // watch and result pages
    static constexpr MemoryLimits PictureLimits{1024 * 1024, 30000};  // thumbnails
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
    // BytesDone and BytesTotal count the whole file, kept bytes of a resume included; BytesTotal
    // is 0 while the length is unknown.
    void Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal,
                  int Status);
    void Complete(const QString &URL, const QByteArray &data, const QString &Key,
                  const TransferResult &result);
    // For a transfer to a file: the answer whose body is about to be written (or, for a 416 that
    // proves the file whole, that nothing is missing). Before any Progress that counts its body,
    // always before Complete; once per transfer, and once more when a transfer in segments starts
    // the file again from zero. A handler may cancel or restart the transfer.
    void Answered(const QString &URL, const QString &Key, const TransferAnswer &answer);

private:
    struct Transfer;
    // Pending: the final answer is not there yet; Replaced: a new request went out instead;
    // Gone: a handler of Answered cancelled or restarted the transfer (it is deleted).
    enum class Decision { Pending, Made, Replaced, Gone };

    void send(Transfer *transfer);
    Decision decide(Transfer *transfer);
    void askAgainFromZero(Transfer *transfer);
    void finish(Transfer *transfer, TransferResult result);
    void failSoon(Transfer *transfer, TransferResult result);
    void onReadyRead(Transfer *transfer);
    void onFinished(Transfer *transfer);
    void paceLater(Transfer *transfer);
    void discard(Transfer *transfer);
    bool writeToTarget(Transfer *transfer, const QByteArray &chunk);
    void abortOverLimit(Transfer *transfer, bool overSize);
    QString errorTextOf(const Transfer *transfer, const TransferResult &result) const;
    // Segments (DownloaderSegments.cpp).
    bool maySplit(const Transfer *transfer, const QNetworkReply *reply) const;
    void startInSegments(Transfer *transfer, const ByteRanges &kept);
    void handOver(Transfer *transfer);
    void runSegments(Transfer *transfer, const ByteRanges &kept);
    void restartOnOneConnection(Transfer *transfer);
    bool mayConnect(const QString &host, int open) const;

    bool isCurrent(const QString &key, quint64 serial) const;
    qint64 capOf(const Transfer *transfer) const; // the size cap of its body, 0 for none

    QHash<QString, Transfer *> m_transfers; // by key
    quint64 m_serial = 0; // numbers transfers, so that a new one at an old one's address is told apart
    int m_idleTimeout;
    MemoryLimits m_limits = DefaultLimits;
};
