#pragma once

#include "queue/DownloadRecord.h"

#include <QList>
#include <QString>

// The rows of the download list in list order, with the percentage array that runs parallel to
// them (element 0 unused, so that row r, counted from 1, owns element r). Row numbers in this
// class's interface count from 0.
class DownloadRecords final
{
public:
    DownloadRecords();

    int count() const { return static_cast<int>(m_rows.size()); }
    int indexOf(const QString &key) const; // -1 when no row has that key
    DownloadRecord &at(int row) { return m_rows[row]; }
    const DownloadRecord &at(int row) const { return m_rows[row]; }

    // The last whole percentage drawn on the row's bar while its transfer runs; 0 when it is not
    // running or has not reached 1 %; -1 while a transfer of unknown size runs.
    qint64 percent(int row) const { return m_rowPercent.value(row + 1); }
    void setPercent(int row, qint64 value);
    const QList<qint64> &RowPercent() const { return m_rowPercent; }

    void append(const DownloadRecord &record);
    void removeAt(int row);
    void move(int from, int to); // the row and its percentage; the rows between shift by one

    bool anyInState(int state) const;
    int countInState(int state) const;
    qint64 totalBytes() const;                   // bytes of all running transfers
    bool hasFileName(const QString &name) const; // exact comparison

private:
    QList<DownloadRecord> m_rows;
    QList<qint64> m_rowPercent;
};
