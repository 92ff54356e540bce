// The three meta-tag routines on arbitrary bytes: a result is the whole input
// (no tag) or a piece of it that holds no double quote.
#include "fuzz/FuzzCheck.h"
#include "page/MetaTags.h"
#include "platform/TextSearch.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void checkLookup(const std::string& text, const std::string& value)
{
    if (value == text)
        return;
    FUZZ_CHECK(value.find('"') == std::string::npos);
    FUZZ_CHECK(value.empty() || text.find(value) != std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkLookup(text, GetMetaDescription(text));
    checkLookup(text, GetMetaKeywords(text));
    const bool noIndex = IsNoIndex(text);
    // Without a robots tag the whole page is what is tested.
    if (FindFrom(LowerCase(text), "meta name=\"robots\"", 1) == 0)
        FUZZ_CHECK(noIndex == (FindFrom(UpperCase(text), "NOINDEX", 1) != 0));
    return 0;
}
