#pragma once

#include "platform/Pump.h"

// Counts the dispatches of the message pump while it is alive; every pump
// point dispatches.
class PumpCounter
{
public:
    PumpCounter() { s_count = 0; }
    PumpCounter(const PumpCounter&) = delete;
    PumpCounter& operator=(const PumpCounter&) = delete;

    int count() const { return s_count; }

private:
    static void Count() { ++s_count; }
    static inline int s_count = 0;
    TMessagePump m_counter { &PumpCounter::Count, TMessagePump::EveryTime };
    TPumpScope m_pump { m_counter };
};
