#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a response's head says of where its body ends and whether its
// connection may carry another request: the client needs both to keep a
// connection open between requests. Pure functions of the header lines.

// The head's lines that matter for it, gathered one line at a time.
class TResponseHead
{
public:
    // Takes one non-empty header line as received (without its line end): a
    // status line starts the head afresh, a field is read by its name.
    void Line(const std::string& line);

    // The status line names HTTP/1.1 or later: the connection stays open
    // unless the server says "Connection: close".
    bool Http11() const { return m_http11; }
    bool ConnectionClose() const { return m_close; }
    bool ConnectionKeepAlive() const { return m_keepAlive; }
    // A Transfer-Encoding was named, and whether its last coding is chunked.
    bool Encoded() const { return m_encoded; }
    bool Chunked() const { return m_chunked; }
    // The Content-Length all such fields agree on; none when absent, and none
    // with LengthFaulty when one is not a decimal number or two disagree.
    std::optional<std::int64_t> Length() const { return m_length; }
    bool LengthFaulty() const { return m_lengthFaulty; }

private:
    void Field(const std::string& name, const std::string& value);

    bool m_http11 = false;
    bool m_close = false;
    bool m_keepAlive = false;
    bool m_encoded = false;
    bool m_chunked = false;
    std::optional<std::int64_t> m_length;
    bool m_lengthFaulty = false;
};

// Where a response's body ends.
enum class TBodyEnd : std::uint8_t {
    None, // it has none: the head is the whole response
    Length, // after Content-Length bytes
    Chunked, // after the last chunk and its trailer
    Close, // when the server closes the connection
};

struct TResponseFraming
{
    TBodyEnd End = TBodyEnd::Close;
    std::int64_t Length = 0; // for TBodyEnd::Length
    // The connection may carry the next request once the body has ended.
    bool Reusable = false;
};

// The framing of a final response (status 101 or 200 and above) with `head`
// and `status`, to a HEAD request when `headRequest`.
TResponseFraming FrameResponse(const TResponseHead& head, int status, bool headRequest);

// A response that only announces the final one (100 to 199 but 101): its
// head is followed by the next response's head, with no body between.
bool IsInterimStatus(int status);
