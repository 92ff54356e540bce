#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one state of a file from another without reading it: which file
// it is (device and inode), its size and its modification time. A file
// replaced by another gets a new inode; a write changes the size or the
// modification time, unless it keeps the size and falls within the same tick
// of the file system's clock as the write before. So equal stamps mean an
// unchanged file for the program's own sequence of writes and reads, not
// proof against a same-size edit made by someone else in the same instant.
struct TFileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // nanoseconds since the epoch

    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at `path`; nothing when it cannot be examined.
std::optional<TFileStamp> StampOf(const std::string& path);

// The stamp of the open file `fd`; nothing when it cannot be examined.
std::optional<TFileStamp> StampOf(int fd);
