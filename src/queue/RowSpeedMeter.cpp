#include "queue/RowSpeedMeter.h"

RowSpeedMeter::RowSpeedMeter(qint64 windowMs)
    : m_windowMs(windowMs > 0 ? windowMs : DefaultWindowMs)
{
}

void RowSpeedMeter::sample(qint64 nowMs, qint64 bytes)
{
    if (!m_samples.empty() && (bytes < m_samples.back().bytes || nowMs < m_samples.back().ms))
        m_samples.clear();
    m_samples.push_back({nowMs, bytes});
    // The oldest sample kept is the last one at or before the window's start: the window is
    // then always covered in full once it has filled.
    while (m_samples.size() > 2 && m_samples[1].ms <= nowMs - m_windowMs)
        m_samples.pop_front();
}

void RowSpeedMeter::reset()
{
    m_samples.clear();
}

qint64 RowSpeedMeter::bytesPerSecond(qint64 nowMs) const
{
    if (m_samples.size() < 2 || nowMs - m_samples.back().ms > m_windowMs)
        return 0;
    const Sample &first = m_samples.front();
    const Sample &last = m_samples.back();
    const qint64 span = last.ms - first.ms;
    if (span <= 0)
        return 0;
    return (last.bytes - first.bytes) * 1000 / span;
}

qint64 RowSpeedMeter::secondsLeft(qint64 nowMs, qint64 total) const
{
    if (total < 0 || m_samples.empty())
        return -1;
    const qint64 remaining = total - m_samples.back().bytes;
    if (remaining <= 0)
        return 0;
    const qint64 speed = bytesPerSecond(nowMs);
    if (speed <= 0)
        return -1;
    return (remaining + speed - 1) / speed;
}
