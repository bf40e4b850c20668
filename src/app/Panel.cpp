#include "app/Panel.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl2.h>
#include <unistd.h>

#include <imgui_internal.h>

#include <algorithm>
#include <deque>
#include <chrono>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/App.h"
#include "app/Camera.h"
#include "app/Clock.h"
#include "app/Input.h"
#include "app/Shell.h"
#include "app/Statistics.h"
#include "world/ColorTable.h"
#include "io/NetworkFormat.h"
#include "rules/RulesListing.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "runtime/WorldFiles.h"
#include "runtime/WorldSnapshot.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace fs = std::filesystem;

std::string (*fileChooserOverride)(bool forSave) = nullptr;
std::function<void()> chooserFrameHook;

namespace {
constexpr int kPanelX = 1016, kPanelY = 32, kPanelW = 264, kPanelH = 960;

int panelWin = 0;
ImGuiContext *uiContext = nullptr;
bool glBackendReady = false;
int pendingAction = -1;
bool pendingSaveImage = false;
float lastPanelDraw = -1.0f;
std::string message;

// ImGui 1.86 has no input queue: a key or button that goes down and up
// within one frame is never seen. Events wait here and each frame takes them
// in order until one would change a key or button a second time.
struct PanelEvent {
    enum Kind { Button, Motion, Wheel, Key, KeyUp, Special, SpecialUp } kind;
    int code, state, x, y, mods;
};
std::deque<PanelEvent> events;
float lastPanelInput = -10.0f;
bool panelStepped = false;

int keyIndex(const PanelEvent &e) {
    switch (e.kind) {
    case PanelEvent::Button: return 1000 + e.code;
    case PanelEvent::Key:
    case PanelEvent::KeyUp: return e.code >= 'A' && e.code <= 'Z' ? e.code - 'A' + 'a' : e.code;
    case PanelEvent::Special:
    case PanelEvent::SpecialUp: return 256 + e.code;
    default: return -1;
    }
}

void setKey(int c, bool down) {
    ImGuiIO &io = ImGui::GetIO();
    if (c >= 1 && c <= 26) {  // the toolkit sends control-letters as 1..26
        io.KeysDown[c] = io.KeysDown[c - 1 + 'a'] = io.KeysDown[c - 1 + 'A'] = down;
    } else if (c >= 'a' && c <= 'z') {
        io.KeysDown[c] = io.KeysDown[c - 'a' + 'A'] = down;
    } else if (c >= 'A' && c <= 'Z') {
        io.KeysDown[c] = io.KeysDown[c - 'A' + 'a'] = down;
    } else if (c >= 0 && c < 256) {
        io.KeysDown[c] = down;
    }
}

void feed(const PanelEvent &e) {
    ImGuiIO &io = ImGui::GetIO();
    io.KeyShift = (e.mods & GLUT_ACTIVE_SHIFT) != 0;
    io.KeyCtrl = (e.mods & GLUT_ACTIVE_CTRL) != 0;
    io.KeyAlt = (e.mods & GLUT_ACTIVE_ALT) != 0;
    switch (e.kind) {
    case PanelEvent::Button: ImGui_ImplGLUT_MouseFunc(e.code, e.state, e.x, e.y); break;
    case PanelEvent::Motion: ImGui_ImplGLUT_MotionFunc(e.x, e.y); break;
    case PanelEvent::Wheel: ImGui_ImplGLUT_MouseWheelFunc(0, e.code, e.x, e.y); break;
    case PanelEvent::Key:
        if (e.code >= 32) io.AddInputCharacter(static_cast<unsigned>(e.code));
        setKey(e.code, true);
        break;
    case PanelEvent::KeyUp: setKey(e.code, false); break;
    case PanelEvent::Special:
    case PanelEvent::SpecialUp:
        if (e.code >= 0 && e.code < 256) io.KeysDown[256 + e.code] = e.kind == PanelEvent::Special;
        break;
    }
}

// Feed the events one frame may see; the rest wait for the next frame.
void feedFrameEvents() {
    std::vector<int> changed;
    while (!events.empty()) {
        int k = keyIndex(events.front());
        if (k >= 0) {
            if (std::find(changed.begin(), changed.end(), k) != changed.end()) break;
            changed.push_back(k);
        }
        feed(events.front());
        events.pop_front();
    }
}

void queueEvent(PanelEvent e) {
    events.push_back(e);
    lastPanelInput = clockNow();
    shell.changed = true;  // a setting may change what the world window shows
    if (panelWin) glutPostWindowRedisplay(panelWin);
}

// The toolkit's callbacks; the modifiers are known only inside them.
void panelMotion(int x, int y) { queueEvent({PanelEvent::Motion, 0, 0, x, y, 0}); }
void panelWheel(int, int dir, int x, int y) { queueEvent({PanelEvent::Wheel, dir, 0, x, y, 0}); }
void toolkitKeyboard(unsigned char c, int x, int y) { queueEvent({PanelEvent::Key, c, 0, x, y, glutGetModifiers()}); }
void toolkitKeyboardUp(unsigned char c, int x, int y) {
    queueEvent({PanelEvent::KeyUp, c, 0, x, y, glutGetModifiers()});
}
void toolkitSpecial(int key, int x, int y) { queueEvent({PanelEvent::Special, key, 0, x, y, glutGetModifiers()}); }
void toolkitSpecialUp(int key, int x, int y) { queueEvent({PanelEvent::SpecialUp, key, 0, x, y, glutGetModifiers()}); }
void panelReshape(int w, int h) {
    ImGui_ImplGLUT_ReshapeFunc(w, h);
    queueEvent({PanelEvent::Motion, 0, 0, -1, -1, 0});
}

// Where each tracked control lay in the last frame, for the layout test.
std::vector<PanelItem> items;
void track(const char *label) {
    ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    ImGuiWindow *w = ImGui::GetCurrentWindow();
    PanelItem item;
    item.label = label;
    item.x0 = a.x;
    item.y0 = a.y;
    item.x1 = b.x;
    item.y1 = b.y;
    item.clipX0 = w->InnerClipRect.Min.x;
    item.clipY0 = w->InnerClipRect.Min.y;
    item.clipX1 = w->InnerClipRect.Max.x;
    item.clipY1 = w->InnerClipRect.Max.y;
    items.push_back(item);
}

struct AboutBox {
    bool open = false;
    std::string text;
} about;

struct Chooser {
    bool active = false;
    bool forSave = false;
    bool done = false;
    bool confirmOverwrite = false;
    std::string folder;
    std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
    char name[1024] = {};
    std::string result;
    std::string error;
} chooser;

void listFolder() {
    chooser.entries.clear();
    std::error_code ec;
    for (fs::directory_iterator it(chooser.folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        bool isDir = it->is_directory(typeError);
        chooser.entries.emplace_back(it->path().filename().string(), isDir);
    }
    std::sort(chooser.entries.begin(), chooser.entries.end(), [](const auto &a, const auto &b) {
        if (a.second != b.second) return a.second;
        return a.first < b.first;
    });
}

std::string chosenPath() {
    std::string name = chooser.name;
    if (name.empty()) return std::string();
    if (name[0] == '/') return name;
    return (fs::path(chooser.folder) / name).lexically_normal().string();
}

void finishChooser(const std::string &result) {
    chooser.result = result;
    chooser.done = true;
    chooser.confirmOverwrite = false;
    ImGui::CloseCurrentPopup();
}

void chooserOk() {
    std::string path = chosenPath();
    if (path.empty()) {
        chooser.error = "Type or pick a file name.";
        return;
    }
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        chooser.folder = path;
        chooser.name[0] = '\0';
        chooser.error.clear();
        listFolder();
        return;
    }
    if (!chooser.forSave) {
        if (!fs::is_regular_file(path, ec)) {
            chooser.error = "File not found.";
            return;
        }
        finishChooser(path);
        return;
    }
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        chooser.error = "Folder not found.";
        return;
    }
    if (fs::exists(path, ec)) {
        chooser.confirmOverwrite = true;
        return;
    }
    finishChooser(path);
}

