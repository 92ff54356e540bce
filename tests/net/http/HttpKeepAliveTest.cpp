// THttpCli with KeepAlive against scripted peers: one connection where the
// server allows it, and every page once however the server ends connections.
#include "net/http/HttpProt.h"
#include "tests/support/HttpTestKit.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using namespace std::chrono_literals;

constexpr int WaitMs = 10000;

const std::string Ask = "\r\n\r\n"; // the end of a request's head

// A response with a length; `extra` header lines end in CR LF.
std::string page(const std::string& body, const std::string& extra = "",
    const std::string& status = "HTTP/1.1 200 OK")
{
    return status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n"
        + body;
}

// `respond` of "one", "two" and "three" in turn on one connection.
void serveAll(ScriptedPeer& p, const std::function<std::string(const std::string&)>& respond)
{
    for (const char* body : { "one", "two", "three" })
        p.readUntil(Ask).send(respond(body));
}

// The same body in chunks of at most three bytes, with extensions and a trailer.
std::string chunked(const std::string& body)
{
    std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += 3) {
        const std::string part = body.substr(at, 3);
        out += std::to_string(part.size()) + ";x=y\r\n" + part + "\r\n";
    }
    return out + "0\r\nX-Trailer: 1\r\n\r\n";
}

class HttpKeepAlive : public ::testing::Test
{
protected:
    HttpKeepAlive()
    {
        cli.KeepAlive = true;
        cli.RcvdStream = &received;
        cli.RequestTimeout = 20s;
    }

    // GET of `path` from `from`; the body it delivered.
    std::string get(const ScriptedPeer& from, const std::string& path)
    {
        received.str("");
        cli.URL = "http://127.0.0.1:" + std::to_string(from.port()) + path;
        cli.Get();
        return received.str();
    }

    THttpCli cli;
    std::ostringstream received;
    THttpEventLog log { cli };
};

TEST_F(HttpKeepAlive, EveryPageComesOnceHoweverTheServerEndsItsConnections)
{
    struct Row
    {
        const char* name;
        std::function<void(ScriptedPeer&)> script;
        int connections;
    };
    const Row rows[] = {
        { "lengths, and the client's close at the end",
            [](ScriptedPeer& p) {
                serveAll(p, [](auto& b) { return page(b); });
                p.awaitClose();
            },
            1 },
        { "chunked", [](ScriptedPeer& p) { serveAll(p, chunked); }, 1 },
        { "an HTTP/1.0 server that says keep-alive",
            [](ScriptedPeer& p) {
                serveAll(p, [](auto& b) {
                    return page(b, "Connection: keep-alive\r\n", "HTTP/1.0 200 OK");
                });
            },
            1 },
        { "an announcement before each response",
            [](ScriptedPeer& p) {
                serveAll(p, [](auto& b) { return "HTTP/1.1 100 Continue\r\n\r\n" + page(b); });
            },
            1 },
        { "a close after each response, unannounced",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one")).close().nextConnection();
                p.readUntil(Ask).send(page("two")).close().nextConnection();
                p.readUntil(Ask).send(page("three")).close();
            },
            3 },
        { "Connection: close on the second",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one")).readUntil(Ask);
                p.send(page("two", "Connection: close\r\n")).close().nextConnection();
                p.readUntil(Ask).send(page("three"));
            },
            2 },
        { "a close after two, with the third request read",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one")).readUntil(Ask).send(page("two"));
                p.readUntil(Ask).close().nextConnection();
                p.readUntil(Ask).send(page("three"));
            },
            2 },
        { "a reset instead of the second response",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one")).readUntil(Ask).reset().nextConnection();
                p.readUntil(Ask).send(page("two")).readUntil(Ask).send(page("three"));
            },
            2 },
        { "no length: each body ends with its connection",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send("HTTP/1.1 200 OK\r\n\r\none").close().nextConnection();
                p.readUntil(Ask).send("HTTP/1.1 200 OK\r\n\r\ntwo").close().nextConnection();
                p.readUntil(Ask).send("HTTP/1.1 200 OK\r\n\r\nthree").close();
            },
            3 },
        { "an HTTP/1.0 server: the client closes after the length",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one", "", "HTTP/1.0 200 OK")).awaitClose();
                p.nextConnection().readUntil(Ask).send(page("two", "", "HTTP/1.0 200 OK"));
                p.awaitClose().nextConnection();
                p.readUntil(Ask).send(page("three", "", "HTTP/1.0 200 OK")).awaitClose();
            },
            3 },
        { "bytes after a response: that connection is given up",
            [](ScriptedPeer& p) {
                p.readUntil(Ask).send(page("one") + "HTTP/1.1 200 OK\r\n").awaitClose();
                p.nextConnection().readUntil(Ask).send(page("two")).readUntil(Ask);
                p.send(page("three"));
            },
            2 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer peer;
        row.script(peer);
        peer.start();
        EXPECT_EQ(get(peer, "/1"), "one");
        EXPECT_EQ(get(peer, "/2"), "two");
        log.Clear();
        EXPECT_EQ(get(peer, "/3"), "three");
        EXPECT_EQ(cli.StatusCode(), 200);
        EXPECT_EQ(log.Count("RequestDone"), 1);
        EXPECT_EQ(log.Count("DocEnd"), 1);
        EXPECT_EQ(log.events.back(), "RequestDone");
        if (row.connections == 1) { // a kept connection skips the lookup and the connect
            EXPECT_EQ(log.states,
                (std::vector<THttpClientState> { httpNotConnected, httpConnected, httpWaitingHeader,
                    httpWaitingBody, httpReady }));
            EXPECT_EQ(log.Count("SessionConnected"), 0);
        }
        cli.DropConnection();
        EXPECT_FALSE(cli.HoldsConnection());
        ASSERT_TRUE(peer.waitDone(WaitMs));
        EXPECT_TRUE(peer.problems().empty()) << peer.problems().front();
        EXPECT_EQ(peer.accepted(), row.connections);
        const std::string request
            = "GET /1 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: keep-alive\r\n\r\n";
        EXPECT_EQ(peer.received(0).substr(0, request.size()), request);
        const std::string last = peer.received(static_cast<std::size_t>(row.connections - 1));
        EXPECT_EQ(last.find("GET /3 "), last.rfind("GET /3 "));
        EXPECT_NE(last.find("GET /3 "), std::string::npos);
    }
}

