#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "rules/RulesLoader.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "world/MetaNode.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {

struct Vary {
    std::string statement;  // with {} where the value goes
    std::vector<std::string> values;
};

struct Sweep {
    std::string file, out, patterns;
    std::vector<std::string> places;
    std::vector<uint32_t> seeds{1};
    std::vector<Vary> varies;
    long steps = 1000, every = 10;
    long jobs = 0;
    bool list = false, collect = false;
    long index = -1;
    std::vector<std::string> childArgs;  // the options every run repeats

    long combos() const {
        long n = 1;
        for (const Vary &v : varies) n *= static_cast<long>(v.values.size());
        return n;
    }
    long runs() const { return combos() * static_cast<long>(seeds.size()); }
    uint32_t seedOf(long run) const { return seeds[static_cast<size_t>(run % static_cast<long>(seeds.size()))]; }
    long comboOf(long run) const { return run / static_cast<long>(seeds.size()); }
    // The value of each --vary in a combination; the last --vary changes fastest.
    std::vector<std::string> valuesOf(long combo) const {
        std::vector<std::string> v(varies.size());
        for (size_t k = varies.size(); k-- > 0;) {
            long n = static_cast<long>(varies[k].values.size());
            v[k] = varies[k].values[static_cast<size_t>(combo % n)];
            combo /= n;
        }
        return v;
    }
    std::string name(long run, const char *ext) const {
        int width = 4;
        for (long n = runs() - 1; n >= 10000; n /= 10) width++;
        char buf[64];
        std::snprintf(buf, sizeof buf, "run-%0*ld.%s", width, run, ext);
        return out + "/" + buf;
    }
};

std::vector<std::string> split(const std::string &s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep)) parts.push_back(cur);
    if (!s.empty() && s.back() == sep) parts.push_back(std::string());
    return parts;
}

std::string csvField(const std::string &s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

bool parseSeeds(const std::string &s, std::vector<uint32_t> &seeds) {
    seeds.clear();
    size_t dots = s.find("..");
    if (dots != std::string::npos) {
        long a, b;
        if (!parseCount(s.substr(0, dots), a) || !parseCount(s.substr(dots + 2), b) || a > b || b > 4294967295L ||
            b - a >= 1000000)
            return false;
        for (long v = a; v <= b; v++) seeds.push_back(static_cast<uint32_t>(v));
        return true;
    }
    for (const std::string &p : split(s, ',')) {
        uint32_t v;
        if (!parseSeed(p, v)) return false;
        seeds.push_back(v);
    }
    return !seeds.empty();
}

bool fail(const std::string &message) {
    std::fprintf(stderr, "drovan-batch sweep: %s\n", message.c_str());
    return false;
}

bool parse(const std::vector<std::string> &args, Sweep &s) {
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &a = args[i];
        bool hasValue = i + 1 < args.size();
        bool repeated = true;  // the option goes to every run as it is
        size_t start = i;
        if (a == "--list") {
            s.list = true;
            repeated = false;
        } else if (a == "--collect") {
            s.collect = true;
            repeated = false;
        } else if (!hasValue && a.size() > 2 && a[0] == '-' && a[1] == '-') {
            return fail(std::string(a) + " needs a value");
        } else if (a == "--out") {
            s.out = args[++i];
        } else if (a == "--patterns") {
            s.patterns = args[++i];
        } else if (a == "--place") {
            int slot;
            float x, y;
            char tail;
            const std::string &p = args[++i];
            if (std::sscanf(p.c_str(), "%d:%f,%f%c", &slot, &x, &y, &tail) != 3 || slot < 0 || slot >= kPatternSlots ||
                !(x >= world.worldMinX && x <= world.worldMaxX && y >= world.worldMinY && y <= world.worldMaxY))
                return fail("--place takes SLOT:X,Y with SLOT 0..9 and a point inside the world, not '" + p + "'");
            s.places.push_back(p);
        } else if (a == "--seeds") {
            if (!parseSeeds(args[++i], s.seeds))
                return fail(std::string("--seeds takes A..B or S,S,... , not '") + args[i] + "'");
        } else if (a == "--vary") {
            if (i + 2 >= args.size()) return fail(std::string(a) + " needs a statement and values");
            Vary v{args[i + 1], split(args[i + 2], ',')};
            if (v.statement.find("{}") == std::string::npos)
                return fail(std::string("the --vary statement '") + v.statement + "' has no {} for the value");
            if (v.values.empty()) return fail(std::string("--vary '") + v.statement + "' has no values");
            for (const std::string &x : v.values)
                if (x.empty()) return fail(std::string("--vary '") + v.statement + "' has an empty value");
            s.varies.push_back(v);
            i += 2;
        } else if (a == "--steps") {
            if (!parseCount(args[++i], s.steps))
                return fail(std::string("--steps takes a count, not '") + args[i] + "'");
        } else if (a == "--every") {
            if (!parseCount(args[++i], s.every) || s.every == 0)
                return fail(std::string("--every takes a count above 0, not '") + args[i] + "'");
        } else if (a == "--jobs") {
            if (!parseCount(args[++i], s.jobs) || s.jobs == 0)
                return fail(std::string("--jobs takes a count above 0, not '") + args[i] + "'");
            repeated = false;
        } else if (a == "--index") {
            if (!parseCount(args[++i], s.index))
                return fail(std::string("--index takes a run index, not '") + args[i] + "'");
            repeated = false;
        } else if (s.file.empty() && (a.empty() || a[0] != '-')) {
            s.file = a;
            repeated = false;  // every run names it first
        } else {
            return fail(std::string("unexpected argument '") + a + "'");
        }
        if (repeated)
            s.childArgs.insert(s.childArgs.end(), args.begin() + static_cast<long>(start),
                               args.begin() + static_cast<long>(i) + 1);
    }
    if (s.file.empty() || s.out.empty()) return fail("needs a rules FILE and --out DIR");
    if (s.list + s.collect + (s.index >= 0) > 1) return fail("--list, --index and --collect exclude each other");
    if (s.runs() > 1000000) return fail("too many runs (more than a million)");
    if (s.index >= s.runs())
        return fail("--index " + std::to_string(s.index) + " is past the last run (" + std::to_string(s.runs() - 1) +
                    ")");
    return true;
}

