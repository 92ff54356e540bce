// The cuts of a record's text fields, as pure functions: a cut by length
// never leaves half a UTF-8 character at a field's end.
#include "crawl/PageRecord.h"

#include <gtest/gtest.h>

namespace {

const std::string E = "\xC3\xA9"; // two bytes
const std::string Euro = "\xE2\x82\xAC"; // three bytes
const std::string Smile = "\xF0\x9F\x98\x80"; // four bytes

struct TitleCase
{
    const char* what;
    std::string title;
    std::string field;
};

TEST(RecordFields, TitleCutOffKeepsWholeCharacters)
{
    const std::string a69(69, 'a');
    const std::string a68(68, 'a');
    const std::string a67(67, 'a');
    // The 70th byte is the cut-off's last: inside a character, the cut moves
    // back to the character's first byte and "..." follows as for any cut.
    const TitleCase rows[] = {
        { "70th byte the first of two", a69 + E + "z", a69 + "..." },
        { "70th byte the second of two", a68 + E + "z", a68 + E + "..." },
        { "70th byte the first of three", a69 + Euro, a69 + "..." },
        { "70th byte the second of three", a68 + Euro + "z", a68 + "..." },
        { "70th byte the last of three", a67 + Euro + "z", a67 + Euro + "..." },
        { "70th byte the third of four", a67 + Smile, a67 + "..." },
        { "70th byte the second of four", a68 + Smile, a68 + "..." },
        { "70th byte the last of four", std::string(66, 'a') + Smile + "z",
            std::string(66, 'a') + Smile + "..." },
        // Not well-formed: cut by bytes as before.
        { "Latin-1 bytes", std::string(69, '\xE9') + "\xE9\xE9", std::string(70, '\xE9') + "..." },
        { "stray continuation bytes", a69 + "\x80\x80", a69 + "\x80..." },
        { "a character cut short", a69 + "\xE2\x82", a69 + "\xE2..." },
        // A title of at most 70 bytes stays whole, whatever it ends with.
        { "exactly 70 bytes", a68 + E, a68 + E },
        { "ends in half a character", a69 + "\xC3", a69 + "\xC3" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(TitleField(row.title, 70), row.field) << row.what;
    EXPECT_EQ(TitleField(E + E, 1), "...");
    EXPECT_EQ(TitleField(E, 0), "...");
}

TEST(RecordFields, DescriptionAndKeywordsKeepWholeCharacters)
{
    const std::string body = std::string(254, 'b') + Euro + " tail";
    EXPECT_EQ(DescriptionField("", body, false, 255), std::string(254, 'b'));
    EXPECT_EQ(DescriptionField("", body, false, 257), std::string(254, 'b') + Euro);
    const std::string meta = "A meta description " + Smile + " long";
    EXPECT_EQ(DescriptionField(meta, "unused", true, 21), "A meta description ");
    EXPECT_EQ(DescriptionField(meta, "unused", true, 23), "A meta description " + Smile);

    const std::string keywords = std::string(74, 'k') + E + ", more";
    EXPECT_EQ(KeywordsField(keywords), std::string(74, 'k'));
    EXPECT_EQ(KeywordsField(std::string(73, 'k') + E + "x"), std::string(73, 'k') + E);
    EXPECT_EQ(KeywordsField(std::string(74, 'k') + "\xE9\xE9"), std::string(74, 'k') + "\xE9");
}

TEST(RecordFields, AnalysedHeadEndsOnACharacter)
{
    const std::string page = std::string(AnalysedLength - 2, 'p') + Smile + "rest";
    EXPECT_EQ(AnalysedHead(page), std::string(AnalysedLength - 2, 'p'));
    const std::string latin = std::string(AnalysedLength - 1, 'p') + "\xE9\xE9";
    EXPECT_EQ(AnalysedHead(latin), latin.substr(0, AnalysedLength));
    EXPECT_EQ(AnalysedHead("short " + E), "short " + E);
}

} // namespace
