// Connections through a SOCKS 5 proxy: a real one (microsocks) for the
// ordinary paths, scripted ones for the replies it never gives.
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr int WaitMs = 10000;

// Adds the SOCKS events to what `rec` records of `s`; on the session's start
// the socket sends `hello` (when set). Reports of sent data are left out:
// the last one of the negotiation may come before or after its end.
void attachSocks(TWSocket& s, SocketRecorder& rec, const std::string& hello = "")
{
    rec.attach(s);
    s.OnDataSent = nullptr;
    s.OnSocksConnected
        = [&rec](TCustomWSocket*, std::uint16_t e) { rec.add("socks connected", e); };
    s.OnSocksError = [&rec](TCustomWSocket*, int e, const std::string& msg) {
        rec.events.push_back("socks error " + std::to_string(e) + " " + msg);
    };
    s.OnSocksAuthState = [&rec](TCustomWSocket*, TSocksAuthState state) {
        const char* names[] = { "start", "success", "failure", "not required" };
        rec.events.push_back("auth "s + names[state]);
    };
    s.OnSessionConnected = [&rec, hello](TCustomWSocket* sender, std::uint16_t e) {
        rec.add("connected", e);
        if (e == 0 && !hello.empty())
            sender->SendStr(hello);
    };
}

void connectThrough(TWSocket& s, int proxyPort, std::uint16_t destPort)
{
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(std::to_string(proxyPort));
    connectTo(s, destPort);
}

// What the client sends to reach 127.0.0.1:`port` without authentication.
std::string requestsFor(std::uint16_t port)
{
    return "\x05\x01\x00"s + "\x05\x01\x00\x03\x09"s + "127.0.0.1" + static_cast<char>(port >> 8)
        + static_cast<char>(port & 0xFF);
}

TEST(SocksWSocket, RealProxyCarriesDataBothWays)
{
    struct Row
    {
        const char* name;
        std::string proxyUser; // empty: the proxy asks for nothing
        TSocksAuthentication auth;
        std::vector<std::string> authEvents;
    };
    const std::vector<Row> rows {
        { "no authentication", "", socksNoAuthentication, {} },
        { "user and password", "joe", socksAuthenticateUsercode, { "auth start", "auth success" } },
    };
    for (const Row& row : rows) {
        const auto proxy = TRealServer::StartMicrosocks(row.proxyUser, "s3cr et");
        ScriptedPeer peer;
        peer.readUntil("ping").send("pong").close();
        peer.start();

        TWSocket s;
        SocketRecorder rec;
        attachSocks(s, rec, "ping");
        s.SetSocksAuthentication(row.auth);
        s.SetSocksUsercode("joe");
        s.SetSocksPassword("s3cr et");
        connectThrough(s, proxy->Port(), peer.port());
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs)) << row.name;

        std::vector<std::string> expected { "socks connected 0" };
        expected.insert(expected.end(), row.authEvents.begin(), row.authEvents.end());
        // The proxy's own bytes are no data of the owner's.
        for (const char* e : { "connected 0", "data", "closed 0" })
            expected.push_back(e);
        EXPECT_EQ(rec.events, expected) << row.name;
        EXPECT_EQ(rec.data, "pong") << row.name;
        ASSERT_TRUE(peer.waitDone(WaitMs));
        EXPECT_EQ(peer.received(0), "ping") << row.name;
    }
}

