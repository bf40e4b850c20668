// The bundled scenarios and patterns, and the reference run that guards the
// simulation's exact results.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/Startup.h"
#include "batch/BatchRunner.h"
#include "runtime/WorldTick.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {

const std::string kScenarios = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios";
const std::string kGolden = std::string(DROVAN_SOURCE_DIR) + "/tests/batch/golden";

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A run's CSV: one column of numbers per header name.
std::map<std::string, std::vector<long>> parseCsv(const std::string &text) {
    std::map<std::string, std::vector<long>> columns;
    std::vector<std::string> names;
    std::istringstream in(text);
    std::string line, cell;
    for (bool header = true; std::getline(in, line); header = false) {
        std::istringstream cells(line);
        for (size_t i = 0; std::getline(cells, cell, ','); i++)
            if (header)
                names.push_back(cell);
            else if (i < names.size())
                columns[names[i]].push_back(std::atol(cell.c_str()));
    }
    return columns;
}

// Every row counts one world: its colour and metaN columns add up to its nodes.
void expectRowsAgree(const std::map<std::string, std::vector<long>> &c) {
    const std::vector<long> &nodes = c.at("nodes");
    for (size_t row = 0; row < nodes.size(); row++) {
        long sum = 0;
        for (const auto &column : c)
            if (column.first != "step" && column.first != "time" && column.first != "nodes" &&
                column.first != "edges" && column.first != "atoms")
                sum += column.second.at(row);
        EXPECT_EQ(sum, nodes[row]) << "row " << row;
    }
}

class ScenariosTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::string path(const std::string &name) const { return scratch.path(name); }
};

}  // namespace

TEST_F(ScenariosTest, EveryBundledRulesFileLoadsWithoutADiagnostic) {
    int files = 0;
    DIR *d = opendir(kScenarios.c_str());
    ASSERT_NE(d, nullptr);
    while (dirent *e = readdir(d)) {
        std::string n = e->d_name;
        bool pattern = n.rfind("meta", 0) == 0 && endsWith(n, "a.txt");
        if (!endsWith(n, ".txt") || pattern || n == "copyright.txt") continue;
        files++;
        BatchResult r = runBatch("check " + quote(kScenarios + "/" + n));
        // Nothing but the summary line: no diagnostic, and the file's own colours are in force.
        EXPECT_TRUE(r.status == 0 && r.out.find('\n') == r.out.size() - 1 && endsWith(r.out, " colors parsed\n"))
            << n << ":\n" << r.out;
    }
    closedir(d);
    EXPECT_GE(files, 7);
}

TEST_F(ScenariosTest, EveryPatternFileReadsCompletelyAndWritesBackUnchanged) {
    for (int k = 1; k <= 10; k++) {
        std::string file = kScenarios + "/meta" + std::to_string(k) + "a.txt";
        std::string text = readFile(file);
        ASSERT_FALSE(text.empty()) << file;
        // Written in the tool's own format, so every node and edge survived the reading.
        BatchResult r = runBatch("pattern " + quote(file) + " --rules " + quote(kScenarios + "/logic.txt"));
        EXPECT_TRUE(r.status == 0 && r.out == text) << file;
    }
}

// The reference run below pins plain nodes; this pins metanodes: the default
// scenario with a swimmer and a star placed.
TEST_F(ScenariosTest, RunsWithMetanodesAreByteForByteRepeatable) {
    const std::string run = "run " + quote(kScenarios + "/logic.txt") + " --patterns " + quote(kScenarios) +
                            " --place 0:1600,1600 --place 1:1200,1200 --steps 300 --every 10";
    for (const char *i : {"0", "1"})
        ASSERT_EQ(runBatch(run + " --csv " + quote(path(std::string("c") + i)) + " --save " +
                           quote(path(std::string("s") + i))).status, 0);
    EXPECT_EQ(readFile(path("c0")), readFile(path("c1")));
    EXPECT_FALSE(readFile(path("s0")).empty());
    EXPECT_EQ(readFile(path("s0")), readFile(path("s1")));
}

