#include "transfer/SegmentedTransfer.h"


#include "transfer/ContentRange.h"
#include "transfer/NetworkPool.h"
#include "transfer/NetworkRequest.h"
#include "transfer/RateLimiter.h"
#include "transfer/RetryPolicy.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr qint64 kReadBuffer = 512 * 1024; // per connection: what a reply holds before it stops reading

double &retryScale()
{
    static double scale = 1.0;
    return scale;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

int statusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

struct SegmentedTransfer::Segment
{
    Segment(qint64 from, qint64 to)
        : pos(from)
        , end(to)
    {
    }
    qint64 pos; // the next byte it writes
    qint64 end; // one past its last byte
    qint64 askedFrom = 0; // pos when its current request went out
    QNetworkAccessManager *manager = nullptr;
    bool ownsManager = false;
    QPointer<QNetworkReply> reply;
    bool proven = false;  // its answer is the file's
    bool waiting = false; // to try again
    bool timedOut = false;
    int retries = 0;
    qint64 lastActivityMs = 0;
};

void SegmentedTransfer::setRetryTimeScale(double scale)
{
    retryScale() = scale > 0 ? scale : 1.0;
}

SegmentedTransfer::SegmentedTransfer(Setup setup, QObject *parent)
    : QObject(parent)
    , m_setup(std::move(setup))
    , m_total(m_setup.request.validators.total)
    , m_limit(std::clamp(m_setup.request.connections, 1, MaxConnections))
    , m_onDisk(m_setup.kept.clippedTo(m_total))
    , m_watch(new QTimer(this))
    , m_probeTimer(new QTimer(this))
{
    m_probeTimer->setSingleShot(true);
    connect(m_probeTimer, &QTimer::timeout, this, &SegmentedTransfer::probeStep);
    m_keptAtStart = m_onDisk.bytes();
    if (m_total - m_keptAtStart < MinRest)
        m_limit = 1;
    connect(m_watch, &QTimer::timeout, this, &SegmentedTransfer::watch);
}

SegmentedTransfer::~SegmentedTransfer()
{
    stop();
}

void SegmentedTransfer::start()
{
    for (const ByteRanges::Span &hole : m_onDisk.missing(m_total))
        m_segments.push_back(std::make_unique<Segment>(hole.begin, hole.end));
    if (m_segments.empty()) {
        conclude(resultOf(true)); // the kept bytes are the whole file
        return;
    }
    if (m_setup.idleTimeoutMs > 0)
        m_watch->start(std::max(100, m_setup.idleTimeoutMs / 4));
    connectSegment(m_segments.front().get());
}

void SegmentedTransfer::adopt(QNetworkReply *reply, QNetworkAccessManager *manager, qint64 from)
{
    m_proven = true;
    beginProbe();
    m_firstStatus = statusOf(reply);
    m_setup.request.url = reply->url().toString(); // where redirects led: the others go there at once
    auto segment = std::make_unique<Segment>(from, m_total);
    Segment *s = segment.get();
    m_segments.push_back(std::move(segment));
    s->manager = manager;
    s->reply = reply;
    s->askedFrom = from;
    s->proven = true;
    s->lastActivityMs = nowMs();
    reply->setReadBufferSize(RateLimiter::rate() > 0 ? std::clamp<qint64>(RateLimiter::rate() / 10, 16384, kReadBuffer)
                                                   : kReadBuffer);
    connect(reply, &QNetworkReply::readyRead, this, [this, s] { onReadyRead(s); });
    connect(reply, &QNetworkReply::finished, this, [this, s] { onFinished(s); });
    if (m_setup.idleTimeoutMs > 0)
        m_watch->start(std::max(100, m_setup.idleTimeoutMs / 4));
    schedule();
    // What the reply holds already is read on the next turn, as is an end that came with it.
    QMetaObject::invokeMethod(this, [this, s, r = QPointer<QNetworkReply>(reply)] {
        const auto alive = [&] {
            return !m_over && r && std::any_of(m_segments.begin(), m_segments.end(),
                                               [s, &r](const auto &p) { return p.get() == s && p->reply == r; });
        };
        if (alive())
            onReadyRead(s);
        if (alive() && r->isFinished())
            onFinished(s);
    }, Qt::QueuedConnection);
}

void SegmentedTransfer::stop()
{
    m_over = true;
    for (const auto &s : m_segments)
        release(s.get());
    m_segments.clear();
    m_watch->stop();
    m_probeTimer->stop();
}

void SegmentedTransfer::beginProbe()
{
    m_probe = m_limit > 1 ? Probe::Alone : Probe::Done;
    m_windowStartMs = nowMs();
    m_windowStartBytes = m_received;
    if (m_probe == Probe::Alone)
        m_probeTimer->start(ProbeMs);
}

void SegmentedTransfer::probeStep()
{
    if (m_over)
        return;
    const double speed = double(m_received - m_windowStartBytes) / double(std::max<qint64>(1, nowMs() - m_windowStartMs));
    switch (m_probe) {
    case Probe::Alone:
        m_aloneSpeed = speed;
        if (speed >= FastAlone / 1000.0) {
            m_probe = Probe::Done;
            m_limit = 1;
            return;
        }
        m_probe = Probe::Opening;
        m_probeTimer->start(OpeningMs); // no other answers at all: the number stays as it is
        schedule();
        if (active() <= 1)
            m_probe = Probe::Done; // nothing more could open
        return;
    case Probe::Opening:
        m_probe = Probe::Done;
        return;
    case Probe::Together: {
        m_probe = Probe::Done;
        if (speed >= GainNeeded * m_aloneSpeed)
            return;
        // No gain: one connection goes on, the one with the most left; the others' parts wait
        // for it.
        m_limit = 1;
        Segment *kept = nullptr;
        for (const auto &s : m_segments)
            if (s->reply && s->proven && (!kept || s->end - s->pos > kept->end - kept->pos))
                kept = s.get();
        for (const auto &s : m_segments)
            if (s.get() != kept && s->reply)
                release(s.get());
        schedule();
        return;
    }
    case Probe::Done:
        return;
    }
}

int SegmentedTransfer::active() const
{
    return static_cast<int>(std::count_if(m_segments.begin(), m_segments.end(),
                                          [](const auto &s) { return s->reply || s->waiting; }));
}

int SegmentedTransfer::connectionCount() const
{
    return m_over ? 0 : active();
}

void SegmentedTransfer::connectSegment(Segment *s)
{
    if (!s->manager) {
        s->manager = NetworkPool::acquire();
        s->ownsManager = true;
    }
    const QByteArray range = "bytes=" + QByteArray::number(s->pos) + '-' + QByteArray::number(s->end - 1);
    QNetworkRequest request = networkRequestFor(m_setup.request, range, m_setup.request.validators.ifRange());
    // Each segment on a connection of its own: a server limits each connection, not each stream.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply *reply = s->manager->get(request);
    reply->setReadBufferSize(RateLimiter::rate() > 0 ? std::clamp<qint64>(RateLimiter::rate() / 10, 16384, kReadBuffer)
                                                   : kReadBuffer);
    s->reply = reply;
    s->askedFrom = s->pos;
    s->proven = false;
    s->timedOut = false;
    s->lastActivityMs = nowMs();
    connect(reply, &QNetworkReply::readyRead, this, [this, s] { onReadyRead(s); });
    connect(reply, &QNetworkReply::finished, this, [this, s] { onFinished(s); });
}

// Connections that are free take the pieces nobody fetches, then halves of the largest pieces
// still being fetched.
void SegmentedTransfer::schedule()
{
    if (m_over || !m_proven)
        return;
    const bool alone = m_probe == Probe::Alone;
    if (m_segments.empty())
        for (const ByteRanges::Span &hole : m_onDisk.missing(m_total))
            m_segments.push_back(std::make_unique<Segment>(hole.begin, hole.end));
    const auto mayOpen = [this, alone] {
        const int open = active();
        return open == 0 || (!alone && open < m_limit && (!m_setup.mayConnect || m_setup.mayConnect(open)));
    };
    for (const auto &s : m_segments) {
        if (s->reply || s->waiting)
            continue;
        if (!mayOpen())
            return;
        connectSegment(s.get());
    }
    while (mayOpen()) {
        Segment *victim = nullptr;
        for (const auto &s : m_segments)
            if (s->reply && (!victim || s->end - s->pos > victim->end - victim->pos))
                victim = s.get();
        if (!victim || victim->end - victim->pos < 2 * MinPiece)
            return;
        const qint64 middle = victim->pos + (victim->end - victim->pos) / 2;
        m_segments.push_back(std::make_unique<Segment>(middle, victim->end));
        victim->end = middle;
        connectSegment(m_segments.back().get());
    }
}

SegmentedTransfer::Verdict SegmentedTransfer::check(Segment *s)
{
    QNetworkReply *reply = s->reply;
    const int status = statusOf(reply);
    if (status >= 300 && status <= 399 && !reply->isFinished())
        return Verdict::Pending; // a redirect being followed
    if (status == 416)
        return Verdict::Changed; // the range lies past the end: the length is another
    if (status < 200 || status >= 300)
        return Verdict::Error;
    const ContentRange range = ContentRange::parse(reply->rawHeader("Content-Range"));
    TransferValidators seen;
    seen.etag = reply->rawHeader("ETag");
    seen.lastModified = reply->rawHeader("Last-Modified");
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    const bool same = status == 206 && range.valid && !range.unsatisfied && range.first == s->pos
                      && range.total == m_total && m_setup.request.validators.sameFileAs(seen)
                      && (encoding.isEmpty() || encoding == "identity");
    return same ? Verdict::Proven : Verdict::Changed;
}

void SegmentedTransfer::onReadyRead(Segment *s)
{
    if (m_over || !s->reply)
        return;
    s->lastActivityMs = nowMs();
    if (!s->proven) {
        switch (check(s)) {
        case Verdict::Pending:
            return;
        case Verdict::Error:
            s->reply->readAll(); // an error page: the end of the answer tells what to do
            return;
        case Verdict::Changed:
            restart();
            return;
        case Verdict::Proven:
            s->proven = true;
            if (m_probe == Probe::Opening) {
                // Measured from the first answer on, as the first connection was alone: a server
                // that lets each connection start with a burst gives each the same start.
                m_probe = Probe::Together;
                m_windowStartMs = nowMs();
                m_windowStartBytes = m_received;
            }
            if (m_probe == Probe::Together)
                m_probeTimer->start(ProbeMs); // until ProbeMs after the last of their answers
            if (!m_proven) {
                m_proven = true;
                beginProbe();
                Q_EMIT answered(TransferAnswer{206, m_setup.request.validators, m_keptAtStart, true, false});
                if (m_over)
                    return;
                schedule();
            }
            break;
        }
    }
    static thread_local QByteArray block(1024 * 1024, Qt::Uninitialized);
    qint64 wrote = 0;
    while (s->pos < s->end) {
        // Under a speed limit, only what it allows now, to the last byte of an answer: the
        // segments of one file share one part of it.
        const qint64 ready = std::min({qint64(block.size()), s->end - s->pos, s->reply->bytesAvailable()});
        const qint64 allowed = RateLimiter::take(this, ready);
        if (ready > 0 && allowed <= 0) {
            paceLater(s);
            break;
        }
        const qint64 n = allowed > 0 ? s->reply->read(block.data(), allowed) : 0;
        if (n <= 0)
            break;
        if (!writeAt(block.constData(), n, s->pos))
            return;
        m_onDisk.add(s->pos, s->pos + n);
        s->pos += n;
        m_received += n;
        wrote += n;
    }
    if (wrote > 0) {
        Q_EMIT progress(m_onDisk.bytes(), m_total);
        if (m_over)
            return;
    }
    if (s->pos >= s->end)
        segmentDone(s);
}

void SegmentedTransfer::onFinished(Segment *s)
{
    onReadyRead(s); // whatever is still buffered
    // Reading may have ended the segment (and freed it) or the whole transfer.
    if (m_over || !owns(s) || !s->reply)
        return;
    if (s->pos < s->end && s->reply->bytesAvailable() > 0) {
        paceLater(s); // the rest at the limit's pace: the answer ends when its last byte is read
        return;
    }
    segmentFailed(s); // it ended before its last byte
}

bool SegmentedTransfer::owns(const Segment *s) const
{
    return std::any_of(m_segments.begin(), m_segments.end(), [s](const auto &p) { return p.get() == s; });
}

// Reads on after the speed limit's wait, unless the segment's answer has gone by then; an answer
// that has ended meanwhile is finished once its last byte is read.
void SegmentedTransfer::paceLater(Segment *s)
{
    QNetworkReply *reply = s->reply;
    if (reply->property("paced").toBool())
        return;
    reply->setProperty("paced", true);
    QTimer::singleShot(RateLimiter::waitMs(), this, [this, s, reply = QPointer<QNetworkReply>(reply)] {
        if (m_over || !reply || !owns(s) || s->reply != reply)
            return;
        reply->setProperty("paced", false);
        if (reply->isFinished())
            onFinished(s);
        else
            onReadyRead(s);
    });
}

void SegmentedTransfer::segmentDone(Segment *s)
{
    release(s);
    std::erase_if(m_segments, [s](const auto &p) { return p.get() == s; });
    if (m_onDisk.covers(0, m_total)) {
        conclude(resultOf(true));
        return;
    }
    schedule();
}

void SegmentedTransfer::segmentFailed(Segment *s)
{
    QNetworkReply *reply = s->reply;
    TransferResult tried;
    tried.httpStatus = statusOf(reply);
    tried.networkError = reply->error();
    tried.timedOut = s->timedOut;
    tried.retryAfter = reply->rawHeader("Retry-After");
    // A whole answer shorter than asked for (a server that sends parts of a size of its own) is
    // followed by a request for the rest at once.
    const bool partServed = s->proven && tried.networkError == QNetworkReply::NoError && s->pos > s->askedFrom;
    if (s->proven && tried.networkError == QNetworkReply::NoError)
        tried.networkError = QNetworkReply::RemoteHostClosedError; // the body stopped short
    const bool refusal = !s->proven
                         && (tried.httpStatus == 429 || tried.httpStatus == 503
                             || tried.networkError == QNetworkReply::ConnectionRefusedError);
    QString error = s->timedOut ? QStringLiteral("Nothing was received for %1 seconds").arg(m_setup.idleTimeoutMs / 1000.0)
                    : tried.httpStatus >= 400
                        ? QStringLiteral("The server answered %1 %2")
                              .arg(tried.httpStatus)
                              .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                        : reply->errorString();
    release(s);
    if (partServed) {
        connectSegment(s);
        return;
    }

    const bool othersRun = std::any_of(m_segments.begin(), m_segments.end(),
                                       [s](const auto &p) { return p.get() != s && (p->reply || p->waiting); });
    if (refusal && othersRun) {
        // One connection too many for this server: its piece waits for one that comes free.
        m_limit = std::max(1, m_limit - 1);
        schedule();
        return;
    }
    const RetryPolicy::Decision next = RetryPolicy::next(tried, s->retries);
    if (!next.retry) {
        TransferResult result = resultOf(false);
        if (tried.httpStatus >= 400)
            result.httpStatus = tried.httpStatus;
        result.networkError = tried.networkError;
        result.timedOut = tried.timedOut;
        result.retryAfter = tried.retryAfter;
        result.retriesSpent = RetryPolicy::classify(tried) == RetryPolicy::Failure::Transient;
        result.errorText = error;
        conclude(result);
        return;
    }
    s->retries = next.retryNumber;
    s->waiting = true;
    QTimer::singleShot(static_cast<int>(double(next.delayMs) * retryScale()), this, [this, s] {
        if (m_over || std::none_of(m_segments.begin(), m_segments.end(), [s](const auto &p) { return p.get() == s; }))
            return;
        s->waiting = false;
        connectSegment(s);
    });
}

void SegmentedTransfer::release(Segment *s)
{
    if (QNetworkReply *reply = s->reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        s->reply = nullptr;
    }
    if (s->ownsManager && s->manager)
        NetworkPool::release(s->manager);
    s->manager = nullptr;
    s->ownsManager = false;
}

void SegmentedTransfer::watch()
{
    const qint64 now = nowMs();
    QList<QPointer<QNetworkReply>> idle;
    for (const auto &s : m_segments)
        if (s->reply && now - s->lastActivityMs > m_setup.idleTimeoutMs) {
            s->timedOut = true;
            idle.append(s->reply);
        }
    for (const QPointer<QNetworkReply> &reply : idle)
        if (!m_over && reply)
            reply->abort(); // its end follows, with the time-out noted
}

bool SegmentedTransfer::writeAt(const char *data, qint64 size, qint64 offset)
{
    QString reason;
#ifdef Q_OS_UNIX
    const int fd = m_setup.file->handle();
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            reason = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
            break;
        }
        data += n;
        size -= n;
        offset += n;
    }
