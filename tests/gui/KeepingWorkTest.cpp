// Nothing a user makes is lost, through the window's own actions: a refused
// file changes nothing the user can see, rules with problems wait for an
// answer, undo brings worlds back, quitting asks about unsaved patterns, and
// the panel fits short screens.
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>
#include <functional>

#include "GuiFixture.h"
#include "app/Question.h"
#include "app/Quit.h"
#include "app/Undo.h"
#include "app/WindowPlacement.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldTick.h"
#include "world/BuiltinRules.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/WorldDigest.h"

namespace {

// All a user sees of the world: the world itself, the patterns, the colours,
// the camera, the panel's choices and what undo would do.
struct Seen {
    uint64_t digest = worldDigest();
    std::vector<std::string> patterns, colours;
    CameraState view = camera;
    int window = panelChoices.currentWindow, colour = panelChoices.placeColour;
    std::string undo = undoLabel(), redo = redoLabel();
    Seen() {
        for (int k = 0; k < kPatternSlots; k++) patterns.push_back(patternText(*patternSlot(k)));
        for (int c = 0; c < colorCount; c++) colours.push_back(colorTable[c].name);
    }
    bool operator==(const Seen &o) const {
        return digest == o.digest && patterns == o.patterns && colours == o.colours && view.zoom == o.view.zoom &&
               view.zoomTo == o.view.zoomTo && view.camX == o.view.camX && view.camY == o.view.camY &&
               window == o.window && colour == o.colour && undo == o.undo && redo == o.redo;
    }
};

class KeepingWork : public GuiTest {
protected:
    std::string folder = scratchFolder();
    void SetUp() override {
        GuiTest::SetUp();
        fileChooserOverride = answerChosen;
        clearUndo();
        loadBuiltinRules();
        rebuildColors();
    }
    void TearDown() override {
        while (shownQuestion()) {
            answerQuestion(static_cast<int>(shownQuestion()->answers.size()) - 1);
            carryOutAnswer();
        }
        clearUndo();
        GuiTest::TearDown();
    }
    // An edited world: nodes joined, a metanode, a pattern with a node added
    // after its edges, some steps.
    void editedWorld() {
        Node *a = node(1000.0f, 1000.0f), *b = node(1100.0f, 1000.0f, 1);
        connectNodes(a->id, b->id, false, -1);
        Pattern *p = patternSlot(0);
        Node *x = p->addNode(-40.0f, 0.0f, 0), *y = p->addNode(40.0f, 0.0f, 1);
        p->addEdge(x, y, false, 0);
        p->addNode(0.0f, 50.0f, 2);
        placeMetaNode(0, 1500.0f, 1500.0f);
        for (int i = 0; i < 5; i++) stepWorldNow();
        camera.camX = 1234.0f;
        panelChoices.placeColour = 2;
    }
    // The message line lies inside the panel, wrapped rather than cut.
    static void expectMessageShownWhole() {
        panelDisplay();
        const PanelItem *m = findPanelItem("Message");
        ASSERT_NE(m, nullptr);
        EXPECT_LE(m->x1, ImGui::GetIO().DisplaySize.x);
        EXPECT_GT(m->y1 - m->y0, ImGui::GetTextLineHeight() * 1.5f) << "a long message takes several lines";
    }
};
}  // namespace

