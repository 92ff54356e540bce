// The lock file: one holder at a time, its process id inside, gone with the
// lock; another user's file read and replaced. (That the lock dies with its
// process, the batch tests show.)
#include "platform/LockFile.h"
#include "platform/TextFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(LockFile, OneHolderAtATimeAndTheFileGoesWithTheLock)
{
    TempFolder dir("lock");
    const std::string path = dir.file("in.txt.lock");
    TLockFile first;
    TLockFile second;
    long holder = -1;
    ASSERT_TRUE(first.TryLock(path, holder));
    EXPECT_EQ(ReadWholeFile(path), std::to_string(::getpid()) + "\r\n");
    // Another open of the file, in the same process too, is another holder.
    EXPECT_FALSE(second.TryLock(path, holder));
    EXPECT_EQ(holder, ::getpid());
    EXPECT_FALSE(second.Locked());
    first.Unlock();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(second.TryLock(path, holder));
    EXPECT_TRUE(fs::exists(path));
}

// Another user's lock file: while that user's run holds it, the refusal names
// the holder; left behind, it is replaced by one of the taker's own.
TEST(LockFile, AnotherUsersLockFileIsReadAndReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as a second user";
    TempFolder dir("lock");
    fs::permissions(dir.path(), fs::perms::all);
    const std::string path = dir.file("in.txt.lock");
    TLockFile rootsLock;
    long holder = 0;
    ASSERT_TRUE(rootsLock.TryLock(path, holder));
    fs::permissions(path, fs::perms(0644));
    // The other user, in a child: 1 when refused naming this process, then
    // 2 when it took the file this process left.
    const auto asOtherUser = [&](long expectedHolder) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(10);
            TLockFile lock;
            long seen = 0;
            try {
                if (!lock.TryLock(path, seen))
                    ::_exit(seen == expectedHolder ? 1 : 11);
                ::_exit(::getuid() == 65534 && fs::exists(path) ? 2 : 12);
            } catch (...) {
                ::_exit(13);
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(asOtherUser(::getpid()), 1);
    // Left behind as a killed run leaves it: there, but held by nobody.
    const std::string kept = ReadWholeFile(path);
    rootsLock.Unlock();
    WriteWholeFile(path, kept);
    fs::permissions(path, fs::perms(0644));
    EXPECT_EQ(asOtherUser(0), 2);
}

} // namespace
