// The SOCKS 5 requests and the reading of the proxy's replies, byte for byte.
#include "net/socket/SocksProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(SocksProtocol, RequestsCarryTheirFieldsByteForByte)
{
    EXPECT_EQ(SocksMethodRequest(false), "\x05\x01\x00"s);
    EXPECT_EQ(SocksMethodRequest(true), "\x05\x01\x02"s);
    EXPECT_EQ(SocksAuthRequest("Joe", "s3Cr"), "\x01\x03Joe\x04s3Cr"s);
    EXPECT_EQ(SocksAuthRequest("", ""), "\x01\x00\x00"s);
    // The destination goes as a name, a dotted address too; the port in network order.
    EXPECT_EQ(
        SocksConnectRequest("example.org", 8080), "\x05\x01\x00\x03\x0b"s + "example.org\x1f\x90");
    EXPECT_EQ(SocksConnectRequest("10.0.0.1", 80), "\x05\x01\x00\x03\x08"s + "10.0.0.1\x00\x50"s);

    // 255 bytes is the most a length byte holds; one more is refused, not wrapped.
    const std::string longest(255, 'n');
    ASSERT_TRUE(SocksConnectRequest(longest, 1).has_value());
    EXPECT_EQ(SocksConnectRequest(longest, 1)->size(), 4 + 1 + 255 + 2u);
    EXPECT_FALSE(SocksConnectRequest(longest + "n", 1).has_value());
    EXPECT_FALSE(SocksConnectRequest("", 1).has_value());
    EXPECT_EQ(SocksAuthRequest(longest, longest)->size(), 3 + 2 * 255u);
    EXPECT_FALSE(SocksAuthRequest(longest + "u", "p").has_value());
    EXPECT_FALSE(SocksAuthRequest("u", longest + "p").has_value());
}

struct ReplyRow
{
    const char* name;
    TSocksReply (*parse)(std::string_view);
    std::string bytes;
    TSocksReplyStatus status;
    int error; // when Failed
    std::string text; // when Failed
};

TEST(SocksProtocol, RepliesAreJudgedAsSoonAsTheirFieldsArrive)
{
    using S = TSocksReplyStatus;
    const auto method = ParseSocksMethodReply;
    const auto auth = ParseSocksAuthReply;
    const auto conn = ParseSocksConnectReply;
    const std::vector<ReplyRow> rows {
        { "method: nothing yet", method, "", S::Incomplete, 0, "" },
        { "method: version only", method, "\x05", S::Incomplete, 0, "" },
        { "method: version 4 at once", method, "\x04", S::Failed, 20002, "socks version error" },
        { "method: version 4", method, "\x04\x00"s, S::Failed, 20002, "socks version error" },
        { "method: none", method, "\x05\x00"s, S::Done, 0, "" },
        { "method: password", method, "\x05\x02", S::Done, 0, "" },
        { "method: none acceptable", method, "\x05\xff", S::Failed, 20003,
            "authentification method not acceptable" },
        { "method: GSSAPI", method, "\x05\x01", S::Failed, 20003,
            "authentification method not acceptable" },
        { "method: a third byte", method, "\x05\x00\x00"s, S::Failed, 20001,
            "too much data availaible" },
        { "method: refused before the excess", method, "\x05\xff\x00"s, S::Failed, 20003,
            "authentification method not acceptable" },
        { "auth: version only", auth, "\x01", S::Incomplete, 0, "" },
        { "auth: success", auth, "\x01\x00"s, S::Done, 0, "" },
        { "auth: refused", auth, "\x01\x01", S::Failed, 20015, "socks authentication failed" },
        { "auth: wrong version", auth, "\x05\x00"s, S::Failed, 20002, "socks version error" },
        { "auth: a third byte", auth, "\x01\x00\x01"s, S::Failed, 20001,
            "too much data availaible" },
        { "connect: version 4", conn, "\x04", S::Failed, 20002, "socks version error" },
        // Each code's text: the socket tests have them all.
        { "connect: code 1", conn, "\x05\x01", S::Failed, 20004, "general SOCKS server failure" },
        { "connect: code 8", conn, "\x05\x08", S::Failed, 20011, "address type not supported" },
        { "connect: code 9", conn, "\x05\x09", S::Failed, 20012, "unassigned error #9" },
        { "connect: code 255", conn, "\x05\xff", S::Failed, 20012, "unassigned error #255" },
        { "connect: IPv6 bound address", conn, "\x05\x00\x00\x04"s, S::Failed, 20011,
            "address type not supported" },
        { "connect: type 1 short", conn, "\x05\x00\x00\x01\x7f\x00\x00\x01\x00"s, S::Incomplete, 0,
            "" },
        { "connect: type 3 before its length", conn, "\x05\x00\x00\x03"s, S::Incomplete, 0, "" },
    };
    for (const ReplyRow& row : rows) {
        const TSocksReply r = row.parse(row.bytes);
        EXPECT_EQ(r.Status, row.status) << row.name;
        if (row.status == S::Failed) {
            EXPECT_EQ(r.Error, row.error) << row.name;
            EXPECT_EQ(r.ErrorText, row.text) << row.name;
        }
    }
    EXPECT_EQ(ParseSocksMethodReply("\x05\x02").Method, 2);
    EXPECT_EQ(ParseSocksMethodReply("\x05\x00"s).Used, 2u);
}

TEST(SocksProtocol, ConnectReplyGivesTheBoundEndpointAndLeavesWhatFollows)
{
    struct Row
    {
        std::string reply;
        std::string addr;
        std::string port;
    };
    const std::vector<Row> rows {
        { "\x05\x00\x00\x01\x0a\x01\x02\x03\x12\x34"s, "10.1.2.3", "4660" },
        { "\x05\x00\x00\x03\x09"s + "proxy.lan\x1f\x90", "proxy.lan", "8080" },
        { "\x05\x00\x00\x03\x00\xff\xff"s, "", "65535" },
    };
    for (const Row& row : rows) {
        // Every part of the reply is only a beginning, and asks for no byte
        // past the reply; the whole is done, and bytes after it are not taken.
        for (size_t n = 0; n < row.reply.size(); ++n) {
            const TSocksReply part = ParseSocksConnectReply(row.reply.substr(0, n));
            EXPECT_EQ(part.Status, TSocksReplyStatus::Incomplete) << row.addr << " cut at " << n;
            EXPECT_GT(part.Needed, n) << row.addr << " cut at " << n;
            EXPECT_LE(part.Needed, row.reply.size()) << row.addr << " cut at " << n;
        }
        const TSocksReply r = ParseSocksConnectReply(row.reply + "HTTP/1.0 200");
        ASSERT_EQ(r.Status, TSocksReplyStatus::Done) << row.addr;
        EXPECT_EQ(r.Used, row.reply.size());
        EXPECT_EQ(r.BoundAddr, row.addr);
        EXPECT_EQ(r.BoundPort, row.port);
    }
}

} // namespace
