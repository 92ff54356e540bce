// Crawls of secure pages: the fixture site over TLS gives the plain site's
// records, directly and through proxies; failed certificates, a body cut short
// and HTTPS off leave no record.
#include "CrawlFixture.h"
#include "crawl/PageReport.h"
#include "tests/net/tls/TlsPeer.h"
#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestPki.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;

// The fixture site's pages served by nginx over TLS with `cert`.
std::unique_ptr<TRealServer> startSecureSite(const TTestCert& cert)
{
    auto nginx = TRealServer::StartNginxTls(cert.Chain, cert.Key, "");
    fs::copy(SKELVO_TEST_DATA "/crawlsite", nginx->Dir() + "/www", fs::copy_options::recursive);
    return nginx;
}

// The valid site, for the whole program.
TRealServer& secureSite()
{
    static const std::unique_ptr<TRealServer> site = startSecureSite(TTestPki::Get().Valid);
    return *site;
}

std::string secureUrl(const std::string& path)
{
    return "https://127.0.0.1:" + std::to_string(secureSite().Port()) + path;
}

class CrawlHttps : public CrawlTest
{
protected:
    CrawlHttps()
    {
        settings.fetchHttps = 1;
        settings.caFile = TTestPki::Get().CaFile;
        settings.domainExts.push_back(":" + std::to_string(secureSite().Port()));
    }
};

// `lines` with the secure site's URLs written as the plain site's.
Texts asPlain(Texts lines)
{
    const std::string secure = "https://127.0.0.1:" + std::to_string(secureSite().Port());
    const std::string plain = "http://127.0.0.1:" + std::to_string(fixtureSite().Port());
    for (auto& line : lines) {
        for (std::size_t at = line.find(secure); at != std::string::npos;
             at = line.find(secure, at + plain.size()))
            line.replace(at, secure.size(), plain);
    }
    return lines;
}

TEST_F(CrawlHttps, TheSecureSiteGivesThePlainRecordsDirectlyAndThroughProxies)
{
    frontEnd.followLinks = true;
    const Texts plain = CrawlAfresh({ siteUrl("/index.html") });
    ASSERT_EQ(plain.size(), 24u); // eight pages, records and saved URLs
    const Texts direct = CrawlAfresh({ secureUrl("/index.html") });
    EXPECT_EQ(asPlain(direct), plain);
    // The links were followed as secure URLs, as the page named them.
    EXPECT_EQ(Lines("track.txt").front(), secureUrl("/a.html"));
    struct Row
    {
        bool socks;
        const char* user;
        const char* password;
    };
    const Row rows[] = { { false, "", "" }, { false, "Crawler", "Pa55-word" }, { true, "", "" },
        { true, "Crawler", "Pa55-word" } };
    const TSettings before = settings;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.socks ? "microsocks" : "tinyproxy") + " user " + row.user);
        const auto proxy = row.socks ? TRealServer::StartMicrosocks(row.user, row.password)
                                     : TRealServer::StartTinyproxy(row.user, row.password);
        settings = before;
        if (row.socks) {
            settings.socksServer = "127.0.0.1";
            settings.socksPort = proxy->Port();
            settings.socksUser = row.user;
            settings.socksPassword = row.password;
        } else {
            settings.proxyEnabled = 1;
            settings.proxyAddress = "127.0.0.1";
            settings.proxyPort = proxy->Port();
            settings.proxyName = row.user;
            settings.proxyPassword = row.password;
        }
        EXPECT_EQ(CrawlAfresh({ secureUrl("/index.html") }), direct) << proxy->Log();
        // The proxy's log names the site's port: the pages came through it.
        EXPECT_NE(proxy->Log().find(std::to_string(secureSite().Port())), std::string::npos)
            << proxy->Log();
    }
    // robots.txt is asked for over TLS too (nginx has none: no rules).
    settings = before;
    settings.obeyRobots = 1;
    EXPECT_EQ(CrawlAfresh({ secureUrl("/index.html") }), direct);
}

