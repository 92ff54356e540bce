// Error texts, errno mapping and the unit-level resolvers.
#include "net/socket/SocketErrors.h"
#include "net/socket/WSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <string>

namespace {

TEST(WSocketErrors, TextsOfCodes)
{
    const struct
    {
        int code;
        const char* text;
    } rows[] = {
        { 0, "No Error" },
        { 10004, "Interrupted system call" },
        { 10035, "Operation would block" },
        { 10054, "Connection reset by peer" },
        { 10057, "Socket is not connected" },
        { 10058, "Can't send after socket shutdown" },
        { 10061, "Connection refused" },
        { 10071, "Too many levels of remote in path" },
        { 10093, "WinSock not initialized" },
        { 11001, "Host not found" },
        { 11004, "No Data" },
        { 10072, "Not a WinSock error" },
        { -1, "Not a WinSock error" },
        { 20001, "Not a WinSock error" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(WSocketErrorText(row.code), row.text) << row.code;
}

TEST(WSocketErrors, ErrnoMapsOntoSocketCodes)
{
    const struct
    {
        int err;
        int code;
    } rows[] = {
        { 0, 0 },
        { ECONNREFUSED, 10061 },
        { EWOULDBLOCK, 10035 },
        { EAGAIN, 10035 },
        { EINPROGRESS, 10036 },
        { ECONNRESET, 10054 },
        { EPIPE, 10054 },
        { ENOTCONN, 10057 },
        { ETIMEDOUT, 10060 },
        { EHOSTUNREACH, 10065 },
        { EADDRINUSE, 10048 },
        { EBADF, 10009 },
        { ENOTSOCK, 10038 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrnoToSocketError(row.err), row.code) << row.err;
    // An errno with no counterpart is still a failure.
    EXPECT_NE(ErrnoToSocketError(EXDEV), 0);
}

TEST(WSocketResolve, Ports)
{
    EXPECT_EQ(WSocketResolvePort("80", "tcp"), 80);
    EXPECT_EQ(WSocketResolvePort("8080abc", "tcp"), 8080); // digits up to the first other character
    EXPECT_EQ(WSocketResolvePort("65535", "tcp"), 65535);
    EXPECT_EQ(WSocketResolvePort("http", "tcp"), 80);
    const struct
    {
        std::string text;
        const char* message;
    } bad[] = {
        { "", "WSocketResolvePort: Invalid Port." },
        { std::string(32, '1'), "WSocketResolvePort: Invalid Port." },
        { "65536", "WSocketResolvePort: Cannot convert port '65536'" },
        { "no-such-service", "WSocketResolvePort: Cannot convert port 'no-such-service'" },
    };
    for (const auto& row : bad) {
        try {
            WSocketResolvePort(row.text, "tcp");
            ADD_FAILURE() << "accepted " << row.text;
        } catch (const ESocketException& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
    }
}

TEST(WSocketResolve, ProtocolsAndHosts)
{
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("udp"), 17);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_THROW(WSocketResolveProto(""), ESocketException);
    EXPECT_THROW(WSocketResolveProto("bogus-proto"), ESocketException);

    EXPECT_EQ(WSocketResolveHost("127.0.0.1"), htonl(0x7F000001));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(WSocketResolveHost("localhost"), htonl(0x7F000001));
    try {
        WSocketResolveHost(std::string(257, 'a'));
        ADD_FAILURE();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "WSocketResolveHost: Invalid Hostname.");
    }
    try {
        WSocketResolveHost("no-such-host.invalid");
        ADD_FAILURE();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(
            e.what(), "WSocketResolveHost: Cannot convert host address 'no-such-host.invalid'");
    }
}

TEST(WSocketErrors, RefusalsOfTheComponent)
{
    TWSocket s;
    const struct
    {
        const char* name;
        std::function<void()> call;
        const char* message;
        int lastError;
    } rows[] = {
        { "Dup(-1)", [&] { s.Dup(INVALID_SOCKET); },
            "Error 10022 in function Dup\r\nInvalid argument", 10022 },
        { "Accept", [&] { s.Accept(); }, "not a listening socket", 10022 },
        { "Listen", [&] { s.Listen(); }, "listen: port not assigned", 10022 },
        { "ReadLine", [&] { s.ReadLine(1); }, "No wait object assigned", -1 },
        { "SendFlags", [&] { s.SetSendFlags(static_cast<TSocketSendFlags>(2)); },
            "Invalid SendFlags", -1 },
        { "Dup(0)", [&] { s.Dup(0); }, "Error 10022 in function Dup\r\nInvalid argument", 10022 },
        { "Dup(closed)", [&] { s.Dup(9999); }, "Error 10009 in function Dup\r\nBad file number",
            10009 },
        { "ReverseDnsLookup", [&] { s.ReverseDnsLookup("not-dotted"); },
            "not-dotted: can't start DNS lookup, error #10022", 10022 },
        { "WaitForState", [&] { s.WaitForState(wsConnected, 1); },
            "Error 11004 in function TWSocket.Wait\r\nNo Data", 11004 },
    };
    for (const auto& row : rows) {
        try {
            row.call();
            ADD_FAILURE() << row.name << " succeeded";
        } catch (const ESocketException& e) {
            EXPECT_STREQ(e.what(), row.message) << row.name;
            if (row.lastError >= 0) {
                EXPECT_EQ(s.LastError(), row.lastError) << row.name;
            }
        }
    }
    EXPECT_EQ(s.GetPeerAddr(), "error");
    EXPECT_EQ(s.GetLocalPort(), "error");
    EXPECT_EQ(s.RcvdCount(), 0);
}

} // namespace
