// skelvo-batch as a cron job sees it: each page's outcome, the rejected file,
// the summary, the exit status of a run that reached no server, --quiet, --fresh.
#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"
#include "tests/batch/BatchProcess.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using Urls = std::vector<std::string>;

const std::string BaseSettings = "[PATHS]\r\nOUTPUT=out.txt\r\nINPUT=in.txt\r\nSAVED=saved.txt\r\n"
                                 "TRACK=track.txt\r\n[OUTPUT]\r\nSEPERATOR=|\r\nCUTOFF=70\r\n"
                                 "DESC=255\r\nB1=0\r\nB3=0\r\nB4=0\r\n[PROXY]\r\nPORT=80\r\n"
                                 "ENABLED=0\r\n";

std::string page(const std::string& title, const std::string& extra = "")
{
    return "<html><head><title>" + title + "</title><meta name=\"keywords\" content=\"guide\">"
        + extra + "</head><body>A guide.</body></html>\r\n";
}

// One nginx for the program: a page for each reason a page gets no record.
TRealServer& site()
{
    static const std::unique_ptr<TRealServer> nginx = [] {
        auto server = TRealServer::StartNginx("");
        const std::map<std::string, std::string> files = {
            { "/robots.txt", "User-agent: *\nDisallow: /private/\n" },
            { "/written.html", page("Written Page") },
            { "/private/p.html", page("Private Page") },
            { "/noindex.html", page("Hidden Page", "<meta name=\"robots\" content=\"noindex\">") },
            { "/casino.html", page("Casino Page", "casino") },
            { "/other.html",
                "<html><title>Other Page</title><meta name=\"keywords\" "
                "content=\"x\"></html>" },
            { "/error.html", page("Server Error Here") },
            { "/nokeys.html", "<html><title>No Keys</title>A guide.</html>" },
            { "/untitled.html", page("") },
            { "/links.html",
                page("Links",
                    "<a href=\"http://127.0.0.1:" + std::to_string(server->Port())
                        + "/written.html\">w</a>") },
        };
        for (const auto& [path, content] : files) {
            const fs::path file = server->Dir() + "/www" + path;
            fs::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << content;
        }
        return server;
    }();
    return *nginx;
}

std::string url(const std::string& path, const std::string& host = "127.0.0.1")
{
    return "http://" + host + ":" + std::to_string(site().Port()) + path;
}

class PoliteBatch : public ::testing::Test
{
protected:
    // Runs skelvo-batch over `input` with `settings` and `args`; its exit status.
    int Run(const std::string& settings, const Urls& input, Urls args = {})
    {
        WriteWholeFile(m_dir.file("test.ini"), m_base + settings);
        WriteUrlList(m_dir.file("in.txt"), input);
        args.insert(args.begin(), { "--settings", "test.ini" });
        TBatchProcess batch(SKELVO_BATCH_PATH, m_dir.path().string(), args);
        return batch.WaitExit(60s).value_or(-2);
    }
    std::string Out() const { return TBatchProcess::Output(m_dir.path().string()); }
    std::string Err() const { return TBatchProcess::Errors(m_dir.path().string()); }
    std::string File(const char* name) const
    {
        return fs::exists(m_dir.file(name)) ? ReadWholeFile(m_dir.file(name)) : std::string();
    }
    // URL and outcome column of each page line.
    std::map<std::string, std::string> Outcomes() const
    {
        std::map<std::string, std::string> outcomes;
        std::istringstream lines(Out());
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string field[4]; // done, left, outcome, address
            for (auto& text : field)
                std::getline(fields, text, '\t');
            outcomes[field[3]] = field[2];
        }
        return outcomes;
    }

    std::string m_base = BaseSettings;
    TempFolder m_dir { "politebatch" };
};

