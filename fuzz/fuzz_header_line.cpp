// Response header lines on arbitrary bytes. A status line ("HTTP/1.0",
// "HTTP/1.1", "HTTP/2.0") gives a three-digit code and the rest of the line
// from its 0-based offset 13 as the reason, or raises EConvertError; any other
// line with a colon is a field whose lower-case name is the text before the
// first colon and whose value is a tail of the line; a line without either is
// neither. A content length is accepted exactly when it is an optional minus
// and decimal digits that fit 64 bits, and then gives their value.
#include "fuzz/FuzzCheck.h"
#include "net/http/HttpHeaderLine.h"
#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return tail.size() <= text.size()
        && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool isStatusLine(const std::string& line)
{
    const std::string version = line.substr(0, 8);
    return version == "HTTP/1.0" || version == "HTTP/1.1" || version == "HTTP/2.0";
}

void checkHeaderLine(const std::string& line)
{
    THeaderLine parsed;
    try {
        parsed = ParseHeaderLine(line);
    } catch (const EConvertError&) {
        FUZZ_CHECK(isStatusLine(line));
        return;
    }
    switch (parsed.Kind) {
    case THeaderLineKind::Status:
        FUZZ_CHECK(isStatusLine(line));
        FUZZ_CHECK(parsed.StatusCode >= 0 && parsed.StatusCode <= 999);
        FUZZ_CHECK(std::to_string(1000 + parsed.StatusCode).substr(1) == line.substr(9, 3));
        FUZZ_CHECK(parsed.ReasonPhrase == (line.size() > 13 ? line.substr(13) : ""));
        break;
    case THeaderLineKind::Field:
        FUZZ_CHECK(!isStatusLine(line));
        FUZZ_CHECK(parsed.Name.size() == line.find(':'));
        FUZZ_CHECK(parsed.Name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
        FUZZ_CHECK(parsed.Name.size() + parsed.Value.size() < line.size());
        FUZZ_CHECK(endsWith(line, parsed.Value));
        break;
    case THeaderLineKind::Other:
        FUZZ_CHECK(!isStatusLine(line) && line.find(':') == std::string::npos);
        break;
    }
}

void checkContentLength(const std::string& value)
{
    const bool negative = !value.empty() && value[0] == '-';
    std::string digits = value.substr(negative ? 1 : 0);
    const bool wellFormed
        = !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    const std::string canonical = (negative && digits != "0" ? "-" : "") + digits;
    try {
        const std::int64_t length = ParseContentLength(value);
        FUZZ_CHECK(wellFormed);
        FUZZ_CHECK(std::to_string(length) == canonical);
    } catch (const EConvertError&) {
        // Only a malformed text or one beyond 64 bits (19 digits or more) is refused.
        FUZZ_CHECK(!wellFormed || digits.size() >= 19);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    if (!line.empty())
        checkHeaderLine(line);
    checkContentLength(line);
    const auto colon = line.find(':');
    if (colon != std::string::npos)
        checkContentLength(line.substr(colon + 1));
    return 0;
}
