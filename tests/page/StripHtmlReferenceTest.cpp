// The fast StripHtml against a word-for-word reference that restarts every
// search at position 1 and edits the text in place, on many random texts made
// of the markers and of arbitrary bytes.
#include "page/StripHtml.h"
#include "page/TextSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Replaces the found piece [pos, pos + len) by one blank.
void Blank(std::string& s, int pos, int len)
{
    DeleteStr(s, pos, len);
    InsertStr(s, " ", pos);
}

void ReferencePlain(std::string& s, const std::string& marker)
{
    for (int p; (p = FindFrom(s, marker, 1)) != 0;)
        Blank(s, p, static_cast<int>(marker.size()));
}

// A block pass: `open` up to `close` searched from `offset` after its start.
void ReferenceBlock(
    std::string& s, const std::string& open, const std::string& close, int offset, bool anyCase)
{
    for (;;) {
        const std::string hay = anyCase ? LowerCase(s) : s;
        const int p = FindFrom(hay, open, 1);
        if (p == 0)
            return;
        const int e = FindFrom(anyCase ? LowerCase(s) : s, close, p + offset);
        if (e == 0)
            Blank(s, p, 1);
        else
            Blank(s, p, e + static_cast<int>(close.size()) - p);
    }
}

std::string ReferenceStrip(std::string s, const std::string& separator)
{
    if (separator != " ")
        ReferencePlain(s, separator);
    ReferenceBlock(s, "<title>", "</title>", 7, true);
    ReferenceBlock(s, "<!", ">", 2, false);
    ReferenceBlock(s, "<style", "</style>", 1, true);
    ReferenceBlock(s, "<script", "</script>", 1, true);
    ReferenceBlock(s, "<", ">", 1, false);
    for (const char* m : { "&nbsp;", "&copy;", "nbsp", "\n", "\r", "\t" })
        ReferencePlain(s, m);
    InsertStr(s, " ", 1);
    for (int p; (p = FindFrom(s, "  ", 1)) != 0;)
        DeleteStr(s, p, 1);
    if (s.size() > 5)
        s = TrimLeading(s, ' ');
    return s;
}

std::string RandomText(std::mt19937& rng)
{
    static const std::vector<std::string> pieces = { "<title>", "</title>", "<TiTlE>", "</TITLE>",
        "<!", "<!--", "-->", "<", ">", "<style", "</style>", "<STYLE>", "</Style>", "<script",
        "</script>", "<SCRIPT>", "&nbsp;", "&NBSP;", "&copy;", "nbsp", "&", ";", "\r\n", "\r", "\n",
        "\t", " ", "  ", "a", "B", "|", "||", " |", "| ", "xy", "Y" };
    std::uniform_int_distribution<int> count(0, 40);
    std::uniform_int_distribution<size_t> pick(0, pieces.size());
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (int i = count(rng); i > 0; --i) {
        const size_t k = pick(rng);
        if (k == pieces.size())
            text += static_cast<char>(byte(rng));
        else
            text += pieces[k];
    }
    return text;
}

TEST(StripHtmlReference, SameResultAsRestartingEverySearch)
{
    // Separators that hold blanks are the ones where the filler can complete a
    // new occurrence, possibly starting before it.
    const std::string separators[]
        = { "", " ", "|", "||", " |", "| ", "  ", "| |", " Y ", "Y", "<", ">", "nbsp", "\r\n" };
    std::mt19937 rng(20261208);
    for (const auto& separator : separators) {
        for (int i = 0; i < 3000; ++i) {
            const std::string text = RandomText(rng);
            ASSERT_EQ(StripHtml(text, separator), ReferenceStrip(text, separator))
                << "[" << text << "] sep [" << separator << "]";
        }
    }
}

} // namespace
