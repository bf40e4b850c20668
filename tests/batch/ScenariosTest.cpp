// The reference run that guards the simulation's exact results, and the
// pattern command's refusal of a damaged file.

#include "batch/BatchRunner.h"

namespace {

const std::string kGolden = std::string(DROVAN_SOURCE_DIR) + "/tests/batch/golden";

using ScenariosTest = ScratchTest;

}  // namespace

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
    EXPECT_TRUE(readFile(path("listing.txt")) == listing)
        << "the 500-step listing differs from " << kGolden << "/scenario-500.txt";
    EXPECT_EQ(readFile(path("curve.csv")), curve);
}

// A number with trailing letters is damage: the read stops before that node.
TEST_F(ScenariosTest, APatternNumberWithTrailingLettersStopsTheRead) {
    std::string file = write("bad.txt", "2 1\n0 0 0 0\n10.5x 0 0 0\n0 1 0\n");
    BatchResult r = runBatch("pattern " + quote(file) + " --rules " + quote(kBundled + "/logic.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1 0\n0.000000 0.000000 0.000000 0\n");
}
