// THttpCli through scripted SOCKS 5 proxies: what goes to the proxy, and the
// proxies that close in the middle of the negotiation.
#include "net/http/HttpProt.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using namespace std::chrono_literals;

const std::string NoAuthentication("\x05\x01\x00", 3);
const std::string MethodAccepted("\x05\x00", 2);

class HttpSocks : public ::testing::Test
{
protected:
    HttpSocks()
    {
        cli.RcvdStream = &received;
        cli.RequestTimeout = 20s;
    }

    void UseProxy(const ScriptedPeer& proxy)
    {
        cli.SocksServer = "127.0.0.1";
        cli.SocksPort = std::to_string(proxy.port());
    }

    THttpCli cli;
    std::ostringstream received;
};

TEST_F(HttpSocks, TheServersNameGoesToTheProxyUnresolved)
{
    // A name this host cannot look up: only the proxy ever sees it.
    const std::string connect = std::string("\x05\x01\x00\x03\x0bskelvo.test\x1f\x90", 18);
    ScriptedPeer proxy;
    proxy.accept()
        .readBytes(3)
        .send(MethodAccepted)
        .readBytes(connect.size())
        .send(std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90", 10))
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n\r\nthrough")
        .close();
    proxy.start();
    UseProxy(proxy);
    cli.URL = "http://skelvo.test:8080/page.html";
    cli.Get();
    ASSERT_TRUE(proxy.waitDone(10000));
    EXPECT_TRUE(proxy.problems().empty()) << proxy.problems().front();
    EXPECT_EQ(cli.StatusCode(), 200) << cli.ReasonPhrase();
    EXPECT_EQ(received.str(), "through");
    EXPECT_EQ(proxy.received(0),
        NoAuthentication + connect + "GET /page.html HTTP/1.0\r\nHost: skelvo.test\r\n\r\n");
}

TEST_F(HttpSocks, AProxyClosingInTheNegotiationEndsTheRequestLikeAFailedConnection)
{
    struct Row
    {
        const char* name;
        const char* user; // a user name asks for authentication
        std::function<void(ScriptedPeer&)> script;
    };
    const Row rows[] = {
        { "before the method reply", "", [](ScriptedPeer& p) { p.readBytes(3).close(); } },
        { "during the authentication", "ann",
            [](ScriptedPeer& p) {
                p.readBytes(3).send(std::string("\x05\x02", 2)).readBytes(3).close();
            } },
        { "before the connect reply", "",
            [](ScriptedPeer& p) { p.readBytes(3).send(MethodAccepted).readBytes(16).close(); } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer proxy;
        row.script(proxy.accept());
        proxy.start();
        UseProxy(proxy);
        cli.SocksUsercode = row.user;
        cli.SocksPassword = "pw";
        cli.URL = "http://127.0.0.1:1/";
        cli.Get();
        EXPECT_TRUE(proxy.waitDone(10000));
        EXPECT_TRUE(proxy.problems().empty()) << proxy.problems().front();
        EXPECT_EQ(cli.State(), httpReady);
        EXPECT_EQ(cli.StatusCode(), 404);
        EXPECT_EQ(cli.ReasonPhrase(), "socks: connection closed by the proxy");
        EXPECT_TRUE(received.str().empty());
    }
}

} // namespace
