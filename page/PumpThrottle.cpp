#include "page/PumpThrottle.h"

#include "platform/Pump.h"

TPumpThrottle::TPumpThrottle(std::chrono::milliseconds interval)
    : m_interval(interval)
    , m_last(std::chrono::steady_clock::now())
{ }

void TPumpThrottle::PumpNow()
{
    pumpMessages();
    ++m_dispatches;
    m_last = std::chrono::steady_clock::now();
}

void TPumpThrottle::CheckClock()
{
    if (std::chrono::steady_clock::now() - m_last >= m_interval)
        PumpNow();
}
