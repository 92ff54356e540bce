#include "net/tls/TlsEngine.h"
#include "tests/net/tls/TlsTestServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPki.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

// Moves the bytes waiting on either side to the other in blocks of at most
// `block` bytes, each block fed on its own, until both fall quiet.
void pump(TTlsEngine& client, TTlsTestServer& server, std::size_t block = 4096)
{
    for (int round = 0; round < 1000; ++round) {
        const std::string toServer = client.TakeOutput();
        const std::string toClient = server.TakeOutput();
        if (toServer.empty() && toClient.empty())
            return;
        for (std::size_t at = 0; at < toServer.size(); at += block)
            server.Feed(std::string_view(toServer).substr(at, block));
        for (std::size_t at = 0; at < toClient.size(); at += block)
            client.Feed(std::string_view(toClient).substr(at, block));
    }
    FAIL() << "the two sides never fell quiet";
}

std::string readAll(TTlsEngine& client)
{
    std::string text;
    char buffer[1000];
    while (const std::size_t count = client.Read(buffer, sizeof buffer))
        text.append(buffer, count);
    return text;
}

// The engine, started, trusting `caFile`, and an in-memory server presenting `certFile`.
struct TLink
{
    explicit TLink(const std::string& host, int version = TLS1_3_VERSION,
        const std::string& certFile = TTestPki::Get().Valid.Chain,
        const std::string& keyFile = TTestPki::Get().Valid.Key,
        const std::string& caFile = TTestPki::Get().CaFile)
        : context(caFile)
        , serverContext(certFile, keyFile, version)
        , client(context, host)
    {
        client.Start();
    }

    void pump(std::size_t block = 4096) { ::pump(client, server, block); }

    TTlsContext context;
    TTlsTestServerContext serverContext;
    TTlsTestServer server { serverContext };
    TTlsEngine client;
};

// Numbered lines, so a lost, repeated or reordered record shows.
std::string lines(std::size_t size)
{
    std::string text;
    for (int n = 0; text.size() < size; ++n)
        text += "line " + std::to_string(n) + "\n";
    return text;
}

TEST(TlsContext, ACaFileThatCannotBeReadIsACleanError)
{
    TempFolder folder("tls");
    std::ofstream(folder.file("empty.pem")) << "no certificate here\n";
    const struct
    {
        std::string path;
        std::string reason;
    } rows[] = {
        { folder.file("missing.pem"), "No such file or directory" },
        { folder.file("empty.pem"), "no certificate or crl found" },
        { folder.path().string(), "it is a folder" },
    };
    for (const auto& row : rows) {
        try {
            TTlsContext context(row.path);
            ADD_FAILURE() << row.path << " was accepted";
        } catch (const ETlsError& error) {
            EXPECT_EQ(error.what(), "TLS: cannot read CA file " + row.path + ": " + row.reason);
        }
    }
}

TEST(TlsEngine, DataGoesBothWaysInBlocksOfAnySizeAndEndsWithCloseNotify)
{
    const struct
    {
        const char* host;
        const char* sni; // what the server sees
        int version; // the server's highest
        std::size_t block;
    } rows[] = {
        { "localhost", "localhost", TLS1_3_VERSION, 1 },
        { "www.skelvo.test", "www.skelvo.test", TLS1_2_VERSION, 1 },
        { "127.0.0.1", "", TLS1_3_VERSION, 65536 },
        { "[::1]", "", TLS1_2_VERSION, 65536 },
    };
    // Larger than a record (16 KiB) both ways.
    const std::string request = lines(100000);
    const std::string response = lines(70000);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host);
        TLink link(row.host, row.version);
        // Written during the handshake: held until it ends, then all of it goes.
        ASSERT_TRUE(link.client.Write(request));
        EXPECT_EQ(link.client.Unsent(), request.size());
        link.pump(row.block);
        ASSERT_EQ(link.client.State(), TTlsState::Open) << link.client.Error();
        EXPECT_EQ(link.client.Unsent(), 0u);
        EXPECT_EQ(link.server.Received(), request);
        EXPECT_EQ(link.server.ServerName(), row.sni);

        link.server.Write(response);
        link.server.Shutdown();
        link.pump(row.block);
        EXPECT_EQ(readAll(link.client), response);
        EXPECT_EQ(link.client.State(), TTlsState::Closed);
        EXPECT_FALSE(link.client.Write("late")) << "nothing is written after the server ended";
    }
}

TEST(TlsEngine, WritesDuringARenegotiationWaitForItAndGoOutWhole)
{
    TLink link("localhost", TLS1_2_VERSION);
    link.pump();
    link.server.Renegotiate();
    link.client.Feed(link.server.TakeOutput());
    // OpenSSL asks for the server's answer first: the write is to be retried.
    ASSERT_TRUE(link.client.Write("first, "));
    ASSERT_TRUE(link.client.Write("second"));
    EXPECT_EQ(link.client.Unsent(), 13u) << link.client.Error();
    link.pump(1);
    EXPECT_EQ(link.client.Unsent(), 0u) << link.client.Error();
    EXPECT_EQ(link.server.Received(), "first, second") << link.server.Error();
}

