#pragma once

#include "queue/JournalRow.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <functional>

class DownloadJournal;
class QTimer;

// Decides when the journal is written: at once when a row is added, removed, renamed or changes
// state, and at most once per interval (a second) while only byte counts move, with the last
// counts written when the interval is over. The rows come from the list through `rows` at the
// moment of writing.
class JournalWriter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalWriter)

public:
    JournalWriter(DownloadJournal *journal, std::function<QList<JournalRow>()> rows, QObject *parent = nullptr);

    void rowsChanged();  // written now
    void bytesChanged(); // written now if the last write is an interval old, else when it is
    void flush();        // a pending write happens now (before the program ends)
    bool isPending() const;

    void setInterval(int milliseconds) { m_intervalMs = milliseconds; }
    int writes() const { return m_writes; } // journal writes so far

Q_SIGNALS:
    // A write failed; the journal on disk keeps its last good state.
    void saveFailed(const QString &reason);

private:
    void write();

    DownloadJournal *m_journal;
    std::function<QList<JournalRow>()> m_rows;
    QTimer *m_timer;
    QElapsedTimer m_sinceWrite;
    int m_intervalMs = 1000;
    int m_writes = 0;
};
