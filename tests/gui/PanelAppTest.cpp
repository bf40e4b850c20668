#include <imgui.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "GuiFixture.h"
#include "app/SafeSave.h"
#include "app/Statistics.h"

namespace {
std::string readAll(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
std::string chosenPath;
std::string answerChosenPath(bool) { return chosenPath; }
}  // namespace

// The live tick's clock, speed and freezes.
using LiveTick = GuiTest;

TEST_F(LiveTick, ChoosingAPatternWindowFreezesTheLiveWorld) {
    world.speed = 3;
    for (int i = 0; i < 5; i++) tick();
    int steps = world.stepCount;
    EXPECT_GT(steps, 0);
    drovanNode *n = node(1000.0f, 1000.0f);
    ASSERT_NE(n, nullptr);
    int id = n->id;
    world.currentWindow = 3;
    n->kill();
    for (int i = 0; i < 10; i++) tick();
    EXPECT_EQ(world.stepCount, steps);
    EXPECT_NE(findThing(id), nullptr) << "no purge while a pattern is shown";
    world.currentWindow = 0;
    tick();
    tick();
    EXPECT_GT(world.stepCount, steps);
    EXPECT_EQ(findThing(id), nullptr);
}

TEST_F(LiveTick, StepButtonRunsExactlyOneStepWhilePaused) {
    world.speed = 0;
    tick();
    int steps = world.stepCount;
    float simTime = world.simTime;
    requestSingleStep();
    for (int i = 0; i < 6; i++) tick();
    EXPECT_EQ(world.stepCount, steps + 1);
    EXPECT_FLOAT_EQ(world.simTime, simTime + 0.033333335f);
    EXPECT_EQ(world.speed, 0);
    EXPECT_FALSE(singleStepPending());
}

TEST_F(LiveTick, StepRequestIsDroppedWhenNotPaused) {
    world.speed = 1;
    requestSingleStep();
    tick();
    EXPECT_FALSE(singleStepPending());
}

TEST_F(LiveTick, NoStepBeforeTheSixtiethOfASecondGate) {
    world.speed = 3;
    tick();
    tick();
    int steps = world.stepCount;
    world.lastStepTime = now;
    advance(0.01f);
    idleTick();
    EXPECT_EQ(world.stepCount, steps);
}

TEST_F(LiveTick, AboutBoxHoldsTheWorldUntilClosed) {
    world.speed = 3;
    openAboutBox("test");
    int steps = world.stepCount;
    for (int i = 0; i < 5; i++) tick();
    EXPECT_EQ(world.stepCount, steps);
    closeAboutBox();
    for (int i = 0; i < 5; i++) tick();
    EXPECT_GT(world.stepCount, steps);
}

// The panel's actions and extras.
using PanelActions = GuiTest;

TEST_F(PanelActions, StartOverEmptiesWorldAndPatternSlots) {
    node(1000.0f, 1000.0f);
    drovanMetaNodePat *slot = patternSlot(0);
    ASSERT_NE(slot, nullptr);
    slot->addNode(0.0f, 0.0f, 0);
    int colours = colorCount;
    panelAction(kActionStartOver);
    EXPECT_EQ(liveNodes(), 0);
    ASSERT_NE(patternSlot(0), nullptr);
    EXPECT_EQ(patternSlot(0)->nodeCount, 0);
    EXPECT_EQ(colorCount, colours);
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);
}

TEST_F(PanelActions, MaxEdgesAppliesTheChosenRow) {
    world.edge_constraint = 1;
    panelAction(kActionMaxEdges);
    EXPECT_EQ(world.maxEdges, 1);
    world.edge_constraint = 0;
    panelAction(kActionMaxEdges);
    EXPECT_EQ(world.maxEdges, maxEdgesChoices[0].value);
    world.edge_constraint = 3;
    panelAction(kActionMaxEdges);
}

TEST_F(PanelActions, CancelledLoadInTheLiveWorldStillResets) {
    fileChooserOverride = answerChosenPath;
    chosenPath.clear();
    world.placeColour = 1;
    panelAction(kActionLoad);
    EXPECT_EQ(world.placeColour, 0);
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);
}

TEST_F(PanelActions, SaveWritesTheListingAndAFailedSaveKeepsTheOldFile) {
    fileChooserOverride = answerChosenPath;
    char folder[] = "/tmp/drovan-save-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    chosenPath = std::string(folder) + "/saved.txt";
    panelAction(kActionSave);
    EXPECT_TRUE(panelMessage().empty());
    std::string listing = readAll(chosenPath);
    EXPECT_FALSE(listing.empty());

    chosenPath = std::string(folder) + "/missing/saved.txt";
    panelAction(kActionSave);
    EXPECT_FALSE(panelMessage().empty()) << "the reason is shown";
    setPanelMessage(std::string());
}

