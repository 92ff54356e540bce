#include "platform/TextSearch.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

int length(const std::string& text)
{
    return static_cast<int>(text.size());
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isLowerLetter(char c)
{
    return c >= 'a' && c <= 'z';
}

// The position of the first `c` in [from, end) of `text`, or `end` when none.
size_t findByte(std::string_view text, char c, size_t from, size_t end)
{
    if (from >= end)
        return end;
    const void* found = std::memchr(text.data() + from, c, end - from);
    return found == nullptr ? end
                            : static_cast<size_t>(static_cast<const char*>(found) - text.data());
}

} // namespace

int FindFrom(const std::string& text, const std::string& pattern, int start)
{
    if (text.empty() || pattern.empty() || start < 1 || start > length(text))
        return 0;
    if (pattern.size() > text.size() - static_cast<size_t>(start - 1))
        return 0;
    const auto found = std::string_view(text).find(pattern, static_cast<size_t>(start - 1));
    return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

int FindFromNoCase(std::string_view text, std::string_view lowerPattern, int start)
{
    if (text.empty() || lowerPattern.empty() || start < 1
        || static_cast<size_t>(start) > text.size())
        return 0;
    if (lowerPattern.size() > text.size() - static_cast<size_t>(start - 1))
        return 0;
    // Candidates are found by one byte of the pattern with memchr: its first
    // byte that is no letter (a blank only when it has nothing rarer), which
    // has one case only, or else its first letter in either case.
    const size_t n = lowerPattern.size();
    size_t anchor = n;
    for (size_t k = 0; k < n && (anchor == n || lowerPattern[anchor] == ' '); ++k) {
        if (!isLowerLetter(lowerPattern[k]) && (anchor == n || lowerPattern[k] != ' '))
            anchor = k;
    }
    if (anchor == n)
        anchor = 0;
    const char lowerAnchor = lowerPattern[anchor];
    const char upperAnchor = isLowerLetter(lowerAnchor) ? upper(lowerAnchor) : lowerAnchor;
    // The anchor byte of a candidate lies in [first, end).
    const size_t first = static_cast<size_t>(start - 1) + anchor;
    const size_t end = text.size() - n + anchor + 1;
    size_t nextLower = first;
    size_t nextUpper = lowerAnchor == upperAnchor ? end : first;
    nextLower = findByte(text, lowerAnchor, nextLower, end);
    nextUpper = findByte(text, upperAnchor, nextUpper, end);
    for (;;) {
        const size_t at = std::min(nextLower, nextUpper);
        if (at == end)
            return 0;
        const size_t candidate = at - anchor;
        size_t k = 0;
        while (k < n && lower(text[candidate + k]) == lowerPattern[k])
            ++k;
        if (k == n)
            return static_cast<int>(candidate) + 1;
        if (at == nextLower)
            nextLower = findByte(text, lowerAnchor, at + 1, end);
        else
            nextUpper = findByte(text, upperAnchor, at + 1, end);
    }
}

std::string LeftPart(const std::string& text, int n)
{
    return CopyStr(text, 1, n);
}

std::string RightPart(const std::string& text, int n)
{
    if (n <= 0)
        return {};
    return CopyStr(text, length(text) - n + 1, n);
}

int SkipChar(const std::string& text, char ch)
{
    const auto found = text.find_first_not_of(ch);
    return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

std::string TrimLeading(const std::string& text, char ch)
{
    // Position 0 (all `ch`, or empty) is treated as 1 by the copy: the text stays whole.
    return CopyStr(text, SkipChar(text, ch), length(text));
}

std::string_view Trim(std::string_view text, std::string_view drop)
{
    const auto first = text.find_first_not_of(drop);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(drop) - first + 1);
}

std::string CopyStr(const std::string& text, int index, int count)
{
    if (index < 1)
        index = 1;
    if (index > length(text) || count <= 0)
        return {};
    return text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void DeleteStr(std::string& text, int index, int count)
{
    if (index < 1 || index > length(text) || count <= 0)
        return;
    text.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void InsertStr(std::string& text, const std::string& piece, int index)
{
    if (index < 1)
        index = 1;
    if (index > length(text))
        index = length(text) + 1;
    text.insert(static_cast<size_t>(index - 1), piece);
}

std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = upper(c);
    return text;
}

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = lower(c);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}
