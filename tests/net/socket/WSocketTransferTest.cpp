// Bulk transfer through the send chain, resets, handler exceptions, pausing.
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int WaitMs = 10000;

std::string pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + i / 1514) & 0xFF);
    return s;
}

TEST(WSocketTransfer, TwentyMegabytesArriveWholeAndInOrder)
{
    const std::string payload = pattern(20 * 1000 * 1000 + 17);
    ScriptedPeer peer;
    peer.readBytes(payload.size(), 60000).send("done").close();
    peer.start();

    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    int sentReports = 0;
    s.OnDataSent = [&](TCustomWSocket*, std::uint16_t) { ++sentReports; };
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t) {
        // Two sends: the second continues inside the last block of the first.
        sender->Send(payload.data(), 1000);
        EXPECT_EQ(sender->Send(payload.data() + 1000, static_cast<int>(payload.size() - 1000)),
            static_cast<int>(payload.size() - 1000));
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, 60000));
    EXPECT_EQ(rec.data, "done");
    EXPECT_GE(sentReports, 1);
    ASSERT_TRUE(peer.waitDone(WaitMs));
    const std::string got = peer.received(0);
    ASSERT_EQ(got.size(), payload.size());
    EXPECT_TRUE(got == payload) << "bytes differ";
}

TEST(WSocketTransfer, PeerResetMidTransferEndsTheConnectionOnce)
{
    const std::string payload = pattern(8 * 1000 * 1000);
    ScriptedPeer peer;
    peer.readBytes(100000).reset();
    peer.start();

    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t) {
        sender->Send(payload.data(), static_cast<int>(payload.size()));
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    runFor(100);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 10054");
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_LT(peer.received(0).size(), payload.size());
}

TEST(WSocketTransfer, ResetWhileIdleIsReportedAsClose)
{
    ScriptedPeer peer;
    peer.send("partial").sleep(50).reset();
    peer.start();
    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    EXPECT_EQ(rec.data, "partial");
    EXPECT_EQ(rec.events.back(), "closed 10054");
}

TEST(WSocketTransfer, ExceptionFromTheDataHandlerIsDropped)
{
    ScriptedPeer peer;
    peer.send("abc").sleep(100).send("def").close();
    peer.start();

    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    int calls = 0;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++calls;
        char c;
        if (sender->Receive(&c, 1) == 1)
            rec.data += c;
        throw std::runtime_error("handler failure");
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    EXPECT_EQ(rec.data, "abcdef");
    EXPECT_GE(calls, 6);
    EXPECT_EQ(rec.closedCount, 1);
}

TEST(WSocketTransfer, HandlerThatLeavesBytesIsCalledAgainAfterItReads)
{
    ScriptedPeer peer;
    peer.send("0123456789").silent(400).close();
    peer.start();

    TWSocket s;
    int calls = 0;
    bool readNow = false;
    std::string data;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++calls;
        if (readNow)
            data += sender->ReceiveStr();
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return calls > 0; }, WaitMs));
    runFor(100);
    EXPECT_EQ(calls, 1); // not called in a loop while it leaves the bytes waiting
    EXPECT_EQ(s.RcvdCount(), 10);
    s.ResumeDataReports(); // an owner may ask for the report again without reading
    ASSERT_TRUE(runUntil([&] { return calls == 2; }, WaitMs));
    runFor(100);
    EXPECT_EQ(calls, 2); // and it rests again
    readNow = true;
    char c;
    ASSERT_EQ(s.Receive(&c, 1), 1); // a read re-arms the report
    ASSERT_TRUE(runUntil([&] { return data.size() == 9; }, WaitMs));
    EXPECT_EQ(data, "123456789");
    EXPECT_EQ(s.ReadCount(), 10);
}

TEST(WSocketTransfer, NoDataHandlerDiscardsAndStillCloses)
{
    ScriptedPeer peer;
    peer.send(std::string(5000, 'z')).close();
    peer.start();
    TWSocket s;
    int closed = 0;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t e) {
        EXPECT_EQ(e, 0);
        ++closed;
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return closed > 0; }, WaitMs));
    EXPECT_EQ(closed, 1);
}

TEST(WSocketTransfer, PausedSocketRaisesNothingUntilResumed)
{
    ScriptedPeer peer;
    peer.send("early").close();
    peer.start();
    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return s.State() == wsConnected; }, WaitMs));
    s.Pause();
    runFor(200);
    EXPECT_EQ(rec.data, "");
    EXPECT_EQ(rec.closedCount, 0);
    s.Resume();
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    EXPECT_EQ(rec.data, "early");
}

