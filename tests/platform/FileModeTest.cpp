#include "platform/Profile.h"
#include "platform/TextFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets the process umask for the lifetime of the object.
class UmaskScope
{
public:
    explicit UmaskScope(mode_t mask)
        : m_previous(::umask(mask))
    { }
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

struct stat statOf(const std::string& path)
{
    struct stat info
    { };
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

mode_t modeOf(const std::string& path)
{
    return statOf(path).st_mode & 07777;
}

std::string octal(mode_t mode)
{
    char text[16];
    std::snprintf(text, sizeof text, "0%o", static_cast<unsigned>(mode));
    return text;
}

using Writer = std::function<void(const std::string& path)>;

struct WriterRow
{
    const char* name;
    Writer write;
};

const WriterRow Writers[] = {
    { "WriteFileAtomic", [](const std::string& path) { WriteFileAtomic(path, "[A]\r\nX=2\r\n"); } },
    { "WriteProfileString",
        [](const std::string& path) { ASSERT_TRUE(WriteProfileString("A", "X", "2", path)); } },
};

class FileModeTest : public ::testing::Test
{
protected:
    std::string path(const char* name) const { return m_dir.file(name); }
    TempFolder m_dir { "filemode" };
};

TEST_F(FileModeTest, ARewriteKeepsTheModeOfTheFileItReplaces)
{
    const UmaskScope umask(022);
    for (const WriterRow& writer : Writers) {
        for (const mode_t mode : { 0600, 0644, 0640, 0664, 0400 }) {
            SCOPED_TRACE(std::string(writer.name) + " mode " + octal(mode));
            const std::string file = path("kept.ini");
            ::unlink(file.c_str());
            AppendLine(file, "[A]");
            ASSERT_EQ(::chmod(file.c_str(), mode), 0);
            writer.write(file);
            EXPECT_EQ(modeOf(file), mode);
            EXPECT_EQ(ReadWholeFile(file), "[A]\r\nX=2\r\n");
        }
    }
}

TEST_F(FileModeTest, ANewFileFollowsTheUmaskUnlessItIsForItsOwnerOnly)
{
    struct Row
    {
        mode_t umask;
        NewFileMode newFileMode;
        mode_t expected;
    };
    const Row rows[] = {
        { 022, NewFileMode::ByUmask, 0644 },
        { 002, NewFileMode::ByUmask, 0664 },
        { 077, NewFileMode::ByUmask, 0600 },
        { 022, NewFileMode::OwnerOnly, 0600 },
        { 002, NewFileMode::OwnerOnly, 0600 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("umask " + octal(row.umask));
        const UmaskScope umask(row.umask);
        const std::string file = path("new.txt");
        ::unlink(file.c_str());
        WriteFileAtomic(file, "x", row.newFileMode);
        EXPECT_EQ(modeOf(file), row.expected);
        if (row.newFileMode == NewFileMode::ByUmask) {
            const std::string appended = path("appended.txt");
            ::unlink(appended.c_str());
            AppendLine(appended, "x");
            EXPECT_EQ(modeOf(appended), row.expected);
        }
    }
}

// Profile files hold settings, a proxy password among them.
TEST_F(FileModeTest, ANewProfileFileIsForItsOwnerOnly)
{
    const UmaskScope umask(002);
    ASSERT_TRUE(WriteProfileString("PROXY", "PASSWORD", "secret", path("new.ini")));
    EXPECT_EQ(modeOf(path("new.ini")), 0600u);
}

TEST_F(FileModeTest, ARewriteKeepsTheOwnerAndGroupWhereTheSystemPermits)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another owner";
    const uid_t owner = 4242;
    const gid_t group = 4343;
    for (const WriterRow& writer : Writers) {
        SCOPED_TRACE(writer.name);
        const std::string file = path("owned.ini");
        ::unlink(file.c_str());
        AppendLine(file, "[A]");
        ASSERT_EQ(::chown(file.c_str(), owner, group), 0);
        ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
        writer.write(file);
        const struct stat info = statOf(file);
        EXPECT_EQ(info.st_uid, owner);
        EXPECT_EQ(info.st_gid, group);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
}

} // namespace
