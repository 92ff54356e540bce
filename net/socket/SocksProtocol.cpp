#include "net/socket/SocksProtocol.h"

#include <array>

namespace {

constexpr unsigned char Version = 5;
constexpr unsigned char AuthVersion = 1;
constexpr unsigned char MethodNone = 0;
constexpr unsigned char MethodPassword = 2;
constexpr unsigned char CommandConnect = 1;
constexpr unsigned char AddrIPv4 = 1;
constexpr unsigned char AddrName = 3;
constexpr std::size_t MaxField = 255;

// Texts of the connect reply codes 1 to 8.
constexpr std::array<const char*, 8> ReplyTexts { "general SOCKS server failure",
    "connection not allowed by ruleset", "network unreachable", "host unreachable",
    "connection refused", "time to live expired", "command not supported",
    "address type not supported" };

unsigned byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

TSocksReply failed(int code, int replyCode = 0)
{
    TSocksReply r;
    r.Status = TSocksReplyStatus::Failed;
    r.Error = code;
    r.ErrorText = SocksErrorText(code, replyCode);
    return r;
}

TSocksReply incomplete(std::size_t needed)
{
    TSocksReply r;
    r.Needed = needed;
    return r;
}

TSocksReply done(std::size_t used)
{
    TSocksReply r;
    r.Status = TSocksReplyStatus::Done;
    r.Used = used;
    return r;
}

// The two-byte replies share their shape: a version byte that is judged as
// soon as it arrives, then a second byte that the caller judges.
TSocksReply twoByteReply(std::string_view bytes, unsigned version)
{
    if (bytes.empty())
        return incomplete(2);
    if (byteAt(bytes, 0) != version)
        return failed(SocksErrors::VersionError);
    if (bytes.size() < 2)
        return incomplete(2);
    return done(2);
}

// The proxy says nothing more until the client's next request, so a byte
// after an accepted two-byte reply is an error.
TSocksReply nothingAfter(std::string_view bytes, TSocksReply r)
{
    if (r.Status == TSocksReplyStatus::Done && bytes.size() > 2)
        return failed(SocksErrors::TooMuchData);
    return r;
}

} // namespace

std::string SocksErrorText(int code, int replyCode)
{
    switch (code) {
    case SocksErrors::TooMuchData:
        return "too much data availaible";
    case SocksErrors::VersionError:
        return "socks version error";
    case SocksErrors::MethodNotAcceptable:
        return "authentification method not acceptable";
    case SocksErrors::UnassignedError:
        return "unassigned error #" + std::to_string(replyCode);
    case SocksErrors::InternalError:
        return "internal error";
    case SocksErrors::AuthenticationFailed:
        return "socks authentication failed";
    default:
        break;
    }
    const int reply = code - SocksErrors::GeneralFailure + 1;
    if (reply >= 1 && reply <= static_cast<int>(ReplyTexts.size()))
        return ReplyTexts[static_cast<std::size_t>(reply - 1)];
    return "internal error";
}

std::string SocksMethodRequest(bool withPassword)
{
    return { static_cast<char>(Version), 1,
        static_cast<char>(withPassword ? MethodPassword : MethodNone) };
}

std::optional<std::string> SocksAuthRequest(const std::string& user, const std::string& password)
{
    if (user.size() > MaxField || password.size() > MaxField)
        return std::nullopt;
    std::string r;
    r += static_cast<char>(AuthVersion);
    r += static_cast<char>(user.size());
    r += user;
    r += static_cast<char>(password.size());
    r += password;
    return r;
}

std::optional<std::string> SocksConnectRequest(const std::string& host, std::uint16_t port)
{
    if (host.empty() || host.size() > MaxField)
        return std::nullopt;
    std::string r { static_cast<char>(Version), static_cast<char>(CommandConnect), 0,
        static_cast<char>(AddrName), static_cast<char>(host.size()) };
    r += host;
    r += static_cast<char>(port >> 8);
    r += static_cast<char>(port & 0xFF);
    return r;
}

TSocksReply ParseSocksMethodReply(std::string_view bytes)
{
    TSocksReply r = twoByteReply(bytes, Version);
    if (r.Status != TSocksReplyStatus::Done)
        return r;
    const unsigned method = byteAt(bytes, 1);
    if (method != MethodNone && method != MethodPassword)
        return failed(SocksErrors::MethodNotAcceptable);
    r.Method = static_cast<int>(method);
    return nothingAfter(bytes, r);
}

TSocksReply ParseSocksAuthReply(std::string_view bytes)
{
    TSocksReply r = twoByteReply(bytes, AuthVersion);
    if (r.Status == TSocksReplyStatus::Done && byteAt(bytes, 1) != 0)
        return failed(SocksErrors::AuthenticationFailed);
    return nothingAfter(bytes, r);
}

TSocksReply ParseSocksConnectReply(std::string_view bytes)
{
    // Each field is judged as soon as it has arrived: a refusal needs no more
    // bytes. The shortest reply holds an empty name: 7 bytes.
    constexpr std::size_t Shortest = 7;
    if (bytes.empty())
        return incomplete(Shortest);
    if (byteAt(bytes, 0) != Version)
        return failed(SocksErrors::VersionError);
    if (bytes.size() < 2)
        return incomplete(Shortest);
    if (const unsigned reply = byteAt(bytes, 1); reply != 0) {
        if (reply <= ReplyTexts.size())
            return failed(SocksErrors::GeneralFailure + static_cast<int>(reply) - 1);
        return failed(SocksErrors::UnassignedError, static_cast<int>(reply));
    }
    if (bytes.size() < 4)
        return incomplete(Shortest);
    std::size_t addrStart = 4;
    std::size_t addrLen = 4;
    const unsigned type = byteAt(bytes, 3);
    if (type == AddrName) {
        if (bytes.size() < 5)
            return incomplete(Shortest);
        addrStart = 5;
        addrLen = byteAt(bytes, 4);
    } else if (type != AddrIPv4) {
        return failed(SocksErrors::AddressTypeNotSupported);
    }
    const std::size_t used = addrStart + addrLen + 2;
    if (bytes.size() < used)
        return incomplete(used);
    TSocksReply r = done(used);
    if (type == AddrIPv4) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0)
                r.BoundAddr += '.';
            r.BoundAddr += std::to_string(byteAt(bytes, addrStart + i));
        }
    } else {
        r.BoundAddr.assign(bytes.substr(addrStart, addrLen));
    }
    const std::size_t portAt = addrStart + addrLen;
    r.BoundPort = std::to_string(byteAt(bytes, portAt) * 256 + byteAt(bytes, portAt + 1));
    return r;
}