TEST(SocksWSocket, WrongPasswordEndsTheConnect)
{
    const auto proxy = TRealServer::StartMicrosocks("joe", "s3cret");
    TWSocket s;
    SocketRecorder rec;
    attachSocks(s, rec);
    s.SetSocksAuthentication(socksAuthenticateUsercode);
    s.SetSocksUsercode("joe");
    s.SetSocksPassword("S3CRET");
    connectThrough(s, proxy->Port(), refusedPort());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    const std::vector<std::string> expected { "socks connected 0", "auth start", "auth failure",
        "socks error 20015 socks authentication failed", "connected 20015", "closed 20015" };
    EXPECT_EQ(rec.events, expected);
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(SocksWSocket, EveryRefusalOfTheProxyEndsTheConnectWithItsCode)
{
    struct Row
    {
        std::string methodReply;
        std::string connectReply; // empty: not asked for
        int code;
        std::string text;
    };
    const auto reply = [](int code) { return "\x05"s + static_cast<char>(code) + "\x00\x01"s; };
    const std::vector<Row> rows {
        { "\x04\x00"s, "", 20002, "socks version error" },
        { "\x05\xff", "", 20003, "authentification method not acceptable" },
        { "\x05\x00"s, reply(1) + "\0\0\0\0\0\0"s, 20004, "general SOCKS server failure" },
        { "\x05\x00"s, reply(2), 20005, "connection not allowed by ruleset" },
        { "\x05\x00"s, reply(3), 20006, "network unreachable" },
        { "\x05\x00"s, reply(4), 20007, "host unreachable" },
        { "\x05\x00"s, reply(5), 20008, "connection refused" },
        { "\x05\x00"s, reply(6), 20009, "time to live expired" },
        { "\x05\x00"s, reply(7), 20010, "command not supported" },
        { "\x05\x00"s, reply(8), 20011, "address type not supported" },
        { "\x05\x00"s, reply(9), 20012, "unassigned error #9" },
        { "\x05\x00"s, "\x05\x00\x00\x04"s + std::string(18, '\0'), 20011,
            "address type not supported" },
        { "\x05\x00\x00"s, "", 20001, "too much data availaible" },
    };
    const std::uint16_t dest = 4242;
    for (const Row& row : rows) {
        ScriptedPeer proxy;
        proxy.readBytes(3).send(row.methodReply);
        if (!row.connectReply.empty())
            proxy.readBytes(16).send(row.connectReply);
        proxy.close();
        proxy.start();

        TWSocket s;
        SocketRecorder rec;
        attachSocks(s, rec);
        connectThrough(s, proxy.port(), dest);
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs)) << row.code;
        const std::string code = std::to_string(row.code);
        const std::vector<std::string> expected { "socks connected 0",
            "socks error " + code + " " + row.text, "connected " + code, "closed " + code };
        EXPECT_EQ(rec.events, expected) << row.text;
        ASSERT_TRUE(proxy.waitDone(WaitMs));
        const std::string sent = requestsFor(dest);
        EXPECT_EQ(proxy.received(0), row.connectReply.empty() ? sent.substr(0, 3) : sent)
            << row.text;
    }
}

TEST(SocksWSocket, ReplyInPiecesOrWithDataAfterItLosesNoByte)
{
    const std::string reply = "\x05\x00\x00\x03\x09"s + "proxy.lan\x1f\x90";
    const std::string data = "HTTP/1.0 200 OK\r\n\r\nbody";
    struct Row
    {
        const char* name;
        bool drip; // every byte in a write of its own
        bool offerPassword; // which the proxy waives
    };
    for (const Row row : { Row { "one write", false, false }, Row { "byte by byte", true, false },
             Row { "password waived", false, true } }) {
        ScriptedPeer proxy;
        proxy.readBytes(3);
        if (row.drip)
            proxy.drip("\x05\x00"s, 5).readBytes(16).drip(reply + data, 5);
        else
            proxy.send("\x05\x00"s).readBytes(16).send(reply + data);
        proxy.close();
        proxy.start();

        TWSocket s;
        SocketRecorder rec;
        attachSocks(s, rec);
        if (row.offerPassword)
            s.SetSocksAuthentication(socksAuthenticateUsercode);
        std::int64_t readAtClose = -1;
        s.OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t e) {
            readAtClose = sender->ReadCount();
            ++rec.closedCount;
            rec.add("closed", e);
        };
        connectThrough(s, proxy.port(), 4242);
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs)) << row.name;
        std::vector<std::string> expected { "socks connected 0", "connected 0", "data",
            "closed 0" };
        if (row.offerPassword)
            expected.insert(expected.begin() + 1, "auth not required");
        EXPECT_EQ(rec.events, expected) << row.name;
        EXPECT_EQ(rec.data, data) << row.name;
        EXPECT_EQ(readAtClose, static_cast<std::int64_t>(data.size())) << row.name;
        EXPECT_EQ(s.SocksBoundAddr(), "proxy.lan") << row.name;
        EXPECT_EQ(s.SocksBoundPort(), "8080") << row.name;
    }
}

