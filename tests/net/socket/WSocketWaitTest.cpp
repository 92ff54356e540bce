// Line mode and the waiting operations (they dispatch events themselves
// when MultiThreaded is on).
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int WaitMs = 10000;

void connectAndWait(TWSocket& s, std::uint16_t port)
{
    s.SetMultiThreaded(true);
    connectTo(s, port);
    ASSERT_TRUE(s.WaitForState(wsConnected, 10));
}

double cpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(WSocketWait, ReadLineSplitsLinesAndEndsLongOnes)
{
    const std::string longLine(300, 'L');
    ScriptedPeer peer;
    peer.send("first line\r\n").drip("sec\rond\n", 5).send(longLine + "\r\nrest").close();
    peer.start();

    TWSocket s;
    int tooLong = 0;
    s.OnLineTooLong = [&](TCustomWSocket*) { ++tooLong; };
    int closed = 0;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { ++closed; };
    connectAndWait(s, peer.port());

    EXPECT_EQ(s.ReadLine(5), "first line");
    EXPECT_EQ(s.ReadCount(), 12);
    EXPECT_EQ(s.ReadLine(5), "second"); // CR inside the line is dropped
    EXPECT_EQ(s.ReadLine(5), std::string(254, 'L'));
    EXPECT_EQ(tooLong, 1);
    EXPECT_EQ(s.ReadLine(5), std::string(46, 'L'));
    // The peer's close ends line mode and closes the socket.
    EXPECT_EQ(s.ReadLine(5), "rest");
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(closed, 1);
}

TEST(WSocketWait, ReadLineTimesOutWithWhatItHas)
{
    ScriptedPeer peer;
    peer.send("no end").silent(1500);
    peer.start();
    TWSocket s;
    connectAndWait(s, peer.port());
    EXPECT_EQ(s.ReadLine(1), "no end");
    EXPECT_EQ(s.State(), wsConnected);
}

TEST(WSocketWait, WaitForStateSleepsInsteadOfSpinning)
{
    ScriptedPeer peer;
    peer.silent(2000);
    peer.start();
    TWSocket s;
    connectAndWait(s, peer.port());

    const double before = cpuSeconds();
    EXPECT_FALSE(s.WaitForState(wsClosed, 1)); // nothing happens for a second
    const double used = cpuSeconds() - before;
    // A busy loop would burn the whole second; sleeping costs next to nothing.
    EXPECT_LT(used, 0.25) << "CPU seconds used while waiting: " << used;
}

TEST(WSocketWait, WaitForStateSeesThePeersClose)
{
    ScriptedPeer peer;
    peer.sleep(100).close();
    peer.start();
    TWSocket s;
    connectAndWait(s, peer.port());
    EXPECT_TRUE(s.WaitForState(wsClosed, 10));
}

TEST(WSocketWait, FlushSendsEverythingBeforeReturning)
{
    const std::string payload(6 * 1000 * 1000, 'f');
    ScriptedPeer peer;
    peer.sleep(200).readBytes(payload.size(), 30000).close();
    peer.start();
    TWSocket s;
    connectAndWait(s, peer.port());
    s.Send(payload.data(), static_cast<int>(payload.size()));
    s.Flush();
    EXPECT_EQ(s.State(), wsConnected);
    // Everything is in the kernel now; the peer reads it all.
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.received(0).size(), payload.size());
}

TEST(WSocketWait, FlushWithoutWaitControlFails)
{
    TWSocket s;
    try {
        s.Flush();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Error 11004 in function TWSocket.Wait\r\nNo Data");
    }
}

TEST(WSocketWait, ReadLineLeftByAnExceptionEndsLineMode)
{
    ScriptedPeer peer;
    peer.send(std::string(300, 'L')).sleep(200).send("more").close();
    peer.start();
    TWSocket s;
    s.OnLineTooLong = [](TCustomWSocket*) { throw std::runtime_error("line too long"); };
    s.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    connectAndWait(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return s.RcvdCount() == 300; }, WaitMs));
    EXPECT_THROW(s.ReadLine(5), std::runtime_error);
    // Outside line mode again: what follows reaches the data handler.
    SocketRecorder rec;
    rec.attach(s);
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    EXPECT_EQ(rec.data, std::string(46, 'L') + "more");
}

TEST(WSocketWait, CloseHandlerMayDestroyTheSocketInsideReadLine)
{
    ScriptedPeer peer;
    peer.send("abc").close(100);
    peer.start();
    auto s = std::make_unique<TWSocket>();
    s->OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    bool destroyed = false;
    s->OnSessionClosed = [&destroyed, &s](TCustomWSocket*, std::uint16_t) {
        destroyed = true;
        s.reset(); // last: this handler is freed with the socket
    };
    connectAndWait(*s, peer.port());
    ASSERT_TRUE(peer.waitDone(WaitMs)); // "abc" and the close are both in
    TWSocket* raw = s.get();
    EXPECT_EQ(raw->ReadLine(5), "");
    EXPECT_TRUE(destroyed);
}

TEST(WSocketWait, LongestTimeoutsAreTakenAsGiven)
{
    // Seconds beyond what fits in milliseconds of an int: the wait must not
    // overflow into a different (or undefined) bound. Both waits end at once.
    ScriptedPeer peer;
    peer.send("line\n").silent(500);
    peer.start();
    TWSocket s;
    s.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    connectAndWait(s, peer.port());
    for (const int secs : { 2147484, std::numeric_limits<int>::max() })
        EXPECT_TRUE(s.WaitForState(wsConnected, secs)) << secs;
    ASSERT_TRUE(runUntil([&] { return s.RcvdCount() == 5; }, WaitMs));
    EXPECT_EQ(s.ReadLine(std::numeric_limits<int>::max()), "line");
}

} // namespace
