#include "platform/TextFile.h"
#include "platform/Errors.h"

#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

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

TEST_F(TextFileTest, AppendsCreateTheFileAndEndEachLineWithCrLf)
{
    AppendLines(path("track.txt"), {});
    EXPECT_FALSE(fs::exists(path("track.txt")));
    CreateIfMissing(path("track.txt"));
    EXPECT_EQ(ReadWholeFile(path("track.txt")), "");
    AppendLine(path("track.txt"), "http://a.test/");
    AppendLines(path("track.txt"), { "a", "", "b" });
    AppendLine(path("track.txt"), std::string("b\0\xff", 3));
    CreateIfMissing(path("track.txt"));
    EXPECT_EQ(ReadWholeFile(path("track.txt")),
        std::string("http://a.test/\r\na\r\n\r\nb\r\nb\0\xff\r\n", 29));
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

// A rewrite through symbolic links replaces the file at the end of the chain:
// the links stay as they were, and the file keeps its mode.
TEST_F(TextFileTest, ARewriteThroughSymbolicLinksChangesTheTargetAndKeepsTheLinks)
{
    struct Row
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // name -> what it holds
        std::string target; // the file at the end, in the folder
        bool existing = true; // the target is there before the write
    };
    const std::string absolute = path("data/abs.txt");
    const Row rows[] = {
        { "a relative link", { { "in.txt", "data/real.txt" } }, "data/real.txt" },
        { "an absolute link", { { "in.txt", absolute } }, "data/abs.txt" },
        { "a chain: the second link read from the first one's folder",
            { { "in.txt", "data/hop.txt" }, { "data/hop.txt", "deeper/end.txt" } },
            "data/deeper/end.txt" },
        { "a link to no file yet", { { "in.txt", "data/new.txt" } }, "data/new.txt", false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(path("data"));
        fs::remove(path("in.txt"));
        fs::create_directories(path("data/deeper"));
        if (row.existing) {
            WriteWholeFile(path(row.target.c_str()), "old\r\n");
            fs::permissions(path(row.target.c_str()), fs::perms(0640));
        }
        for (const auto& [name, to] : row.links)
            fs::create_symlink(to, path(name.c_str()));
        WriteFileAtomic(path("in.txt"), "new\r\n");
        EXPECT_EQ(ResolveLinks(path("in.txt")), path(row.target.c_str()));
        for (const auto& [name, to] : row.links) {
            EXPECT_TRUE(fs::is_symlink(path(name.c_str()))) << name;
            EXPECT_EQ(fs::read_symlink(path(name.c_str())).string(), to);
        }
        EXPECT_EQ(ReadWholeFile(path(row.target.c_str())), "new\r\n");
        if (row.existing) {
            EXPECT_EQ(fs::status(path(row.target.c_str())).permissions(), fs::perms(0640));
        }
        // Nothing else appeared beside the target.
        std::size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(path("data")))
            files += fs::is_regular_file(fs::symlink_status(entry.path()));
        EXPECT_EQ(files, 1u);
    }
}

TEST_F(TextFileTest, ALoopOfLinksIsRefusedNamingTheFile)
{
    fs::create_symlink("b.txt", path("a.txt"));
    fs::create_symlink("a.txt", path("b.txt"));
    try {
        WriteFileAtomic(path("a.txt"), "x");
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("a.txt"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_symlink(path("a.txt")));
}

// What a writer killed half-way leaves as its temporary file is removed by
// the next write of the file, whatever it is; a symbolic link of that name
// is removed without writing where it points.
TEST_F(TextFileTest, TheNextWriteRemovesAKilledWritersTemporaryFile)
{
    const std::string outside = path("outside.txt");
    const std::pair<const char*, std::function<void(const std::string&)>> rows[] = {
        { "half a file", [](const std::string& temp) { WriteWholeFile(temp, "half of"); } },
        { "an empty file", [](const std::string& temp) { WriteWholeFile(temp, ""); } },
        { "a link to another file",
            [&outside](const std::string& temp) { fs::create_symlink(outside, temp); } },
    };
    WriteWholeFile(outside, "untouched");
    for (const auto& [what, leave] : rows) {
        SCOPED_TRACE(what);
        const std::string file = path("in.txt");
        WriteFileAtomic(file, "old\r\n");
        const std::string temp = TemporaryFileOf(file);
        leave(temp);
        WriteFileAtomic(file, "new\r\n");
        EXPECT_EQ(ReadWholeFile(file), "new\r\n");
        EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
        EXPECT_EQ(ReadWholeFile(outside), "untouched");
    }
}

// Writers of one file at once each replace it whole, one after the other:
// the file is always one writer's version, and no temporary file remains.
TEST_F(TextFileTest, WritersAtOnceLeaveOneWholeVersion)
{
    constexpr int Writers = 4;
    constexpr int Rounds = 40;
    const std::string file = path("in.txt");
    const auto version = [](int writer) { return std::string(256 * 1024, char('a' + writer)); };
    std::vector<std::thread> threads;
    std::vector<std::string> problems(Writers);
    for (int w = 0; w < Writers; ++w)
        threads.emplace_back([&, w] {
            try {
                for (int round = 0; round < Rounds; ++round) {
                    WriteFileAtomic(file, version(w), NewFileMode::ByUmask, Durability::Cached);
                    const std::string seen = ReadWholeFile(file);
                    if (seen.size() != version(0).size()
                        || seen.find_first_not_of(seen[0]) != std::string::npos)
                        problems[w] = "a torn version was read";
                }
            } catch (const std::exception& e) {
                problems[w] = e.what();
            }
        });
    for (auto& thread : threads)
        thread.join();
    for (const auto& problem : problems)
        EXPECT_EQ(problem, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

} // namespace
