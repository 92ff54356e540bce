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
using Strings = std::vector<std::string>;

constexpr int WaitMs = 10000;
// Records the SOCKS events of `s` besides the plain ones; sends `hello` once the
// session starts. Sent-data reports are left out: the negotiation's last one
// may come before or after its end.
void attachSocks(TWSocket& s, SocketRecorder& rec, const std::string& hello = "")
{
    rec.attach(s);
    s.OnDataSent = nullptr;
    s.OnSocksConnected
        = [&rec](TCustomWSocket*, std::uint16_t e) { rec.add("socks connected", e); };
    s.OnSocksError = [&rec](TCustomWSocket*, int e, const std::string&) {
        rec.add("socks error", static_cast<std::uint16_t>(e));
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

TEST(SocksWSocket, RealProxyCarriesDataBothWaysOrRefusesWrongCredentials)
{
    struct Row
    {
        std::string proxyUser; // empty: the proxy asks for nothing
        TSocksAuthentication auth;
        std::string password;
        Strings events;
    };
    const Row rows[] {
        { "", socksNoAuthentication, "",
            { "socks connected 0", "connected 0", "data", "closed 0" } },
        { "joe", socksAuthenticateUsercode, "s3cr et",
            { "socks connected 0", "auth start", "auth success", "connected 0", "data",
                "closed 0" } },
        { "joe", socksAuthenticateUsercode, "S3CR ET",
            { "socks connected 0", "auth start", "auth failure", "socks error 20015",
                "connected 20015", "closed 20015" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.proxyUser + "/" + row.password);
        const auto proxy = TRealServer::StartMicrosocks(row.proxyUser, "s3cr et");
        ScriptedPeer peer;
        peer.readUntil("ping").send("pong").close();
        peer.start();
        TWSocket s;
        SocketRecorder rec;
        attachSocks(s, rec, "ping");
        s.SetSocksAuthentication(row.auth);
        s.SetSocksUsercode("joe");
        s.SetSocksPassword(row.password);
        connectThrough(s, proxy->Port(), peer.port());
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
        // The proxy's own bytes are no data of the owner's.
        EXPECT_EQ(rec.events, row.events);
        const bool through = row.events.back() == "closed 0";
        EXPECT_EQ(rec.data, through ? "pong" : "");
        if (through) {
            ASSERT_TRUE(peer.waitDone(WaitMs));
            EXPECT_EQ(peer.received(0), "ping");
        }
    }
}

TEST(SocksWSocket, ScriptedRepliesEndTheConnectWithTheirCodeOrLoseNoByte)
{
    const auto reply = [](int code) { return "\x05"s + static_cast<char>(code) + "\x00\x01"s; };
    const std::string bound = "\x05\x00\x00\x03\x09"s + "proxy.lan\x1f\x90";
    const std::string data = "HTTP/1.0 200 OK\r\n\r\nbody";
    const struct
    {
        std::string methodReply;
        std::string connectReply; // empty: not asked for
        int code; // 0: connected, and the bytes after the reply are the owner's
        bool drip = false; // every byte in a write of its own
    } rows[] {
        { "\x04\x00"s, "", 20002 }, // version 4
        { "\x05\xff", "", 20003 }, // no acceptable method
        { "\x05\x00\x00"s, "", 20001 }, // a byte too many
        { "\x05\x00"s, reply(1) + "\0\0\0\0\0\0"s, 20004 },
        { "\x05\x00"s, reply(9), 20012 },
        { "\x05\x00"s, "\x05\x00\x00\x04"s + std::string(18, '\0'), 20011 }, // IPv6 bound address
        { "\x05\x00"s, bound + data, 0 },
        { "\x05\x00"s, bound + data, 0, true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.connectReply) + " " + std::to_string(row.drip));
        ScriptedPeer proxy;
        proxy.readBytes(3);
        row.drip ? proxy.drip(row.methodReply, 5) : proxy.send(row.methodReply);
        if (!row.connectReply.empty())
            row.drip ? proxy.readBytes(16).drip(row.connectReply, 5)
                     : proxy.readBytes(16).send(row.connectReply);
        proxy.close();
        proxy.start();
        TWSocket s;
        SocketRecorder rec;
        attachSocks(s, rec);
        connectThrough(s, proxy.port(), 4242);
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
        const std::string code = std::to_string(row.code);
        if (row.code == 0) {
            EXPECT_EQ(
                rec.events, (Strings { "socks connected 0", "connected 0", "data", "closed 0" }));
            EXPECT_EQ(rec.data, data);
            EXPECT_EQ(s.SocksBoundAddr() + ":" + s.SocksBoundPort(), "proxy.lan:8080");
        } else {
            EXPECT_EQ(rec.events,
                (Strings { "socks connected 0", "socks error " + code, "connected " + code,
                    "closed " + code }));
        }
    }
}

TEST(SocksWSocket, HandlersMayCloseOrFreeTheSocketMidNegotiation)
{
    // What the owner sees once its handler has closed or freed the socket:
    // the close report of its own close, and nothing of the negotiation after.
    enum TEvent { SocksConnected, AuthStart, SocksFailed };
    const struct
    {
        const char* name;
        TEvent event;
        bool free;
        std::string methodReply; // empty: none
        Strings events;
    } rows[] {
        { "close in OnSocksConnected", SocksConnected, false, "",
            { "socks connected 0", "closed 0" } },
        { "free in OnSocksConnected", SocksConnected, true, "", { "socks connected 0" } },
        { "close at the authentication's start", AuthStart, false, "\x05\x02",
            { "socks connected 0", "auth start", "closed 0" } },
        { "free at the authentication's start", AuthStart, true, "\x05\x02",
            { "socks connected 0", "auth start" } },
        { "close in OnSocksError", SocksFailed, false, "\x04\x00",
            { "socks connected 0", "socks error 20002", "closed 0" } },
        { "free in OnSocksError", SocksFailed, true, "\x04\x00",
            { "socks connected 0", "socks error 20002" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer proxy;
        if (!row.methodReply.empty())
            proxy.readBytes(3).send(row.methodReply);
        proxy.awaitClose().start();
        auto owned = std::make_unique<TWSocket>();
        SocketRecorder rec;
        attachSocks(*owned, rec);
        owned->SetSocksAuthentication(socksAuthenticateUsercode);
        bool acted = false;
        // Last in each handler: a freed socket takes the handler with it.
        const auto act = [&](TCustomWSocket* sender) {
            acted = true;
            if (row.free)
                owned.reset();
            else
                sender->Close();
        };
        if (row.event == SocksConnected)
            owned->OnSocksConnected
                = [&, note = owned->OnSocksConnected](TCustomWSocket* sender, std::uint16_t e) {
                      note(sender, e);
                      act(sender);
                  };
        if (row.event == AuthStart)
            owned->OnSocksAuthState = [&, note = owned->OnSocksAuthState](
                                          TCustomWSocket* sender, TSocksAuthState state) {
                note(sender, state);
                act(sender);
            };
        if (row.event == SocksFailed)
            owned->OnSocksError = [&, note = owned->OnSocksError](
                                      TCustomWSocket* sender, int e, const std::string& text) {
                note(sender, e, text);
                act(sender);
            };
        takeUnhandledErrors();
        connectThrough(*owned, proxy.port(), 4242);
        ASSERT_TRUE(runUntil([&] { return acted; }, WaitMs));
        EXPECT_TRUE(proxy.waitDone(WaitMs)); // the proxy saw the connection end
        runFor(50);
        EXPECT_EQ(rec.events, row.events);
        EXPECT_EQ(owned == nullptr, row.free);
        EXPECT_TRUE(takeUnhandledErrors().empty());
    }
}

} // namespace
