// THttpCli through scripted SOCKS 5 proxies: what goes to the proxy, and the
// proxies that close in the middle of the negotiation.
#include "net/http/HttpProt.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

TEST(HttpSocks, TheServersNameGoesToTheProxyUnresolvedAndAClosingProxyFailsTheRequest)
{
    // A name this host cannot look up: only the proxy ever sees it.
    const std::string connect = "\x05\x01\x00\x03\x0bskelvo.test\x1f\x90"s;
    const std::string answer = "\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90"s;
    const struct
    {
        const char* name;
        const char* user; // a user name asks for authentication
        std::string methodReply; // empty: closes before it
        size_t readBeforeClose; // 0: the proxy answers and serves the page
    } rows[] {
        { "served", "", "\x05\x00"s, 0 },
        { "closed before the method reply", "", "", 3 },
        { "closed during the authentication", "ann", "\x05\x02", 3 },
        { "closed before the connect reply", "", "\x05\x00"s, connect.size() },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer proxy;
        proxy.accept().readBytes(3);
        if (!row.methodReply.empty()) {
            proxy.send(row.methodReply);
            if (row.readBeforeClose > 0)
                proxy.readBytes(row.readBeforeClose);
            else
                proxy.readBytes(connect.size())
                    .send(answer)
                    .readUntil("\r\n\r\n")
                    .send("HTTP/1.0 200 OK\r\n\r\nthrough");
        }
        proxy.close();
        proxy.start();
        THttpCli cli;
        std::ostringstream received;
        cli.RcvdStream = &received;
        cli.RequestTimeout = 20s;
        cli.SocksServer = "127.0.0.1";
        cli.SocksPort = std::to_string(proxy.port());
        cli.SocksUsercode = row.user;
        cli.SocksPassword = "pw";
        cli.URL = "http://skelvo.test:8080/page.html";
        cli.Get();
        ASSERT_TRUE(proxy.waitDone(10000));
        EXPECT_TRUE(proxy.problems().empty()) << proxy.problems().front();
        EXPECT_EQ(cli.State(), httpReady);
        if (row.readBeforeClose == 0) {
            EXPECT_EQ(cli.StatusCode(), 200) << cli.ReasonPhrase();
            EXPECT_EQ(received.str(), "through");
            EXPECT_EQ(proxy.received(0),
                "\x05\x01\x00"s + connect + "GET /page.html HTTP/1.0\r\nHost: skelvo.test\r\n\r\n");
        } else {
            EXPECT_EQ(cli.StatusCode(), 404);
            EXPECT_EQ(cli.ReasonPhrase(), "socks: connection closed by the proxy");
            EXPECT_TRUE(received.str().empty());
        }
    }
}

} // namespace
