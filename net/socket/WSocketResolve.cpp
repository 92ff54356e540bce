// The unit-level resolvers used by Connect and Listen.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"

#include <cctype>

namespace {

bool startsWithDigit(const std::string& s)
{
    return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])) != 0;
}

// Decimal digits up to the first other character; false when past `max`.
bool leadingNumber(const std::string& s, long max, long& value)
{
    value = 0;
    for (const char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            break;
        value = value * 10 + (c - '0');
        if (value > max)
            return false;
    }
    return true;
}

} // namespace

std::uint32_t WSocketResolveHost(const std::string& text)
{
    if (text.empty() || text.size() > 256)
        throw ESocketException("WSocketResolveHost: Invalid Hostname.");
    std::uint32_t addr = 0;
    if (text == "255.255.255.255")
        return 0xFFFFFFFFu;
    if (SocketEngine::parseDotted(text, addr))
        return addr;
    if (text.find('\0') == std::string::npos && SocketEngine::resolveName(text, addr))
        return addr;
    throw ESocketException("WSocketResolveHost: Cannot convert host address '" + text + "'");
}

std::uint16_t WSocketResolvePort(const std::string& text, const std::string& proto)
{
    if (text.empty() || text.size() > 31)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (startsWithDigit(text)) {
        long value = 0;
        if (leadingNumber(text, 65535, value))
            return static_cast<std::uint16_t>(value);
    } else {
        std::uint16_t port = 0;
        if (text.find('\0') == std::string::npos && SocketEngine::servicePort(text, proto, port))
            return port;
    }
    throw ESocketException("WSocketResolvePort: Cannot convert port '" + text + "'");
}

int WSocketResolveProto(const std::string& text)
{
    if (text.empty() || text.size() > 31)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    if (startsWithDigit(text)) {
        long value = 0;
        if (leadingNumber(text, 255, value))
            return static_cast<int>(value);
    } else {
        int number = 0;
        if (text.find('\0') == std::string::npos && SocketEngine::protocolNumber(text, number))
            return number;
    }
    throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + text + "'");
}