TEST(WSocketTransfer, AbortDropsQueuedDataAndReportsTheClose)
{
    ScriptedPeer peer;
    peer.sleep(300).silent(300);
    peer.start();
    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return s.State() == wsConnected; }, WaitMs));
    const std::string big = pattern(16 * 1000 * 1000); // more than the kernel buffers hold
    s.Send(big.data(), static_cast<int>(big.size()));
    s.Abort();
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 0");
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_LT(peer.received(0).size(), big.size());
}

TEST(WSocketTransfer, HandlerMayDestroyTheSocket)
{
    // Each row frees the socket from inside a different event.
    enum Where { InData, InClosed, InConnected };
    for (const Where where : { InData, InClosed, InConnected }) {
        ScriptedPeer peer;
        peer.send("x").close();
        peer.start();
        auto s = std::make_unique<TWSocket>();
        bool destroyed = false;
        auto destroy = [&] {
            s.reset();
            destroyed = true;
        };
        s->OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) {
            if (where == InConnected)
                destroy();
        };
        s->OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            sender->ReceiveStr();
            if (where == InData)
                destroy();
        };
        s->OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) {
            if (where == InClosed)
                destroy();
        };
        connectTo(*s, peer.port());
        EXPECT_TRUE(runUntil([&] { return destroyed; }, WaitMs)) << where;
        runFor(50);
    }
}

TEST(WSocketTransfer, OwnerClosingOnEndOfDataGetsOneCloseReport)
{
    ScriptedPeer peer;
    peer.send("abc").sleep(100).close(); // the close comes as a report of its own
    peer.start();
    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buf[16];
        const int n = sender->Receive(buf, sizeof buf);
        if (n > 0)
            rec.data.append(buf, static_cast<size_t>(n));
        else if (n == 0)
            sender->Close(); // end of data seen by the owner first
    };
    connectTo(s, peer.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    runFor(50);
    EXPECT_EQ(rec.data, "abc");
    EXPECT_EQ(rec.closedCount, 1);
}

TEST(WSocketTransfer, HandlerThatReadsNothingIsNotCalledAgainAndAgain)
{
    // Each row is a data handler that returns without taking a byte; the
    // report rests until the owner reads, as for a handler that simply returns.
    enum Kind { Throws, ReadsZeroBytes };
    for (const Kind kind : { Throws, ReadsZeroBytes }) {
        ScriptedPeer peer;
        peer.send("abc").silent(300).close();
        peer.start();
        TWSocket s;
        SocketRecorder rec;
        rec.attach(s);
        int calls = 0;
        s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            if (++calls > 50) {
                rec.data += sender->ReceiveStr(); // bounds the test when the fault is there
                return;
            }
            if (kind == Throws)
                throw std::runtime_error("handler failure");
            char c = 0;
            sender->Receive(&c, 0);
        };
        connectTo(s, peer.port());
        ASSERT_TRUE(runUntil([&] { return calls > 0; }, WaitMs)) << kind;
        runFor(100);
        EXPECT_EQ(calls, 1) << kind;
        EXPECT_EQ(s.ReceiveStr(), "abc") << kind; // the owner's read re-arms the reports
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs)) << kind;
        EXPECT_EQ(rec.closedCount, 1) << kind;
    }
}

TEST(WSocketTransfer, CloseHandlerMayDestroyTheSocketInsideSend)
{
    ScriptedPeer peer;
    peer.readUntil("go").reset();
    peer.start();
    auto s = std::make_unique<TWSocket>();
    bool destroyed = false;
    std::uint16_t closeCode = 0;
    s->OnSessionClosed = [&destroyed, &closeCode, &s](TCustomWSocket*, std::uint16_t e) {
        closeCode = e;
        destroyed = true;
        s.reset(); // last: this handler is freed with the socket
    };
    connectTo(*s, peer.port());
    ASSERT_TRUE(runUntil([&] { return s->State() == wsConnected; }, WaitMs));
    s->SendStr("go");
    ASSERT_TRUE(peer.waitDone(WaitMs)); // the reset is in; no event has seen it yet
    TWSocket* raw = s.get();
    EXPECT_EQ(raw->Send("x", 1), 1);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(closeCode, 10054);
    runFor(50); // nothing posted for the destroyed socket may run
}

} // namespace
