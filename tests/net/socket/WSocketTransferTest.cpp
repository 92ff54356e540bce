// Bulk transfer through the send chain, resets, handler exceptions, pausing.
#include "net/socket/WSocket.h"
#include "tests/net/socket/SocketFixture.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

constexpr int WaitMs = SocketFixture::WaitMs;

using WSocketTransfer = SocketFixture;

std::string pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + i / 1514) & 0xFF);
    return s;
}

TEST_F(WSocketTransfer, TwentyMegabytesArriveWholeAndInOrder)
{
    const std::string payload = pattern(20 * 1000 * 1000 + 17);
    peer.readBytes(payload.size(), 60000).send("done").close();
    int sentReports = 0;
    s.OnDataSent = [&](TCustomWSocket*, std::uint16_t) { ++sentReports; };
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t) {
        // Two sends: the second continues inside the last block of the first.
        sender->Send(payload.data(), 1000);
        EXPECT_EQ(sender->Send(payload.data() + 1000, static_cast<int>(payload.size() - 1000)),
            static_cast<int>(payload.size() - 1000));
    };
    connectToPeer();
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, 60000));
    EXPECT_EQ(rec.data, "done");
    EXPECT_GE(sentReports, 1);
    ASSERT_TRUE(peer.waitDone(WaitMs));
    const std::string got = peer.received(0);
    ASSERT_EQ(got.size(), payload.size());
    EXPECT_TRUE(got == payload) << "bytes differ";
}

TEST_F(WSocketTransfer, PeerResetMidTransferEndsTheConnectionOnce)
{
    const std::string payload = pattern(8 * 1000 * 1000);
    peer.readBytes(100000).reset();
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t) {
        sender->Send(payload.data(), static_cast<int>(payload.size()));
    };
    connectToPeer();
    ASSERT_TRUE(closed());
    runFor(100);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 10054");
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_LT(peer.received(0).size(), payload.size());
}

TEST_F(WSocketTransfer, ResetWhileIdleIsReportedAsClose)
{
    // The reset comes once the owner has read what came before it.
    peer.send("partial").hold().reset();
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        rec.data += sender->ReceiveStr();
        if (rec.data == "partial")
            peer.resume();
    };
    connectToPeer();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, "partial");
    EXPECT_EQ(rec.events.back(), "closed 10054");
}

TEST_F(WSocketTransfer, ExceptionFromTheDataHandlerIsDropped)
{
    peer.send("abc").sleep(100).send("def").close();
    int calls = 0;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++calls;
        char c;
        if (sender->Receive(&c, 1) == 1)
            rec.data += c;
        throw std::runtime_error("handler failure");
    };
    connectToPeer();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, "abcdef");
    EXPECT_GE(calls, 6);
    EXPECT_EQ(rec.closedCount, 1);
}

TEST_F(WSocketTransfer, HandlerThatLeavesBytesIsCalledAgainAfterItReads)
{
    peer.send("0123456789").silent(400).close();
    int calls = 0;
    bool readNow = false;
    std::string data;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++calls;
        if (readNow)
            data += sender->ReceiveStr();
    };
    connectToPeer();
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

TEST_F(WSocketTransfer, NoDataHandlerDiscardsAndStillCloses)
{
    peer.send(std::string(5000, 'z')).close();
    s.OnDataAvailable = nullptr;
    connectToPeer();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 0");
}

TEST_F(WSocketTransfer, PausedSocketRaisesNothingUntilResumed)
{
    peer.send("early").close();
    connectToPeer();
    ASSERT_TRUE(connected());
    s.Pause();
    runFor(200);
    EXPECT_EQ(rec.data, "");
    EXPECT_EQ(rec.closedCount, 0);
    s.Resume();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, "early");
}

TEST_F(WSocketTransfer, AbortDropsQueuedDataAndReportsTheClose)
{
    peer.sleep(300).silent(300);
    connectToPeer();
    ASSERT_TRUE(connected());
    const std::string big = pattern(16 * 1000 * 1000); // more than the kernel buffers hold
    s.Send(big.data(), static_cast<int>(big.size()));
    s.Abort();
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 0");
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_LT(peer.received(0).size(), big.size());
}