void enterFolder(const std::string &folder) {
    chooser.folder = folder.empty() ? "/" : folder;
    chooser.name[0] = '\0';
    chooser.error.clear();
    listFolder();
}

bool keyPressed(ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false); }

void chooserWindow() {
    const char *title = chooser.forSave ? "Save As###chooser" : "Open###chooser";
    if (chooser.active && !chooser.done && !ImGui::IsPopupOpen("###chooser")) ImGui::OpenPopup(title);
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(4, 4), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x - 8, io.DisplaySize.y - 8), ImGuiCond_Always);
    if (!ImGui::BeginPopupModal(title, nullptr,
                                ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize))
        return;
    bool enter = keyPressed(ImGuiKey_Enter), escape = keyPressed(ImGuiKey_Escape);
    ImGui::TextWrapped("%s", chooser.folder.c_str());
    float below = ImGui::GetFrameHeightWithSpacing() * 3.0f + ImGui::GetTextLineHeightWithSpacing() * 2.0f;
    if (ImGui::BeginChild("files", ImVec2(0, -below), true)) {
        // One click picks an entry, a double click opens it.
        if (ImGui::Selectable("../", false, ImGuiSelectableFlags_AllowDoubleClick)) {
            track("../");
            if (ImGui::IsMouseDoubleClicked(0)) enterFolder(fs::path(chooser.folder).parent_path().string());
        } else {
            track("../");
        }
        for (size_t i = 0; i < chooser.entries.size(); i++) {
            const auto e = chooser.entries[i];
            std::string label = e.first + (e.second ? "/" : "");
            bool picked = e.first == chooser.name;
            bool clicked = ImGui::Selectable(label.c_str(), picked, ImGuiSelectableFlags_AllowDoubleClick);
            track(label.c_str());
            if (!clicked) continue;
            std::snprintf(chooser.name, sizeof chooser.name, "%s", e.first.c_str());
            chooser.error.clear();
            if (ImGui::IsMouseDoubleClicked(0)) {
                if (e.second)
                    enterFolder((fs::path(chooser.folder) / e.first).string());
                else
                    chooserOk();
                break;
            }
        }
    }
    ImGui::EndChild();
    if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
    ImGui::InputText("File name", chooser.name, sizeof chooser.name);
    track("File name");
    if (!chooser.error.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", chooser.error.c_str());
    if (chooser.confirmOverwrite) {
        ImGui::TextWrapped("Replace the existing file?");
        bool replace = ImGui::Button("Replace");
        track("Replace");
        ImGui::SameLine();
        bool keep = ImGui::Button("Keep");
        track("Keep");
        if (replace || enter)
            finishChooser(chosenPath());
        else if (keep || escape)
            chooser.confirmOverwrite = false;
    } else {
        bool ok = ImGui::Button("OK");
        track("OK");
        ImGui::SameLine();
        bool cancel = ImGui::Button("Cancel");
        track("Cancel");
        if (ok || (enter && !chooser.done))
            chooserOk();
        else if (cancel || escape)
            finishChooser(std::string());
    }
    ImGui::EndPopup();
}

