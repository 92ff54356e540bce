#pragma once

#include "platform/FileStamp.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A URL list file (the input file or the track file) together with the stamp
// it had when the run last read or wrote it. While the file still has that
// stamp, nobody else has changed it since, and reading it again would give
// exactly the list the run holds: the run may skip the read. A crawl reads
// both files once per page, and both grow with the crawl, so those reads
// would otherwise make each page slower than the one before.
class TKnownListFile
{
public:
    // True when `path` is the file noted last and it still has the noted stamp.
    bool Unchanged(const std::string& path) const;

    // The entries of `path` (as ReadUrlList gives them); notes the file as
    // known unless its last line has no line break, which an append would
    // lengthen instead of adding a line after it.
    std::vector<std::string> Read(const std::string& path);

    // Rewrites `path` with `urls` (as WriteUrlList does, but without waiting
    // for the disk) and notes the new file, unless an entry from `checkFrom`
    // on holds a line break and so would not come back from the file as it
    // is. The caller vouches for the entries before `checkFrom`: they come
    // from a read of a list file or from the list of a rewrite noted before.
    void Rewrite(
        const std::string& path, const std::vector<std::string>& urls, std::size_t checkFrom = 0);

    // Appends `urls` to `path`, one CR LF line each, in one write. The file
    // stays known when it was before and grew by just these lines, so that
    // the list the run holds (which the caller extends by the same URLs) is
    // still the file's.
    void Append(const std::string& path, const std::vector<std::string>& urls);

    // Forgets the noted file: the next Unchanged answers false.
    void Forget();

private:
    void Note(const std::string& path, const std::optional<TFileStamp>& stamp);

    std::string m_path;
    std::optional<TFileStamp> m_stamp;
};
