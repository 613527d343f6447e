#pragma once

#include <QtGlobal>

#include <deque>

// One row's own speed over a short moving window, and the time left at that speed. The list
// feeds it the row's byte count (kept bytes of a resume included) with the time, e.g. once a
// second; a count that falls (the file started again from zero) starts the window afresh, so
// the speed is never negative.
class RowSpeedMeter final
{
public:
    static constexpr qint64 DefaultWindowMs = 5000;
    explicit RowSpeedMeter(qint64 windowMs = DefaultWindowMs);

    void sample(qint64 nowMs, qint64 bytes);
    void reset(); // the row stopped: no speed until new samples arrive

    // Bytes per second over the window; 0 until two samples lie a moment apart, and once the
    // newest sample is older than the window (a row that no longer reports is not moving).
    qint64 bytesPerSecond(qint64 nowMs) const;
    // Whole seconds until `total` bytes at the current speed, rounded up; -1 when it cannot be
    // told (total unknown, no speed), 0 when the bytes are all there.
    qint64 secondsLeft(qint64 nowMs, qint64 total) const;

private:
    struct Sample
    {
        qint64 ms;
        qint64 bytes;
    };
    std::deque<Sample> m_samples;
    qint64 m_windowMs;
};
