#include "app/App.h"

#include <GL/freeglut.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "render/Camera.h"
#include "runtime/Clock.h"
#include "runtime/FramePacing.h"
#include "app/Input.h"
#include "app/AboutBox.h"
#include "app/FileChooser.h"
#include "app/Panel.h"
#include "app/RulesWindow.h"
#include "app/PanelEvents.h"
#include "app/Question.h"
#include "app/Quit.h"
#include "app/RulesLoad.h"
#include "app/Undo.h"
#include "runtime/KeepWorldApply.h"
#include "runtime/RulesDocument.h"
#include "runtime/SafeSave.h"
#include "app/Shell.h"
#include "runtime/Startup.h"
#include "runtime/StepRequests.h"
#include "app/Statistics.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldTick.h"
#include "render/GLContext.h"
#include "render/GLPainter.h"
#include "render/Scene.h"
#include "io/NetworkFormat.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "runtime/WorldSnapshot.h"
#include "world/Pattern.h"
#include "world/ColorTable.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace fs = std::filesystem;

namespace {
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
    if (key == 5 && (glutGetModifiers() & GLUT_ACTIVE_CTRL)) {  // Ctrl+E
        toggleRulesWindow();
        return;
    }
    if (panelModalOpen()) return;
    if (key == 26) {  // control-Z, with shift control-shift-Z
        bool shift = shellModifierSource && (shellModifierSource() & kShiftMask);
        runPanelAction(shift ? kActionRedo : kActionUndo);
        return;
    }
    if (key == 8) {
        // Deleting nodes can be undone, in the live world and in a pattern.
        int id = gesture.hoverId != -1 ? gesture.hoverId : gesture.pressedId;
        Pattern *pattern = shownPattern();
        if (panelChoices.currentWindow == 0 ? deleteTarget() != nullptr : pattern && id != -1 && pattern->findThing(id))
            rememberForUndo("Delete");
    }
    onKey(key);
}

// The Rules window's unsaved text, for the quit question.
std::string rulesEdits() {
    if (!rulesEditorUnsaved()) return std::string();
    const RulesDocument &doc = rulesDocument();
    if (doc.path().empty()) return "Unsaved text in the Rules window: \"Save rules\" asks where to write it.";
    std::error_code ec;
    fs::path full = fs::absolute(doc.path(), ec);
    return "Unsaved text in the Rules window: \"Save rules\" writes it to " +
           (ec ? doc.path() : full.lexically_normal().string()) + ".";
}

bool saveRulesEdits(std::string &why) {
    RulesDocument &doc = rulesDocument();
    std::string path = doc.path().empty() ? askSaveFileName() : doc.path();
    if (path.empty()) {
        why = "no file was chosen for the Rules window's text";
        return false;
    }
    return doc.saveAs(path, why);
}

void rebuildPanelHook() {
    panelChoices.placeColour = 0;
    buildPanel();
    panelRefresh();
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
    shell.idleHook = carryOutPanelRequests;
    shell.closeHook = askToQuit;
    addUnsavedWork({"rules", rulesEdits, saveRulesEdits});
    StartupHooks hooks;
    hooks.resetCamera = resetCamera;
    hooks.rebuildPanel = rebuildPanelHook;
    hooks.startTime = clockNow();
    std::string rules = folder.empty() ? std::string() : folder + "/logic.txt";
    if (startWorld(rules, folder, hooks).rulesOpened)
        showRulesFileInEditor(rules);
    else
        rulesShowListing();
    notePatternsKept(folder);
    resetStatistics();
    std::fflush(stdout);
}

void showRulesFileInEditor(const std::string &path) {
    std::string text, why;
    if (readWholeFile(path, text, why))
        rulesShowScenario(text, path);
    else
        rulesShowListing();
}

