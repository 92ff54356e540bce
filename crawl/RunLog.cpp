#include "crawl/RunLog.h"

void TRunLog::BeginRun(TTimeOfDay start)
{
    ++m_runCount;
    if (m_entries.size() == Capacity)
        m_entries.pop_front();
    m_entries.push_back(TRunLogEntry { m_runCount, start, std::nullopt, 0 });
}

void TRunLog::CountRecord()
{
    if (!m_entries.empty())
        ++m_entries.back().records;
}

void TRunLog::EndRun(TTimeOfDay stop)
{
    if (!m_entries.empty())
        m_entries.back().stop = stop;
}
