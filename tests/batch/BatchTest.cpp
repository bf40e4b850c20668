#include "batch/BatchRunner.h"

namespace {

using BatchTest = ScratchTest;

}  // namespace

// The form editors and CI annotators read: the path as given, no summary.
TEST_F(BatchTest, CheckInTheGnuFormat) {
    std::string two = write("two.txt", "# c\nblue is 2 0 0\ngreen is 0 1.5 1\ngrey is 0 0 -0.1\nblack is 0 0 0\n"
                                       "white is 1 1 1\nred eat blue\n");
    BatchResult r = runBatch("check '" + two + "' --format gnu");
    EXPECT_EQ(r.status, 1);
    std::string rgb = ": error: rgb values must be between 0 and 1\n";
    EXPECT_EQ(r.out, two + ":2" + rgb + two + ":3" + rgb + two + ":4" + rgb + two + ":7: error: parse error\n");
    r = runBatch("check --format gnu '" + write("good.txt", "red is 1 0 0\n") + "' --listing");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 24), "=== listing\nred is 1.000");
    // The listing of an empty file is the built-in scenario.
    r = runBatch("check '" + write("empty.txt", "# nothing\n") + "' --listing");
    EXPECT_EQ(r.status, 0);
    const std::string head = "No color rules; loading hard coded rules.\n=== listing\nRed is 1.000 0.000 0.000\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
}

// What cannot run is refused before anything starts: exit status 2, nothing
// but the message (and the usage), and no sweep folder filled.
TEST_F(BatchTest, RefusesWhatCannotRunBeforeAnythingStarts) {
    std::string rules = write("logic.txt", "red is 1 0 0\n"), r = quote(rules) + " ";
    write("file", "");
    std::string sweep = "sweep " + r + "--steps 10 --out " + quote(dir + "/out") + " ";
    auto cases = caseTable("refusals.txt", dir, rules);
    ASSERT_EQ(cases.size(), 26u);
    // No command takes a second input.
    for (const char *command : {"run", "check", "pattern", "resume", "plot"})
        cases.push_back({std::string(command) + " " + r + r, "unexpected argument '" + rules + "'"});
    // A place outside the slots or the world, or not a number.
    for (std::string place : {"10:5,5", "-1:5,5", "0:nan,5", "0:5,inf", "0:1e30,5", "0:-0.5,5", "0:5,3200.5", "0:5",
                              "0:5,5x", "x:5,5", ":5,5", "3"}) {
        cases.push_back({"run " + r + "--steps 1 --place '" + place + "'",
                         "drovan-batch run: --place '" + place + "': takes SLOT:X,Y with SLOT 0..9"});
        cases.push_back({sweep + "--place '" + place + "'",
                         "drovan-batch sweep: --place takes SLOT:X,Y with SLOT 0..9 and a point inside the world, "
                         "not '" +
                             place + "'"});
    }
    // A folder whose options record cannot be written (a folder holds its name).
    std::filesystem::create_directories(dir + "/rec/sweep-options.txt");
    cases.push_back({"sweep " + r + "--steps 10 --out " + quote(dir + "/rec"),
                     "drovan-batch sweep: cannot write in '" + dir + "/rec': File exists"});
    for (const auto &[args, says] : cases) {
        BatchResult got = runBatch(args, true);
        EXPECT_TRUE(exitsSaying(got, 2, says)) << args;
        for (int i = 0; !lineOf(got.out, i).empty(); i++)
            EXPECT_TRUE(lineOf(got.out, i).rfind("drovan-batch", 0) == 0 || lineOf(got.out, i).rfind("usage:", 0) == 0)
                << args << "\n"
                << got.out;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out")) << args;
    }
    BatchResult ok = runBatch("run " + r + "--steps 1 --place 9:0,3200 --place 0:3200,0");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out.substr(0, 16), "1 colors parsed\n");
}
