// The bundled scenarios and patterns, and the reference run that guards the
// simulation's exact results.
#include <gtest/gtest.h>
#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>

#include "batch/BatchRunner.h"

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
    EXPECT_EQ(files, 7);
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
}

