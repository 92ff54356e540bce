#include "platform/Pump.h"

#include <gtest/gtest.h>

namespace {

int g_outer = 0;
int g_inner = 0;

TEST(Pump, ScopesInstallTheirHookAndPutBackTheOneTheyReplaced)
{
    g_outer = g_inner = 0;
    pumpMessages();
    {
        TPumpScope outer([] { ++g_outer; });
        pumpMessages();
        {
            TPumpScope inner([] { ++g_inner; });
            pumpMessages();
            pumpMessages();
            {
                TPumpScope none(nullptr);
                pumpMessages();
            }
            pumpMessages();
        }
        pumpMessages();
    }
    pumpMessages();
    EXPECT_EQ(g_outer, 2);
    EXPECT_EQ(g_inner, 3);
}

} // namespace
