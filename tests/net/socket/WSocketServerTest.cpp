// The component talking to itself: Listen, Accept, Dup, and UDP on loopback.
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WaitMs = 10000;

// A listening socket on 127.0.0.1 that hands each incoming connection to a
// new socket of its own through Accept and Dup.
struct LoopbackServer
{
    TWSocket listener;
    std::vector<std::unique_ptr<TWSocket>> conns;
    std::vector<SocketRecorder> recs = std::vector<SocketRecorder>(4);

    LoopbackServer()
    {
        listener.SetAddr("127.0.0.1");
        listener.SetPort("0");
        listener.OnSessionAvailable = [this](TCustomWSocket* sender, std::uint16_t) {
            auto conn = std::make_unique<TWSocket>();
            recs.at(conns.size()).attach(*conn);
            conn->Dup(sender->Accept());
            conns.push_back(std::move(conn));
        };
        listener.Listen();
    }
    std::uint16_t port() { return static_cast<std::uint16_t>(std::stoi(listener.GetLocalPort())); }
};

TEST(WSocketServer, ListenAcceptDupExchangeBothWays)
{
    LoopbackServer server;
    EXPECT_EQ(server.listener.State(), wsListening);

    TWSocket client;
    SocketRecorder rec;
    rec.attach(client);
    connectTo(client, server.port());
    ASSERT_TRUE(runUntil(
        [&] { return client.State() == wsConnected && server.conns.size() == 1; }, WaitMs));
    TWSocket& conn = *server.conns[0];
    EXPECT_EQ(conn.State(), wsConnected);
    EXPECT_EQ(conn.GetPeerAddr(), "127.0.0.1");
    EXPECT_EQ(conn.GetLocalPort(), std::to_string(server.port()));
    EXPECT_EQ(client.GetPeerAddr(), "127.0.0.1");
    EXPECT_NE(client.GetLocalPort(), "error");

    client.SendStr("question");
    ASSERT_TRUE(runUntil([&] { return server.recs[0].data == "question"; }, WaitMs));
    conn.SendStr("answer");
    ASSERT_TRUE(runUntil([&] { return rec.data == "answer"; }, WaitMs));
    EXPECT_EQ(conn.ReadCount(), 8);
    EXPECT_EQ(client.ReadCount(), 6);

    client.Close();
    ASSERT_TRUE(runUntil([&] { return server.recs[0].closedCount > 0; }, WaitMs));
    EXPECT_EQ(server.recs[0].events.back(), "closed 0");
    EXPECT_EQ(conn.State(), wsClosed);
    EXPECT_EQ(rec.closedCount, 1);
    EXPECT_EQ(server.listener.State(), wsListening);
}

TEST(WSocketServer, SeveralConnectionsAreAcceptedInTurn)
{
    LoopbackServer server;
    std::vector<std::unique_ptr<TWSocket>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<TWSocket>());
        clients.back()->SetAddr("127.0.0.1");
        clients.back()->SetPort(std::to_string(server.port()));
        clients.back()->OnSessionConnected
            = [i](TCustomWSocket* s, std::uint16_t) { s->SendStr("client" + std::to_string(i)); };
        clients.back()->Connect();
    }
    ASSERT_TRUE(runUntil(
        [&] {
            if (server.conns.size() < 3)
                return false;
            for (int i = 0; i < 3; ++i)
                if (server.recs[i].data.size() < 7)
                    return false;
            return true;
        },
        WaitMs));
    std::vector<std::string> got;
    for (int i = 0; i < 3; ++i)
        got.push_back(server.recs[i].data);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string> { "client0", "client1", "client2" }));
}

TEST(WSocketServer, OwnerThatDoesNotAcceptIsNotCalledAgainAndAgain)
{
    TWSocket listener;
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    int available = 0;
    listener.OnSessionAvailable = [&](TCustomWSocket*, std::uint16_t) { ++available; };
    listener.Listen();
    TWSocket client;
    client.SetAddr("127.0.0.1");
    client.SetPort(listener.GetLocalPort());
    client.Connect();
    ASSERT_TRUE(runUntil([&] { return available > 0; }, WaitMs));
    runFor(200);
    EXPECT_EQ(available, 1);
    // Accepting re-arms the report for the next connection.
    TWSocket conn;
    conn.Dup(listener.Accept());
    EXPECT_EQ(conn.State(), wsConnected);
}

