#include "page/StripHtml.h"

#include "platform/Pump.h"
#include "platform/TextSearch.h"

#include <string_view>

namespace {

// What every removed piece becomes.
constexpr char Filler = ' ';
constexpr auto NotFound = std::string_view::npos;

// The separator goes first. Each occurrence becomes a blank and the search
// starts again from the beginning, so a blank left by one replacement can
// complete a separator that holds a blank, even one that began before it. Emitting byte by byte and
// replacing as soon as the output ends with the separator finds exactly those occurrences in the
// same order: the output never holds one, so an occurrence ending at its tail is the leftmost one
// of the whole text. Each replacement shortens the text (a one-byte separator other than the filler
// cannot match the filler), except for a lone blank, which would replace itself for ever and is
// left alone.
std::string replaceSeparator(const std::string& text, const std::string& separator)
{
    if (separator.empty() || separator == std::string(1, Filler))
        return text;
    const size_t n = separator.size();
    const char last = separator.back();
    std::string out;
    out.reserve(text.size());
    // Only a byte equal to the separator's last one can complete an
    // occurrence: the runs between such bytes are copied whole.
    size_t cursor = 0;
    while (cursor < text.size()) {
        const size_t at = text.find(last, cursor);
        if (at == NotFound) {
            out.append(text, cursor);
            break;
        }
        out.append(text, cursor, at + 1 - cursor);
        cursor = at + 1;
        while (out.size() >= n && out.back() == last
            && out.compare(out.size() - n, n, separator) == 0) {
            out.resize(out.size() - n);
            out.push_back(Filler);
            pumpTick();
        }
    }
    pumpTick();
    return out;
}

struct BlockMarkers
{
    std::string_view open;
    std::string_view close;
    size_t closeOffset; // where the close search starts, from the start of `open`
    bool anyCase;
};

// The blocks, one kind at a time (title element, declarations and comments,
// style and script blocks, then every tag): each `open` with everything through
// the next `close` becomes one blank; without a `close` only the opening '<'
// does. No marker holds a blank, so the search may resume after the inserted
// blank with the same result as starting again from the beginning. The close searches start further
// right each time: one answer serves until its start is passed, and a miss stays a miss, which
// keeps an unclosed block repeated many times linear.
std::string replaceBlocks(std::string text, const BlockMarkers& m)
{
    // A text without the opening marker is kept as it is: no folded copy, no copy.
    if (m.anyCase ? FindFromNoCase(text, m.open, 1) == 0 : text.find(m.open) == NotFound) {
        pumpTick();
        return text;
    }
    const std::string folded = m.anyCase ? LowerCase(text) : std::string();
    const std::string_view hay = m.anyCase ? std::string_view(folded) : std::string_view(text);
    std::string out;
    out.reserve(text.size());
    size_t cursor = 0;
    size_t close = 0;
    bool closeSearched = false;
    for (;;) {
        const size_t open = hay.find(m.open, cursor);
        pumpTick();
        if (open == NotFound)
            break;
        const size_t from = open + m.closeOffset;
        if (!closeSearched || (close != NotFound && close < from)) {
            close = hay.find(m.close, from);
            closeSearched = true;
        }
        out.append(text, cursor, open - cursor);
        out.push_back(Filler);
        cursor = close == NotFound ? open + 1 : close + m.close.size();
    }
    out.append(text, cursor);
    return out;
}

// The entities, the bare "nbsp", line breaks and tabs, one marker at a time:
// each occurrence becomes one blank, left to right.
std::string replaceAll(std::string text, std::string_view marker)
{
    if (text.find(marker) == NotFound) {
        pumpTick();
        return text;
    }
    const std::string_view hay(text);
    std::string out;
    out.reserve(text.size());
    size_t cursor = 0;
    for (;;) {
        const size_t found = hay.find(marker, cursor);
        pumpTick();
        if (found == NotFound)
            break;
        out.append(text, cursor, found - cursor);
        out.push_back(Filler);
        cursor = found + marker.size();
    }
    out.append(text, cursor);
    return out;
}

// Last the blanks: a leading blank, every run of blanks cut to one (dropping
// the first blank of each pair is the same as keeping the last), and the
// leading blank removed again from a text longer than 5 bytes.
std::string collapse(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 1);
    out.push_back(Filler);
    // The runs up to and with the next blank are copied whole; the blanks
    // right after one are dropped.
    size_t cursor = 0;
    while (cursor < text.size()) {
        while (cursor < text.size() && text[cursor] == Filler && out.back() == Filler) {
            pumpTick();
            ++cursor;
        }
        const size_t blank = text.find(Filler, cursor);
        const size_t end = blank == NotFound ? text.size() : blank + 1;
        out.append(text, cursor, end - cursor);
        cursor = end;
    }
    if (out.size() > 5)
        out = TrimLeading(out, Filler);
    return out;
}

} // namespace

std::string StripHtml(const std::string& text, const std::string& separator)
{
    std::string s = replaceSeparator(text, separator);
    static const BlockMarkers blocks[] = {
        { "<title>", "</title>", 7, true },
        { "<!", ">", 2, false },
        { "<style", "</style>", 1, true },
        { "<script", "</script>", 1, true },
        { "<", ">", 1, false },
    };
    for (const auto& b : blocks)
        s = replaceBlocks(std::move(s), b);
    for (const std::string_view marker : { "&nbsp;", "&copy;", "nbsp", "\n", "\r", "\t" })
        s = replaceAll(std::move(s), marker);
    s = collapse(s);
    pumpMessages();
    return s;
}
