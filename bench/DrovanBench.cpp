// Google Benchmark over the same worlds as `drovan-batch bench`, for profiling.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "benchworlds/BenchScenarios.h"
#include "io/Snapshot.h"
#include "runtime/UndoHistory.h"
#include "runtime/WorldSnapshot.h"
#include "io/NetworkFormat.h"
#include "world/Pattern.h"
#include "world/WorldStore.h"

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

// The whole world of `full` (about 22,000 things) kept and given back: Save
// World and Open World through the files, and the in-memory image that undo
// and the recovery writer take on the main thread.
static void saveWorldBench(benchmark::State &state) {
    setupBenchScenario("full");
    std::string path = "/tmp/drovan-bench-" + std::to_string(getpid()) + ".snap", why;
    for (auto _ : state)
        if (!saveWorldSnapshot(path, why)) state.SkipWithError(why.c_str());
    std::remove(path.c_str());
    state.counters["things"] = world.thingCount;
}
BENCHMARK(saveWorldBench)->Unit(benchmark::kMillisecond);

static void openWorldBench(benchmark::State &state) {
    setupBenchScenario("full");
    std::string path = "/tmp/drovan-bench-" + std::to_string(getpid()) + ".snap", why;
    if (!saveWorldSnapshot(path, why)) state.SkipWithError(why.c_str());
    for (auto _ : state)
        if (!openWorldSnapshot(path, why)) state.SkipWithError(why.c_str());
    std::remove(path.c_str());
}
BENCHMARK(openWorldBench)->Unit(benchmark::kMillisecond);

static void captureWorldBench(benchmark::State &state) {
    setupBenchScenario("full");
    WorldImage image;
    std::string why;
    for (auto _ : state)
        if (!captureWorld(image, why)) state.SkipWithError(why.c_str());
    state.counters["MB"] = static_cast<double>(image.bytes()) / 1e6;
}
BENCHMARK(captureWorldBench)->Unit(benchmark::kMillisecond);

// What the window pays before "Start Over" and the like: one undo state.
static void undoRememberBench(benchmark::State &state) {
    setupBenchScenario("full");
    std::string why;
    for (auto _ : state) {
        UndoHistory history(1);
        if (!history.remember("bench", why)) state.SkipWithError(why.c_str());
        state.counters["MB"] = static_cast<double>(history.bytes()) / 1e6;
    }
}
BENCHMARK(undoRememberBench)->Unit(benchmark::kMillisecond);

static void restoreWorldBench(benchmark::State &state) {
    setupBenchScenario("full");
    WorldImage image;
    std::string why;
    captureWorld(image, why);
    for (auto _ : state)
        if (!restoreWorld(image, why)) state.SkipWithError(why.c_str());
}
BENCHMARK(restoreWorldBench)->Unit(benchmark::kMillisecond);

static void imageTextBench(benchmark::State &state) {
    setupBenchScenario("full");
    WorldImage image;
    std::string why, text;
    captureWorld(image, why);
    for (auto _ : state) imageText(image, text);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(imageTextBench)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
