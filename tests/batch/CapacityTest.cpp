// A world whose node table and colour table are both full keeps running.
#include "batch/BatchRunner.h"

using CapacityTest = ScratchTest;

TEST_F(CapacityTest, FullNodeTableAndColourTableKeepRunning) {
    std::ostringstream rules;
    for (int c = 0; c < 21; c++)  // the 21st name overflows the table
        rules << "C" << c << " is " << (c % 3) * 0.4 << " " << (c % 5) * 0.2 << " 0.5\n";
    for (int c = 0; c < 20; c++)
        rules << "C" << c << " collects C" << (c + 1) % 20 << "\nC" << c << " node reproduces when C" << (c + 1) % 20
              << " = 1\nC" << c << " atom probability is 0.5\nC" << c << " node probability is 1\n";
    rules << "node_creation_rate 1\ndiscover_edges 1\nedge_constraint 0\n";
    for (int i = 0; i < 2100; i++)  // more node statements than table slots
        rules << "C" << i % 20 << " node at " << 100 + (i % 46) * 65 << ".0 " << 100 + (i / 46) * 65 << ".0\n";
    std::string rulesFile = write("full.txt", rules.str());

    BatchResult check = runBatch("check " + quote(rulesFile));
    const std::string &out = check.out;
    EXPECT_TRUE(exitsSaying(check, 1, "Color table is full (20 max); cannot declare new color 'C20'"));
    // Each node statement past the table says which node it drops: 2100 - 2056 of them.
    size_t dropped = 0;
    for (size_t at = 0; (at = out.find("Node table is full (2056 max)", at)) != std::string::npos; at++) dropped++;
    EXPECT_EQ(dropped, 44u);
    EXPECT_TRUE(
        exitsSaying(check, 1, "':2161: Node table is full (2056 max); cannot make the C16 node at 2180 2960\n"));

    ASSERT_TRUE(ranOk("run " + quote(rulesFile) + " --steps 60 --every 20 --csv " + quote(path("full.csv"))));
    auto rows = csvRows(readFile(path("full.csv")));
    ASSERT_EQ(rows.size(), 5u);
    for (size_t r = 1; r < rows.size(); r++) EXPECT_EQ(rows[r].at(2), "2056") << "full from the start, never beyond";
}