TEST_F(PoliteBatch, EveryPageSaysWhyItGotNoRecord)
{
    m_base.replace(m_base.find("B3=0"), 4, "B3=1");
    const std::string settings = "[FILTER1]\r\nKEYWORDS1=casino\r\n[FILTER2]\r\n"
                                 "DOMAINS1=localhost\r\n[TARGETED]\r\nKEYWORDS2=guide\r\n"
                                 "[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=1\r\nINTERNAL=0\r\n"
                                 "[WEB]\r\nROBOTS=1\r\nSTATUS=1\r\nREJECTED=rejected.txt\r\n";
    const std::vector<std::pair<std::string, std::string>> rows = {
        { url("/written.html"), "written" },
        { url("/missing.html"), "fetch failed: 404 Not Found" },
        { url("/private/p.html"), "robots.txt" },
        { url("/noindex.html"), "noindex" },
        { url("/casino.html"), "keyword filter: CASINO" },
        { url("/other.html"), "not targeted" },
        { url("/written.html", "localhost"), "domain filter: LOCALHOST" },
        { url("/error.html"), "error page: server error" },
        { url("/nokeys.html"), "no keywords" },
        { url("/untitled.html"), "blank title" },
    };
    Urls input;
    std::map<std::string, std::string> expected;
    std::string rejected;
    for (const auto& [address, reason] : rows) {
        input.push_back(address);
        expected[address] = reason;
        if (reason != "written")
            rejected += address + "|" + reason + "\r\n";
    }
    EXPECT_EQ(Run(settings, input), 0) << Err();
    EXPECT_EQ(Outcomes(), expected) << Out();
    EXPECT_EQ(File("rejected.txt"), rejected);
    EXPECT_NE(Err().find("Run ended: 10 pages done in "), std::string::npos) << Err();
    EXPECT_NE(Err().find("; 1 written, 9 left out; 0 links queued; 0 requests without an "
                         "answer.\nLeft out: 1 fetch failed, 1 robots.txt, 1 noindex, 1 keyword "
                         "filter, 1 not targeted, 1 domain filter, 1 error page, 1 no keywords, "
                         "1 blank title.\n"),
        std::string::npos)
        << Err();
}

TEST_F(PoliteBatch, ARunThatReachedNoServerExitsWithThree)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusedPort()) + "/a.html";
    struct Row
    {
        const char* what;
        std::string web;
        Urls input;
        int status;
        std::string outcome; // of the first page
    };
    const Row rows[] = {
        { "refused", "", { refused }, 3, "fetch failed: 404 Connection refused (Error #10061)" },
        { "refused, robots.txt unanswered too", "[WEB]\r\nROBOTS=1\r\n", { refused }, 3,
            "robots.txt" },
        { "one server answered", "", { refused, url("/written.html") }, 0,
            "fetch failed: 404 Connection refused (Error #10061)" },
        { "forbidden and missing: no alarm", "[WEB]\r\nROBOTS=1\r\nSTATUS=1\r\n",
            { url("/private/p.html"), url("/missing.html") }, 0, "robots.txt" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Run(row.web, row.input), row.status) << Err();
        EXPECT_EQ(Outcomes()[row.input.front()], row.outcome) << Out();
    }
}

TEST_F(PoliteBatch, QuietLeavesTheSummaryAndTheErrorsOnly)
{
    EXPECT_EQ(Run("", { url("/written.html"), url("/missing.html") }, { "--quiet" }), 0);
    EXPECT_EQ(Out(), "");
    EXPECT_TRUE(Err().starts_with("Run ended: 2 pages done in ")) << Err();
    EXPECT_TRUE(
        Err().ends_with("s; 1 written, 1 left out; 0 links queued; 0 requests without an answer.\n"
                        "Left out: 1 error page.\n"))
        << Err();
    // An error that ends the run still shows.
    EXPECT_EQ(Run("", { "http:///no-host.html" }, { "-q" }), 1);
    EXPECT_EQ(Out(), "");
    EXPECT_NE(Err().find("skelvo-batch: "), std::string::npos) << Err();
}

TEST_F(PoliteBatch, FreshQueuesTheLinksOfTheLastCrawlAgain)
{
    const std::string settings = "[FOLLOWING]\r\nEXT1=:" + std::to_string(site().Port())
        + "\r\nEXT2=.HTML\r\n[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=0\r\n";
    const std::string linked = url("/written.html");
    for (const bool fresh : { false, true }) {
        SCOPED_TRACE(fresh ? "fresh" : "as before");
        WriteWholeFile(m_dir.file("track.txt"), linked + "\r\n");
        EXPECT_EQ(Run(settings, { url("/links.html") }, fresh ? Urls { "--fresh" } : Urls {}), 0)
            << Err();
        EXPECT_EQ(Outcomes().count(linked), fresh ? 1u : 0u) << Out();
        EXPECT_EQ(File("track.txt"), linked + "\r\n");
    }
}

} // namespace
