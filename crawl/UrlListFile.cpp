#include "crawl/UrlListFile.h"

#include "crawl/TextLines.h"
#include "platform/TextFile.h"

std::vector<std::string> ReadUrlList(const std::string& path)
{
    return SplitLines(ReadWholeFile(path));
}

void WriteUrlList(const std::string& path, const std::vector<std::string>& urls)
{
    WriteFileAtomic(path, JoinLines(urls));
}
