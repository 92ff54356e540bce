// Line mode and the waiting operations (they dispatch events themselves
// when MultiThreaded is on).
#include "net/socket/WSocket.h"
#include "tests/net/socket/SocketFixture.h"
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

constexpr int WaitMs = SocketFixture::WaitMs;

void connectAndWait(TWSocket& socket, std::uint16_t port)
{
    socket.SetMultiThreaded(true);
    connectTo(socket, port);
    ASSERT_TRUE(socket.WaitForState(wsConnected, 10));
}

// The socket waits itself: no recorder takes the bytes the waits are after.
class WSocketWait : public SocketFixture
{
protected:
    WSocketWait()
        : SocketFixture(false)
    { }

    // Starts the peer's script and connects `s`, waiting until it is connected.
    void connectAndWait()
    {
        peer.start();
        ::connectAndWait(s, peer.port());
    }
};

double cpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST_F(WSocketWait, ReadLineSplitsLinesAndEndsLongOnes)
{
    const std::string longLine(300, 'L');
    peer.send("first line\r\n").drip("sec\rond\n", 5).send(longLine + "\r\nrest").close();
    int tooLong = 0;
    s.OnLineTooLong = [&](TCustomWSocket*) { ++tooLong; };
    int closed = 0;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { ++closed; };
    connectAndWait();

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

TEST_F(WSocketWait, ReadLineTimesOutWithWhatItHas)
{
    peer.send("no end").silent(1500);
    connectAndWait();
    EXPECT_EQ(s.ReadLine(1), "no end");
    EXPECT_EQ(s.State(), wsConnected);
}

TEST_F(WSocketWait, WaitForStateSleepsInsteadOfSpinning)
{
    peer.silent(2000);
    connectAndWait();

    const double before = cpuSeconds();
    EXPECT_FALSE(s.WaitForState(wsClosed, 1)); // nothing happens for a second
    const double used = cpuSeconds() - before;
    // A busy loop would burn the whole second; sleeping costs next to nothing.
    EXPECT_LT(used, 0.25) << "CPU seconds used while waiting: " << used;
}

TEST_F(WSocketWait, WaitForStateSeesThePeersClose)
{
    peer.sleep(100).close();
    connectAndWait();
    EXPECT_TRUE(s.WaitForState(wsClosed, 10));
}

TEST_F(WSocketWait, FlushSendsEverythingBeforeReturning)
{
    const std::string payload(6 * 1000 * 1000, 'f');
    peer.sleep(200).readBytes(payload.size(), 30000).close();
    connectAndWait();
    s.Send(payload.data(), static_cast<int>(payload.size()));
    s.Flush();
    EXPECT_EQ(s.State(), wsConnected);
    // Everything is in the kernel now; the peer reads it all.
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.received(0).size(), payload.size());
}

TEST_F(WSocketWait, FlushWithoutWaitControlFails)
{
    try {
        s.Flush();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Error 11004 in function TWSocket.Wait\r\nNo Data");
    }
}

TEST_F(WSocketWait, ReadLineLeftByAnExceptionEndsLineMode)
{
    // "more" comes once the line has failed.
    peer.send(std::string(300, 'L')).hold().send("more").close();
    s.OnLineTooLong = [](TCustomWSocket*) { throw std::runtime_error("line too long"); };
    s.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    connectAndWait();
    ASSERT_TRUE(runUntil([&] { return s.RcvdCount() == 300; }, WaitMs));
    EXPECT_THROW(s.ReadLine(5), std::runtime_error);
    // Outside line mode again: what follows reaches the data handler.
    rec.attach(s);
    peer.resume();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, std::string(46, 'L') + "more");
}

TEST_F(WSocketWait, CloseHandlerMayDestroyTheSocketInsideReadLine)
{
    peer.send("abc").close(100);
    peer.start();
    auto owned = std::make_unique<TWSocket>();
    owned->OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    bool destroyed = false;
    owned->OnSessionClosed = [&destroyed, &owned](TCustomWSocket*, std::uint16_t) {
        destroyed = true;
        owned.reset(); // last: this handler is freed with the socket
    };
    ::connectAndWait(*owned, peer.port());
    ASSERT_TRUE(peer.waitDone(WaitMs)); // "abc" and the close are both in
    TWSocket* raw = owned.get();
    EXPECT_EQ(raw->ReadLine(5), "");
    EXPECT_TRUE(destroyed);
}

TEST_F(WSocketWait, LongestTimeoutsAreTakenAsGiven)
{
    // Seconds beyond what fits in milliseconds of an int: the wait must not
    // overflow into a different (or undefined) bound. Both waits end at once.
    peer.send("line\n").silent(500);
    s.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {}; // leaves the bytes for ReadLine
    connectAndWait();
    for (const int secs : { 2147484, std::numeric_limits<int>::max() })
        EXPECT_TRUE(s.WaitForState(wsConnected, secs)) << secs;
    ASSERT_TRUE(runUntil([&] { return s.RcvdCount() == 5; }, WaitMs));
    EXPECT_EQ(s.ReadLine(std::numeric_limits<int>::max()), "line");
}

} // namespace
