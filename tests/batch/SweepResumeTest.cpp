#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchRunner.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

const std::string kLogic = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt";

// Status and standard error together, for the messages.
BatchResult runWithMessages(const std::string &args) {
    BatchResult r{-1, ""};
    FILE *p = popen((quote(DROVAN_BATCH) + " " + args + " 2>&1 >/dev/null").c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

pid_t startSweep(const std::vector<std::string> &args) {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char *> argv{const_cast<char *>(DROVAN_BATCH), const_cast<char *>("sweep")};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(DROVAN_BATCH, argv.data());
        _exit(127);
    }
    return pid;
}

std::vector<std::string> filesIn(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
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
std::map<std::string, long> finishedRuns(const std::string &dir) {
    std::map<std::string, long> runs;
    for (const std::string &f : filesIn(dir)) {
        if (f.size() < 7 || f.compare(f.size() - 7, 7, ".status") != 0) continue;
        std::string csv = dir + "/" + f.substr(0, f.size() - 7) + ".csv";
        struct stat st;
        if (readFile(dir + "/" + f).compare(0, 2, "0 ") == 0 && stat(csv.c_str(), &st) == 0)
            runs[csv] = st.st_mtim.tv_sec * 1000000000L + st.st_mtim.tv_nsec;
    }
    return runs;
}

class SweepResumeTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::string path(const std::string &name) { return scratch.path(name); }
};

}  // namespace

// A sweep interrupted at a random point three ways (Ctrl-C to the sweep, a
// worker killed, the sweep killed) and run again gives the files of an
// uninterrupted sweep byte for byte, keeping the runs that had finished.
TEST_F(SweepResumeTest, InterruptedSweepsFinishToTheSameFiles) {
    std::vector<std::string> options{kLogic,    "--seeds", "1..4", "--vary",  "node_creation_rate {}",
                                     "0.2,0.5", "--steps", "300",  "--every", "100",
                                     "--jobs",  "2",       "--out"};
    auto command = [&](const std::string &dir) {
        std::string c = "sweep";
        for (const std::string &o : options) c += " " + quote(o);
        return c + " " + quote(dir);
    };
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runBatch(command(path("whole"))).status, 0);
    double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string runs = readFile(path("whole/runs.csv")), summary = readFile(path("whole/summary.csv"));

    std::random_device device;
    unsigned seed = device();
    std::mt19937 random(seed);
    struct Interruption {
        const char *name;
        int signal;
        bool worker;
    };
    for (Interruption cut : {Interruption{"sigint", SIGINT, false}, Interruption{"killed-worker", SIGKILL, true},
                             Interruption{"killed-sweep", SIGKILL, false}}) {
        std::string dir, trace;
        int status = 0;
        bool interrupted = false;
        // A sweep already over when the signal came is tried again.
        for (int attempt = 0; attempt < 5 && !interrupted; attempt++) {
            dir = path(cut.name + std::to_string(attempt));
            double delay = std::uniform_real_distribution<double>(0.1, 0.6)(random) * whole;
            char text[160];
            std::snprintf(text, sizeof text, "%s after %.2f s of the %.2f s a whole sweep took (random seed %u)",
                          cut.name, delay, whole, seed);
            trace = text;
            std::vector<std::string> args = options;
            args.push_back(dir);
            pid_t sweep = startSweep(args);
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
            pid_t target = cut.worker ? runningChild(sweep) : sweep;
            if (target > 0) kill(target, cut.signal);
            waitpid(sweep, &status, 0);
            interrupted = target > 0 && (cut.worker ? WIFEXITED(status) && WEXITSTATUS(status) == 1
                                                    : !(WIFEXITED(status) && WEXITSTATUS(status) == 0));
        }
        SCOPED_TRACE(trace);
        ASSERT_TRUE(interrupted);
        if (cut.worker) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
            EXPECT_NE(readFile(dir + "/runs.csv").find("crashed: Killed"), std::string::npos);
        } else if (cut.signal == SIGINT) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
            EXPECT_EQ(readFile(dir + "/runs.csv"), "");
        } else {
            EXPECT_TRUE(WIFSIGNALED(status));
            // Its workers die with it.
            for (int tries = 0; tries < 200 && processesWriting(dir) > 0; tries++)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(processesWriting(dir), 0);
        }
        std::map<std::string, long> finished = finishedRuns(dir);
        EXPECT_LT(finished.size(), 8u);
        std::printf("%s: %zu of 8 runs had finished\n", trace.c_str(), finished.size());

        ASSERT_EQ(runBatch(command(dir)).status, 0);
        EXPECT_EQ(readFile(dir + "/runs.csv"), runs);
        EXPECT_EQ(readFile(dir + "/summary.csv"), summary);
        for (const auto &run : finished) EXPECT_EQ(finishedRuns(dir)[run.first], run.second) << run.first;
        for (const std::string &f : filesIn(dir))
            EXPECT_TRUE(f.find(".part") == std::string::npos && f.find(".saving") == std::string::npos) << f;
    }
}

