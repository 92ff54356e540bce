// The polite crawl against real servers: robots.txt as nginx serves it, the
// spacing of requests in nginx's access log, and answers asking to come back.
#include "CrawlFixture.h"
#include "net/http/HttpProt.h"
#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"

#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
using TClock = std::chrono::steady_clock;

struct Request // as nginx logged it
{
    double startMs;
    std::string uri;
};

// An nginx serving `files` (path, content), logging each request's start.
class LoggedSite
{
public:
    LoggedSite(const std::map<std::string, std::string>& files, const std::string& extra = "")
        : m_nginx(TRealServer::StartNginx("access_log access.log timed;\n    " + extra,
            "log_format timed '$msec $request_time $request_uri';"))
    {
        for (const auto& [path, content] : files) {
            const fs::path file = m_nginx->Dir() + "/www" + path;
            fs::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << content;
        }
    }

    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_nginx->Port()) + path;
    }

    std::vector<Request> Requests() const
    {
        std::vector<Request> requests;
        std::ifstream log(m_nginx->Dir() + "/access.log");
        double endSeconds = 0;
        double takenSeconds = 0;
        std::string uri;
        while (log >> endSeconds >> takenSeconds >> uri)
            requests.push_back({ (endSeconds - takenSeconds) * 1000, uri });
        return requests;
    }

    Texts Uris() const
    {
        Texts uris;
        for (const auto& request : Requests())
            uris.push_back(request.uri);
        return uris;
    }

private:
    std::unique_ptr<TRealServer> m_nginx;
};

std::string page(const std::string& title)
{
    return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>\r\n";
}

class PoliteCrawl : public CrawlTest
{
protected:
    PoliteCrawl()
    {
        settings.obeyRobots = 1;
        settings.rejectedFile = "rejected.txt";
    }

    // Path and reason of each finished page.
    Texts Reasons(const LoggedSite& site) const
    {
        Texts reasons;
        for (const auto& report : frontEnd.pages)
            reasons.push_back(report.url.substr(site.Url("").size()) + " " + report.Reason());
        return reasons;
    }
};

