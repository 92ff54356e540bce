// THttpCli with KeepAlive against real servers: nginx logs which requests
// shared a connection, and over TLS whether it resumed a session.
#include "net/http/HttpProt.h"
#include "net/tls/TlsContext.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"
#include "tests/support/TestPki.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int WaitMs = 10000;

// nginx serving /p1.html to /p5.html and relocating /old to /p1.html.
class KeptSite
{
public:
    KeptSite(bool tls, const std::string& extra)
    {
        const std::string log = "access_log access.log kept;\n    "
                                "location = /old { return 301 /p1.html; }\n    "
            + extra;
        const std::string format
            = "log_format kept '$connection_requests$ssl_session_reused $request_uri';";
        const TTestPki& pki = TTestPki::Get();
        m_nginx = tls ? TRealServer::StartNginxTls(pki.Valid.Chain, pki.Valid.Key, log, format)
                      : TRealServer::StartNginx(log, format);
        m_scheme = tls ? "https" : "http";
        for (int i = 1; i <= 5; ++i)
            std::ofstream(m_nginx->Dir() + "/www/p" + std::to_string(i) + ".html") << Body(i);
    }

    static std::string Body(int i) { return "<title>page " + std::to_string(i) + "</title>"; }

    std::string Url(const std::string& path) const
    {
        return m_scheme + "://localhost:" + std::to_string(m_nginx->Port()) + path;
    }

    // The log's lines once it holds `count` (nginx writes a line after its
    // response): the request's number on its connection, over TLS "r" for a
    // resumed session or "." for a full handshake, and the URI.
    std::vector<std::string> Requests(std::size_t count) const
    {
        std::vector<std::string> lines;
        runUntil(
            [&] {
                lines.clear();
                std::ifstream in(m_nginx->Dir() + "/access.log");
                for (std::string line; std::getline(in, line);)
                    lines.push_back(line);
                return lines.size() >= count;
            },
            WaitMs);
        return lines;
    }

    // Each request's number and session mark, in log order: "1. 2. 1r".
    std::string Numbers(std::size_t count) const
    {
        std::string numbers;
        for (const auto& line : Requests(count))
            numbers += (numbers.empty() ? "" : " ") + line.substr(0, line.find(' '));
        return numbers;
    }

    std::string Log() const { return m_nginx->Log(); }

private:
    std::unique_ptr<TRealServer> m_nginx;
    std::string m_scheme;
};

class HttpKeepAliveServers : public ::testing::Test
{
protected:
    HttpKeepAliveServers()
    {
        cli.KeepAlive = true;
        cli.RcvdStream = &received;
        cli.TlsContext = &context;
        cli.RequestTimeout = 30s;
    }

    // Fetches `path` of `site`; the body it delivered.
    std::string get(const KeptSite& site, const std::string& path)
    {
        received.str("");
        cli.URL = site.Url(path);
        cli.Get();
        return received.str();
    }

    // Fetches /p1.html to /p`count`.html, each expected whole.
    void getPages(const KeptSite& site, int count)
    {
        for (int i = 1; i <= count; ++i) {
            EXPECT_EQ(get(site, "/p" + std::to_string(i) + ".html"), KeptSite::Body(i))
                << cli.StatusCode() << " " << cli.ReasonPhrase() << "\n"
                << site.Log();
        }
    }

    TTlsContext context { TTestPki::Get().CaFile };
    THttpCli cli;
    std::ostringstream received;
};

TEST_F(HttpKeepAliveServers, NginxServesPagesOverOneConnectionUpToItsBound)
{
    struct Row
    {
        bool tls;
        const char* bound;
        const char* numbers; // a reopened TLS connection resumes the first's session
    };
    const Row rows[] = {
        { false, "", "1- 2- 3- 4- 5-" },
        { false, "keepalive_requests 2;", "1- 2- 1- 2- 1-" },
        { false, "keepalive_requests 1;", "1- 1- 1- 1- 1-" },
        { true, "", "1. 2. 3. 4. 5." },
        { true, "keepalive_requests 2;", "1. 2. 1r 2r 1r" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.tls ? "https " : "http ") + row.bound);
        const KeptSite site(row.tls, row.bound);
        getPages(site, 3);
        // A relocation on the site takes the connection too (or the next one).
        EXPECT_EQ(get(site, "/old"), KeptSite::Body(1));
        EXPECT_EQ(cli.RcvdHeader().front(), "HTTP/1.1 301 Moved Permanently");
        EXPECT_EQ(site.Numbers(5), row.numbers);
        EXPECT_TRUE(site.Requests(5).back().ends_with(" /p1.html"));
        cli.DropConnection();
    }
}

TEST_F(HttpKeepAliveServers, ThroughTheProxiesTheConnectionIsKeptWhereTheyKeepIt)
{
    struct Row
    {
        const char* name;
        bool tls;
        bool socks;
        bool proxy;
        const char* numbers; // nginx's view; "" when the proxy decides
    };
    const Row rows[] = {
        { "SOCKS", false, true, false, "1- 2- 3-" },
        { "SOCKS, https", true, true, false, "1. 2. 3." },
        { "the HTTP proxy's tunnel", true, false, true, "1. 2. 3." },
        { "the HTTP proxy", false, false, true, "" },
    };
    const auto socks = TRealServer::StartMicrosocks("sock", "Secret");
    const auto proxy = TRealServer::StartTinyproxy("user", "pass");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KeptSite site(row.tls, "");
        cli.SocksServer = row.socks ? "127.0.0.1" : "";
        cli.SocksPort = std::to_string(socks->Port());
        cli.SocksUsercode = "sock";
        cli.SocksPassword = "Secret";
        cli.Proxy = row.proxy ? "127.0.0.1:" + std::to_string(proxy->Port()) : "";
        cli.ProxyUsername = "user";
        cli.ProxyPassword = "pass";
        getPages(site, 3);
        if (*row.numbers != '\0')
            EXPECT_EQ(site.Numbers(3), row.numbers) << proxy->Log();
        else
            EXPECT_EQ(site.Requests(3).size(), 3U);
        cli.DropConnection();
    }
}

} // namespace
