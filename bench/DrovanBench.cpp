// Google Benchmark over the same worlds as `drovan-batch bench`, for profiling.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "benchworlds/BenchScenarios.h"
#include "io/NetworkFormat.h"
#include "world/Pattern.h"

static void worldStepBench(benchmark::State &state, const char *name) {
    setupBenchScenario(name);
    for (auto _ : state) benchStep();
}

BENCHMARK_CAPTURE(worldStepBench, small, "small")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, busy, "busy")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, full, "full")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, meta, "meta")->Unit(benchmark::kMicrosecond);

// Reading a dense pattern file: 2,056 nodes joined by 60,000 distinct edges.
static void patternReadBench(benchmark::State &state) {
    setupBenchScenario("small");  // any world with colours
    const int nodes = 2056, edges = 60000;
    std::string text = std::to_string(nodes) + " " + std::to_string(edges) + "\n";
    for (int i = 0; i < nodes; i++)
        text += std::to_string(i % 50 * 10) + ".000000 " + std::to_string(i / 50 * 10) + ".000000 0.000000 " +
                std::to_string(i % 3) + "\n";
    for (int j = 0; j < edges; j++) {
        int a = j % nodes, b = (a + 1 + j / nodes) % nodes;
        text += std::to_string(a) + " " + std::to_string(b) + " 0\n";
    }
    Pattern *p = patternSlot(0);
    for (auto _ : state) {
        FILE *f = fmemopen(text.data(), text.size(), "r");
        if (!readNetwork(*p, f, "bench.txt")) state.SkipWithError("the pattern did not read completely");
        std::fclose(f);
    }
    state.counters["edges"] = p->edgeCount;
}
BENCHMARK(patternReadBench)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
