// Loading the dictionaries that Debian's freeradius-common installs, as every run that
// names attributes does before it reads a packet.
#include "dictionary/DictionaryChoice.hpp"

#include <benchmark/benchmark.h>

namespace {

void BM_LoadInstalledDictionaries(benchmark::State& state) {
    for (auto _ : state) {
        auto loaded = analysis::loadDictionary(std::nullopt);
        benchmark::DoNotOptimize(loaded.dictionary.attributes().size());
    }
}
BENCHMARK(BM_LoadInstalledDictionaries)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
