#include "platform/Utf8Cut.h"

namespace {

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence that starts at `at`, or 0 when
// none does there: an overlong form, a surrogate, a value past U+10FFFF and a
// sequence cut short by the text's end are not well-formed.
std::size_t sequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80; // the range of the second byte
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(byte(at + i)))
            return 0;
    }
    return length;
}

} // namespace

std::size_t Utf8CutLength(std::string_view text, std::size_t n)
{
    if (n >= text.size() || n == 0 || !isContinuation(static_cast<unsigned char>(text[n])))
        return n >= text.size() ? text.size() : n;
    // A sequence is at most four bytes long, and only continuation bytes
    // follow its first: the byte that may start the one the cut falls in is
    // the first byte before the cut that is no continuation, at most three back.
    for (std::size_t start = n; start-- > 0 && n - start <= 3;) {
        if (!isContinuation(static_cast<unsigned char>(text[start])))
            return start + sequenceLength(text, start) > n ? start : n;
    }
    return n;
}

std::string LeftPartUtf8(const std::string& text, int n)
{
    if (n <= 0)
        return {};
    return text.substr(0, Utf8CutLength(text, static_cast<std::size_t>(n)));
}
