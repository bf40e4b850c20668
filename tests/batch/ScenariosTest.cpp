// The bundled metanode scenario and patterns, and the reference run that
// guards the simulation's exact results.

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

// The metanode scenario's CSV: row 0 shows the placed metanodes, and every
// row's colour and metaN columns (those after atoms) add up to its nodes.
TEST_F(ScenariosTest, EveryCsvRowCountsOneWorld) {
    BatchResult r =
        runBatch("run " + quote(kBundled + "/metanodes.txt") + " --patterns " + quote(kBundled) +
                 " --place 1:1600,1600 --place 0:900,900 --steps 300 --every 10 --csv " + quote(path("meta.csv")));
    ASSERT_EQ(r.status, 0);
    auto rows = csvRows(readFile(path("meta.csv")));
    ASSERT_EQ(rows.size(), 32u);
    ASSERT_EQ(rows[0].at(4), "atoms");
    for (size_t row = 1; row < rows.size(); row++) {
        long sum = 0;
        for (size_t k = 5; k < rows[row].size(); k++) sum += std::stol(rows[row][k]);
        EXPECT_EQ(sum, std::stol(rows[row].at(2))) << "row " << row;
    }
    size_t meta1 = rows[0].size() - 10;  // meta1 to meta10 come last
    ASSERT_EQ(rows[0].at(meta1), "meta1");
    EXPECT_TRUE(rows[1].at(meta1) == "1" && rows[1].at(meta1 + 1) == "1");
}

// A number with trailing letters is damage: the read stops before that node.
TEST_F(ScenariosTest, APatternNumberWithTrailingLettersStopsTheRead) {
    std::string file = write("bad.txt", "2 1\n0 0 0 0\n10.5x 0 0 0\n0 1 0\n");
    BatchResult r = runBatch("pattern " + quote(file) + " --rules " + quote(kBundled + "/logic.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1 0\n0.000000 0.000000 0.000000 0\n");
}
