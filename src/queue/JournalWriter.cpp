#include "queue/JournalWriter.h"

#include "queue/DownloadJournal.h"

#include <QTimer>

JournalWriter::JournalWriter(DownloadJournal *journal, std::function<QList<JournalRow>()> rows, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
    , m_rows(std::move(rows))
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &JournalWriter::write);
}

void JournalWriter::rowsChanged()
{
    write();
}

void JournalWriter::bytesChanged()
{
    if (m_timer->isActive())
        return; // the write already due will carry these counts too
    const qint64 since = m_sinceWrite.isValid() ? m_sinceWrite.elapsed() : m_intervalMs;
    if (since >= m_intervalMs)
        write();
    else
        m_timer->start(static_cast<int>(m_intervalMs - since));
}

void JournalWriter::flush()
{
    if (m_timer->isActive())
        write();
}

bool JournalWriter::isPending() const
{
    return m_timer->isActive();
}

void JournalWriter::write()
{
    m_timer->stop();
    m_sinceWrite.start();
    ++m_writes;
    QString error;
    if (!m_journal->save(m_rows(), &error))
        Q_EMIT saveFailed(error);
}
