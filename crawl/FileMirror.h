#pragma once

#include "platform/FileStamp.h"

#include <cstdint>
#include <optional>
#include <string>

// Remembers which version of a file an in-memory list mirrors, by the file's
// stamp, so that reading the file again can be skipped while it stays that
// version: the list already holds what the read would give.
class TFileMirror
{
public:
    // Notes the file at `path` as mirrored when its size is `size`, the bytes
    // the list accounts for; a different size means someone else wrote as
    // well, and the mirror is forgotten.
    void Note(const std::string& path, std::uint64_t size);
    // True when the file at `path` is still the version last noted.
    bool Current(const std::string& path) const;
    // The size noted; only meaningful while Current.
    std::uint64_t Size() const { return m_stamp ? m_stamp->size : 0; }
    void Forget() { m_stamp.reset(); }

private:
    std::optional<TFileStamp> m_stamp;
};
