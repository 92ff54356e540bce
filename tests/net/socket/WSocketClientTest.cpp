// The client side of the socket against scripted peers: lookup, connect,
// send, receive, close, and the order of the events.
#include "net/socket/WSocket.h"
#include "platform/HostLookup.h"
#include "tests/net/socket/SocketFixture.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int WaitMs = SocketFixture::WaitMs;

using WSocketClient = SocketFixture;

TEST_F(WSocketClient, WholeConnectionRaisesEventsInOrder)
{
    peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\nhello").close();
    std::vector<std::string> states;
    s.OnChangeState = [&](TCustomWSocket*, TSocketState from, TSocketState to) {
        states.push_back(std::to_string(from) + ">" + std::to_string(to));
    };
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t e) {
        rec.add("connected", e);
        sender->SendStr("GET / HTTP/1.0\r\n\r\n");
    };
    connectToPeer();
    EXPECT_EQ(s.State(), wsConnecting);
    ASSERT_TRUE(closed());
    runFor(50); // nothing more may come after the close

    EXPECT_EQ(rec.data, "HTTP/1.0 200 OK\r\n\r\nhello");
    EXPECT_EQ(rec.closedCount, 1);
    // connected; the writability report that follows a connect; the report
    // posted by the Send made inside the connect handler; the data; the close.
    const std::vector<std::string> expected { "connected 0", "sent 0", "sent 0", "data",
        "closed 0" };
    EXPECT_EQ(rec.events, expected);
    const std::vector<std::string> expectedStates { "7>1", "1>3", "3>4", "4>7" };
    EXPECT_EQ(states, expectedStates);
    EXPECT_EQ(s.State(), wsClosed);
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.received(0), "GET / HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(peer.problems().empty());
}

TEST_F(WSocketClient, DataSentBeforeThePeerClosesIsDeliveredFirst)
{
    // Several blocks with pauses, the last one followed by the close at once.
    std::string body;
    for (int i = 0; i < 5000; ++i)
        body += static_cast<char>('a' + i % 26);
    peer.sendBlocks(body, { 1000, 7, 3993 }, 20).close();
    connectToPeer();
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, body);
    ASSERT_GE(rec.events.size(), 2u);
    EXPECT_EQ(rec.events.back(), "closed 0");
    EXPECT_EQ(rec.events[rec.events.size() - 2], "data");
}

TEST_F(WSocketClient, SessionClosedOnceWhenBothSidesClose)
{
    peer.send("bye").close();
    // The owner closes too, from inside the close report and again afterwards.
    s.OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t e) {
        ++rec.closedCount;
        rec.add("closed", e);
        sender->Close();
    };
    connectToPeer();
    ASSERT_TRUE(closed());
    s.Close();
    runFor(50);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.data, "bye");
}

TEST_F(WSocketClient, OwnerCloseReportsOnceAndPeerSeesTheClose)
{
    peer.awaitClose();
    connectToPeer();
    ASSERT_TRUE(connected());
    s.Close();
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(rec.events.back(), "closed 0");
    s.Close();
    runFor(50);
    EXPECT_EQ(rec.closedCount, 1);
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_TRUE(peer.problems().empty());
}

TEST_F(WSocketClient, RefusedConnectionReportsConnectedWithErrorThenClosed)
{
    connectTo(s, refusedPort());
    ASSERT_TRUE(closed());
    const std::vector<std::string> expected { "connected 10061", "closed 0" };
    EXPECT_EQ(rec.events, expected);
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(WSocketErrorText(10061), "Connection refused");
}

TEST_F(WSocketClient, AfterACloseAddrAndPortMustBeGivenAgain)
{
    peer.close();
    s.SetLingerOnOff(wsLingerNoSet);
    s.SetLingerTimeout(5);
    s.SetFlushTimeout(7);
    connectToPeer();
    ASSERT_TRUE(closed());
    EXPECT_EQ(s.LingerOnOff(), wsLingerOn);
    EXPECT_EQ(s.LingerTimeout(), 0);
    EXPECT_EQ(s.FlushTimeout(), 60);
    EXPECT_EQ(s.ReadCount(), 0);
    EXPECT_EQ(s.Addr(), "");
    EXPECT_EQ(s.Port(), "");
    EXPECT_EQ(s.Proto(), "tcp");
    try {
        s.Connect();
        FAIL() << "Connect without a port succeeded";
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Connect: No Port Specified");
    }
}

