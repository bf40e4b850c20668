// The bench worlds after a fixed number of steps, compared byte for byte with
// listings and statistics captured before the step was made faster. Any
// change in the order of removal notices, collision pairs, edge cursors or
// neighbour queries shows up here as a different world.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

namespace {

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The first line where two texts part, for a readable failure.
std::string firstDifference(const std::string &want, const std::string &got) {
    std::istringstream a(want), b(got);
    std::string la, lb;
    for (int line = 1;; line++) {
        bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb) return "texts equal line by line (line endings differ)";
        if (!ha || !hb || la != lb)
            return "line " + std::to_string(line) + ": want '" + (ha ? la : "<end>") + "' got '" + (hb ? lb : "<end>") +
                   "'";
    }
}

struct GoldenCase {
    const char *world;
    int steps;
};
void PrintTo(const GoldenCase &c, std::ostream *os) { *os << c.world << " after " << c.steps << " steps"; }

class BenchGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(BenchGoldenTest, WorldMatchesCapturedState) {
    const GoldenCase &c = GetParam();
    std::string stem = std::string("bench-") + c.world + "-" + std::to_string(c.steps);
    std::string golden = std::string(DROVAN_SOURCE_DIR) + "/tests/batch/golden/" + stem;
    std::string tmp = ::testing::TempDir() + stem + "-" + std::to_string(getpid());
    std::string cmd = std::string("'") + DROVAN_BATCH + "' bench --scenario " + c.world + " --steps " +
                      std::to_string(c.steps) + " --save '" + tmp + ".txt' --csv '" + tmp + ".csv' >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    for (const char *ext : {".csv", ".txt"}) {
        std::string want = readAll(golden + ext), got = readAll(tmp + ext);
        ASSERT_FALSE(want.empty()) << "missing golden file " << golden << ext;
        EXPECT_TRUE(want == got) << stem << ext << ": " << firstDifference(want, got);
        std::remove((tmp + ext).c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Worlds, BenchGoldenTest,
                         ::testing::Values(GoldenCase{"small", 1000}, GoldenCase{"busy", 1000},
                                           GoldenCase{"meta", 1000}, GoldenCase{"full", 1000}),
                         [](const ::testing::TestParamInfo<GoldenCase> &i) { return std::string(i.param.world); });

// The full world's saved listing, run again, keeps all its nodes: they
// neither decay nor age, and the listing says so.
TEST(BenchCaptureTest, FullWorldRunFromItsListingKeepsItsNodes) {
    std::string tmp = ::testing::TempDir() + "bench-full-again-" + std::to_string(getpid()) + ".csv";
    std::string cmd = std::string("'") + DROVAN_BATCH + "' run '" + DROVAN_SOURCE_DIR +
                      "/tests/batch/golden/bench-full-1000.txt' --steps 1000 --every 100 --csv '" + tmp +
                      "' >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::istringstream csv(readAll(tmp));
    std::string row;
    int rows = 0;
    for (std::getline(csv, row); std::getline(csv, row); rows++) {
        long step = 0, nodes = 0;
        ASSERT_EQ(std::sscanf(row.c_str(), "%ld,%*f,%ld", &step, &nodes), 2) << row;
        EXPECT_EQ(nodes, 2056) << "step " << step;
    }
    EXPECT_EQ(rows, 11);
    std::remove(tmp.c_str());
}

TEST(BenchCaptureTest, CaptureOptionsNeedOneWorldAndWriteBothFiles) {
    std::string tmp = ::testing::TempDir() + "bench-capture-" + std::to_string(getpid());
    std::string base = std::string("'") + DROVAN_BATCH + "' bench ";
    // Without --scenario there is no single world to capture.
    EXPECT_NE(std::system((base + "--steps 1 --save '" + tmp + ".txt' >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(
        std::system(
            (base + "--scenario small --steps 25 --csv '" + tmp + ".csv' --save '" + tmp + ".txt' >/dev/null").c_str()),
        0);
    std::string csv = readAll(tmp + ".csv");
    // Header, the start row, then one row every 10 steps.
    int rows = 0;
    for (char ch : csv) rows += ch == '\n';
    EXPECT_EQ(rows, 1 + 1 + 2);
    EXPECT_EQ(csv.rfind("step,time,nodes,edges,atoms", 0), 0u);
    // Rows count the 100 warm-up steps too.
    EXPECT_NE(csv.find("\n120,"), std::string::npos);
    EXPECT_FALSE(readAll(tmp + ".txt").empty());
    std::remove((tmp + ".csv").c_str());
    std::remove((tmp + ".txt").c_str());
}

// The sizes after the warm-up and the smallest and largest counts over the
// measured steps; the digest column rides on the CSV when asked for.
TEST(BenchCaptureTest, PrintsMeasuredRangesAndCarriesTheDigest) {
    std::string tmp = ::testing::TempDir() + "bench-range-" + std::to_string(getpid());
    std::string cmd = std::string("'") + DROVAN_BATCH + "' bench --scenario small --steps 25 --digest --csv '" + tmp +
                      ".csv' > '" + tmp + ".out'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string out = readAll(tmp + ".out");
    EXPECT_NE(out.find("start    50 nodes     0 edges   1016 atoms"), std::string::npos) << out;
    EXPECT_NE(out.find("end    50 nodes     0 edges   1011 atoms"), std::string::npos) << out;
    EXPECT_NE(out.find("measured over 50-50 nodes 1007-1014 atoms"), std::string::npos) << out;
    std::string csv = readAll(tmp + ".csv");
    EXPECT_NE(csv.find(",digest\n"), std::string::npos);
    // The first row follows the 100 warm-up steps.
    EXPECT_NE(csv.find("\n100,3.333,50,0,1016,"), std::string::npos) << csv.substr(0, 200);
    std::remove((tmp + ".csv").c_str());
    std::remove((tmp + ".out").c_str());
}

// The default run builds every world in one process: each must be the world
// its own run builds (and the goldens hold), whatever ran before it.
TEST(BenchCaptureTest, EveryWorldIsTheSameAloneOrAfterTheOthers) {
    std::string tmp = ::testing::TempDir() + "bench-all-" + std::to_string(getpid());
    const std::string base = std::string("'") + DROVAN_BATCH + "' bench --steps 3";
    ASSERT_EQ(std::system((base + " > '" + tmp + ".all'").c_str()), 0);
    // A world's sizes: its line up to the timings.
    auto sizes = [](const std::string &out, const std::string &world) {
        size_t at = out.find(world + " ");
        if (at == std::string::npos) return std::string("<no line>");
        return out.substr(at, out.find("| median", at) - at);
    };
    const std::string all = readAll(tmp + ".all");
    for (const char *world : {"small", "busy", "full", "meta"}) {
        ASSERT_EQ(std::system((base + " --scenario " + world + " > '" + tmp + ".one'").c_str()), 0);
        EXPECT_EQ(sizes(all, world), sizes(readAll(tmp + ".one"), world));
    }
    std::remove((tmp + ".all").c_str());
    std::remove((tmp + ".one").c_str());
}

}  // namespace
