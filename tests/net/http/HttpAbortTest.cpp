// THttpCli ended by its owner: Abort at each stage of a request, and a client
// destroyed by a handler while Get waits.
#include "net/http/HttpProt.h"
#include "tests/support/HttpTestKit.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <memory>
#include <sstream>

namespace {

using namespace std::chrono_literals;

std::string url(int port)
{
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

TEST(HttpAbort, EndsTheRequestAtOnceAtEveryStage)
{
    enum class TFrom { Outside, HeaderEnd, DocData };
    const struct
    {
        const char* name;
        TFrom from;
        bool connects; // false: a listener that never answers the connect
        int docEnds;
    } rows[] = {
        { "during connect, from the event loop", TFrom::Outside, false, 0 },
        { "during the head, from OnHeaderEnd", TFrom::HeaderEnd, true, 0 },
        { "during the body, from OnDocData", TFrom::DocData, true, 1 },
        { "during the body, from the event loop", TFrom::Outside, true, 1 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TFullBacklog unanswered;
        ScriptedPeer peer;
        // One block holds the head and the first body bytes; the peer then
        // keeps its end open until the client closes.
        peer.readUntil("\r\n\r\n")
            .send("HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\nfirst")
            .awaitClose(5000)
            .start();
        THttpCli cli;
        std::ostringstream received;
        cli.RcvdStream = &received;
        cli.RequestTimeout = 20s;
        THttpEventLog log(cli);
        if (row.from == TFrom::HeaderEnd)
            cli.OnHeaderEnd = [](THttpCli* sender) { sender->Abort(); };
        // From outside: a timer of the event loop that Get pumps.
        QTimer later;
        later.setSingleShot(true);
        QObject::connect(&later, &QTimer::timeout, [&cli] { cli.Abort(); });
        cli.OnDocData = [&](THttpCli* sender, const char* data, int len) {
            log.body.append(data, static_cast<std::size_t>(len));
            if (row.from == TFrom::DocData)
                sender->Abort();
            else
                later.start(0);
        };
        if (!row.connects)
            later.start(100);
        cli.URL = url(row.connects ? peer.port() : unanswered.port());

        cli.Get();
        EXPECT_EQ(cli.State(), httpReady);
        EXPECT_EQ(cli.StatusCode(), 404);
        EXPECT_EQ(log.Count("DocEnd"), row.docEnds);
        // Nothing after the abort reached the owner, the rest of the block included.
        EXPECT_EQ(received.str(), row.from == TFrom::Outside ? log.body : "");
        if (row.connects) {
            EXPECT_TRUE(peer.waitDone(5000)); // the peer saw the close
            EXPECT_TRUE(peer.problems().empty()) << peer.problems().front();
        }
        runFor(200);
        EXPECT_EQ(log.Count("RequestDone"), 1);
    }
}

TEST(HttpAbort, FromAHandlerBeforeTheResponseNothingMoreOfTheRequestFollows)
{
    // Each row aborts from one event of the request's start; after it only
    // the ready state and OnRequestDone may come, and no byte of the request
    // goes out.
    const struct
    {
        const char* event;
        THttpClientState state; // for StateChange: the state entered
    } rows[] = {
        { "StateChange", httpDnsLookupDone },
        { "SessionConnected", httpConnected },
        { "RequestHeaderBegin", httpWaitingHeader },
        { "Command", httpWaitingHeader },
        { "RequestHeaderEnd", httpWaitingHeader },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.event);
        ScriptedPeer peer;
        peer.awaitClose(5000).start();
        THttpCli cli;
        cli.RequestTimeout = 20s;
        THttpEventLog log(cli);
        std::size_t abortedAt = 0;
        log.then = [&](const std::string& event) {
            if (abortedAt == 0 && event == row.event && cli.State() == row.state) {
                abortedAt = log.events.size();
                cli.Abort();
            }
        };
        cli.URL = url(peer.port());
        cli.Get();
        ASSERT_NE(abortedAt, 0u);
        EXPECT_EQ(std::vector<std::string>(
                      log.events.begin() + static_cast<long>(abortedAt), log.events.end()),
            (std::vector<std::string> { "StateChange", "RequestDone" }));
        EXPECT_EQ(cli.State(), httpReady);
        EXPECT_EQ(cli.ReasonPhrase(), "Aborted");
        if (row.state == httpDnsLookupDone) {
            runFor(100);
            EXPECT_EQ(peer.accepted(), 0); // no connection was opened
        } else {
            EXPECT_TRUE(peer.waitDone(5000)); // the peer saw the close
            EXPECT_EQ(peer.received(0), "");
        }
    }
}

TEST(HttpAbort, HandlerDestroyingTheClientEndsGetWithoutTouchingIt)
{
    for (const std::string event : { "HeaderEnd", "DocData", "RequestDone" }) {
        SCOPED_TRACE(event);
        ScriptedPeer peer;
        peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\nbody").close().start();
        auto owned = std::make_unique<THttpCli>();
        THttpCli* cli = owned.get();
        const auto destroy = [&owned](auto&&...) { owned.reset(); };
        if (event == "HeaderEnd")
            cli->OnHeaderEnd = destroy;
        if (event == "DocData")
            cli->OnDocData = destroy;
        if (event == "RequestDone")
            cli->OnRequestDone = destroy;
        cli->URL = url(peer.port());
        EXPECT_THROW(cli->Get(), EHttpClientDestroyed);
        EXPECT_EQ(owned, nullptr);
        EXPECT_TRUE(peer.waitDone(5000)); // the connection went with the client
        EXPECT_TRUE(peer.problems().empty());
        runFor(100);
        EXPECT_TRUE(takeUnhandledErrors().empty());
    }
}

} // namespace