TEST(TlsEngine, EachBadCertificateGivesItsReason)
{
    const TTestPki& pki = TTestPki::Get();
    const std::string none;
    const struct
    {
        const std::string& cert; // what the server sends
        const std::string& key;
        const char* host;
        const std::string& caFile; // the extra CA file
        const char* error; // empty: the handshake succeeds
    } rows[] = {
        { pki.WrongHost.Cert, pki.WrongHost.Key, "localhost", pki.CaFile,
            "TLS: host name mismatch (cert is for other.test)" },
        { pki.Valid.Cert, pki.Valid.Key, "127.0.0.2", pki.CaFile,
            "TLS: address mismatch (cert is for localhost)" },
        { pki.Expired.Chain, pki.Expired.Key, "localhost", pki.CaFile,
            "TLS: certificate verify failed: certificate has expired" },
        { pki.OtherCa.Cert, pki.OtherCa.Key, "localhost", pki.CaFile,
            "TLS: certificate verify failed: unable to get local issuer certificate" },
        { pki.OtherCa.Chain, pki.OtherCa.Key, "localhost", pki.CaFile,
            "TLS: certificate verify failed: self-signed certificate in certificate chain" },
        { pki.Valid.Cert, pki.Valid.Key, "localhost", none,
            "TLS: certificate verify failed: unable to get local issuer certificate" },
        { pki.OtherCa.Cert, pki.OtherCa.Key, "skelvo.test", pki.OtherCaFile, "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.error);
        TLink link(row.host, TLS1_3_VERSION, row.cert, row.key, row.caFile);
        link.client.Write("GET / HTTP/1.0\r\n\r\n");
        link.pump();
        if (*row.error == '\0') {
            EXPECT_EQ(link.client.State(), TTlsState::Open) << link.client.Error();
            EXPECT_EQ(link.server.Received(), "GET / HTTP/1.0\r\n\r\n");
            continue;
        }
        EXPECT_EQ(link.client.State(), TTlsState::Failed);
        EXPECT_EQ(link.client.Error(), row.error);
        EXPECT_EQ(link.server.Received(), "") << "nothing goes to a server not verified";
        EXPECT_FALSE(link.server.Error().empty()) << "the server is told by an alert";
        EXPECT_TRUE(link.client.Session().Empty());
    }
}

TEST(TlsEngine, AProperEndIsToldFromACutOrAnAlert)
{
    enum class TEnding { CloseNotify, Cut, AlertMidData, CutInHandshake, PlainHttpAnswer };
    const struct
    {
        TEnding ending;
        TTlsState state;
        const char* error;
    } rows[] = {
        { TEnding::CloseNotify, TTlsState::Closed, "" },
        { TEnding::Cut, TTlsState::Cut, "" },
        { TEnding::AlertMidData, TTlsState::Failed, "TLS: sslv3 alert bad record mac" },
        { TEnding::CutInHandshake, TTlsState::Failed,
            "TLS: connection closed during the handshake" },
        { TEnding::PlainHttpAnswer, TTlsState::Failed, "TLS: wrong version number" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.ending));
        TLink link("localhost");
        TTlsEngine& client = link.client;
        const bool inHandshake
            = row.ending == TEnding::CutInHandshake || row.ending == TEnding::PlainHttpAnswer;
        if (row.ending == TEnding::PlainHttpAnswer)
            client.Feed("HTTP/1.0 400 Bad Request\r\n\r\n");
        if (!inHandshake) {
            link.pump();
            link.server.Write("the first half, ");
            if (row.ending == TEnding::AlertMidData) {
                // A record the server cannot authenticate: it answers with a fatal alert.
                client.Write("more of the request");
                std::string spoilt = client.TakeOutput();
                spoilt.back() ^= 1;
                link.server.Feed(spoilt);
            } else if (row.ending == TEnding::CloseNotify) {
                link.server.Shutdown();
            }
            client.Feed(link.server.TakeOutput());
        }
        client.FeedEnd();
        EXPECT_EQ(client.State(), row.state);
        EXPECT_EQ(client.Error(), row.error);
        EXPECT_EQ(readAll(client), inHandshake ? "" : "the first half, ")
            << "what came before the end is kept";
        client.TakeOutput();
        client.Shutdown();
        EXPECT_EQ(client.TakeOutput().empty(), row.state != TTlsState::Closed)
            << "close_notify answers a proper end only";
    }
}

TEST(TlsEngine, AReopenedConnectionResumesTheSessionOfItsHostOnly)
{
    const TTestPki& pki = TTestPki::Get();
    const struct
    {
        int version;
        const char* secondHost;
        bool resumed;
    } rows[] = {
        { TLS1_3_VERSION, "localhost", true },
        { TLS1_2_VERSION, "localhost", true },
        { TLS1_3_VERSION, "skelvo.test", false },
    };
    TTlsContext context(pki.CaFile);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.secondHost);
        // One server context for both connections: it holds the ticket keys.
        TTlsTestServerContext serverContext(pki.Valid.Chain, pki.Valid.Key, row.version);
        TTlsSession kept;
        {
            TTlsTestServer server(serverContext);
            TTlsEngine first(context, "localhost");
            first.Start();
            pump(first, server);
            server.Write("page");
            pump(first, server);
            EXPECT_EQ(readAll(first), "page");
            kept = first.Session();
        }
        ASSERT_FALSE(kept.Empty());
        TTlsTestServer server(serverContext);
        TTlsEngine second(context, row.secondHost, kept);
        second.Start();
        pump(second, server);
        ASSERT_EQ(second.State(), TTlsState::Open) << second.Error();
        EXPECT_EQ(second.Resumed(), row.resumed);
    }
}

} // namespace