TEST_F(WSocketTransfer, HandlerMayDestroyTheSocket)
{
    // Each row frees the socket from inside a different event.
    enum Where { InData, InClosed, InConnected };
    for (const Where where : { InData, InClosed, InConnected }) {
        ScriptedPeer server;
        server.send("x").close();
        server.start();
        auto owned = std::make_unique<TWSocket>();
        bool destroyed = false;
        auto destroy = [&] {
            owned.reset();
            destroyed = true;
        };
        owned->OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) {
            if (where == InConnected)
                destroy();
        };
        owned->OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            sender->ReceiveStr();
            if (where == InData)
                destroy();
        };
        owned->OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) {
            if (where == InClosed)
                destroy();
        };
        connectTo(*owned, server.port());
        EXPECT_TRUE(runUntil([&] { return destroyed; }, WaitMs)) << where;
        runFor(50);
    }
}

TEST_F(WSocketTransfer, OwnerClosingOnEndOfDataGetsOneCloseReport)
{
    // The close comes as a report of its own, once the owner has read the bytes.
    peer.send("abc").hold().close();
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buf[16];
        const int n = sender->Receive(buf, sizeof buf);
        if (n > 0)
            rec.data.append(buf, static_cast<size_t>(n));
        else if (n == 0)
            sender->Close(); // end of data seen by the owner first
        if (rec.data == "abc")
            peer.resume();
    };
    connectToPeer();
    ASSERT_TRUE(closed());
    runFor(50);
    EXPECT_EQ(rec.data, "abc");
    EXPECT_EQ(rec.closedCount, 1);
}

TEST_F(WSocketTransfer, HandlerThatReadsNothingIsNotCalledAgainAndAgain)
{
    // Each row is a data handler that returns without taking a byte; the
    // report rests until the owner reads, as for a handler that simply returns.
    enum Kind { Throws, ReadsZeroBytes };
    for (const Kind kind : { Throws, ReadsZeroBytes }) {
        ScriptedPeer server;
        server.send("abc").silent(300).close();
        server.start();
        TWSocket sock;
        SocketRecorder sockRec;
        sockRec.attach(sock);
        int calls = 0;
        sock.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            if (++calls > 50) {
                sockRec.data += sender->ReceiveStr(); // bounds the test when the fault is there
                return;
            }
            if (kind == Throws)
                throw std::runtime_error("handler failure");
            char c = 0;
            sender->Receive(&c, 0);
        };
        connectTo(sock, server.port());
        ASSERT_TRUE(runUntil([&] { return calls > 0; }, WaitMs)) << kind;
        runFor(100);
        EXPECT_EQ(calls, 1) << kind;
        EXPECT_EQ(sock.ReceiveStr(), "abc") << kind; // the owner's read re-arms the reports
        ASSERT_TRUE(runUntil([&] { return sockRec.closedCount > 0; }, WaitMs)) << kind;
        EXPECT_EQ(sockRec.closedCount, 1) << kind;
    }
}

TEST_F(WSocketTransfer, CloseHandlerMayDestroyTheSocketInsideSend)
{
    peer.readUntil("go").reset();
    peer.start();
    auto owned = std::make_unique<TWSocket>();
    bool destroyed = false;
    std::uint16_t closeCode = 0;
    owned->OnSessionClosed = [&destroyed, &closeCode, &owned](TCustomWSocket*, std::uint16_t e) {
        closeCode = e;
        destroyed = true;
        owned.reset(); // last: this handler is freed with the socket
    };
    connectTo(*owned, peer.port());
    ASSERT_TRUE(runUntil([&] { return owned->State() == wsConnected; }, WaitMs));
    owned->SendStr("go");
    ASSERT_TRUE(peer.waitDone(WaitMs)); // the reset is in; no event has seen it yet
    TWSocket* raw = owned.get();
    EXPECT_EQ(raw->Send("x", 1), 1);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(closeCode, 10054);
    runFor(50); // nothing posted for the destroyed socket may run
}

TEST_F(WSocketTransfer, ABodyStreamingInLeavesTheEventLoopItsTurn)
{
    // The owner reads slowly while the peer keeps the socket full: one read
    // report would otherwise hand over the whole stream before anything else
    // queued on the thread (a repaint, a click on "Stop") could run.
    const std::string payload = pattern(4 * 1024 * 1024);
    peer.send(payload).close();
    std::size_t readWhenPostedRan = 0;
    bool posted = false;
    std::size_t total = 0;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        if (!posted) {
            posted = true;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [&] { readWhenPostedRan = total; },
                Qt::QueuedConnection);
        }
        char buf[1024];
        const int n = sender->Receive(buf, sizeof buf);
        if (n > 0)
            total += static_cast<std::size_t>(n);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    connectToPeer();
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, 60000));
    EXPECT_EQ(total, payload.size());
    EXPECT_GT(readWhenPostedRan, 0u);
    EXPECT_LT(readWhenPostedRan, payload.size() / 2);
}

} // namespace
