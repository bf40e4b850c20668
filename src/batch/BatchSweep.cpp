#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/BatchCsv.h"
#include "batch/Sweep.h"
#include "rules/RulesLoader.h"
#include "runtime/ChildProcess.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "world/MetaNode.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

long Sweep::combos() const {
    long n = 1;
    for (const SweepVary &v : varies) n *= static_cast<long>(v.values.size());
    return n;
}

std::vector<std::string> Sweep::valuesOf(long combo) const {
    std::vector<std::string> v(varies.size());
    for (size_t k = varies.size(); k-- > 0;) {
        long n = static_cast<long>(varies[k].values.size());
        v[k] = varies[k].values[static_cast<size_t>(combo % n)];
        combo /= n;
    }
    return v;
}

std::string Sweep::name(long run, const char *ext) const {
    int width = 4;
    for (long n = runs() - 1; n >= 10000; n /= 10) width++;
    char buf[64];
    std::snprintf(buf, sizeof buf, "run-%0*ld.%s", width, run, ext);
    return out + "/" + buf;
}

namespace {

std::vector<std::string> split(const std::string &s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep)) parts.push_back(cur);
    if (!s.empty() && s.back() == sep) parts.push_back(std::string());
    return parts;
}

// A seed list or range; on a fault, why in words.
bool parseSeeds(const std::string &text, std::vector<uint32_t> &seeds, std::string &why) {
    seeds.clear();
    why = "--seeds takes A..B or S,S,... with 32-bit numbers, not '" + text + "'";
    if (text.empty()) return why = "--seeds is empty", false;
    size_t dots = text.find("..");
    if (dots != std::string::npos) {
        long a, b;
        if (!parseCount(text.substr(0, dots), a) || !parseCount(text.substr(dots + 2), b) || b > 4294967295L)
            return false;
        if (a > b) return why = "--seeds " + text + " is empty: the first seed is above the last", false;
        if (b - a >= 1000000) return why = "--seeds " + text + " holds more than a million seeds", false;
        for (long v = a; v <= b; v++) seeds.push_back(static_cast<uint32_t>(v));
        return true;
    }
    for (const std::string &p : split(text, ',')) {
        char *end = nullptr;
        errno = 0;
        long long v = std::strtoll(p.c_str(), &end, 10);
        if (p.empty() || *end != '\0' || errno == ERANGE || v < -2147483648LL || v > 4294967295LL) return false;
        seeds.push_back(static_cast<uint32_t>(v));
    }
    return true;
}

bool fail(const std::string &message, bool usage = false) {
    std::fprintf(stderr, "drovan-batch sweep: %s\n", message.c_str());
    if (usage)
        std::fputs(
            "usage: drovan-batch sweep FILE --out DIR [--seeds A..B|S,S,...] [--vary 'STATEMENT {}' V1,V2,...]..."
            " [--patterns DIR] [--place SLOT:X,Y]... [--steps N] [--every K] [--jobs J] [--plot] [--force]"
            " [--movie] [--frames] [--frame-every K] [--size WxH] [--view CX,CY,ZOOM] [--fps F]"
            " [--list | --index I | --collect]\n",
            stderr);
    return false;
}

// A sweep that large is more likely a slip than a plan.
const long kRunsWithoutForce = 100000, kMaxRuns = 10000000;

