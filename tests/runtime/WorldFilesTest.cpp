// What the panel's Load checks before it replaces anything, the undo history's
// bounds, and the recovery snapshot written off the main thread.

#include "batch/BatchRunner.h"
#include "io/Snapshot.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/Recovery.h"
#include "runtime/RulesCheck.h"
#include "runtime/Startup.h"
#include "runtime/UndoHistory.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldTick.h"
#include "world/FreshProcess.h"
#include "world/Walkers.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

namespace {

std::string image() {
    WorldImage i;
    std::string why, text;
    if (!captureWorld(i, why)) return why;
    imageText(i, text);
    return text;
}

class WorldFilesTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        resetToFreshProcess();
        setWalkerTraceStream(nullptr);
        quiet = std::fopen("/dev/null", "w");
        startWorld(kBundled + "/logic.txt", kBundled, StartupHooks(), quiet);
        for (int i = 0; i < 30; i++) stepWorldNow();
    }
    void TearDown() override {
        std::fclose(quiet);
        startOver();
        setWalkerTraceStream(stdout);
    }
    FILE *quiet = nullptr;
};

}  // namespace

// The check runs the loader on the file and gives its diagnostics with the
// text of each line, and the world stays as it was. A file that is not text
// is refused by the check and by Load before any statement runs.
TEST_F(WorldFilesTest, RulesAreCheckedWithoutTouchingTheWorld) {
    std::string rules = scratch.write("typos.txt", "Red is 1 0 0\n"
                                                   "Red size 2\n"
                                                   "\n"
                                                   "Blue is 0 0 1 ; Red eats Blue\n"
                                                   "Blue node decays at -1\n");
    const std::string before = image();
    RulesCheck check = checkRulesFile(rules);
    ASSERT_TRUE(check.readable) << check.refusal;
    EXPECT_EQ(image(), before) << "the world, colours, patterns and settings as they were";
    std::string found;
    for (const RulesDiagnostic &d : check.diagnostics)
        found += std::to_string(d.line) + ": " + d.message + " | " + d.text + "\n";
    EXPECT_EQ(found, "2: color sizes must be between 0 and 1 | Red size 2\n"
                     "5: node decay rate must be >= 0 | Blue node decays at -1\n");
    EXPECT_EQ(check.summary, "2 colors parsed");

    std::string why;
    ASSERT_TRUE(loadRulesFile(rules, why, quiet)) << why;
    EXPECT_EQ(colorCount, 2);

    RulesCheck clean = checkRulesFile(kBundled + "/donuts.txt");
    EXPECT_TRUE(clean.readable && clean.diagnostics.empty());

    const std::string loaded = image();
    const std::tuple<std::string, std::string, std::string> bad[] = {
        {"image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "holds a NUL byte (byte 8)"},
        {"noise.txt", std::string(30, '\x02') + "red is 1 0 0\n", "30 of its 43 bytes are control characters"},
        {"missing.txt", "", "cannot open"},
    };
    for (const auto &[name, text, says] : bad) {
        SCOPED_TRACE(name);
        std::string file = name == "missing.txt" ? scratch.path(name) : scratch.write(name, text);
        RulesCheck refused = checkRulesFile(file);
        EXPECT_FALSE(refused.readable);
        EXPECT_NE(refused.refusal.find(says), std::string::npos) << refused.refusal;
        EXPECT_FALSE(loadRulesFile(file, why, quiet));
        EXPECT_NE(why.find(says), std::string::npos) << why;
        EXPECT_EQ(image(), loaded);
    }
}

// Undo keeps the newest states within its bounds and gives each back exactly.
TEST_F(WorldFilesTest, UndoKeepsTheNewestStatesWithinItsBounds) {
    UndoHistory history(3);
    std::vector<std::string> worlds;
    std::string why;
    for (int i = 0; i < 5; i++) {
        worlds.push_back(image());
        ASSERT_TRUE(history.remember("step " + std::to_string(i), why)) << why;
        stepWorldNow();
    }
    const std::string last = image();
    EXPECT_EQ(history.undoCount(), 3u);
    EXPECT_EQ(history.undoLabel(), "step 4");
    for (int i = 4; i >= 2; i--) {
        ASSERT_TRUE(history.undo(why)) << why;
        EXPECT_EQ(image(), worlds[static_cast<size_t>(i)]) << "undo " << i;
    }
    EXPECT_FALSE(history.undo(why));
    EXPECT_EQ(history.redoCount(), 3u);
    for (int i = 0; i < 3; i++) ASSERT_TRUE(history.redo(why)) << why;
    EXPECT_EQ(image(), last);

    UndoHistory tight(40, 1);
    for (int i = 0; i < 3; i++) ASSERT_TRUE(tight.remember("Start Over", why));
    EXPECT_EQ(tight.undoCount(), 1u) << "past the byte bound only the newest stays";
}

// The recovery snapshot holds the world of the moment it was asked for, though
// it is written while the world goes on.
TEST_F(WorldFilesTest, RecoverySnapshotIsTheWorldWhenAskedFor) {
    const char *old = std::getenv("XDG_STATE_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_STATE_HOME", scratch.path("state").c_str(), 1);
    std::string path = recoveryPath();
    EXPECT_EQ(path, scratch.path("state") + "/drovan/recovery.snap");
    setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_NE(recoveryPath().find("/.local/state/drovan/recovery.snap"), std::string::npos);
    if (old)
        setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");

    EXPECT_EQ(recoveryWrittenAt(path), 0);
    const uint64_t digest = worldDigest();
    std::string why;
    {
        RecoveryWriter writer(path);
        ASSERT_TRUE(writer.save(why)) << why;
        for (int i = 0; i < 5; i++) stepWorldNow();
        ASSERT_TRUE(writer.wait(why)) << why;
    }
    EXPECT_GT(recoveryWrittenAt(path), 0);
    ASSERT_TRUE(restoreRecovery(why, path)) << why;
    EXPECT_EQ(worldDigest(), digest);
    EXPECT_TRUE(discardRecovery(path));
    EXPECT_EQ(recoveryWrittenAt(path), 0);
}
