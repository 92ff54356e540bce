#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one version of a file from another without reading it: the file
// (device and inode), its size and its modification time. Two equal stamps
// mean the file has not been replaced, rewritten or appended to in between,
// short of a same-size rewrite within one tick of the file system's clock.
struct TFileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSec = 0;
    std::int64_t modifiedNsec = 0;

    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at `path`; none when it cannot be examined.
std::optional<TFileStamp> FileStampOf(const std::string& path);
