#include "platform/LockFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what, const std::string& path)
{
    throw EInOutError(std::string(what) + " " + path + ": " + std::strerror(errno));
}

bool sameFile(int fd, const std::string& path)
{
    struct stat opened
    { };
    struct stat named
    { };
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// The process id a holder wrote into the lock file open at `fd`. A holder
// writes it right after taking the lock, so an empty file is read again a
// few times, a millisecond apart, before the id is given up as unknown.
long holderOf(int fd)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        char text[32] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        if (n > 0 && text[n - 1] == '\n')
            return std::strtol(text, nullptr, 10);
        const timespec millisecond { 0, 1000000 };
        ::nanosleep(&millisecond, nullptr);
    }
    return 0;
}

} // namespace

bool TLockFile::TryLock(const std::string& path, long& holder)
{
    Unlock();
    holder = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_NOFOLLOW: the lock is taken on no file a symbolic link points at.
        // Another user's lock file is opened for reading: that is enough to
        // lock it and to read its holder.
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        const bool writable = fd >= 0;
        if (!writable && errno == EACCES)
            fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            fail("Cannot open file", path);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int saved = errno;
            if (saved == EWOULDBLOCK)
                holder = holderOf(fd);
            ::close(fd);
            errno = saved;
            if (saved == EWOULDBLOCK)
                return false;
            fail("Cannot lock file", path);
        }
        // A holder removes the file before it lets the lock go: a lock taken
        // on a file that no longer has the name guards nothing, and the name
        // is opened again.
        if (!sameFile(fd, path)) {
            ::close(fd);
            continue;
        }
        // A file this process cannot write the holder into, left by another
        // user's run, is replaced by one of its own.
        if (!writable) {
            const bool removed = ::unlink(path.c_str()) == 0;
            ::close(fd);
            if (!removed)
                fail("Cannot delete file", path);
            continue;
        }
        const std::string id = std::to_string(::getpid()) + "\r\n";
        if (::ftruncate(fd, 0) != 0
            || ::pwrite(fd, id.data(), id.size(), 0) != static_cast<ssize_t>(id.size())) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            fail("Cannot write to file", path);
        }
        m_fd = fd;
        m_path = path;
        return true;
    }
    errno = EAGAIN;
    fail("Cannot lock file", path);
}

void TLockFile::Unlock()
{
    if (m_fd < 0)
        return;
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}
