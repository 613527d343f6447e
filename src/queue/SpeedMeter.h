#pragma once

#include <QtGlobal>
#include <array>

// The moving average of the download speed over the last ten timer ticks (one tick a second):
// each tick stores the bytes that arrived since the previous one in the next of ten slots.
class SpeedMeter final
{
public:
    static constexpr int Slots = 10;

    // When set, the next tick takes the current byte total as its starting point, so that byte
    // counts dropping to zero (completion, stop, removal) are never measured as negative traffic.
    bool SpeedBaselineReset = false;

    // One tick with the sum of the bytes of all running transfers; returns the average in bytes
    // per second (sum of the ten slots / 10, halves to even).
    qint64 Tick(qint64 totalBytes);

    qint64 average() const;
    int slot() const { return m_slot; }

private:
    std::array<qint64, Slots + 1> m_samples{}; // slot 0 unused
    int m_slot = 0;
    qint64 m_lastTotal = 0;
};