void afterWorldReplaced() {
    forgetGesture();
    // The saved step clock was another run's (or an earlier moment's) wall clock.
    world.lastStepTime = clockNow();
    resetStatistics();
    buildPanel();
    panelRefresh();
    shell.changed = true;
    rulesShowListing();
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

namespace {
// A failure goes to the panel (in red) and to standard output; success says
// where the file went.
void report(bool ok, const std::string &why, const std::string &done) {
    if (!ok) {
        std::printf("%s\n", why.c_str());
        std::fflush(stdout);
    }
    setPanelMessage(ok ? done : why, !ok);
}

std::string fullPath(const std::string &path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

void openWorld() {
    std::string path = askOpenFileName();
    if (path.empty()) return;
    path = fullPath(path);
    // Read and checked whole before the world is touched: a refusal changes nothing.
    std::string why;
    prepareUndo("Open World");
    if (!openWorldSnapshot(path, why)) return report(false, why, "");
    commitUndo();
    afterWorldReplaced();
    notePatternsKept(std::string());
    report(true, why, "Opened " + path);
}
}  // namespace

void runPanelAction(int id) {
    Pattern *pattern = panelChoices.currentWindow > 0 ? patternSlot(panelChoices.currentWindow - 1) : nullptr;
    int slot = panelChoices.currentWindow - 1;
    switch (id) {
    case kActionStartOver:
        rememberForUndo("Start Over");
        startOver();
        resetCamera();
        resetStatistics();
        forgetGesture();
        notePatternsKept(std::string());
        rulesShowListing();
        setPanelNote("Started over (\"Undo\" brings the world back).");
        break;
    case kActionResetCamera: resetCamera(); break;
    case kActionLoad: {
        // A cancelled chooser or a file that will not open changes nothing.
        std::string path = askOpenFileName();
        if (path.empty() || (panelChoices.currentWindow > 0 && !pattern)) break;
        path = fullPath(path);
        std::string text, why;
        if (panelChoices.currentWindow == 0) {
            if (!readWholeFile(path, text, why)) return report(false, why, "");
            loadRulesAsking(text, path);
            break;
        }
        prepareUndo("Load");
        if (!loadPatternFile(*pattern, path, why)) {
            setPanelMessage(why);  // the pattern is unchanged
            break;
        }
        commitUndo();
        notePatternKept(slot);
        // Lines of the pattern left out, if any.
        if (!why.empty()) std::printf("%s\n", why.c_str());
        report(true, why, "Loaded " + path + (why.empty() ? "" : ". " + why));
        break;
    }
    case kActionSave: {
        std::string path = askSaveFileName();
        if (path.empty()) break;
        path = fullPath(path);
        std::string why;
        if (panelChoices.currentWindow == 0) {
            bool ok = saveReplacing(path, why, [](FILE *f) { writeRules(f); });
            std::string note = listingNote();
            report(ok, why, "Rules saved to " + path + (note.empty() ? "" : ". " + note));
        } else if (pattern) {
            bool ok = savePatternFile(*pattern, path, why);
            if (ok) notePatternKept(slot);
            report(ok, why, "Pattern of Meta " + std::to_string(slot + 1) + " saved to " + path);
        }
        break;
    }
    case kActionSaveWorld: {
        std::string path = askSaveFileName();
        if (path.empty()) break;
        path = fullPath(path);
        std::string why;
        report(saveWorldSnapshot(path, why), why, "World saved to " + path);
        break;
    }
    case kActionOpenWorld: openWorld(); break;
    case kActionUndo: undoLastAction(); break;
    case kActionRedo: redoLastAction(); break;
    case kActionMaxEdges: {
        int row = world.edgeConstraint < 0 ? 0 : (world.edgeConstraint > 5 ? 5 : world.edgeConstraint);
        world.maxEdges = maxEdgesChoices[row].value;
        enforceAllValences();
        break;
    }
    default: break;
    }
}

void applyEditorRules(bool keepWorld) {
    RulesDocument &doc = rulesDocument();
    std::string why;
    if (!keepWorld) {
        bool ok = applyRulesText(doc.text(), doc.path(), why, "Apply");
        setRulesMessage(
            ok ? "Applied: the world starts again from this text (\"Undo\" in the panel takes it back)." : why, !ok);
        report(ok, why, "Applied the Rules window's text.");
        return;
    }
    std::string place = isColor(panelChoices.placeColour) ? colorTable[panelChoices.placeColour].name : "";
    prepareUndo("Apply keeping the world");
    KeepWorldApply r = applyRulesKeepingWorld(doc.text(), doc.path().empty() ? "listing" : doc.path());
    setRulesMessage(r.message, !r.applied);
    if (!r.applied) return;
    commitUndo();
    int c = findColor(place.c_str());
    panelChoices.placeColour = c >= 0 ? c : 0;
    buildPanel();
    panelRefresh();
    resetStatistics();
    shell.changed = true;
}

void carryOutRulesRequests() {
    RulesRequests asked = takeRulesRequests();
    if (asked.apply || asked.applyKeepWorld) applyEditorRules(asked.applyKeepWorld);
    if (asked.save || asked.saveAs) {
        RulesDocument &doc = rulesDocument();
        std::string path = asked.save && !doc.path().empty() ? doc.path() : askSaveFileName();
        if (path.empty()) return;
        std::string why;
        bool ok = doc.saveAs(path, why);
        setRulesMessage(ok ? "Saved to " + path : why, !ok);
    }
    rulesWindowIdle();
}

void carryOutPanelRequests() {
    keepRecovery(clockNow());
    if (!panelWindow()) return;
    carryOutAnswer();
    PanelRequests asked = takePanelRequests();
    if (asked.rules) toggleRulesWindow();
    if (asked.action >= 0) runPanelAction(asked.action);
    if (asked.saveImage) {
        std::string path = askSaveFileName();
        if (!path.empty()) {
            path = fullPath(path);
            std::string why;
            report(captureView(path, why), why, "Image saved to " + path);
        }
    }
    carryOutRulesRequests();
    panelIdle();
}

namespace {
float lastFrameTime = -1.0f;

// Whether the view changes on its own: a zoom in flight, a highlight or
// selection pulse, a press that may turn into a drag.
bool viewAnimated() {
    if (camera.zoom != camera.zoomTo) return true;
    if (gesture.hoverId != -1 || gesture.pressedId != -1 || shell.anyButtonDown) return true;
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
    drawLiveFrame(pointerMarks());
    std::chrono::duration<float, std::milli> cost = std::chrono::steady_clock::now() - t0;
    recordFrameCost(cost.count());
    lastFrameTime = now;
    shell.changed = false;
}

// A rules check under way is looked at often, so that its answer shows at once.
void rulesCheckPacing(PacingState &p) {
    if (rulesWindowBusy() && (p.nextStep < 0.0f || p.nextStep > p.now + 0.01f)) p.nextStep = p.now + 0.01f;
}

// Run-ahead steps for about a tenth of a second, then let a frame be drawn.
bool runAheadChunk() {
    bool stepped = runAheadFor(std::chrono::milliseconds(100), [] { recordStep(0.0f, false); }) > 0;
    world.lastStepTime = clockNow();
    return stepped;
}
}  // namespace

void idleTick() {
    if (panelChoices.currentWindow > 0) {
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
    if (aboutBoxOpen() || questionOpen()) {
        // As behind a modal box: the world waits, the view stays up.
        pauseStatistics();
    } else if (runAheadActive()) {
        pauseStatistics();
        stepped = runAheadChunk();
    } else if (singleStepPending() && world.speed == 0) {
        pauseStatistics();
        stepped = runSingleStep(now);
        if (stepped) recordStep(now, false);  // a sample for the plots, not a rate
    } else {
        if (world.speed != 0) dropSingleStep();
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
    gesture.hoverId = pickAt(at.x, at.y);
    setPanEnabled(gesture.hoverId == -1 && gesture.pressedId == -1);
    applyPointer(at);

    p = pacing(clockNow(), false);
    if (world.speed > 0 && world.speed <= 3 && !aboutBoxOpen() && !questionOpen())
        p.nextStep = world.lastStepTime + std::max(speedPeriods[world.speed].period, 0.016666668f);
    if (singleStepPending() || runAheadActive() || panelInputPending()) p.nextStep = p.now;
    rulesCheckPacing(p);
    shellRest(restSeconds(p));
}

void patternWindowTick() {
    Pattern *pattern = shownPattern();
    float now = clockNow();
    PacingState p = pacing(now, false);
    if (pattern) pattern->translate(1600.0f, 1600.0f);
    if (frameWanted(p)) {
        drawPatternFrame(pattern, pointerMarks());
        lastFrameTime = now;
        shell.changed = false;
    }
    Vec2 at = pointerWorld();
    gesture.hoverId = pattern ? pattern->hitNode(at.x, at.y) : -1;
    setPanEnabled(gesture.hoverId == -1 && gesture.pressedId == -1);
    applyPatternPointer(pattern, at);
    if (pattern) pattern->translate(-1600.0f, -1600.0f);
    PacingState rest = pacing(clockNow(), false);
    rulesCheckPacing(rest);
    shellRest(restSeconds(rest));
}

bool captureView(const std::string &path, std::string &why) {
    if (!shell.mainWindow) {
        why = "no window to capture";
        return false;
    }
    int previous = glutGetWindow();
    glutSetWindow(shell.mainWindow);
    int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
    if (panelChoices.currentWindow > 0) {
        Pattern *pattern = shownPattern();
        if (pattern) pattern->translate(1600.0f, 1600.0f);
        drawPatternFrame(pattern, pointerMarks(), false);
        if (pattern) pattern->translate(-1600.0f, -1600.0f);
    } else {
        drawLiveFrame(pointerMarks(), false);
    }
    std::vector<unsigned char> pixels;
    readBackBuffer(w, h, pixels);
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
    startRecovery(clockNow());
    runMainLoop(idleTick);
    stopRecovery();
    panelShutdown();
    return 0;
}
