#include "platform/Utf8Cut.h"

#include <gtest/gtest.h>

namespace {

struct CutCase
{
    const char* what;
    std::string text;
    std::size_t n;
    std::size_t kept;
};

TEST(Utf8Cut, MovesBackOnlyOutOfWellFormedSequences)
{
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    const std::string smile = "\xF0\x9F\x98\x80"; // four bytes
    const CutCase cases[] = {
        { "ASCII", "abcdef", 3, 3 },
        { "whole text", "ab\xC3\xA9", 9, 4 },
        { "exactly the length", "ab\xC3\xA9", 4, 4 },
        { "nothing kept", "\xC3\xA9", 0, 0 },
        { "after a whole character", "\xC3\xA9z", 2, 2 },
        { "inside a two-byte character", "a\xC3\xA9z", 2, 1 },
        { "after the first of three", "a" + euro, 2, 1 },
        { "after the second of three", "a" + euro, 3, 1 },
        { "after the first of four", "a" + smile, 2, 1 },
        { "after the third of four", "a" + smile, 4, 1 },
        { "after a four-byte character", smile + smile, 4, 4 },
        // Bytes that are not well-formed UTF-8 are cut where the count falls.
        { "stray continuation bytes", "ab\x80\x80\x80\x80", 4, 4 },
        { "a character cut short by the end", "ab\xE2\x82", 3, 3 },
        { "a lead byte without continuation", "a\xC3z\x80", 2, 2 },
        { "an overlong form", "a\xC0\xAFz", 2, 2 },
        { "an overlong three-byte form", "a\xE0\x80\xAFz", 3, 3 },
        { "a surrogate", "a\xED\xA0\x80z", 3, 3 },
        { "past U+10FFFF", "a\xF4\x90\x80\x80z", 3, 3 },
        { "five continuations after a lead", "\xF0\x80\x80\x80\x80\x80", 5, 5 },
        { "Latin-1 text", "caf\xE9 cr\xE8me", 4, 4 },
        { "continuation after a whole character", "a" + euro + "\x80", 4, 4 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8CutLength(c.text, c.n), c.kept) << c.what;
}

TEST(Utf8Cut, LeftPartKeepsWholeCharacters)
{
    EXPECT_EQ(LeftPartUtf8("a\xC3\xA9z", 2), "a");
    EXPECT_EQ(LeftPartUtf8("a\xC3\xA9z", 3), "a\xC3\xA9");
    EXPECT_EQ(LeftPartUtf8("abc", 9), "abc");
    EXPECT_EQ(LeftPartUtf8("abc", 0), "");
    EXPECT_EQ(LeftPartUtf8("abc", -2), "");
}

} // namespace
