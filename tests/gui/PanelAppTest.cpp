#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>

#include <imgui.h>

#include "GuiFixture.h"
#include "app/Statistics.h"
#include "world/BuiltinRules.h"
#include "rules/RulesListing.h"
#include "runtime/SafeSave.h"
#include "runtime/StepRequests.h"
#include "runtime/WorldTick.h"
#include "world/MetaNode.h"

// The live tick's clock, speed and freezes.
using LiveTick = GuiTest;

TEST_F(LiveTick, ChoosingAPatternWindowFreezesTheLiveWorld) {
    world.speed = 3;
    tick();
    int steps = world.stepCount;
    Node *n = node(1000.0f, 1000.0f);
    int id = n->id;
    panelChoices.currentWindow = 3;
    n->kill();
    for (int i = 0; i < 10; i++) tick();
    EXPECT_EQ(world.stepCount, steps);
    EXPECT_NE(findThing(id), nullptr) << "no purge while a pattern is shown";
    panelChoices.currentWindow = 0;
    tick();
    tick();
    EXPECT_GT(world.stepCount, steps);
    EXPECT_EQ(findThing(id), nullptr);
}

TEST_F(LiveTick, StepRunsExactlyOneStepWhilePaused) {
    tick();
    int steps = world.stepCount, samples = stats.samples;
    requestSingleStep();
    for (int i = 0; i < 6; i++) tick();
    EXPECT_EQ(world.stepCount, steps + 1);
    EXPECT_EQ(world.speed, 0);
    EXPECT_EQ(stats.samples, std::min(samples + 1, kStatHistory)) << "the plots take the step";
    EXPECT_EQ(stats.stepsPerSecond, 0.0f) << "a single step is no rate";

    // Asked while the world runs, even at its slowest, it is dropped: pausing later runs none.
    world.speed = 1;
    requestSingleStep();
    for (int i = 0; i < 3; i++) tick();
    world.speed = 0;
    steps = world.stepCount;
    for (int i = 0; i < 6; i++) tick();
    EXPECT_EQ(world.stepCount, steps);
}

