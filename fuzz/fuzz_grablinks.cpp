// GrabLinks on arbitrary pages. The first line of the input is the page's URL,
// its first byte also ticks Internal Only; the other lines are the page. The
// track file lives in a temporary folder removed at exit.
#include "fuzz/FuzzCheck.h"
#include "page/GrabLinks.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string g_dir;

void removeDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_dir, ignored);
}

std::vector<std::string> splitLines(const std::string& text, size_t from)
{
    std::vector<std::string> lines;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string dir = (std::filesystem::temp_directory_path() / "skelvo-fuzz-XXXXXX").string();
    if (!::mkdtemp(dir.data()))
        std::abort();
    g_dir = dir;
    std::atexit(removeDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The run takes the URL from a list split at CR and LF: it holds neither.
    const size_t firstBreak = std::min(input.find_first_of("\r\n"), input.size());

    TLinkSettings settings;
    settings.webExts = { ".HTM", ".HTML", "" };
    settings.domainExts = { ".TEST", ".COM", "" };
    settings.filterDomains = { "SITE", "" };
    settings.trackFile = g_dir + "/track.txt";
    std::filesystem::remove(settings.trackFile);

    TLinkState state;
    state.settings = settings;
    state.currentUrl = input.substr(0, firstBreak);
    state.pageSource = splitLines(input, firstBreak + 1);
    state.seenList.Assign({ "http://site.test/seen.htm" });
    const bool internal = !input.empty() && (input[0] & 1);
    int reads = 0;
    int shown = 0;
    state.InternalOnly = [&] { return ++reads, internal; };
    state.ShowLeft = [&] { ++shown; };
    GrabLinks(state);

    FUZZ_CHECK(shown == static_cast<int>(state.urlList.size()));
    FUZZ_CHECK(state.seenList.Count() == 1 + shown);
    std::string track;
    for (const auto& url : state.urlList) {
        FUZZ_CHECK(url.find_first_of("\r\n?#\"") == std::string::npos);
        FUZZ_CHECK(url.size() <= MaxLinkLength);
        // Tabs of link values go; one typed into the page's URL stays with it.
        if (state.currentUrl.find('\t') == std::string::npos)
            FUZZ_CHECK(url.find('\t') == std::string::npos);
        track += url + "\r\n";
    }
    const std::string written
        = std::filesystem::exists(settings.trackFile) ? ReadWholeFile(settings.trackFile) : "";
    FUZZ_CHECK(written == track);
    return 0;
}
