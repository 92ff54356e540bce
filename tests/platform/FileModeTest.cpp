#include "platform/Profile.h"
#include "platform/TextFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets the process umask for the lifetime of the object.
struct UmaskScope
{
    explicit UmaskScope(mode_t mask)
        : previous(::umask(mask))
    { }
    ~UmaskScope() { ::umask(previous); }
    mode_t previous;
};

mode_t modeOf(const std::string& path)
{
    struct stat info
    { };
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(FileMode, ARewriteKeepsTheModeOfTheFileItReplaces)
{
    const TempFolder dir("filemode");
    const UmaskScope umask(022);
    const std::string file = dir.file("kept.ini");
    for (const bool profile : { false, true }) {
        for (const mode_t mode : { 0600, 0664 }) {
            SCOPED_TRACE(std::to_string(profile) + " " + std::to_string(mode));
            ::unlink(file.c_str());
            AppendLine(file, "[A]");
            ASSERT_EQ(::chmod(file.c_str(), mode), 0);
            if (profile)
                ASSERT_TRUE(WriteProfileString("A", "X", "2", file));
            else
                WriteFileAtomic(file, "[A]\r\nX=2\r\n");
            EXPECT_EQ(modeOf(file), mode);
            EXPECT_EQ(ReadWholeFile(file), "[A]\r\nX=2\r\n");
        }
    }
}

TEST(FileMode, ANewFileFollowsTheUmaskUnlessItHoldsSettings)
{
    const TempFolder dir("filemode");
    const struct
    {
        mode_t umask;
        NewFileMode newFileMode;
        mode_t expected;
    } rows[] = {
        { 022, NewFileMode::ByUmask, 0644 },
        { 002, NewFileMode::ByUmask, 0664 },
        { 002, NewFileMode::OwnerOnly, 0600 },
        { 002, NewFileMode::AlwaysOwnerOnly, 0600 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.umask));
        const UmaskScope umask(row.umask);
        const std::string file = dir.file("new.txt");
        ::unlink(file.c_str());
        WriteFileAtomic(file, "x", row.newFileMode);
        EXPECT_EQ(modeOf(file), row.expected);
    }
    // Profile files hold settings, a proxy password among them.
    const UmaskScope umask(002);
    ASSERT_TRUE(WriteProfileString("PROXY", "PASSWORD", "secret", dir.file("new.ini")));
    EXPECT_EQ(modeOf(dir.file("new.ini")), 0600u);
}

} // namespace
