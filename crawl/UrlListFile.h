#pragma once

#include "crawl/FileMirror.h"

#include <cstddef>
#include <string>
#include <vector>

// The URL list files (the input file and the track file): one URL per line,
// CR LF line ends. Failures raise EInOutError naming the file.

// The entries of the file at `path`, split as SplitLines does.
std::vector<std::string> ReadUrlList(const std::string& path);

// Rewrites the file at `path` whole with `urls`, one CR LF line each, through
// a temporary file renamed over it: a crash leaves the old list or the new one.
void WriteUrlList(const std::string& path, const std::vector<std::string>& urls);

// The input file as the crawl run keeps it: rewritten whole after every page
// and read back. Reading back the version this object has just written, which
// nobody has changed since, gives the list as it was written, so that read is
// skipped and the per-page cost stays one write of the queue.
class TUrlListFile
{
public:
    // Replaces `urls` by the entries of the file at `path`.
    void Read(const std::string& path, std::vector<std::string>& urls);
    // Rewrites the file at `path` with `urls`, as WriteUrlList but without
    // waiting for the disk. The caller vouches that the entries before
    // `checkFrom` hold no line break (they were read from a list file, or
    // came back whole from a rewrite before).
    void Write(
        const std::string& path, const std::vector<std::string>& urls, std::size_t checkFrom = 0);
    // Makes `urls`, the list last given to Write, what the file at `path` holds.
    void ReadBack(const std::string& path, std::vector<std::string>& urls);

private:
    TFileMirror m_mirror;
    // The list written reads back the same: no entry holds a line break.
    bool m_readsBackWhole = false;
};
