// File stamps: what the whole-file operations report is the stamp the file
// then has, and a write by anyone changes it.
#include "platform/FileStamp.h"
#include "platform/TextFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(FileStamp, EveryOperationReportsTheStampTheFileThenHas)
{
    TempFolder dir("stamp");
    const std::string path = dir.file("list.txt");
    EXPECT_FALSE(StampOf(path).has_value());

    const auto written = WriteFileAtomic(path, "a\r\n");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written, StampOf(path));
    EXPECT_EQ(written->size, 3);

    std::optional<TFileStamp> read;
    EXPECT_EQ(ReadWholeFile(path, &read), "a\r\n");
    EXPECT_EQ(read, written);

    const auto appended = AppendLines(path, { "bb", "c" });
    ASSERT_TRUE(appended.has_value());
    EXPECT_EQ(appended, StampOf(path));
    EXPECT_EQ(appended->inode, written->inode);
    EXPECT_EQ(appended->size, 10);
    EXPECT_FALSE(AppendLines(path, {}).has_value());
    EXPECT_EQ(StampOf(path), appended);

    // A replacement of the same size is another file.
    const auto replaced = WriteFileAtomic(path, "x\r\nyy\r\nz\r\n");
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->size, appended->size);
    EXPECT_NE(replaced, appended);
}

} // namespace
