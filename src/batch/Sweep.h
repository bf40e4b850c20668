#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One sweep: every seed times every combination of --vary values, each run
// its own process (or its own job-array task) writing its files into out.
struct SweepVary {
    std::string statement;  // with {} where the value goes
    std::vector<std::string> values;
};

struct Sweep {
    std::string file, out, patterns;
    std::vector<std::string> places;
    std::vector<uint32_t> seeds{1};
    std::vector<SweepVary> varies;
    long steps = 1000, every = 10;
    long jobs = 0;
    bool list = false, collect = false, plot = false, force = false;
    long index = -1;
    std::vector<std::string> childArgs;  // the options every run repeats

    long combos() const;
    long runs() const { return combos() * static_cast<long>(seeds.size()); }
    uint32_t seedOf(long run) const { return seeds[static_cast<size_t>(run % static_cast<long>(seeds.size()))]; }
    long comboOf(long run) const { return run / static_cast<long>(seeds.size()); }
    // The value of each --vary in a combination; the last --vary changes fastest.
    std::vector<std::string> valuesOf(long combo) const;
    // A run's file in the folder: run-0007.csv, run-0007.status, ...
    std::string name(long run, const char *ext) const;
};

// A run's result as its files give it.
struct SweepRunResult {
    int status = -1;  // -1: no result
    std::string note;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};
// Reads the status file and, for a run that succeeded, its whole CSV.
SweepRunResult readSweepRun(const Sweep &s, long run);
// True when the run has finished and succeeded (its status says so and its
// CSV, only ever renamed into place whole, is there).
bool sweepRunDone(const Sweep &s, long run);

// Writes a whole file under its name with .part added, then renames it: a
// run killed while writing leaves only that name, which its rerun replaces.
// Reports a failure on standard error.
bool writeSweepFile(const std::string &path, const std::string &text);

// runs.csv and summary.csv from the run files in the folder. Returns the
// number of runs without a good result, or -1 when a file cannot be written.
long collectSweep(const Sweep &s);

// The folder's record of the options its runs were made with
// (sweep-options.txt). The first sweep or task to reach a folder writes it;
// every later one must match it, else a message names each difference and
// the result is false. With create false a missing record is accepted and
// none is written; with checkRules false the rules file's text is not compared.
bool matchSweepRecord(const Sweep &s, bool create, bool checkRules);

// Runs as "4, 7, 12..15".
std::string describeRuns(const std::vector<long> &runs);
