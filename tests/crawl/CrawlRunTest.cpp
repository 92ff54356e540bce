// Whole crawl runs over the fixture site served by a real nginx: the queue's
// order, the files after every page, stopping, abandoning and the failures
// that end a run.
#include "CrawlFixture.h"
#include "crawl/PageFetch.h"
#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"
#include "tests/support/NetTestUtil.h"

#include <QLoggingCategory>

#include <algorithm>
#include <filesystem>
#include <string_view>

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

using CrawlRun = CrawlTest;

Urls Order()
{
    Urls urls;
    for (const auto& step : FullCrawl)
        urls.push_back(siteUrl(step.first));
    return urls;
}

TEST_F(CrawlRun, BreadthFirstWithTheQueueFilesUpdatedAfterEveryPage)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    std::vector<Urls> queues;
    frontEnd.OnPage = [&](const TPageReport&) { queues.push_back(Queue()); };
    ASSERT_EQ(Index(), "");
    std::vector<Urls> expectedQueues;
    for (const auto& step : FullCrawl)
        expectedQueues.push_back(site(step.second));
    EXPECT_EQ(frontEnd.PageUrls(), Order());
    EXPECT_EQ(queues, expectedQueues);
    // At the end the input file alone holds the queue, which is empty.
    EXPECT_EQ(Text("in.txt"), "");
    EXPECT_FALSE(fs::exists(ProgressFileOf("in.txt")));
    EXPECT_EQ(Lines("saved.txt"), Order());
    EXPECT_EQ(Lines("out.txt").size(), 8u);
    EXPECT_EQ(Lines("out.txt").front(),
        "Fixture Home|Welcome to the fixture site. A B C |home, fixture|" + siteUrl("/index.html"));
    EXPECT_FALSE(frontEnd.running);
    EXPECT_EQ(frontEnd.statuses.back(), "Idle");
}

// The messages of the category "skelvo.crawl" while one is alive.
class CrawlMessages
{
public:
    explicit CrawlMessages(const char* rules)
    {
        s_lines.clear();
        QLoggingCategory::setFilterRules(QString::fromLatin1(rules));
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& message) {
                if (std::string_view(context.category) == "skelvo.crawl")
                    s_lines.push_back(message.toStdString());
            });
    }
    ~CrawlMessages()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static inline std::vector<std::string> s_lines;

private:
    QtMessageHandler m_previous;
};

TEST_F(CrawlRun, TheStepsReachTheCrawlCategoryOnlyWhenItIsSwitchedOn)
{
    const std::string page = siteUrl("/b1.html");
    const std::pair<const char*, Urls> rows[] = {
        { "", {} },
        { "skelvo.crawl.debug=true",
            { "run started: 1 URLs in in.txt", "page 1: fetching " + page,
                "fetched " + page + ": 200 OK, ", "page 1: written, 0 links queued, 0 URLs left",
                "run ended: 1 pages done since start-up, 0 URLs left" } },
    };
    for (const auto& [rules, expected] : rows) {
        SCOPED_TRACE(rules);
        Restart();
        WriteInput({ page });
        const CrawlMessages messages(rules);
        EXPECT_EQ(Index(), "");
        // The byte count of the fetch depends on the server's head: only its start is compared.
        Urls lines = CrawlMessages::s_lines;
        for (std::string& line : lines) {
            if (line.starts_with("fetched "))
                line.erase(line.find(", ") + 2);
        }
        EXPECT_EQ(lines, expected);
    }
}

TEST_F(CrawlRun, StopDuringAFetchEndsAfterThatPageAndARestartResumesFromTheFiles)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status.starts_with("Receiving...") && frontEnd.pages.size() == 2
            && !Run().State().stopRequested)
            Run().cmdStopClick();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.pages.size(), 3u);
    EXPECT_EQ(Lines("in.txt"), site(FullCrawl[2].second));
    EXPECT_FALSE(frontEnd.running);
    EXPECT_FALSE(frontEnd.stopEnabled);

    Restart();
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(), Order());
    EXPECT_EQ(Lines("saved.txt"), Order());
    // A new program counts its pages from 1 again.
    EXPECT_EQ(frontEnd.pages.back().done, 5);
}

