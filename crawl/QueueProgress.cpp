#include "crawl/QueueProgress.h"

#include <cstdint>
#include <cstdio>

namespace {

// FNV-1a, 64 bits: enough to tell the input file a fold wrote from the one
// it replaced.
std::uint64_t hashOf(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

struct TPageDone
{
    std::string_view url;
    std::vector<std::string_view> links;
};

} // namespace

std::string ProgressEntry(const std::string& url, const std::vector<std::string>& links)
{
    std::string entry;
    for (const auto& link : links)
        entry.append("+").append(link).append("\r\n");
    return entry.append("-").append(url).append("\r\n");
}

std::string FoldMark(std::string_view content)
{
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(hashOf(content)));
    return "=" + std::to_string(content.size()) + " " + hash + "\r\n";
}

void ApplyProgress(std::string_view progress, std::string_view input, TUrlQueue& urls)
{
    std::vector<TPageDone> pages;
    std::vector<std::string_view> links;
    std::string_view mark;
    for (std::size_t at = 0;;) {
        const std::size_t end = progress.find("\r\n", at);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = progress.substr(at, end + 2 - at);
        at = end + 2;
        if (line.front() == '+') {
            links.push_back(line.substr(1, line.size() - 3));
        } else if (line.front() == '-') {
            pages.push_back({ line.substr(1, line.size() - 3), std::move(links) });
            links.clear();
        } else if (line.front() == '=') {
            mark = line;
        }
    }
    if (!mark.empty() && mark == FoldMark(input))
        return;
    for (const auto& page : pages) {
        if (!urls.empty() && urls.front() == page.url)
            urls.pop_front();
        urls.insert(urls.end(), page.links.begin(), page.links.end());
    }
}
