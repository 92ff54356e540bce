#include "net/http/ResponseFraming.h"
#include "net/http/HttpHeaderLine.h"

#include "platform/TextSearch.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view Blanks = " \t";

// Calls `fn` with each comma-separated element of `list`, trimmed and in lower case.
template <class Fn> void forEachToken(const std::string& list, Fn fn)
{
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view token
            = Trim(std::string_view(list).substr(from, comma - from), Blanks);
        if (!token.empty())
            fn(LowerCase(std::string(token)));
        from = comma + 1;
    }
}

std::optional<std::int64_t> decimal(std::string_view text)
{
    std::int64_t value = 0;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

void TResponseHead::Line(const std::string& line)
{
    // The status lines the client knows; any other line is read as a field.
    const std::string_view version = std::string_view(line).substr(0, 8);
    if (version == "HTTP/1.0" || version == "HTTP/1.1" || version == "HTTP/2.0") {
        *this = TResponseHead();
        m_http11 = version != "HTTP/1.0";
        return;
    }
    if (const auto field = SplitFieldLine(line))
        Field(LowerCase(std::string(field->Name)), std::string(field->Value));
}

void TResponseHead::Field(const std::string& name, const std::string& value)
{
    if (name == "connection") {
        forEachToken(value, [this](const std::string& token) {
            m_close = m_close || token == "close";
            m_keepAlive = m_keepAlive || token == "keep-alive";
        });
    } else if (name == "transfer-encoding") {
        // Over several fields the codings add up; the last one applied counts.
        forEachToken(value, [this](const std::string& token) {
            m_encoded = true;
            m_chunked = token == "chunked";
        });
    } else if (name == "content-length") {
        // A list of one value repeated ("5, 5") is that value.
        forEachToken(value, [this](const std::string& token) {
            const auto length = decimal(token);
            if (!length || (m_length && *m_length != *length))
                m_lengthFaulty = true;
            else
                m_length = length;
        });
        if (Trim(value, Blanks).empty())
            m_lengthFaulty = true;
    }
}

TResponseFraming FrameResponse(const TResponseHead& head, int status, bool headRequest)
{
    TResponseFraming framing;
    if (status == 101) // a protocol switch we never ask for: nothing more is HTTP
        return framing;
    if (headRequest || status == 204 || status == 304 || IsInterimStatus(status)) {
        framing.End = TBodyEnd::None;
    } else if (head.Encoded()) {
        // Chunked comes last or the body runs to the close; a length beside it is ignored.
        framing.End = head.Chunked() ? TBodyEnd::Chunked : TBodyEnd::Close;
    } else if (head.LengthFaulty()) {
        framing.End = TBodyEnd::Close;
    } else if (head.Length()) {
        framing.End = TBodyEnd::Length;
        framing.Length = *head.Length();
    }
    const bool persistent = head.Http11() ? !head.ConnectionClose()
                                          : head.ConnectionKeepAlive() && !head.ConnectionClose();
    framing.Reusable = persistent && framing.End != TBodyEnd::Close;
    return framing;
}

bool IsInterimStatus(int status)
{
    return status >= 100 && status < 200 && status != 101;
}
