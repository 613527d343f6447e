#pragma once

#include "transfer/ByteRanges.h"
#include "transfer/TransferAnswer.h"
#include "transfer/TransferRequest.h"
#include "transfer/TransferResult.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// One file fetched over several connections at once, each asking for its own segment with Range
// and If-Range and writing at its own offsets into the one file (pwrite: nothing is held beyond a
// small buffer per connection). When a segment is done and nothing else waits, the largest
// segment still running is cut in two and a new connection takes its second half, so that every
// connection stays busy to the end.
//
// More connections pay only where the server limits each one: the first runs alone for ProbeMs
// from its answer, then the others open, and the speed of all together is measured from the
// first of their answers until ProbeMs after the last. Unless it is at least GainNeeded times the
// first one's alone, the transfer goes on with one connection (a fast server on a busy machine
// only gets slower with more); a first connection of FastAlone or more goes on alone at once.
//
// Every answer must prove the same file: a 206 from the asked offset, with the same total and the
// same validators. Anything else (a 200, another ETag, date or total, a 416) ends the whole
// transfer with mustRestart: nothing of it is joined to the bytes on disk. A server that refuses
// an extra connection (429, 503, connection refused) is used with one connection fewer, never
// fewer than one. A segment that is cut off or refused with no other connection left is tried
// again by itself after RetryPolicy's wait; one that has used up its tries ends the transfer as a
// failure (TransferResult::retriesSpent), and the bytes on disk stay usable (TransferResult::ranges).
class SegmentedTransfer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentedTransfer)

public:
    static constexpr qint64 MinRest = 8 * 1024 * 1024; // fewer missing bytes take one connection
    static constexpr qint64 MinPiece = 1024 * 1024;    // no segment is cut smaller than this
    static constexpr int MaxConnections = 16;
    static constexpr int ProbeMs = 100;
    static constexpr int OpeningMs = 10000;
    static constexpr double GainNeeded = 1.5;
    // A first connection this fast alone (bytes per second) is not limited in any way that more
    // connections would help with: the disk or the processor is the limit.
    static constexpr double FastAlone = 256.0 * 1024 * 1024;

    struct Setup
    {
        TransferRequest request;       // the address, its headers; validators with the file's total
        QFile *file = nullptr;         // open for writing, not owned
        ByteRanges kept;               // on disk already
        int idleTimeoutMs = 0;         // a connection that receives nothing this long is cut off
        // Whether one more connection to the server may open now, when this transfer has `open`.
        std::function<bool(int open)> mayConnect;
    };
    SegmentedTransfer(Setup setup, QObject *parent = nullptr);
    ~SegmentedTransfer() override;

    // Begins with the first missing byte: its answer proves the kept bytes (answered) before any
    // other connection opens.
    void start();
    // Goes on with an answer already proven, whose body from `from` on belongs to the file; the
    // manager stays the caller's.
    void adopt(QNetworkReply *reply, QNetworkAccessManager *manager, qint64 from);
    // Ends every connection; nothing more is reported.
    void stop();

    const ByteRanges &onDisk() const { return m_onDisk; }
    int connectionCount() const; // open now, or waiting to try again

    // Waits between tries are scaled by this factor (tests shorten them).
    static void setRetryTimeScale(double scale);

Q_SIGNALS:
    void answered(const TransferAnswer &answer); // after start(): the first answer proved the kept bytes
    void progress(qint64 done, qint64 total);    // bytes on disk, never fewer than before
    void finished(const TransferResult &result);
    void mustRestart(); // another version of the file answered: the bytes on disk are of no use

private:
    struct Segment;
    enum class Verdict { Pending, Proven, Error, Changed };
    // Alone: the first connection's speed is measured; Opening: the others are asked; Together:
    // the speed of all is measured; Done: the number of connections is settled.
    enum class Probe { Alone, Opening, Together, Done };

    void connectSegment(Segment *segment);
    void schedule();
    Verdict check(Segment *segment);
    void onReadyRead(Segment *segment);
    void onFinished(Segment *segment);
    void paceLater(Segment *segment);
    bool owns(const Segment *segment) const;
    void segmentDone(Segment *segment);
    void segmentFailed(Segment *segment);
    void release(Segment *segment);
    void watch();
    void beginProbe();
    void probeStep();
    bool writeAt(const char *data, qint64 size, qint64 offset);
    void conclude(TransferResult result);
    void restart();
    TransferResult resultOf(bool ok) const;
    int active() const;

    Setup m_setup;
    qint64 m_total;
    qint64 m_keptAtStart;
    qint64 m_received = 0;
    int m_limit;            // connections at most; fewer once the server refused some
    int m_firstStatus = 206; // of the first answer: 200 when the file was asked for from zero
    bool m_proven = false;  // an answer proved the file: more connections may open
    bool m_over = false;    // concluded or stopped: nothing more happens
    ByteRanges m_onDisk;
    std::vector<std::unique_ptr<Segment>> m_segments;
    QTimer *m_watch;
    Probe m_probe = Probe::Alone;
    QTimer *m_probeTimer;
    qint64 m_windowStartMs = 0;
    qint64 m_windowStartBytes = 0;
    double m_aloneSpeed = 0; // bytes per millisecond
};
