#pragma once

#include "crawl/FileMirror.h"
#include "page/LinkState.h"
#include "platform/TextFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The URL list files (the input file and the track file): one URL per line,
// CR LF line ends. Failures raise EInOutError naming the file.

// The entries of the file at `path`, split as SplitLines does.
std::vector<std::string> ReadUrlList(const std::string& path);

// Rewrites the file at `path` whole with `urls`, one CR LF line each, through
// a temporary file renamed over it: a crash leaves the old list or the new one.
void WriteUrlList(const std::string& path, const std::vector<std::string>& urls);

// The progress file of the input file at `inputFile`, beside the file its
// symbolic links lead to.
std::string ProgressFileOf(const std::string& inputFile);

// The input file as the crawl and the window keep it. The queue is the input
// file's entries with its progress file applied (see QueueProgress.h): a run
// appends one entry per page to the progress file and writes the queue into
// the input file (folds it) when the progress file has grown past the input
// file and at the run's end, so after a run that ended or was stopped the
// input file alone holds the queue. A progress file found when the queue is
// read, one a killed run left, is folded then.
class TUrlListFile
{
public:
    // Replaces `urls` by the queue. With `fold`, a progress file is folded
    // into the input file; without (another process crawls it), the queue
    // is only read.
    void Read(const std::string& path, TUrlQueue& urls, bool fold = true);
    // Records a page done: `url` left the head of the queue, `links` joined
    // its tail. One append to the progress file.
    void PageDone(
        const std::string& path, const std::string& url, const std::vector<std::string>& links);
    // True when the progress file has grown past the input file.
    bool Outgrown() const { return m_progressSize > m_inputSize; }
    // Writes `urls`, the queue, into the input file when pages were recorded
    // since it was last read or written.
    void Fold(const std::string& path, const TUrlQueue& urls);
    // Rewrites the input file with `urls`; a progress file goes.
    void Write(
        const std::string& path, const TUrlQueue& urls, Durability durability = Durability::Cached);
    // True when the input file is there and not the version last read or
    // written here, or has a progress file: someone else changed the queue.
    bool Changed(const std::string& path) const;

private:
    TFileMirror m_mirror;
    std::uint64_t m_inputSize = 0;
    std::uint64_t m_progressSize = 0; // appended since the input file was last written
};
