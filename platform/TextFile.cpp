#include "platform/TextFile.h"

#include "platform/Errors.h"
#include "platform/FileStamp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
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

// A file descriptor closed when it goes; Close reports a failing close.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    void Close(const std::string& path)
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            fail("Cannot close file", path);
    }

private:
    int m_fd;
};

// Writes all of `data`, going on after interrupted and partial writes.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Creates a file of a fresh name beside `path`, open for writing; `mode` less
// the umask becomes its mode, as for any new file (mkstemp would always give
// 0600). Returns the descriptor, or -1 with errno set.
int createTemporary(const std::string& path, mode_t mode, std::string& temp)
{
    static constexpr char Letters[]
        = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random { std::random_device {}() };
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + '.';
        for (int i = 0; i < 6; ++i)
            temp += Letters[pick(random)];
        // O_EXCL: never an existing file, nor one a symbolic link points at.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Gives the replacement the owner, group and mode of the file it replaces.
// Only root may give a file away, and only to a group it belongs to may a user
// give it: ownership is kept as far as that allows, and never fails the write.
// The mode is set last, since a change of owner clears the set-id bits.
bool keepAttributes(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

} // namespace

void AppendLine(const std::string& path, const std::string& line)
{
    AppendLines(path, { line });
}

std::optional<TFileStamp> AppendLines(
    const std::string& path, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return std::nullopt;
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (file.get() < 0)
        fail("Cannot open file", path);
    // All the lines go to the system in one write, not in pieces of a stream
    // buffer's size that may end inside a line: a process killed between two
    // pieces would leave the file's last line torn.
    if (!writeAll(file.get(), text.data(), text.size()))
        fail("Cannot write to file", path);
    const auto stamp = StampOf(file.get());
    file.Close(path);
    return stamp;
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

void WriteWholeFile(const std::string& path, const std::string& content)
{
    // Written over the old contents and then cut to the new length, instead
    // of emptied first: on ext4, emptying a file that holds data makes its
    // close start writing the new data to the disk at once, a disk write for
    // every call on a file that is replaced again a moment later.
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (file.get() < 0)
        fail("Cannot create file", path);
    if (!writeAll(file.get(), content.data(), content.size())
        || ::ftruncate(file.get(), static_cast<off_t>(content.size())) != 0)
        fail("Cannot write to file", path);
    file.Close(path);
}

std::optional<TFileStamp> WriteFileAtomic(const std::string& path, const std::string& content,
    NewFileMode newFileMode, Durability durability)
{
    struct stat old
    { };
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    // A replacement starts private and takes the old file's mode before any
    // content goes in, so it never shows more than the old file did.
    const mode_t mode = replacing || newFileMode == NewFileMode::OwnerOnly ? 0600 : 0666;
    std::string temp;
    const int fd = createTemporary(path, mode, temp);
    if (fd < 0)
        fail("Cannot create file", temp);
    FilePtr file(::fdopen(fd, "wb"));
    if (!file) {
        const int saved = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        errno = saved;
        fail("Cannot open file", temp);
    }
    const bool written = (!replacing || keepAttributes(fd, old))
        && std::fwrite(content.data(), 1, content.size(), file.get()) == content.size()
        && std::fflush(file.get()) == 0 && (durability == Durability::Cached || ::fsync(fd) == 0);
    // The rename keeps the inode, size and modification time.
    const auto stamp = StampOf(fd);
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        fail("Cannot write to file", path);
    }
    return stamp;
}

std::string ReadWholeFile(const std::string& path, std::optional<TFileStamp>* stamp)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        fail("Cannot open file", path);
    // Taken before reading: a change made while the file is read gives it a
    // later stamp than the one noted for what was read.
    if (stamp)
        *stamp = StampOf(::fileno(file.get()));
    std::string content;
    char block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.append(block, n);
    if (std::ferror(file.get()))
        fail("Cannot read file", path);
    return content;
}