TEST_F(PanelActions, SaveInAPatternWindowWritesThatPattern) {
    fileChooserOverride = answerChosenPath;
    drovanMetaNodePat *slot = patternSlot(1);
    ASSERT_NE(slot, nullptr);
    slot->addNode(0.0f, 0.0f, 0);
    char folder[] = "/tmp/drovan-pattern-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    chosenPath = std::string(folder) + "/meta.txt";
    world.currentWindow = 2;
    panelAction(kActionSave);
    world.currentWindow = 0;
    EXPECT_FALSE(readAll(chosenPath).empty());
}

TEST_F(PanelActions, QuickClickOnAButtonIsNotLost) {
    panelDisplay();
    camera.zoomTo = 1.0f;
    // "Reset Camera" opens the second row of buttons; press and release arrive together.
    panelMouse(0, GLUT_DOWN, 30, 40);
    panelMouse(0, GLUT_UP, 30, 40);
    EXPECT_TRUE(ImGui::GetIO().MouseDown[0]) << "release held back until a frame saw the press";
    panelDisplay();
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);
    panelDisplay();
    panelIdle();
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);
}

TEST_F(PanelActions, SaveImageWritesAPng) {
    char folder[] = "/tmp/drovan-image-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/view.png";
    std::string why;
    ASSERT_TRUE(captureView(path, why)) << why;
    std::string png = readAll(path);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

// Saving through a file beside the target.
TEST(SafeSaving, SuccessfulWriteReplacesTheFile) {
    char folder[] = "/tmp/drovan-safe-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/f.txt";
    std::string why;
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("one\n", f); }, why));
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("two\n", f); }, why));
    EXPECT_EQ(readAll(path), "two\n");
}

TEST(SafeSaving, FailedWriteLeavesTheOldFileAndNoLeftovers) {
    char folder[] = "/tmp/drovan-safe-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/f.txt";
    std::string why;
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("old\n", f); }, why));
    // Reading from a write stream sets its error flag, as a failed write would.
    EXPECT_FALSE(saveReplacing(path, [](FILE *f) { std::fputs("new\n", f); std::fgetc(f); }, why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(readAll(path), "old\n");
    int entries = 0;
    for (const auto &e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        entries++;
    }
    EXPECT_EQ(entries, 1);
}

TEST(SafeSaving, UnwritableFolderIsReported) {
    std::string why;
    EXPECT_FALSE(saveReplacing("/nonexistent-folder/x.txt", [](FILE *) {}, why));
    EXPECT_FALSE(why.empty());
}

// The statistics section's figures.
using PanelStatistics = GuiTest;

TEST_F(PanelStatistics, CountsAndStrengthHistogramFollowTheNodes) {
    ASSERT_GE(colorCount, 2);
    resetStatistics();
    drovanNode *a = node(1000.0f, 1000.0f, 0);
    drovanNode *b = node(1100.0f, 1000.0f, 0);
    node(1200.0f, 1000.0f, 1);
    ASSERT_TRUE(a && b);
    a->strength = 0.99f;
    b->strength = 0.01f;
    recordStep(now);
    float history[kStatHistory];
    ASSERT_EQ(statHistory(0, history), 1);
    EXPECT_EQ(history[0], 2.0f);
    ASSERT_EQ(statHistory(1, history), 1);
    EXPECT_EQ(history[0], 1.0f);
    float bins[kStrengthBins];
    strengthHistogram(0, bins);
    EXPECT_EQ(bins[0], 1.0f);
    EXPECT_EQ(bins[kStrengthBins - 1], 1.0f);
}

TEST_F(PanelStatistics, HistoryKeepsTheNewestSamplesInOrder) {
    resetStatistics();
    for (int i = 0; i < kStatHistory + 5; i++) {
        stats.counts[0][stats.head] = 0;
        recordStep(now);
        stats.counts[0][(stats.head + kStatHistory - 1) % kStatHistory] = static_cast<float>(i);
    }
    static float history[kStatHistory];
    ASSERT_EQ(statHistory(0, history), kStatHistory);
    EXPECT_EQ(history[0], 5.0f);
    EXPECT_EQ(history[kStatHistory - 1], static_cast<float>(kStatHistory + 4));
}

TEST_F(LiveTick, WorldTakesNoEditsWhileTheAboutBoxIsOpen) {
    openAboutBox("test");
    press(vec2(400.0f, 400.0f));
    release(vec2(400.0f, 400.0f));
    shellKeyboard('1', 0, 0);
    closeAboutBox();
    EXPECT_EQ(liveNodes(), 0);
    press(vec2(400.0f, 400.0f));
    EXPECT_EQ(liveNodes(), 1);
}
