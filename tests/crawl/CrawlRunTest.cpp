// Whole crawl runs over the fixture site served by a real nginx: the queue's
// order, the files after every page, stopping, abandoning and the failures
// that end a run.
#include "CrawlFixture.h"
#include "crawl/PageFetch.h"
#include "platform/TextFile.h"
#include "tests/support/NetTestUtil.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Urls = std::vector<std::string>;

Urls site(const std::vector<const char*>& paths)
{
    Urls urls;
    for (const char* path : paths)
        urls.push_back(siteUrl(path));
    return urls;
}

// The fixture site from its home page with every link followed and NOINDEX
// ignored, page by page: the page and the queue after it.
const std::vector<std::pair<const char*, std::vector<const char*>>> FullCrawl = {
    { "/index.html", { "/a.html", "/b.html", "/c.html" } },
    // a.html links b.html (queued already) and the start page, which is not in
    // the track file and so is queued again.
    { "/a.html", { "/b.html", "/c.html", "/a1.html", "/index.html" } },
    // b.html links A1.HTML: a1.html in other letters, so not queued.
    { "/b.html", { "/c.html", "/a1.html", "/index.html", "/b1.html" } },
    { "/c.html", { "/a1.html", "/index.html", "/b1.html", "/hidden.html" } },
    { "/a1.html", { "/index.html", "/b1.html", "/hidden.html" } },
    { "/index.html", { "/b1.html", "/hidden.html" } },
    { "/b1.html", { "/hidden.html" } },
    { "/hidden.html", {} },
};

class CrawlRun : public CrawlTest
{
protected:
    // The input file each time a page has finished.
    void RecordQueues()
    {
        frontEnd.OnPage = [this](const TPageReport&) { queues.push_back(Lines("in.txt")); };
    }

    std::vector<Urls> queues;
};

TEST_F(CrawlRun, BreadthFirstWithTheFilesRewrittenAfterEveryPage)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    RecordQueues();
    ASSERT_EQ(Index(), "");

    Urls order;
    std::vector<Urls> expectedQueues;
    std::string records;
    for (const auto& [page, queue] : FullCrawl) {
        order.push_back(siteUrl(page));
        expectedQueues.push_back(site(queue));
    }
    EXPECT_EQ(frontEnd.PageUrls(), order);
    EXPECT_EQ(queues, expectedQueues);
    EXPECT_EQ(Lines("saved.txt"), order);
    EXPECT_EQ(Lines("track.txt"),
        site({ "/a.html", "/b.html", "/c.html", "/a1.html", "/index.html", "/b1.html",
            "/hidden.html" }));
    EXPECT_EQ(Lines("out.txt").size(), order.size());
    EXPECT_EQ(Lines("out.txt").front(),
        "Fixture Home|Welcome to the fixture site. A B C |home, fixture|" + siteUrl("/index.html"));
    EXPECT_EQ(frontEnd.log.front(), "Fixture Home");
    EXPECT_EQ(Run().RunLog().Entries().back().records, 8);
    EXPECT_TRUE(Text("in.txt").empty());
    // The body of the last page stays in the current folder.
    EXPECT_NE(Text("temp.txt").find("Hidden Page"), std::string::npos);
    EXPECT_EQ(frontEnd.runningStates, (std::vector<bool> { true, false }));
    EXPECT_EQ(frontEnd.statuses.back(), "Idle");
}

TEST_F(CrawlRun, ARestartResumesFromTheFilesAlone)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    frontEnd.OnPage = [this](const TPageReport& page) {
        if (page.done == 3)
            Run().cmdStopClick();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.pages.size(), 3u);
    EXPECT_FALSE(frontEnd.stopEnabled);

    Restart();
    frontEnd.OnPage = nullptr;
    ASSERT_EQ(Index(), "");
    Urls order;
    for (const auto& step : FullCrawl)
        order.push_back(siteUrl(step.first));
    EXPECT_EQ(frontEnd.PageUrls(), order);
    EXPECT_EQ(Lines("saved.txt"), order);
    // A new program counts its pages from 1 again.
    EXPECT_EQ(frontEnd.pages.back().done, 5);
}

TEST_F(CrawlRun, NoIndexSkipsThePageOnlyWhenObeyed)
{
    struct Row
    {
        bool obey;
        TPageOutcome outcome;
        bool hiddenFetched;
    };
    for (const Row row : { Row { true, pgNoIndex, false }, Row { false, pgWritten, true } }) {
        SCOPED_TRACE(row.obey);
        fs::remove("track.txt");
        frontEnd.pages.clear();
        frontEnd.sites.clear();
        frontEnd.followLinks = true;
        frontEnd.obeyNoIndex = row.obey;
        WriteInput(site({ "/c.html" }));
        ASSERT_EQ(Index(), "");
        ASSERT_FALSE(frontEnd.pages.empty());
        EXPECT_EQ(frontEnd.pages[0].outcome, row.outcome);
        EXPECT_EQ(frontEnd.pages.size(), row.hiddenFetched ? 2u : 1u);
        if (row.obey) {
            EXPECT_EQ(frontEnd.sites, Urls { "None" });
        }
    }
    EXPECT_EQ(Lines("saved.txt"), site({ "/c.html", "/hidden.html" }));
}