TEST(SocksWSocket, CloseDuringAuthenticationIsItsFailure)
{
    ScriptedPeer proxy;
    proxy.readBytes(3).send("\x05\x02").readBytes(11).close();
    proxy.start();
    TWSocket s;
    SocketRecorder rec;
    attachSocks(s, rec);
    s.SetSocksAuthentication(socksAuthenticateUsercode);
    s.SetSocksUsercode("joe");
    s.SetSocksPassword("s3cret");
    connectThrough(s, proxy.port(), 4242);
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    const std::vector<std::string> expected { "socks connected 0", "auth start", "auth failure",
        "closed 0" };
    EXPECT_EQ(rec.events, expected);
    ASSERT_TRUE(proxy.waitDone(WaitMs));
    EXPECT_EQ(proxy.received(0), "\x05\x01\x02\x01\x03joe\x06s3cret"s);
}

TEST(SocksWSocket, RefusedProxyGivesTheSocketsError)
{
    TWSocket s;
    SocketRecorder rec;
    attachSocks(s, rec);
    connectThrough(s, refusedPort(), 4242);
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    const std::vector<std::string> expected { "socks connected 10061", "connected 10061",
        "closed 0" };
    EXPECT_EQ(rec.events, expected);
}

TEST(SocksWSocket, ErrorHandlerMayDestroyTheSocket)
{
    ScriptedPeer proxy;
    proxy.readBytes(3).send("\x04\x00"s).close();
    proxy.start();
    auto s = std::make_unique<TWSocket>();
    int connected = 0;
    s->OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { ++connected; };
    bool destroyed = false;
    s->OnSocksError = [&](TCustomWSocket*, int, const std::string&) {
        destroyed = true;
        s.reset(); // last: this handler is freed with the socket
    };
    connectThrough(*s, proxy.port(), 4242);
    ASSERT_TRUE(runUntil([&] { return destroyed; }, WaitMs));
    runFor(50);
    EXPECT_EQ(connected, 0);
}

TEST(SocksWSocket, PropertiesAndRefusals)
{
    TWSocket s;
    s.SetSocksServer("  127.0.0.1\t");
    s.SetSocksPort(" 1080 ");
    EXPECT_EQ(s.SocksServer(), "127.0.0.1");
    EXPECT_EQ(s.SocksPort(), "1080");

    const auto refusal = [&](const std::function<void()>& call) {
        try {
            call();
        } catch (const ESocketException& e) {
            return std::string(e.what());
        }
        return std::string("no refusal");
    };
    s.SetAddr("127.0.0.1");
    s.SetPort("80");
    EXPECT_EQ(refusal([&] { s.Listen(); }), "listening is not supported thru socks server");
    s.SetProto("udp");
    EXPECT_EQ(
        refusal([&] { s.Connect(); }), "tcp is the only protocol supported thru socks server");
    s.SetProto("tcp");
    s.SetSocksPort("no-such-service");
    EXPECT_EQ(refusal([&] { s.Connect(); }),
        "connect: WSocketResolvePort: Cannot convert port 'no-such-service'");

    // Written only while closed; cleared with the defaults after a close.
    ScriptedPeer proxy;
    proxy.readBytes(3).silent(2000);
    proxy.start();
    connectThrough(s, proxy.port(), 4242);
    ASSERT_TRUE(runUntil([&] { return s.State() == wsConnected; }, WaitMs));
    EXPECT_EQ(
        refusal([&] { s.SetSocksServer("10.0.0.1"); }), "Can't change socks server if not closed");
    EXPECT_EQ(refusal([&] { s.SetSocksPort("1"); }), "Can't change socks port if not closed");
    EXPECT_EQ(s.SocksServer(), "127.0.0.1");
    s.Close();
    EXPECT_EQ(s.SocksServer(), "");
    EXPECT_EQ(s.SocksPort(), "");
}

} // namespace