// A fixed size with the OK button at a fixed place, so scripts can find it.
constexpr float kAboutTop = 40.0f, kAboutHeight = 300.0f;

void aboutWindow() {
    if (about.open && !ImGui::IsPopupOpen("Drovan")) ImGui::OpenPopup("Drovan");
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(4, kAboutTop), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x - 8, kAboutHeight), ImGuiCond_Always);
    if (!ImGui::BeginPopupModal("Drovan", nullptr,
                                ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove))
        return;
    if (!about.open) {  // closed from the world window
        ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
        return;
    }
    float buttonRow = ImGui::GetFrameHeightWithSpacing();
    if (ImGui::BeginChild("text", ImVec2(0, -buttonRow), false)) ImGui::TextWrapped("%s", about.text.c_str());
    ImGui::EndChild();
    bool ok = ImGui::Button("OK", ImVec2(-1, 0));
    track("About OK");
    if (ok || keyPressed(ImGuiKey_Enter) || keyPressed(ImGuiKey_Escape)) {
        about.open = false;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}

bool checkbox(const char *label, int &field) {
    bool v = field != 0;
    bool changed = ImGui::Checkbox(label, &v);
    track(label);
    if (changed) field = v ? 1 : 0;
    return changed;
}

bool button(const char *label, const ImVec2 &size = ImVec2(0, 0)) {
    bool pressed = ImGui::Button(label, size);
    track(label);
    return pressed;
}

// A label before its field, as in a form.
void fieldLabel(const char *label) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(label);
    ImGui::SameLine(72.0f);
    ImGui::SetNextItemWidth(-1.0f);
}

