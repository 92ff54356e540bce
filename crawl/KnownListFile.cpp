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

// An entry holding a line break would come back from the file as two.
bool HoldsLineBreak(const std::string& url)
{
    return url.find('\r') != std::string::npos || url.find('\n') != std::string::npos;
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

void TKnownListFile::Rewrite(
    const std::string& path, const std::vector<std::string>& urls, std::size_t checkFrom)
{
    Forget();
    // The queue is rewritten after every page. Waiting for the disk each time
    // would cost a disk round trip per page and still not carry a crawl
    // through a power loss: the records appended before it are not waited
    // for either. A crash of the program leaves the old or the new list.
    const auto stamp
        = WriteFileAtomic(path, JoinLines(urls), NewFileMode::ByUmask, Durability::Cached);
    if (std::none_of(urls.begin() + static_cast<std::ptrdiff_t>(std::min(checkFrom, urls.size())),
            urls.end(), HoldsLineBreak))
        Note(path, stamp);
}

void TKnownListFile::Append(const std::string& path, const std::vector<std::string>& urls)
{
    if (urls.empty())
        return;
    const bool known = m_stamp && path == m_path;
    const auto before = m_stamp;
    Forget();
    std::int64_t bytes = 0;
    for (const auto& url : urls)
        bytes += static_cast<std::int64_t>(url.size()) + 2;
    const auto after = AppendLines(path, urls);
    if (known && after && std::none_of(urls.begin(), urls.end(), HoldsLineBreak)
        && after->device == before->device && after->inode == before->inode
        && after->size == before->size + bytes)
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
