#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/BatchCsv.h"
#include "batch/BenchScenarios.h"
#include "rules/RulesListing.h"
#include "world/WorldStore.h"

namespace {

struct BenchOptions {
    std::string only, csv, save;
    long steps = 1000;
    uint32_t seed = 1;
};

// Capturing the state (rows every 10 steps, listing at the end) lets a change
// to the step be checked for identical results on every bench world.
int benchOne(const std::string &name, const BenchOptions &o) {
    if (!setupBenchScenario(name, o.seed)) {
        std::fprintf(stderr, "drovan-batch bench: unknown scenario '%s'\n", name.c_str());
        return 2;
    }
    FILE *csv = nullptr;
    if (!o.csv.empty()) {
        if (!(csv = openCsv(o.csv.c_str()))) return 2;
        writeCsvRow(csv);
    }
    int nodes0, edges0;
    statusCounts(nodes0, edges0);
    int atoms0 = world.liveAtomCount;
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(o.steps));
    double total = 0.0;
    for (long i = 0; i < o.steps; i++) {
        auto t0 = std::chrono::steady_clock::now();
        benchStep();
        auto t1 = std::chrono::steady_clock::now();
        double us = std::chrono::duration<double, std::micro>(t1 - t0).count();
        micros.push_back(us);
        total += us * 1e-6;
        if (csv && (i + 1) % 10 == 0) writeCsvRow(csv);
    }
    if (csv && std::fclose(csv) != 0) {
        std::perror(o.csv.c_str());
        return 1;
    }
    std::sort(micros.begin(), micros.end());
    double median = micros.empty() ? 0.0 : micros[micros.size() / 2];
    int nodes, edges;
    statusCounts(nodes, edges);
    std::printf("%-6s start %5d nodes %5d edges %6d atoms | end %5d nodes %5d edges %6d atoms | "
                "median %9.1f us/step | %8.1f steps/s\n",
                name.c_str(), nodes0, edges0, atoms0, nodes, edges, world.liveAtomCount, median,
                total > 0 ? static_cast<double>(o.steps) / total : 0.0);
    std::fflush(stdout);
    if (!o.save.empty() && !saveListing(o.save)) return 1;
    return 0;
}

}  // namespace

int batchBench(const std::vector<std::string> &args) {
    BenchOptions o;
    for (size_t i = 0; i < args.size(); i++) {
        bool hasValue = i + 1 < args.size();
        if (args[i] == "--scenario" && hasValue) {
            o.only = args[++i];
        } else if (args[i] == "--steps" && hasValue) {
            o.steps = std::strtol(args[++i].c_str(), nullptr, 10);
            if (o.steps <= 0) o.steps = 1;
        } else if (args[i] == "--seed" && hasValue) {
            if (!parseSeed(args[++i], o.seed)) return 2;
        } else if (args[i] == "--csv" && hasValue) {
            o.csv = args[++i];
        } else if (args[i] == "--save" && hasValue) {
            o.save = args[++i];
        } else {
            std::fprintf(stderr, "drovan-batch bench: unexpected argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (!o.only.empty()) return benchOne(o.only, o);
    if (!o.csv.empty() || !o.save.empty()) {
        std::fprintf(stderr, "drovan-batch bench: --csv and --save need --scenario NAME\n");
        return 2;
    }
    for (const BenchScenario &s : benchScenarios())
        if (int rc = benchOne(s.name, o)) return rc;
    return 0;
}
