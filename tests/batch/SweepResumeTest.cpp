#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "batch/BatchRunner.h"

namespace {

// The tool in the background, its output dropped (the shell gives way to it:
// the signals must reach the sweep itself).
pid_t startBatch(const std::string &args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::string cmd = "exec " + quote(DROVAN_BATCH) + " " + args + " >/dev/null 2>&1";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

std::vector<std::string> filesIn(const std::string &dir) {
    std::vector<std::string> names;
    std::error_code none;
    for (const auto &f : std::filesystem::directory_iterator(dir, none)) names.push_back(f.path().filename());
    return names;
}

// Processes whose command line names the folder: workers of a sweep into it.
int processesWriting(const std::string &dir) {
    int n = 0;
    for (const std::string &p : filesIn("/proc")) {
        if (p.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmd = readFile("/proc/" + p + "/cmdline");
        n += cmd.find(dir + '\0') != std::string::npos && cmd.find("--index") != std::string::npos;
    }
    return n;
}

// A worker of the sweep still running (not yet ended), or 0.
pid_t runningChild(pid_t sweep) {
    for (int tries = 0; tries < 200; tries++) {
        std::istringstream children(
            readFile("/proc/" + std::to_string(sweep) + "/task/" + std::to_string(sweep) + "/children"));
        for (pid_t pid; children >> pid;) {
            std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
            if (stat.find(") Z") == std::string::npos) return pid;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

// The finished runs' CSVs with their modification times.
std::map<std::string, std::filesystem::file_time_type> finishedRuns(const std::string &dir) {
    std::map<std::string, std::filesystem::file_time_type> runs;
    for (const std::string &f : filesIn(dir)) {
        std::string csv = dir + "/" + f.substr(0, f.size() - 7) + ".csv";
        if (f.size() > 7 && f.substr(f.size() - 7) == ".status" && readFile(dir + "/" + f).rfind("0 ", 0) == 0)
            runs[csv] = std::filesystem::last_write_time(csv);
    }
    return runs;
}

using SweepResumeTest = ScratchTest;

}  // namespace

// A sweep interrupted at a random point three ways (Ctrl-C to the sweep, a
// worker killed, the sweep killed) and run again gives the files of an
// uninterrupted sweep byte for byte, keeping the runs that had finished.
TEST_F(SweepResumeTest, InterruptedSweepsFinishToTheSameFiles) {
    auto command = [&](const std::string &dir) {
        return "sweep " + quote(kBundledLogic) +
               " --seeds 1..4 --vary 'node_creation_rate {}' 0.2,0.5 --steps 300 --every 100 --jobs 2 --out " +
               quote(dir);
    };
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ranOk(command(path("whole"))));
    double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string runs = readFile(path("whole/runs.csv")), summary = readFile(path("whole/summary.csv"));

    std::random_device device;
    unsigned seed = device();
    std::mt19937 random(seed);
    for (auto [name, signal, worker] : {std::tuple{"sigint", SIGINT, false}, std::tuple{"killed-worker", SIGKILL, true},
                                        std::tuple{"killed-sweep", SIGKILL, false}}) {
        std::string dir, trace;
        int status = 0;
        bool interrupted = false;
        // A sweep already over when the signal came is tried again.
        for (int attempt = 0; attempt < 5 && !interrupted; attempt++) {
            dir = path(name + std::to_string(attempt));
            double delay = std::uniform_real_distribution<double>(0.1, 0.6)(random) * whole;
            trace = std::string(name) + " after " + std::to_string(delay) + " s of the " + std::to_string(whole) +
                    " s a whole sweep took (random seed " + std::to_string(seed) + ")";
            pid_t sweep = startBatch(command(dir));
            // An interrupt's delay counts from the sweep's record: a busy machine
            // may take longer than that to load the program at all.
            for (int i = 0; i < 1000 && signal == SIGINT && !std::filesystem::exists(dir + "/sweep-options.txt"); i++)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
            pid_t target = worker ? runningChild(sweep) : sweep;
            if (target > 0) kill(target, signal);
            waitpid(sweep, &status, 0);
            interrupted = target > 0 && (worker ? WIFEXITED(status) && WEXITSTATUS(status) == 1
                                                : !(WIFEXITED(status) && WEXITSTATUS(status) == 0));
        }
        SCOPED_TRACE(trace);
        ASSERT_TRUE(interrupted);
        if (worker) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
            EXPECT_NE(readFile(dir + "/runs.csv").find("crashed: Killed"), std::string::npos);
        } else if (signal == SIGINT) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
            EXPECT_EQ(readFile(dir + "/runs.csv"), "");
        } else {
            EXPECT_TRUE(WIFSIGNALED(status));
            // Its workers die with it.
            for (int tries = 0; tries < 200 && processesWriting(dir) > 0; tries++)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(processesWriting(dir), 0);
        }
        auto finished = finishedRuns(dir);
        EXPECT_LT(finished.size(), 8u);
        std::printf("%s: %zu of 8 runs had finished\n", trace.c_str(), finished.size());

        ASSERT_TRUE(ranOk(command(dir)));
        EXPECT_EQ(readFile(dir + "/runs.csv"), runs);
        EXPECT_EQ(readFile(dir + "/summary.csv"), summary);
        for (const auto &run : finished) EXPECT_EQ(finishedRuns(dir)[run.first], run.second) << run.first;
        for (const std::string &f : filesIn(dir))
            EXPECT_TRUE(f.find(".part") == std::string::npos && f.find(".saving") == std::string::npos) << f;
    }
}

// A folder whose runs were made with other options or another rules text is
// refused before any run starts; collecting one with runs missing names them.
TEST_F(SweepResumeTest, RefusesAFolderMadeOtherwise) {
    // Four runs of which one is done; the folder records the options.
    std::string rules = write("rules.txt", readFile(kBundledLogic));
    std::string options = quote(rules) + " --seeds 1..4 --steps 20 --every 10 --out " + quote(path("f"));
    ASSERT_TRUE(ranOk("sweep " + options + " --index 2"));
    EXPECT_TRUE(exitsSaying(runBatch("sweep " + options + " --collect", true), 1,
                            "3 of 4 runs have no result yet (not run, still running or killed): 0, 1, 3\n"));
    auto before = finishedRuns(path("f"));
    EXPECT_TRUE(exitsSaying(runBatch("sweep " + options + " --steps 30 --seeds 1,2,3 --vary 'anneal {}' 0,1", true), 2,
                            "holds runs made with other options: --seeds was 1..4 and is now 1..3; --vary was none "
                            "and is now 'anneal {}' 0,1; --steps was 20 and is now 30."));
    EXPECT_TRUE(ranOk("sweep " + options + " --index 2"));  // done already: left as it is
    write("rules.txt", readFile(kBundledLogic) + "anneal 1\n");
    EXPECT_TRUE(exitsSaying(runBatch("sweep " + options + " --index 0", true), 2,
                            "the rules file '" + rules + "' is not the text the runs were made with"));
    EXPECT_EQ(finishedRuns(path("f")), before);
    EXPECT_EQ(filesIn(path("f")).size(), 6u);  // the options, run 2's rules, CSV and status, runs.csv, summary.csv

    // A collect that cannot write its file says why and leaves no part behind.
    write("rules.txt", readFile(kBundledLogic));
    std::filesystem::remove(path("f/summary.csv"));
    std::filesystem::create_directories(path("f/summary.csv/x"));
    EXPECT_TRUE(exitsSaying(runBatch("sweep " + options + " --collect", true), 2,
                            "cannot write '" + path("f/summary.csv") + "': Is a directory"));
    EXPECT_EQ(filesIn(path("f")).size(), 6u);
}

// A sweep's plot: one panel per combination, each colour's line drawn in the
// colour its rules give it; as PNG from the sweep, as SVG from the summary and
// from one run's CSV (no Hunter ever lived there, so none is drawn).
TEST_F(SweepResumeTest, PlotsDrawEachColourInItsOwnColour) {
    std::string options =
        quote(kBundledLogic) + " --seeds 1..2 --vary 'node_creation_rate {}' 0.2,0.5 --steps 60 --every 20";
    ASSERT_TRUE(ranOk("sweep " + options + " --plot --out " + quote(path("s"))));
    EXPECT_EQ(readFile(path("s/summary.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
    // As the rules give them: "Sun is 1 0.5 0", "Leaf is 0 0.6 0.1", ...
    const std::pair<std::string, std::string> colours[] = {
        {"Sun", "255, 128,   0"}, {"Leaf", "  0, 153,  26"}, {"Bug", " 38,  64, 242"}, {"Hunter", "217,   0,  38"}};
    for (std::string input : {"s", "s/run-0003.csv"}) {
        ASSERT_TRUE(ranOk("plot " + quote(path(input)) + " --out " + quote(path("p.svg"))));
        std::string svg = readFile(path("p.svg"));
        EXPECT_TRUE(input != "s" || svg.find("width=\"1600\" height=\"480\"") != std::string::npos) << "two panels";
        for (std::string title :
             input == "s" ? std::vector<std::string>{"node_creation_rate 0.2: 2 runs", "node_creation_rate 0.5: 2 runs"}
                          : std::vector<std::string>{"run-0003.csv"})
            EXPECT_NE(svg.find("<text>" + title + "</text>"), std::string::npos) << input << " " << title;
        for (const auto &[name, rgb] : colours) {
            size_t title = svg.find("<text>" + name + "</text>");
            if (input != "s" && name == "Hunter") {
                EXPECT_EQ(title, std::string::npos);
                continue;
            }
            ASSERT_NE(title, std::string::npos) << input << " " << name;
            EXPECT_EQ(svg.find("stroke='rgb(", title), svg.find("stroke='rgb(" + rgb + ")'", title)) << input << name;
        }
    }
    EXPECT_EQ(runBatch("plot " + quote(path("s/runs.csv")) + " --out " + quote(path("x.png"))).status, 2);
}
