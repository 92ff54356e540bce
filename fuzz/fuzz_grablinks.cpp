// GrabLinks on arbitrary pages. The first line of the input is the page's URL,
// its first byte also ticks Internal Only; the rest is the page's body, which
// becomes the page text as the fetch makes it.
#include "fuzz/FuzzCheck.h"
#include "page/GrabLinks.h"
#include "page/PageText.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The run takes the URL from a list split at CR and LF: it holds neither.
    const size_t firstBreak = std::min(input.find_first_of("\r\n"), input.size());

    TLinkSettings settings;
    settings.webExts = { ".HTM", ".HTML", "" };
    settings.domainExts = { ".TEST", ".COM", "" };
    settings.filterDomains = { "SITE", "" };

    TLinkState state;
    state.settings = settings;
    state.currentUrl = input.substr(0, firstBreak);
    const std::string_view body
        = std::string_view(input).substr(std::min(firstBreak + 1, input.size()));
    state.pageSource = PageTextOf(std::string(body));
    // The page text is the body's lines up to its first zero byte, each followed by CR LF.
    FUZZ_CHECK(state.pageSource == JoinLines(SplitLines(body.substr(0, body.find('\0')))));
    state.seenList.Assign({ "http://site.test/seen.htm" });
    const bool internal = !input.empty() && (input[0] & 1);
    int reads = 0;
    int shown = 0;
    state.InternalOnly = [&] { return ++reads, internal; };
    state.ShowLeft = [&] { ++shown; };
    GrabLinks(state);

    FUZZ_CHECK(shown == static_cast<int>(state.urlList.size()));
    FUZZ_CHECK(state.seenList.Count() == 1 + shown);
    for (const auto& url : state.urlList) {
        FUZZ_CHECK(url.find_first_of("\r\n?#\"") == std::string::npos);
        FUZZ_CHECK(url.size() <= MaxLinkLength);
        // Tabs of link values go; one typed into the page's URL stays with it.
        if (state.currentUrl.find('\t') == std::string::npos)
            FUZZ_CHECK(url.find('\t') == std::string::npos);
    }
    FUZZ_CHECK(std::equal(
        state.newLinks.begin(), state.newLinks.end(), state.urlList.begin(), state.urlList.end()));
    return 0;
}
