#include "batch/BatchRunner.h"

namespace {

using ExperimentsTest = ScratchTest;

}  // namespace

TEST_F(ExperimentsTest, SeedSetsTheGeneratorBeforeStartUp) {
    auto csv = [&](const std::string &seed, const std::string &name) {
        EXPECT_TRUE(ranOk("run " + quote(kBundledLogic) + " " + seed + " --steps 90 --csv " + quote(path(name))));
        return readFile(path(name));
    };
    std::string plain = csv("", "plain.csv");
    EXPECT_EQ(csv("--seed 1", "one.csv"), plain);
    EXPECT_EQ(csv("--seed 4294967295", "max.csv"), csv("--seed -1", "minus.csv"));
    EXPECT_NE(csv("--seed 2", "two.csv"), plain);
    auto bench = [&](const std::string &seed, const std::string &name) {
        runBatch("bench --scenario small --steps 20 " + seed + " --csv " + quote(path(name)));
        return readFile(path(name));
    };
    EXPECT_EQ(bench("--seed 1", "b1.csv"), bench("", "b.csv"));
    EXPECT_NE(bench("--seed 2", "b2.csv"), bench("", "b.csv"));
    // A new seed on resume sends the same saved world another way.
    ASSERT_TRUE(ranOk("run " + quote(kBundledLogic) + " --steps 30 --snapshot " + quote(path("s.snap"))));
    ASSERT_TRUE(ranOk("resume " + quote(path("s.snap")) + " --steps 60 --csv " + quote(path("r1.csv"))));
    ASSERT_TRUE(ranOk("resume " + quote(path("s.snap")) + " --seed 9 --steps 60 --csv " + quote(path("r9.csv"))));
    EXPECT_EQ(lineOf(readFile(path("r1.csv")), 1), lineOf(readFile(path("r9.csv")), 1));
    EXPECT_NE(readFile(path("r1.csv")), readFile(path("r9.csv")));
}

// One command on two cores gives the same files as every index run alone
// (as a cluster's job array would) and then collected.
TEST_F(ExperimentsTest, SweepEqualsEveryIndexThenCollect) {
    std::string sweep = "sweep " + quote(kBundledLogic) +
                        " --seeds 3..5 --vary 'node_creation_rate {}' 0.1,0.6 --steps 60 --every 20 --out ";
    BatchResult list = runBatch(sweep + quote(path("a")) + " --list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "run,seed,node_creation_rate {}\n0,3,0.1\n1,4,0.1\n2,5,0.1\n3,3,0.6\n4,4,0.6\n5,5,0.6\n");
    ASSERT_TRUE(ranOk(sweep + quote(path("a")) + " --jobs 2"));
    for (int i = 0; i < 6; i++) ASSERT_TRUE(ranOk(sweep + quote(path("b")) + " --index " + std::to_string(i))) << i;
    ASSERT_TRUE(ranOk(sweep + quote(path("b")) + " --collect"));
    std::string runs = readFile(path("a/runs.csv")), summary = readFile(path("a/summary.csv"));
    EXPECT_EQ(readFile(path("b/runs.csv")), runs);
    EXPECT_EQ(readFile(path("b/summary.csv")), summary);
    EXPECT_EQ(runBatch(sweep + quote(path("b")) + " --index 6").status, 2);

    // Run 4 is seed 4 with the statement appended: the same world as the plain
    // file with that line added.
    std::string rules = readFile(kBundledLogic) + "node_creation_rate 0.6\n";
    ASSERT_TRUE(ranOk("run " + quote(write("r.txt", rules)) + " --seed 4 --steps 60 --every 20 --digest --csv " +
                      quote(path("r.csv"))));
    EXPECT_EQ(readFile(path("a/run-0004.csv")), readFile(path("r.csv")));
    std::string last = lineOf(readFile(path("r.csv")), 4);
    EXPECT_EQ(lineOf(runs, 5), "4,4,0.6,0,ok," + last);
    EXPECT_EQ(summary.find("digest"), std::string::npos);
}

TEST_F(ExperimentsTest, FailingRunsAreReportedAndTheOthersComplete) {
    std::string sweep = "sweep " + quote(kBundledLogic) +
                        " --seeds 1..2 --vary 'Bug {} Sun' eats,eat --steps 20 --out " + quote(path("f"));
    BatchResult r = runBatch(sweep + " --jobs 2", true);
    EXPECT_TRUE(exitsSaying(r, 1, "run 2 (seed 1) failed: 1 diagnostics in "));
    EXPECT_TRUE(exitsSaying(r, 1, "run 3 (seed 2) failed"));
    EXPECT_EQ(r.out.find("run 1 (seed"), std::string::npos) << r.out;
    std::string runs = readFile(path("f/runs.csv"));
    EXPECT_EQ(lineOf(runs, 1).substr(0, 13), "0,1,eats,0,ok");
    // 22 empty columns: step, time, four counts, six colours, ten slots, digest.
    EXPECT_EQ(lineOf(runs, 4),
              "3,2,eat,1,1 diagnostics in " + path("f") + "/run-0003.rules.txt" + std::string(22, ','));
    EXPECT_NE(readFile(path("f/run-0002.log")).find("'run-0002.rules.txt':"), std::string::npos);
    // A run that never wrote its result is reported too.
    std::remove(path("f/run-0001.status").c_str());
    EXPECT_EQ(runBatch(sweep + " --collect").status, 1);
    EXPECT_EQ(lineOf(readFile(path("f/runs.csv")), 2),
              "1,2,eats,,\"no result (not run, still running or killed)\"" + std::string(22, ','));
}