// Open World, Load in "Main" and Load in a "Meta" window, each refused: the
// world, the patterns, the colours, the camera and the panel stay as they
// were, and the panel says why in red.
TEST_F(KeepingWork, ARefusedFileChangesNothing) {
    editedWorld();
    chosen = folder + "/edited.snap";
    runPanelAction(kActionSaveWorld);
    ASSERT_EQ(panelMessage(), "World saved to " + chosen);
    std::string text = readAll(chosen);
    stepWorldNow();

    // Every kind of damage the reader refuses: SnapshotTest.FailedOpenChangesNothing; here, a cut file.
    Seen before;
    writeFile(chosen, text.substr(0, text.find('\n', text.size() / 3) + 1));
    runPanelAction(kActionOpenWorld);
    EXPECT_TRUE(Seen() == before);
    EXPECT_TRUE(panelMessageIsError() && panelMessage().find(chosen) != std::string::npos) << panelMessage();
    expectMessageShownWhole();

    chosen = folder + "/picture.txt";
    writeFile(chosen, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    runPanelAction(kActionLoad);
    EXPECT_TRUE(Seen() == before);
    EXPECT_NE(panelMessage().find("is not a text file"), std::string::npos) << panelMessage();

    panelChoices.currentWindow = 2;
    Seen inMeta;
    chosen = folder + "/pattern.txt";
    writeFile(chosen, "3 1\n0 0 0 0\n10 10 0 1\n");  // ends early
    runPanelAction(kActionLoad);
    EXPECT_TRUE(Seen() == inMeta);
    EXPECT_TRUE(panelMessageIsError());
    panelChoices.currentWindow = 0;
}

// Load in "Main" checks first: problems are listed (line, message, the
// line's text) and nothing changes until "Load anyway"; "Cancel" keeps all.
TEST_F(KeepingWork, RulesWithProblemsWaitForAnAnswer) {
    node(1000.0f, 1000.0f);
    chosen = folder + "/typos.txt";
    writeFile(chosen, "Red is 1 0 0\nRed size 2\nRed node probability is 0.5\n");
    Seen before;
    runPanelAction(kActionLoad);
    const Question *q = shownQuestion();
    ASSERT_NE(q, nullptr);
    ASSERT_EQ(q->list.size(), 1u);
    EXPECT_EQ(q->list[0].first.rfind("line 2: ", 0), 0u) << q->list[0].first;
    EXPECT_EQ(q->list[0].second, "Red size 2");
    EXPECT_TRUE(Seen() == before) << "nothing is loaded before the answer";
    panelDisplay();
    ASSERT_NE(findPanelItem("Load anyway"), nullptr);
    world.speed = 3;
    tick();
    tick();
    world.speed = 0;
    EXPECT_TRUE(Seen() == before) << "the world waits while the panel asks";

    answerQuestion(1);  // Cancel
    carryOutAnswer();
    EXPECT_TRUE(Seen() == before);
    EXPECT_EQ(panelMessage(), chosen + " was not loaded.");

    runPanelAction(kActionLoad);
    answerQuestion(0);  // Load anyway
    carryOutAnswer();
    EXPECT_NE(Seen().colours, before.colours);
    EXPECT_EQ(liveNodes(), 0);
    EXPECT_EQ(undoLabel(), "Load");

    // A clean file loads at once.
    chosen = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/donuts.txt";
    runPanelAction(kActionLoad);
    EXPECT_EQ(shownQuestion(), nullptr);
    EXPECT_EQ(panelMessage().rfind("Loaded " + chosen, 0), 0u) << panelMessage();
}

// Each action that throws a world away is undone exactly, by the panel's
// button and by control-Z in the world window, and redone by
// control-shift-Z; twenty-five of them in a row come back one by one. Open
// World gives back the saved world, with the step clock the program's own.
TEST_F(KeepingWork, UndoBringsBackWhatEachActionThrewAway) {
    editedWorld();
    chosen = folder + "/world.snap";
    runPanelAction(kActionSaveWorld);
    uint64_t saved = worldDigest();
    std::string rules = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/cilia.txt";
    struct Action {
        const char *name;
        std::function<void()> run;
    };
    const Action actions[] = {
        {"Start Over", [] { runPanelAction(kActionStartOver); }},
        {"Load", [&] { chosen = rules, runPanelAction(kActionLoad); }},
        {"Open World",
         [&] {
             chosen = folder + "/world.snap", runPanelAction(kActionOpenWorld);
             EXPECT_EQ(worldDigest(), saved);
             EXPECT_EQ(world.lastStepTime, clockNow()) << "the step clock is the program's again";
         }},
        {"Delete",
         [this] {
             for (Thing *t = world.thingList; t && gesture.hoverId == -1; t = t->next)
                 if (Node *n = dynamic_cast<Node *>(t))
                     if (!n->dead && !n->container()) gesture.hoverId = n->id;
             shellKeyboard(8, 0, 0);
             tick();  // the purge
         }},
    };
    for (const Action &a : actions) {
        stepWorldNow();
        uint64_t kept = worldDigest();
        a.run();
        ASSERT_NE(worldDigest(), kept) << a.name;
        EXPECT_EQ(undoLabel(), a.name);
        stepWorldNow();  // undo also takes back the steps run since
        uint64_t undone = worldDigest();
        if (a.name[0] == 'S')
            ASSERT_TRUE(pressItem("Undo"));
        else
            shellKeyboard(26, 0, 0);
        EXPECT_EQ(worldDigest(), kept) << a.name << ": " << panelMessage();
        EXPECT_EQ(gesture.hoverId, -1) << "the gesture is forgotten";
        fakeModifiers = kShiftMask;
        shellKeyboard(26, 0, 0);
        fakeModifiers = 0;
        EXPECT_EQ(worldDigest(), undone) << a.name << " done again";
        shellKeyboard(26, 0, 0);
    }

    std::vector<uint64_t> worlds;
    for (int i = 0; i < 25; i++) {
        node(500.0f + 40.0f * i, 700.0f);
        worlds.push_back(worldDigest());
        runPanelAction(kActionStartOver);
    }
    for (int i = 24; i >= 0; i--) {
        runPanelAction(kActionUndo);
        ASSERT_EQ(worldDigest(), worlds[static_cast<size_t>(i)]) << i;
    }
}

// Closing a window with unsaved pattern edits asks; "Cancel" goes on,
// "Save patterns" writes them beside the rules and quits, and with nothing
// unsaved the program quits at once.
TEST_F(KeepingWork, QuittingAsksAboutUnsavedPatterns) {
    notePatternsKept(folder);
    askToQuit();
    EXPECT_EQ(left, 1) << "nothing unsaved: quits at once";

    patternSlot(2)->addNode(0.0f, 0.0f, 0);
    askToQuit();
    const Question *q = shownQuestion();
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q->text.find("Meta 3"), std::string::npos) << q->text;
    ASSERT_EQ(q->answers, (std::vector<std::string>{"Save patterns", "Discard", "Cancel"}));
    answerQuestion(2);
    carryOutAnswer();
    EXPECT_EQ(left, 1) << "Cancel";
    EXPECT_FALSE(std::filesystem::exists(folder + "/meta3a.txt"));

    askToQuit();
    answerQuestion(0);
    carryOutAnswer();
    EXPECT_EQ(left, 2);
    EXPECT_EQ(readAll(folder + "/meta3a.txt"), patternText(*patternSlot(2)));
    askToQuit();
    EXPECT_EQ(left, 3) << "saved: nothing is left to ask about";
}

