#include "platform/TextSearch.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A miss over the whole text: the cost of every marker search of the page routines.
void BM_FindFromMiss(benchmark::State& state)
{
    const std::string text(static_cast<size_t>(state.range(0)), 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(FindFrom(text, "</title>", 1));
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindFromMiss)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

} // namespace
