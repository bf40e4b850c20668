// One small world per rule family, run a few hundred steps; the digest of
// every few steps and the final listing must match the kept files byte for
// byte. After an intended change of behaviour, regenerate them with
//   DROVAN_REGENERATE_GOLDEN=1 build-release/drovan_tests --gtest_filter='GoldenFamilies*'
// and read the diff before committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "batch/BatchRunner.h"
#include "rules/ListingRoundTrip.h"
#include "rules/RulesListing.h"
#include "runtime/Startup.h"
#include "support/TextCapture.h"
#include "runtime/WorldTick.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/Selection.h"
#include "world/FreshProcess.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldDigest.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

namespace {

const std::string kFamilies = std::string(DROVAN_SOURCE_DIR) + "/tests/world/golden";

// The pointer's gestures, through the functions the desktop program calls.
void dragSelection(int id, float dx, float dy) {
    selectComponent(findNode(id), true);
    dragNodes(id, dx, dy, true);
}

void copySelectionAndDrag(float dx, float dy) {
    SelectionWalker spider;
    GraphReplicator replicator(&spider);
    replicator.replicate();
    clearSelection();
    replicator.selectCopies(true);
    dragNodes(replicator.firstCopyId(), dx, dy, true);
}

struct Family {
    const char *name;
    const char *patterns;                      // the folder of its pattern files, if any
    std::vector<std::pair<int, Vec2>> places;  // metanodes: slot, point
    int steps, every;
    // Called before each step with the number of steps taken.
    std::function<void(int)> gesture;
};

void PrintTo(const Family &f, std::ostream *os) { *os << f.name; }

const std::vector<Family> &families() {
    static const std::vector<Family> all = {
        {"closed-world", nullptr, {}, 300, 10, nullptr},
        {"inertia", nullptr, {}, 200, 10, nullptr},
        {"capture-arc", nullptr, {}, 300, 10, nullptr},
        {"relations", nullptr, {}, 300, 10, nullptr},
        {"signals", nullptr, {}, 300, 10, nullptr},
        {"conversions", nullptr, {}, 300, 10, nullptr},
        {"valence", nullptr, {}, 100, 5, nullptr},
        {"donuts", nullptr, {}, 300, 10, nullptr},
        {"cilia", "patterns", {{0, {1620.0f, 1560.0f}}}, 300, 10, nullptr},
        {"metanodes",
         "patterns",
         {{1, {1600.0f, 1600.0f}}, {1, {1680.0f, 1650.0f}}, {0, {1570.0f, 1590.0f}}, {1, {1590.0f, 1700.0f}}},
         400,
         10,
         nullptr},
        {"gestures",
         nullptr,
         {},
         200,
         10,
         [](int step) {
             if (step == 30) dragSelection(1, 40.0f, -20.0f);
             if (step == 60)
                 if (Node *n = findNode(1)) n->setAngle(1.2f);
             if (step == 90) copySelectionAndDrag(0.0f, 150.0f);
             if (step == 120) dragNodes(4, 30.0f, 30.0f, true);  // unselected: moves alone
             if (step == 150) clearSelection();
         }},
        {"inhibition", nullptr, {}, 300, 1, nullptr},
        {"walls", nullptr, {}, 300, 1, [](int step) { world.inertia = step >= 150; }},
        {"shrinking-donuts", nullptr, {}, 300, 1, nullptr},
        {"donut-factors", nullptr, {}, 200, 1, nullptr},
        {"bodies",
         "bodies",
         {{0, {1640.0f, 1640.0f}},
          {1, {1652.0f, 1640.0f}},
          {1, {1640.0f, 1651.0f}},
          {1, {1400.0f, 1700.0f}},
          {0, {1300.0f, 1500.0f}}},
         400,
         1,
         nullptr},
    };
    return all;
}

// The digest series and the listing of one family's run.
std::string runFamily(const Family &f) {
    resetToFreshProcess();  // so the order of tests does not matter
    setWalkerTraceStream(nullptr);
    FILE *devnull = std::fopen("/dev/null", "w");
    StartupResult r = startWorld(kFamilies + "/" + f.name + ".txt", f.patterns ? kFamilies + "/" + f.patterns : "",
                                 StartupHooks(), devnull);
    std::fclose(devnull);
    if (!r.rulesOpened) return "unreadable rules";
    for (const auto &p : f.places)
        if (!placeMetaNode(p.first, p.second.x, p.second.y)) return "nothing placed";
    if (world.speed == 0) setSpeed(2);
    std::ostringstream out;
    char hex[17];
    int start = world.stepCount;
    for (int done = 0;; done = world.stepCount - start) {
        if (done % f.every == 0) {
            formatDigest(worldDigest(), hex);
            out << done << ' ' << hex << '\n';
        }
        if (done == f.steps) break;
        if (f.gesture) f.gesture(done);
        while (!tickWorld(world.lastStepTime + 1.0f)) {}
    }
    out << "listing:\n" << captured(writeRules);
    setWalkerTraceStream(stdout);
    return out.str();
}

class GoldenFamilies : public ::testing::TestWithParam<Family> {
protected:
    void TearDown() override {
        resetToFreshProcess();
        initPatternSlots();
    }
};

TEST_P(GoldenFamilies, DigestSeriesAndListingMatchTheKeptRun) {
    const Family &f = GetParam();
    std::string got = runFamily(f), path = kFamilies + "/" + f.name + ".golden";
    roundTrip::expectRoundTrip(std::string("the world at the end of ") + f.name);
    if (std::getenv("DROVAN_REGENERATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << got;
        return;
    }
    std::string kept = readFile(path);
    ASSERT_FALSE(kept.empty()) << path;
    EXPECT_TRUE(got == kept) << f.name << " differs from " << path << "; got:\n" << got.substr(0, 2000);
}

INSTANTIATE_TEST_SUITE_P(Families, GoldenFamilies, ::testing::ValuesIn(families()),
                         [](const ::testing::TestParamInfo<Family> &i) {
                             std::string n = i.param.name;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// The tool's digest column is the same series, from a fresh process.
TEST(GoldenFamiliesBatch, DigestColumnMatchesTheInProcessSeries) {
    if (std::getenv("DROVAN_REGENERATE_GOLDEN")) GTEST_SKIP() << "the kept series is being rewritten";
    ScratchFolder scratch;
    BatchResult r = runBatch("run " + quote(kFamilies + "/relations.txt") + " --steps 300 --every 10 --digest --csv " +
                             quote(scratch.path("c.csv")));
    ASSERT_EQ(r.status, 0);
    std::istringstream csv(readFile(scratch.path("c.csv"))), kept(readFile(kFamilies + "/relations.golden"));
    std::string row, line;
    std::getline(csv, row);
    EXPECT_EQ(row.substr(row.rfind(',')), ",digest");
    int rows = 0;
    while (std::getline(csv, row) && std::getline(kept, line)) {
        EXPECT_EQ(row.substr(0, row.find(',')) + ' ' + row.substr(row.rfind(',') + 1), line);
        rows++;
    }
    EXPECT_EQ(rows, 31);
}

}  // namespace
