#pragma once

// StripHtml written the slow, obvious way: every search restarts at the first
// byte (1-based position 1) and the text is edited in place. Quadratic, so only
// for small inputs; the tests and the fuzzer compare the real one against it.
#include "platform/TextSearch.h"

#include <string>

namespace reference {

// Replaces the found piece [pos, pos + len) by one blank.
inline void blank(std::string& s, int pos, int len)
{
    DeleteStr(s, pos, len);
    InsertStr(s, " ", pos);
}

inline void replacePlain(std::string& s, const std::string& marker)
{
    for (int p; (p = FindFrom(s, marker, 1)) != 0;)
        blank(s, p, static_cast<int>(marker.size()));
}

// One kind of block: `open` up to `close`, the close searched from `offset`
// bytes after the start of `open`.
inline void replaceBlock(
    std::string& s, const std::string& open, const std::string& close, int offset, bool anyCase)
{
    for (;;) {
        const std::string hay = anyCase ? LowerCase(s) : s;
        const int p = FindFrom(hay, open, 1);
        if (p == 0)
            return;
        const int e = FindFrom(anyCase ? LowerCase(s) : s, close, p + offset);
        if (e == 0)
            blank(s, p, 1);
        else
            blank(s, p, e + static_cast<int>(close.size()) - p);
    }
}

inline std::string stripHtml(std::string s, const std::string& separator)
{
    if (separator != " ")
        replacePlain(s, separator);
    replaceBlock(s, "<title>", "</title>", 7, true);
    replaceBlock(s, "<!", ">", 2, false);
    replaceBlock(s, "<style", "</style>", 1, true);
    replaceBlock(s, "<script", "</script>", 1, true);
    replaceBlock(s, "<", ">", 1, false);
    for (const char* m : { "&nbsp;", "&copy;", "nbsp", "\n", "\r", "\t" })
        replacePlain(s, m);
    InsertStr(s, " ", 1);
    for (int p; (p = FindFrom(s, "  ", 1)) != 0;)
        DeleteStr(s, p, 1);
    if (s.size() > 5)
        s = TrimLeading(s, ' ');
    return s;
}

} // namespace reference
