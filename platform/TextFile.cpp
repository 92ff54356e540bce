#include "platform/TextFile.h"

#include "platform/Errors.h"

#include <algorithm>
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

std::string JoinLines(const std::vector<std::string>& lines, void (*tick)())
{
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
        if (tick != nullptr)
            tick();
    }
    return text;
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
    struct stat old
    { };
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    // A replacement starts private and takes the old file's mode before any
    // content goes in, so it never shows more than the old file did.
    const mode_t mode = replacing || newFileMode != NewFileMode::ByUmask ? 0600 : 0666;
    const mode_t keptMode
        = newFileMode == NewFileMode::AlwaysOwnerOnly ? mode_t { 0600 } : old.st_mode & 07777;
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
    const bool written = (!replacing || keepAttributes(fd, old, keptMode))
        && std::fwrite(content.data(), 1, content.size(), file.get()) == content.size()
        && std::fflush(file.get()) == 0 && (durability == Durability::Cached || ::fsync(fd) == 0);
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        fail("Cannot write to file", path);
    }
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
