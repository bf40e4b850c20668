#include <gtest/gtest.h>

#include "batch/BatchRunner.h"
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

std::multiset<std::string> sortedLines(const std::string &text) {
    std::multiset<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.insert(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

class BatchTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    const std::string &dir = scratch.dir;
    std::string write(const std::string &name, const std::string &text) { return scratch.write(name, text); }
};

}  // namespace

TEST_F(BatchTest, CheckReportsDiagnosticsAndExitStatus) {
    std::string good = write("logic.txt", "red is 1 0 0\ngreen is 0 1 0 ; blue is 0 0 1\nred eats green\n");
    BatchResult r = runBatch("check '" + good + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3 colors parsed\n");

    std::string bad = write("logic.txt", "red eat blue\nblue eats red\n");
    r = runBatch("check '" + bad + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "'logic.txt':1: parse error\n2 colors parsed\n");
}

TEST_F(BatchTest, CheckCannotOpen) {
    EXPECT_EQ(runBatch("check '" + dir + "/missing.txt'").status, 2);
    EXPECT_EQ(runBatch("check '" + dir + "'").status, 2);  // a folder
    EXPECT_EQ(runBatch("check").status, 2);
}

TEST_F(BatchTest, ListingOfAnEmptyFileIsTheBuiltinScenario) {
    std::string empty = write("empty.txt", "# nothing\n");
    BatchResult r = runBatch("check '" + empty + "' --listing");
    EXPECT_EQ(r.status, 0);
    const std::string head = "No color rules; loading hard coded rules.\n=== listing\nRed is 1.000 0.000 0.000\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
}

TEST_F(BatchTest, SavedListingLoadsBackToTheSameListing) {
    std::string src = write("a.txt", "red is 1 0 0\nblue is 0 0 1\nred eats blue\nred node probability is 0.5\n"
                                     "red node at 100.0 200.0 with id 4 with strength 0.5\n"
                                     "blue node at 300.0 200.0 with id 9\nundirected edge from node 4 to node 9\n");
    BatchResult first = runBatch("check '" + src + "' --listing");
    ASSERT_EQ(first.status, 0);
    std::string listing = first.out.substr(first.out.find("=== listing\n") + 12);
    std::string again = write("b.txt", listing);
    BatchResult second = runBatch("check '" + again + "' --listing");
    EXPECT_EQ(second.status, 0);
    // Nodes are listed newest first, so reading a listing back reverses their
    // order; every line must survive.
    EXPECT_EQ(sortedLines(second.out.substr(second.out.find("=== listing\n") + 12)), sortedLines(listing));
}

// A place outside the slots or the world, or not a number, is refused before
// anything starts: no output, exit status 2.
// A sweep refuses them alike; and no command takes a second input.
TEST_F(BatchTest, RunRefusesPlacesOutsideTheSlotsAndTheWorld) {
    std::string rules = write("logic.txt", "red is 1 0 0\n");
    for (const char *place : {"10:5,5", "-1:5,5", "0:nan,5", "0:5,inf", "0:1e30,5", "0:-0.5,5", "0:5,3200.5", "0:5",
                              "0:5,5x", "x:5,5", ":5,5"}) {
        for (const std::string &command : {std::string("run "), "sweep --out " + quote(dir + "/s") + " "}) {
            BatchResult r = runBatch(command + quote(rules) + " --steps 1 --place '" + place + "'");
            EXPECT_EQ(r.status, 2) << command << place;
            EXPECT_EQ(r.out, "") << command << place;
        }
    }
    for (const char *command : {"run", "check", "pattern", "resume", "plot"})
        EXPECT_EQ(runBatch(std::string(command) + " " + quote(rules) + " " + quote(rules)).status, 2) << command;
    BatchResult r = runBatch("run " + quote(rules) + " --steps 1 --place 9:0,3200 --place 0:3200,0");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 16), "1 colors parsed\n");
}
