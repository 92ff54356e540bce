#pragma once

#include "crawl/FileMirror.h"

#include <cstddef>
#include <string>
#include <vector>

class TSeenList;

// The track file, read into seenList at every page and appended to with the
// links each page queues. A track file that nobody else has changed since
// this object last read or appended to it is not parsed again: seenList then
// holds its lines already, and a long crawl does not read its whole history
// for every page.
class TTrackFile
{
public:
    // Makes `seen` hold the lines of the file at `path` (split as SplitLines does).
    void Read(const std::string& path, TSeenList& seen);
    // Appends `links`, one CR LF line each, in one write. They are the
    // entries added to `seen` since the last Read or Append, in their order.
    void Append(
        const std::string& path, const std::vector<std::string>& links, const TSeenList& seen);

private:
    TFileMirror m_mirror;
    std::size_t m_entries = 0; // entries of seenList that the file holds
    bool m_endsWithBreak = true; // an append starts a line of its own
};
