#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchCsv.h"
#include "batch/Sweep.h"
#include "runtime/SafeSave.h"

namespace {

bool readWhole(const std::string &path, std::string &text) {
    std::string why;
    return readWholeFile(path, text, why);
}

bool readCsv(const std::string &path, SweepRunResult &r) {
    std::string text;
    if (!readWhole(path, text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return false;
    r.header = splitCsvLine(line);
    while (std::getline(in, line)) {
        r.rows.push_back(splitCsvLine(line));
        if (r.rows.back().size() != r.header.size()) return false;
    }
    return !r.rows.empty();
}

int findColumn(const std::vector<std::string> &header, const std::string &name) {
    for (size_t k = 0; k < header.size(); k++)
        if (header[k] == name) return static_cast<int>(k);
    return -1;
}

void addColumns(std::vector<std::string> &all, const std::vector<std::string> &header) {
    for (const std::string &h : header)
        if (findColumn(all, h) < 0) all.push_back(h);
}

struct Stat {
    std::vector<double> values;
    double lo = 0.0, hi = 0.0;
    std::string loText, hiText;
    void add(const std::string &text) {
        double v = std::strtod(text.c_str(), nullptr);
        if (values.empty() || v < lo) lo = v, loText = text;
        if (values.empty() || v > hi) hi = v, hiText = text;
        values.push_back(v);
    }
};

const char *kNoResult = "no result (not run, still running or killed)";

}  // namespace

bool writeSweepFile(const std::string &path, const std::string &text) {
    std::string part = path + ".part";
    FILE *f = std::fopen(part.c_str(), "w");
    bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int err = errno;
    if (f && std::fclose(f) != 0 && written) written = false, err = errno;
    if (written && std::rename(part.c_str(), path.c_str()) == 0) return true;
    if (written) err = errno;
    std::fprintf(stderr, "drovan-batch sweep: cannot write '%s': %s\n", path.c_str(), std::strerror(err));
    std::remove(part.c_str());
    return false;
}

SweepRunResult readSweepRun(const Sweep &s, long run) {
    SweepRunResult r;
    std::string text;
    if (!readWhole(s.name(run, "status"), text)) {
        r.note = kNoResult;
        return r;
    }
    char note[512] = {};
    if (std::sscanf(text.c_str(), "%d %511[^\n]", &r.status, note) < 1) {
        r.status = -1;
        r.note = "damaged status file";
        return r;
    }
    r.note = note;
    if (r.status == 0 && !readCsv(s.name(run, "csv"), r)) {
        r.status = -1;
        r.note = "missing or damaged " + s.name(run, "csv");
    }
    return r;
}

bool sweepRunDone(const Sweep &s, long run) {
    std::string text;
    struct stat st;
    return readWhole(s.name(run, "status"), text) && text.compare(0, 2, "0 ") == 0 &&
           stat(s.name(run, "csv").c_str(), &st) == 0;
}

std::string describeRuns(const std::vector<long> &runs) {
    std::string text;
    for (size_t i = 0; i < runs.size();) {
        size_t j = i;
        while (j + 1 < runs.size() && runs[j + 1] == runs[j] + 1) j++;
        if (!text.empty()) text += ", ";
        text += std::to_string(runs[i]);
        if (j > i) text += (j == i + 1 ? ", " : "..") + std::to_string(runs[j]);
        i = j + 1;
    }
    return text;
}

long collectSweep(const Sweep &s) {
    std::vector<SweepRunResult> results;
    std::vector<std::string> columns;
    for (long run = 0; run < s.runs(); run++) {
        results.push_back(readSweepRun(s, run));
        if (results.back().status == 0) addColumns(columns, results.back().header);
    }
    std::string varyHeader;
    for (const SweepVary &v : s.varies) varyHeader += "," + csvField(v.statement);

    std::string runs = "run,seed" + varyHeader + ",status,note";
    for (const std::string &c : columns) runs += "," + c;
    runs += "\n";
    std::vector<long> missing;
    long failed = 0;
    for (long run = 0; run < s.runs(); run++) {
        const SweepRunResult &r = results[static_cast<size_t>(run)];
        runs += std::to_string(run) + "," + std::to_string(s.seedOf(run));
        for (const std::string &v : s.valuesOf(s.comboOf(run))) runs += "," + csvField(v);
        runs += "," + (r.status >= 0 ? std::to_string(r.status) : std::string()) + "," + csvField(r.note);
        for (const std::string &c : columns) {
            int k = r.status == 0 ? findColumn(r.header, c) : -1;
            runs += "," + (k >= 0 ? r.rows.back()[static_cast<size_t>(k)] : std::string());
        }
        runs += "\n";
        if (r.status == 0) continue;
        failed++;
        if (r.note == kNoResult)
            missing.push_back(run);
        else
            std::fprintf(stderr, "drovan-batch sweep: run %ld (seed %u) failed: %s\n", run, s.seedOf(run),
                         r.note.c_str());
    }
    // Thousands of tasks may still be queued: one line names them all.
    if (!missing.empty())
        std::fprintf(stderr,
                     "drovan-batch sweep: %zu of %ld runs have no result yet (not run, still running or killed): %s\n",
                     missing.size(), s.runs(), describeRuns(missing).c_str());

    // Statistics across seeds of every column but the step (and the digest,
    // which is no quantity), per combination and sampled step.
    std::vector<std::string> measured;
    for (const std::string &c : columns)
        if (c != "step" && c != "digest") measured.push_back(c);
    std::string summary = "combination" + varyHeader + ",step,runs";
    for (const std::string &c : measured) summary += "," + c + "_mean," + c + "_sd," + c + "_min," + c + "_max";
    summary += "\n";
    for (long combo = 0; combo < s.combos(); combo++) {
        std::map<long, std::vector<Stat>> steps;
        std::map<long, int> counts;
        for (size_t i = 0; i < s.seeds.size(); i++) {
            const SweepRunResult &r = results[static_cast<size_t>(combo) * s.seeds.size() + i];
            if (r.status != 0) continue;
            int stepColumn = findColumn(r.header, "step");
            if (stepColumn < 0) continue;
            for (const std::vector<std::string> &row : r.rows) {
                long step = std::strtol(row[static_cast<size_t>(stepColumn)].c_str(), nullptr, 10);
                std::vector<Stat> &st = steps[step];
                st.resize(measured.size());
                counts[step]++;
                for (size_t m = 0; m < measured.size(); m++) {
                    int k = findColumn(r.header, measured[m]);
                    if (k >= 0) st[m].add(row[static_cast<size_t>(k)]);
                }
            }
        }
        std::string values;
        for (const std::string &v : s.valuesOf(combo)) values += "," + csvField(v);
        for (const auto &entry : steps) {
            summary += std::to_string(combo) + values + "," + std::to_string(entry.first) + "," +
                       std::to_string(counts[entry.first]);
            for (const Stat &st : entry.second) {
                size_t n = st.values.size();
                if (n == 0) {
                    summary += ",,,,";
                    continue;
                }
                double mean = 0.0, var = 0.0;
                for (double v : st.values) mean += v;
                mean /= static_cast<double>(n);
                // Sample standard deviation across seeds; 0 for a single run.
                for (double v : st.values) var += (v - mean) * (v - mean);
                var = n > 1 ? var / static_cast<double>(n - 1) : 0.0;
                char buf[128];
                std::snprintf(buf, sizeof buf, ",%.4f,%.4f", mean, var > 0.0 ? std::sqrt(var) : 0.0);
                summary += buf + ("," + st.loText + "," + st.hiText);
            }
            summary += "\n";
        }
    }
    if (!writeSweepFile(s.out + "/runs.csv", runs) || !writeSweepFile(s.out + "/summary.csv", summary)) return -1;
    return failed;
}
