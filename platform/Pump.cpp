#include "platform/Pump.h"

namespace {
TMessagePump* g_pump = nullptr;
} // namespace

TMessagePump::TMessagePump(Dispatch dispatch, std::chrono::milliseconds interval)
    : m_dispatch(dispatch)
    , m_interval(interval)
    // The clock's epoch may be less than an interval ago (it is the boot).
    , m_last(std::chrono::steady_clock::now() - m_interval)
{ }

void TMessagePump::Pump()
{
    // Every time reads no clock.
    if (m_interval != m_interval.zero() && std::chrono::steady_clock::now() - m_last < m_interval)
        return;
    m_dispatch();
    ++m_dispatches;
    // Measured from the dispatch's end: however long the events took, the
    // code that pumps gets the next interval to itself.
    if (m_interval != m_interval.zero())
        m_last = std::chrono::steady_clock::now();
}

void pumpMessages()
{
    if (g_pump)
        g_pump->Pump();
}

void pumpTick()
{
    if (g_pump)
        g_pump->Tick();
}

TPumpScope::TPumpScope(TMessagePump& pump)
    : m_previous(g_pump)
{
    g_pump = &pump;
}

TPumpScope::~TPumpScope()
{
    g_pump = m_previous;
}
