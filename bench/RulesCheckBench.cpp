// The rules editor's check on a 2,000-line file: the loader's work alone, and
// the whole round trip through a child process while the `full` world is live.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "benchworlds/BenchScenarios.h"
#include "rules/RulesListing.h"
#include "runtime/RulesCheckProcess.h"

namespace {

// The first 2,000 lines of the `full` world's listing: colours, settings,
// nodes and edges, as a saved scenario holds them.
std::string twoThousandLines() {
    setupBenchScenario("full");
    char *data = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&data, &size);
    writeRules(f);
    std::fclose(f);
    std::string listing(data, size), text;
    std::free(data);
    for (size_t at = 0, lines = 0; lines < 2000 && at < listing.size(); lines++) {
        size_t end = listing.find('\n', at);
        text += listing.substr(at, end - at + 1);
        at = end + 1;
    }
    return text;
}

void rulesCheckLoader(benchmark::State &state) {
    std::string text = twoThousandLines();
    size_t diagnostics = 0;
    for (auto _ : state) diagnostics += checkRulesTextReplacingWorld(text, "bench.txt").diagnostics.size();
    if (diagnostics) state.SkipWithError("the listing should check clean");
}

void rulesCheckProcess(benchmark::State &state) {
    std::string text = twoThousandLines();
    setupBenchScenario("full");  // live while the check runs
    RulesCheckProcess check(DROVAN_CHECK);
    for (auto _ : state) {
        check.start(text, "bench.txt");
        while (check.poll() == RulesCheckProcess::State::Running) {}
        if (check.failed() || !check.result().diagnostics.empty()) state.SkipWithError("the check failed");
    }
}

}  // namespace

BENCHMARK(rulesCheckLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(rulesCheckProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