bool parse(const std::vector<std::string> &args, Sweep &s) {
    long runs = 1;  // the combinations so far, kept from overflowing
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &a = args[i];
        bool hasValue = i + 1 < args.size();
        bool repeated = true;  // the option goes to every run as it is
        size_t start = i;
        if (a == "--list" || a == "--collect" || a == "--plot") {
            (a == "--list" ? s.list : a == "--collect" ? s.collect : s.plot) = true;
            repeated = false;
        } else if (a == "--force") {
            s.force = true;  // every run checks the count too
        } else if (int taken = parsePictureOption(args, i, s.pictures, "sweep", true, &s.frames, &s.movie)) {
            if (taken < 0) return false;
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
            std::string why;
            if (!parseSeeds(args[++i], s.seeds, why)) return fail(why);
        } else if (a == "--vary") {
            if (i + 2 >= args.size()) return fail(std::string(a) + " needs a statement and values");
            SweepVary v{args[i + 1], split(args[i + 2], ',')};
            if (v.statement.find("{}") == std::string::npos)
                return fail(std::string("the --vary statement '") + v.statement + "' has no {} for the value");
            if (v.values.empty()) return fail(std::string("--vary '") + v.statement + "' has no values");
            for (const std::string &x : v.values)
                if (x.empty()) return fail("--vary '" + v.statement + "' has an empty value in '" + args[i + 2] + "'");
            if (runs > kMaxRuns / static_cast<long>(v.values.size()))
                return fail("too many runs: at most " + std::to_string(kMaxRuns) + " with --force");
            runs *= static_cast<long>(v.values.size());
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
            return fail(std::string("unexpected argument '") + a + "'", true);
        }
        if (repeated)
            s.childArgs.insert(s.childArgs.end(), args.begin() + static_cast<long>(start),
                               args.begin() + static_cast<long>(i) + 1);
    }
    if (s.file.empty() || s.out.empty()) return fail("needs a rules FILE and --out DIR", true);
    if (s.list + s.collect + (s.index >= 0) > 1) return fail("--list, --index and --collect exclude each other");
    if (s.plot && (s.list || s.index >= 0)) return fail("--plot goes with a whole sweep or --collect");
    if (runs > kMaxRuns / static_cast<long>(s.seeds.size()))
        return fail("too many runs: at most " + std::to_string(kMaxRuns) + " with --force");
    if (s.runs() > kRunsWithoutForce && !s.force)
        return fail("the sweep has " + std::to_string(s.runs()) + " runs, more than " +
                    std::to_string(kRunsWithoutForce) + ": add --force to run them all");
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
    if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    std::fprintf(stderr, "drovan-batch sweep: --out '%s' is a file, not a folder\n", dir.c_str());
    return false;
}

bool readWhole(const std::string &path, std::string &text) {
    std::string why;
    return readWholeFile(path, text, why);
}

// The movie, the encoder and the run files' folder, checked once before any run starts.
bool checkPictures(const Sweep &s) {
    if (!s.movie && !s.frames) return true;
    PicturePlan check = s.pictures;
    check.force = true;
    if (s.movie) check.movie = s.name(0, "mp4.part");
    if (s.frames) check.frames = s.out;
    return checkPicturePlan(check, "sweep");
}

// A finished run's file or folder from its .part name.
bool putInPlace(const std::string &part, const std::string &whole) {
    std::error_code ignored;
    std::filesystem::remove_all(whole, ignored);
    if (std::rename(part.c_str(), whole.c_str()) == 0) return true;
    std::fprintf(stderr, "drovan-batch sweep: cannot rename '%s': %s\n", part.c_str(), std::strerror(errno));
    return false;
}

void writeStatus(const Sweep &s, long run, int status, const std::string &note) {
    writeSweepFile(s.name(run, "status"), std::to_string(status) + " " + note + "\n");
}