TEST_F(CrawlRun, StopDuringTheFirstFetchEndsAfterThatPage)
{
    WriteInput(site({ "/index.html", "/b1.html" }));
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status.starts_with("Receiving...") && !Run().State().stopRequested)
            Run().cmdStopClick();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(), site({ "/index.html" }));
    EXPECT_EQ(Lines("saved.txt"), site({ "/index.html" }));
    EXPECT_EQ(Lines("in.txt"), site({ "/b1.html" }));
    EXPECT_FALSE(frontEnd.running);
}

TEST_F(CrawlRun, UncheckingFollowLinksStopsQueueingFromTheNextPage)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    frontEnd.OnPage = [this](const TPageReport&) { frontEnd.followLinks = false; };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(), site({ "/index.html", "/a.html", "/b.html", "/c.html" }));
    EXPECT_EQ(Lines("track.txt"), site({ "/a.html", "/b.html", "/c.html" }));
}

TEST_F(CrawlRun, TheTrackFileIsCreatedAndReadAgainForEveryPage)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    EXPECT_FALSE(fs::exists("track.txt"));
    frontEnd.OnPage = [this](const TPageReport& page) {
        // Another program adds a link while the run goes.
        if (page.done == 1)
            AppendLine("track.txt", siteUrl("/A1.html"));
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(),
        site({ "/index.html", "/a.html", "/b.html", "/c.html", "/index.html", "/b1.html",
            "/hidden.html" }));
    fs::remove("track.txt");
    WriteInput({});
    ASSERT_EQ(Index(), "");
    EXPECT_TRUE(fs::exists("track.txt"));
}

TEST_F(CrawlRun, AnEmptyInputFileIsARunWithoutRecords)
{
    WriteInput({});
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.messages, Urls { "Cannot index - no URLs in URL list." });
    ASSERT_EQ(Run().RunLog().Entries().size(), 1u);
    const TRunLogEntry& entry = Run().RunLog().Entries().front();
    EXPECT_EQ(entry.run, 1);
    EXPECT_EQ(entry.records, 0);
    EXPECT_TRUE(entry.stop.has_value());
    EXPECT_EQ(frontEnd.runningStates, (std::vector<bool> { true, false }));
    EXPECT_EQ(frontEnd.statuses.back(), "Idle");
}

TEST_F(CrawlRun, TheRunLogKeepsTheLatestHundredRuns)
{
    WriteInput({});
    for (int i = 0; i < 101; ++i)
        ASSERT_EQ(Index(), "");
    const auto& entries = Run().RunLog().Entries();
    EXPECT_EQ(Run().RunLog().runCount(), 101);
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries.front().run, 2);
    EXPECT_EQ(entries.back().run, 101);
}

TEST_F(CrawlRun, PagesDoneCarriesOverBetweenRunsAndDrivesTheProgress)
{
    WriteInput(site({ "/b1.html" }));
    ASSERT_EQ(Index(), "");
    WriteInput(site({ "/a1.html", "/b1.html", "/hidden.html" }));
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.progress, (std::vector<int> { 100, 0, 50, 75, 100, 0 }));
    EXPECT_EQ(frontEnd.done, 4);
    EXPECT_EQ(frontEnd.pages[1].left, 2);
}

TEST_F(CrawlRun, AFetchThatRaisesEndsTheRunWithoutItsUrl)
{
    WriteInput({ "http:///no-host.html", siteUrl("/b1.html") });
    bool idleWhenRaised = false;
    std::string error;
    try {
        Run().cmdIndexClick();
    } catch (const std::exception& e) {
        error = e.what();
        idleWhenRaised = !frontEnd.running && frontEnd.statuses.back() == "Idle"
            && frontEnd.progress.back() == 0 && Run().RunLog().Entries().back().stop;
    }
    EXPECT_NE(error, "");
    EXPECT_TRUE(idleWhenRaised);
    EXPECT_EQ(Lines("in.txt"), site({ "/b1.html" }));
    EXPECT_EQ(Run().State().urlList, site({ "/b1.html" }));
    EXPECT_TRUE(frontEnd.pages.empty());
    EXPECT_EQ(Text("out.txt"), "");
    // The next run starts where the failing one stopped.
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(), site({ "/b1.html" }));
}

TEST_F(CrawlRun, UnreachedAndMissingPagesGiveNoRecord)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusedPort()) + "/x.html";
    WriteInput({ refused, siteUrl("/missing.html"), siteUrl("/b1.html") });
    ASSERT_EQ(Index(), "");
    ASSERT_EQ(frontEnd.pages.size(), 3u);
    EXPECT_EQ(frontEnd.pages[0].outcome, pgBlankTitle);
    EXPECT_EQ(frontEnd.pages[1].outcome, pgErrorPage); // nginx's own "404 Not Found" page
    EXPECT_EQ(frontEnd.pages[2].outcome, pgWritten);
    EXPECT_EQ(Lines("saved.txt"), site({ "/b1.html" }));
    EXPECT_NE(std::find(frontEnd.statuses.begin(), frontEnd.statuses.end(), "Received: 0 bytes"),
        frontEnd.statuses.end());
}

