// Line splitting, as the URL list files and the page's lines use it.
#include "crawl/TextLines.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(TextLines, EveryBreakEndsALineAndAFinalOneAddsNothing)
{
    struct Row
    {
        std::string bytes;
        Lines lines;
    };
    const Row rows[] = {
        { "", {} },
        { "a", { "a" } },
        { "a\r\n", { "a" } },
        { "a\rb\nc\r\nd", { "a", "b", "c", "d" } },
        { "\n", { "" } },
        { "\r\n\r\n", { "", "" } },
        { "a\n\rb", { "a", "", "b" } }, // LF CR is two breaks
        { "a\r\r\nb\r", { "a", "", "b" } },
        { std::string("a\0b\n", 4), { std::string("a\0b", 3) } },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SplitLines(row.bytes), row.lines) << row.bytes;
        // Written back, the lines read the same.
        EXPECT_EQ(SplitLines(JoinLines(row.lines)), row.lines) << row.bytes;
    }
}

} // namespace