TEST_F(PoliteCrawl, RobotsTxtAsTheSiteAnswersIt)
{
    const std::string rules = "User-agent: *\nDisallow: /private/\n";
    struct Row
    {
        const char* what;
        std::map<std::string, std::string> files;
        std::string extra; // nginx locations
        Texts reasons;
        Texts requested;
    };
    const Texts both = { "/open.html written", "/private/a.html written" };
    const Texts forbidden = { "/open.html robots.txt", "/private/a.html robots.txt" };
    const Row rows[] = {
        { "a folder forbidden", { { "/robots.txt", rules } }, "",
            { "/open.html written", "/private/a.html robots.txt" },
            { "/robots.txt", "/open.html" } },
        // Other crawlers' groups do not apply to this one.
        { "another crawler's group", { { "/robots.txt", "User-agent: Other\nDisallow: /\n" } }, "",
            both, { "/robots.txt", "/open.html", "/private/a.html" } },
        { "no file: everything allowed", {}, "", both,
            { "/robots.txt", "/open.html", "/private/a.html" } },
        { "a server error: nothing allowed", {}, "location = /robots.txt { return 500; }",
            forbidden, { "/robots.txt" } },
        { "relocated", { { "/rules.txt", rules } },
            "location = /robots.txt { return 302 /rules.txt; }",
            { "/open.html written", "/private/a.html robots.txt" },
            { "/robots.txt", "/rules.txt", "/open.html" } },
        // Past five relocations the file counts as missing.
        { "relocated without end", {}, "location ~ ^/r { return 302 /robots.txt; }", both,
            { "/robots.txt", "/robots.txt", "/robots.txt", "/robots.txt", "/robots.txt",
                "/robots.txt", "/open.html", "/private/a.html" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::map<std::string, std::string> files = row.files;
        files["/open.html"] = page("Open Page");
        files["/private/a.html"] = page("Private Page");
        const LoggedSite site(files, row.extra);
        Restart();
        frontEnd.pages.clear();
        fs::remove("rejected.txt");
        WriteInput({ site.Url("/open.html"), site.Url("/private/a.html") });
        ASSERT_EQ(Index(), "");
        EXPECT_EQ(Reasons(site), row.reasons);
        EXPECT_EQ(site.Uris(), row.requested);
        EXPECT_TRUE(Lines("in.txt").empty());
        std::string rejected;
        for (const auto& report : frontEnd.pages) {
            if (report.outcome != pgWritten)
                rejected += report.url + "|" + report.Reason() + "\r\n";
        }
        EXPECT_EQ(Text("rejected.txt"), rejected);
    }
}

TEST_F(PoliteCrawl, ASilentRobotsTxtForbidsTheSite)
{
    ScriptedPeer peer;
    peer.accept().readUntil("\r\n\r\n").silent(3000).close(100);
    peer.start();
    const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/a.html";
    WriteInput({ url });
    Run().RobotsClient().IdleTimeout = 300ms;
    ASSERT_EQ(Index(), "");
    ASSERT_EQ(frontEnd.pages.size(), 1u);
    EXPECT_EQ(frontEnd.pages[0].Reason(), "robots.txt");
    EXPECT_EQ(peer.accepted(), 1);
    EXPECT_TRUE(peer.received(0).starts_with("GET /robots.txt HTTP/1.0\r\n")) << peer.received(0);
    ASSERT_EQ(frontEnd.notices.size(), 1u);
    EXPECT_NE(frontEnd.notices[0].find("404 Timed out"), std::string::npos) << frontEnd.notices[0];
    ASSERT_EQ(frontEnd.summaries.size(), 1u);
    EXPECT_TRUE(frontEnd.summaries[0].NoAnswer());
}

// The least gap between the starts of two requests in `requests`, in ms.
double leastGap(const std::vector<Request>& requests)
{
    double least = 1e12;
    for (std::size_t i = 1; i < requests.size(); ++i)
        least = std::min(least, requests[i].startMs - requests[i - 1].startMs);
    return least;
}

TEST_F(PoliteCrawl, RequestsToASiteAreSpacedByTheDelayAndTheCrawlDelay)
{
    struct Row
    {
        const char* what;
        int delayMs;
        std::string robots;
        std::chrono::milliseconds cap;
        double leastGapMs; // a few ms below the delay: nginx sees each start a little later
        std::string notice;
    };
    const Row rows[] = {
        { "DELAY", 300, "", 30000ms, 290, "" },
        { "Crawl-delay above DELAY", 100, "User-agent: *\nCrawl-delay: 0.4\n", 30000ms, 390, "" },
        { "Crawl-delay past the cap", 0, "User-agent: skelvo\nCrawl-delay: 20\n", 250ms, 240,
            "Crawl-delay of 20 s of http://127.0.0.1:" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::map<std::string, std::string> files
            = { { "/a.html", page("Page A") }, { "/b.html", page("Page B") } };
        if (!row.robots.empty())
            files["/robots.txt"] = row.robots;
        const LoggedSite site(files);
        Restart();
        frontEnd.notices.clear();
        settings.requestDelay = row.delayMs;
        Run().MaxCrawlDelay = row.cap;
        WriteInput({ site.Url("/a.html"), site.Url("/b.html") });
        ASSERT_EQ(Index(), "");
        const auto requests = site.Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_GE(leastGap(requests), row.leastGapMs);
        // The cap holds: the gaps stay far below the 20 s asked.
        EXPECT_LT(requests.back().startMs - requests.front().startMs, 5000);
        if (!row.notice.empty()) {
            ASSERT_EQ(frontEnd.notices.size(), 1u);
            EXPECT_NE(frontEnd.notices[0].find(row.notice), std::string::npos);
            EXPECT_NE(frontEnd.notices[0].find("taken as 0.25 s"), std::string::npos)
                << frontEnd.notices[0];
        }
    }
}

TEST_F(PoliteCrawl, StopDuringADelayEndsTheRunAndKeepsThePage)
{
    const LoggedSite site({ { "/a.html", page("Page A") }, { "/b.html", page("Page B") } });
    settings.obeyRobots = 0;
    settings.requestDelay = 60000;
    WriteInput({ site.Url("/a.html"), site.Url("/b.html") });
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status == "Waiting...")
            QTimer::singleShot(50, [this] { Run().cmdStopClick(); });
    };
    const auto started = TClock::now();
    ASSERT_EQ(Index(), "");
    EXPECT_LT(TClock::now() - started, 20s);
    EXPECT_EQ(frontEnd.PageUrls(), Texts { site.Url("/a.html") });
    EXPECT_EQ(site.Uris(), Texts { "/a.html" });
    EXPECT_EQ(Lines("in.txt"), Texts { site.Url("/b.html") });
    EXPECT_EQ(frontEnd.statuses.back(), "Idle");
}

TEST_F(PoliteCrawl, StopShowsAtOnceAndTheRunFinishesThePage)
{
    const LoggedSite site({ { "/a.html", page("Page A") }, { "/b.html", page("Page B") } });
    WriteInput({ site.Url("/a.html"), site.Url("/b.html") });
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status == "Connecting..." && !Run().State().stopRequested)
            Run().cmdStopClick();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.pages.size(), 1u);
    EXPECT_EQ(frontEnd.pages[0].outcome, pgWritten);
    EXPECT_EQ(frontEnd.statuses,
        (Texts {
            "Connecting...", "Stopping after this page...", "Writing Track File...", "Idle" }));
}