// The panel's figures of a known world: counts per colour, the strength spread, the history.
TEST_F(LiveTick, PlotsCountWhatTheWorldHolds) {
    resetStatistics();
    const float strengths[] = {0.0f, 0.04f, 0.5f, 0.99f, 1.0f, -0.5f};
    for (float s : strengths) node(1000.0f + 100.0f * static_cast<float>(&s - strengths), 1000.0f, 1)->strength = s;
    node(1500.0f, 1500.0f, 2);
    node(1600.0f, 1500.0f, 1)->kill();
    float bins[kStrengthBins], history[kStatHistory];
    strengthHistogram(1, bins);
    EXPECT_EQ(std::vector<float>(bins, bins + kStrengthBins),
              std::vector<float>({3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
    recordStep(now, false);
    recordStep(now, false);
    ASSERT_EQ(statHistory(1, history), 2);
    EXPECT_EQ(history[1], 6.0f);
    ASSERT_EQ(statHistory(2, history), 2);
    EXPECT_EQ(history[0], 1.0f);
}

TEST_F(LiveTick, AboutBoxHoldsTheWorldAndItsEditsUntilEnterOrEscapeClosesIt) {
    world.speed = 3;
    openAboutBox("test");
    int steps = world.stepCount;
    for (int i = 0; i < 5; i++) tick();
    click(Vec2(400.0f, 400.0f));
    shellKeyboard('1', 0, 0);
    EXPECT_EQ(world.stepCount, steps);
    EXPECT_EQ(liveNodes(), 0);
    closeAboutBox();
    click(Vec2(400.0f, 400.0f));
    EXPECT_EQ(liveNodes(), 1);
    EXPECT_GT(world.stepCount, steps);
    // Closed by Enter in the world window, or by Escape in the panel.
    openAboutBox("text");
    shellKeyboard(13, 0, 0);
    EXPECT_FALSE(aboutBoxOpen()) << "Enter in the world window";
    openAboutBox("text");
    panelKeyTap(27);
    panelDisplay();
    panelDisplay();
    EXPECT_FALSE(aboutBoxOpen()) << "Escape in the panel";
}

// The panel's actions.
using PanelActions = GuiTest;

TEST_F(PanelActions, StartOverAndMaxEdges) {
    node(1000.0f, 1000.0f);
    patternSlot(0)->addNode(0.0f, 0.0f, 0);
    addSense(2, 3, 0, 2.0f);
    setGrasps(2);
    runPanelAction(kActionStartOver);
    EXPECT_EQ(liveNodes(), 0);
    ASSERT_NE(patternSlot(0), nullptr);
    EXPECT_EQ(patternSlot(0)->nodeCount, 0);
    // The slots' rules stay with the other rules.
    EXPECT_TRUE(slotSenseCount(2) == 1 && slotSense(2, 0)->factor == 2.0f && slotGrasps(2));
    clearSlotRules();

    const int rows[][2] = {{1, 1}, {0, maxEdgesChoices[0].value}, {3, 3}};  // row, maxEdges
    for (auto r : rows) {
        world.edgeConstraint = r[0];
        runPanelAction(kActionMaxEdges);
        EXPECT_EQ(world.maxEdges, r[1]) << r[0];
    }
}

TEST_F(PanelActions, SaveAndLoadRoundTripThroughTheChooser) {
    fileChooserOverride = answerChosen;
    std::string folder = scratchFolder();
    node(1000.0f, 1000.0f);
    node(1200.0f, 1000.0f);
    chosen = folder + "/saved.txt";
    runPanelAction(kActionSave);
    EXPECT_EQ(panelMessage(), "Rules saved to " + chosen) << "a save says where it went";
    EXPECT_FALSE(panelMessageIsError());
    runPanelAction(kActionStartOver);
    runPanelAction(kActionLoad);
    EXPECT_EQ(liveNodes(), 2);

    // The same buttons in a "Meta" window write and read the shown pattern.
    Pattern *p = patternSlot(0);
    ASSERT_NE(p, nullptr);
    Node *a = p->addNode(-50.0f, 0.0f, 0);
    Node *b = p->addNode(50.0f, 0.0f, 0);
    p->addEdge(a, b, false, 0);
    panelChoices.currentWindow = 1;
    chosen = folder + "/pattern.txt";
    runPanelAction(kActionSave);
    p->removeNode(0);
    runPanelAction(kActionLoad);
    EXPECT_EQ(p->nodeCount, 2);
    EXPECT_EQ(p->edgeCount, 1);
    panelChoices.currentWindow = 0;

    // A metanode has no statement: the panel says so after the save.
    ASSERT_NE(placeMetaNode(0, 1500.0f, 1500.0f), nullptr);
    runPanelAction(kActionSave);
    EXPECT_EQ(panelMessage(), "Rules saved to " + chosen +
                                  ". 1 metanode is not in the rules file (the rules format cannot hold "
                                  "metanodes); \"Save World\" keeps them.");

    chosen = folder + "/missing/saved.txt";
    runPanelAction(kActionSave);
    EXPECT_TRUE(panelMessageIsError()) << "the reason is shown, in red";
}

// Press and release of a button, or of a key, arriving between two frames.
TEST_F(PanelActions, QuickClicksAndKeysAreNotLost) {
    panelDisplay();
    const PanelItem *reset = findPanelItem("Reset Camera");
    ASSERT_NE(reset, nullptr);
    int x = static_cast<int>(reset->x0) + 5, y = static_cast<int>(reset->y0) + 5;
    panelMouse(0, GLUT_DOWN, x, y);
    panelMouse(0, GLUT_UP, x, y);
    panelDisplay();
    EXPECT_TRUE(ImGui::GetIO().MouseDown[0]) << "the release waits for the frame after the press";
    panelDisplay();
    EXPECT_FALSE(ImGui::GetIO().MouseDown[0]);
    carryOutPanelRequests();
    EXPECT_FLOAT_EQ(camera.zoomTo, 0.8f);
}

// The chooser driven as a user drives it: clicks, double clicks, typing, Enter, Escape.
class Chooser : public GuiTest {
protected:
    std::vector<std::function<void()>> script;  // one step per frame of the chooser
    size_t next = 0;
    int frames = 0;
    void run(std::initializer_list<std::function<void()>> steps) {
        script.assign(steps);
        next = 0;
        frames = 0;
        // The chooser's opening frames come first, as a user sees it before typing.
        // Each step waits for a frame drawn after the last one; a script
        // that runs out answers Escape so a failure cannot hang the suite.
        chooserFrameHook = [this] {
            if (panelInputPending() || ++frames < 4 || frames % 2) return;
            if (next < script.size())
                script[next++]();
            else if (frames > 200)
                panelKeyTap(27);
        };
    }
    static void clickOn(const std::string &label, bool twice = false) { ASSERT_TRUE(clickItem(label, twice)) << label; }
    static void type(const std::string &text) {
        for (char c : text) panelKeyTap(static_cast<unsigned char>(c));
    }
    static std::function<void()> nothing() {
        return [] {};
    }
};

TEST_F(Chooser, SaveByTypingAndEnterAsksBeforeReplacing) {
    std::string folder = scratchFolder();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    node(1000.0f, 1000.0f);
    // Two quick backspaces remove two typed characters.
    run({nothing(), [] { type("worldxy"); },
         [] {
             panelKeyTap(8);
             panelKeyTap(8);
         },
         [] { panelKeyTap(13); }});
    runPanelAction(kActionSave);
    EXPECT_EQ(readAll(folder + "/world").empty(), false);
    std::string first = readAll(folder + "/world");

    node(1200.0f, 1000.0f);
    run({nothing(), [] { type("world"); }, [] { panelKeyTap(13); }, nothing(), [] { panelKeyTap(27); },
         [] { panelKeyTap(27); }});
    runPanelAction(kActionSave);
    EXPECT_EQ(readAll(folder + "/world"), first) << "Escape kept the old file, a second Escape cancelled";

    run({nothing(), [] { type("world"); }, [] { panelKeyTap(13); }, nothing(), [] { panelKeyTap(13); }});
    runPanelAction(kActionSave);
    EXPECT_NE(readAll(folder + "/world"), first) << "Enter answered the question with Replace";
}

// Folders come first, then files, each by name; a typed folder is entered,
// "../" goes up; a name that leads nowhere is told apart from a missing one.
TEST_F(Chooser, TypedNamesFoldersFirstAndWhatIsMissing) {
    std::string folder = scratchFolder();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    for (const char *d : {"b", "a"}) std::filesystem::create_directory(folder + "/" + d);
    for (const char *f : {"c.txt", "a.txt"}) writeFile(folder + "/" + f, "");
    std::vector<std::string> seen;  // what the chooser showed in the frame before each step
    auto look = [&seen, &folder] {
        std::string all;
        for (const PanelItem &i : panelItems()) all += i.label + "|";
        seen.push_back(all.substr(std::min(all.size(), all.find(folder.substr(0, 5))), 300));
    };
    auto erase = [] {
        for (int i = 0; i < 12; i++) panelKeyTap(8);
    };
    // Enter leaves the name field: a click goes back to it before typing.
    auto retype = [&erase](const std::string &name) { clickOn("File name"), erase(), type(name), panelKeyTap(13); };
    run({nothing(), [&] { look(), panelKeyTap(13); }, [&] { look(), retype("nope.txt"); },
         [&] { look(), retype("b"); }, [&] { look(), clickOn("../", true); }, [&] { look(), panelKeyTap(27); }});
    runPanelAction(kActionLoad);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_NE(seen[0].find(folder + "|../|a/|b/|a.txt|c.txt|File name|OK|"), std::string::npos) << seen[0];
    EXPECT_NE(seen[1].find("|Type or pick a file name.|"), std::string::npos) << seen[1];
    EXPECT_NE(seen[2].find("|File not found.|"), std::string::npos) << seen[2];
    EXPECT_NE(seen[3].find(folder + "/b|../|File name|"), std::string::npos) << seen[3];
    EXPECT_NE(seen[4].find(folder + "|../|a/|"), std::string::npos) << seen[4];
    EXPECT_EQ(liveNodes(), 0);

    seen.clear();
    run({nothing(), [&] { type("none/x.txt"), panelKeyTap(13); }, [&] { look(), panelKeyTap(27); }});
    runPanelAction(kActionSave);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find("|Folder not found.|"), std::string::npos) << seen[0];
    EXPECT_FALSE(std::filesystem::exists(folder + "/none"));
}

TEST_F(Chooser, DoubleClickOpensAFileAndEscapeCancels) {
    std::string folder = scratchFolder();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    std::filesystem::create_directory(folder + "/sub");
    node(1000.0f, 1000.0f);
    node(1300.0f, 1000.0f);
    std::string why;
    ASSERT_TRUE(saveReplacing(folder + "/sub/two.txt", why, [](FILE *f) { writeRules(f); }));
    killAll();
    // Cancelled: nothing changes.
    patternSlot(0)->addNode(0.0f, 0.0f, 0);
    run({nothing(), [] { panelKeyTap(27); }});
    runPanelAction(kActionLoad);
    EXPECT_EQ(patternSlot(0)->nodeCount, 1) << "a cancelled Load keeps the patterns";
    // A double click enters the folder, another opens the file.
    run({nothing(), [] { clickOn("sub/", true); }, [this] { advance(1.0f); }, [] { clickOn("two.txt", true); }});
    runPanelAction(kActionLoad);
    EXPECT_EQ(liveNodes(), 2);
}
// "Save Image" writes the view shown, the live world's or a pattern window's,
// to the chosen file (a name counts from the working folder) and says where.
TEST_F(PanelActions, SaveImageWritesTheViewShown) {
    std::string folder = scratchFolder();
    ASSERT_EQ(chdir(folder.c_str()), 0);
    // The colour at the middle of an 800 x 800 PNG, read back through ffmpeg.
    auto middle = [](const std::string &png) {
        std::string rgb;
        FILE *p = popen(("ffmpeg -v error -nostdin -i '" + png + "' -vf crop=1:1:400:400 -f rawvideo -pix_fmt rgb24 -").c_str(), "r");
        for (int c; p && (c = std::fgetc(p)) != EOF;) rgb += static_cast<char>(c);
        if (p) pclose(p);
        return rgb;
    };
    const std::string white(3, '\xff');
    fileChooserOverride = answerChosen;
    chosen = "world.png";
    glutSetWindow(panelWindow());  // asked from the panel, drawn from the world's window
    ASSERT_TRUE(pressItem("Save Image"));
    EXPECT_EQ(panelMessage(), "Image saved to " + folder + "/world.png");
    EXPECT_EQ(middle(folder + "/world.png"), white) << "an empty world";
    node(1600.0f, 1600.0f, 1);
    ASSERT_TRUE(pressItem("Save Image"));
    const std::string live = middle(folder + "/world.png");
    EXPECT_TRUE(live.size() == 3 && live != white);

    ASSERT_TRUE(patternSlot(1)->addNode(0.0f, 0.0f, 2));
    panelChoices.currentWindow = 2;
    chosen = folder + "/pattern.png";
    ASSERT_TRUE(pressItem("Save Image"));
    panelChoices.currentWindow = 0;
    EXPECT_EQ(panelMessage(), "Image saved to " + chosen);
    const std::string shown = middle(chosen);
    EXPECT_TRUE(shown.size() == 3 && shown != white && shown != live);

    chosen = "";
    ASSERT_TRUE(pressItem("Save Image"));
    EXPECT_EQ(panelMessage(), "Image saved to " + folder + "/pattern.png") << "nothing chosen: nothing done";
    fileChooserOverride = nullptr;
}

// Every control of the panel lies inside the window, unclipped, with the
// bundled colours and with a full table of twenty.
TEST_F(PanelActions, EveryControlFitsTheWindow) {
    for (int colours : {6, 20}) {
        resetColorTable();
        for (int c = 0; c < colours; c++) declareColor(("Colour" + std::to_string(c)).c_str());
        rebuildColors();
        for (int i = 0; i < kStatHistory / 100; i++) recordStep(0.0f, false);
        panelDisplay();
        panelDisplay();
        const ImVec2 size = ImGui::GetIO().DisplaySize;
        ASSERT_GE(panelItems().size(), 40u);
        for (const PanelItem &i : panelItems()) {
            EXPECT_TRUE(i.x0 >= 0 && i.y0 >= 0 && i.x1 <= size.x && i.y1 <= size.y) << i.label << " " << colours;
            EXPECT_TRUE(i.x0 >= i.clipX0 - 1 && i.y0 >= i.clipY0 - 1 && i.x1 <= i.clipX1 + 1 && i.y1 <= i.clipY1 + 1)
                << i.label << " clipped with " << colours << " colours";
        }
    }
}

// Steps per simulated second at each speed, with a clock of milliseconds
// that moves only when the tick rests.
TEST_F(LiveTick, SpeedsGiveTheirRatesAndRestUntilTheStepIsDue) {
    static float fake;
    shellRestOverride = [](float s) {
        fake = std::ceil((fake + s) * 1000.0f) / 1000.0f;  // wake on the next millisecond
        clockOverride(fake);
    };
    for (int speed : {1, 2, 3}) {
        fake = now;
        clockOverride(fake);
        world.lastStepTime = fake;
        world.speed = speed;
        int first = world.stepCount;
        int passes = 0;
        while (fake < now + 10.0f && passes++ < 100000) idleTick();
        EXPECT_NEAR(world.stepCount - first, 150 << (speed - 1), 2) << speed;
        EXPECT_LT(passes, 4 * (150 << (speed - 1))) << "the tick rests between steps";
    }
    world.speed = 0;
}

// Run ahead from the panel: a preset runs its steps at once and becomes the
// count "Run ahead" runs; cancelling stops it.
TEST_F(LiveTick, RunAheadRunsItsStepsAndCancelStops) {
    world.speed = 0;
    int first = world.stepCount;
    ASSERT_TRUE(pressItem("Run 100"));
    for (int i = 0; i < 200 && runAheadActive(); i++) tick();
    EXPECT_EQ(world.stepCount, first + 100);
    ASSERT_TRUE(pressItem("Run ahead"));
    for (int i = 0; i < 200 && runAheadActive(); i++) tick();
    EXPECT_EQ(world.stepCount, first + 200);
    startRunAhead(1000000);
    tick();
    cancelRunAhead();
    int stopped = world.stepCount;
    tick();
    EXPECT_EQ(world.stepCount, stopped);
    EXPECT_FALSE(runAheadActive());
}

// "Nodes:" picks the colour a click places.
TEST_F(LiveTick, TheNodesListPicksThePlacingColour) {
    ASSERT_GE(colorCount, 3);
    ImGui::GetIO().DisplaySize = ImVec2(shell.placement.panel.w, shell.placement.panel.h);
    panelDisplay();
    ASSERT_TRUE(clickItem("Nodes:"));
    for (int i = 0; i < 3; i++) panelDisplay();
    ASSERT_TRUE(clickItem(colorTable[2].name));
    for (int i = 0; i < 3; i++) panelDisplay();
    EXPECT_EQ(panelChoices.placeColour, 2);
    click(Vec2(400.0f, 400.0f));
    ASSERT_EQ(liveNodes(), 1);
    EXPECT_EQ(dynamic_cast<Node *>(world.thingList)->colour(), 2);
}

TEST_F(PanelActions, LoadReadsThePatternsBesideTheRulesAndKeepsAllOnFailure) {
    fileChooserOverride = answerChosen;
    std::string folder = scratchFolder();
    std::string rules = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/metanodes.txt";
    std::filesystem::copy_file(rules, folder + "/m.txt");
    std::filesystem::copy_file(std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/meta1a.txt",
                               folder + "/meta1a.txt");
    chosen = folder + "/m.txt";
    recordStep(0.0f, false);
    runPanelAction(kActionLoad);
    EXPECT_GT(patternSlot(0)->nodeCount, 0) << "meta1a.txt beside the rules file";
    EXPECT_EQ(stats.samples, 0) << "the plots start over";
    int colours = colorCount, nodes = patternSlot(0)->nodeCount;
    chosen = folder + "/missing.txt";
    runPanelAction(kActionLoad);
    EXPECT_NE(panelMessage().find("missing.txt"), std::string::npos);
    EXPECT_EQ(patternSlot(0)->nodeCount, nodes);
    EXPECT_EQ(colorCount, colours);
}

// Each check box and radio button of the panel writes its own setting and no other.
TEST_F(PanelActions, EveryControlWritesItsOwnSetting) {
    struct Control {
        const char *label;
        int *field;
        int value;  // a radio button's; a check box (-1) flips its setting
    };
    const Control controls[] = {{"Discover Edges", &world.discoverEdges, -1},
                                {"Directed Edges", &world.directedEdges, -1},
                                {"Colored Edges", &world.coloredEdges, -1},
                                {"Fix Node Collisions", &world.fixNodeCollisions, -1},
                                {"Closed World", &world.closedWorld, -1},
                                {"Anneal", &world.anneal, -1},
                                {"Inertia", &world.inertia, -1},
                                {"Atoms", &world.renderAtoms, -1},
                                {"Nodes", &world.renderNodes, -1},
                                {"Edges", &world.renderEdges, -1},
                                {"Atom aggregates", &world.renderAtomAggregates, -1},
                                {"Fast", &world.speed, 3},
                                {"Slow", &world.speed, 1},
                                {"Pause", &world.speed, 0},
                                {"2", &world.edgeConstraint, 2},
                                {"No constraint", &world.edgeConstraint, 0}};
    for (const Control &c : controls) {
        std::vector<int> before;
        for (const Control &o : controls) before.push_back(*o.field);
        ASSERT_TRUE(pressItem(c.label)) << c.label;
        for (size_t o = 0; o < before.size(); o++) {
            int want = controls[o].field != c.field ? before[o] : (c.value < 0 ? !before[o] : c.value);
            EXPECT_EQ(*controls[o].field, want) << c.label << " / " << controls[o].label;
        }
    }
    EXPECT_EQ(world.maxEdges, maxEdgesChoices[0].value) << "the Max edges group applies its row";
    // A click at a slider's left end sets it near its least.
    for (const auto &[label, field] : {std::pair<const char *, float *>{"Node Creation Rate", &world.nodeCreationRate},
                                       {"Edge spring k", &world.edgeSpringK}}) {
        *field = 0.7f;
        ASSERT_TRUE(pressItem(label)) << label;
        EXPECT_LT(*field, 0.1f) << label;
    }
}
