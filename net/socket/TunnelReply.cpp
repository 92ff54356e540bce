#include "net/socket/TunnelReply.h"

namespace {

TTunnelReply refused(std::string text)
{
    TTunnelReply reply;
    reply.Status = TTunnelReplyStatus::Refused;
    reply.ErrorText = "proxy: " + std::move(text);
    return reply;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "HTTP/", a version without spaces, one space and three digits, then the end
// or a space before the reason.
bool isStatusLine(std::string_view line)
{
    if (!line.starts_with("HTTP/"))
        return false;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4)
        return false;
    const std::string_view code = line.substr(space + 1, 3);
    if (!isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
        return false;
    return line.size() == space + 4 || line[space + 4] == ' ';
}

// Printable for a message: control bytes become '?'.
std::string printable(std::string_view text)
{
    std::string shown(text.substr(0, 200));
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            c = '?';
    }
    return shown;
}

} // namespace

TTunnelReply ParseTunnelReply(std::string_view bytes)
{
    const std::size_t firstEnd = bytes.find('\n');
    if (firstEnd != std::string_view::npos) {
        std::string_view status = bytes.substr(0, firstEnd);
        if (status.ends_with('\r'))
            status.remove_suffix(1);
        // Judged as soon as it is whole: a refusal needs no more of the head.
        if (!isStatusLine(status))
            return refused("not an HTTP answer to CONNECT: " + printable(status));
        if (status[status.find(' ') + 1] != '2')
            return refused(printable(status));
        // The head ends at an empty line: LF LF, or LF CR LF.
        for (std::size_t at = firstEnd; at != std::string_view::npos;
             at = bytes.find('\n', at + 1)) {
            std::size_t next = at + 1;
            if (next < bytes.size() && bytes[next] == '\r')
                ++next;
            if (next < bytes.size() && bytes[next] == '\n') {
                TTunnelReply reply;
                reply.Status = TTunnelReplyStatus::Open;
                reply.Used = next + 1;
                return reply;
            }
        }
    }
    if (bytes.size() >= MaxTunnelReplyHead)
        return refused("answer to CONNECT too long");
    return {};
}
