#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <ctime>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/BatchCsv.h"
#include "benchworlds/BenchScenarios.h"
#include "rules/RulesListing.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

// Nodes as the status line counts them (not inside a metanode), without a
// walk over every thing.
int liveNodeCount() {
    int n = 0;
    for (Thing *t = firstOfKind(ThingNode); t; t = t->kindNext)
        if (!t->container()) n++;
    return n;
}

// Processor time of this thread: unlike the wall clock, not stretched while
// other programs hold the cores.
double threadCpuMicros() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) * 1e-3;
}

// Smallest and largest of a count over the measured steps.
struct Range {
    int lo = 0, hi = 0;
    bool any = false;
    void add(int v) {
        lo = any && lo < v ? lo : v;
        hi = any && hi > v ? hi : v;
        any = true;
    }
};

struct BenchOptions {
    std::string only, csv, save;
    long steps = 1000;
    bool digest = false;
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
        setCsvDigest(o.digest);
        if (!(csv = openCsv(o.csv.c_str()))) return 2;
        writeCsvRow(csv);
    }
    int nodes0, edges0;
    statusCounts(nodes0, edges0);
    int atoms0 = world.liveAtomCount;
    std::vector<double> micros, cpuMicros;
    micros.reserve(static_cast<size_t>(o.steps));
    cpuMicros.reserve(static_cast<size_t>(o.steps));
    double total = 0.0;
    Range nodeRange, atomRange;
    for (long i = 0; i < o.steps; i++) {
        double c0 = threadCpuMicros();
        auto t0 = std::chrono::steady_clock::now();
        benchStep();
        auto t1 = std::chrono::steady_clock::now();
        cpuMicros.push_back(threadCpuMicros() - c0);
        double us = std::chrono::duration<double, std::micro>(t1 - t0).count();
        micros.push_back(us);
        total += us * 1e-6;
        nodeRange.add(liveNodeCount());
        atomRange.add(world.liveAtomCount);
        if (csv && (i + 1) % 10 == 0) writeCsvRow(csv);
    }
    if (csv && std::fclose(csv) != 0) {
        std::perror(o.csv.c_str());
        return 1;
    }
    std::sort(micros.begin(), micros.end());
    std::sort(cpuMicros.begin(), cpuMicros.end());
    double median = micros.empty() ? 0.0 : micros[micros.size() / 2];
    double cpuMedian = cpuMicros.empty() ? 0.0 : cpuMicros[cpuMicros.size() / 2];
    int nodes, edges;
    statusCounts(nodes, edges);
    std::printf("%-6s start %5d nodes %5d edges %6d atoms | end %5d nodes %5d edges %6d atoms | "
                "measured over %d-%d nodes %d-%d atoms | median %9.1f us/step (cpu %9.1f) | %8.1f steps/s\n",
                name.c_str(), nodes0, edges0, atoms0, nodes, edges, world.liveAtomCount, nodeRange.lo, nodeRange.hi,
                atomRange.lo, atomRange.hi, median, cpuMedian, total > 0 ? static_cast<double>(o.steps) / total : 0.0);
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
        } else if (args[i] == "--digest") {
            o.digest = true;
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
        if (s.inDefaultRun)
            if (int rc = benchOne(s.name, o)) return rc;
    return 0;
}
