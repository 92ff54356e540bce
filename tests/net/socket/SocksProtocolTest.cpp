// The SOCKS 5 requests and the reading of the proxy's replies, and of an HTTP
// proxy's answer to CONNECT, byte for byte.
#include "net/socket/SocksProtocol.h"
#include "net/socket/TunnelReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(SocksProtocol, RequestsCarryTheirFieldsAndRefuseOverlongOnes)
{
    EXPECT_EQ(SocksMethodRequest(true), "\x05\x01\x02"s);
    EXPECT_EQ(SocksAuthRequest("Joe", "s3Cr"), "\x01\x03Joe\x04s3Cr"s);
    // A dotted address goes as a name too; the port in network order.
    EXPECT_EQ(SocksConnectRequest("10.0.0.1", 8080), "\x05\x01\x00\x03\x08"s + "10.0.0.1\x1f\x90");
    // 255 bytes is the most a length byte holds; one more is refused, not wrapped.
    const std::string longest(255, 'n');
    EXPECT_TRUE(SocksConnectRequest(longest, 1).has_value());
    EXPECT_FALSE(SocksConnectRequest(longest + "n", 1).has_value());
    EXPECT_FALSE(SocksConnectRequest("", 1).has_value());
    EXPECT_FALSE(SocksAuthRequest("u", longest + "p").has_value());
}

TEST(SocksProtocol, RepliesAreJudgedAsSoonAsTheirFieldsArrive)
{
    using S = TSocksReplyStatus;
    const auto method = ParseSocksMethodReply;
    const auto auth = ParseSocksAuthReply;
    const auto conn = ParseSocksConnectReply;
    const struct
    {
        TSocksReply (*parse)(std::string_view);
        std::string bytes;
        TSocksReplyStatus status;
        int error; // when Failed
    } rows[] {
        { method, "\x05", S::Incomplete, 0 },
        { method, "\x04", S::Failed, 20002 }, // judged on the version alone
        { method, "\x05\x02", S::Done, 0 },
        { method, "\x05\x01", S::Failed, 20003 },
        { method, "\x05\x00\x00"s, S::Failed, 20001 },
        { method, "\x05\xff\x00"s, S::Failed, 20003 }, // the refusal before the excess
        { auth, "\x01\x00"s, S::Done, 0 },
        { auth, "\x01\x01", S::Failed, 20015 },
        { auth, "\x01\x00\x01"s, S::Failed, 20001 },
        { conn, "\x05\xff", S::Failed, 20012 },
        { conn, "\x05\x00\x00\x04"s, S::Failed, 20011 },
        { conn, "\x05\x00\x00\x03"s, S::Incomplete, 0 },
    };
    for (const auto& row : rows) {
        const TSocksReply r = row.parse(row.bytes);
        EXPECT_EQ(r.Status, row.status) << testing::PrintToString(row.bytes);
        EXPECT_EQ(r.Status == S::Failed ? r.Error : 0, row.error)
            << testing::PrintToString(row.bytes);
    }
}

TEST(SocksProtocol, ConnectReplyGivesTheBoundEndpointAndLeavesWhatFollows)
{
    const struct
    {
        std::string reply, addr, port;
    } rows[] {
        { "\x05\x00\x00\x01\x0a\x01\x02\x03\x12\x34"s, "10.1.2.3", "4660" },
        { "\x05\x00\x00\x03\x09"s + "proxy.lan\x1f\x90", "proxy.lan", "8080" },
    };
    for (const auto& row : rows) {
        // Every beginning of the reply is incomplete and asks for no byte past it.
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

TEST(TunnelReply, AProxysAnswerToConnectOpensTheTunnelOnlyWith2xx)
{
    using S = TTunnelReplyStatus;
    const std::string open = "HTTP/1.0 200 Connection established\r\nProxy-agent: x\r\n\r\n";
    const struct
    {
        std::string bytes;
        TTunnelReplyStatus status;
        std::size_t used; // when Open
        const char* error; // when Refused
    } rows[] {
        // What follows the head is the server's.
        { open + "\x16\x03", S::Open, open.size(), "" },
        { "HTTP/1.1 204\n\n", S::Open, 14, "" },
        { open.substr(0, open.size() - 1), S::Incomplete, 0, "" },
        // A refusal is judged as soon as its status line is whole.
        { "HTTP/1.0 407 Proxy Authentication Required\r\n", S::Refused, 0,
            "proxy: HTTP/1.0 407 Proxy Authentication Required" },
        { "SSH-2.0-OpenSSH\r\n", S::Refused, 0,
            "proxy: not an HTTP answer to CONNECT: SSH-2.0-OpenSSH" },
        { "HTTP/1.0 2000 OK\r\n", S::Refused, 0,
            "proxy: not an HTTP answer to CONNECT: HTTP/1.0 2000 OK" },
        { "HTTP/1.0 200 OK\r\n" + std::string(MaxTunnelReplyHead, 'h'), S::Refused, 0,
            "proxy: answer to CONNECT too long" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes.substr(0, 40));
        const TTunnelReply reply = ParseTunnelReply(row.bytes);
        EXPECT_EQ(reply.Status, row.status);
        if (row.status == S::Open) {
            EXPECT_EQ(reply.Used, row.used);
        }
        EXPECT_EQ(reply.ErrorText, row.error);
    }
}

} // namespace
