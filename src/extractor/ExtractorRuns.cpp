#include "extractor/ExtractorRuns.h"

ExtractorRuns &ExtractorRuns::instance()
{
    static ExtractorRuns runs;
    return runs;
}

void ExtractorRuns::began()
{
    ++m_active;
}

void ExtractorRuns::ended()
{
    if (m_active > 0 && --m_active == 0)
        Q_EMIT allEnded();
}