TEST_F(CrawlHttps, AFailedCertificateGivesItsReasonAndNoRecord)
{
    const TTestPki& pki = TTestPki::Get();
    struct Row
    {
        const TTestCert& cert;
        std::string caFile;
        std::string outcome;
    };
    const Row rows[] = {
        { pki.WrongHost, pki.CaFile,
            "fetch failed: 404 TLS: host name mismatch (cert is for other.test)" },
        { pki.Expired, pki.CaFile,
            "fetch failed: 404 TLS: certificate verify failed: certificate has expired" },
        { pki.OtherCa, pki.CaFile,
            "fetch failed: 404 TLS: certificate verify failed: self-signed certificate in "
            "certificate chain" },
        { pki.OtherCa, pki.OtherCaFile, "written" }, // the CA file trusts the other CA
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.outcome);
        const auto site = startSecureSite(row.cert);
        settings.caFile = row.caFile;
        const std::string url = "https://localhost:" + std::to_string(site->Port()) + "/b1.html";
        const Texts result = CrawlAfresh({ url });
        ASSERT_FALSE(result.empty());
        EXPECT_EQ(result.front(), url + " " + row.outcome);
        if (row.outcome == "written") {
            EXPECT_EQ(result.size(), 3u);
        } else {
            EXPECT_EQ(result.size(), 1u) << "a record was written";
            EXPECT_EQ(Text("temp.txt"), "");
            EXPECT_EQ(frontEnd.pages.front().outcome, pgFetchFailed);
        }
        EXPECT_TRUE(Lines("in.txt").empty());
    }
}

TEST_F(CrawlHttps, APageCutShortIsNeverRecorded)
{
    // Title and links came, but no TLS close and no length: the end may be missing.
    frontEnd.followLinks = true;
    const TTestPki& pki = TTestPki::Get();
    TTlsPeer server(pki.Valid.Chain, pki.Valid.Key, [](TTlsPeerConnection& c) {
        c.handshake();
        c.readUntil("\r\n\r\n");
        c.send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
               "<html><title>Cut Short</title><a href=\"next.html\">next</a>");
    });
    const std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/cut.html";
    settings.domainExts.push_back(":" + std::to_string(server.port()));
    EXPECT_EQ(CrawlAfresh({ url }),
        (Texts { url + " fetch failed: 404 TLS: connection cut before the end of the body" }));
    EXPECT_EQ(Text("temp.txt"), "");
    EXPECT_TRUE(Lines("track.txt").empty()) << "its links were followed";
    EXPECT_TRUE(server.waitDone(10000));
}

TEST_F(CrawlHttps, WithHttpsOffNoSecurePageIsAskedFor)
{
    settings.fetchHttps = 0;
    ScriptedPeer secure;
    secure.accept().close();
    secure.start();
    const std::string target = "https://127.0.0.1:" + std::to_string(secure.port()) + "/x.html";
    ScriptedPeer relocating;
    relocating.readUntil("\r\n\r\n")
        .send("HTTP/1.0 301 Moved\r\nLocation: " + target + "\r\n\r\n")
        .close()
        .start();
    const std::string moved = "http://127.0.0.1:" + std::to_string(relocating.port()) + "/m.html";
    EXPECT_EQ(CrawlAfresh({ target, moved, siteUrl("/b1.html") }),
        (Texts { target + " https is off", moved + " https is off",
            siteUrl("/b1.html") + " written",
            "Page B1|Leaf under B. |Leaf under B. |" + siteUrl("/b1.html"), siteUrl("/b1.html") }));
    EXPECT_EQ(frontEnd.pages.back().done, 3); // each page's cycle counted
    EXPECT_EQ(relocating.accepted(), 1);
    EXPECT_EQ(secure.accepted(), 0);
}

} // namespace
