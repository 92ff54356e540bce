// The Content-Length and Last-Modified values a record carries, from
// responses written byte for byte by scripted peers.
#include "CrawlFixture.h"
#include "tests/support/ScriptedPeer.h"

namespace {

const std::string Body = "<title>Header Case</title>\r\n";

std::string peerUrl(const ScriptedPeer& peer)
{
    return "http://127.0.0.1:" + std::to_string(peer.port()) + "/p.html";
}

std::string ok(const std::string& headers)
{
    return "HTTP/1.0 200 OK\r\n" + headers + "\r\n" + Body;
}

class FetchHeaders : public CrawlTest
{
protected:
    FetchHeaders() { settings.saveLastModified = 1; }

    // The record's last two fields for one page served as `responses`, one per connection.
    std::string HeaderFields(const std::vector<std::string>& responses)
    {
        ScriptedPeer peer;
        for (size_t i = 0; i < responses.size(); ++i) {
            if (i > 0)
                peer.nextConnection();
            peer.accept().readUntil("\r\n\r\n").send(responses[i]).close();
        }
        peer.start();
        const std::string url = peerUrl(peer);
        std::remove("out.txt");
        WriteInput({ url });
        EXPECT_EQ(Index(), "");
        EXPECT_TRUE(peer.waitDone(10000));
        const std::string record = Text("out.txt");
        const std::string head = "Header Case| | |" + url + "|";
        if (!record.starts_with(head) || !record.ends_with("\r\n"))
            return "no record: " + record;
        return record.substr(head.size(), record.size() - head.size() - 2);
    }
};

TEST_F(FetchHeaders, ValuesAreTakenAsSentAfterNameColonAndOneBlank)
{
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        { { ok("Content-Length: 5120\r\nLast-Modified: Wed, 21 Oct 2015 07:28:00 GMT\r\n") },
            "Wed, 21 Oct 2015 07:28:00 GMT|5120" },
        { { ok("Content-Type: text/html\r\n") }, "Unknown|Unknown" },
        { { ok("content-length: 42\r\nlast-modified: monday\r\n") }, "monday|42" },
        // The client reads "2" from the first; the record's search does not find it.
        { { ok("Content-Length:42\r\n") }, "Unknown|Unknown" },
        { { ok("Last-Modified:  two blanks\r\n") }, " two blanks|Unknown" },
        { { ok("Last-Modified: \r\n") }, "Unknown|Unknown" },
        // A longer name ending in the name counts; the first length, the last date.
        { { ok("X-Content-Length: 7\r\nContent-Length: 28\r\n") }, "Unknown|7" },
        { { ok("Last-Modified: first\r\nX-Last-Modified: second\r\n") }, "second|Unknown" },
        // Bytes below 0x20 never reach the output: one record per line.
        { { ok("Last-Modified: a\rb\x01"
               "c\r\n") },
            "abc|Unknown" },
        // A relocation: the first length, the last date.
        { { "HTTP/1.0 302 Found\r\nLocation: /final.html\r\nContent-Length: 11\r\n"
            "Last-Modified: first\r\n\r\n",
              ok("Content-Length: 28\r\nLast-Modified: final\r\n") },
            "final|11" },
    };
    for (const auto& [responses, fields] : rows) {
        SCOPED_TRACE(responses.front());
        EXPECT_EQ(HeaderFields(responses), fields);
    }
}

TEST_F(FetchHeaders, AnErrorStatusArrivingAloneKeepsThePreviousValues)
{
    EXPECT_EQ(HeaderFields({ ok("Content-Length: 28\r\nLast-Modified: kept\r\n") }), "kept|28");
    ScriptedPeer peer;
    peer.accept()
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 404 Not Found\r\n")
        .sleep(300)
        .send("Content-Length: 99\r\nLast-Modified: lost\r\n\r\n<title>Lost</title>")
        .close();
    peer.start();
    WriteInput({ peerUrl(peer) });
    ASSERT_EQ(Index(), "");
    EXPECT_TRUE(peer.waitDone(10000));
    ASSERT_EQ(frontEnd.pages.size(), 2u);
    EXPECT_EQ(frontEnd.pages[1].outcome, pgBlankTitle);
    EXPECT_EQ(Run().State().lastModified, "kept");
    EXPECT_EQ(Run().State().contentLength, "28");
}

TEST_F(FetchHeaders, TheRequestFollowsTheProxySettingOfEachRun)
{
    // The proxy answers for every server; turned off, the server itself answers.
    ScriptedPeer proxy, server;
    for (auto [peer, title] :
        { std::pair { &proxy, "Via Proxy" }, std::pair { &server, "Direct" } }) {
        peer->accept()
            .readUntil("\r\n\r\n")
            .send(std::string("HTTP/1.0 200 OK\r\n\r\n<title>") + title + "</title>")
            .close();
        peer->start();
    }
    settings.proxyAddress = "127.0.0.1";
    settings.proxyPort = proxy.port();
    for (const int enabled : { 1, 0 }) {
        settings.proxyEnabled = enabled;
        WriteInput({ peerUrl(server) });
        ASSERT_EQ(Index(), "");
    }
    EXPECT_TRUE(proxy.waitDone(10000));
    EXPECT_TRUE(server.waitDone(10000));
    EXPECT_TRUE(proxy.received(0).starts_with("GET " + peerUrl(server) + " HTTP/1.0\r\n"))
        << proxy.received(0);
    // The user agent names the program and its version, as every release sent it.
    EXPECT_TRUE(
        server.received(0).starts_with("GET /p.html HTTP/1.0\r\nUser-Agent: Skelvo/1.5\r\n"))
        << server.received(0);
    EXPECT_EQ(frontEnd.log, (std::vector<std::string> { "Via Proxy", "Direct" }));
}

} // namespace
