// Crawls of the fixture site through a real SOCKS 5 proxy (microsocks on a
// loopback port) give what the same crawl made directly gives; a page the
// proxy will not fetch gives no record.
#include "CrawlFixture.h"
#include "crawl/PageReport.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;

class CrawlSocks : public CrawlTest
{
protected:
    // Crawls `urls` afresh; the finished pages with their outcomes, the records, the saved URLs.
    Texts Crawl(const Texts& urls)
    {
        for (const char* file : { "out.txt", "saved.txt", "track.txt", "temp.txt" })
            fs::remove(file);
        Restart();
        frontEnd.pages.clear();
        WriteInput(urls);
        EXPECT_EQ(Index(), "");
        Texts result;
        for (const auto& page : frontEnd.pages)
            result.push_back(page.url + " " + PageOutcomeText(page.outcome));
        for (const char* file : { "out.txt", "saved.txt" })
            for (const auto& line : Lines(file))
                result.push_back(line);
        return result;
    }

    void UseSocks(
        const std::string& server, int port, const std::string& user, const std::string& password)
    {
        settings.socksServer = server;
        settings.socksPort = port;
        settings.socksUser = user;
        settings.socksPassword = password;
    }
};

TEST_F(CrawlSocks, TheProxyGivesTheSameRecordsAsADirectCrawl)
{
    frontEnd.followLinks = true;
    const Texts direct = Crawl({ siteUrl("/index.html") });
    ASSERT_EQ(direct.size(), 24u); // eight pages, records and saved URLs

    // A name for the proxy is looked up first (the server name comes upper-cased
    // from the settings); the credentials keep their case.
    for (const auto& [server, user, password] : { std::tuple { "127.0.0.1", "", "" },
             std::tuple { "LOCALHOST", "Crawler", "Pa55-word" } }) {
        SCOPED_TRACE(server);
        const auto proxy = TRealServer::StartMicrosocks(user, password);
        UseSocks(server, proxy->Port(), user, password);
        EXPECT_EQ(Crawl({ siteUrl("/index.html") }), direct) << proxy->Log();
        // The pages came through the proxy: it reports each connection it made.
        EXPECT_NE(proxy->Log().find(std::to_string(fixtureSite().Port())), std::string::npos)
            << proxy->Log();
    }
}

TEST_F(CrawlSocks, APageTheProxyWillNotFetchGivesNoRecordAndTheRunGoesOn)
{
    const auto proxy = TRealServer::StartMicrosocks("Crawler", "Pa55-word");
    const Texts urls = { siteUrl("/index.html"), siteUrl("/a.html") };
    // A wrong password, no credentials offered, nothing listening.
    for (const auto& [port, user, password] :
        { std::tuple { proxy->Port(), "Crawler", "pa55-word" },
            std::tuple { proxy->Port(), "", "" }, std::tuple { int(refusedPort()), "", "" } }) {
        SCOPED_TRACE(std::string(user) + " " + password + " " + std::to_string(port));
        UseSocks("127.0.0.1", port, user, password);
        EXPECT_EQ(Crawl(urls), (Texts { urls[0] + " fetch failed", urls[1] + " fetch failed" }));
        EXPECT_TRUE(Lines("in.txt").empty());
    }
    // With the right credentials the same proxy fetches both pages.
    UseSocks("127.0.0.1", proxy->Port(), "Crawler", "Pa55-word");
    EXPECT_EQ(Crawl(urls).size(), 6u) << proxy->Log();
}

} // namespace
