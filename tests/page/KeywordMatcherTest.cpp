// The keyword lists' automaton against the plain search it replaces: each
// entry looked for in turn in an upper-cased copy of the page.
#include "page/KeywordMatcher.h"
#include "PumpCounter.h"
#include "platform/TextSearch.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Entries = std::vector<std::string>;

// The first entry in list order that a plain search finds in the upper-cased text.
std::optional<std::size_t> plainFirstFound(const std::string& text, const Entries& entries)
{
    const std::string upperText = UpperCase(text);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (FindFrom(upperText, entries[i], 1) != 0)
            return i;
    }
    return std::nullopt;
}

struct MatchCase
{
    const char* what;
    Entries entries;
    std::string text;
    std::optional<std::size_t> first;
};

TEST(KeywordMatcher, FindsTheFirstEntryInListOrder)
{
    const MatchCase rows[] = {
        { "no entries", {}, "anything", std::nullopt },
        { "one entry, any letter case", { "SECRET" }, "a SeCrEt word", 0 },
        { "not there", { "SECRET" }, "a secre t word", std::nullopt },
        { "list order, not page order", { "LATE", "EARLY" }, "early ... late", 0 },
        { "a later entry only", { "NONE", "WORD" }, "one word", 1 },
        { "inside mark-up", { "HIDDEN" }, "<!-- hidden --><p>text</p>", 0 },
        { "an entry inside another", { "GARDENING", "DEN" }, "the garden", 1 },
        { "suffix of a partial match", { "ABCX", "BC" }, "abcy", 1 },
        { "overlapping entries", { "ANANAS", "NAN" }, "banana", 1 },
        { "a repeated prefix", { "AAB" }, "aaaab", 0 },
        { "at the very end", { "END" }, "the end", 0 },
        { "longer than the text", { "LONGER" }, "long", std::nullopt },
        { "an empty entry never matches", { "", "X" }, "x", 1 },
        { "a lower-case entry never matches", { "word", "WORD" }, "word", 1 },
        { "only lower-case entries", { "word" }, "word WORD", std::nullopt },
        { "bytes above 127 exactly", { "\xC3\xA9T\xC3\xA9" }, "\xC3\xA9t\xC3\xA9", 0 },
        { "no case for bytes above 127", { "\xC3\x89T\xC3\x89" }, "\xC3\xA9t\xC3\xA9",
            std::nullopt },
        { "blanks and digits", { "404 NOT FOUND" }, "Error 404 Not Found", 0 },
        { "duplicate entries keep the first", { "DUP", "DUP" }, "dup", 0 },
        { "empty text", { "A" }, "", std::nullopt },
    };
    for (const auto& row : rows) {
        const TKeywordMatcher matcher(row.entries);
        EXPECT_EQ(matcher.FirstFound(row.text), row.first) << row.what;
        EXPECT_EQ(matcher.AnyFound(row.text), row.first.has_value()) << row.what;
    }
}

TEST(KeywordMatcher, AgreesWithThePlainSearch)
{
    // Small alphabets make partial matches, overlaps and shared prefixes common.
    std::mt19937 random(5);
    const std::string textBytes = "aAbBc \xC3";
    const std::string entryBytes = "ABC \xC3";
    const auto randomString = [&random](const std::string& alphabet, std::size_t most) {
        std::string s(random() % (most + 1), ' ');
        for (char& c : s)
            c = alphabet[random() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 5000; ++i) {
        Entries entries(random() % 6);
        for (auto& entry : entries)
            entry = randomString(entryBytes, 4);
        const std::string text = randomString(textBytes, 40);
        const TKeywordMatcher matcher(entries);
        ASSERT_EQ(matcher.FirstFound(text), plainFirstFound(text, entries))
            << testing::PrintToString(entries) << " in " << testing::PrintToString(text);
        ASSERT_EQ(matcher.AnyFound(text), plainFirstFound(text, entries).has_value());
    }
}

TEST(KeywordMatcher, ALargePageLeavesTheWindowItsTurns)
{
    const std::string page(std::size_t { 3 } << 20, 'x');
    const TKeywordMatcher matcher({ "ABSENT", "ALSO ABSENT" });
    const PumpCounter pumps;
    EXPECT_FALSE(matcher.FirstFound(page));
    EXPECT_GE(pumps.count(), 3);
}

} // namespace