// One run in this process: the rules file with the statements appended, the
// start-up with the run's seed, the steps, then the run's status file.
int runOne(const Sweep &s, long run) {
    std::remove(s.name(run, "status").c_str());
    std::remove(s.name(run, "csv").c_str());
    std::error_code ignored;
    std::filesystem::remove(s.name(run, "mp4"), ignored);
    std::filesystem::remove_all(s.name(run, "frames"), ignored);
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
    std::string rules = s.name(run, "rules.txt");
    if (!writeSweepFile(rules, text)) {
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
    plan.pictures = s.pictures;
    plan.pictures.force = true;  // a .part left by a killed run is replaced
    if (s.movie) plan.pictures.movie = s.name(run, "mp4.part");
    if (s.frames) plan.pictures.frames = s.name(run, "frames.part");
    int status = runSteps(plan);
    if (status == 0 && s.movie && !putInPlace(plan.pictures.movie, s.name(run, "mp4"))) status = 1;
    if (status == 0 && s.frames && !putInPlace(plan.pictures.frames, s.name(run, "frames"))) status = 1;
    if (status == 0 && std::rename(plan.csv.c_str(), s.name(run, "csv").c_str()) != 0) status = 1;
    writeStatus(s, run, status, status == 0 ? "ok" : "the run's files could not be written");
    return status;
}

// ---- running every run, J at a time ---------------------------------------

// A worker: `sweep --index I` with its output in the run's log (under a
// temporary name until the run has ended). It dies with the sweep, so a
// killed sweep leaves no worker writing into the folder.
pid_t launch(const Sweep &s, const std::string &self, long run, const sigset_t &mask) {
    std::vector<std::string> args{"drovan-batch", "sweep", s.file};
    args.insert(args.end(), s.childArgs.begin(), s.childArgs.end());
    args.push_back("--index");
    args.push_back(std::to_string(run));
    std::string log = s.name(run, "log.part");
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigprocmask(SIG_SETMASK, &mask, nullptr);
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

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Worker {
    long run;
    Clock::time_point start;
};

// The progress line names the runs still going, longest first, so a user
// sees which one holds the sweep up.
void showProgress(long done, long total, long failed, const std::map<pid_t, Worker> &running) {
    std::vector<Worker> going;
    for (const auto &entry : running) going.push_back(entry.second);
    std::sort(going.begin(), going.end(), [](const Worker &a, const Worker &b) { return a.start < b.start; });
    std::string names;
    for (size_t k = 0; k < going.size() && k < 4; k++) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%ld (%.0f s)", k ? ", " : "; running ", going[k].run,
                      secondsSince(going[k].start));
        names += buf;
    }
    if (going.size() > 4) names += " and " + std::to_string(going.size() - 4) + " more";
    std::fprintf(stderr, "\rsweep: %ld/%ld runs done, %ld failed%s\33[K", done, total, failed, names.c_str());
}

long cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    return sysconf(_SC_NPROCESSORS_ONLN);
}

