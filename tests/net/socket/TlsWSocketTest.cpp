// The socket's TLS layer against scripted TLS servers on loopback ports: what
// the owner hears of a secure connection and of each way it ends, owners that
// take decrypted bytes slowly, handlers that free the socket, the CONNECT
// tunnel's refusal and the session kept for the next connection.
#include "net/socket/WSocket.h"
#include "net/tls/TlsContext.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/net/tls/TlsPeer.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestPki.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <memory>

namespace {

using Strings = std::vector<std::string>;

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

TEST(TlsWSocket, TheOwnerHearsOfTheConnectionOnceSecureAndOfHowItEnded)
{
    const TTestPki& pki = TTestPki::Get();
    struct Row
    {
        const char* name;
        const TTestCert& cert;
        enum { Notify, Cut, Alert } end;
        Strings events;
        TTlsState state;
        std::string error;
    };
    const Row rows[] = {
        { "close_notify", pki.Valid, Row::Notify, { "connected 0", "data", "closed 0" },
            TTlsState::Closed, "" },
        { "a cut", pki.Valid, Row::Cut, { "connected 0", "data", "closed 0" }, TTlsState::Cut, "" },
        { "an alert", pki.Valid, Row::Alert, { "connected 0", "data", "closed 20103" },
            TTlsState::Failed, "TLS: sslv3 alert bad record mac" },
        { "a certificate for another host", pki.WrongHost, Row::Notify,
            { "connected 20102", "closed 20102" }, TTlsState::Failed,
            "TLS: host name mismatch (cert is for other.test)" },
    };
    const TTlsContext context(pki.CaFile);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TTlsPeer peer(row.cert.Chain, row.cert.Key, [&row](TTlsPeerConnection& c) {
            if (row.cert.Cert != TTestPki::Get().Valid.Cert)
                return c.refusedHandshake();
            c.handshake();
            c.readUntil(Hello);
            c.send("answer");
            if (row.end == Row::Notify)
                c.closeNotify();
            else if (row.end == Row::Alert)
                c.alert();
        });
        TWSocket s;
        SocketRecorder rec;
        attachGreeting(s, rec);
        connectSecurely(s, context, peer.port());
        ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
        EXPECT_TRUE(peer.waitDone(WaitMs));
        EXPECT_EQ(rec.events, row.events);
        EXPECT_EQ(rec.data, row.error.empty() || row.end == Row::Alert ? "answer" : "");
        EXPECT_EQ(s.TlsState(), row.state);
        EXPECT_EQ(s.TlsError(), row.error);
        EXPECT_EQ(s.State(), wsClosed);
        EXPECT_EQ(s.TlsContext(), nullptr) << "the settings are cleared at the close";
    }
}

TEST(TlsWSocket, OwnersTakingBytesSlowlyGetThemAllBeforeTheClose)
{
    std::string body;
    for (int i = 0; body.size() < 50000; ++i)
        body += std::to_string(i) + ",";
    const TTestPki& pki = TTestPki::Get();
    const TTlsContext context(pki.CaFile);
    // Seven bytes a report; or every other report skipped and the reports
    // asked for again from the event loop.
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

TEST(TlsWSocket, AProxyRefusingTheTunnelFailsTheConnection)
{
    const TTlsContext context(TTestPki::Get().CaFile);
    const std::string request = "CONNECT localhost:443 HTTP/1.0\r\n\r\n";
    ScriptedPeer proxy;
    proxy.readUntil("\r\n\r\n")
        .send("HTTP/1.0 403 Filtered\r\nContent-Type: text/html\r\n\r\n<p>no</p>")
        .close()
        .start();
    TWSocket s;
    SocketRecorder rec;
    rec.attach(s);
    s.OnDataSent = nullptr;
    s.SetTlsTunnel(request);
    connectSecurely(s, context, proxy.port());
    ASSERT_TRUE(runUntil([&] { return rec.closedCount > 0; }, WaitMs));
    ASSERT_TRUE(proxy.waitDone(WaitMs));
    EXPECT_EQ(proxy.received(0), request);
    EXPECT_EQ(rec.events, (Strings { "connected 20101", "closed 20101" }));
    EXPECT_EQ(s.TlsError(), "proxy: HTTP/1.0 403 Filtered");
    EXPECT_TRUE(rec.data.empty());
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