TEST_F(PoliteCrawl, ABusyServerIsAskedOnceMoreWhenItSaysWhen)
{
    const std::string busy503 = "HTTP/1.0 503 Service Unavailable\r\nRetry-After: 120\r\n\r\n";
    const std::string busy429 = "HTTP/1.0 429 Too Many Requests\r\nRetry-After: "
                                "Wed, 21 Oct 2015 07:28:00 GMT\r\n\r\n";
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n<title>Back Again</title>\r\n";
    struct Row
    {
        const char* what;
        int obeyRobots;
        Texts answers;
        std::string reason;
        int connections; // robots.txt included when obeyed
    };
    const Row rows[] = {
        { "503 (120 s, capped at 300 ms), then 200", 1, { busy503, ok }, "written", 3 },
        { "429 (a date long past), then 200", 1, { busy429, ok }, "written", 3 },
        { "twice busy: the second answer stands", 1, { busy503, busy503 },
            "fetch failed: 503 Service Unavailable", 3 },
        { "busy without Retry-After", 1, { "HTTP/1.0 503 Service Unavailable\r\n\r\n" },
            "fetch failed: 503 Service Unavailable", 2 },
        { "not polite: one request as always", 0, { busy503 },
            "fetch failed: 503 Service Unavailable", 1 },
    };
    settings.skipErrorStatus = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        settings.obeyRobots = row.obeyRobots;
        ScriptedPeer peer;
        // robots.txt (when obeyed) answered 404, then `answers`, one connection each.
        Texts answers = row.answers;
        if (row.obeyRobots)
            answers.insert(answers.begin(), "HTTP/1.0 404 Not Found\r\n\r\n");
        for (std::size_t i = 0; i < answers.size(); ++i) {
            if (i > 0)
                peer.nextConnection();
            peer.accept().readUntil("\r\n\r\n").send(answers[i]).close();
        }
        peer.start();
        const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/page.html";
        Restart();
        frontEnd.pages.clear();
        frontEnd.statuses.clear();
        Run().MaxRetryWait = 300ms;
        WriteInput({ url });
        const auto started = TClock::now();
        ASSERT_EQ(Index(), "");
        EXPECT_TRUE(peer.waitDone(10000));
        ASSERT_EQ(frontEnd.pages.size(), 1u);
        EXPECT_EQ(frontEnd.pages[0].Reason(), row.reason);
        EXPECT_EQ(peer.accepted(), row.connections);
        if (row.answers.front() == busy503 && row.connections == 3) {
            EXPECT_GE(TClock::now() - started, 300ms);
        }
        EXPECT_LT(TClock::now() - started, 20s);
    }
}

TEST_F(PoliteCrawl, PagesFetchedAheadOfABusySiteAreAskedAgainAfterTheWait)
{
    const LoggedSite site(
        { { "/first.html", page("First") }, { "/a.html", page("A") }, { "/b.html", page("B") } },
        "location = /busy.html { add_header Retry-After 1 always; return 503; }");
    settings.connections = 4;
    settings.skipErrorStatus = 1;
    Run().MaxRetryWait = 300ms;
    // robots.txt is known after the first page: the later ones are fetched ahead.
    WriteInput({ site.Url("/first.html"), site.Url("/busy.html"), site.Url("/a.html"),
        site.Url("/b.html") });
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Reasons(site),
        (Texts { "/first.html written",
            "/busy.html fetch failed: 503 Service Temporarily Unavailable", "/a.html written",
            "/b.html written" }));
    // Pages asked while the site was busy are asked again after the retry began.
    double retried = 0;
    std::map<std::string, double> lastStart;
    for (const auto& request : site.Requests()) {
        if (request.uri == "/busy.html")
            retried = request.startMs;
        lastStart[request.uri] = request.startMs;
    }
    const Texts uris = site.Uris();
    EXPECT_EQ(std::count(uris.begin(), uris.end(), "/busy.html"), 2);
    for (const char* uri : { "/a.html", "/b.html" })
        EXPECT_GE(lastStart[uri], retried) << uri;
}

TEST_F(PoliteCrawl, TheSummarySaysWhenNoDomainExtensionAdmittedALink)
{
    frontEnd.followLinks = true;
    settings.obeyRobots = 0;
    settings.domainExts = { ".COM" };
    WriteInput({ siteUrl("/index.html") });
    ASSERT_EQ(Index(), "");
    ASSERT_EQ(frontEnd.summaries.size(), 1u);
    const TRunSummary& summary = frontEnd.summaries[0];
    EXPECT_EQ(summary.linksQueued, 0u);
    const std::string port = std::to_string(fixtureSite().Port());
    EXPECT_EQ(summary.unmatchedSite, "127.0.0.1:" + port);
    EXPECT_EQ(SummaryLines(summary).back(),
        "No link was queued: no domain extension on the Following page of the options matches "
        "127.0.0.1:"
            + port + " (add \":" + port + "\").");
    // With the port among them the links are queued and the hint is gone.
    Restart();
    frontEnd.summaries.clear();
    settings.domainExts = { ":" + port };
    WriteInput({ siteUrl("/index.html") });
    ASSERT_EQ(Index(), "");
    EXPECT_GT(frontEnd.summaries[0].linksQueued, 0u);
    EXPECT_EQ(frontEnd.summaries[0].unmatchedSite, "");
}

} // namespace