TEST_F(WSocketClient, PropertyWritesWhileConnectedFailAndLeaveTheConnection)
{
    peer.readUntil("ping").send("pong").close();
    connectToPeer();
    ASSERT_TRUE(connected());

    struct Row
    {
        void (TCustomWSocket::*setter)(const std::string&);
        const char* text;
    };
    const Row rows[] = {
        { &TCustomWSocket::SetPort, "Cannot change Port if not closed" },
        { &TCustomWSocket::SetAddr, "Cannot change Addr if not closed" },
        { &TCustomWSocket::SetProto, "Cannot change Proto if not closed" },
    };
    for (const Row& row : rows) {
        try {
            (s.*row.setter)("81");
            ADD_FAILURE() << "write accepted: " << row.text;
        } catch (const ESocketException& e) {
            EXPECT_STREQ(e.what(), row.text);
        }
    }
    EXPECT_EQ(s.Port(), std::to_string(peer.port()));
    EXPECT_EQ(s.State(), wsConnected);
    s.SendStr("ping");
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.data, "pong");
}

TEST_F(WSocketClient, ConnectChecksComeInOrder)
{
    struct Row
    {
        const char* addr;
        const char* port;
        const char* proto;
        const char* text;
    };
    const Row rows[] = {
        { "127.0.0.1", "", "tcp", "Connect: No Port Specified" },
        { "", "80", "tcp", "Connect: No IP Address Specified" },
        { "", "", "", "Connect: No Port Specified" },
        { "127.0.0.1", "80", "", "Connect: No Protocol Specified" },
        { "127.0.0.1", "nosuchservice", "tcp",
            "connect: WSocketResolvePort: Cannot convert port 'nosuchservice'" },
        { "127.0.0.1", "80", "nosuchproto",
            "connect: WSocketResolveProto: Cannot convert protocol 'nosuchproto'" },
    };
    for (const Row& row : rows) {
        TWSocket fresh;
        fresh.SetAddr(row.addr);
        fresh.SetPort(row.port);
        fresh.SetProto(row.proto);
        char c = 0;
        EXPECT_EQ(fresh.Receive(&c, 1), -1); // leaves a code of its own behind
        try {
            fresh.Connect();
            ADD_FAILURE() << "Connect accepted: " << row.text;
        } catch (const ESocketException& e) {
            EXPECT_STREQ(e.what(), row.text);
        }
        EXPECT_EQ(fresh.State(), wsClosed);
        EXPECT_EQ(fresh.LastError(), 0); // these refusals carry no code
    }
}

TEST_F(WSocketClient, PropertyWritesTrimAndEmptyClears)
{
    s.SetAddr("  host.example \t");
    EXPECT_EQ(s.Addr(), "host.example");
    s.SetPort(" 80 ");
    EXPECT_EQ(s.Port(), "80");
    s.SetProto(std::string("\0\x01udp\r\n", 7)); // control bytes go like spaces
    EXPECT_EQ(s.Proto(), "udp");
    s.SetPort("   ");
    EXPECT_EQ(s.Port(), "");
    try {
        s.Connect();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Connect: No Port Specified");
    }
}

TEST_F(WSocketClient, SendWhenNotConnectedFailsWith10057)
{
    try {
        s.SendStr("x");
        FAIL() << "send on a closed socket succeeded";
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Error 10057 in function Send\r\nSocket is not connected");
    }
    EXPECT_EQ(s.LastError(), 10057);
    // With OnError assigned the failure is an event and Send returns -1.
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(s.SendStr("x"), -1);
    EXPECT_EQ(errors, 1);
}

