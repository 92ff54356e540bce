// The lock file: one holder at a time, its process id inside, gone with the
// lock, and a lock that dies with its process.
#include "platform/LockFile.h"
#include "platform/TextFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
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

// A holder killed with SIGKILL holds nothing: its file, with its id still
// inside, is taken over at once.
TEST(LockFile, AKilledHoldersLockIsFreeAtOnce)
{
    TempFolder dir("lock");
    const std::string path = dir.file("in.txt.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TLockFile held;
        long holder = 0;
        const char taken = held.TryLock(path, holder) ? 'y' : 'n';
        (void)::write(ready[1], &taken, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(taken, 'y');

    TLockFile lock;
    long holder = 0;
    EXPECT_FALSE(lock.TryLock(path, holder));
    EXPECT_EQ(holder, child);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadWholeFile(path), std::to_string(child) + "\r\n");
    EXPECT_TRUE(lock.TryLock(path, holder));
    EXPECT_EQ(ReadWholeFile(path), std::to_string(::getpid()) + "\r\n");
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
