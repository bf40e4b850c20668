// The bench worlds after a fixed number of steps, compared byte for byte with
// listings and statistics captured before the step was made faster. Any
// change in the order of removal notices, collision pairs, edge cursors or
// neighbour queries shows up here as a different world.

#include "batch/BatchRunner.h"

namespace {

const std::string kGolden = std::string(DROVAN_SOURCE_DIR) + "/tests/batch/golden/";

class BenchGoldenTest : public ::testing::TestWithParam<const char *> {};

// The CSV also pins its header, the warm-up steps counted in each row and a
// row every 10 steps.
TEST_P(BenchGoldenTest, WorldMatchesCapturedState) {
    ScratchFolder scratch;
    std::string stem = std::string("bench-") + GetParam() + "-1000";
    ASSERT_TRUE(ranOk(std::string("bench --scenario ") + GetParam() + " --steps 1000 --save " +
                      quote(scratch.path("w.txt")) + " --csv " + quote(scratch.path("w.csv"))));
    for (const char *ext : {".csv", ".txt"}) {
        std::string want = readFile(kGolden + stem + ext);
        ASSERT_FALSE(want.empty()) << "missing golden file " << stem << ext;
        EXPECT_TRUE(want == readFile(scratch.path(std::string("w") + ext))) << stem << ext << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(Worlds, BenchGoldenTest, ::testing::Values("small", "busy", "meta", "full"),
                         [](const ::testing::TestParamInfo<const char *> &i) { return std::string(i.param); });

// The full world's saved listing, run again, keeps all its nodes: they
// neither decay nor age, and the listing says so.
TEST(BenchCaptureTest, FullWorldRunFromItsListingKeepsItsNodes) {
    ScratchFolder scratch;
    ASSERT_TRUE(ranOk("run " + quote(kGolden + "bench-full-1000.txt") + " --steps 1000 --every 100 --csv " +
                      quote(scratch.path("a.csv"))));
    auto rows = csvRows(readFile(scratch.path("a.csv")));
    ASSERT_EQ(rows.size(), 12u);
    for (size_t r = 1; r < rows.size(); r++) EXPECT_EQ(rows[r].at(2), "2056") << "step " << rows[r].at(0);
}

// The sizes after the warm-up and the smallest and largest counts over the
// measured steps; the digest column rides on the CSV when asked for.
TEST(BenchCaptureTest, PrintsMeasuredRangesAndCarriesTheDigest) {
    ScratchFolder scratch;
    BatchResult r = runBatch("bench --scenario small --steps 25 --digest --csv " + quote(scratch.path("b.csv")));
    EXPECT_TRUE(exitsSaying(r, 0, "start    50 nodes     0 edges   1016 atoms"));
    EXPECT_TRUE(exitsSaying(r, 0, "end    50 nodes     0 edges   1011 atoms"));
    EXPECT_TRUE(exitsSaying(r, 0, "measured over 50-50 nodes 1007-1014 atoms"));
    EXPECT_NE(readFile(scratch.path("b.csv")).find(",digest\n"), std::string::npos);
}

// The default run builds every world in one process: each must be the world
// its own run builds (and the goldens hold), whatever ran before it.
TEST(BenchCaptureTest, EveryWorldIsTheSameAloneOrAfterTheOthers) {
    // A world's sizes: its line up to the timings.
    auto sizes = [](const std::string &out, const std::string &world) {
        size_t at = out.find(world + " ");
        return at == std::string::npos ? "<no line>" : out.substr(at, out.find("| median", at) - at);
    };
    BatchResult all = runBatch("bench --steps 3");
    ASSERT_EQ(all.status, 0);
    for (const char *world : {"small", "busy", "full", "meta"})
        EXPECT_EQ(sizes(all.out, world),
                  sizes(runBatch(std::string("bench --steps 3 --scenario ") + world).out, world));
}

}  // namespace