TEST(WSocketLookup, DottedAddressIsDoneInsideTheCall)
{
    const struct
    {
        const char* host;
        const char* result;
    } rows[] = {
        { "10.0.0.1", "10.0.0.1" },
        { "127.1", "127.0.0.1" }, // every form the dotted-text conversion takes
        { "0x7f.0.0.2", "127.0.0.2" },
    };
    for (const auto& row : rows) {
        TWSocket s;
        std::vector<int> done;
        s.OnDnsLookupDone = [&](TCustomWSocket* sender, std::uint16_t e) {
            done.push_back(e);
            EXPECT_EQ(sender->DnsResult(), row.result);
        };
        s.DnsLookup(row.host);
        ASSERT_EQ(done.size(), 1u) << row.host;
        EXPECT_EQ(done[0], 0);
        EXPECT_EQ(s.DnsResult(), row.result);
        EXPECT_TRUE(s.DnsResultList().empty());
    }
}

TEST(WSocketLookup, NameThatDoesNotResolveReportsAnError)
{
    TWSocket s;
    std::vector<int> done;
    s.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { done.push_back(e); };
    s.DnsLookup("no-such-host.invalid");
    EXPECT_TRUE(done.empty()); // a name completes later, never inside the call
    ASSERT_TRUE(runUntil([&] { return !done.empty(); }, 30000));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_NE(done[0], 0);
    EXPECT_EQ(s.DnsResult(), "");
}

TEST(WSocketLookup, LocalhostResolvesToLoopback)
{
    TWSocket s;
    std::vector<int> done;
    s.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { done.push_back(e); };
    s.DnsLookup("localhost");
    ASSERT_TRUE(runUntil([&] { return !done.empty(); }, 30000));
    EXPECT_EQ(done[0], 0);
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
    ASSERT_FALSE(s.DnsResultList().empty());
    EXPECT_EQ(s.DnsResultList().front(), "127.0.0.1");
}

TEST(WSocketLookup, EmptyHostAndCancel)
{
    TWSocket s;
    EXPECT_THROW(s.DnsLookup(""), ESocketException);
    std::vector<int> done;
    s.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { done.push_back(e); };
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    s.DnsLookup("");
    EXPECT_EQ(errors, 1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], 10022);

    done.clear();
    s.DnsLookup("localhost");
    s.CancelDnsLookup();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], 10004);
    // Once the platform has answered, the cancelled lookup would have reported.
    ASSERT_TRUE(runUntil([] { return HostLookup::lookupsHeld() == 0; }, 30000));
    EXPECT_EQ(done.size(), 1u);
}

TEST(WSocketLookup, LookupsCancelledOrLeftPendingLeaveNothingBehind)
{
    ASSERT_TRUE(runUntil([] { return HostLookup::lookupsHeld() == 0; }, 30000));
    std::vector<int> late;
    {
        TWSocket cancelled;
        cancelled.DnsLookup("localhost");
        cancelled.DnsLookup("localhost"); // replaces the first
        cancelled.CancelDnsLookup();
        cancelled.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { late.push_back(e); };
        TWSocket destroyed;
        destroyed.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { late.push_back(e); };
        destroyed.DnsLookup("localhost");
        EXPECT_EQ(HostLookup::lookupsHeld(), 3);
    }
    // Once the platform has answered, nothing of the three is held any more.
    EXPECT_TRUE(runUntil([] { return HostLookup::lookupsHeld() == 0; }, 30000));
    EXPECT_TRUE(late.empty());
}

