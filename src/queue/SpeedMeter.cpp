#include "queue/SpeedMeter.h"

#include "queue/ProgressText.h"

qint64 SpeedMeter::Tick(qint64 totalBytes)
{
    if (SpeedBaselineReset) {
        m_lastTotal = totalBytes;
        SpeedBaselineReset = false;
    }
    if (++m_slot > Slots)
        m_slot = 1;
    m_samples[m_slot] = totalBytes - m_lastTotal;
    m_lastTotal = totalBytes;
    return average();
}

qint64 SpeedMeter::average() const
{
    qint64 sum = 0;
    for (int k = 1; k <= Slots; ++k)
        sum += m_samples[k];
    return ProgressText::RoundHalfEven(sum, Slots);
}
