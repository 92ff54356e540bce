// THttpCli over TLS against scripted TLS servers (for the ends a real server
// will not make), between http and https, without TLS settings, and through
// tinyproxy's tunnel.
#include "net/http/HttpProt.h"
#include "net/socket/WSocket.h"
#include "net/tls/TlsContext.h"
#include "tests/net/tls/TlsPeer.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestPki.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int WaitMs = 10000;

std::string secureUrl(int port, const std::string& path)
{
    return "https://localhost:" + std::to_string(port) + path;
}

// The request the client sends for `path` of localhost, inside TLS as in the clear.
std::string requestFor(const std::string& path)
{
    return "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
}

// A peer presenting the valid certificate that reads one request and plays `answer`.
std::unique_ptr<TTlsPeer> servePage(
    std::function<void(TTlsPeerConnection&)> answer, int connections = 1)
{
    const TTestPki& pki = TTestPki::Get();
    return std::make_unique<TTlsPeer>(
        pki.Valid.Chain, pki.Valid.Key,
        [answer](TTlsPeerConnection& c) {
            c.handshake();
            c.readUntil("\r\n\r\n");
            answer(c);
        },
        connections);
}

class HttpTls : public ::testing::Test
{
protected:
    HttpTls()
    {
        cli.RcvdStream = &received;
        cli.TlsContext = &context;
        cli.RequestTimeout = 20s;
    }

    TTlsContext context { TTestPki::Get().CaFile };
    THttpCli cli;
    std::ostringstream received;
};

TEST_F(HttpTls, HowTheServerEndsDecidesWhetherThePageIsWhole)
{
    const std::string cutShort = "TLS: connection cut before the end of the body";
    struct Row
    {
        const char* name;
        std::string response;
        enum { Notify, Cut, Alert } end;
        int status;
        std::string reason; // empty: the body is whole
    };
    const Row rows[] = {
        { "close_notify ends a body without length", "HTTP/1.0 200 OK\r\n\r\n0123456789",
            Row::Notify, 200, "" },
        { "a cut ends it short", "HTTP/1.0 200 OK\r\n\r\n0123456789", Row::Cut, 404, cutShort },
        { "a cut after the whole length", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789",
            Row::Cut, 200, "" },
        { "a cut before the whole length",
            "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n0123456789", Row::Cut, 404, cutShort },
        { "a cut in the head", "HTTP/1.0 200 OK\r\nContent-Le", Row::Cut, 404, cutShort },
        { "an alert in the middle of the body",
            "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n0123456789", Row::Alert, 404,
            "TLS: sslv3 alert bad record mac" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto peer = servePage([&row](TTlsPeerConnection& c) {
            c.send(row.response);
            if (row.end == Row::Notify)
                c.closeNotify();
            else if (row.end == Row::Alert)
                c.alert();
        });
        received.str("");
        cli.URL = secureUrl(peer->port(), "/page.html");
        cli.Get();
        ASSERT_TRUE(peer->waitDone(WaitMs));
        EXPECT_TRUE(peer->problems().empty()) << peer->problems().front();
        EXPECT_EQ(cli.State(), httpReady);
        EXPECT_EQ(peer->received(), requestFor("/page.html"));
        EXPECT_EQ(peer->serverNames(), std::vector<std::string> { "localhost" });
        EXPECT_EQ(cli.StatusCode(), row.status);
        if (row.reason.empty()) {
            EXPECT_EQ(cli.HttpsOutcome(), httpsNone) << cli.ReasonPhrase();
            EXPECT_EQ(received.str(), "0123456789");
        } else {
            EXPECT_EQ(cli.HttpsOutcome(), httpsFailed);
            EXPECT_EQ(cli.ReasonPhrase(), row.reason);
        }
    }
}

TEST_F(HttpTls, HandlersThatPumpEventsGetEveryByteOnceInOrder)
{
    // Decrypted bytes wait in the socket unannounced by readiness: pumping
    // must neither lose nor repeat them, nor end the page before its last byte.
    std::string body;
    for (int i = 0; body.size() < 60000; ++i)
        body += std::to_string(i) + ",";
    const auto peer = servePage([&body](TTlsPeerConnection& c) {
        c.send("HTTP/1.0 200 OK\r\n\r\n");
        for (std::size_t at = 0; at < body.size(); at += 3000) {
            c.send(body.substr(at, 3000));
            std::this_thread::sleep_for(1ms);
        }
        c.closeNotify();
    });
    std::string delivered;
    std::size_t atDocEnd = 0;
    cli.OnDocData = [&](THttpCli*, const char* data, int len) {
        delivered.append(data, static_cast<std::size_t>(len));
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            TCustomWSocket::WaitForEvents(2);
        }
    };
    cli.OnDocEnd = [&](THttpCli*) { atDocEnd = delivered.size(); };
    cli.URL = secureUrl(peer->port(), "/");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << cli.ReasonPhrase();
    EXPECT_EQ(cli.HttpsOutcome(), httpsNone);
    EXPECT_EQ(delivered.size(), body.size());
    EXPECT_TRUE(delivered == body) << "the body delivered differs";
    EXPECT_EQ(atDocEnd, body.size());
}