void statisticsSection() {
    bool open = ImGui::CollapsingHeader("Statistics", ImGuiTreeNodeFlags_DefaultOpen);
    track("Statistics");
    if (!open) return;
    ImGui::Text("Steps per second: %.1f", stats.stepsPerSecond);
    ImGui::Text("Frame time: %.1f ms", stats.frameMilliseconds);
    ImGui::Text("Steps: %d", world.stepCount);
    // The plots scroll in their own region so that twenty colours never
    // push a control out of sight.
    if (!ImGui::BeginChild("plots", ImVec2(0, 0), true)) {
        ImGui::EndChild();
        return;
    }
    static float history[kStatHistory];
    int counts[kMaxColors];
    countNodesByColour(counts);
    float width = ImGui::GetContentRegionAvail().x;
    if (isColor(world.placeColour)) {
        float bins[kStrengthBins];
        strengthHistogram(world.placeColour, bins);
        const float *rgb = colorTable[world.placeColour].rgb;
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s strength", colorTable[world.placeColour].name);
        ImGui::PushStyleColor(ImGuiCol_PlotHistogram, ImVec4(rgb[0], rgb[1], rgb[2], 1.0f));
        ImGui::PlotHistogram("##strength", bins, kStrengthBins, 0, overlay, 0.0f, FLT_MAX, ImVec2(width, 50));
        ImGui::PopStyleColor();
    }
    for (int c = 0; c < colorCount; c++) {
        int n = statHistory(c, history);
        const float *rgb = colorTable[c].rgb;
        ImGui::PushID(c);
        ImGui::PushStyleColor(ImGuiCol_PlotLines, ImVec4(rgb[0], rgb[1], rgb[2], 1.0f));
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s %d", colorTable[c].name, counts[c]);
        ImGui::PlotLines("##count", history, n, 0, overlay, 0.0f, FLT_MAX, ImVec2(width, 36));
        ImGui::PopStyleColor();
        ImGui::PopID();
    }
    ImGui::EndChild();
}

void runAheadControls() {
    static int count = 1000;
    if (runAheadActive()) {
        char progress[64];
        std::snprintf(progress, sizeof progress, "%d / %d", runAhead.done, runAhead.total);
        ImGui::ProgressBar(runAhead.total > 0 ? static_cast<float>(runAhead.done) / runAhead.total : 0.0f,
                           ImVec2(-70.0f, 0.0f), progress);
        track("Run ahead progress");
        ImGui::SameLine();
        if (button("Cancel")) cancelRunAhead();
        return;
    }
    if (button("Run ahead")) startRunAhead(count);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputInt("##ahead", &count, 0, 0);
    track("Run ahead count");
    if (count < 1) count = 1;
    const int presets[] = {100, 1000, 10000};
    const char *names[] = {"100", "1,000", "10,000"};
    for (int i = 0; i < 3; i++) {
        if (i > 0) ImGui::SameLine();
        if (button(names[i])) count = presets[i];
    }
}

