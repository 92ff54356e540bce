#include "page/MetaTags.h"

#include "page/TextSearch.h"
#include "platform/Pump.h"

namespace {

const std::string ContentMarker = "content=\"";

// The lookup all three routines share. Only the tag marker is found from the
// start; the value marker is the first one at or after it, even when it lies in
// a later tag, and a missing tag yields the whole text, not "". Callers depend on
// both fallbacks (a page without a robots tag is tested whole for NOINDEX).
std::string LookupTag(const std::string& text, const std::string& tagMarker)
{
    const std::string lower = LowerCase(text);
    const int tag = FindFrom(lower, tagMarker, 1);
    if (tag == 0) {
        pumpMessages();
        return text;
    }
    const int content = FindFrom(lower, ContentMarker, tag);
    std::string value;
    if (content != 0) {
        const int start = content + static_cast<int>(ContentMarker.size());
        // The closing quote is searched in the page itself; a quote is no letter,
        // so the copy would find the same one.
        const int quote = FindFrom(text, "\"", start);
        if (quote != 0)
            value = CopyStr(text, start, quote - start);
    }
    pumpMessages(); // the value is located
    pumpMessages(); // and once more before returning
    return value;
}

} // namespace

bool IsNoIndex(const std::string& text)
{
    return FindFrom(UpperCase(LookupTag(text, "meta name=\"robots\"")), "NOINDEX", 1) != 0;
}

std::string GetMetaDescription(const std::string& text)
{
    return LookupTag(text, "meta name=\"description\"");
}

std::string GetMetaKeywords(const std::string& text)
{
    return LookupTag(text, "meta name=\"keywords\"");
}
