#include "page/SeenList.h"

#include <gtest/gtest.h>

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

} // namespace
