#include "app/App.h"

#include <GL/freeglut.h>
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/Camera.h"
#include "app/Clock.h"
#include "app/FramePacing.h"
#include "app/Input.h"
#include "app/Panel.h"
#include "runtime/SafeSave.h"
#include "app/Shell.h"
#include "runtime/Startup.h"
#include "app/Statistics.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldTick.h"
#include "render/GLPainter.h"
#include "render/Scene.h"
#include "rules/RulesLoader.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace {
bool stepRequested = false;

const char *kCredits = "Drovan: an artificial-life simulation of coloured nodes, springs and drifting atoms.\n\n"
                       "Click to place nodes, drag from node to node to join them, double-click to select a structure, "
                       "press 1-9 and 0 to drop metanodes. The panel holds the rules, the speed and the patterns.";

// While a modal box waits, the world window takes no edits, as behind a system dialog.
void pressUnlessModal(int x, int y) {
    if (!panelModalOpen()) onPress(x, y);
}
void keyUnlessModal(int key) {
    // Enter or Escape answer the about box from the world window too.
    if (aboutBoxOpen() && (key == 13 || key == 27)) closeAboutBox();
    if (!panelModalOpen()) onKey(key);
}

void rebuildPanelHook() {
    buildPanel();
    refreshPanel();
}

}  // namespace

void printBanner() {
    std::printf("Drovan - an artificial-life simulation\n");
    std::printf("Windows and input by freeglut\n");
    std::printf("Control panel by Dear ImGui\n");
    std::fflush(stdout);
}

void appStartup(const std::string &folder) {
    clockInit();
    shellInit();
    setAppMouseHandler(pressUnlessModal);
    setAppKeyHandler(keyUnlessModal);
    installGLPainter();
    setPanEnabled(true);
    StartupHooks hooks;
    hooks.resetCamera = resetCamera;
    hooks.rebuildPanel = rebuildPanelHook;
    hooks.startTime = clockNow();
    std::string rules = folder.empty() ? std::string() : folder + "/logic.txt";
    startWorld(rules, folder, hooks);
    resetStatistics();
    std::fflush(stdout);
}

bool reloadRules(const std::string &path, std::string &why) {
    if (!loadRulesFile(path, why)) return false;
    resetCamera();
    buildPanel();
    refreshPanel();
    resetStatistics();
    return true;
}

std::string aboutText() {
    FILE *f = std::fopen("copyright.txt", "rb");
    if (!f) return kCredits;
    std::string text;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long length = std::ftell(f);
        if (length > 0 && std::fseek(f, 0, SEEK_SET) == 0) {
            text.resize(static_cast<size_t>(length));
            size_t got = std::fread(&text[0], 1, text.size(), f);
            text.resize(got);
        }
    }
    std::fclose(f);
    return text;
}

void showAboutBox() { openAboutBox(aboutText()); }

void requestSingleStep() { stepRequested = true; }
bool singleStepPending() { return stepRequested; }

RunAheadState runAhead;
bool runAheadActive() { return runAhead.total > 0 && runAhead.done < runAhead.total; }
void startRunAhead(int steps) {
    runAhead.total = steps > 0 ? steps : 0;
    runAhead.done = 0;
}
void cancelRunAhead() { runAhead.total = runAhead.done; }

namespace {
float lastFrameTime = -1.0f;

// Whether the view changes on its own: a zoom in flight, a highlight or
// selection pulse, a press that may turn into a drag.
bool viewAnimated() {
    if (camera.zoom != camera.zoomTo) return true;
    if (world.hoverId != -1 || world.pressedId != -1 || shell.anyButtonDown) return true;
    for (Node *n : world.nodeTable)
        if (n && !n->dead && n->selected) return true;
    return false;
}

PacingState pacing(float now, bool stepped) {
    PacingState p;
    p.now = now;
    p.lastFrame = lastFrameTime;
    p.changed = shell.changed || stepped;
    p.animated = viewAnimated() || runAheadActive();
    return p;
}

void drawMeasured(float now) {
    auto t0 = std::chrono::steady_clock::now();
    drawLiveFrame();
    std::chrono::duration<float, std::milli> cost = std::chrono::steady_clock::now() - t0;
    recordFrameCost(cost.count());
    lastFrameTime = now;
    shell.changed = false;
}

// Run-ahead steps for about a tenth of a second, then let a frame be drawn.
bool runAheadChunk() {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    bool stepped = false;
    while (runAheadActive() && std::chrono::steady_clock::now() < until) {
        if (!stepWorldNow()) break;
        runAhead.done++;
        recordStep(0.0f, false);
        stepped = true;
    }
    world.lastStepTime = clockNow();
    return stepped;
}
}  // namespace

