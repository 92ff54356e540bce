#include "crawl/TextLines.h"

#include "page/PumpThrottle.h"

#include <algorithm>

std::vector<std::string> SplitLines(std::string_view bytes, TPumpThrottle* pump)
{
    // A plain scan for the line ends: find_first_of makes a library call per byte.
    const auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
    std::vector<std::string> lines;
    auto start = bytes.begin();
    while (start != bytes.end()) {
        const auto end = std::find_if(start, bytes.end(), isLineEnd);
        lines.emplace_back(start, end);
        if (pump != nullptr)
            pump->Tick();
        if (end == bytes.end())
            break;
        start = end + 1;
        if (*end == '\r' && start != bytes.end() && *start == '\n')
            ++start;
    }
    return lines;
}
