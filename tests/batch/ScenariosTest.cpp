// The bundled scenarios and patterns, and the reference run that guards the
// simulation's exact results.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "batch/BatchRunner.h"
#include "app/WorldTick.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {

const std::string kScenarios = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
const std::string kGolden = std::string(DROVAN_SOURCE_DIR) + "/tests/batch/golden";


std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool isPatternName(const std::string &name) {
    int k = 0;
    char tail[8] = {};
    return std::sscanf(name.c_str(), "meta%d%7s", &k, tail) == 2 && std::string(tail) == "a.txt";
}

std::vector<std::string> rulesFiles() {
    std::vector<std::string> names;
    if (DIR *d = opendir(kScenarios.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (endsWith(n, ".txt") && !isPatternName(n) && n != "copyright.txt") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

// One row of a run's CSV as numbers, keyed by the header's column names.
struct Curve {
    std::vector<std::string> columns;
    std::vector<std::vector<long>> rows;
    int column(const std::string &name) const {
        for (size_t i = 0; i < columns.size(); i++)
            if (columns[i] == name) return static_cast<int>(i);
        return -1;
    }
};

Curve parseCsv(const std::string &text) {
    Curve c;
    std::istringstream in(text);
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        std::string cell;
        std::vector<long> row;
        while (std::getline(cells, cell, ',')) {
            if (header)
                c.columns.push_back(cell);
            else
                row.push_back(std::atol(cell.c_str()));
        }
        if (!header) c.rows.push_back(row);
        header = false;
    }
    return c;
}

class ScenariosTest : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/drovan-scenarios-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { std::system(("rm -rf " + quote(dir)).c_str()); }
    std::string path(const std::string &name) const { return dir + "/" + name; }
};

}  // namespace

TEST_F(ScenariosTest, EveryBundledRulesFileLoadsWithoutADiagnostic) {
    std::vector<std::string> names = rulesFiles();
    std::set<std::string> have(names.begin(), names.end());
    for (const char *wanted : {"logic.txt", "discover-edges.txt", "donuts.txt", "cilia.txt", "signals.txt",
                               "closed-world.txt", "metanodes.txt"})
        EXPECT_TRUE(have.count(wanted)) << wanted << " is missing";
    for (const std::string &n : names) {
        BatchResult r = runBatch("check " + quote(kScenarios + "/" + n));
        EXPECT_EQ(r.status, 0) << n << ":\n" << r.out;
        // Nothing but the summary line: no diagnostic, and the file's own colours are in force.
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << n << ":\n" << r.out;
        EXPECT_TRUE(endsWith(r.out, " colors parsed\n")) << n << ":\n" << r.out;
    }
}

TEST_F(ScenariosTest, EveryPatternFileReadsCompletelyAndWritesBackUnchanged) {
    int nonEmpty = 0;
    for (int k = 1; k <= 10; k++) {
        std::string file = kScenarios + "/meta" + std::to_string(k) + "a.txt";
        std::string text = readFile(file);
        ASSERT_FALSE(text.empty()) << file;
        BatchResult r = runBatch("pattern " + quote(file) + " --rules " + quote(kScenarios + "/logic.txt"));
        EXPECT_EQ(r.status, 0) << file;
        // Written in the tool's own format, so every node and edge survived the reading.
        EXPECT_EQ(r.out, text) << file;
        if (text != "0 0\n") nonEmpty++;
    }
    EXPECT_GE(nonEmpty, 3);
}

TEST_F(ScenariosTest, RunsAreByteForByteRepeatable) {
    std::string scenario = quote(kGolden + "/scenario.txt");
    for (int i = 0; i < 2; i++) {
        BatchResult r = runBatch("run " + scenario + " --steps 300 --every 7 --csv " + quote(path("a" + std::to_string(i))) +
                            " --save " + quote(path("s" + std::to_string(i))));
        ASSERT_EQ(r.status, 0);
    }
    EXPECT_EQ(readFile(path("a0")), readFile(path("a1")));
    EXPECT_EQ(readFile(path("s0")), readFile(path("s1")));
    EXPECT_FALSE(readFile(path("s0")).empty());

    // The default scenario with a swimmer and a star placed: metanodes too repeat exactly.
    std::string logic = "run " + quote(kScenarios + "/logic.txt") + " --patterns " + quote(kScenarios) +
                        " --place 0:1600,1600 --place 1:1200,1200 --steps 300 --every 10";
    for (int i = 0; i < 2; i++)
        ASSERT_EQ(runBatch(logic + " --csv " + quote(path("m" + std::to_string(i))) + " --save " +
                           quote(path("l" + std::to_string(i))))
                      .status,
                  0);
    EXPECT_EQ(readFile(path("m0")), readFile(path("m1")));
    EXPECT_EQ(readFile(path("l0")), readFile(path("l1")));
}

// The reference run: any change in the simulation's results shows here first.
// After an intended change of behaviour, regenerate both files with
//   drovan-batch run tests/batch/golden/scenario.txt --steps 500 --every 50
//     --csv tests/batch/golden/scenario.csv --save tests/batch/golden/scenario-500.txt
TEST_F(ScenariosTest, ReferenceRunMatchesTheKeptListingAndCurve) {
    BatchResult r = runBatch("run " + quote(kGolden + "/scenario.txt") + " --steps 500 --every 50 --csv " +
                        quote(path("curve.csv")) + " --save " + quote(path("listing.txt")));
    ASSERT_EQ(r.status, 0);
    std::string listing = readFile(kGolden + "/scenario-500.txt");
    std::string curve = readFile(kGolden + "/scenario.csv");
    ASSERT_FALSE(listing.empty());
    ASSERT_FALSE(curve.empty());
    EXPECT_TRUE(readFile(path("listing.txt")) == listing) << "the 500-step listing differs from " << kGolden
                                                          << "/scenario-500.txt";
    EXPECT_EQ(readFile(path("curve.csv")), curve);
}