TEST_F(HttpKeepAlive, AKeptConnectionClosedUnderARequestIsTriedAgainOnce)
{
    ScriptedPeer peer;
    peer.readUntil(Ask).send(page("one")).readUntil(Ask).close().nextConnection();
    peer.readUntil(Ask).close();
    peer.start(2);
    EXPECT_EQ(get(peer, "/1"), "one");
    log.Clear();
    EXPECT_EQ(get(peer, "/2"), "");
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.accepted(), 2);
    EXPECT_EQ(cli.StatusCode(), 0);
    EXPECT_EQ(log.Count("RequestDone"), 1);
    EXPECT_NE(peer.received(1).find("GET /2 HTTP/1.1"), std::string::npos);
    EXPECT_FALSE(cli.HoldsConnection());
}

TEST_F(HttpKeepAlive, AKeptConnectionThatTalksOrClosesWhileIdleIsGivenUp)
{
    struct Row
    {
        const char* name;
        std::function<void(ScriptedPeer&)> idle;
    };
    const Row rows[] = {
        { "bytes nobody asked for", [](ScriptedPeer& p) { p.send("HTTP/1.1 200 OK\r\n"); } },
        { "the server's close", [](ScriptedPeer& p) { p.close(); } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer peer;
        peer.readUntil(Ask).send(page("one")).hold();
        row.idle(peer);
        peer.awaitClose().nextConnection().readUntil(Ask).send(page("two"));
        peer.start();
        EXPECT_EQ(get(peer, "/1"), "one");
        peer.resume();
        EXPECT_TRUE(runUntil([&] { return !cli.HoldsConnection(); }, WaitMs));
        EXPECT_EQ(get(peer, "/2"), "two");
        ASSERT_TRUE(peer.waitDone(WaitMs));
        EXPECT_EQ(peer.accepted(), 2);
        EXPECT_EQ(peer.received(0).find("GET /2"), std::string::npos);
    }
}

TEST_F(HttpKeepAlive, ARelocationOnTheSameServerStaysOnTheConnection)
{
    struct Row
    {
        const char* name;
        std::string relocation;
        int connections;
    };
    const Row rows[] = {
        { "with a length", page("moved", "Location: /b\r\n", "HTTP/1.1 302 Found"), 1 },
        { "chunked",
            "HTTP/1.1 301 Moved\r\nLocation: /b\r\nTransfer-Encoding: chunked\r\n\r\n"
            "5\r\nmoved\r\n0\r\n\r\n",
            1 },
        { "without a length", "HTTP/1.1 302 Found\r\nLocation: /b\r\n\r\nmoved", 2 },
        { "that closes", page("moved", "Location: /b\r\nConnection: close\r\n", "HTTP/1.1 302 F"),
            2 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer peer;
        peer.readUntil(Ask).send(row.relocation);
        if (row.connections == 2)
            peer.awaitClose().nextConnection();
        peer.readUntil(Ask).send(page("there")).readUntil(Ask).send(page("again"));
        peer.start();
        log.Clear();
        EXPECT_EQ(get(peer, "/a"), "there");
        EXPECT_EQ(log.Count("LocationChange"), 1);
        EXPECT_EQ(log.Count("HeaderEnd"), 2);
        EXPECT_EQ(cli.StatusCode(), 200);
        EXPECT_EQ(get(peer, "/c"), "again"); // on the connection the relocation ended on
        cli.DropConnection();
        ASSERT_TRUE(peer.waitDone(WaitMs));
        EXPECT_TRUE(peer.problems().empty()) << peer.problems().front();
        EXPECT_EQ(peer.accepted(), row.connections);
        const std::string last = peer.received(static_cast<std::size_t>(row.connections - 1));
        EXPECT_NE(last.find("GET /b HTTP/1.1"), std::string::npos);
    }
}

TEST_F(HttpKeepAlive, ARelocationToAnotherServerLeavesTheConnection)
{
    ScriptedPeer second;
    second.readUntil(Ask).send(page("there")).awaitClose().start();
    ScriptedPeer first;
    const std::string target = "http://localhost:" + std::to_string(second.port()) + "/b";
    first.readUntil(Ask).send(page("", "Location: " + target + "\r\n", "HTTP/1.1 301 Moved"));
    first.awaitClose().start();
    EXPECT_EQ(get(first, "/a"), "there");
    ASSERT_TRUE(first.waitDone(WaitMs));
    EXPECT_TRUE(first.problems().empty()) << first.problems().front();
    EXPECT_EQ(
        second.received(0), "GET /b HTTP/1.1\r\nHost: localhost\r\nConnection: keep-alive\r\n\r\n");
    EXPECT_TRUE(cli.HoldsConnection());
    cli.DropConnection();
    ASSERT_TRUE(second.waitDone(WaitMs));
    EXPECT_TRUE(second.problems().empty()) << second.problems().front();
}

} // namespace
