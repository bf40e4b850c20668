#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "runtime/WorldSnapshot.h"
#include "world/Random.h"
#include "world/Walkers.h"

int batchResume(const std::vector<std::string> &args) {
    StepPlan plan;
    std::string snap;
    uint32_t seed = 0;
    bool reseed = false;
    bool ok = true;
    for (size_t i = 0; ok && i < args.size(); i++) {
        const std::string &a = args[i];
        if (int taken = parseStepOption(args, i, plan)) {
            ok = taken > 0;
        } else if (int taken = parsePictureOption(args, i, plan.pictures, "resume")) {
            ok = taken > 0;
        } else if (a == "--seed" && i + 1 < args.size()) {
            ok = parseSeed(args[++i], seed);
            reseed = true;
        } else if (snap.empty() && (a.empty() || a[0] != '-')) {
            snap = a;
        } else {
            std::fprintf(stderr, "drovan-batch resume: unexpected argument '%s'\n", a.c_str());
            ok = false;
        }
    }
    if (!ok || snap.empty()) {
        std::fputs(
            "usage: drovan-batch resume SNAP [--seed S] [--steps N] [--csv OUT] [--every K] [--digest] [--save OUT] "
            "[--snapshot OUT] [--frames DIR] [--movie OUT.mp4] [--frame-every K] [--size WxH] [--view CX,CY,ZOOM] "
            "[--fps F] [--force]\n",
            stderr);
        return 2;
    }
    if (!checkReadableFile(snap) || !checkPicturePlan(plan.pictures, "resume")) return 2;
    setWalkerTraceStream(nullptr);
    std::string why;
    if (!openWorldSnapshot(snap, why)) {
        std::fprintf(stderr, "drovan-batch: %s\n", why.c_str());
        return 2;
    }
    // A new seed sends the saved world down another random future.
    if (reseed) setRandState(seed);
    return runSteps(plan);
}
