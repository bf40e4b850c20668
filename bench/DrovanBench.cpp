// Google Benchmark over the same worlds as `drovan-batch bench`, for profiling.
#include <benchmark/benchmark.h>

#include "batch/BenchScenarios.h"

static void worldStepBench(benchmark::State &state, const char *name) {
    setupBenchScenario(name);
    for (auto _ : state) benchStep();
}

BENCHMARK_CAPTURE(worldStepBench, small, "small")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, busy, "busy")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, full, "full")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(worldStepBench, meta, "meta")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
