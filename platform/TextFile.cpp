#include "platform/TextFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
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

// Closes explicitly so that a failing close is reported, not lost in a destructor.
void closeChecked(FilePtr& file, const std::string& path)
{
    if (std::fclose(file.release()) != 0)
        fail("Cannot close file", path);
}

} // namespace

void AppendLine(const std::string& path, const std::string& line)
{
    AppendLines(path, { line });
}

void AppendLines(const std::string& path, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    FilePtr file(std::fopen(path.c_str(), "ab"));
    if (!file)
        fail("Cannot open file", path);
    for (const auto& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()
            || std::fwrite("\r\n", 1, 2, file.get()) != 2)
            fail("Cannot write to file", path);
    }
    if (std::fflush(file.get()) != 0)
        fail("Cannot write to file", path);
    closeChecked(file, path);
}

void CreateIfMissing(const std::string& path)
{
    // O_EXCL: a file that exists is never truncated, even when another
    // program creates it between a test and the creation.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return;
        fail("Cannot create file", path);
    }
    ::close(fd);
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        fail("Cannot create file", path);
    if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()
        || std::fflush(file.get()) != 0)
        fail("Cannot write to file", path);
    closeChecked(file, path);
}

void WriteFileAtomic(const std::string& path, const std::string& content)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        fail("Cannot create file", temp);
    FilePtr file(::fdopen(fd, "wb"));
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        fail("Cannot open file", temp);
    }
    // mkstemp creates 0600; give the new file the usual permissions for a text file.
    ::fchmod(fd, 0644);
    const bool written
        = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size()
        && std::fflush(file.get()) == 0 && ::fsync(fd) == 0;
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
