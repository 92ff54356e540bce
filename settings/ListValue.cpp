#include "settings/ListValue.h"

#include "platform/TextSearch.h"

#include <algorithm>

TStringList SplitListValue(const std::string& value)
{
    TStringList entries;
    std::string rest = value;
    for (int slot = 0; slot < ListSlots; ++slot) {
        std::string entry;
        const int comma = FindFrom(rest, ",", 1);
        if (comma > 0) {
            entry = LeftPart(rest, comma - 1);
            rest = CopyStr(rest, comma + 1, static_cast<int>(rest.size()));
        } else {
            entry = std::move(rest);
            rest.clear();
        }
        // An empty slot ends the list: ",A" and "A,,B" stop there.
        if (entry.empty())
            break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string JoinListValue(const TStringList& entries)
{
    std::string value;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            value += ',';
        value += entries[i];
    }
    return value;
}

std::size_t InsertSorted(TStringList& list, const std::string& entry)
{
    const std::string key = UpperCase(entry);
    const auto place = std::upper_bound(list.begin(), list.end(), key,
        [](const std::string& k, const std::string& item) { return k < UpperCase(item); });
    const auto index = static_cast<std::size_t>(place - list.begin());
    list.insert(place, entry);
    return index;
}
