#include "page/SeenList.h"
#include "PumpCounter.h"
#include "page/PumpThrottle.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(SeenList, MembershipIgnoresAsciiCaseOnly)
{
    TSeenList list;
    list.Add("http://Site.TEST/a");
    list.Add("http://\xC4.test/");
    EXPECT_TRUE(list.Contains("HTTP://site.test/A"));
    EXPECT_FALSE(list.Contains("http://site.test/a/"));
    EXPECT_TRUE(list.Contains("http://\xC4.TEST/"));
    EXPECT_FALSE(list.Contains("http://\xE4.test/")); // not a letter pair here
    EXPECT_EQ(
        list.Items(), (std::vector<std::string> { "http://Site.TEST/a", "http://\xC4.test/" }));
}

TEST(SeenList, AssignReplacesListAndIndexKeepingOrderAndDuplicates)
{
    TSeenList list;
    list.Add("http://gone.test/");
    list.Assign({ "b", "A", "a", "" });
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(), (std::vector<std::string> { "b", "A", "a", "" }));
    EXPECT_FALSE(list.Contains("http://gone.test/"));
    EXPECT_TRUE(list.Contains("B"));
    EXPECT_TRUE(list.Contains(""));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains("b"));
}

TEST(PumpThrottle, DispatchesAtMostOncePerInterval)
{
    using namespace std::chrono;
    PumpCounter pumps;
    TPumpThrottle throttle(milliseconds(5));
    const auto start = steady_clock::now();
    const auto stop = start + milliseconds(40);
    // On a loaded machine the thread may not run again within the 40 ms, so
    // ticking goes on until the first dispatch, within a bound.
    const auto giveUp = start + seconds(5);
    for (auto now = start; now < stop || (pumps.count() == 0 && now < giveUp);
         now = steady_clock::now())
        throttle.Tick();
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_GE(pumps.count(), 1);
    EXPECT_LE(pumps.count(), elapsed / 5 + 1);
    EXPECT_EQ(pumps.count(), throttle.Dispatches());
    throttle.PumpNow();
    EXPECT_EQ(pumps.count(), throttle.Dispatches());
}

} // namespace
