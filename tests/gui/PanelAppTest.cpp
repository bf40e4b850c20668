#include <imgui.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include "GuiFixture.h"
#include "app/SafeSave.h"
#include "app/Statistics.h"

namespace {
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

TEST_F(LiveTick, SingleStepsAndTheSixtiethOfASecondGate) {
    tick();
    int steps = world.stepCount;
    float simTime = world.simTime;
    requestSingleStep();
    for (int i = 0; i < 6; i++) tick();
    EXPECT_EQ(world.stepCount, steps + 1) << "the step button runs exactly one step while paused";
    EXPECT_FLOAT_EQ(world.simTime, simTime + 0.033333335f);
    EXPECT_EQ(world.speed, 0);
    EXPECT_FALSE(singleStepPending());

    world.speed = 1;
    requestSingleStep();
    tick();
    EXPECT_FALSE(singleStepPending()) << "dropped when not paused";

    world.speed = 3;
    tick();
    steps = world.stepCount;
    world.lastStepTime = now;
    advance(0.01f);
    idleTick();
    EXPECT_EQ(world.stepCount, steps);
}

TEST_F(LiveTick, AboutBoxHoldsTheWorldAndItsEditsUntilClosed) {
    world.speed = 3;
    openAboutBox("test");
    int steps = world.stepCount;
    for (int i = 0; i < 5; i++) tick();
    press(vec2(400.0f, 400.0f));
    release(vec2(400.0f, 400.0f));
    shellKeyboard('1', 0, 0);
    EXPECT_EQ(world.stepCount, steps);
    closeAboutBox();
    EXPECT_EQ(liveNodes(), 0);
    press(vec2(400.0f, 400.0f));
    EXPECT_EQ(liveNodes(), 1);
    release(vec2(400.0f, 400.0f));
    for (int i = 0; i < 5; i++) tick();
    EXPECT_GT(world.stepCount, steps);
}

// The panel's actions and extras.
using PanelActions = GuiTest;

TEST_F(PanelActions, StartOverMaxEdgesAndCancelledLoad) {
    node(1000.0f, 1000.0f);
    patternSlot(0)->addNode(0.0f, 0.0f, 0);
    int colours = colorCount;
    panelAction(kActionStartOver);
    EXPECT_EQ(liveNodes(), 0);
    ASSERT_NE(patternSlot(0), nullptr);
    EXPECT_EQ(patternSlot(0)->nodeCount, 0);
    EXPECT_EQ(colorCount, colours);
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);

    const int rows[][2] = {{1, 1}, {0, maxEdgesChoices[0].value}, {3, 3}};  // row, maxEdges
    for (auto r : rows) {
        world.edge_constraint = r[0];
        panelAction(kActionMaxEdges);
        EXPECT_EQ(world.maxEdges, r[1]) << r[0];
    }

    // Cancelling the load in the live world still resets.
    fileChooserOverride = answerChosenPath;
    chosenPath.clear();
    world.placeColour = 1;
    camera.zoomTo = 1.0f;
    panelAction(kActionLoad);
    EXPECT_EQ(world.placeColour, 0);
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);
}

TEST_F(PanelActions, SaveWritesTheListingOrTheShownPatternAndReportsFailure) {
    fileChooserOverride = answerChosenPath;
    std::string folder = scratchFolder();
    chosenPath = folder + "/saved.txt";
    panelAction(kActionSave);
    EXPECT_TRUE(panelMessage().empty());
    EXPECT_FALSE(readAll(chosenPath).empty());

    chosenPath = folder + "/missing/saved.txt";
    panelAction(kActionSave);
    EXPECT_FALSE(panelMessage().empty()) << "the reason is shown";
    setPanelMessage(std::string());

    patternSlot(1)->addNode(0.0f, 0.0f, 0);
    chosenPath = folder + "/meta.txt";
    world.currentWindow = 2;
    panelAction(kActionSave);
    world.currentWindow = 0;
    EXPECT_EQ(readAll(chosenPath).substr(0, 4), "1 0\n");
}

TEST_F(PanelActions, QuickClickOnAButtonIsNotLost) {
    panelDisplay();
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
    std::string path = scratchFolder() + "/view.png", why;
    ASSERT_TRUE(captureView(path, why)) << why;
    EXPECT_EQ(readAll(path).substr(1, 3), "PNG");
}

// Saving through a file beside the target.
using SafeSaving = GuiTest;

TEST_F(SafeSaving, ReplacesOnSuccessAndLeavesTheOldFileOnFailure) {
    std::string folder = scratchFolder(), path = folder + "/f.txt", why;
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("one\n", f); }, why));
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("old\n", f); }, why));
    EXPECT_EQ(readAll(path), "old\n");
    // Reading from a write stream sets its error flag, as a failed write would.
    EXPECT_FALSE(saveReplacing(path, [](FILE *f) { std::fputs("new\n", f); std::fgetc(f); }, why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(readAll(path), "old\n");
    auto entries = std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1) << "no leftovers";
    why.clear();
    EXPECT_FALSE(saveReplacing("/nonexistent-folder/x.txt", [](FILE *) {}, why));
    EXPECT_FALSE(why.empty());
}

// The statistics section's figures.
using PanelStatistics = GuiTest;

TEST_F(PanelStatistics, CountsStrengthHistogramAndNewestHistory) {
    ASSERT_GE(colorCount, 2);
    resetStatistics();
    node(1000.0f, 1000.0f, 0)->strength = 0.99f;
    node(1100.0f, 1000.0f, 0)->strength = 0.01f;
    node(1200.0f, 1000.0f, 1);
    recordStep(now);
    static float history[kStatHistory];
    ASSERT_EQ(statHistory(0, history), 1);
    EXPECT_EQ(history[0], 2.0f);
    ASSERT_EQ(statHistory(1, history), 1);
    EXPECT_EQ(history[0], 1.0f);
    float bins[kStrengthBins];
    strengthHistogram(0, bins);
    EXPECT_TRUE(bins[0] == 1.0f && bins[kStrengthBins - 1] == 1.0f);

    resetStatistics();
    for (int i = 0; i < kStatHistory + 5; i++) {
        stats.counts[0][stats.head] = 0;
        recordStep(now);
        stats.counts[0][(stats.head + kStatHistory - 1) % kStatHistory] = static_cast<float>(i);
    }
    ASSERT_EQ(statHistory(0, history), kStatHistory);
    EXPECT_EQ(history[0], 5.0f);
    EXPECT_EQ(history[kStatHistory - 1], static_cast<float>(kStatHistory + 4));
}
