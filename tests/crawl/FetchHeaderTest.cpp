// The Content-Length and Last-Modified values a record carries, from
// responses written byte for byte by scripted peers.
#include "CrawlFixture.h"
#include "tests/support/ScriptedPeer.h"

namespace {

const std::string Body = "<title>Header Case</title>\r\n";

std::string peerUrl(const ScriptedPeer& peer, const std::string& path = "/p.html")
{
    return "http://127.0.0.1:" + std::to_string(peer.port()) + path;
}

class FetchHeaders : public CrawlTest
{
protected:
    FetchHeaders() { settings.saveLastModified = 1; }

    // The record's last two fields for one page served as `responses` (one per connection).
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
    struct Row
    {
        std::string header;
        std::string fields; // last-modified|content-length
    };
    const Row rows[] = {
        { "Content-Length: 5120\r\nLast-Modified: Wed, 21 Oct 2015 07:28:00 GMT\r\n",
            "Wed, 21 Oct 2015 07:28:00 GMT|5120" },
        { "Content-Type: text/html\r\n", "Unknown|Unknown" },
        { "content-length: 42\r\nlast-modified: monday\r\n", "monday|42" },
        // The client reads "2" from the first; the record's search does not find it.
        { "Content-Length:42\r\n", "Unknown|Unknown" },
        { "Last-Modified:  two blanks\r\n", " two blanks|Unknown" },
        { "Last-Modified: \r\n", "Unknown|Unknown" },
        // A longer name ending in the name counts; the first length counts,
        // the last date stands.
        { "X-Content-Length: 7\r\nContent-Length: 28\r\n", "Unknown|7" },
        { "Last-Modified: first\r\nX-Last-Modified: second\r\n", "second|Unknown" },
        // Bytes below 0x20 never reach the output: one record per line.
        { "Last-Modified: a\rb\x01"
          "c\r\n",
            "abc|Unknown" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.header);
        EXPECT_EQ(HeaderFields({ "HTTP/1.0 200 OK\r\n" + row.header + "\r\n" + Body }), row.fields);
    }
}

TEST_F(FetchHeaders, ARelocationKeepsTheFirstLengthAndTheLastDate)
{
    EXPECT_EQ(HeaderFields({ "HTTP/1.0 302 Found\r\nLocation: /final.html\r\nContent-Length: 11\r\n"
                             "Last-Modified: first\r\n\r\n",
                  "HTTP/1.0 200 OK\r\nContent-Length: 28\r\nLast-Modified: final\r\n\r\n" + Body }),
        "final|11");
}

TEST_F(FetchHeaders, AnErrorStatusArrivingAloneKeepsThePreviousValues)
{
    EXPECT_EQ(HeaderFields({ "HTTP/1.0 200 OK\r\nContent-Length: 28\r\nLast-Modified: kept\r\n\r\n"
                  + Body }),
        "kept|28");
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
    ScriptedPeer proxy;
    proxy.accept()
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n\r\n<title>Via Proxy</title>")
        .close();
    proxy.start();
    ScriptedPeer server;
    server.accept()
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n\r\n<title>Direct</title>")
        .close();
    server.start();

    settings.saveLastModified = 0;
    settings.proxyEnabled = 1;
    settings.proxyAddress = "127.0.0.1";
    settings.proxyPort = proxy.port();
    WriteInput({ peerUrl(server) });
    ASSERT_EQ(Index(), "");
    settings.proxyEnabled = 0;
    WriteInput({ peerUrl(server) });
    ASSERT_EQ(Index(), "");

    EXPECT_TRUE(proxy.waitDone(10000));
    EXPECT_TRUE(server.waitDone(10000));
    EXPECT_TRUE(proxy.received(0).starts_with("GET " + peerUrl(server) + " HTTP/1.0\r\n"))
        << proxy.received(0);
    EXPECT_TRUE(server.received(0).starts_with("GET /p.html HTTP/1.0\r\n")) << server.received(0);
    EXPECT_EQ(frontEnd.log, (std::vector<std::string> { "Via Proxy", "Direct" }));
}

} // namespace
