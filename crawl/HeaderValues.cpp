#include "crawl/HeaderValues.h"

#include "platform/TextSearch.h"

#include <algorithm>

std::vector<std::string> HeaderValues(const std::string& header, const std::string& upperName)
{
    const std::string upper = UpperCase(header);
    const std::string marker = upperName + ": ";
    std::vector<std::string> values;
    for (size_t at = upper.find(marker); at != std::string::npos; at = upper.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        const size_t lineFeed = header.find('\n', start);
        // The value ends two characters before the line feed: its CR is not
        // part of it. A line cut short leaves nothing.
        const size_t end = lineFeed == std::string::npos ? header.size() : lineFeed - 1;
        values.push_back(end > start ? header.substr(start, end - start) : std::string());
    }
    return values;
}

std::string WithoutControlBytes(std::string value)
{
    std::erase_if(value, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return value;
}
