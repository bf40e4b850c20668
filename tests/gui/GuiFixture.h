#pragma once
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <imgui.h>

#include "app/App.h"
#include "app/Input.h"
#include "render/Camera.h"
#include "runtime/Clock.h"
#include "app/AboutBox.h"
#include "app/FileChooser.h"
#include "app/Panel.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"
#include "app/Quit.h"
#include "app/Shell.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "world/BuiltinRules.h"
#include "world/ColorTable.h"
#include "world/FreshProcess.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/WorldStore.h"

inline void writeFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The windows exist once per process; every test starts from an empty world,
// a known camera and a frozen clock it moves by hand.
class GuiTest : public ::testing::Test {
protected:
    static int fakeModifiers;
    float now = 100.0f;
    // The chooser's answer where a test sets fileChooserOverride = answerChosen,
    // and how many times the program left (counted, never done).
    static inline std::string chosen;
    static inline int left = 0;
    static std::string answerChosen(bool) { return chosen; }

    void SetUp() override {
        clockOverride(now);
        closeAboutBox();
        fileChooserOverride = nullptr;
        // The world as start-up without a scenario leaves it.
        resetToFreshProcess();
        resetSettings();
        loadBuiltinRules();
        rebuildRules();
        initPatternSlots();
        panelChoices.currentWindow = world.speed = panelChoices.placeColour = world.coloredEdges = world.directedEdges =
            0;
        gesture.pressedId = gesture.hoverId = gesture.createdId = -1;
        gesture.dragging = gesture.rotating = gesture.clearOnRelease = gesture.buttonDown = 0;
        world.lastStepTime = now - 1.0f;
        world.stepBudget = 10;
        camera.zoom = camera.zoomFrom = camera.zoomTo = 1.0f;
        camera.zoomStart = now - 1.0f;
        camera.camX = camera.camY = 1600.0f;
        camera.panEnabled = 1;
        shell.anyButtonDown = shell.leftDown = shell.rightDown = shell.doubleClick = 0;
        shell.panMotion = false;
        shell.lastPressTime = now - 0.6f;
        shell.lastPressX = shell.lastPressY = -1;
        shell.wheelAccum = fakeModifiers = 0;
        shellModifierSource = [] { return fakeModifiers; };
        shellRestOverride = [](float) {};
        left = 0;
        leaveProgram = [] { left++; };
        setPanelMessage(std::string());
        glutSetWindow(shell.mainWindow);
    }
    void TearDown() override {
        clockOverride(-1.0f);
        shellRestOverride = nullptr;
        chooserFrameHook = nullptr;
    }

    void advance(float seconds) { clockOverride(now += seconds); }
    // One pass of the live tick, a little later than the last.
    void tick() {
        advance(0.02f);
        idleTick();
    }
    static Vec2 pixelOf(Vec2 worldPoint) { return worldToScreen(worldPoint); }
    void moveTo(Vec2 pixel) { shellMotion(static_cast<int>(pixel.x), static_cast<int>(pixel.y)); }
    void button(Vec2 pixel, int state, int button = GLUT_LEFT_BUTTON) {
        moveTo(pixel);
        shellMouse(button, state, static_cast<int>(pixel.x), static_cast<int>(pixel.y));
    }
    // Press at one pixel, release at another, a tick after each.
    void drag(Vec2 from, Vec2 to, int mods = 0) {
        fakeModifiers = mods;
        button(from, GLUT_DOWN);
        tick();
        if (to != from) {
            moveTo(to);
            tick();
        }
        button(to, GLUT_UP);
        tick();
    }
    void click(Vec2 pixel, int mods = 0) { drag(pixel, pixel, mods); }
    static Node *node(float x, float y, int colour = 0) {
        Node *n = createNode(x, y, colour);
        if (!n) throw std::runtime_error("node not placed");
        return n;
    }
    static int liveNodes() {
        int n = 0;
        for (Thing *t = world.thingList; t; t = t->next) n += !t->dead && dynamic_cast<Node *>(t);
        return n;
    }
    static std::string scratchFolder() {
        char folder[] = "/tmp/drovan-gui-test-XXXXXX";
        if (!mkdtemp(folder)) throw std::runtime_error("no scratch folder");
        return folder;
    }
    // A press and release on the panel's item of that label (twice: a double
    // click); false when the panel shows no such item.
    static bool clickItem(const std::string &label, bool twice = false) {
        const PanelItem *i = findPanelItem(label);
        if (!i) return false;
        int x = static_cast<int>(i->x0) + 4, y = static_cast<int>(i->y0) + 4;
        for (int k = 0; k <= twice; k++) panelMouse(0, GLUT_DOWN, x, y), panelMouse(0, GLUT_UP, x, y);
        return true;
    }
    // A click on the panel's item between frames of the panel at its own size
    // (a dialog widens it, and no reshape comes back without the main loop),
    // its request carried out.
    static bool pressItem(const std::string &label) {
        ImGui::GetIO().DisplaySize = ImVec2(shell.placement.panel.w, shell.placement.panel.h);
        panelDisplay();
        bool found = clickItem(label);
        panelDisplay();
        panelDisplay();
        carryOutPanelRequests();
        return found;
    }
    // Rules read from text, in place of the loaded ones.
    static void loadRulesText(const std::string &text) {
        FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
        loadRules(f, "kinds.txt", nullptr);
        rebuildRules();
    }
    static std::string readAll(const std::string &path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};
