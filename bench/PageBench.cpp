// Page analysis on realistic and on worst-case pages, each at two sizes ten
// times apart: the time ratio between them shows how the cost grows.
#include "page/GrabLinks.h"
#include "page/KeywordMatcher.h"
#include "page/MetaTags.h"
#include "page/PageText.h"
#include "page/StripHtml.h"
#include "page/Title.h"
#include "platform/TextFile.h"
#include "platform/TextSearch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

std::string repeat(const std::string& piece, size_t bytes)
{
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes)
        s += piece;
    s.resize(bytes);
    return s;
}

// A page body in the usual proportions of words, tags, entities and line breaks.
std::string ordinaryPage(size_t bytes)
{
    return repeat("<p class=\"x\">Some words &amp; more&nbsp;words</p>\r\n<!-- note -->"
                  "<script>if (a < b) go();</script><div>\tText <b>bold</b> end</div>\r\n",
        bytes);
}

void BM_StripHtmlOrdinary(benchmark::State& state)
{
    const std::string page = ordinaryPage(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(StripHtml(page, "|"));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StripHtmlOrdinary)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

// Unclosed blocks and a separator that the filler keeps completing: the cases
// where restarting every search would be quadratic.
void BM_StripHtmlHostile(benchmark::State& state)
{
    const std::string page
        = repeat("<script<style<title><!| | ", static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(StripHtml(page, " |"));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StripHtmlHostile)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

// The tags at the very end of the page: every search runs over all of it.
void BM_GetTitle(benchmark::State& state)
{
    const std::string page
        = ordinaryPage(static_cast<size_t>(state.range(0))) + "<title>Late Title</title>";
    for (auto _ : state)
        benchmark::DoNotOptimize(GetTitle(page));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetTitle)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

std::string pageWithKeywordsAtTheEnd(size_t bytes)
{
    return ordinaryPage(bytes) + "<meta name=\"keywords\" content=\"late, keywords\">";
}

// No robots tag: the whole page is tested for the word.
void BM_IsNoIndex(benchmark::State& state)
{
    const std::string page = pageWithKeywordsAtTheEnd(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(IsNoIndex(page));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IsNoIndex)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_GetMetaKeywords(benchmark::State& state)
{
    const std::string page = pageWithKeywordsAtTheEnd(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(GetMetaKeywords(page));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetMetaKeywords)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// No description tag: the whole page comes back.
void BM_GetMetaDescriptionMissing(benchmark::State& state)
{
    const std::string page = pageWithKeywordsAtTheEnd(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(GetMetaDescription(page));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetMetaDescriptionMissing)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

// A keyword list of 100 entries that are not on the page, so every entry is
// looked for in all of it.
std::vector<std::string> absentEntries()
{
    std::vector<std::string> entries;
    for (int i = 0; i < 100; ++i)
        entries.push_back("QZKEYWORD" + std::to_string(i));
    return entries;
}

// The keyword lists' search as one automaton over all entries.
void BM_KeywordMatcher(benchmark::State& state)
{
    const std::string page = ordinaryPage(static_cast<size_t>(state.range(0)));
    const TKeywordMatcher matcher(absentEntries());
    for (auto _ : state)
        benchmark::DoNotOptimize(matcher.FirstFound(page));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeywordMatcher)->Arg(1 << 20)->Arg(32 << 20)->Unit(benchmark::kMillisecond);

// The same search made as it once was: an upper-cased copy of the page, then
// a search of it for each entry in turn.
void BM_KeywordSearchEntryByEntry(benchmark::State& state)
{
    const std::string page = ordinaryPage(static_cast<size_t>(state.range(0)));
    const std::vector<std::string> entries = absentEntries();
    for (auto _ : state) {
        const std::string upperPage = UpperCase(page);
        benchmark::DoNotOptimize(std::any_of(entries.begin(), entries.end(),
            [&upperPage](const std::string& entry) { return FindFrom(upperPage, entry, 1) != 0; }));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeywordSearchEntryByEntry)->Arg(1 << 20)->Arg(32 << 20)->Unit(benchmark::kMillisecond);

// The page text of a body: 0 already in shape (CR LF), 1 bare line feeds
// only, 2 an ordinary page with line feeds (the copy most pages take).
void BM_PageTextOf(benchmark::State& state)
{
    const auto bytes = static_cast<size_t>(state.range(0));
    std::string body;
    switch (state.range(1)) {
    case 0:
        body = ordinaryPage(bytes);
        break;
    case 1:
        body.assign(bytes, '\n');
        break;
    default:
        body = ordinaryPage(bytes);
        std::erase(body, '\r');
        break;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = body;
        state.ResumeTiming();
        benchmark::DoNotOptimize(PageTextOf(std::move(copy)));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_PageTextOf)
    ->Args({ 10000, 2 })
    ->Args({ 32 << 20, 0 })
    ->Args({ 32 << 20, 1 })
    ->Args({ 32 << 20, 2 })
    ->Unit(benchmark::kMicrosecond);

// A page of `pageBytes` with `links` link values against a seenList of
// `seen` URLs; a tenth of the links are new.
void BM_GrabLinks(benchmark::State& state)
{
    const auto pageBytes = static_cast<size_t>(state.range(0));
    const auto links = static_cast<int>(state.range(1));
    const auto seen = static_cast<int>(state.range(2));
    TLinkSettings settings;
    settings.webExts = { ".HTM", ".HTML", ".PHP" };
    settings.domainExts = { ".COM", ".ORG", ".TEST" };
    settings.filterDomains = { "SPAM.TEST" };

    const size_t lineBytes = pageBytes / static_cast<size_t>(links);
    std::vector<std::string> source;
    for (int i = 0; i < links; ++i) {
        const std::string n = std::to_string(i);
        std::string line;
        switch (i % 4) {
        case 0:
            line = "<a href=\"p" + n + ".htm\">";
            break;
        case 1:
            line = "<a HREF=\"http://site.test/dir/p" + n + ".htm\">";
            break;
        case 2:
            line = "<a href=\"./p" + n + ".htm\">";
            break;
        default:
            line = "<img src=\"p" + n + ".htm\">";
            break;
        }
        line += "Words of the page around the link";
        line.resize(lineBytes > line.size() + 2 ? lineBytes - 2 : line.size(), '.');
        source.push_back(std::move(line));
    }
    TSeenList seenList;
    {
        std::vector<std::string> lines;
        for (int j = links / 10; j < links / 10 + seen; ++j)
            lines.push_back("http://SITE.test/dir/p" + std::to_string(j) + ".htm");
        seenList.Assign(std::move(lines));
    }

    TLinkState linkState;
    linkState.settings = settings;
    linkState.currentUrl = "http://site.test/dir/index.html";
    linkState.pageSource = JoinLines(source);
    for (auto _ : state) {
        state.PauseTiming();
        linkState.urlList.clear();
        linkState.seenList = seenList;
        linkState.newLinks.clear();
        state.ResumeTiming();
        GrabLinks(linkState);
    }
    state.counters["queued"] = static_cast<double>(linkState.urlList.size());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pageBytes));
}
BENCHMARK(BM_GrabLinks)
    ->Args({ 1 << 20, 10000, 100000 })
    ->Args({ 10 << 20, 100000, 1000000 })
    ->Args({ 1 << 20, 10000, 1000000 }) // the same page against ten times the seenList
    ->Unit(benchmark::kMillisecond);

} // namespace
