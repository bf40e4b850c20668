// Pictures without a display: one offscreen 800 x 800 frame of a world
// (drawn and read back), and the encoding of a frame into an H.264 movie.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchworlds/BenchScenarios.h"
#include "media/MovieWriter.h"
#include "render/OffscreenContext.h"
#include "render/WorldPicture.h"
#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {
constexpr int kSide = 800;

// The bundled scenario after steps, as drovan-batch runs it.
bool bundledWorld(long steps) {
    setWalkerTraceStream(nullptr);
    world.stepCount = 0;
    world.simTime = 0.0f;
    setRandState(1);
    std::string folder = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
    if (!startWorld(folder + "/logic.txt", folder, StartupHooks(), stderr).rulesOpened) return false;
    if (world.speed == 0) setSpeed(2);
    for (long done = 0; done < steps;)
        if (tickWorld(world.lastStepTime + 1.0f)) done++;
    return true;
}

OffscreenContext &context(benchmark::State &state) {
    static OffscreenContext offscreen;
    std::string why;
    if (!offscreen.isOpen() && !offscreen.open(kSide, kSide, why)) state.SkipWithError(why.c_str());
    return offscreen;
}

void measureFrames(benchmark::State &state) {
    std::vector<unsigned char> rgb;
    drawWorldPicture(kSide, kSide, PictureView(), rgb);  // first-use costs stay out
    for (auto _ : state) drawWorldPicture(kSide, kSide, PictureView(), rgb);
    int nodes, edges;
    statusCounts(nodes, edges);
    state.counters["nodes"] = nodes;
    state.counters["atoms"] = world.liveAtomCount;
}
}  // namespace

static void offscreenFrameLogic(benchmark::State &state) {
    if (!context(state).isOpen()) return;
    if (!bundledWorld(5000)) return state.SkipWithError("cannot read the bundled scenario");
    measureFrames(state);
}
BENCHMARK(offscreenFrameLogic)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

static void offscreenFrameFull(benchmark::State &state) {
    if (!context(state).isOpen()) return;
    setupBenchScenario("full");
    for (int k = 0; k < 10; k++) benchStep();  // the atom aggregates filled, as the frame bench has it
    measureFrames(state);
}
BENCHMARK(offscreenFrameFull)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Encoding only: 60 pictures of the bundled world a step apart, made first,
// then fed to the encoder in turn.
static void encodeFrame(benchmark::State &state) {
    if (!context(state).isOpen()) return;
    if (!bundledWorld(1000)) return state.SkipWithError("cannot read the bundled scenario");
    std::vector<std::vector<unsigned char>> pictures(60);
    for (auto &rgb : pictures) {
        drawWorldPicture(kSide, kSide, PictureView(), rgb);
        while (!tickWorld(world.lastStepTime + 1.0f)) {}
    }
    std::string path = "/tmp/drovan-bench-" + std::to_string(getpid()) + ".mp4", why;
    MovieWriter movie;
    if (!movie.open(path, kSide, kSide, 30, why)) return state.SkipWithError(why.c_str());
    size_t k = 0;
    for (auto _ : state)
        if (!movie.addFrameRgba(pictures[k++ % pictures.size()].data(), kSide, kSide, why, true))
            return state.SkipWithError(why.c_str());
    movie.finish(why);
    std::remove(path.c_str());
}
BENCHMARK(encodeFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