// The reference run: any change in the simulation's results shows here first.
// After an intended change of behaviour, regenerate both files with
//   drovan-batch run tests/batch/golden/scenario.txt --steps 500 --every 50
//     --csv tests/batch/golden/scenario.csv --save tests/batch/golden/scenario-500.txt
TEST_F(ScenariosTest, ReferenceRunMatchesTheKeptListingAndCurve) {
    BatchResult r = runBatch("run " + quote(kGolden + "/scenario.txt") + " --steps 500 --every 50 --csv " +
                        quote(path("curve.csv")) + " --save " + quote(path("listing.txt")));
    ASSERT_EQ(r.status, 0);
    std::string listing = readFile(kGolden + "/scenario-500.txt"), curve = readFile(kGolden + "/scenario.csv");
    ASSERT_FALSE(listing.empty() || curve.empty());
    EXPECT_TRUE(readFile(path("listing.txt")) == listing) << "the 500-step listing differs from " << kGolden
                                                          << "/scenario-500.txt";
    EXPECT_EQ(readFile(path("curve.csv")), curve);

    // The kept run must show nodes of every colour and edges beyond the file's two.
    auto c = parseCsv(curve);
    ASSERT_FALSE(c["edges"].empty());
    for (const char *name : {"Sun", "Leaf", "Bug", "Hunter"}) EXPECT_GT(c[name].back(), 0) << name;
    EXPECT_GT(c["edges"].back(), 2);
}

TEST_F(ScenariosTest, DefaultScenarioLivesForFiveThousandSteps) {
    BatchResult r = runBatch("run " + quote(kScenarios + "/logic.txt") + " --steps 5000 --every 1 --csv " +
                        quote(path("logic.csv")));
    ASSERT_EQ(r.status, 0);
    auto c = parseCsv(readFile(path("logic.csv")));
    const std::vector<long> &nodes = c["nodes"], &edges = c["edges"];
    ASSERT_TRUE(nodes.size() == 5001u && edges.size() == 5001u);
    expectRowsAgree(c);
    // A spontaneous node comes alone and at most every third step, so a step that
    // adds two nodes or more is a structure copying itself.
    int copies = 0;
    long edgeRows = 0;
    for (size_t i = 1; i < nodes.size(); i++) {
        EXPECT_LT(nodes[i], 2056) << "the node table filled at step " << i;
        edgeRows += edges[i] > 0;
        copies += nodes[i] - nodes[i - 1] >= 2;
    }
    EXPECT_GT(edges.back(), 0);
    EXPECT_GT(edgeRows, 4500);
    EXPECT_GT(copies, 100);
    EXPECT_GT(nodes[500], 50) << "life shows early";
}

TEST_F(ScenariosTest, StarMetanodesFeedAndCopyThemselves) {
    BatchResult r = runBatch("run " + quote(kScenarios + "/metanodes.txt") + " --patterns " + quote(kScenarios) +
                        " --place 1:1600,1600 --place 0:900,900 --steps 800 --every 100 --csv " +
                        quote(path("meta.csv")));
    ASSERT_EQ(r.status, 0);
    auto c = parseCsv(readFile(path("meta.csv")));
    const std::vector<long> &stars = c["meta2"], &swimmers = c["meta1"];
    ASSERT_TRUE(stars.size() == 9u && swimmers.size() == 9u);
    expectRowsAgree(c);
    EXPECT_TRUE(swimmers[0] == 1 && stars[0] == 1) << "row 0 shows the placed metanodes";
    EXPECT_EQ(swimmers[1], 1);
    EXPECT_GT(stars.back(), 5);
    for (long n : stars) EXPECT_LE(n, 62);  // parents die past 60 copies
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
    for (int ticks = 0; ticks < 400; ticks += tickWorld(world.lastStepTime + 1.0f)) {
        drovanNode *n = findNode(id);
        ASSERT_NE(n, nullptr) << "the swimmer died at tick " << ticks;
        vec2 p = n->position();
        travelled += std::min(std::hypot(p.x - last.x, p.y - last.y), 20.0f);  // a wrap is not a swim
        last = p;
    }
    EXPECT_GT(travelled, 300.0f);
}
