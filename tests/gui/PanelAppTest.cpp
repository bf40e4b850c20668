#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include <imgui.h>

#include "GuiFixture.h"
#include "runtime/SafeSave.h"
#include "world/MetaNodePat.h"

namespace {
std::string chosenPath;
std::string answerChosenPath(bool) { return chosenPath; }
}  // namespace

// The live tick's clock, speed and freezes.
using LiveTick = GuiTest;

TEST_F(LiveTick, ChoosingAPatternWindowFreezesTheLiveWorld) {
    world.speed = 3;
    tick();
    int steps = world.stepCount;
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

TEST_F(LiveTick, StepRunsExactlyOneStepWhilePaused) {
    tick();
    int steps = world.stepCount;
    requestSingleStep();
    for (int i = 0; i < 6; i++) tick();
    EXPECT_EQ(world.stepCount, steps + 1);
    EXPECT_EQ(world.speed, 0);
}

TEST_F(LiveTick, AboutBoxHoldsTheWorldAndItsEditsUntilClosed) {
    world.speed = 3;
    openAboutBox("test");
    int steps = world.stepCount;
    for (int i = 0; i < 5; i++) tick();
    click(vec2(400.0f, 400.0f));
    shellKeyboard('1', 0, 0);
    EXPECT_EQ(world.stepCount, steps);
    EXPECT_EQ(liveNodes(), 0);
    closeAboutBox();
    click(vec2(400.0f, 400.0f));
    EXPECT_EQ(liveNodes(), 1);
    EXPECT_GT(world.stepCount, steps);
}

// The panel's actions.
using PanelActions = GuiTest;

TEST_F(PanelActions, StartOverAndMaxEdges) {
    node(1000.0f, 1000.0f);
    patternSlot(0)->addNode(0.0f, 0.0f, 0);
    panelAction(kActionStartOver);
    EXPECT_EQ(liveNodes(), 0);
    ASSERT_NE(patternSlot(0), nullptr);
    EXPECT_EQ(patternSlot(0)->nodeCount, 0);

    const int rows[][2] = {{1, 1}, {0, maxEdgesChoices[0].value}, {3, 3}};  // row, maxEdges
    for (auto r : rows) {
        world.edge_constraint = r[0];
        panelAction(kActionMaxEdges);
        EXPECT_EQ(world.maxEdges, r[1]) << r[0];
    }
}

TEST_F(PanelActions, SaveAndLoadRoundTripThroughTheChooser) {
    fileChooserOverride = answerChosenPath;
    std::string folder = scratchFolder();
    node(1000.0f, 1000.0f);
    node(1200.0f, 1000.0f);
    chosenPath = folder + "/saved.txt";
    panelAction(kActionSave);
    EXPECT_TRUE(panelMessage().empty());
    panelAction(kActionStartOver);
    panelAction(kActionLoad);
    EXPECT_EQ(liveNodes(), 2);

    // The same buttons in a "Meta" window write and read the shown pattern.
    drovanMetaNodePat *p = patternSlot(0);
    ASSERT_NE(p, nullptr);
    drovanNode *a = p->addNode(-50.0f, 0.0f, 0);
    drovanNode *b = p->addNode(50.0f, 0.0f, 0);
    p->addEdge(a, b, false, 0);
    world.currentWindow = 1;
    chosenPath = folder + "/pattern.txt";
    panelAction(kActionSave);
    p->removeNode(0);
    panelAction(kActionLoad);
    EXPECT_EQ(p->nodeCount, 2);
    EXPECT_EQ(p->edgeCount, 1);
    world.currentWindow = 0;

    chosenPath = folder + "/missing/saved.txt";
    panelAction(kActionSave);
    EXPECT_FALSE(panelMessage().empty()) << "the reason is shown";
    setPanelMessage(std::string());
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

TEST_F(SafeSaving, AFailedSaveLeavesTheOldFileAndNoLeftovers) {
    std::string folder = scratchFolder(), path = folder + "/f.txt", why;
    ASSERT_TRUE(saveReplacing(path, [](FILE *f) { std::fputs("old\n", f); }, why));
    // Reading from a write stream sets its error flag, as a failed write would.
    EXPECT_FALSE(saveReplacing(path, [](FILE *f) { std::fputs("new\n", f); std::fgetc(f); }, why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(readAll(path), "old\n");
    auto entries = std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1) << "no leftovers";
}