TEST_F(ScenariosTest, ReferenceScenarioExercisesWhatItGuards) {
    // The kept data must show nodes of several colours, edges, discovered edges and reproduction.
    Curve c = parseCsv(readFile(kGolden + "/scenario.csv"));
    ASSERT_FALSE(c.rows.empty());
    const std::vector<long> &last = c.rows.back();
    ASSERT_EQ(last[c.column("step")], 500);
    int coloursWithNodes = 0;
    for (const char *name : {"Sun", "Leaf", "Bug", "Hunter"})
        if (last[c.column(name)] > 0) coloursWithNodes++;
    EXPECT_EQ(coloursWithNodes, 4);
    EXPECT_GT(last[c.column("edges")], 2);  // the file starts with two
    // At most one spontaneous node every third step, plus the six of the file.
    EXPECT_GT(last[c.column("nodes")], 500 / 3 / 2 + 6 + 20);
}

TEST_F(ScenariosTest, DefaultScenarioLivesForFiveThousandSteps) {
    BatchResult r = runBatch("run " + quote(kScenarios + "/logic.txt") + " --steps 5000 --every 1 --csv " +
                        quote(path("logic.csv")));
    ASSERT_EQ(r.status, 0);
    Curve c = parseCsv(readFile(path("logic.csv")));
    ASSERT_EQ(c.rows.size(), 5001u);
    int nodes = c.column("nodes"), edges = c.column("edges");
    ASSERT_GE(nodes, 0);
    ASSERT_GE(edges, 0);
    // A spontaneous node comes alone and at most every third step, so a step that
    // adds two nodes or more is a structure copying itself.
    int copies = 0, earlyCopies = 0;
    long edgeRows = 0;
    for (size_t i = 0; i < c.rows.size(); i++) {
        const std::vector<long> &row = c.rows[i];
        EXPECT_LT(row[nodes], 2056) << "the node table filled at step " << row[0];
        if (row[edges] > 0) edgeRows++;
        if (i > 0 && row[nodes] - c.rows[i - 1][nodes] >= 2) {
            copies++;
            if (row[0] <= 600) earlyCopies++;
        }
    }
    EXPECT_GT(c.rows.back()[nodes], 0);
    EXPECT_GT(c.rows.back()[edges], 0);
    EXPECT_GT(edgeRows, 4500);
    EXPECT_GT(copies, 100);
    // Life shows early: nodes, links and copies within the first few hundred steps.
    EXPECT_GT(c.rows[500][nodes], 50);
    EXPECT_GT(c.rows[500][edges], 5);
    EXPECT_GT(earlyCopies, 3);
}

TEST_F(ScenariosTest, StarMetanodesFeedAndCopyThemselves) {
    BatchResult r = runBatch("run " + quote(kScenarios + "/metanodes.txt") + " --patterns " + quote(kScenarios) +
                        " --place 1:1600,1600 --place 0:900,900 --steps 800 --every 100 --csv " +
                        quote(path("meta.csv")));
    ASSERT_EQ(r.status, 0);
    Curve c = parseCsv(readFile(path("meta.csv")));
    int stars = c.column("meta2"), swimmers = c.column("meta1");
    ASSERT_GE(stars, 0);
    EXPECT_EQ(c.rows[1][swimmers], 1);
    EXPECT_GT(c.rows.back()[stars], 5);
    for (const std::vector<long> &row : c.rows) EXPECT_LE(row[stars], 62);  // parents die past 60 copies
}

// In-process: the swimmer pattern moves when placed in the default world.
class SwimmerTest : public ::testing::Test {
protected:
    void TearDown() override {
        killAll();
        initPatternSlots();
        setWalkerTraceStream(stdout);
    }
};

TEST_F(SwimmerTest, SwimmerPatternSwimsAway) {
    setWalkerTraceStream(nullptr);
    FILE *devnull = std::fopen("/dev/null", "w");
    StartupResult s = startWorld(kScenarios + "/logic.txt", kScenarios, StartupHooks(), devnull);
    std::fclose(devnull);
    ASSERT_TRUE(s.rulesOpened);
    drovanMetaNode *m = placeMetaNode(0, 1600.0f, 1600.0f);
    ASSERT_NE(m, nullptr);
    int id = m->id;
    if (world.speed == 0) setSpeed(2);
    float travelled = 0.0f;
    vec2 last = m->position();
    for (int ticks = 0; ticks < 400;) {
        if (!tickWorld(world.lastStepTime + 1.0f)) continue;
        ticks++;
        drovanNode *n = findNode(id);
        ASSERT_NE(n, nullptr) << "the swimmer died at tick " << ticks;
        vec2 p = n->position();
        travelled += std::min(std::hypot(p.x - last.x, p.y - last.y), 20.0f);  // a wrap is not a swim
        last = p;
    }
    EXPECT_GT(travelled, 300.0f);
}
