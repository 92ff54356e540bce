#include "page/MetaTags.h"
#include "PumpCounter.h"

#include <gtest/gtest.h>

namespace {

struct NoIndexCase
{
    const char* page;
    bool expected;
};

TEST(MetaTags, IsNoIndex)
{
    const NoIndexCase cases[] = {
        { R"(<META NAME="ROBOTS" CONTENT="NOINDEX,NOFOLLOW">)", true },
        { R"(<meta name="robots" content="index,follow"> noindex in the text)", false },
        { R"(<meta name="robots" content="NoIndex">)", true },
        { "<p>this page says noindex</p>", true }, // no robots tag: the whole page
        { "<p>an ordinary page</p>", false },
        // a robots tag without its own value is tested on the next value, a later tag's
        { R"(<meta name="robots"><meta name="description" content="noindex">)", true },
        { R"(<meta name="robots"><meta name="description" content="fine"> noindex)", false },
        // content before name: the marker needs "meta name" together, so the page is
        // tested whole
        { R"(<meta content="index" name="robots"> noindex)", true },
        { R"(<meta content="index" name="robots">)", false },
        // markers that are not found: the page is tested whole
        { R"(<meta name='robots' content="index"> NOINDEX)", true },
        { R"(<meta  name="robots" content="index"> NOINDEX)", true },
        { R"(<meta name = "robots" content="index"> NOINDEX)", true },
        // robots tag without any value marker after it: false, whatever the page says
        { R"(noindex <meta name="robots">)", false },
        { R"(<meta name="robots" content="noindex)", false }, // unterminated value
        { "", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNoIndex(c.page), c.expected) << c.page;
}

struct LookupCase
{
    std::string page;
    std::string expected;
};

TEST(MetaTags, GetMetaDescription)
{
    const std::string noTag = "<html><p>no description here</p></html>";
    const LookupCase cases[] = {
        { R"(<meta name="description" content="Fast &amp; Cheap ">)", "Fast &amp; Cheap " },
        { R"(<META Name="Description" Content="Mixed Case">)", "Mixed Case" },
        { R"(<meta name="description" content="">)", "" },
        { R"(<meta name="description" content="runs to the end)", "" },
        { R"(<meta name="description">)", "" }, // no value marker at all
        { R"(<meta name="description"><meta name="x" content="later">)", "later" },
        { R"(<meta content="before" name="description">)",
            R"(<meta content="before" name="description">)" },
        { noTag, noTag }, // no tag: the whole input, not ""
        { R"(<meta name="description" content="first"><meta name="description" content="2nd">)",
            "first" },
        { "<meta name=\"description\" content=\"two\r\nlines\">", "two\r\nlines" },
        { std::string("<meta name=\"description\" content=\"\0\xff\">", 38),
            std::string("\0\xff", 2) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetMetaDescription(c.page), c.expected) << c.page;
}

TEST(MetaTags, GetMetaKeywordsUsesItsOwnTag)
{
    const std::string page = R"(<meta name="description" content="d">)"
                             R"(<meta name="keywords" content="k1, K2">)";
    EXPECT_EQ(GetMetaKeywords(page), "k1, K2");
    EXPECT_EQ(GetMetaDescription(page), "d");
    EXPECT_EQ(GetMetaKeywords("plain"), "plain");
}

TEST(MetaTags, PumpsTwiceWhenTheTagIsFoundOnceOtherwise)
{
    {
        PumpCounter pumps;
        GetMetaKeywords(R"(<meta name="keywords" content="a">)");
        EXPECT_EQ(pumps.count(), 2);
    }
    {
        PumpCounter pumps;
        GetMetaKeywords("no tag");
        EXPECT_EQ(pumps.count(), 1);
    }
}

} // namespace
