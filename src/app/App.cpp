#include "app/App.h"

#include <GL/freeglut.h>
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "app/Camera.h"
#include "app/Clock.h"
#include "app/Input.h"
#include "app/Panel.h"
#include "runtime/SafeSave.h"
#include "app/Shell.h"
#include "runtime/Startup.h"
#include "app/Statistics.h"
#include "runtime/WorldTick.h"
#include "render/GLPainter.h"
#include "render/Scene.h"
#include "rules/RulesLoader.h"
#include "world/MetaNodePat.h"
#include "world/WorldStore.h"

namespace {
bool stepRequested = false;

const char *kCredits =
    "Drovan: an artificial-life simulation of coloured nodes, springs and drifting atoms.\n\n"
    "Click to place nodes, drag from node to node to join them, double-click to select a structure, "
    "press 1-9 and 0 to drop metanodes. The panel holds the rules, the speed and the patterns.";

void restFor(float seconds) {
    if (seconds <= 0.0f) return;
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(seconds * 1e6f)));
}

// While a modal box waits, the world window takes no edits, as behind a system dialog.
void pressUnlessModal(int x, int y) {
    if (!panelModalOpen()) onPress(x, y);
}
void keyUnlessModal(int key) {
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

void reloadRules(const char *path, FILE *file) {
    resetCamera();
    world.placeColour = 0;
    initPatternSlots();
    if (file) loadRules(file, path, stdout);
    buildPanel();
    refreshPanel();
    resetStatistics();
    std::fflush(stdout);
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

void idleTick() {
    if (world.currentWindow > 0) {
        patternWindowTick();
        return;
    }
    float now = clockNow();
    float due = world.lastStepTime + 0.016666668f;
    if (due > now) {
        // Nothing to do yet: give the core back instead of spinning.
        restFor(std::min(due - now, 0.004f));
        return;
    }
    if (aboutBoxOpen()) {
        // As behind a modal box: the world waits, the view stays up.
        drawLiveFrame();
        restFor(0.01f);
        return;
    }
    bool single = stepRequested && world.speed == 0;
    if (world.speed != 0) stepRequested = false;
    int speed = world.speed;
    if (single) world.speed = 3;
    bool stepped = tickWorld(now);
    if (single) {
        world.speed = speed;
        if (stepped) stepRequested = false;
    }
    if (stepped) recordStep(now);
    drawLiveFrame();
    recordFrame(now);
    vec2 p = pointerWorld();
    world.hoverId = pickAt(p.x, p.y);
    setPanEnabled(world.hoverId == -1 && world.pressedId == -1);
    applyPointer(p);
    if (!stepped) {
        // Nothing was due: rest until the next step or the next 60 Hz frame,
        // whichever comes first, instead of redrawing flat out.
        float wake = now + 0.016666668f;
        if (world.speed > 0 && world.speed <= 3) wake = std::min(wake, world.lastStepTime + speedPeriods[world.speed].period);
        if (stepRequested) wake = now;
        restFor(std::min(wake - clockNow(), 0.016666668f));
    }
}

void patternWindowTick() {
    drovanMetaNodePat *pattern = shownPattern();
    if (pattern) pattern->translate(1600.0f, 1600.0f);
    drawPatternFrame();
    vec2 p = pointerWorld();
    world.hoverId = pattern ? pattern->hitNode(p.x, p.y) : -1;
    setPanEnabled(world.hoverId == -1 && world.pressedId == -1);
    applyPatternPointer(pattern, p);
    if (pattern) pattern->translate(-1600.0f, -1600.0f);
    restFor(0.002f);
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
        drovanMetaNodePat *pattern = shownPattern();
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
    return saveReplacing(path, [&png](FILE *f) { std::fwrite(png.data(), 1, png.size(), f); }, why);
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
