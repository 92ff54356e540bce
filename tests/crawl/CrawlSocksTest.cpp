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
    const Texts direct = CrawlAfresh({ siteUrl("/index.html") });
    ASSERT_EQ(direct.size(), 24u); // eight pages, records and saved URLs

    // A name for the proxy is looked up first (the server name comes upper-cased
    // from the settings); the credentials keep their case.
    for (const auto& [server, user, password] : { std::tuple { "127.0.0.1", "", "" },
             std::tuple { "LOCALHOST", "Crawler", "Pa55-word" } }) {
        SCOPED_TRACE(server);
        const auto proxy = TRealServer::StartMicrosocks(user, password);
        UseSocks(server, proxy->Port(), user, password);
        EXPECT_EQ(CrawlAfresh({ siteUrl("/index.html") }), direct) << proxy->Log();
        // The pages came through the proxy: it reports each connection it made.
        EXPECT_NE(proxy->Log().find(std::to_string(fixtureSite().Port())), std::string::npos)
            << proxy->Log();
    }
}

TEST_F(CrawlSocks, APageTheProxyWillNotFetchGivesNoRecordAndTheRunGoesOn)
{
    const auto proxy = TRealServer::StartMicrosocks("Crawler", "Pa55-word");
    const Texts urls = { siteUrl("/index.html"), siteUrl("/a.html") };
    // A wrong password, no credentials offered, nothing listening: each says so.
    for (const auto& [port, user, password, reason] :
        { std::tuple { proxy->Port(), "Crawler", "pa55-word",
              "404 socks: socks authentication failed (Error #20015)" },
            std::tuple { proxy->Port(), "", "",
                "404 socks: authentification method not acceptable (Error #20003)" },
            std::tuple { int(refusedPort()), "", "", "404 Connection refused (Error #10061)" } }) {
        SCOPED_TRACE(std::string(user) + " " + password + " " + std::to_string(port));
        UseSocks("127.0.0.1", port, user, password);
        const std::string failed = std::string(" fetch failed: ") + reason;
        EXPECT_EQ(CrawlAfresh(urls), (Texts { urls[0] + failed, urls[1] + failed }));
        EXPECT_TRUE(Lines("in.txt").empty());
    }
    // With the right credentials the same proxy fetches both pages.
    UseSocks("127.0.0.1", proxy->Port(), "Crawler", "Pa55-word");
    EXPECT_EQ(CrawlAfresh(urls).size(), 6u) << proxy->Log();
}

} // namespace