// Runs every run that has not yet succeeded, J at a time. Runs that succeeded
// in an earlier, interrupted sweep into the folder are kept. An interrupt
// (SIGINT, SIGTERM, SIGHUP) stops the workers and leaves the folder ready for
// the same command to finish the rest.
int runAll(const Sweep &s) {
    std::string self = ownProgramPath();
    if (self.empty()) {
        std::fputs("drovan-batch sweep: cannot find the program's own file\n", stderr);
        return 2;
    }
    std::vector<long> todo;
    for (long run = 0; run < s.runs(); run++) {
        if (!sweepRunDone(s, run))
            todo.push_back(run);
        else  // a worker that finished after its sweep was killed: its log is whole
            std::rename(s.name(run, "log.part").c_str(), s.name(run, "log").c_str());
    }
    long already = s.runs() - static_cast<long>(todo.size());
    if (todo.empty()) {
        std::fprintf(stderr, "sweep: all %ld runs were already done in '%s'\n", s.runs(), s.out.c_str());
        return 0;
    }
    if (already > 0)
        std::fprintf(stderr, "sweep: %ld of %ld runs were already done in '%s'; running the other %zu\n", already,
                     s.runs(), s.out.c_str(), todo.size());
    long jobs = s.jobs > 0 ? s.jobs : cores();
    if (jobs < 1) jobs = 1;
    bool tty = isatty(2);

    // Children and interrupts are taken one at a time from a blocked set,
    // so no handler runs in the middle of the bookkeeping.
    sigset_t watched, stops, old;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, sig);
    watched = stops;
    sigaddset(&watched, SIGCHLD);
    sigprocmask(SIG_BLOCK, &watched, &old);
    std::map<pid_t, Worker> running;
    size_t next = 0;
    long done = already, failed = 0, longestRun = -1, largestRun = -1, largestKb = 0;
    double longest = 0.0;
    int stop = 0;
    auto stopOn = [&](int sig) {
        if (sig <= 0 || sig == SIGCHLD || stop) return;
        stop = sig;
        for (const auto &entry : running) kill(entry.first, SIGTERM);
    };
    struct timespec now = {0, 0}, tick = {1, 0};
    Clock::time_point start = Clock::now();
    for (;;) {
        while (!stop && next < todo.size() && static_cast<long>(running.size()) < jobs) {
            pid_t pid = launch(s, self, todo[next], old);
            if (pid < 0) {
                std::fprintf(stderr, "drovan-batch sweep: cannot start run %ld: %s\n", todo[next],
                             std::strerror(errno));
                if (running.empty()) {
                    sigprocmask(SIG_SETMASK, &old, nullptr);
                    return 2;
                }
                break;
            }
            running[pid] = Worker{todo[next++], Clock::now()};
        }
        if (running.empty()) break;
        int status = 0;
        struct rusage usage;
        pid_t pid = wait4(-1, &status, WNOHANG, &usage);
        if (pid > 0) {
            auto it = running.find(pid);
            if (it == running.end()) continue;
            long run = it->second.run;
            double seconds = secondsSince(it->second.start);
            running.erase(it);
            // A worker that Ctrl-C reached too is interrupted, not crashed.
            stopOn(sigtimedwait(&stops, nullptr, &now));
            bool stopped = stop && WIFSIGNALED(status);
            if (!stopped) {
                note(s, run, status);
                std::rename(s.name(run, "log.part").c_str(), s.name(run, "log").c_str());
                done++;
                failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                if (seconds > longest) longest = seconds, longestRun = run;
                if (usage.ru_maxrss > largestKb) largestKb = usage.ru_maxrss, largestRun = run;
            }
        } else {
            stopOn(sigtimedwait(&watched, nullptr, &tick));
        }
        if (tty) showProgress(done, s.runs(), failed, running);
    }
    while (sigtimedwait(&stops, nullptr, &now) > 0) {}  // too late to stop anything
    sigprocmask(SIG_SETMASK, &old, nullptr);
    if (tty) std::fputc('\n', stderr);
    if (stop) {
        std::fprintf(stderr,
                     "drovan-batch sweep: interrupted (%s): %ld of %ld runs done; the same command finishes the "
                     "other %ld\n",
                     strsignal(stop), done, s.runs(), s.runs() - done);
        return 128 + stop;
    }
    std::fprintf(stderr,
                 "sweep: %zu run%s in %.2f s with %ld job%s; longest run %ld (%.2f s); largest peak memory %.1f MB "
                 "(run %ld)\n",
                 todo.size(), todo.size() == 1 ? "" : "s", secondsSince(start), jobs, jobs == 1 ? "" : "s", longestRun,
                 longest, static_cast<double>(largestKb) / 1024.0, largestRun);
    return 0;
}

// Only one sweep drives a folder at a time; the lock goes with the process,
// however it ends, and workers do not inherit it.
bool lockFolder(const std::string &dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    std::fprintf(stderr, "drovan-batch sweep: another sweep is running in '%s'; wait for it or use another --out\n",
                 dir.c_str());
    return false;
}

}  // namespace

int batchSweep(const std::vector<std::string> &args) {
    Sweep s;
    if (!parse(args, s)) return 2;
    if (s.list) {
        std::printf("run,seed");
        for (const SweepVary &v : s.varies) std::printf(",%s", csvField(v.statement).c_str());
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
    if (!s.collect && s.index < 0 && !checkPictures(s)) return 2;
    bool driving = !s.collect && s.index < 0;
    if (driving && !lockFolder(s.out)) return 2;
    if (!matchSweepRecord(s, !s.collect, true)) return 2;
    if (s.index >= 0 && sweepRunDone(s, s.index)) {
        // A job array submitted again redoes only what is missing.
        std::fprintf(stderr, "sweep: run %ld was already done in '%s'\n", s.index, s.out.c_str());
        return 0;
    }
    if (s.index >= 0) return runOne(s, s.index);
    if (driving) {
        if (int rc = runAll(s)) return rc;
    }
    long failed = collectSweep(s);
    if (failed < 0) return 2;
    int status = failed > 0 ? 1 : 0;
    if (s.plot && drawPlot(s.out, s.out + "/summary.png", "") != 0) status = 1;
    return status;
}
