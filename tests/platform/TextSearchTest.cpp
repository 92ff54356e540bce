#include "platform/TextSearch.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct FindCase
{
    std::string text, pattern;
    int start, expected;
};

TEST(TextSearch, FindFrom)
{
    const FindCase cases[] = {
        { "xxabab", "ab", 1, 3 }, { "xxabab", "ab", 3, 3 }, { "xxabab", "ab", 4, 5 },
        { "xxabab", "ab", 6, 0 },
        { "abc", "ab", 0, 0 }, // start below 1, even with the pattern at 1
        { "abc", "ab", -5, 0 }, { "abc", "bc", 2, 2 }, // ends exactly at the last byte
        { "abc", "bcd", 2, 0 }, // would run one byte past the end
        { "abc", "c", 4, 0 }, // start past the end
        { "title", "Title", 1, 0 }, // case-sensitive
        { "", "a", 1, 0 }, { "abc", "", 1, 0 },
        { std::string("a\0b\xff", 4), std::string("\0b\xff", 3), 1, 2 }, // any byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFrom(c.text, c.pattern, c.start), c.expected)
            << c.text << " / " << c.pattern << " from " << c.start;
}

TEST(TextSearch, FindFromNoCaseEqualsSearchingALowerCaseCopy)
{
    const FindCase cases[] = {
        { "<TITLE>x</Title>", "</title>", 1, 9 },
        { "xxAbAB", "ab", 4, 5 },
        { "AB", "ab", 0, 0 },
        { "AB", "abc", 1, 0 },
        { "\xc0\xe0", "\xe0", 1, 2 }, // bytes above 127 match only themselves
        { "", "a", 1, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFromNoCase(c.text, c.pattern, c.start), c.expected) << c.text;

    // Random texts over a small alphabet, so that near-misses are common.
    std::mt19937 rng(7);
    const std::string alphabet = "aAbB<>/ \xc1";
    auto randomText = [&](size_t maxLen) {
        std::string s(rng() % (maxLen + 1), ' ');
        for (char& ch : s)
            ch = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string text = randomText(24);
        const std::string pattern = LowerCase(randomText(4));
        const int start = static_cast<int>(rng() % 28) - 2;
        ASSERT_EQ(FindFromNoCase(text, pattern, start), FindFrom(LowerCase(text), pattern, start))
            << text << " / " << pattern << " from " << start;
    }
}

TEST(TextSearch, LeftAndRightParts)
{
    EXPECT_EQ(RightPart("abc", 5), "abc");
    EXPECT_EQ(RightPart("abc", 0), "");
    EXPECT_EQ(RightPart("abc", -1), "");
    EXPECT_EQ(RightPart("abc", 2), "bc");
    EXPECT_EQ(LeftPart("abc", 2), "ab");
    EXPECT_EQ(LeftPart("abc", 9), "abc");
    EXPECT_EQ(LeftPart("abc", -3), "");
}

TEST(TextSearch, SkipCharAndTrimLeading)
{
    EXPECT_EQ(SkipChar("   ab", ' '), 4);
    EXPECT_EQ(SkipChar("   ", ' '), 0);
    EXPECT_EQ(SkipChar("", ' '), 0);
    EXPECT_EQ(TrimLeading("   ab", ' '), "ab");
    EXPECT_EQ(TrimLeading("   ", ' '), "   "); // all `ch`: comes back whole
    EXPECT_EQ(TrimLeading("", ' '), "");
    EXPECT_EQ(TrimLeading("ab  ", ' '), "ab  ");
}

TEST(TextSearch, TrimDropsOnlyTheGivenBytesAtTheEnds)
{
    const struct
    {
        std::string_view text, expected;
    } cases[] = { { " \tk e y\t ", "k e y" }, { "\x01k\x01", "\x01k\x01" }, { " \t \t", "" },
        { "", "" }, { "key", "key" } };
    for (const auto& c : cases)
        EXPECT_EQ(Trim(c.text, " \t"), c.expected) << "[" << c.text << "]";
}

TEST(TextSearch, ClampedCopyDeleteInsert)
{
    EXPECT_EQ(CopyStr("abcdef", 5, -1), "");
    EXPECT_EQ(CopyStr("abcdef", 0, 3), "abc");
    EXPECT_EQ(CopyStr("abcdef", 7, 1), "");
    EXPECT_EQ(CopyStr("abcdef", 5, 10), "ef");

    const struct
    {
        int index, count;
        std::string expected;
    } deletes[] = { { 0, 2, "abcdef" }, { 7, 1, "abcdef" }, { 2, 0, "abcdef" }, { 2, -1, "abcdef" },
        { 2, 2, "adef" }, { 5, 10, "abcd" } };
    for (const auto& d : deletes) {
        std::string s = "abcdef";
        DeleteStr(s, d.index, d.count);
        EXPECT_EQ(s, d.expected) << d.index << "," << d.count;
    }

    std::string s = "ab";
    InsertStr(s, " ", 0);
    EXPECT_EQ(s, " ab");
    InsertStr(s, "!", 99);
    EXPECT_EQ(s, " ab!");
    InsertStr(s, "", 2);
    EXPECT_EQ(s, " ab!");
    InsertStr(s, "-", 3);
    EXPECT_EQ(s, " a-b!");
}

TEST(TextSearch, CaseConversionTouchesAsciiLettersOnly)
{
    const std::string mixed = "aZ\xe9\xc9 1-\xff";
    EXPECT_EQ(UpperCase(mixed), "AZ\xe9\xc9 1-\xff");
    EXPECT_EQ(LowerCase(mixed), "az\xe9\xc9 1-\xff");
    EXPECT_EQ(UpperCase(mixed).size(), mixed.size());

    EXPECT_TRUE(EqualNoCase("Paths", "PATHS"));
    EXPECT_TRUE(EqualNoCase("", ""));
    EXPECT_FALSE(EqualNoCase("PATH", "PATHS"));
    EXPECT_FALSE(EqualNoCase("\xe9", "\xc9")); // only ASCII letters fold
}

} // namespace
