#include "crawl/KnownListFile.h"

#include "crawl/TextLines.h"
#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"

#include <algorithm>

namespace {

bool EndsWithBreak(const std::string& text)
{
    return text.empty() || text.back() == '\r' || text.back() == '\n';
}

// The text of the list holds one CR and one LF per entry, those that end
// the lines, unless an entry holds a line break of its own: it would come
// back from the file as two entries.
bool ReadsBackWhole(const std::vector<std::string>& urls, const std::string& text)
{
    const auto lines = static_cast<std::ptrdiff_t>(urls.size());
    return std::count(text.begin(), text.end(), '\r') == lines
        && std::count(text.begin(), text.end(), '\n') == lines;
}

} // namespace

bool TKnownListFile::Unchanged(const std::string& path) const
{
    return m_stamp && path == m_path && StampOf(path) == m_stamp;
}

std::vector<std::string> TKnownListFile::Read(const std::string& path)
{
    std::optional<TFileStamp> stamp;
    const std::string text = ReadWholeFile(path, &stamp);
    Note(path, EndsWithBreak(text) ? stamp : std::nullopt);
    return SplitLines(text);
}

void TKnownListFile::Rewrite(const std::string& path, const std::vector<std::string>& urls)
{
    Forget();
    // The queue is rewritten after every page. Waiting for the disk each time
    // would cost a disk round trip per page and still not carry a crawl
    // through a power loss: the records appended before it are not waited
    // for either. A crash of the program leaves the old or the new list.
    const std::string text = JoinLines(urls);
    const auto stamp = WriteFileAtomic(path, text, NewFileMode::ByUmask, Durability::Cached);
    if (ReadsBackWhole(urls, text))
        Note(path, stamp);
}

void TKnownListFile::Append(const std::string& path, const std::vector<std::string>& urls)
{
    if (urls.empty())
        return;
    const bool known = m_stamp && path == m_path;
    const auto before = m_stamp;
    Forget();
    const std::string text = JoinLines(urls);
    const auto bytes = static_cast<std::int64_t>(text.size());
    const auto after = AppendLines(path, urls);
    if (known && after && ReadsBackWhole(urls, text) && after->device == before->device
        && after->inode == before->inode && after->size == before->size + bytes)
        Note(path, after);
}

void TKnownListFile::Forget()
{
    m_path.clear();
    m_stamp.reset();
}

void TKnownListFile::Note(const std::string& path, const std::optional<TFileStamp>& stamp)
{
    m_path = path;
    m_stamp = stamp;
}
