#include "platform/TextSearch.h"

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
    const size_t last = text.size() - lowerPattern.size();
    for (size_t i = static_cast<size_t>(start - 1); i <= last; ++i) {
        size_t k = 0;
        while (k < lowerPattern.size() && lower(text[i + k]) == lowerPattern[k])
            ++k;
        if (k == lowerPattern.size())
            return static_cast<int>(i) + 1;
    }
    return 0;
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
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
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
