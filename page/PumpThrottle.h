#pragma once

#include <chrono>

// Coalesces the message pumping of a long text routine: the routine calls
// Tick() at every point where the window may need to stay live, and the
// pending messages are dispatched at most once per interval. Reading the clock
// only every few ticks keeps a tick to an increment and a compare, so the
// routines stay linear however often they tick.
class TPumpThrottle
{
public:
    static constexpr std::chrono::milliseconds DefaultInterval { 5 };

    // Starts the interval now; the first dispatch comes one interval later.
    explicit TPumpThrottle(std::chrono::milliseconds interval = DefaultInterval);

    // Marks a pump point; dispatches the pending messages when the interval has passed.
    void Tick()
    {
        if ((++m_ticks & (CheckEvery - 1)) == 0)
            CheckClock();
    }

    // Dispatches the pending messages now and starts a new interval.
    void PumpNow();

    // How many dispatches this throttle has made.
    long Dispatches() const { return m_dispatches; }

private:
    static constexpr unsigned CheckEvery = 64; // a power of two
    void CheckClock();

    std::chrono::steady_clock::duration m_interval;
    std::chrono::steady_clock::time_point m_last;
    unsigned m_ticks = 0;
    long m_dispatches = 0;
};