TEST_F(CrawlRun, NoIndexSkipsThePageOnlyWhenObeyed)
{
    for (const bool obey : { true, false }) {
        SCOPED_TRACE(obey);
        fs::remove("track.txt");
        frontEnd.pages.clear();
        frontEnd.followLinks = true;
        frontEnd.obeyNoIndex = obey;
        WriteInput(site({ "/c.html" }));
        ASSERT_EQ(Index(), "");
        ASSERT_EQ(frontEnd.pages.size(), obey ? 1u : 2u);
        EXPECT_EQ(frontEnd.pages[0].outcome, obey ? pgNoIndex : pgWritten);
    }
    EXPECT_EQ(Lines("saved.txt"), site({ "/c.html", "/hidden.html" }));
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

TEST_F(CrawlRun, TheTrackFileIsReadAgainForEveryPage)
{
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    frontEnd.OnPage = [this](const TPageReport& page) {
        // Another program adds a link while the run goes.
        if (page.done == 1)
            AppendLine("track.txt", siteUrl("/A1.html"));
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(),
        site({ "/index.html", "/a.html", "/b.html", "/c.html", "/index.html", "/b1.html",
            "/hidden.html" }));
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
    EXPECT_NE(Index(), "");
    EXPECT_FALSE(frontEnd.running);
    EXPECT_EQ(frontEnd.statuses.back(), "Idle");
    EXPECT_EQ(Lines("in.txt"), site({ "/b1.html" }));
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
    EXPECT_EQ(frontEnd.pages[0].Reason(), "fetch failed: 404 Connection refused (Error #10061)");
    EXPECT_EQ(frontEnd.pages[1].Reason(), "error page: 404"); // nginx's own "404 Not Found" page
    EXPECT_EQ(frontEnd.pages[2].outcome, pgWritten);
    EXPECT_EQ(Lines("saved.txt"), site({ "/b1.html" }));
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

TEST_F(CrawlRun, AbandonLeavesThePageAtTheHeadAndWritesNothing)
{
    // Abandoned while the body arrives, and later, while links are queued;
    // with 4 connections the page behind it is being fetched ahead then.
    for (const auto& [moment, connections] :
        { std::pair { "Receiving...", 1 }, std::pair { "Grabbing URLs...", 1 },
            std::pair { "Receiving...", 4 }, std::pair { "Grabbing URLs...", 4 } }) {
        SCOPED_TRACE(std::string(moment) + " " + std::to_string(connections));
        settings.connections = connections;
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
                queueWhenAbandoned.assign(
                    Run().State().urlList.begin(), Run().State().urlList.end());
            }
        };
        ASSERT_EQ(Index(), "");
        EXPECT_EQ(queueWhenAbandoned, queue);
        EXPECT_EQ(Lines("in.txt"), queue);
        EXPECT_TRUE(frontEnd.pages.empty());
        EXPECT_EQ(Text("out.txt"), "");
        EXPECT_EQ(Text("saved.txt"), "");
        EXPECT_EQ(Text("track.txt"), "");
        EXPECT_FALSE(frontEnd.running);
        if (std::string_view(moment) == "Receiving...") {
            EXPECT_FALSE(fs::exists("temp.txt"));
        }
    }
    // The next run fetches the page again.
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls().front(), siteUrl("/index.html"));
}

TEST_F(CrawlRun, LinksOfAnAbandonedPageAreQueuedByTheNextRun)
{
    // Abandoned once the links are in the run's seen list, before the track file has them.
    frontEnd.followLinks = true;
    WriteInput(site({ "/index.html" }));
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status == "Idle" && Run().Running() && Run().State().pagesDone == 0)
            Run().Abandon();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Text("track.txt"), "");
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(), Order());
}

} // namespace
