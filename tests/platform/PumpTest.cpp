#include "platform/Pump.h"

#include <gtest/gtest.h>

namespace {

int g_pumped = 0;

TEST(Pump, DoesNothingUntilAHookIsInstalled)
{
    setPumpHook(nullptr);
    g_pumped = 0;
    pumpMessages();
    EXPECT_EQ(g_pumped, 0);

    const PumpHook previous = setPumpHook([] { ++g_pumped; });
    EXPECT_EQ(previous, nullptr);
    pumpMessages();
    pumpMessages();
    EXPECT_EQ(g_pumped, 2);
    EXPECT_NE(setPumpHook(nullptr), nullptr);
}

} // namespace
