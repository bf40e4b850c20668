// Milliseconds per frame of the world window: opens the windows as the
// program does, builds each named world, then draws and finishes frames.
//
//   drovan-frame-bench [--frames K] [--scenarios FOLDER] [--dump PREFIX] [--zoom Z] [--meshes]
//                      [--rules-window] [WORLD[:STEPS] ...]
//
// --dump writes each world's last frame to PREFIX-WORLD.ppm, so two builds'
// pictures can be compared byte for byte. --meshes draws every sphere as its
// mesh, as the drawing did before small spheres became textured outlines.
// WORLD is "logic" (the bundled scenario) or a bench world (small, busy, full,
// meta); STEPS are run headless first (logic 5,000 by default, the bench
// worlds 10 so the atom aggregates are filled).
//
// --rules-window instead times the Rules window holding awkward texts: the
// frame that shows each text, then K frames with a key typed in each (the
// checks run meanwhile, as they do in the program).
#include <GL/freeglut.h>
#include <TextEditor.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/PanelEvents.h"
#include "app/RulesWindow.h"
#include "render/Camera.h"
#include "app/Shell.h"
#include "benchworlds/BenchScenarios.h"
#include "render/GLPainter.h"
#include "render/Scene.h"
#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "world/FreshProcess.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

#ifndef DROVAN_SOURCE_DIR
#define DROVAN_SOURCE_DIR "."
#endif
#ifndef DROVAN_BATCH
#define DROVAN_BATCH "drovan-batch"
#endif

namespace {

struct Job {
    std::string world;
    long steps;
};

int usage() {
    std::fprintf(stderr, "usage: drovan-frame-bench [--frames K] [--scenarios FOLDER] [--dump PREFIX] "
                         "[--zoom Z] [--meshes] [--rules-window] [WORLD[:STEPS] ...]\n"
                         "worlds: logic");
    for (const BenchScenario &s : benchScenarios()) std::fprintf(stderr, ", %s", s.name);
    std::fprintf(stderr, "\n");
    return 2;
}

bool parseCount(const char *text, long &out) {
    char *end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0) return false;
    out = v;
    return true;
}

bool setUp(const Job &job, const std::string &folder, float zoom) {
    setWalkerTraceStream(nullptr);
    // Every world starts as in a fresh process, so the order of the worlds
    // changes nothing.
    resetToFreshProcess();
    if (job.world == "logic") {
        std::string rules = folder + "/logic.txt";
        if (!startWorld(rules, folder, StartupHooks(), stderr).rulesOpened) {
            std::fprintf(stderr, "cannot open %s\n", rules.c_str());
            return false;
        }
        if (world.speed == 0) setSpeed(2);
    } else if (!setupBenchScenario(job.world)) {
        std::fprintf(stderr, "unknown world %s\n", job.world.c_str());
        return false;
    }
    // Every pass is a due pass, as in the headless tool.
    for (long done = 0; done < job.steps;)
        if (tickWorld(world.lastStepTime + 1.0f)) done++;
    // The default view (zoom 0.8) with the zoom animation settled.
    camera.zoom = camera.zoomFrom = camera.zoomTo = zoom;
    camera.camX = camera.camY = 1600.0f;
    return true;
}

bool dumpFrame(const std::string &path) {
    drawLiveFrame(PointerMarks(), false);
    int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    size_t row = static_cast<size_t>(w) * 3;
    for (int y = h - 1; y >= 0; y--) std::fwrite(&rgb[static_cast<size_t>(y) * row], 1, row, f);
    return std::fclose(f) == 0;
}

// Processor time of the whole process, the driver's threads included.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double sinceMs(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct RulesText {
    std::string name, text;
    int cursorLine = 0, cursorColumn = 0;  // where the keys go
};

// The texts of the bad-input family, each within what the editor holds.
std::vector<RulesText> rulesTexts(const std::string &folder) {
    std::vector<RulesText> texts;
    FILE *f = std::fopen((folder + "/logic.txt").c_str(), "rb");
    std::string logic;
    char buffer[4096];
    for (size_t n; f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) logic.append(buffer, n);
    if (f) std::fclose(f);
    texts.push_back({"logic", logic});
    std::string lines;
    for (int i = 0; i < 100000; i++) lines += i % 2 ? "Bug eats Sun\n" : "Bug eats\n";
    texts.push_back({"100k-lines", lines});
    std::string longLine = "Sun is 1 0 0\n" + std::string(1 << 20, 'a') + "\n";
    texts.push_back({"1MB-line", longLine});
    // Typing inside the long line itself: in its middle (the Enter keys then
    // split it, the keys after go to the start of its second half) and at its end.
    texts.push_back({"1MB-mid", longLine, 1, 1 << 19});
    texts.push_back({"1MB-end", longLine, 1, 1 << 20});
    std::string binary;
    for (int i = 0; i < 1 << 20; i++) binary += static_cast<char>((i * 7919) & 0xff);
    texts.push_back({"binary", binary});
    texts.push_back({"unclosed", "Sun is 1 0 0\n/* never closed\n" + lines});
    return texts;
}

