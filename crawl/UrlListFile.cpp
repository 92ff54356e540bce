#include "crawl/UrlListFile.h"

#include "platform/TextFile.h"

#include <algorithm>

std::vector<std::string> ReadUrlList(const std::string& path)
{
    return SplitLines(ReadWholeFile(path));
}

void WriteUrlList(const std::string& path, const std::vector<std::string>& urls)
{
    WriteFileAtomic(path, JoinLines(urls));
}

void TUrlListFile::Read(const std::string& path, std::vector<std::string>& urls)
{
    urls = ReadUrlList(path);
    m_mirror.Forget();
}

void TUrlListFile::Write(
    const std::string& path, const std::vector<std::string>& urls, std::size_t checkFrom)
{
    m_mirror.Forget();
    const std::string text = JoinLines(urls);
    // The queue is rewritten after every page. Waiting for the disk each time
    // would cost a disk round trip per page and still not carry a crawl
    // through a power loss: the records appended before it are not waited
    // for either. A crash of the program leaves the old or the new list.
    WriteFileAtomic(path, text, NewFileMode::ByUmask, Durability::Cached);
    // An entry holding a line break would read back as two. Only the entries
    // from checkFrom on are looked at: a search of the whole queue after
    // every page would grow with it.
    m_readsBackWhole
        = std::none_of(urls.begin() + static_cast<std::ptrdiff_t>(std::min(checkFrom, urls.size())),
            urls.end(), [](const std::string& url) {
                return url.find('\r') != std::string::npos || url.find('\n') != std::string::npos;
            });
    m_mirror.Note(path, text.size());
}

void TUrlListFile::ReadBack(const std::string& path, std::vector<std::string>& urls)
{
    if (m_readsBackWhole && m_mirror.Current(path))
        return;
    Read(path, urls);
}