TEST(WSocketServer, DupDropsWhatWasPostedForTheOldHandle)
{
    LoopbackServer server;
    TWSocket client;
    SocketRecorder rec;
    rec.attach(client);
    connectTo(client, server.port());
    ASSERT_TRUE(runUntil([&] { return rec.has("sent 0"); }, WaitMs));
    rec.events.clear();
    // All sent at once: the data-sent report is posted. The old handle is
    // closed before the new one turns out to be no descriptor at all.
    client.SendStr("x");
    EXPECT_THROW(client.Dup(1000000), ESocketException);
    runFor(300);
    EXPECT_EQ(rec.events, std::vector<std::string> {});
}

TEST(WSocketUdp, DatagramsTravelWholeOnLoopback)
{
    TWSocket receiver;
    receiver.SetProto("udp");
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    int receiverConnected = 0;
    receiver.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t e) {
        EXPECT_EQ(e, 0);
        ++receiverConnected;
    };
    std::vector<std::string> got;
    receiver.OnDataAvailable
        = [&](TCustomWSocket* s, std::uint16_t) { got.push_back(s->ReceiveStr()); };
    receiver.Listen();
    EXPECT_EQ(receiver.State(), wsConnected);
    EXPECT_EQ(receiverConnected, 1);

    TWSocket sender;
    sender.SetProto("udp");
    sender.SetAddr("127.0.0.1");
    sender.SetPort(receiver.GetLocalPort());
    int senderConnected = 0;
    sender.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { ++senderConnected; };
    sender.Connect();
    EXPECT_EQ(senderConnected, 1); // a datagram socket is ready inside Connect
    EXPECT_EQ(sender.State(), wsConnected);

    const std::string big(3000, 'x'); // larger than one send block, still one datagram
    sender.SendStr("first");
    sender.SendStr(big);
    sender.SendStr("third");
    ASSERT_TRUE(runUntil([&] { return got.size() >= 3; }, WaitMs));
    EXPECT_EQ(got, (std::vector<std::string> { "first", big, "third" }));
}

TEST(WSocketUdp, EmptyDatagramIsHandedOnceAndDoesNotStallTheSocket)
{
    TWSocket receiver;
    receiver.SetProto("udp");
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    std::vector<std::string> got;
    // An owner that reads only what RcvdCount says waits: an empty datagram
    // leaves it nothing to read.
    receiver.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        if (got.size() < 100) // bounds the test when the fault is there
            got.push_back(s->ReceiveStr());
    };
    receiver.Listen();

    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(std::stoi(receiver.GetLocalPort())));
    const auto* addr = reinterpret_cast<const sockaddr*>(&to);
    EXPECT_EQ(::sendto(fd, "", 0, 0, addr, sizeof to), 0);
    ASSERT_TRUE(runUntil([&] { return !got.empty(); }, WaitMs));
    EXPECT_EQ(::sendto(fd, "after", 5, 0, addr, sizeof to), 5);
    ::close(fd);
    ASSERT_TRUE(runUntil([&] { return got.size() >= 2 && got.back() == "after"; }, WaitMs));
    runFor(50);
    EXPECT_EQ(got, (std::vector<std::string> { "", "after" }));
}

TEST(WSocketUdp, AskingForThePeerOfADatagramSocketLeavesItOpen)
{
    // Rows: the receiving socket of Listen and the sending socket of Connect.
    // Neither has one peer, so there is no peer address; asking must not
    // close the socket.
    TWSocket receiver;
    receiver.SetProto("udp");
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    std::vector<std::string> got;
    receiver.OnDataAvailable
        = [&](TCustomWSocket* s, std::uint16_t) { got.push_back(s->ReceiveStr()); };
    receiver.Listen();
    TWSocket sender;
    sender.SetProto("udp");
    sender.SetAddr("127.0.0.1");
    sender.SetPort(receiver.GetLocalPort());
    sender.Connect();
    for (TWSocket* s : { &receiver, &sender }) {
        EXPECT_EQ(s->GetPeerAddr(), "error");
        EXPECT_EQ(s->State(), wsConnected);
        EXPECT_NE(s->HSocket(), INVALID_SOCKET);
    }
    sender.SendStr("still open");
    ASSERT_TRUE(runUntil([&] { return !got.empty(); }, WaitMs));
    EXPECT_EQ(got.front(), "still open");
}

} // namespace
