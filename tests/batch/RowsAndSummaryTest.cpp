// Which rows a run's CSV holds for any length and sampling, and the sweep's
// summary against figures worked out by hand.

#include "batch/BatchRunner.h"

namespace {

// The step and time columns of every row after the header.
std::vector<std::string> stepsAndTimes(const std::string &csv) {
    std::vector<std::string> out;
    auto rows = csvRows(csv);
    for (size_t r = 1; r < rows.size(); r++) out.push_back(rows[r].at(0) + "@" + rows[r].at(1));
    return out;
}

std::string at(long step) {
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", static_cast<double>(step) / 30.0);
    return std::to_string(step) + "@" + time;
}

class RowsAndSummaryTest : public ScratchTest {
protected:
    // Two colours, a few nodes and atoms: quick to start and to step.
    std::string rules = write(
        "small.txt", "Red is 1 0 0\nBlue is 0 0 1\nRed eats Blue\nBlue atom probability is 0.5\nnode_creation_rate 0\n"
                     "Red node at 100.0 100.0\nBlue node at 130.0 100.0\n");
};

}  // namespace

// A run samples the world at start-up and at every step that is a multiple of
// --every; a sweep's run adds the last step when it falls between; a resumed
// run keeps to the multiples of the whole count. Time runs at 30 steps a second.
TEST_F(RowsAndSummaryTest, RowsFallOnMultiplesOfEveryAndASweepAddsTheLastStep) {
    const long plans[][2] = {{0, 3}, {1, 1}, {9, 3}, {10, 4}, {5, 10}, {23, 7}};
    for (auto [steps, every] : plans) {
        std::string opts = " --steps " + std::to_string(steps) + " --every " + std::to_string(every);
        ASSERT_TRUE(ranOk("run " + quote(rules) + opts + " --csv " + quote(path("r.csv"))));
        std::vector<std::string> want;
        for (long s = 0; s <= steps; s += every) want.push_back(at(s));
        EXPECT_EQ(stepsAndTimes(readFile(path("r.csv"))), want) << opts;

        std::string out = path("sweep" + std::to_string(steps));
        ASSERT_TRUE(ranOk("sweep " + quote(rules) + opts + " --seeds 1..1 --out " + quote(out)));
        if (steps % every != 0) want.push_back(at(steps));
        EXPECT_EQ(stepsAndTimes(readFile(out + "/run-0000.csv")), want) << opts;
    }
    ASSERT_TRUE(ranOk("run " + quote(rules) + " --steps 7 --snapshot " + quote(path("s.snap"))));
    ASSERT_TRUE(ranOk("resume " + quote(path("s.snap")) + " --steps 9 --every 5 --csv " + quote(path("resumed.csv"))));
    EXPECT_EQ(stepsAndTimes(readFile(path("resumed.csv"))), (std::vector<std::string>{at(7), at(10), at(15)}));

    // A listing or snapshot that cannot be written ends the run with status 1 and the reason.
    write("file", "");
    const std::string nowhere = path("file") + "/x";
    EXPECT_TRUE(exitsSaying(runBatch("run " + quote(rules) + " --steps 2 --save " + quote(nowhere), true), 1,
                            "drovan-batch: could not save: cannot create a file beside '" + nowhere +
                                "': Not a directory; the old file is unchanged"));
    EXPECT_TRUE(exitsSaying(runBatch("resume " + quote(path("s.snap")) + " --steps 1 --snapshot " + quote(nowhere), true),
                            1, "drovan-batch: could not save the snapshot: cannot create a file beside '" + nowhere));
}

// Runs written as a cluster's tasks would leave them, then collected: mean,
// standard deviation across seeds (n - 1), minimum and maximum per sampled
// step, failed runs left out, a lone run's deviation 0.
TEST_F(RowsAndSummaryTest, SummaryMatchesFiguresWorkedOutByHand) {
    std::string out = path("s"), sweep = "sweep " + quote(rules) +
                                         " --seeds 1..4 --vary 'Blue atom probability is {}' 0.5,1 --steps 4 "
                                         "--every 2 --out " +
                                         quote(out);
    ASSERT_TRUE(ranOk(sweep));
    std::vector<std::string> header = csvRows(readFile(out + "/run-0000.csv")).at(0);
    // Every quantity of run r at steps 0, 2 and 4; runs 3, 5, 6 and 7 failed.
    const char *values[8][3] = {{"7", "1", "2"}, {"7", "3", "4"}, {"7", "5", "9"}, {"0", "0", "0"},
                                {"5", "6", "8"}, {"1", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"}};
    for (int r = 0; r < 8; r++) {
        std::string csv, name = out + "/run-000" + std::to_string(r);
        for (size_t k = 0; k < header.size(); k++) csv += (k ? "," : "") + header[k];
        for (int row = 0; row < 3; row++) {
            csv += "\n";
            for (size_t k = 0; k < header.size(); k++)
                csv += (k ? "," : "") + (header[k] == "step"     ? std::to_string(2 * row)
                                         : header[k] == "digest" ? std::string("00000000000000ab")
                                                                 : std::string(values[r][row]));
        }
        write("s/run-000" + std::to_string(r) + ".csv", csv + "\n");
        if (r == 3 || r >= 5) write("s/run-000" + std::to_string(r) + ".status", "1 failed on purpose\n");
    }
    EXPECT_EQ(runBatch(sweep + " --collect").status, 1);

    auto rows = csvRows(readFile(out + "/summary.csv"));
    ASSERT_EQ(rows.size(), 7u);
    std::map<std::string, size_t> column;
    for (size_t k = 0; k < rows[0].size(); k++) column[rows[0][k]] = k;
    auto cells = [&](size_t row, const std::string &name) {
        std::string s;
        for (const char *stat : {"_mean", "_sd", "_min", "_max"}) s += rows[row].at(column.at(name + stat)) + " ";
        return rows[row].at(column.at("combination")) + " " + rows[row].at(column.at("step")) + " " +
               rows[row].at(column.at("runs")) + " " + s;
    };
    EXPECT_EQ(cells(1, "nodes"), "0 0 3 7.0000 0.0000 7 7 ");
    EXPECT_EQ(cells(2, "Blue"), "0 2 3 3.0000 2.0000 1 5 ");
    EXPECT_EQ(cells(3, "atoms"), "0 4 3 5.0000 3.6056 2 9 ");
    EXPECT_EQ(cells(6, "edges"), "1 4 1 8.0000 0.0000 8 8 ");
    EXPECT_EQ(column.count("digest_mean") + column.count("step_mean"), 0u);
    auto runs = csvRows(readFile(out + "/runs.csv"));
    ASSERT_EQ(runs.size(), 9u);
    EXPECT_EQ(runs[3].at(4), "ok");
    EXPECT_EQ(runs[4].at(4), "failed on purpose");
    EXPECT_EQ(runs[5].back(), "00000000000000ab") << "the final row's values";
}
