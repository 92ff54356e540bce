#include "crawl/UrlListFile.h"

#include "crawl/TextLines.h"
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

void TUrlListFile::Write(const std::string& path, const std::vector<std::string>& urls)
{
    m_mirror.Forget();
    const std::string text = JoinLines(urls);
    WriteFileAtomic(path, text);
    // Each entry adds one CR and one LF: any more belong to an entry.
    m_readsBackWhole
        = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) == urls.size()
        && static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r')) == urls.size();
    m_mirror.Note(path, text.size());
}

void TUrlListFile::ReadBack(const std::string& path, std::vector<std::string>& urls)
{
    if (m_readsBackWhole && m_mirror.Current(path))
        return;
    Read(path, urls);
}
