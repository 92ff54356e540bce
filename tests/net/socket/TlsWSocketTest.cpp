// The socket's TLS layer against scripted TLS servers: slow owners, handlers
// that free the socket, and the session kept for the next connection.
#include "net/socket/WSocket.h"
#include "net/tls/TlsContext.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/net/tls/TlsPeer.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/TestPki.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <memory>

namespace {

constexpr int WaitMs = 10000;

const std::string Hello = "hello\r\n\r\n";

// Connects `s` over TLS to a loopback `port`, checking the certificate for `host`.
void connectSecurely(TWSocket& s, const TTlsContext& context, std::uint16_t port,
    const std::string& host = "localhost")
{
    s.SetTlsContext(&context);
    s.SetTlsHost(host);
    connectTo(s, port);
}

// A recorder that sends Hello once connected.
void attachGreeting(TWSocket& s, SocketRecorder& rec)
{
    rec.attach(s);
    s.OnDataSent = nullptr;
    s.OnSessionConnected = [&rec](TCustomWSocket* sender, std::uint16_t e) {
        rec.add("connected", e);
        if (e == 0)
            sender->SendStr(Hello);
    };
}

TEST(TlsWSocket, OwnersTakingBytesSlowlyGetThemAllBeforeTheClose)
{
    std::string body;
    for (int i = 0; body.size() < 50000; ++i)
        body += std::to_string(i) + ",";
    const TTestPki& pki = TTestPki::Get();
    const TTlsContext context(pki.CaFile);
    for (const bool skipping : { false, true }) {
        SCOPED_TRACE(skipping ? "skipping" : "seven bytes at a time");
        TTlsPeer peer(pki.Valid.Chain, pki.Valid.Key, [&body](TTlsPeerConnection& c) {
            c.handshake();
            c.readUntil(Hello);
            c.send(body);
            c.closeNotify();
        });
        TWSocket s;
        SocketRecorder rec;
        attachGreeting(s, rec);
        std::string data;
        std::size_t atClose = 0;
        int reports = 0;
        s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            if (skipping && ++reports % 2 == 0) {
                QTimer::singleShot(0, [sender] { sender->ResumeDataReports(); });
                return;
            }
            char buffer[7];
            const int got = sender->Receive(buffer, sizeof buffer);
            if (got > 0)
                data.append(buffer, static_cast<std::size_t>(got));
        };
        s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) {
            ++rec.closedCount;
            atClose = data.size();
        };
        connectSecurely(s, context, peer.port());
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs)) << data.size();
        EXPECT_EQ(atClose, body.size());
        EXPECT_TRUE(data == body) << "the bytes taken differ";
        EXPECT_EQ(s.TlsState(), TTlsState::Closed);
    }
}

TEST(TlsWSocket, AHandlerMayFreeTheSocket)
{
    const TTestPki& pki = TTestPki::Get();
    const TTlsContext context(pki.CaFile);
    for (const std::string moment : { "connected", "data" }) {
        SCOPED_TRACE(moment);
        TTlsPeer peer(pki.Valid.Chain, pki.Valid.Key, [](TTlsPeerConnection& c) {
            c.handshake();
            c.send("unasked");
            c.closeNotify();
        });
        auto s = std::make_unique<TWSocket>();
        bool freed = false;
        const auto free = [&] {
            s.reset();
            freed = true;
        };
        s->OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) {
            if (moment == "connected")
                free();
        };
        s->OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) {
            if (moment == "data")
                free();
        };
        connectSecurely(*s, context, peer.port());
        EXPECT_TRUE(runUntil([&] { return freed; }, WaitMs));
        EXPECT_TRUE(peer.waitDone(WaitMs));
    }
}

TEST(TlsWSocket, TheNextConnectionToTheSameHostResumesTheSession)
{
    const TTestPki& pki = TTestPki::Get();
    TTlsPeer peer(
        pki.Valid.Chain, pki.Valid.Key,
        [](TTlsPeerConnection& c) {
            c.handshake();
            c.readUntil(Hello);
            c.send("answer");
            c.closeNotify();
        },
        4);
    const TTlsContext context(pki.CaFile);
    const TTlsContext otherTrust(pki.CaFile);
    TWSocket s;
    SocketRecorder rec;
    attachGreeting(s, rec);
    struct Row
    {
        const char* host;
        const TTlsContext& context;
        bool resumed;
    };
    const Row rows[] = {
        { "localhost", context, false }, { "localhost", context, true },
        { "127.0.0.1", context, false }, // another host
        { "127.0.0.1", otherTrust, false }, // other settings
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.host) + (&row.context == &context ? "" : " other trust"));
        rec.closedCount = 0;
        connectSecurely(s, row.context, peer.port(), row.host);
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
        EXPECT_EQ(s.TlsState(), TTlsState::Closed) << s.TlsError();
        EXPECT_EQ(s.TlsResumed(), row.resumed);
    }
    EXPECT_TRUE(peer.waitDone(WaitMs));
}

} // namespace
