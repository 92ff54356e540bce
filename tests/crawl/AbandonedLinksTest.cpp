// The run skips reading the track file while it is as the run left it. An
// abandoned page has put its links in seenList but not in the track file:
// the next run must read the file again and queue them.
#include "CrawlFixture.h"

namespace {

TEST_F(CrawlTest, LinksOfAnAbandonedPageAreQueuedByTheNextRun)
{
    frontEnd.followLinks = true;
    WriteInput({ siteUrl("/index.html") });
    // Abandoned once the page's links are in seenList, before they reach the track file.
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status == "Idle" && Run().Running() && Run().State().pagesDone == 0)
            Run().Abandon();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Text("track.txt"), "");
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(),
        std::vector<std::string>({ siteUrl("/index.html"), siteUrl("/a.html"), siteUrl("/b.html"),
            siteUrl("/c.html"), siteUrl("/a1.html"), siteUrl("/index.html"), siteUrl("/b1.html"),
            siteUrl("/hidden.html") }));
}

} // namespace