#else
    if (!m_setup.file->seek(offset) || m_setup.file->write(data, size) != size)
        reason = m_setup.file->errorString();
#endif
    if (reason.isEmpty())
        return true;
    TransferResult result = resultOf(false);
    result.writeFailed = true;
    result.errorText = QStringLiteral("Cannot write %1: %2").arg(m_setup.request.targetFile, reason);
    conclude(result);
    return false;
}

TransferResult SegmentedTransfer::resultOf(bool ok) const
{
    TransferResult r;
    r.ok = ok;
    r.httpStatus = m_firstStatus;
    r.bytesTotal = m_total;
    r.resumedFrom = m_keptAtStart;
    r.bytesReceived = m_received;
    r.resumed = m_keptAtStart > 0;
    r.validators = m_setup.request.validators;
    r.ranges = m_onDisk;
    r.targetFile = m_setup.request.targetFile;
    return r;
}

void SegmentedTransfer::conclude(TransferResult result)
{
    if (m_over)
        return;
    stop();
    // Reported on the next turn: the caller may delete this object from its handler.
    QMetaObject::invokeMethod(this, [this, result] { Q_EMIT finished(result); }, Qt::QueuedConnection);
}

void SegmentedTransfer::restart()
{
    if (m_over)
        return;
    stop();
    QMetaObject::invokeMethod(this, [this] { Q_EMIT mustRestart(); }, Qt::QueuedConnection);
}
