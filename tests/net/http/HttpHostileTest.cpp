// THttpCli against peers that misbehave: every one must end within the bound
// the test sets, with the stated reason and bounded memory. And waiting costs
// no CPU.
#include "net/http/HttpProt.h"
#include "tests/support/HttpTestKit.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/resource.h>

namespace {

using namespace std::chrono_literals;

class HttpHostile : public ::testing::Test
{
protected:
    HttpHostile()
    {
        cli.RcvdStream = &received;
        cli.RequestTimeout = 20s;
    }

    static std::string url(const ScriptedPeer& peer)
    {
        return "http://127.0.0.1:" + std::to_string(peer.port()) + "/";
    }

    THttpCli cli;
    std::ostringstream received;
};

TEST_F(HttpHostile, SilentPeerEndsAtTheIdleBound)
{
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").silent(20000).start();
    THttpEventLog log(cli);
    cli.IdleTimeout = 300ms;
    cli.URL = url(peer);
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Timed out");
    EXPECT_EQ(log.Count("RequestDone"), 1);
    EXPECT_EQ(cli.State(), httpReady);
}

TEST_F(HttpHostile, DrippingPeerEndsAtTheRequestBound)
{
    // A byte every 300 ms keeps the idle bound from firing; the whole-request bound ends it.
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\n").drip(std::string(100, 'x'), 300);
    peer.start();
    cli.IdleTimeout = 2s;
    cli.RequestTimeout = 1500ms;
    cli.URL = url(peer);
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Timed out");
    EXPECT_GE(cli.RcvdCount(), 1);
    EXPECT_LT(cli.RcvdCount(), 10);
}

TEST_F(HttpHostile, CircularRelocationStopsAtTheBound)
{
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n").close();
    peer.start(10);
    THttpEventLog log(cli);
    cli.MaxRelocations = 5;
    cli.URL = url(peer);
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Too many relocations");
    EXPECT_EQ(peer.accepted(), 6);
    EXPECT_EQ(log.Count("LocationChange"), 5);
    EXPECT_EQ(log.Count("RequestDone"), 1);
    EXPECT_EQ(cli.RcvdHeader().size(), 12u);
}

TEST_F(HttpHostile, EndlessHeaderLinesAreCutOff)
{
    std::string lines;
    const std::string filler = "X-Filler: " + std::string(88, 'f') + "\r\n"; // 100 bytes
    for (int i = 0; i < 50000; ++i)
        lines += filler;
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n")
        .sendBlocks(lines, { 16384 }, 1)
        .silent(15000)
        .start();
    cli.URL = url(peer);
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 200);
    EXPECT_EQ(cli.ReasonPhrase(), "OK");
    // One response's head is cut at 64 KiB, well before the server ends it.
    EXPECT_LE(cli.RcvdHeader().size(), 64u * 1024 / 100 + 2);
    EXPECT_GE(cli.RcvdHeader().size(), 600u);
}

TEST_F(HttpHostile, WaitingForASlowPeerCostsNoCpu)
{
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").sleep(2000).send("HTTP/1.0 200 OK\r\n\r\nlate").close().start();
    cli.URL = url(peer);
    rusage before {};
    rusage after {};
    ASSERT_EQ(getrusage(RUSAGE_THREAD, &before), 0);
    cli.Get();
    ASSERT_EQ(getrusage(RUSAGE_THREAD, &after), 0);
    EXPECT_EQ(received.str(), "late");
    const auto seconds = [](const rusage& r) {
        return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec)
            + static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    const double cpu = seconds(after) - seconds(before);
    RecordProperty("cpu_seconds", std::to_string(cpu));
    EXPECT_LT(cpu, 0.2);
}

TEST_F(HttpHostile, UnansweredConnectEndsAtTheConnectBound)
{
    TFullBacklog server;
    THttpEventLog log(cli);
    cli.ConnectTimeout = 400ms;
    cli.URL = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    cli.Get();
    EXPECT_EQ(cli.StatusCode(), 404);
    EXPECT_EQ(cli.ReasonPhrase(), "Timed out");
    EXPECT_EQ(log.Count("SessionConnected"), 0);
    EXPECT_EQ(log.Count("RequestDone"), 1);
}

} // namespace
