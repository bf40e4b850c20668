#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "batch/BatchCommands.h"
#include "batch/BatchCsv.h"
#include "world/ColorTable.h"
#include "rules/RulesListing.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Node.h"
#include "world/Walkers.h"
#include "world/Random.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

namespace {

struct RunOptions : StepPlan {
    std::string file, patterns;
    struct Place {
        int slot;
        float x, y;
    };
    std::vector<Place> places;
    uint32_t seed = 1;
};

// SLOT:X,Y with SLOT 0..9 and (X, Y) a finite point inside the world.
bool parsePlace(const std::string &s, RunOptions::Place &p) {
    size_t colon = s.find(':'), comma = s.find(',', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || comma == std::string::npos) return false;
    std::string slot = s.substr(0, colon);
    char *end = nullptr;
    long k = std::strtol(slot.c_str(), &end, 10);
    if (slot.empty() || *end != '\0' || k < 0 || k >= kPatternSlots) return false;
    if (!parseFinite(s.substr(colon + 1, comma - colon - 1), p.x) || !parseFinite(s.substr(comma + 1), p.y))
        return false;
    p.slot = static_cast<int>(k);
    return p.x >= world.worldMinX && p.x <= world.worldMaxX && p.y >= world.worldMinY && p.y <= world.worldMaxY;
}

bool parse(const std::vector<std::string> &args, RunOptions &o) {
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--patterns" && hasValue) {
            o.patterns = args[++i];
        } else if (int taken = parseStepOption(args, i, o)) {
            if (taken < 0) return false;
        } else if (int taken = parsePictureOption(args, i, o.pictures, "run")) {
            if (taken < 0) return false;
        } else if (a == "--seed" && hasValue) {
            if (!parseSeed(args[++i], o.seed)) return false;
        } else if (a == "--place" && hasValue) {
            RunOptions::Place p;
            if (!parsePlace(args[++i], p)) {
                std::fprintf(stderr,
                             "drovan-batch run: --place '%s': takes SLOT:X,Y with SLOT 0..9 and X, Y numbers "
                             "inside the world (%g..%g, %g..%g)\n",
                             args[i].c_str(), static_cast<double>(world.worldMinX),
                             static_cast<double>(world.worldMaxX), static_cast<double>(world.worldMinY),
                             static_cast<double>(world.worldMaxY));
                return false;
            }
            o.places.push_back(p);
        } else if (o.file.empty() && (a.empty() || a[0] != '-')) {
            o.file = a;
        } else {
            std::fprintf(stderr, "drovan-batch run: unexpected argument '%s'\n", a.c_str());
            return false;
        }
    }
    return !o.file.empty();
}

}  // namespace

static void progress(long done, long total) {
    int width = 40;
    int filled = total > 0 ? static_cast<int>(done * width / total) : width;
    std::fprintf(stderr, "\r[%.*s%*s] %ld/%ld", filled, "########################################", width - filled, "",
                 done, total);
    if (done == total) std::fputc('\n', stderr);
}

int batchRun(const std::vector<std::string> &args) {
    RunOptions o;
    if (!parse(args, o)) {
        std::fputs(
            "usage: drovan-batch run FILE [--patterns DIR] [--place SLOT:X,Y]... [--seed S] [--steps N] [--csv OUT] "
            "[--every K] [--digest] [--save OUT] [--snapshot OUT] [--frames DIR] [--movie OUT.mp4] [--frame-every K] "
            "[--size WxH] [--view CX,CY,ZOOM] [--fps F] [--force]\n",
            stderr);
        return 2;
    }
    if (!checkReadableFile(o.file) || !checkPicturePlan(o.pictures, "run")) return 2;
    setWalkerTraceStream(nullptr);
    setRandState(o.seed);
    StartupResult r = startWorld(o.file, o.patterns, StartupHooks());
    if (!r.rulesOpened) return 2;
    for (const RunOptions::Place &p : o.places)
        if (!placeMetaNode(p.slot, p.x, p.y))
            std::fprintf(stderr, "drovan-batch run: nothing placed for slot %d (empty pattern or full table)\n",
                         p.slot);
    return runSteps(o);
}

int runSteps(const StepPlan &o) {
    if (world.speed == 0) setSpeed(2);  // a paused world (a scenario, a saved world) still runs headless
    PictureRecorder pictures;
    bool drawing = o.pictures.any();
    std::string why;
    if (drawing && !pictures.open(o.pictures, why)) {
        std::fprintf(stderr, "drovan-batch: %s\n", why.c_str());
        return 2;
    }
    // Pictures are drawn from the world as it stands and change nothing in it.
    bool stopped = false;
    auto picture = [&] {
        if (pictures.record(world.stepCount, why)) return true;
        std::fprintf(stderr,
                     "drovan-batch: stopped at step %d: %s; the frames and movie written before stay readable\n",
                     world.stepCount, why.c_str());
        stopped = true;
        return false;
    };
    FILE *csv = nullptr;
    if (!o.csv.empty()) {
        setCsvDigest(o.digest);
        if (!(csv = openCsv(o.csv.c_str()))) return 2;
    }
    bool showProgress = o.progress && isatty(2);
    int startStep = world.stepCount;
    float now = world.lastStepTime;
    if (csv) writeCsvRow(csv);
    if (drawing) picture();
    while (!stopped && world.stepCount - startStep < o.steps) {
        // Every pass is a due pass: the first takes no step (empty budget), as in the live program.
        now = world.lastStepTime + 1.0f;
        if (tickWorld(now)) {
            long done = world.stepCount - startStep;
            // Rows fall on whole multiples of the step count, so a resumed run samples the same steps.
            if (csv && (world.stepCount % o.every == 0 || (o.finalRow && done == o.steps))) writeCsvRow(csv);
            if (drawing && world.stepCount % o.pictures.every == 0 && !picture()) break;
            if (showProgress && (done % 100 == 0 || done == o.steps)) progress(done, o.steps);
        }
    }
    if (showProgress && stopped) std::fputc('\n', stderr);
    if (csv && std::fclose(csv) != 0) {
        std::perror(o.csv.c_str());
        return 1;
    }

    int nodes, edges;
    statusCounts(nodes, edges);
    std::printf("%d steps, time %.2f s: %d nodes, %d edges, %d atoms\n", world.stepCount - startStep, world.simTime,
                nodes, edges, world.liveAtomCount);
    if (o.digest && !csv) {
        char hex[17];
        formatDigest(worldDigest(), hex);
        std::printf("digest %s\n", hex);
    }
    std::fflush(stdout);
    if (stopped) return 1;
    if (!pictures.finish(why)) {
        std::fprintf(stderr, "drovan-batch: %s\n", why.c_str());
        return 1;
    }
    int status = 0;
    if (!o.save.empty() && !saveListing(o.save)) status = 1;
    if (!o.snapshot.empty() && !saveSnapshotFile(o.snapshot)) status = 1;
    return status;
}
