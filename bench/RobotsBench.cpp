// robots.txt matching on hostile patterns, at sizes ten times apart: the time
// ratio between them shows how the cost grows (linear: about ten).
#include "page/RobotsTxt.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string robotsWith(const std::string& pattern)
{
    return "User-agent: *\nDisallow: " + pattern + "\n";
}

// Many wildcards, the last segment missing: a matcher that backtracks tries
// every placement of every segment.
void BM_RobotsManyWildcards(benchmark::State& state)
{
    const auto n = static_cast<size_t>(state.range(0));
    std::string pattern = "/";
    for (size_t i = 0; i < n / 2; ++i)
        pattern += "*a";
    pattern += "*b";
    const TRobotsTxt robots = TRobotsTxt::Parse(robotsWith(pattern), "Skelvo");
    const std::string path = "/" + std::string(n, 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(robots.IsAllowed(path));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RobotsManyWildcards)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

// One long segment that almost matches everywhere: a search that restarts
// after each mismatch reads the path once per segment byte.
void BM_RobotsLongSegment(benchmark::State& state)
{
    const auto n = static_cast<size_t>(state.range(0));
    const TRobotsTxt robots
        = TRobotsTxt::Parse(robotsWith("/*" + std::string(n / 2, 'a') + "b"), "Skelvo");
    const std::string path = "/" + std::string(n, 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(robots.IsAllowed(path));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RobotsLongSegment)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// An ordinary site's file of a hundred rules and a page path: the price of
// one check per fetched page.
void BM_RobotsOrdinaryPage(benchmark::State& state)
{
    std::string body = "User-agent: *\n";
    for (int i = 0; i < 100; ++i)
        body += (i % 3 ? "Disallow: /section" : "Allow: /section") + std::to_string(i)
            + (i % 2 ? "/*.pdf$\n" : "/private/\n");
    const TRobotsTxt robots = TRobotsTxt::Parse(body, "Skelvo");
    const std::string path = "/docs/current/sql-createtable.html?highlight=table%20x";
    for (auto _ : state)
        benchmark::DoNotOptimize(robots.IsAllowed(path));
}
BENCHMARK(BM_RobotsOrdinaryPage)->Unit(benchmark::kMicrosecond);

} // namespace
