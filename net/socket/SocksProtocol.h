#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The client's side of a SOCKS 5 negotiation (RFC 1928, with the user name
// and password method of RFC 1929) as pure functions over bytes: the requests
// the client sends and the reading of the proxy's replies. The socket only
// drives them.

// Error codes of a failed negotiation (the socket's own error codes are below 20000).
namespace SocksErrors {
constexpr int TooMuchData = 20001;
constexpr int VersionError = 20002;
constexpr int MethodNotAcceptable = 20003;
constexpr int GeneralFailure = 20004; // connect reply code 1; codes 2 to 8 follow on
constexpr int AddressTypeNotSupported = 20011;
constexpr int UnassignedError = 20012;
constexpr int InternalError = 20013;
constexpr int AuthenticationFailed = 20015;
} // namespace SocksErrors

// The fixed text of a SOCKS error code; `replyCode` completes the text of
// UnassignedError ("unassigned error #" + replyCode).
std::string SocksErrorText(int code, int replyCode = 0);

// How far the bytes received so far take a reply.
enum class TSocksReplyStatus { Incomplete, Done, Failed };

// A reply read from the bytes received so far.
struct TSocksReply
{
    TSocksReplyStatus Status = TSocksReplyStatus::Incomplete;
    int Error = 0; // a SocksErrors code when Failed
    std::string ErrorText; // its text when Failed
    std::size_t Used = 0; // bytes the reply took when Done; later bytes are not its own
    // When Incomplete: the reply is at least this long, so a reader that takes
    // no more than this never takes a byte after the reply.
    std::size_t Needed = 0;
    int Method = 0; // method reply: the method the proxy chose (0 or 2)
    std::string BoundAddr; // connect reply: the proxy's bound address, dotted or a name
    std::string BoundPort; // connect reply: the bound port as decimal text
};

// The method request: version 5 offering one method, 2 (user name and
// password) when `withPassword`, else 0 (no authentication).
std::string SocksMethodRequest(bool withPassword);

// The user name and password request; nothing when either is longer than 255
// bytes, which its length bytes cannot express.
std::optional<std::string> SocksAuthRequest(const std::string& user, const std::string& password);

// The connect request for `host` as a domain name (a dotted address goes as a
// name too) and `port`; nothing when the name is empty or longer than 255 bytes.
std::optional<std::string> SocksConnectRequest(const std::string& host, std::uint16_t port);

// Reads the two-byte method reply: version 5 and a method of 0 or 2.
TSocksReply ParseSocksMethodReply(std::string_view bytes);

// Reads the two-byte authentication reply: version 1 and status 0.
TSocksReply ParseSocksAuthReply(std::string_view bytes);

// Reads the connect reply with a bound address of type 1 (IPv4) or 3 (a name).
// Done leaves the bytes after Used alone: they are the destination's data.
TSocksReply ParseSocksConnectReply(std::string_view bytes);
