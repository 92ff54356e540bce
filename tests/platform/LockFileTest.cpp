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

} // namespace
