#include "platform/Pump.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::hours;

int g_outer = 0;
int g_inner = 0;
int g_dispatched = 0;

TEST(Pump, ScopesInstallTheirPumpAndPutBackTheOneTheyReplaced)
{
    g_outer = g_inner = 0;
    TMessagePump outerPump([] { ++g_outer; }, TMessagePump::EveryTime);
    TMessagePump innerPump([] { ++g_inner; }, TMessagePump::EveryTime);
    pumpMessages();
    {
        const TPumpScope outer(outerPump);
        pumpMessages();
        {
            const TPumpScope inner(innerPump);
            pumpMessages();
            pumpMessages();
        }
        pumpMessages();
    }
    pumpMessages();
    EXPECT_EQ(g_outer, 2);
    EXPECT_EQ(g_inner, 2);
    EXPECT_EQ(outerPump.Dispatches(), 2);
}

// An interval of an hour never passes within a test: after the first
// dispatch every pump point is coalesced, whatever the machine's speed.
TEST(Pump, PumpPointsDispatchAtMostOncePerIntervalAndTicksEverySixtyFourth)
{
    struct Row
    {
        std::chrono::milliseconds interval;
        int points;
        unsigned ticks;
        int dispatches;
    };
    const unsigned every = TMessagePump::TicksPerPoint;
    const Row rows[] = {
        { TMessagePump::EveryTime, 3, 0, 3 },
        { TMessagePump::EveryTime, 0, every - 1, 0 },
        { TMessagePump::EveryTime, 0, 5 * every + every - 1, 5 },
        { TMessagePump::EveryTime, 2, 2 * every, 4 },
        { hours(1), 1, 0, 1 },
        { hours(1), 5, 10 * every, 1 },
        { hours(1), 0, every, 1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.interval.count() << " ms, " << row.points
                                          << " points, " << row.ticks << " ticks");
        g_dispatched = 0;
        TMessagePump pump([] { ++g_dispatched; }, row.interval);
        const TPumpScope scope(pump);
        for (int i = 0; i < row.points; ++i)
            pumpMessages();
        for (unsigned i = 0; i < row.ticks; ++i)
            pumpTick();
        EXPECT_EQ(g_dispatched, row.dispatches);
        EXPECT_EQ(pump.Dispatches(), row.dispatches);
    }
}

} // namespace