bool makeFolder(const std::string &dir) {
    for (size_t at = 1; at <= dir.size(); at++) {
        if (at < dir.size() && dir[at] != '/') continue;
        std::string part = dir.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "drovan-batch sweep: cannot make '%s': %s\n", part.c_str(), std::strerror(errno));
            return false;
        }
    }
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool readWhole(const std::string &path, std::string &text) {
    std::string why;
    return readWholeFile(path, text, why);
}

void writeStatus(const Sweep &s, long run, int status, const std::string &note) {
    std::string why;
    if (!saveReplacing(s.name(run, "status"), why, [&](FILE *f) { std::fprintf(f, "%d %s\n", status, note.c_str()); }))
        std::fprintf(stderr, "drovan-batch sweep: %s\n", why.c_str());
}

// One run in this process: the rules file with the statements appended, the
// start-up with the run's seed, the steps, then the run's status file.
int runOne(const Sweep &s, long run) {
    std::remove(s.name(run, "status").c_str());
    std::remove(s.name(run, "csv").c_str());
    std::string text;
    if (!readWhole(s.file, text)) {
        std::fprintf(stderr, "drovan-batch sweep: cannot read '%s'\n", s.file.c_str());
        writeStatus(s, run, 2, "cannot read the rules file");
        return 2;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::vector<std::string> values = s.valuesOf(s.comboOf(run));
    for (size_t k = 0; k < s.varies.size(); k++) {
        std::string st = s.varies[k].statement;
        for (size_t at; (at = st.find("{}")) != std::string::npos;) st.replace(at, 2, values[k]);
        text += st + "\n";
    }
    std::string rules = s.name(run, "rules.txt"), why;
    if (!saveReplacing(rules, why, [&](FILE *f) { std::fwrite(text.data(), 1, text.size(), f); })) {
        std::fprintf(stderr, "drovan-batch sweep: %s\n", why.c_str());
        writeStatus(s, run, 2, "cannot write the rules file");
        return 2;
    }
    setWalkerTraceStream(nullptr);
    setRandState(s.seedOf(run));
    StartupResult r = startWorld(rules, s.patterns, StartupHooks());
    if (!r.rulesOpened || rulesErrorCount() > 0) {
        std::fflush(stdout);
        std::string note = std::to_string(rulesErrorCount()) + " diagnostics in " + rules;
        std::fprintf(stderr, "drovan-batch sweep: run %ld: %s\n", run, note.c_str());
        writeStatus(s, run, 1, note);
        return 1;
    }
    for (const std::string &p : s.places) {
        int slot;
        float x, y;
        char tail;
        if (std::sscanf(p.c_str(), "%d:%f,%f%c", &slot, &x, &y, &tail) != 3 || !placeMetaNode(slot, x, y)) {
            writeStatus(s, run, 2, "nothing placed for --place " + p);
            return 2;
        }
    }
    StepPlan plan;
    plan.steps = s.steps;
    plan.every = s.every;
    plan.finalRow = true;
    plan.progress = false;
    plan.digest = true;
    plan.csv = s.name(run, "csv.part");
    int status = runSteps(plan);
    if (status == 0 && std::rename(plan.csv.c_str(), s.name(run, "csv").c_str()) != 0) status = 1;
    writeStatus(s, run, status, status == 0 ? "ok" : "the run's files could not be written");
    return status;
}

// ---- collecting -------------------------------------------------------------

struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

bool readCsv(const std::string &path, Table &t) {
    std::string text;
    if (!readWhole(path, text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return false;
    t.header = split(line, ',');
    while (std::getline(in, line)) {
        t.rows.push_back(split(line, ','));
        if (t.rows.back().size() != t.header.size()) return false;
    }
    return !t.rows.empty();
}

struct RunResult {
    int status = -1;  // -1: no result
    std::string note;
    Table table;
};

RunResult readRun(const Sweep &s, long run) {
    RunResult r;
    std::string text;
    if (!readWhole(s.name(run, "status"), text)) {
        r.note = "no result (not run, still running or killed)";
        return r;
    }
    char note[512] = {};
    if (std::sscanf(text.c_str(), "%d %511[^\n]", &r.status, note) < 1) {
        r.status = -1;
        r.note = "damaged status file";
        return r;
    }
    r.note = note;
    if (r.status == 0 && !readCsv(s.name(run, "csv"), r.table)) {
        r.status = -1;
        r.note = "missing or damaged " + s.name(run, "csv");
    }
    return r;
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

bool writeFile(const std::string &path, const std::string &text) {
    std::string why;
    if (saveReplacing(path, why, [&](FILE *f) { std::fwrite(text.data(), 1, text.size(), f); })) return true;
    std::fprintf(stderr, "drovan-batch sweep: %s\n", why.c_str());
    return false;
}

// runs.csv and summary.csv from the run files in the folder. Returns the
// number of runs without a good result, or -1 when a file cannot be written.
long collect(const Sweep &s) {
    std::vector<RunResult> results;
    std::vector<std::string> columns;
    for (long run = 0; run < s.runs(); run++) {
        results.push_back(readRun(s, run));
        if (results.back().status == 0) addColumns(columns, results.back().table.header);
    }
    std::string varyHeader;
    for (const Vary &v : s.varies) varyHeader += "," + csvField(v.statement);

    std::string runs = "run,seed" + varyHeader + ",status,note";
    for (const std::string &c : columns) runs += "," + c;
    runs += "\n";
    long failed = 0;
    for (long run = 0; run < s.runs(); run++) {
        const RunResult &r = results[static_cast<size_t>(run)];
        runs += std::to_string(run) + "," + std::to_string(s.seedOf(run));
        for (const std::string &v : s.valuesOf(s.comboOf(run))) runs += "," + csvField(v);
        runs += "," + (r.status >= 0 ? std::to_string(r.status) : std::string()) + "," + csvField(r.note);
        for (const std::string &c : columns) {
            int k = r.status == 0 ? findColumn(r.table.header, c) : -1;
            runs += "," + (k >= 0 ? r.table.rows.back()[static_cast<size_t>(k)] : std::string());
        }
        runs += "\n";
        if (r.status != 0) {
            failed++;
            std::fprintf(stderr, "drovan-batch sweep: run %ld (seed %u) failed: %s\n", run, s.seedOf(run),
                         r.note.c_str());
        }
    }

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
            const RunResult &r = results[static_cast<size_t>(combo) * s.seeds.size() + i];
            if (r.status != 0) continue;
            int stepColumn = findColumn(r.table.header, "step");
            if (stepColumn < 0) continue;
            for (const std::vector<std::string> &row : r.table.rows) {
                long step = std::strtol(row[static_cast<size_t>(stepColumn)].c_str(), nullptr, 10);
                std::vector<Stat> &st = steps[step];
                st.resize(measured.size());
                counts[step]++;
                for (size_t m = 0; m < measured.size(); m++) {
                    int k = findColumn(r.table.header, measured[m]);
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
    if (!writeFile(s.out + "/runs.csv", runs) || !writeFile(s.out + "/summary.csv", summary)) return -1;
    return failed;
}

// ---- running every run, J at a time ---------------------------------------

std::string selfPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    buf[n] = '\0';
    return buf;
}

pid_t launch(const Sweep &s, const std::string &self, long run) {
    std::vector<std::string> args{"drovan-batch", "sweep", s.file};
    args.insert(args.end(), s.childArgs.begin(), s.childArgs.end());
    args.push_back("--index");
    args.push_back(std::to_string(run));
    std::string log = s.name(run, "log");
    pid_t pid = fork();
    if (pid != 0) return pid;
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
    }
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    execv(self.c_str(), argv.data());
    std::fprintf(stderr, "cannot start '%s': %s\n", self.c_str(), std::strerror(errno));
    _exit(127);
}

void note(const Sweep &s, long run, int status) {
    // A run that ended without writing its status (a crash) gets one here.
    std::string text;
    if (readWhole(s.name(run, "status"), text)) return;
    if (WIFSIGNALED(status))
        writeStatus(s, run, 128 + WTERMSIG(status), std::string("crashed: ") + strsignal(WTERMSIG(status)));
    else
        writeStatus(s, run, WIFEXITED(status) ? WEXITSTATUS(status) : 1, "ended without a result");
}

int runAll(const Sweep &s) {
    std::string self = selfPath();
    if (self.empty()) {
        std::fputs("drovan-batch sweep: cannot find the program's own file\n", stderr);
        return 2;
    }
    for (long run = 0; run < s.runs(); run++) std::remove(s.name(run, "status").c_str());
    long jobs = s.jobs > 0 ? s.jobs : sysconf(_SC_NPROCESSORS_ONLN);
    if (jobs < 1) jobs = 1;
    bool tty = isatty(2);
    std::map<pid_t, long> running;
    long next = 0, done = 0, failed = 0;
    while (done < s.runs()) {
        while (next < s.runs() && static_cast<long>(running.size()) < jobs) {
            pid_t pid = launch(s, self, next);
            if (pid < 0) {
                std::fprintf(stderr, "drovan-batch sweep: cannot start run %ld: %s\n", next, std::strerror(errno));
                if (running.empty()) return 2;
                break;
            }
            running[pid] = next++;
        }
        int status = 0;
        pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            return 2;
        }
        auto it = running.find(pid);
        if (it == running.end()) continue;
        note(s, it->second, status);
        failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        running.erase(it);
        done++;
        if (tty) std::fprintf(stderr, "\rsweep: %ld/%ld runs done, %ld failed ", done, s.runs(), failed);
    }
    if (tty) std::fputc('\n', stderr);
    return 0;
}

}  // namespace

int batchSweep(const std::vector<std::string> &args) {
    Sweep s;
    if (!parse(args, s)) {
        std::fputs(
            "usage: drovan-batch sweep FILE --out DIR [--seeds A..B|S,S,...] [--vary 'STATEMENT {}' V1,V2,...]..."
            " [--patterns DIR] [--place SLOT:X,Y]... [--steps N] [--every K] [--jobs J]"
            " [--list | --index I | --collect]\n",
            stderr);
        return 2;
    }
    if (s.list) {
        std::printf("run,seed");
        for (const Vary &v : s.varies) std::printf(",%s", csvField(v.statement).c_str());
        std::printf("\n");
        for (long run = 0; run < s.runs(); run++) {
            std::printf("%ld,%u", run, s.seedOf(run));
            for (const std::string &v : s.valuesOf(s.comboOf(run))) std::printf(",%s", csvField(v).c_str());
            std::printf("\n");
        }
        return 0;
    }
    if (!s.collect && !checkReadableFile(s.file)) return 2;
    if (!makeFolder(s.out)) return 2;
    if (s.index >= 0) return runOne(s, s.index);
    if (!s.collect) {
        if (int rc = runAll(s)) return rc;
    }
    long failed = collect(s);
    if (failed < 0) return 2;
    return failed > 0 ? 1 : 0;
}