void panelContents() {
    items.clear();
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("drovan", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    ImGui::PushItemWidth(-130.0f);  // room for the longest label
    if (button("Load")) pendingAction = kActionLoad;
    ImGui::SameLine();
    if (button("Save")) pendingAction = kActionSave;
    ImGui::SameLine();
    if (button("Reset Camera")) pendingAction = kActionResetCamera;
    if (button("Open World")) pendingAction = kActionOpenWorld;
    ImGui::SameLine();
    if (button("Save World")) pendingAction = kActionSaveWorld;
    if (button("Start Over")) pendingAction = kActionStartOver;
    ImGui::SameLine();
    if (button("Save Image")) pendingSaveImage = true;
    if (!message.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", message.c_str());
    ImGui::Separator();

    fieldLabel("Nodes:");
    const char *preview = isColor(world.placeColour) ? colorTable[world.placeColour].name : "";
    if (ImGui::BeginCombo("##nodes", preview, ImGuiComboFlags_HeightLargest)) {
        for (int i = 0; i < colorCount; i++) {
            ImGui::PushID(i);
            if (ImGui::Selectable(colorTable[i].name, world.placeColour == i)) world.placeColour = i;
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    track("Nodes:");
    static const char *windows[] = {"Main",   "Meta 1", "Meta 2", "Meta 3", "Meta 4", "Meta 5",
                                    "Meta 6", "Meta 7", "Meta 8", "Meta 9", "Meta 10"};
    int shown = world.currentWindow >= 0 && world.currentWindow <= 10 ? world.currentWindow : 0;
    fieldLabel("Windows:");
    if (ImGui::Combo("##windows", &shown, windows, 11, 11)) world.currentWindow = shown;
    track("Windows:");

    bool open = ImGui::CollapsingHeader("Rules", ImGuiTreeNodeFlags_DefaultOpen);
    track("Rules");
    if (open) {
        checkbox("Discover Edges", world.discoverEdges);
        checkbox("Directed Edges", world.directedEdges);
        checkbox("Colored Edges", world.coloredEdges);
        checkbox("Fix Node Collisions", world.fixNodeCollisions);
        checkbox("Closed World", world.closedWorld);
        checkbox("Anneal", world.anneal);
        checkbox("Inertia", world.inertia);
        ImGui::SliderFloat("Node Creation Rate", &world.nodeCreationRate, 0.0f, 1.0f);
        track("Node Creation Rate");
        ImGui::SliderFloat("Edge spring k", &world.edgeSpringK, 0.0f, 1.0f);
        track("Edge spring k");
    }
    open = ImGui::CollapsingHeader("Max edges", ImGuiTreeNodeFlags_DefaultOpen);
    track("Max edges");
    if (open) {
        ImGui::PushID("maxedges");
        for (int i = 0; i < 6; i++) {
            if (i % 3 != 0) ImGui::SameLine();
            if (ImGui::RadioButton(maxEdgesChoices[i].label, &world.edgeConstraint, i)) pendingAction = kActionMaxEdges;
            track(maxEdgesChoices[i].label);
        }
        ImGui::PopID();
    }
    open = ImGui::CollapsingHeader("Speed", ImGuiTreeNodeFlags_DefaultOpen);
    track("Speed");
    if (open) {
        static const char *speeds[] = {"Pause", "Slow", "Normal", "Fast"};
        ImGui::PushID("speed");
        for (int i = 0; i < 4; i++) {
            if (i % 2 != 0) ImGui::SameLine(80.0f);
            ImGui::RadioButton(speeds[i], &world.speed, i);
            track(speeds[i]);
        }
        ImGui::PopID();
        if (button("Step")) requestSingleStep();
        runAheadControls();
    }
    open = ImGui::CollapsingHeader("Render", ImGuiTreeNodeFlags_DefaultOpen);
    track("Render");
    if (open) {
        ImGui::PushID("render");
        checkbox("Atoms", world.renderAtoms);
        ImGui::SameLine(80.0f);
        checkbox("Nodes", world.renderNodes);
        checkbox("Edges", world.renderEdges);
        ImGui::SameLine(80.0f);
        checkbox("Atom aggregates", world.renderAtomAggregates);
        ImGui::PopID();
    }
    ImGui::PopItemWidth();
    statisticsSection();

    chooserWindow();
    aboutWindow();
    ImGui::End();
}

void panelClose() {
    if (glBackendReady) ImGui_ImplOpenGL2_Shutdown();
    glBackendReady = false;
    panelWin = 0;
    world.panel = nullptr;
    chooser.done = true;
}

// The chooser gets room to show paths and names: the panel window grows
// over the world (which waits meanwhile) and shrinks back afterwards.
constexpr int kChooserW = 640, kChooserH = 520;

std::string askFile(bool forSave) {
    if (fileChooserOverride) return fileChooserOverride(forSave);
    if (!panelWin) return std::string();
    chooser = Chooser();
    chooser.active = true;
    chooser.forSave = forSave;
    char cwd[1024];
    chooser.folder = getcwd(cwd, sizeof cwd) ? cwd : "/";
    listFolder();
    int previous = glutGetWindow();
    glutSetWindow(panelWin);
    glutPositionWindow(kPanelX + kPanelW - kChooserW, kPanelY);
    glutReshapeWindow(kChooserW, kChooserH);
    // A modal loop, as a system dialog would run: it draws when input came
    // (or now and then for the text cursor) and otherwise waits for input.
    // The first frames open the popup and put the keyboard in the name field.
    float lastDraw = -1.0f;
    int frames = 0;
    while (!chooser.done && panelWin) {
        if (chooserFrameHook) chooserFrameHook();
        float now = clockNow();
        bool busy = !events.empty() || frames < 3 || now - lastPanelInput < 0.5f;
        if (busy || now - lastDraw >= 0.5f) {
            frames++;
            glutPostWindowRedisplay(panelWin);
            lastDraw = now;
        }
        glutMainLoopEvent();
        if (!busy && !chooser.done) shellRest(0.5f);
    }
    chooser.active = false;
    if (panelWin) {
        glutSetWindow(panelWin);
        glutReshapeWindow(kPanelW, kPanelH);
        glutPositionWindow(kPanelX, kPanelY);
        glutPostWindowRedisplay(panelWin);
    }
    if (previous) glutSetWindow(previous);
    shell.changed = true;
    pauseStatistics();
    return chooser.done ? chooser.result : std::string();
}
}  // namespace

int panelWindow() { return panelWin; }

void setPanelMessage(const std::string &text) { message = text; }

namespace {
// A failure goes to the panel and to standard output; success clears the panel's line.
void report(bool ok, const std::string &why) {
    if (!ok) {
        std::printf("%s\n", why.c_str());
        std::fflush(stdout);
    }
    setPanelMessage(ok ? std::string() : why);
}
}  // namespace
const std::string &panelMessage() { return message; }

void openAboutBox(const std::string &text) {
    about.text = text;
    about.open = true;
}
bool aboutBoxOpen() { return about.open && panelWin != 0; }
void closeAboutBox() {
    about.open = false;
    lastPanelInput = clockNow();  // the panel shows it closed at once
}
bool panelModalOpen() { return aboutBoxOpen() || (chooser.active && !chooser.done); }

std::string askOpenFileName() { return askFile(false); }
std::string askSaveFileName() { return askFile(true); }

void panelMouse(int button, int state, int x, int y) {
    if (!uiContext) return;
    queueEvent({PanelEvent::Button, button, state, x, y, 0});
}

void panelKeyTap(int key) {
    queueEvent({PanelEvent::Key, key, 0, 0, 0, 0});
    queueEvent({PanelEvent::KeyUp, key, 0, 0, 0, 0});
}

const std::vector<PanelItem> &panelItems() { return items; }

const PanelItem *findPanelItem(const std::string &label) {
    for (const PanelItem &i : items)
        if (i.label == label) return &i;
    return nullptr;
}

bool panelInputPending() { return !events.empty(); }

void buildPanel() {
    if (!panelWin) {
        int previous = glutGetWindow();
        glutInitWindowPosition(kPanelX, kPanelY);
        glutInitWindowSize(kPanelW, kPanelH);
        panelWin = glutCreateWindow("drovan");
        if (!uiContext) {
            IMGUI_CHECKVERSION();
            uiContext = ImGui::CreateContext();
        }
        ImGui::SetCurrentContext(uiContext);
        ImGuiIO &io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(static_cast<float>(kPanelW), static_cast<float>(kPanelH));
        ImGui::StyleColorsLight();
        ImGui::GetStyle().FrameBorderSize = 1.0f;             // white fields on white popups need an edge
        ImGui::GetStyle().Colors[ImGuiCol_PopupBg].w = 1.0f;  // nothing of the panel shows through a dialog
        ImGui_ImplGLUT_Init();
        glutReshapeFunc(panelReshape);
        glutMotionFunc(panelMotion);
        glutPassiveMotionFunc(panelMotion);
        glutMouseWheelFunc(panelWheel);
        glutKeyboardFunc(toolkitKeyboard);
        glutKeyboardUpFunc(toolkitKeyboardUp);
        glutSpecialFunc(toolkitSpecial);
        glutSpecialUpFunc(toolkitSpecialUp);
        glutMouseFunc(panelMouse);
        glutDisplayFunc(panelDisplay);
        glutCloseFunc(panelClose);
        ImGui_ImplOpenGL2_Init();
        glBackendReady = true;
        if (previous) glutSetWindow(previous);
    }
    world.panel = &panelWin;
    refreshPanelHook = panelRefresh;
    shell.idleHook = panelIdle;
    if (!isColor(world.placeColour)) world.placeColour = 0;
}

void panelRefresh() {
    if (panelWin) glutPostWindowRedisplay(panelWin);
}

void panelDisplay() {
    if (!panelWin || !uiContext || !glBackendReady) return;
    int previous = glutGetWindow();
    if (previous != panelWin) glutSetWindow(panelWin);
    ImGui::SetCurrentContext(uiContext);
    ImGui_ImplOpenGL2_NewFrame();
    // The UI's time is the program's clock (tests freeze it), so double
    // clicks and key repeats do not depend on how fast frames come.
    ImGuiIO &io = ImGui::GetIO();
    float now = clockNow();
    io.DeltaTime = lastPanelDraw >= 0.0f && now - lastPanelDraw > 0.001f ? now - lastPanelDraw : 0.001f;
    feedFrameEvents();
    ImGui::NewFrame();
    panelContents();
    ImGui::Render();
    glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glutSwapBuffers();
    if (!events.empty()) glutPostWindowRedisplay(panelWin);
    lastPanelDraw = now;
    if (previous && previous != panelWin) glutSetWindow(previous);
}

void panelIdle() {
    if (!panelWin) return;
    int action = pendingAction;
    pendingAction = -1;
    if (action >= 0) panelAction(action);
    if (pendingSaveImage) {
        pendingSaveImage = false;
        std::string path = askSaveFileName();
        if (!path.empty()) {
            std::string why;
            report(captureView(path, why), why);
        }
    }
    // Redraw promptly while the user works the panel, ten times a second
    // while the world runs (the plots), and now and then when all is still.
    float now = clockNow();
    float period = 0.5f;
    if (now - lastPanelInput < 0.5f || !events.empty())
        period = 1.0f / 60.0f;
    else if (panelStepped || runAheadActive())
        period = 0.1f;
    if (lastPanelDraw < 0.0f || now - lastPanelDraw >= period || now < lastPanelDraw) {
        glutPostWindowRedisplay(panelWin);
        panelStepped = false;
    }
}

void panelNoteStep() { panelStepped = true; }

void panelAction(int id) {
    Pattern *pattern = world.currentWindow > 0 ? patternSlot(world.currentWindow - 1) : nullptr;
    switch (id) {
    case kActionStartOver:
        startOver();
        resetCamera();
        resetStatistics();
        break;
    case kActionResetCamera: resetCamera(); break;
    case kActionLoad: {
        // A cancelled chooser or a file that will not open changes nothing.
        std::string path = askOpenFileName();
        if (path.empty() || (world.currentWindow > 0 && !pattern)) break;
        std::string why;
        bool ok = world.currentWindow == 0 ? reloadRules(path, why) : loadPatternFile(*pattern, path, why);
        report(ok, why);
        if (ok && !why.empty()) std::printf("%s\n", why.c_str());  // lines of the pattern left out
        break;
    }
    case kActionSave: {
        std::string path = askSaveFileName();
        if (path.empty()) break;
        std::string why;
        bool ok = true;
        if (world.currentWindow == 0)
            ok = saveReplacing(path, why, [](FILE *f) { writeRules(f); });
        else if (pattern)
            ok = savePatternFile(*pattern, path, why);
        report(ok, why);
        if (ok && world.currentWindow == 0) setPanelMessage(listingNote());
        break;
    }
    case kActionSaveWorld: {
        std::string path = askSaveFileName();
        if (path.empty()) break;
        std::string why;
        report(saveWorldSnapshot(path, why), why);
        break;
    }
    case kActionOpenWorld: {
        std::string path = askOpenFileName();
        if (path.empty()) break;
        std::string why;
        bool ok = openWorldSnapshot(path, why);
        report(ok, why);
        if (!ok) break;
        // The saved step clock was another run's wall clock.
        world.lastStepTime = clockNow();
        resetStatistics();
        buildPanel();
        refreshPanel();
        break;
    }
    case kActionMaxEdges: {
        int row = world.edgeConstraint < 0 ? 0 : (world.edgeConstraint > 5 ? 5 : world.edgeConstraint);
        world.maxEdges = maxEdgesChoices[row].value;
        enforceAllValences();
        break;
    }
    default: break;
    }
}

void panelShutdown() {
    if (glBackendReady) ImGui_ImplOpenGL2_Shutdown();
    glBackendReady = false;
    if (uiContext) {
        ImGui::SetCurrentContext(uiContext);
        ImGui_ImplGLUT_Shutdown();
        ImGui::DestroyContext(uiContext);
        uiContext = nullptr;
    }
}
