#include "platform/Profile.h"
#include "platform/TextFile.h"

#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override { m_ini = m_dir.file("test.ini"); }
    std::string get(const char* section, const char* key) const
    {
        return GetProfileString(section, key, "<default>", m_ini);
    }
    TempFolder m_dir { "profile" };
    std::string m_ini;
};

// A hand-edited file with the oddities people leave in them.
const std::string OddFile = "\xEF\xBB\xBF"
                            "orphan=before any section\r\n"
                            "\r\n"
                            "  [ Paths ]  \r\n"
                            "; OUTPUT=commented out\r\n"
                            "a line without an equals sign\n"
                            "  output =  c:\\Out.txt  \r\n"
                            "input=\r\n"
                            "Quoted=\"  padded  \"\r\n"
                            "single=' x '\r\n"
                            "eq=a=b;c\r\n"
                            "output=second, shadowed\r\n"
                            "[other\r\n"
                            "k=open bracket section\r\n"
                            "[PATHS]\r\n"
                            "late=from a repeated section\r\n"
                            "bytes=\x01\xff\t\x7f\r\r\n"
                            "last=no line end";

struct ReadRow
{
    const char* section;
    const char* key;
    std::string expected;
};

TEST_F(ProfileTest, ReadsOddFilesSensibly)
{
    WriteFileAtomic(m_ini, OddFile);
    const ReadRow rows[] = {
        { "PATHS", "OUTPUT", "c:\\Out.txt" },
        { "paths", "Output", "c:\\Out.txt" },
        { "PATHS", "INPUT", "" },
        { "PATHS", "QUOTED", "  padded  " },
        { "PATHS", "SINGLE", " x " },
        { "PATHS", "EQ", "a=b;c" },
        { "PATHS", "; OUTPUT", "<default>" },
        { "PATHS", "a line without an equals sign", "<default>" },
        { "PATHS", "LATE", "from a repeated section" },
        { "PATHS", "BYTES", "\x01\xff\t\x7f\r" },
        { "PATHS", "LAST", "no line end" },
        { "OTHER", "K", "open bracket section" },
        { "PATHS", "K", "<default>" },
        { "PATHS", "ORPHAN", "<default>" },
        { "", "ORPHAN", "<default>" },
        { "PATHS", "MISSING", "<default>" },
        { "MISSING", "OUTPUT", "<default>" },
    };
    for (const ReadRow& row : rows)
        EXPECT_EQ(get(row.section, row.key), row.expected) << row.section << "/" << row.key;
    EXPECT_EQ(GetProfileString("PATHS", "OUTPUT", "d", m_dir.file("none.ini")), "d");
    EXPECT_EQ(GetProfileString("PATHS", "OUTPUT", "d", m_dir.path().string()), "d");
}