TEST_F(WSocketClient, SuccessiveConnectionsGetTheirOwnScripts)
{
    peer.send("one").close().nextConnection().readUntil("\n").send("two").close();
    peer.start(3); // the third connection replays the last script
    std::vector<std::string> got;
    for (int i = 0; i < 3; ++i) {
        TWSocket each;
        SocketRecorder eachRec;
        eachRec.attach(each);
        each.OnSessionConnected
            = [](TCustomWSocket* sender, std::uint16_t) { sender->SendStr("hi\n"); };
        connectTo(each, peer.port());
        ASSERT_TRUE(runUntil([&] { return eachRec.closedCount > 0; }, WaitMs));
        got.push_back(eachRec.data);
    }
    EXPECT_EQ(got, (std::vector<std::string> { "one", "two", "two" }));
    ASSERT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.accepted(), 3);
    EXPECT_EQ(peer.received(1), "hi\n");
    EXPECT_TRUE(peer.problems().empty());
    // Served all its connections: the port refuses now.
    connectTo(s, peer.port());
    ASSERT_TRUE(closed());
    EXPECT_EQ(rec.events.front(), "connected 10061");
}

TEST_F(WSocketClient, ExceptionFromConnectHandlerReachesTheApplication)
{
    peer.awaitClose();
    s.OnSessionConnected
        = [](TCustomWSocket*, std::uint16_t) { throw ESocketException("raised in handler"); };
    takeUnhandledErrors();
    connectToPeer();
    ASSERT_TRUE(connected());
    runFor(50);
    EXPECT_EQ(takeUnhandledErrors(), (std::vector<std::string> { "raised in handler" }));
    s.Close();
}

TEST(WSocketLookup, ReverseLookupGivesOneName)
{
    TWSocket s;
    std::vector<int> done;
    s.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t e) { done.push_back(e); };
    s.ReverseDnsLookup("127.0.0.1");
    EXPECT_TRUE(done.empty());
    ASSERT_TRUE(runUntil([&] { return !done.empty(); }, 30000));
    EXPECT_EQ(done[0], 0);
    EXPECT_FALSE(s.DnsResult().empty());
    ASSERT_EQ(s.DnsResultList().size(), 1u);
    EXPECT_EQ(s.DnsResultList()[0], s.DnsResult());
}

TEST_F(WSocketClient, OwnerMayConnectAgainFromTheCloseReport)
{
    // Rows: how the first connection ends (the owner closes it, the peer
    // closes it, or the peer refuses it). The close report's handler closes
    // (the peer's close is reported before the socket is closed) and connects
    // again at once; the new connection must live on.
    enum Ending { OwnerCloses, PeerCloses, Refused };
    for (const Ending ending : { OwnerCloses, PeerCloses, Refused }) {
        ScriptedPeer server;
        if (ending != Refused)
            server.send("one").close().nextConnection();
        server.send("two").close();
        server.start();
        TWSocket sock;
        SocketRecorder sockRec;
        sockRec.attach(sock);
        sock.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            sockRec.data += sender->ReceiveStr();
            if (ending == OwnerCloses && sockRec.data == "one")
                sender->Close();
        };
        sock.OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t) {
            if (++sockRec.closedCount > 1)
                return;
            sender->Close();
            connectTo(*static_cast<TWSocket*>(sender), server.port());
        };
        connectTo(sock, ending == Refused ? refusedPort() : server.port());
        EXPECT_TRUE(runUntil([&] { return sockRec.closedCount >= 2; }, WaitMs)) << ending;
        runFor(50);
        EXPECT_EQ(sockRec.data, ending == Refused ? "two" : "onetwo") << ending;
        EXPECT_EQ(sockRec.closedCount, 2) << ending;
        EXPECT_EQ(sock.State(), wsClosed) << ending;
        EXPECT_TRUE(server.waitDone(WaitMs)) << ending;
        EXPECT_EQ(server.accepted(), ending == Refused ? 1 : 2) << ending;
    }
}

TEST_F(WSocketClient, ShuttingDownReceivingIsNotTakenForThePeersClose)
{
    peer.readUntil("after").close(100);
    connectToPeer();
    ASSERT_TRUE(connected());
    s.Shutdown(0);
    runFor(200);
    EXPECT_EQ(rec.closedCount, 0);
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(s.SendStr("after"), 5); // sending goes on
    EXPECT_TRUE(peer.waitDone(WaitMs));
    EXPECT_EQ(peer.received(0), "after");
}

} // namespace
