// The rules editor without its window: the check a moment after the last key,
// the unsaved mark, and saving through the safe save.
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "batch/BatchRunner.h"
#include "runtime/RulesDocument.h"

namespace {

// Ticks at time now until the check that is due has come back.
void settle(RulesDocument &d, double now) {
    for (int i = 0; i < 60000 && (d.tick(now), d.checking()); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

TEST(RulesDocument, ChecksAMomentAfterTheLastChangeAndMarksTheLines) {
    RulesDocument d(DROVAN_BATCH, 0.15);
    d.showFile("Sun is 1 0 0\nSun eats Sun\n", "/somewhere/logic.txt");
    EXPECT_EQ(d.title(), "Rules: logic.txt");
    settle(d, 0.0);
    EXPECT_TRUE(d.diagnostics().diagnostics.empty());

    d.edited("Sun is 1 0 0\nSun eats Sun\nSun size 3\n", 1.00);
    d.edited("Sun is 1 0 0\nSun eats Sun\nSun size 3\nSun eat\n", 1.10);
    EXPECT_EQ(d.title(), "Rules: logic.txt *");
    d.tick(1.24);  // not yet quiet long enough: the old, clean result stands
    EXPECT_TRUE(d.stale());
    EXPECT_TRUE(d.diagnostics().diagnostics.empty());
    settle(d, 1.26);
    EXPECT_FALSE(d.stale());
    EXPECT_EQ(d.diagnostics().diagnostics.size(), 2u);
    EXPECT_EQ(d.lineMarkers(),
              (std::map<int, std::string>{{3, "color sizes must be between 0 and 1"}, {4, "parse error"}}));

    d.edited("Sun is 1 0 0\nSun eats Sun\nSun size 0.5\nSun eats all\n", 2.0);
    settle(d, 2.2);
    EXPECT_TRUE(d.diagnostics().diagnostics.empty());
    EXPECT_TRUE(d.lineMarkers().empty());

    // Past the limit the last entry says how many more there were; it has no
    // line, so it marks none.
    std::string many;
    for (size_t i = 0; i <= kMaxDiagnostics; i++) many += "Sun size 3\n";
    d.edited(many, 3.0);
    settle(d, 3.2);
    EXPECT_EQ(d.diagnostics().diagnostics.back().message, "1 more diagnostics not shown");
    auto markers = d.lineMarkers();
    EXPECT_EQ(markers.size(), kMaxDiagnostics);
    EXPECT_EQ(markers.begin()->first, 1);

    // A text shown afresh is checked at once, with no key to wait for.
    d.showFile("Sun is 1 0 0\nSun size 3\n", "/somewhere/logic.txt");
    settle(d, 3.3);
    EXPECT_EQ(d.diagnostics().diagnostics.size(), 1u);

    d.showListing("Red is 1 0 0\n");
    EXPECT_EQ(d.title(), "Rules: listing of the world");
    EXPECT_FALSE(d.unsaved());
    std::string why;
    EXPECT_FALSE(d.save(why));
    EXPECT_EQ(why, "the text has no file yet: use Save As");
}

TEST(RulesDocument, SavesThroughTheSafeSaveAndKeepsTheOldFileWhenItCannot) {
    ScratchFolder scratch;
    std::string path = scratch.write("rules.txt", "old\n");
    RulesDocument d(DROVAN_BATCH);
    d.showFile("old\n", path);
    d.edited("Sun is 1 0 0\n", 0.0);
    std::string why;
    ASSERT_TRUE(d.save(why)) << why;
    EXPECT_EQ(readFile(path), "Sun is 1 0 0\n");
    EXPECT_FALSE(d.unsaved());
    EXPECT_EQ(d.title(), "Rules: rules.txt");

    d.edited("Sun is 0 1 0\n", 1.0);
    chmod(scratch.dir.c_str(), 0500);  // no new file can be made beside it
    bool saved = d.save(why);
    chmod(scratch.dir.c_str(), 0700);
    if (geteuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(saved);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(readFile(path), "Sun is 1 0 0\n");
        EXPECT_TRUE(d.unsaved());
    }
    ASSERT_TRUE(d.saveAs(scratch.path("other.txt"), why)) << why;
    EXPECT_EQ(d.title(), "Rules: other.txt");
    EXPECT_FALSE(d.saveAs(scratch.path("no/such/folder.txt"), why));
    EXPECT_EQ(d.title(), "Rules: other.txt");
}
