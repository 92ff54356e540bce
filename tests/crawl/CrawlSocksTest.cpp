// Crawls of the fixture site through a real SOCKS 5 proxy (microsocks on a
// loopback port), compared with the same crawl made directly, and the pages
// a proxy will not fetch.
#include "CrawlFixture.h"
#include "crawl/PageReport.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"

#include <filesystem>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// What one crawl leaves behind: its error, each finished page with its
// outcome, the records and the saved URLs.
struct TCrawlOutcome
{
    std::string error;
    std::vector<std::string> pages;
    std::vector<std::string> records;
    std::vector<std::string> saved;
};

class CrawlSocks : public CrawlTest
{
protected:
    CrawlSocks()
    {
        frontEnd.OnPage = [this](const TPageReport& report) {
            m_pages.push_back(report.url + " " + PageOutcomeText(report.outcome));
        };
    }

    // Crawls `urls` from nothing: no records, no track file, a fresh run.
    TCrawlOutcome Crawl(const std::vector<std::string>& urls)
    {
        for (const char* file : { "out.txt", "saved.txt", "track.txt", "temp.txt" })
            fs::remove(file);
        Restart();
        m_pages.clear();
        WriteInput(urls);
        TCrawlOutcome outcome;
        outcome.error = Index();
        outcome.pages = m_pages;
        outcome.records = Lines("out.txt");
        outcome.saved = Lines("saved.txt");
        return outcome;
    }

    void UseSocks(
        const std::string& server, int port, const std::string& user, const std::string& password)
    {
        settings.socksServer = server;
        settings.socksPort = port;
        settings.socksUser = user;
        settings.socksPassword = password;
    }

private:
    std::vector<std::string> m_pages;
};

struct ProxyRow
{
    const char* name;
    const char* server; // as loaded from the settings: upper-cased
    const char* user;
    const char* password;
};

TEST_F(CrawlSocks, TheProxyGivesTheSameRecordsAsADirectCrawl)
{
    frontEnd.followLinks = true;
    const TCrawlOutcome direct = Crawl({ siteUrl("/index.html") });
    ASSERT_EQ(direct.error, "");
    ASSERT_EQ(direct.records.size(), 8U);

    const ProxyRow rows[] = {
        { "no authentication", "127.0.0.1", "", "" },
        // A name for the proxy is looked up first; the credentials keep their case.
        { "user and password", "LOCALHOST", "Crawler", "Pa55-word" },
    };
    for (const ProxyRow& row : rows) {
        const auto proxy = TRealServer::StartMicrosocks(row.user, row.password);
        UseSocks(row.server, proxy->Port(), row.user, row.password);
        const TCrawlOutcome viaProxy = Crawl({ siteUrl("/index.html") });
        EXPECT_EQ(viaProxy.error, "") << row.name;
        EXPECT_EQ(viaProxy.pages, direct.pages) << row.name << "\n" << proxy->Log();
        EXPECT_EQ(viaProxy.records, direct.records) << row.name;
        EXPECT_EQ(viaProxy.saved, direct.saved) << row.name;
        // The pages came through the proxy: it reports each connection it made.
        EXPECT_NE(proxy->Log().find(std::to_string(fixtureSite().Port())), std::string::npos)
            << row.name << "\n"
            << proxy->Log();
    }
}

TEST_F(CrawlSocks, APageTheProxyWillNotFetchGivesNoRecordAndTheRunGoesOn)
{
    const auto proxy = TRealServer::StartMicrosocks("Crawler", "Pa55-word");
    const ProxyRow rows[] = {
        { "wrong password", "127.0.0.1", "Crawler", "pa55-word" },
        { "no credentials offered", "127.0.0.1", "", "" },
        { "nothing listening", "127.0.0.1", "", "" },
    };
    const std::vector<std::string> urls = { siteUrl("/index.html"), siteUrl("/a.html") };
    for (const ProxyRow& row : rows) {
        const bool listening = std::string_view(row.name) != "nothing listening";
        UseSocks(row.server, listening ? proxy->Port() : refusedPort(), row.user, row.password);
        const TCrawlOutcome outcome = Crawl(urls);
        EXPECT_EQ(outcome.error, "") << row.name;
        EXPECT_EQ(outcome.pages,
            (std::vector<std::string> { urls[0] + " blank title", urls[1] + " blank title" }))
            << row.name;
        EXPECT_TRUE(outcome.records.empty()) << row.name;
        EXPECT_TRUE(outcome.saved.empty()) << row.name;
        EXPECT_TRUE(Lines("in.txt").empty()) << row.name;
    }

    // With the right credentials the same proxy fetches both pages.
    UseSocks("127.0.0.1", proxy->Port(), "Crawler", "Pa55-word");
    EXPECT_EQ(Crawl(urls).records.size(), 2U) << proxy->Log();
}

} // namespace
