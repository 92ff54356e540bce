#include "page/MetaTags.h"

#include "platform/Pump.h"
#include "platform/TextSearch.h"

#include <string_view>

namespace {

constexpr std::string_view ContentMarker = "content=\"";
constexpr std::string_view KeywordsMarker = "meta name=\"keywords\"";

// The lookup all three routines share. Only the tag marker is found from the
// start; the value marker is the first one at or after it, even when it lies in
// a later tag, and a missing tag yields the whole text, not "". Callers depend on
// both fallbacks (a page without a robots tag is tested whole for NOINDEX).
// The result is a view into `text`, so a page without the tag costs no copy.
std::string_view lookupTag(std::string_view text, std::string_view tagMarker)
{
    const int tag = FindFromNoCase(text, tagMarker, 1);
    if (tag == 0) {
        pumpMessages();
        return text;
    }
    const int content = FindFromNoCase(text, ContentMarker, tag);
    std::string_view value;
    if (content != 0) {
        const size_t start = static_cast<size_t>(content - 1) + ContentMarker.size();
        const size_t quote = text.find('"', start);
        if (quote != std::string_view::npos)
            value = text.substr(start, quote - start);
    }
    pumpMessages(); // the value is located
    pumpMessages(); // and once more before returning
    return value;
}

} // namespace

bool IsNoIndex(const std::string& text)
{
    return FindFromNoCase(lookupTag(text, "meta name=\"robots\""), "noindex", 1) != 0;
}

std::string GetMetaDescription(const std::string& text)
{
    return std::string(lookupTag(text, "meta name=\"description\""));
}

std::string GetMetaKeywords(const std::string& text)
{
    return std::string(lookupTag(text, KeywordsMarker));
}

bool HasKeywordsTag(const std::string& text)
{
    return FindFromNoCase(text, KeywordsMarker, 1) != 0;
}
