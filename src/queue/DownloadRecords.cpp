#include "queue/DownloadRecords.h"

#include "queue/ArrayElements.h"

#include <algorithm>

DownloadRecords::DownloadRecords()
    : m_rowPercent{0}
{
}

int DownloadRecords::indexOf(const QString &key) const
{
    for (int row = 0; row < count(); ++row)
        if (m_rows[row].key == key)
            return row;
    return -1;
}

void DownloadRecords::setPercent(int row, qint64 value)
{
    if (row >= 0 && row + 1 < m_rowPercent.size())
        m_rowPercent[row + 1] = value;
}

void DownloadRecords::append(const DownloadRecord &record)
{
    m_rows.append(record);
    m_rowPercent.append(0);
}

void DownloadRecords::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    m_rows.removeAt(row);
    modFunctions::RemoveArrayElement(m_rowPercent, row + 1);
    if (m_rows.isEmpty())
        m_rowPercent = {0};
}

void DownloadRecords::move(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count() || from == to)
        return;
    m_rows.move(from, to);
    m_rowPercent.move(from + 1, to + 1);
}

int DownloadRecords::countInState(int state) const
{
    return static_cast<int>(std::count_if(m_rows.cbegin(), m_rows.cend(),
                                          [state](const DownloadRecord &r) { return r.state == state; }));
}

bool DownloadRecords::anyInState(int state) const
{
    for (const DownloadRecord &r : m_rows)
        if (r.state == state)
            return true;
    return false;
}

qint64 DownloadRecords::totalBytes() const
{
    qint64 total = 0;
    for (const DownloadRecord &r : m_rows)
        total += r.bytes;
    return total;
}

bool DownloadRecords::hasFileName(const QString &name) const
{
    for (const DownloadRecord &r : m_rows)
        if (r.fileName == name)
            return true;
    return false;
}
