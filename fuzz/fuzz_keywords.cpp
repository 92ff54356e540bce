// The keyword lists' automaton on arbitrary entries and pages, against a plain
// search of each entry in turn in the upper-cased page. The first line of the
// input is the list, entries separated by commas; the rest is the page.
#include "fuzz/FuzzCheck.h"
#include "page/KeywordMatcher.h"
#include "platform/TextSearch.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t firstBreak = std::min(input.find('\n'), input.size());
    std::vector<std::string> entries;
    for (size_t at = 0; at <= firstBreak;) {
        const size_t comma = std::min(input.find(',', at), firstBreak);
        entries.push_back(input.substr(at, comma - at));
        at = comma + 1;
    }
    const std::string page = input.substr(std::min(firstBreak + 1, input.size()));

    std::optional<size_t> plain;
    const std::string upperPage = UpperCase(page);
    for (size_t i = 0; i < entries.size() && !plain; ++i) {
        if (FindFrom(upperPage, entries[i], 1) != 0)
            plain = i;
    }
    const TKeywordMatcher matcher(entries);
    FUZZ_CHECK(matcher.FirstFound(page) == plain);
    FUZZ_CHECK(matcher.AnyFound(page) == plain.has_value());
    return 0;
}
