#include "settings/ListValue.h"
#include "platform/Errors.h"
#include "settings/StrToInt.h"

#include <gtest/gtest.h>

namespace {

std::string numbered(int from, int count)
{
    TStringList entries;
    for (int i = from; i < from + count; ++i)
        entries.push_back("E" + std::to_string(i));
    return JoinListValue(entries);
}

struct SplitRow
{
    std::string value;
    TStringList entries;
};

TEST(ListValue, SplitsIntoAtMost100EntriesUpToTheFirstEmptySlot)
{
    const SplitRow rows[] = {
        { "", {} },
        { "A", { "A" } },
        { "A,B,C", { "A", "B", "C" } },
        { "A,B,", { "A", "B" } },
        { ",A", {} },
        { ",", {} },
        { "A,,B", { "A" } },
        { "a, b", { "a", " b" } },
        { "A B ,;x", { "A B ", ";x" } },
    };
    for (const SplitRow& row : rows)
        EXPECT_EQ(SplitListValue(row.value), row.entries) << "'" << row.value << "'";

    const TStringList hundred = SplitListValue(numbered(1, 120));
    ASSERT_EQ(hundred.size(), 100u);
    EXPECT_EQ(hundred.front(), "E1");
    EXPECT_EQ(hundred.back(), "E100");
    // Exactly 100 entries with nothing after them loses none.
    EXPECT_EQ(SplitListValue(numbered(1, 100)).size(), 100u);
}

TEST(ListValue, InsertSortedIgnoresLetterCaseAndKeepsDuplicates)
{
    TStringList list;
    for (const char* entry : { "org", "COM", "net", "Edu", "com", "a.b", "_x", "Net" }) {
        const std::size_t place = InsertSorted(list, entry);
        // The index handed back is where the entry went, also when the list grew.
        ASSERT_LT(place, list.size());
        EXPECT_EQ(list[place], entry);
    }
    // "_" sorts after the upper-case letters, as in an upper-cased copy.
    EXPECT_EQ(list, (TStringList { "a.b", "COM", "com", "Edu", "net", "Net", "org", "_x" }));
}

struct IntRow
{
    std::string text;
    bool valid;
    int32_t value;
};

TEST(StrToInt, AcceptsOnlySignedDecimalDigitsWithinInt32)
{
    const IntRow rows[] = {
        { "0", true, 0 },
        { "70", true, 70 },
        { "+5", true, 5 },
        { "-1", true, -1 },
        { "007", true, 7 },
        { "2147483647", true, 2147483647 },
        { "-2147483648", true, -2147483647 - 1 },
        { "000000000000000000000012", true, 12 },
        { "2147483648", false, 0 },
        { "-2147483649", false, 0 },
        { "99999999999999999999999", false, 0 },
        { "", false, 0 },
        { "+", false, 0 },
        { "-", false, 0 },
        { "+-1", false, 0 },
        { " 1", false, 0 },
        { "1 ", false, 0 },
        { "0X10", false, 0 },
        { "$10", false, 0 },
        { "1E3", false, 0 },
        { "1.0", false, 0 },
        { "YES", false, 0 },
        { "1\t", false, 0 },
    };
    for (const IntRow& row : rows) {
        if (row.valid) {
            EXPECT_EQ(StrToInt(row.text), row.value) << row.text;
            continue;
        }
        try {
            StrToInt(row.text);
            ADD_FAILURE() << "accepted '" << row.text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), "'" + row.text + "' is not a valid integer value");
        }
    }
}

} // namespace