struct WriteRow
{
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST_F(ProfileTest, WritesPlaceKeysAndSections)
{
    const WriteRow rows[] = {
        { "new file", "", "PATHS", "OUTPUT", "out.txt", "[PATHS]\r\nOUTPUT=out.txt\r\n" },
        { "replace in place", "[A]\r\nX=1\r\nY=2\r\n[B]\r\nX=3\r\n", "a", "x", "9",
            "[A]\r\nx=9\r\nY=2\r\n[B]\r\nX=3\r\n" },
        { "new key ends its section", "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n", "A", "Z", "z",
            "[A]\r\nX=1\r\nZ=z\r\n\r\n[B]\r\nY=2\r\n" },
        { "new key in an empty section", "[A]\r\n[B]\r\n", "A", "Z", "", "[A]\r\nZ=\r\n[B]\r\n" },
        { "new section at the end", "[A]\r\nX=1", "B", "Y", "2",
            "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n" },
        { "LF lines become CR LF", "[A]\n;note\nX=1\n", "A", "X", "2", "[A]\r\n;note\r\nX=2\r\n" },
        { "padded value is quoted", "", "S", "SEP", " | ", "[S]\r\nSEP=\" | \"\r\n" },
        { "line breaks dropped", "", "S", "K", "a\r\nb", "[S]\r\nK=ab\r\n" },
    };
    for (const WriteRow& row : rows) {
        if (row.before.empty())
            fs::remove(m_ini);
        else
            WriteFileAtomic(m_ini, row.before);
        ASSERT_TRUE(WriteProfileString(row.section, row.key, row.value, m_ini)) << row.name;
        EXPECT_EQ(ReadWholeFile(m_ini), row.after) << row.name;
    }
}

TEST_F(ProfileTest, EveryValueComesBackAsWrittenUpTo2047Bytes)
{
    const std::string values[]
        = { "", " ", " lead", "trail\t", "\"quoted\"", "'q'", "\"", "a=b", ";not a comment",
              "[not a section]", std::string("nul\0byte", 8), "\xff\xfe", std::string(2047, 'x') };
    for (const std::string& value : values) {
        ASSERT_TRUE(WriteProfileString("S", "K", value, m_ini));
        EXPECT_EQ(GetProfileString("S", "K", "d", m_ini), value);
    }
    std::string longValue(2100, 'v');
    longValue[2046] = 'L';
    ASSERT_TRUE(WriteProfileString("S", "K", longValue, m_ini));
    EXPECT_EQ(GetProfileString("S", "K", "", m_ini), longValue.substr(0, 2047));
    EXPECT_EQ(GetProfileString("S", "NONE", longValue, m_ini).size(), ProfileValueMax);
}

TEST_F(ProfileTest, RefusedWritesLeaveTheFileAlone)
{
    WriteFileAtomic(m_ini, "[A]\r\nX=1\r\n");
    const std::pair<const char*, const char*> badNames[]
        = { { "", "K" }, { "A", "" }, { "A]", "K" }, { "A", "K=" }, { " A", "K" }, { "A", "K " },
              { "A", ";K" }, { "A\n", "K" }, { "A", "[K" } };
    for (const auto& [section, key] : badNames)
        EXPECT_FALSE(WriteProfileString(section, key, "v", m_ini)) << section << "/" << key;
    {
        ReadOnlyFolder readOnly(m_dir.path());
        ASSERT_TRUE(readOnly.ok());
        EXPECT_FALSE(WriteProfileString("A", "X", "2", m_ini));
        EXPECT_FALSE(WriteProfileString("B", "Y", "2", m_dir.file("new.ini")));
    }
    EXPECT_FALSE(WriteProfileString("A", "X", "2", m_dir.path().string()));
    EXPECT_FALSE(WriteProfileString("A", "X", "2", m_dir.file("no/dir.ini")));
    EXPECT_EQ(ReadWholeFile(m_ini), "[A]\r\nX=1\r\n");
    EXPECT_FALSE(fs::exists(m_dir.file("new.ini")));
}

// Whatever bytes a file holds, a read returns and a write followed by a read
// gives back the value written, without disturbing a key of another section.
TEST_F(ProfileTest, SurvivesAnyBytes)
{
    const std::string pieces[] = { "[S]", "[s ]", "[T]", "[", "]", "k=", "K = v", "T=t", "=", ";",
        "\r", "\n", "\r\n", " ", "\"", std::string(1, '\0'), "\xEF\xBB\xBF", "\xff" };
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 400; ++round) {
        std::string content;
        for (int i = 0; i < 30; ++i)
            content += pieces[pick(random)];
        WriteFileAtomic(m_ini, content);
        (void)GetProfileString("S", "K", "", m_ini);
        const std::string other = GetProfileString("T", "T", "none", m_ini);
        const std::string value = "v" + std::to_string(round);
        ASSERT_TRUE(WriteProfileString("S", "K", value, m_ini)) << round;
        EXPECT_EQ(GetProfileString("s", "k", "", m_ini), value) << round;
        EXPECT_EQ(GetProfileString("T", "T", "none", m_ini), other) << round;
    }
}

// A writer killed at any moment leaves the old file or the new one, whole:
// the rewrite goes through a temporary file that is never read as the file.
TEST_F(ProfileTest, KilledWriterLeavesAWholeFile)
{
    // Long lines make the rewrite itself, not the parsing, most of each write.
    const std::string filler(2000, 'f');
    std::string content;
    for (int i = 0; i < 200; ++i)
        content += "[S" + std::to_string(i) + "]\r\nKEY=" + filler + "\r\n";
    WriteFileAtomic(m_ini, content + "[LAST]\r\nVALUE=old\r\n");
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < 100000; ++i)
                WriteProfileString("LAST", "VALUE", i % 2 ? "old" : "new", m_ini);
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + round * 7 % 40));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string value = GetProfileString("LAST", "VALUE", "torn", m_ini);
        EXPECT_TRUE(value == "old" || value == "new") << value;
        EXPECT_EQ(GetProfileString("S199", "KEY", "", m_ini), filler);
        EXPECT_EQ(ReadWholeFile(m_ini).size(), content.size() + 19);
        // The next write removes the temporary file a killed writer left.
        ASSERT_TRUE(WriteProfileString("LAST", "VALUE", "old", m_ini));
        EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
    }
}

} // namespace
