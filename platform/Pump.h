#pragma once

#include <chrono>

// The message pump of Qt-free code. The page routines, the settings load and
// the crawl call pumpMessages() at the points where the window must stay
// live, and pumpTick() in loops that run once per byte, line or link. What a
// pump point does is the policy of the installed TMessagePump, which the front
// end chooses: until one is installed a pump point does nothing.

// A pumping policy: `dispatch` handles the pending events (the Qt front ends
// pass QCoreApplication::processEvents), and the pump points call it at most
// once per `interval`. EveryTime dispatches at every pump point, for the tests
// that count dispatches or act at a chosen one. A tick is a pump point only
// every TicksPerPoint-th time, so that a tick costs an increment and a compare.
class TMessagePump
{
public:
    using Dispatch = void (*)();
    static constexpr std::chrono::milliseconds EveryTime { 0 };
    static constexpr unsigned TicksPerPoint = 64; // a power of two

    // The first pump point dispatches; the interval runs from the end of each dispatch.
    TMessagePump(Dispatch dispatch, std::chrono::milliseconds interval);
    TMessagePump(const TMessagePump&) = delete;
    TMessagePump& operator=(const TMessagePump&) = delete;

    // A pump point: dispatches unless the last dispatch ended less than the interval ago.
    void Pump();
    // A tick of a tight loop: every TicksPerPoint-th one is a pump point.
    void Tick()
    {
        if ((++m_ticks & (TicksPerPoint - 1)) == 0)
            Pump();
    }

    // How many times this pump has dispatched.
    long Dispatches() const { return m_dispatches; }

private:
    Dispatch m_dispatch;
    std::chrono::steady_clock::duration m_interval;
    std::chrono::steady_clock::time_point m_last;
    unsigned m_ticks = 0;
    long m_dispatches = 0;
};

// A pump point of the installed pump, if any.
void pumpMessages();
// A tick of the installed pump, if any.
void pumpTick();

// Installs `pump` for its own lifetime: the constructor installs it, the
// destructor puts back the pump it replaced. Scopes nest; end them in the
// reverse order of their start.
class TPumpScope
{
public:
    explicit TPumpScope(TMessagePump& pump);
    ~TPumpScope();
    TPumpScope(const TPumpScope&) = delete;
    TPumpScope& operator=(const TPumpScope&) = delete;

private:
    TMessagePump* m_previous;
};