TEST_F(HttpTls, ADocDataHandlerRaisingLosesOnlyItsOwnChunk)
{
    // The rest waits decrypted when the handler raises, and must still come.
    const std::string body(20000, 'b');
    const auto peer = servePage([&body](TTlsPeerConnection& c) {
        c.send("HTTP/1.0 200 OK\r\n\r\n" + body);
        c.closeNotify();
    });
    std::size_t lost = 0;
    cli.OnDocData = [&](THttpCli*, const char*, int len) {
        if (lost == 0) {
            lost = static_cast<std::size_t>(len);
            throw std::runtime_error("display failed");
        }
    };
    cli.IdleTimeout = 5s;
    cli.URL = secureUrl(peer->port(), "/");
    cli.Get();
    EXPECT_EQ(cli.ReasonPhrase(), "OK");
    EXPECT_GT(lost, 0u);
    EXPECT_EQ(received.str().size() + lost, body.size());
}

TEST_F(HttpTls, AHandshakeThatStallsIsEndedByTheConnectBound)
{
    const TTestPki& pki = TTestPki::Get();
    TTlsPeer peer(
        pki.Valid.Chain, pki.Valid.Key, [](TTlsPeerConnection& c) { c.stallHandshake(); });
    cli.ConnectTimeout = 200ms;
    cli.URL = secureUrl(peer.port(), "/");
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Timed out");
    EXPECT_TRUE(peer.waitDone(WaitMs));
    EXPECT_TRUE(peer.problems().empty()) << peer.problems().front();
}

TEST_F(HttpTls, WithoutTlsSettingsAnHttpsUrlIsNeverSent)
{
    cli.TlsContext = nullptr;
    struct Row
    {
        const char* name;
        bool viaProxy;
        bool relocated;
    };
    const Row rows[] = {
        { "an https URL", false, false },
        { "an https URL through a proxy", true, false },
        { "a relocation to https", false, true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer secure; // neither it nor the proxy may hear from the client
        secure.accept(WaitMs).close().start();
        ScriptedPeer proxy;
        proxy.accept(WaitMs).close().start();
        const std::string target = secureUrl(secure.port(), "/x.html");
        ScriptedPeer plain;
        plain.readUntil("\r\n\r\n")
            .send("HTTP/1.0 301 Moved\r\nLocation: " + target + "\r\n\r\n")
            .close()
            .start();
        cli.Proxy = row.viaProxy ? "127.0.0.1:" + std::to_string(proxy.port()) : "";
        cli.URL = row.relocated ? "http://127.0.0.1:" + std::to_string(plain.port()) + "/" : target;
        cli.Get();
        EXPECT_EQ(cli.StatusCode(), 404);
        EXPECT_EQ(cli.ReasonPhrase(), "https is off");
        EXPECT_EQ(cli.HttpsOutcome(), httpsOff);
        EXPECT_EQ(plain.accepted(), row.relocated ? 1 : 0);
        EXPECT_EQ(secure.accepted(), 0);
        EXPECT_EQ(proxy.accepted(), 0);
    }
}

TEST_F(HttpTls, RelocationsMoveBetweenPlainAndSecureServers)
{
    // http -> https -> http, each target on another server.
    ScriptedPeer last;
    last.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\nback in the clear").close().start();
    const std::string lastUrl = "http://127.0.0.1:" + std::to_string(last.port()) + "/c.html";
    const auto secure = servePage([&lastUrl](TTlsPeerConnection& c) {
        c.send("HTTP/1.0 302 Found\r\nLocation: " + lastUrl + "\r\n\r\n");
        c.closeNotify();
    });
    ScriptedPeer first;
    first.readUntil("\r\n\r\n")
        .send(
            "HTTP/1.0 301 Moved\r\nLocation: " + secureUrl(secure->port(), "/b.html") + "\r\n\r\n")
        .close()
        .start();
    cli.URL = "http://127.0.0.1:" + std::to_string(first.port()) + "/a.html";
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200) << cli.ReasonPhrase();
    EXPECT_EQ(received.str(), "back in the clear");
    EXPECT_EQ(secure->received(), requestFor("/b.html"));
    ASSERT_TRUE(last.waitDone(WaitMs));
    EXPECT_EQ(last.received(0), "GET /c.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(HttpTls, ThroughTinyproxyTheServerGetsItsRequestInsideATunnel)
{
    const auto proxy = TRealServer::StartTinyproxy("user", "pass");
    cli.Proxy = "127.0.0.1:" + std::to_string(proxy->Port());
    cli.ProxyUsername = "user";
    struct Row
    {
        const char* password;
        int status;
        std::string reason;
    };
    const Row rows[] = {
        { "pass", 200, "OK" },
        { "wrong", 404, "proxy: HTTP/1.0 401 Unauthorized" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.password);
        const auto server = servePage([](TTlsPeerConnection& c) {
            c.send("HTTP/1.0 200 OK\r\n\r\ntunnelled");
            c.closeNotify();
        });
        cli.ProxyPassword = row.password;
        received.str("");
        cli.URL = secureUrl(server->port(), "/t.html");
        cli.Get();
        EXPECT_EQ(cli.StatusCode(), row.status) << proxy->Log();
        EXPECT_EQ(cli.ReasonPhrase(), row.reason);
        if (row.status == 200) {
            // The proxy's credentials stay with the proxy.
            EXPECT_EQ(received.str(), "tunnelled");
            EXPECT_EQ(server->received(), requestFor("/t.html"));
            EXPECT_EQ(server->serverNames(), std::vector<std::string> { "localhost" });
        } else {
            EXPECT_EQ(cli.HttpsOutcome(), httpsFailed);
            EXPECT_EQ(server->accepted(), 0);
        }
    }
}

} // namespace
