#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/BenchScenarios.h"
#include "world/WorldStore.h"

static int benchOne(const std::string &name, long steps) {
    if (!setupBenchScenario(name)) {
        std::fprintf(stderr, "drovan-batch bench: unknown scenario '%s'\n", name.c_str());
        return 2;
    }
    int nodes0, edges0;
    statusCounts(nodes0, edges0);
    int atoms0 = world.liveAtomCount;
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(steps));
    auto begin = std::chrono::steady_clock::now();
    for (long i = 0; i < steps; i++) {
        auto t0 = std::chrono::steady_clock::now();
        benchStep();
        auto t1 = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::sort(micros.begin(), micros.end());
    double median = micros.empty() ? 0.0 : micros[micros.size() / 2];
    int nodes, edges;
    statusCounts(nodes, edges);
    std::printf("%-6s start %5d nodes %5d edges %6d atoms | end %5d nodes %5d edges %6d atoms | "
                "median %9.1f us/step | %8.1f steps/s\n",
                name.c_str(), nodes0, edges0, atoms0, nodes, edges, world.liveAtomCount, median,
                total > 0 ? static_cast<double>(steps) / total : 0.0);
    std::fflush(stdout);
    return 0;
}

int batchBench(const std::vector<std::string> &args) {
    std::string only;
    long steps = 1000;
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--scenario" && i + 1 < args.size()) {
            only = args[++i];
        } else if (args[i] == "--steps" && i + 1 < args.size()) {
            steps = std::strtol(args[++i].c_str(), nullptr, 10);
            if (steps <= 0) steps = 1;
        } else {
            std::fprintf(stderr, "drovan-batch bench: unexpected argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (!only.empty()) return benchOne(only, steps);
    for (const BenchScenario &s : benchScenarios())
        if (int rc = benchOne(s.name, steps)) return rc;
    return 0;
}
