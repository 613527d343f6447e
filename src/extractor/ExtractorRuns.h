#pragma once

#include <QObject>

// Counts the extractor runs of this program that are under way (page lookups and stream
// downloads), so that a new copy of the extractor replaces the old one only while none runs.
class ExtractorRuns final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorRuns)

public:
    static ExtractorRuns &instance();

    int active() const { return m_active; }
    void began();
    void ended();

Q_SIGNALS:
    void allEnded(); // the last run under way has ended

private:
    ExtractorRuns() = default;
    int m_active = 0;
};