// Bad options stop the sweep with exit status 2 and a message before any run
// starts; so does a folder whose runs were made with other options. Collecting
// a folder with runs missing names them.
TEST_F(SweepResumeTest, RefusesWhatCannotRunBeforeAnyRunStarts) {
    std::string sweep = "sweep " + quote(kLogic) + " ";
    std::string file = scratch.write("file", "");
    struct Case {
        std::string options, message;
    } cases[] = {
        {"--vary 'node_creation_rate' 1,2", "the --vary statement 'node_creation_rate' has no {} for the value"},
        {"--vary 'node_creation_rate {}' 0.1,,0.3", "--vary 'node_creation_rate {}' has an empty value in '0.1,,0.3'"},
        {"--seeds 5..3", "--seeds 5..3 is empty: the first seed is above the last"},
        {"--seeds ''", "--seeds is empty"},
        {"--jobs 0", "--jobs takes a count above 0, not '0'"},
        {"--seeds 1..50001 --vary 'node_creation_rate {}' 0.1,0.2",
         "the sweep has 100002 runs, more than 100000: add --force to run them all"},
        {"--out " + quote(file), "--out '" + file + "' is a file, not a folder"},
        {"--out /proc/self", "cannot write in '/proc/self': "},
    };
    for (const Case &c : cases) {
        BatchResult r = runWithMessages(sweep + "--steps 10 --out " + quote(path("out")) + " " + c.options);
        EXPECT_EQ(r.status, 2) << c.options;
        EXPECT_NE(r.out.find("drovan-batch sweep: " + c.message), std::string::npos) << r.out;
        EXPECT_TRUE(filesIn(path("out")).empty()) << c.options;
    }

    // Four runs of which one is done; the folder records the options.
    std::string rules = scratch.write("rules.txt", readFile(kLogic));
    std::string options = quote(rules) + " --seeds 1..4 --steps 20 --every 10 --out " + quote(path("f"));
    ASSERT_EQ(runBatch("sweep " + options + " --index 2").status, 0);
    BatchResult collect = runWithMessages("sweep " + options + " --collect");
    EXPECT_EQ(collect.status, 1);
    EXPECT_NE(collect.out.find("3 of 4 runs have no result yet (not run, still running or killed): 0, 1, 3\n"),
              std::string::npos)
        << collect.out;
    std::map<std::string, long> before = finishedRuns(path("f"));
    BatchResult other = runWithMessages("sweep " + options + " --steps 30 --seeds 1,2,3 --vary 'anneal {}' 0,1");
    EXPECT_EQ(other.status, 2);
    EXPECT_NE(other.out.find("holds runs made with other options: --seeds was 1..4 and is now 1..3; --vary was none "
                             "and is now 'anneal {}' 0,1; --steps was 20 and is now 30."),
              std::string::npos)
        << other.out;
    EXPECT_EQ(runBatch("sweep " + options + " --index 2").status, 0);  // done already: left as it is
    scratch.write("rules.txt", readFile(kLogic) + "anneal 1\n");
    BatchResult edited = runWithMessages("sweep " + options + " --index 0");
    EXPECT_EQ(edited.status, 2);
    EXPECT_NE(edited.out.find("the rules file '" + rules + "' is not the text the runs were made with"),
              std::string::npos)
        << edited.out;
    EXPECT_EQ(finishedRuns(path("f")), before);
    EXPECT_EQ(filesIn(path("f")).size(), 6u);  // the options, run 2's rules, CSV and status, runs.csv, summary.csv
}

// A sweep's plot: one panel per combination, each colour's line in the colour
// its rules give it.
TEST_F(SweepResumeTest, PlotsDrawEachColourInItsOwnColour) {
    std::string options = quote(kLogic) + " --seeds 1..2 --vary 'node_creation_rate {}' 0.2,0.5 --steps 60 --every 20";
    ASSERT_EQ(runBatch("sweep " + options + " --plot --out " + quote(path("s"))).status, 0);
    int width = 0, height = 0, channels = 0;
    unsigned char *pixels = stbi_load(path("s/summary.png").c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 1600);  // two panels side by side
    EXPECT_EQ(height, 480);
    // As the rules give them: "Sun is 1 0.5 0", "Leaf is 0 0.6 0.1", ...
    struct Colour {
        const char *name;
        int r, g, b;
    } colours[] = {{"Sun", 255, 128, 0}, {"Leaf", 0, 153, 26}, {"Bug", 38, 64, 242}, {"Hunter", 217, 0, 38}};
    for (const Colour &c : colours) {
        int count = 0;
        for (int i = 0; i < width * height; i++) {
            const unsigned char *p = pixels + 3 * i;
            count += std::abs(p[0] - c.r) <= 2 && std::abs(p[1] - c.g) <= 2 && std::abs(p[2] - c.b) <= 2;
        }
        EXPECT_GT(count, 200) << c.name;
    }
    stbi_image_free(pixels);

    // As SVG the line under each colour's name is drawn in that colour: the
    // summary, and one run's CSV (no Hunter ever lived there, so none is drawn).
    for (std::string input : {"s", "s/run-0003.csv"}) {
        ASSERT_EQ(runBatch("plot " + quote(path(input)) + " --out " + quote(path("p.svg"))).status, 0);
        std::string svg = readFile(path("p.svg"));
        for (const Colour &c : colours) {
            size_t title = svg.find(std::string("<text>") + c.name + "</text>");
            if (input != "s" && std::string(c.name) == "Hunter") {
                EXPECT_EQ(title, std::string::npos);
                continue;
            }
            ASSERT_NE(title, std::string::npos) << input << " " << c.name;
            char stroke[64];
            std::snprintf(stroke, sizeof stroke, "stroke='rgb(%3d, %3d, %3d)'", c.r, c.g, c.b);
            EXPECT_EQ(svg.find("stroke='rgb(", title), svg.find(stroke, title)) << input << " " << c.name;
        }
    }
    EXPECT_EQ(runWithMessages("plot " + quote(path("s/runs.csv")) + " --out " + quote(path("x.png"))).status, 2);
    EXPECT_EQ(runWithMessages("plot " + quote(path("s")) + " --out " + quote(path("x.jpg"))).status, 2);
}
