#include "PumpCounter.h"
#include "page/StripHtml.h"
#include "page/Title.h"

#include <gtest/gtest.h>

namespace {

struct TitleCase
{
    std::string page;
    std::string expected;
};

TEST(Title, GetTitle)
{
    const TitleCase cases[] = {
        { "<html><head><title>Home Page</title></head>", "Home Page" },
        { "<title>Home</title>", "Home" }, // shorter than the closing tag
        { "<TITLE>Caps <b>and</b> Tags</Title>", "Caps <b>and</b> Tags" },
        { "<title></title>", "" },
        { "no title tags at all", "" },
        { "<title>never closed", "" },
        { "<html><title lang=\"en\">My Site</title>", "<title lang=\"en\">My Site" }, // from 7
        { "</title><title>X</title>", "X" }, // the closing tag after the opening one
        { "text<title>", "" }, // the opening tag at the very end
        { "abc", "" },
        { std::string("<title>\0\xff\r\n</title>", 19), std::string("\0\xff\r\n", 4) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetTitle(c.page), c.expected) << c.page;
}

TEST(Title, PumpsOnce)
{
    PumpCounter pumps;
    GetTitle("<title>a</title>");
    EXPECT_EQ(pumps.count(), 1);
}

struct StripCase
{
    std::string text;
    std::string separator;
    std::string expected;
};

TEST(StripHtml, FlattensPageText)
{
    const StripCase cases[] = {
        { "", "", " " }, { "Home", "", " Home" }, // 5 bytes keep the leading blank
        { "Hello", "", "Hello" },
        { "<p>Hello\r\nWorld</p>", "", "Hello World " }, // the trailing blank stays
        { "left|right", "|", "left right" },
        { "xXx", "X", " x x" }, // only the upper-case letter is the separator
        { "a b", " ", " a b" }, // a lone blank separator changes nothing
        { "a ||b", " |", " a b" }, // a filler completes the next separator
        { "a||||b", "||", " a b" }, { "<title>T</title>bodytext", "", "bodytext" },
        { "<title>abc", "", "title>abc" }, // unclosed: only the '<' goes
        { "<TITLE>T</title><Title>U</TITLE>words", "", "words" },
        { "before<script>if (a < b) go();</script>after", "", "before after" },
        { "x<SCRIPT>alert(1)", "", "x SCRIPT>alert(1)" },
        { "<Style>p { }</STYLE>texts", "", "texts" }, { "<style>unclosed", "", "style>unclosed" },
        { "a<!-- b > c <i>d</i> -->e", "", "a c d -->e" }, { "<!DOCTYPE html>words", "", "words" },
        { "<!unclosed", "", "!unclosed" }, { "a>b and more", "", "a>b and more" },
        { "<bold text", "", "bold text" }, { "&NBSP;stays", "", "&NBSP;stays" },
        { "a&nbspb", "", " a& b" }, { "unbspoken", "", "u oken" },
        { "x&nbsp;&copy;y&amp;&lt;&#169;", "", "x y&amp;&lt;&#169;" },
        { "a\tb\r\rc\n\nd", "", "a b c d" },
        { "  lots   of\r\n\r\n  blanks  ", "", "lots of blanks " },
        { "<a|b>xx|yy", "|", "xx yy" }, // the separator goes first, then the tag
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripHtml(c.text, c.separator), c.expected)
            << "[" << c.text << "] sep [" << c.separator << "]";
}

TEST(StripHtml, PumpsBeforeReturning)
{
    PumpCounter pumps;
    StripHtml("<b>x</b>", "");
    EXPECT_GE(pumps.count(), 1);
}

} // namespace
