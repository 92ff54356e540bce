#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reading an HTTP proxy's answer to "CONNECT host:port": a pure function over
// the bytes received so far, which the socket drives like the SOCKS replies.

// The longest answer head read; a proxy sending more is taken as refusing.
constexpr std::size_t MaxTunnelReplyHead = 16384;

// How far the bytes received so far take the answer.
enum class TTunnelReplyStatus { Incomplete, Open, Refused };

struct TTunnelReply
{
    TTunnelReplyStatus Status = TTunnelReplyStatus::Incomplete;
    // When Open: the bytes the head took; later bytes are the destination's.
    std::size_t Used = 0;
    // When Refused: why, for people ("proxy: HTTP/1.0 407 Proxy Authentication Required").
    std::string ErrorText;
};

// Reads the answer head, which ends at the first empty line (lines end in LF,
// a CR before it allowed). A status line "HTTP/<version> 2xx ..." opens the
// tunnel; any other status, a first line that is no status line, or a head
// longer than MaxTunnelReplyHead refuses it.
TTunnelReply ParseTunnelReply(std::string_view bytes);
