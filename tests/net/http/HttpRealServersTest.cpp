// THttpCli against real servers started on free loopback ports: nginx for
// the site, tinyproxy as a proxy asking for Basic credentials and microsocks
// as a SOCKS 5 proxy.
#include "net/http/HttpProt.h"
#include "tests/support/HttpTestKit.h"
#include "tests/support/RealServers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

using namespace std::chrono_literals;

class HttpRealServers : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        try {
            StartSite();
        } catch (const std::exception& e) {
            startError = e.what();
        }
    }

    static void StartSite()
    {
        nginx = TRealServer::StartNginx(
            "location = /old { return 301 /index.html; }\n    error_page 404 /404.html;");
        const std::string www = nginx->Dir() + "/www/";
        std::ofstream(www + "index.html", std::ios::binary) << Index;
        std::ofstream(www + "404.html", std::ios::binary) << "<title>Not here</title>";
        bigFile.resize(10 * 1024 * 1024);
        std::uint32_t x = 2463534242u;
        for (auto& c : bigFile) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        std::ofstream(www + "big.bin", std::ios::binary) << bigFile;
    }

    static void TearDownTestSuite() { nginx.reset(); }

    HttpRealServers()
    {
        cli.RcvdStream = &received;
        cli.RequestTimeout = 60s;
    }

    // A server that could not be started fails every test that needs it.
    void SetUp() override
    {
        if (!nginx)
            FAIL() << "nginx did not start: " << startError;
    }

    static std::string Site(const std::string& path)
    {
        return "http://127.0.0.1:" + std::to_string(nginx->Port()) + path;
    }

    static constexpr const char* Index = "<html><title>Skelvo test site</title></html>\n";
    static inline std::unique_ptr<TRealServer> nginx;
    static inline std::string bigFile;
    static inline std::string startError;
    THttpCli cli;
    std::ostringstream received;
};

TEST_F(HttpRealServers, NginxServesAPage)
{
    cli.URL = Site("/index.html");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << nginx->Log();
    EXPECT_EQ(received.str(), Index);
    EXPECT_EQ(cli.ContentType(), "text/html");
    EXPECT_EQ(cli.ContentLength(), static_cast<std::int64_t>(std::string(Index).size()));
}

TEST_F(HttpRealServers, NginxNotFound)
{
    cli.URL = Site("/nothing-here.html");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Not Found");
}

TEST_F(HttpRealServers, NginxRelocationIsFollowed)
{
    cli.URL = Site("/old");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200);
    ASSERT_FALSE(cli.RcvdHeader().empty());
    EXPECT_EQ(cli.RcvdHeader().front(), "HTTP/1.1 301 Moved Permanently");
    EXPECT_EQ(received.str(), Index);
}

TEST_F(HttpRealServers, NginxLargeFileArrivesWholeAndIdentical)
{
    cli.URL = Site("/big.bin");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200);
    EXPECT_EQ(cli.RcvdCount(), static_cast<std::int64_t>(bigFile.size()));
    EXPECT_TRUE(received.str() == bigFile) << "the body differs from the file";
}

TEST_F(HttpRealServers, TinyproxyWithRightCredentials)
{
    const auto proxy = TRealServer::StartTinyproxy("user", "pass");
    cli.Proxy = "127.0.0.1:" + std::to_string(proxy->Port());
    cli.ProxyUsername = "user";
    cli.ProxyPassword = "pass";
    cli.URL = Site("/index.html");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << proxy->Log();
    EXPECT_EQ(received.str(), Index);
}

TEST_F(HttpRealServers, TinyproxyRefusesWithoutCredentials)
{
    const auto proxy = TRealServer::StartTinyproxy("user", "pass");
    cli.Proxy = "127.0.0.1";
    cli.ProxyPort = std::to_string(proxy->Port());
    cli.URL = Site("/index.html");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 407) << proxy->Log();
    EXPECT_EQ(received.str().find("Skelvo test site"), std::string::npos);
}

TEST_F(HttpRealServers, TheHttpProxyIsReachedThroughTheSocksProxy)
{
    const auto proxy = TRealServer::StartTinyproxy("user", "pass");
    const auto socks = TRealServer::StartMicrosocks("sock", "Secret");
    cli.Proxy = "127.0.0.1:" + std::to_string(proxy->Port());
    cli.ProxyUsername = "user";
    cli.ProxyPassword = "pass";
    cli.SocksServer = "localhost";
    cli.SocksPort = std::to_string(socks->Port());
    cli.SocksUsercode = "sock";
    cli.SocksPassword = "Secret";
    cli.URL = Site("/index.html");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << proxy->Log() << socks->Log();
    EXPECT_EQ(received.str(), Index);
    // The SOCKS proxy was asked for the HTTP proxy, not for the site.
    EXPECT_NE(socks->Log().find(std::to_string(proxy->Port())), std::string::npos) << socks->Log();
}

TEST_F(HttpRealServers, ARefusedSocksNegotiationEndsTheRequestAndTheClientGoesOn)
{
    const auto socks = TRealServer::StartMicrosocks("sock", "Secret");
    cli.SocksServer = "127.0.0.1";
    cli.SocksPort = std::to_string(socks->Port());
    cli.SocksUsercode = "sock";
    cli.SocksPassword = "secret";
    cli.URL = Site("/index.html");
    std::vector<std::uint16_t> done;
    cli.OnRequestDone
        = [&](THttpCli*, THttpRequest, std::uint16_t error) { done.push_back(error); };
    cli.Get();
    EXPECT_EQ(cli.State(), httpReady);
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "socks: socks authentication failed (Error #20015)");
    EXPECT_EQ(done.size(), 1U);
    EXPECT_TRUE(received.str().empty());

    // The next request, with the right password, connects through it.
    cli.SocksPassword = "Secret";
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << socks->Log();
    EXPECT_EQ(received.str(), Index);
    EXPECT_EQ(done.size(), 2U);
}

} // namespace
