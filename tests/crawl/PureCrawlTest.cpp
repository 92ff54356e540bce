// The crawl's pure pieces: line splitting and the batch program's arguments.
#include "crawl/BatchArguments.h"
#include "crawl/TextLines.h"

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

TEST(BatchArguments, OptionsAndMistakes)
{
    struct Row
    {
        Lines args;
        TBatchArguments::TAction action;
        std::string settingsFile;
    };
    const Row rows[] = {
        { {}, TBatchArguments::baRun, "" },
        { { "--settings", "a.ini" }, TBatchArguments::baRun, "a.ini" },
        { { "--settings=b.ini" }, TBatchArguments::baRun, "b.ini" },
        { { "--settings", "a.ini", "--settings", "c.ini" }, TBatchArguments::baRun, "c.ini" },
        { { "--version", "--help" }, TBatchArguments::baHelp, "" },
        { { "-h" }, TBatchArguments::baHelp, "" },
        { { "--version" }, TBatchArguments::baVersion, "" },
        { { "--settings" }, TBatchArguments::baWrong, "" },
        { { "--settings=" }, TBatchArguments::baWrong, "" },
        { { "-x" }, TBatchArguments::baWrong, "" },
        { { "in.txt" }, TBatchArguments::baWrong, "" },
        { { "--help", "--bogus" }, TBatchArguments::baWrong, "" },
    };
    for (const auto& row : rows) {
        const TBatchArguments parsed = ParseBatchArguments(row.args);
        EXPECT_EQ(parsed.action, row.action) << ::testing::PrintToString(row.args);
        if (row.action == TBatchArguments::baRun) {
            EXPECT_EQ(parsed.settingsFile, row.settingsFile);
        } else if (row.action == TBatchArguments::baWrong) {
            EXPECT_FALSE(parsed.problem.empty());
        }
    }
}

} // namespace