int rulesWindowBench(const std::string &folder, int frames) {
    setRulesCheckWorker(DROVAN_BATCH);
    std::printf("%-10s %9s %8s %7s %10s %10s\n", "text", "bytes", "show ms", "frames", "median ms", "max ms");
    for (const RulesText &t : rulesTexts(folder)) {
        const std::string &name = t.name, &text = t.text;
        rulesShowScenario(text, std::string(), true);
        rulesEditor().SetCursorPosition(TextEditor::Coordinates(t.cursorLine, t.cursorColumn));
        openRulesWindow();
        for (int k = 0; k < 3; k++) glutMainLoopEvent();  // the window is mapped
        auto t0 = std::chrono::steady_clock::now();
        rulesWindowIdle();
        rulesWindowDisplay();
        glFinish();
        double show = sinceMs(t0);
        std::vector<double> ms;
        for (int k = 0; k < frames; k++) {
            windowKeyTap(rulesWindowInput(), k % 10 == 9 ? 13 : 'x', 0);
            auto t1 = std::chrono::steady_clock::now();
            rulesWindowIdle();
            rulesWindowDisplay();
            rulesWindowDisplay();  // the key's release
            glFinish();
            ms.push_back(sinceMs(t1));
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-10s %9zu %8.1f %7d %10.2f %10.2f\n", name.c_str(), text.size(), show, frames, ms[ms.size() / 2],
                    ms.back());
        std::fflush(stdout);
        closeRulesWindow();
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    int frames = 100;
    std::string folder = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
    std::string dump;
    float zoom = 0.8f;
    bool meshes = false, rulesWindow = false;
    std::vector<Job> jobs;
    for (int i = 1; i < argc; i++) {
        long v = 0;
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc && parseCount(argv[i + 1], v) && v > 0) {
            frames = static_cast<int>(std::min(v, 100000L));
            i++;
        } else if (!std::strcmp(argv[i], "--scenarios") && i + 1 < argc) {
            folder = argv[++i];
        } else if (!std::strcmp(argv[i], "--zoom") && i + 1 < argc) {
            zoom = std::strtof(argv[++i], nullptr);
            if (!(zoom >= 0.1f && zoom <= 100.0f)) return usage();
        } else if (!std::strcmp(argv[i], "--dump") && i + 1 < argc) {
            dump = argv[++i];
        } else if (!std::strcmp(argv[i], "--meshes")) {
            meshes = true;
        } else if (!std::strcmp(argv[i], "--rules-window")) {
            rulesWindow = true;
        } else if (argv[i][0] == '-') {
            return usage();
        } else {
            std::string spec = argv[i];
            size_t colon = spec.find(':');
            Job job{spec.substr(0, colon), -1};
            if (colon != std::string::npos && !parseCount(spec.c_str() + colon + 1, job.steps)) return usage();
            jobs.push_back(job);
        }
    }
    if (jobs.empty()) {
        jobs.push_back({"logic", -1});
        for (const BenchScenario &s : benchScenarios()) jobs.push_back({s.name, -1});
    }
    for (Job &job : jobs)
        if (job.steps < 0) job.steps = job.world == "logic" ? 5000 : 10;

    // The driver banner goes to standard error, away from the figures.
    std::fflush(stdout);
    int out = dup(1);
    dup2(2, 1);
    appStartup(std::string());
    std::fflush(stdout);
    if (out >= 0) {
        dup2(out, 1);
        close(out);
    }
    for (int k = 0; k < 10; k++) glutMainLoopEvent();
    if (rulesWindow) return rulesWindowBench(folder, frames);
    if (meshes) setSphereSquarePixels(0.0f);
    glutSetWindow(shell.mainWindow);
    std::printf("%-8s %7s %6s %6s %7s %7s %10s %10s %10s\n", "world", "steps", "nodes", "edges", "atoms", "frames",
                "median ms", "mean ms", "cpu ms");
    for (const Job &job : jobs) {
        if (!setUp(job, folder, zoom)) return 2;
        drawLiveFrame(PointerMarks(), true);  // first-use costs stay out of the figures
        glFinish();
        std::vector<double> ms;
        ms.reserve(frames);
        auto start = std::chrono::steady_clock::now();
        double cpuStart = cpuMs();
        for (int k = 0; k < frames; k++) {
            auto t0 = std::chrono::steady_clock::now();
            drawLiveFrame(PointerMarks(), true);
            glFinish();
            auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        double cpu = cpuMs() - cpuStart;
        std::sort(ms.begin(), ms.end());
        int nodes, edges;
        statusCounts(nodes, edges);
        std::printf("%-8s %7ld %6d %6d %7d %7d %10.2f %10.2f %10.2f\n", job.world.c_str(), job.steps, nodes, edges,
                    world.liveAtomCount, frames, ms[ms.size() / 2], total / frames, cpu / frames);
        std::fflush(stdout);
        std::string path = dump + "-" + job.world + ".ppm";
        if (!dump.empty() && !dumpFrame(path)) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