// Both windows open inside every screen from 1280 x 720 up, side by side; a
// panel shorter than its content scrolls as a whole and keeps the histogram
// and four plots in sight.
TEST_F(KeepingWork, WindowsFitTheScreenAndThePanelScrolls) {
    const int screens[][2] = {{1280, 720}, {1366, 768}, {1280, 1024}, {1440, 900}, {1920, 1080}, {3840, 2160}};
    for (auto s : screens) {
        WindowPlacement p = placeWindows(s[0], s[1]);
        for (const WindowRect &r : {p.world, p.panel})
            EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= s[0] && r.y + r.h <= s[1]) << s[0] << "x" << s[1];
        EXPECT_LE(p.world.x + p.world.w, p.panel.x) << "side by side";
        EXPECT_GE(p.world.w, 600);
    }

    ImGuiIO &io = ImGui::GetIO();
    ImVec2 size = io.DisplaySize;
    io.DisplaySize.y = static_cast<float>(placeWindows(1280, 720).panel.h);
    panelDisplay();
    panelDisplay();
    const PanelItem *plots = findPanelItem("Statistics plots");
    ASSERT_NE(plots, nullptr);
    EXPECT_GE(plots->y1 - plots->y0, 50.0f + 4 * 36.0f);
    ImGuiWindow *panel = ImGui::FindWindowByName("drovan");
    ASSERT_NE(panel, nullptr);
    EXPECT_GT(panel->ScrollMax.y, 0.0f) << "the panel scrolls";
    io.DisplaySize = size;
    panelDisplay();
}