void idleTick() {
    if (world.currentWindow > 0) {
        pauseStatistics();
        patternWindowTick();
        return;
    }
    float now = clockNow();
    if (world.lastStepTime + 0.016666668f > now) {
        // Nothing happens before the Fast period has passed since the last step.
        PacingState p = pacing(now, false);
        p.nextStep = world.lastStepTime + 0.016666668f;
        shellRest(restSeconds(p));
        return;
    }
    bool stepped = false, timed = false;
    if (aboutBoxOpen()) {
        // As behind a modal box: the world waits, the view stays up.
        pauseStatistics();
    } else if (runAheadActive()) {
        pauseStatistics();
        stepped = runAheadChunk();
    } else if (stepRequested && world.speed == 0) {
        stepRequested = false;
        pauseStatistics();
        stepped = stepWorldNow();
        if (stepped) recordStep(now, false);  // a sample for the plots, not a rate
        world.lastStepTime = now;
    } else {
        if (world.speed != 0) stepRequested = false;
        stepped = timed = tickWorld(now);
        if (world.speed == 0) pauseStatistics();
    }
    if (stepped) {
        if (timed) recordStep(now);
        panelNoteStep();
    }
    PacingState p = pacing(now, stepped);
    if (frameWanted(p)) drawMeasured(now);
    Vec2 at = pointerWorld();
    world.hoverId = pickAt(at.x, at.y);
    setPanEnabled(world.hoverId == -1 && world.pressedId == -1);
    applyPointer(at);

    p = pacing(clockNow(), false);
    if (world.speed > 0 && world.speed <= 3 && !aboutBoxOpen())
        p.nextStep = world.lastStepTime + std::max(speedPeriods[world.speed].period, 0.016666668f);
    if (stepRequested || runAheadActive() || panelInputPending()) p.nextStep = p.now;
    shellRest(restSeconds(p));
}

void patternWindowTick() {
    Pattern *pattern = shownPattern();
    float now = clockNow();
    PacingState p = pacing(now, false);
    if (pattern) pattern->translate(1600.0f, 1600.0f);
    if (frameWanted(p)) {
        drawPatternFrame();
        lastFrameTime = now;
        shell.changed = false;
    }
    Vec2 at = pointerWorld();
    world.hoverId = pattern ? pattern->hitNode(at.x, at.y) : -1;
    setPanEnabled(world.hoverId == -1 && world.pressedId == -1);
    applyPatternPointer(pattern, at);
    if (pattern) pattern->translate(-1600.0f, -1600.0f);
    shellRest(restSeconds(pacing(clockNow(), false)));
}

bool captureView(const std::string &path, std::string &why) {
    if (!shell.mainWindow) {
        why = "no window to capture";
        return false;
    }
    int previous = glutGetWindow();
    glutSetWindow(shell.mainWindow);
    int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
    if (world.currentWindow > 0) {
        Pattern *pattern = shownPattern();
        if (pattern) pattern->translate(1600.0f, 1600.0f);
        drawPatternFrame(false);
        if (pattern) pattern->translate(-1600.0f, -1600.0f);
    } else {
        drawLiveFrame(false);
    }
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glutSwapBuffers();
    if (previous && previous != shell.mainWindow) glutSetWindow(previous);
    std::vector<unsigned char> png;
    stbi_flip_vertically_on_write(1);
    int ok = stbi_write_png_to_func(
        [](void *context, void *data, int size) {
            auto *out = static_cast<std::vector<unsigned char> *>(context);
            const unsigned char *bytes = static_cast<const unsigned char *>(data);
            out->insert(out->end(), bytes, bytes + size);
        },
        &png, w, h, 3, pixels.data(), w * 3);
    if (!ok) {
        why = "cannot encode the image";
        return false;
    }
    return saveReplacing(path, why, [&png](FILE *f) { std::fwrite(png.data(), 1, png.size(), f); });
}

int drovanMain() {
    printBanner();
    clockInit();
    appStartup(findScenarioFolder());
    showAboutBox();
    runMainLoop(idleTick);
    panelShutdown();
    return 0;
}
