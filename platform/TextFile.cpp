#include "platform/TextFile.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what, const std::string& path)
{
    throw EInOutError(std::string(what) + " " + path + ": " + std::strerror(errno));
}

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Takes the lock of the temporary file open at `fd` under `name`, waiting
// for a writer at work on it, and tells whether `name` still is that file:
// a writer that finished meanwhile has renamed it away.
bool lockedUnderName(int fd, const std::string& name)
{
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    struct stat opened
    { };
    struct stat named
    { };
    return ::fstat(fd, &opened) == 0 && ::lstat(name.c_str(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Creates the temporary file `temp` afresh, open for writing and locked as
// long as it is open; `mode` less the umask becomes its mode, as for any new
// file. A writer holds the lock from the creation to the rename, so a file of
// that name whose lock can be taken is what a killed writer left: it is
// removed. Returns the descriptor, or -1 with errno set.
int createTemporary(const std::string& temp, mode_t mode)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_EXCL: never an existing file, nor one a symbolic link points at.
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Another writer may have taken this new file for a leftover and
            // removed it before the lock was ours: then it is made again.
            if (lockedUnderName(fd, temp))
                return fd;
            ::close(fd);
            continue;
        }
        if (errno != EEXIST)
            return -1;
        fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            // A symbolic link of that name is no writer's: it goes too.
            if (errno == ELOOP)
                ::unlink(temp.c_str());
            else if (errno != ENOENT)
                return -1;
            continue;
        }
        if (lockedUnderName(fd, temp))
            ::unlink(temp.c_str());
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Gives the replacement the owner and group of the file it replaces, and `mode`.
// Only root may give a file away, and only to a group it belongs to may a user
// give it: ownership is kept as far as that allows, and never fails the write.
// The mode is set last, since a change of owner clears the set-id bits.
bool keepAttributes(int fd, const struct stat& old, mode_t mode)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    return ::fchmod(fd, mode) == 0;
}

// Writes all of `content` to `fd`, going on after interrupted and partial
// writes; false (errno set) when the system refuses.
bool writeAll(int fd, std::string_view content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Closes `fd` after a write; raises naming `path` when the write or the close failed.
void closeAfterWrite(int fd, bool written, const std::string& path)
{
    const int saved = errno;
    if (::close(fd) != 0 || !written) {
        if (!written)
            errno = saved;
        fail("Cannot write to file", path);
    }
}

} // namespace

void AppendLine(const std::string& path, const std::string& line)
{
    AppendLines(path, { line });
}

std::vector<std::string> SplitLines(std::string_view bytes, void (*tick)())
{
    // A plain scan for the line ends: find_first_of makes a library call per byte.
    const auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
    std::vector<std::string> lines;
    auto start = bytes.begin();
    while (start != bytes.end()) {
        const auto end = std::find_if(start, bytes.end(), isLineEnd);
        lines.emplace_back(start, end);
        if (tick != nullptr)
            tick();
        if (end == bytes.end())
            break;
        start = end + 1;
        if (*end == '\r' && start != bytes.end() && *start == '\n')
            ++start;
    }
    return lines;
}

void AppendLines(const std::string& path, const std::vector<std::string>& lines)
{
    if (!lines.empty())
        AppendText(path, JoinLines(lines));
}

void AppendText(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fail("Cannot open file", path);
    // All of it goes to the system in one write, not in pieces of a stream
    // buffer's size that may end inside a line: a process killed between two
    // pieces would leave the file's last line torn.
    closeAfterWrite(fd, writeAll(fd, text), path);
}

void CreateIfMissing(const std::string& path)
{
    // O_EXCL: a file that exists is never truncated, even when another
    // program creates it between a test and the creation.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            return;
        fail("Cannot create file", path);
    }
    ::close(fd);
}

void WriteWholeFile(const std::string& path, const std::string& content, void (*pump)())
{
    // Written over the old bytes and then cut to size, not truncated first:
    // on ext4 truncating a file that holds data starts its writeback at once,
    // which a file rewritten for every page pays for every time.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fail("Cannot create file", path);
    constexpr size_t PumpedBlock = size_t { 1 } << 20;
    const std::string_view all(content);
    bool written = true;
    if (pump == nullptr) {
        written = writeAll(fd, all);
    } else {
        for (size_t at = 0; written && at < all.size(); at += PumpedBlock) {
            written = writeAll(fd, all.substr(at, PumpedBlock));
            pump();
        }
    }
    closeAfterWrite(fd, written && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0, path);
}

void WriteFileAtomic(const std::string& path, const std::string& content, NewFileMode newFileMode,
    Durability durability)
{
    const std::string target = ResolveLinks(path);
    struct stat old
    { };
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // A replacement starts private and takes the old file's mode before any
    // content goes in, so it never shows more than the old file did.
    const mode_t mode = replacing || newFileMode != NewFileMode::ByUmask ? 0600 : 0666;
    const mode_t keptMode
        = newFileMode == NewFileMode::AlwaysOwnerOnly ? mode_t { 0600 } : old.st_mode & 07777;
    const std::string temp = TemporaryFileOf(target);
    const int fd = createTemporary(temp, mode);
    if (fd < 0)
        fail("Cannot create file", temp);
    FilePtr file(::fdopen(fd, "wb"));
    if (!file) {
        const int saved = errno;
        ::unlink(temp.c_str());
        ::close(fd);
        errno = saved;
        fail("Cannot open file", temp);
    }
    const bool written = (!replacing || keepAttributes(fd, old, keptMode))
        && std::fwrite(content.data(), 1, content.size(), file.get()) == content.size()
        && std::fflush(file.get()) == 0 && (durability == Durability::Cached || ::fsync(fd) == 0);
    // The rename comes before the close, which lets the temporary file's lock
    // go: a writer waiting for it then finds the name gone, not a file to remove.
    const bool renamed = written && std::rename(temp.c_str(), target.c_str()) == 0;
    const int saved = errno;
    if (!renamed)
        ::unlink(temp.c_str());
    const bool closed = std::fclose(file.release()) == 0;
    if (!renamed || !closed) {
        errno = renamed ? errno : saved;
        fail("Cannot write to file", path);
    }
}

std::string ResolveLinks(const std::string& path)
{
    // As many links as the system itself follows in one path.
    constexpr int MaxLinks = 40;
    std::string file = path;
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat st
        { };
        if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return file;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(file.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) == sizeof target)
            return file;
        std::string next(target, static_cast<size_t>(n));
        const size_t slash = file.rfind('/');
        if (next.front() != '/' && slash != std::string::npos)
            next.insert(0, file, 0, slash + 1);
        file = std::move(next);
    }
    errno = ELOOP;
    fail("Cannot open file", path);
}

std::string TemporaryFileOf(const std::string& target)
{
    return target + ".skelvo-new";
}

std::string ReadWholeFile(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        fail("Cannot open file", path);
    std::string content;
    char block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.append(block, n);
    if (std::ferror(file.get()))
        fail("Cannot read file", path);
    return content;
}
