#include "platform/TextFile.h"
#include "platform/Errors.h"

#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class TextFileTest : public ::testing::Test
{
protected:
    std::string path(const char* name) const { return m_dir.file(name); }
    TempFolder m_dir { "textfile" };
};

TEST(TextLines, EveryBreakEndsALineAndAFinalOneAddsNothing)
{
    using Lines = std::vector<std::string>;
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
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(SplitLines(row.bytes), row.lines);
        // Written back, the lines read the same.
        EXPECT_EQ(SplitLines(JoinLines(row.lines)), row.lines);
    }
}

int g_calls = 0;

TEST(TextLines, TheTickComesOnceALine)
{
    g_calls = 0;
    const std::vector<std::string> lines = SplitLines("a\r\n\nb\rc", [] { ++g_calls; });
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_EQ(g_calls, 4);
    g_calls = 0;
    EXPECT_EQ(JoinLines(lines, [] { ++g_calls; }), "a\r\n\r\nb\r\nc\r\n");
    EXPECT_EQ(g_calls, 4);
}

// A pumped write goes in blocks of a MiB and leaves the same bytes, also
// over a longer file it replaces.
TEST_F(TextFileTest, APumpedWholeFileWritePumpsOnceAMegabyte)
{
    const std::size_t MiB = std::size_t { 1 } << 20;
    const std::pair<std::size_t, int> rows[]
        = { { 0, 0 }, { 10, 1 }, { MiB, 1 }, { MiB + 1, 2 }, { 3 * MiB, 3 } };
    WriteWholeFile(path("temp.txt"), std::string(4 * MiB, 'o'));
    for (const auto& [size, pumps] : rows) {
        SCOPED_TRACE(size);
        std::string content(size, 'x');
        for (std::size_t i = 0; i < size; i += 4096)
            content[i] = static_cast<char>('a' + i / 4096 % 26);
        g_calls = 0;
        WriteWholeFile(path("temp.txt"), content, [] { ++g_calls; });
        EXPECT_EQ(g_calls, pumps);
        EXPECT_TRUE(ReadWholeFile(path("temp.txt")) == content);
    }
}

TEST_F(TextFileTest, AppendLineCreatesThenAppendsWithCrLf)
{
    AppendLine(path("track.txt"), "http://a.test/");
    AppendLine(path("track.txt"), "");
    AppendLine(path("track.txt"), std::string("b\0\xff", 3));
    EXPECT_EQ(
        ReadWholeFile(path("track.txt")), std::string("http://a.test/\r\n\r\nb\0\xff\r\n", 23));
}

TEST_F(TextFileTest, WriteFileAtomicReplacesWholeAndLeavesNoTemporary)
{
    WriteFileAtomic(path("in.txt"), "old\r\n");
    WriteFileAtomic(path("in.txt"), "new\r\nlines\r\n");
    EXPECT_EQ(ReadWholeFile(path("in.txt")), "new\r\nlines\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

TEST_F(TextFileTest, AppendLinesWritesAllOrOpensNothing)
{
    AppendLines(path("track.txt"), {});
    EXPECT_FALSE(fs::exists(path("track.txt")));
    AppendLines(path("track.txt"), { "a", "", "b" });
    AppendLines(path("track.txt"), { "c" });
    EXPECT_EQ(ReadWholeFile(path("track.txt")), "a\r\n\r\nb\r\nc\r\n");
}

TEST_F(TextFileTest, CreateIfMissingNeverTouchesAnExistingFile)
{
    CreateIfMissing(path("track.txt"));
    EXPECT_EQ(ReadWholeFile(path("track.txt")), "");
    WriteWholeFile(path("track.txt"), "kept\r\n");
    CreateIfMissing(path("track.txt"));
    EXPECT_EQ(ReadWholeFile(path("track.txt")), "kept\r\n");
    WriteWholeFile(path("track.txt"), "x");
    EXPECT_EQ(ReadWholeFile(path("track.txt")), "x");
}

TEST_F(TextFileTest, FailuresRaiseNamingTheFile)
{
    EXPECT_THROW(ReadWholeFile(path("missing.txt")), EInOutError);
    WriteFileAtomic(path("kept.txt"), "kept");
    {
        ReadOnlyFolder readOnly(m_dir.path());
        ASSERT_TRUE(readOnly.ok());
        EXPECT_THROW(WriteFileAtomic(path("kept.txt"), "lost"), EInOutError);
        EXPECT_THROW(AppendLine(path("new.txt"), "x"), EInOutError);
        EXPECT_THROW(CreateIfMissing(path("new.txt")), EInOutError);
        EXPECT_THROW(WriteWholeFile(path("new.txt"), "x"), EInOutError);
    }
    EXPECT_EQ(ReadWholeFile(path("kept.txt")), "kept");
    try {
        AppendLine(path("no/such/dir.txt"), "x");
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("no/such/dir.txt"), std::string::npos);
    }
}

} // namespace