TEST_F(CrawlRun, APageBodyIsCutAtTheCap)
{
    // What arrived up to the cap is analysed, and the request ends there,
    // before the rest of the page.
    WriteInput(site({ "/big.html" }));
    ASSERT_EQ(Index(), "");
    ASSERT_EQ(frontEnd.pages.size(), 1u);
    EXPECT_EQ(frontEnd.pages[0].outcome, pgWritten);
    EXPECT_EQ(frontEnd.pages[0].title, "Big Page");
    EXPECT_EQ(fs::file_size("temp.txt"), TPageFetch::MaxBodyBytes);
    const std::string received = *std::find_if(frontEnd.statuses.rbegin(), frontEnd.statuses.rend(),
        [](const std::string& s) { return s.starts_with("Received: "); });
    const auto count = std::stoull(received.substr(10));
    EXPECT_GE(count, TPageFetch::MaxBodyBytes);
    EXPECT_LT(count, fs::file_size(siteFile("/big.html")));
}

TEST_F(CrawlRun, TheRecordComesBeforeTheRewriteAndTheLinksAfterIt)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    std::vector<std::string> checks;
    frontEnd.OnStatus = [&](const std::string& status) {
        if (status == "Grabbing URLs..." && frontEnd.pages.empty())
            checks.push_back("in at links: " + Lines("in.txt").front());
    };
    frontEnd.OnDone = [&] {
        if (!frontEnd.pages.empty())
            return;
        checks.push_back("in when counted: " + Lines("in.txt").front());
        checks.push_back("saved when counted: " + Lines("saved.txt").front());
        checks.push_back("track when counted: " + std::to_string(Lines("track.txt").size()));
    };
    RecordQueues();
    ASSERT_EQ(Index(), "");
    const std::string home = siteUrl("/index.html");
    EXPECT_EQ(checks,
        (Urls { "in at links: " + home, "in when counted: " + home, "saved when counted: " + home,
            "track when counted: 0" }));
    EXPECT_EQ(queues.front(), site({ "/a.html", "/b.html", "/c.html" }));
}

TEST_F(CrawlRun, AbandonLeavesThePageAtTheHeadAndWritesNothing)
{
    // Abandoned while the body arrives, and later, while links are queued.
    for (const std::string moment : { "Receiving...", "Grabbing URLs..." }) {
        SCOPED_TRACE(moment);
        fs::remove("temp.txt");
        fs::remove("track.txt");
        frontEnd.followLinks = true;
        const Urls queue = site({ "/index.html", "/b1.html" });
        WriteInput(queue);
        Urls queueWhenAbandoned;
        frontEnd.OnStatus = [&](const std::string& status) {
            if (status.starts_with(moment) && !Run().State().stopRequested) {
                Run().cmdStopClick();
                Run().Abandon();
                queueWhenAbandoned = Run().State().urlList;
            }
        };
        ASSERT_EQ(Index(), "");
        EXPECT_EQ(queueWhenAbandoned, queue);
        EXPECT_EQ(Run().State().urlList, queue);
        EXPECT_EQ(Lines("in.txt"), queue);
        EXPECT_TRUE(frontEnd.pages.empty());
        EXPECT_EQ(Text("out.txt"), "");
        EXPECT_EQ(Text("saved.txt"), "");
        EXPECT_EQ(Text("track.txt"), "");
        EXPECT_EQ(Run().State().pagesDone, 0);
        EXPECT_FALSE(frontEnd.running);
        if (moment == "Receiving...") {
            EXPECT_FALSE(fs::exists("temp.txt"));
        }
    }
    // The next run fetches the page again.
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls().front(), siteUrl("/index.html"));
}

TEST_F(CrawlRun, StatusTextsOfOnePage)
{
    // A meta description too short to serve: the body text is needed as well.
    settings.metaFirst = 1;
    frontEnd.followLinks = true;
    WriteInput(site({ "/rules/desc9.html" }));
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.Steps(),
        (Urls { "Connecting...", "Receiving...", "Received: ", "Getting Title...",
            "Checking For Meta Description...", "Checking For Meta Keywords...",
            "Removing HTML Code...", "Grabbing URLs...", "Idle", "Writing Track File...",
            "Idle" }));
    EXPECT_EQ(frontEnd.sites, (Urls { "Desc Nine", "None" }));
    EXPECT_EQ(frontEnd.left, 0);
    EXPECT_EQ(frontEnd.done, 1);
}

TEST_F(CrawlRun, PageLinesStopAtTheFirstZeroByte)
{
    WriteInput(site({ "/rules/zero.html" }));
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Run().State().pageSource,
        (Urls { "<html><head><title>Before Zero</title></head><body>", "first line" }));
    EXPECT_EQ(Text("temp.txt"), Text(siteFile("/rules/zero.html")));
}

} // namespace
