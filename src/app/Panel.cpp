#include "app/Panel.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl2.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/App.h"
#include "app/Camera.h"
#include "app/Clock.h"
#include "app/Input.h"
#include "runtime/SafeSave.h"
#include "app/Shell.h"
#include "app/Statistics.h"
#include "rules/ColorTable.h"
#include "rules/RulesListing.h"
#include "world/MetaNodePat.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace fs = std::filesystem;

std::string (*fileChooserOverride)(bool forSave) = nullptr;

namespace {
constexpr int kPanelX = 1016, kPanelY = 32, kPanelW = 264, kPanelH = 960;

int panelWin = 0;
ImGuiContext *uiContext = nullptr;
bool glBackendReady = false;
int pendingAction = -1;
bool pendingSaveImage = false;
float lastPanelDraw = -1.0f;
std::string message;

struct HeldRelease {
    bool pending = false;
    int button = 0, state = 0, x = 0, y = 0;
};
bool pressUnseen[5] = {};
HeldRelease heldRelease;

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

void chooserWindow() {
    const char *title = chooser.forSave ? "Save As###chooser" : "Open###chooser";
    if (chooser.active && !chooser.done && !ImGui::IsPopupOpen("###chooser")) ImGui::OpenPopup(title);
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(4, 40), ImGuiCond_Appearing);
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x - 8, 420), ImGuiCond_Appearing);
    if (!ImGui::BeginPopupModal(title, nullptr, ImGuiWindowFlags_NoSavedSettings)) return;
    ImGui::TextWrapped("%s", chooser.folder.c_str());
    if (ImGui::BeginChild("files", ImVec2(0, -90), true)) {
        if (ImGui::Selectable("../")) {
            chooser.folder = fs::path(chooser.folder).parent_path().string();
            if (chooser.folder.empty()) chooser.folder = "/";
            listFolder();
        }
        for (size_t i = 0; i < chooser.entries.size(); i++) {
            const auto &e = chooser.entries[i];
            std::string label = e.first + (e.second ? "/" : "");
            if (ImGui::Selectable(label.c_str(), !e.second && e.first == chooser.name)) {
                if (e.second) {
                    chooser.folder = (fs::path(chooser.folder) / e.first).string();
                    listFolder();
                    break;
                }
                std::snprintf(chooser.name, sizeof chooser.name, "%s", e.first.c_str());
                chooser.error.clear();
            }
        }
    }
    ImGui::EndChild();
    if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
    ImGui::InputText("File name", chooser.name, sizeof chooser.name);
    if (!chooser.error.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", chooser.error.c_str());
    if (chooser.confirmOverwrite) {
        ImGui::TextWrapped("Replace the existing file?");
        if (ImGui::Button("Replace")) finishChooser(chosenPath());
        ImGui::SameLine();
        if (ImGui::Button("Keep")) chooser.confirmOverwrite = false;
    } else {
        if (ImGui::Button("OK")) chooserOk();
        ImGui::SameLine();
        if (ImGui::Button("Cancel")) finishChooser(std::string());
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
    if (!ImGui::BeginPopupModal("Drovan", nullptr, ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize |
                                                       ImGuiWindowFlags_NoMove))
        return;
    float buttonRow = ImGui::GetFrameHeightWithSpacing();
    if (ImGui::BeginChild("text", ImVec2(0, -buttonRow), false)) ImGui::TextWrapped("%s", about.text.c_str());
    ImGui::EndChild();
    if (ImGui::Button("OK", ImVec2(-1, 0))) {
        about.open = false;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}

bool checkbox(const char *label, int &field) {
    bool v = field != 0;
    if (!ImGui::Checkbox(label, &v)) return false;
    field = v ? 1 : 0;
    return true;
}

void statisticsSection() {
    if (!ImGui::CollapsingHeader("Statistics", ImGuiTreeNodeFlags_DefaultOpen)) return;
    static float history[kStatHistory];
    int counts[kMaxColors];
    countNodesByColour(counts);
    float width = ImGui::GetContentRegionAvail().x;
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
    ImGui::Text("Steps per second: %.1f", stats.stepsPerSecond);
    ImGui::Text("Frame time: %.1f ms", stats.frameMilliseconds);
    ImGui::Text("Steps: %d", world.stepCount);
}

void panelContents() {
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("drovan", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    ImGui::PushItemWidth(-130.0f);  // room for the longest label
    if (ImGui::Button("Load")) pendingAction = kActionLoad;
    ImGui::SameLine();
    if (ImGui::Button("Save")) pendingAction = kActionSave;
    if (ImGui::Button("Reset Camera")) pendingAction = kActionResetCamera;
    ImGui::SameLine();
    if (ImGui::Button("Start Over")) pendingAction = kActionStartOver;
    if (!message.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", message.c_str());
    ImGui::Separator();

    const char *preview = isColor(world.placeColour) ? colorTable[world.placeColour].name : "";
    if (ImGui::BeginCombo("Nodes:", preview)) {
        for (int i = 0; i < colorCount; i++) {
            ImGui::PushID(i);
            if (ImGui::Selectable(colorTable[i].name, world.placeColour == i)) world.placeColour = i;
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    static const char *windows[] = {"Main",   "Meta 1", "Meta 2", "Meta 3", "Meta 4", "Meta 5",
                                    "Meta 6", "Meta 7", "Meta 8", "Meta 9", "Meta 10"};
    int shown = world.currentWindow >= 0 && world.currentWindow <= 10 ? world.currentWindow : 0;
    if (ImGui::Combo("Windows:", &shown, windows, 11)) world.currentWindow = shown;

    if (ImGui::CollapsingHeader("Rules", ImGuiTreeNodeFlags_DefaultOpen)) {
        checkbox("Discover Edges", world.discover_edges);
        checkbox("Directed Edges", world.directed_edges);
        checkbox("Colored Edges", world.colored_edges);
        checkbox("Fix Node Collisions", world.fix_node_collisions);
        checkbox("Closed World", world.closed_world);
        checkbox("Anneal", world.anneal);
        checkbox("Inertia", world.inertia);
        ImGui::SliderFloat("Node Creation Rate", &world.node_creation_rate, 0.0f, 1.0f);
        ImGui::SliderFloat("Edge spring k", &world.edge_springk, 0.0f, 1.0f);
    }
    if (ImGui::CollapsingHeader("Max edges", ImGuiTreeNodeFlags_DefaultOpen)) {
        ImGui::PushID("maxedges");
        for (int i = 0; i < 6; i++) {
            if (i % 3 != 0) ImGui::SameLine();
            if (ImGui::RadioButton(maxEdgesChoices[i].label, &world.edge_constraint, i)) pendingAction = kActionMaxEdges;
        }
        ImGui::PopID();
    }
    if (ImGui::CollapsingHeader("Speed", ImGuiTreeNodeFlags_DefaultOpen)) {
        static const char *speeds[] = {"Pause", "Slow", "Normal", "Fast"};
        ImGui::PushID("speed");
        for (int i = 0; i < 4; i++) {
            if (i > 0) ImGui::SameLine();
            ImGui::RadioButton(speeds[i], &world.speed, i);
        }
        ImGui::PopID();
        if (ImGui::Button("Step")) requestSingleStep();
    }
    if (ImGui::CollapsingHeader("Render", ImGuiTreeNodeFlags_DefaultOpen)) {
        ImGui::PushID("render");
        checkbox("Atoms", world.render_atoms);
        checkbox("Nodes", world.render_nodes);
        checkbox("Edges", world.render_edges);
        checkbox("Atom aggregates", world.render_atom_aggregates);
        ImGui::PopID();
    }
    statisticsSection();
    if (ImGui::Button("Save Image")) pendingSaveImage = true;
    ImGui::PopItemWidth();

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

std::string askFile(bool forSave) {
    if (fileChooserOverride) return fileChooserOverride(forSave);
    if (!panelWin) return std::string();
    chooser = Chooser();
    chooser.active = true;
    chooser.forSave = forSave;
    char cwd[1024];
    chooser.folder = getcwd(cwd, sizeof cwd) ? cwd : "/";
    listFolder();
    // A modal loop, as a system dialog would run: the world waits meanwhile.
    while (!chooser.done && panelWin) {
        glutPostWindowRedisplay(panelWin);
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    chooser.active = false;
    return chooser.done ? chooser.result : std::string();
}
}  // namespace

int panelWindow() { return panelWin; }

void setPanelMessage(const std::string &text) { message = text; }
const std::string &panelMessage() { return message; }

void openAboutBox(const std::string &text) {
    about.text = text;
    about.open = true;
}
bool aboutBoxOpen() { return about.open && panelWin != 0; }
void closeAboutBox() { about.open = false; }
bool panelModalOpen() { return aboutBoxOpen() || (chooser.active && !chooser.done); }

std::string askOpenFileName() { return askFile(false); }
std::string askSaveFileName() { return askFile(true); }

void panelMouse(int button, int state, int x, int y) {
    if (!uiContext) return;
    ImGui::SetCurrentContext(uiContext);
    bool known = button >= 0 && button < 5;
    if (state == GLUT_DOWN) {
        if (known) pressUnseen[button] = true;
        ImGui_ImplGLUT_MouseFunc(button, state, x, y);
    } else if (known && pressUnseen[button]) {
        heldRelease.pending = true;
        heldRelease.button = button;
        heldRelease.state = state;
        heldRelease.x = x;
        heldRelease.y = y;
    } else {
        ImGui_ImplGLUT_MouseFunc(button, state, x, y);
    }
    if (panelWin) glutPostWindowRedisplay(panelWin);
}

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
        ImGui::GetStyle().FrameBorderSize = 1.0f;  // white fields on white popups need an edge
        ImGui_ImplGLUT_Init();
        ImGui_ImplGLUT_InstallFuncs();
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
    ImGui_ImplGLUT_NewFrame();  // also starts the UI frame
    ImGuiIO &io = ImGui::GetIO();
    for (bool &unseen : pressUnseen) unseen = false;
    panelContents();
    ImGui::Render();
    glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glutSwapBuffers();
    if (heldRelease.pending) {
        heldRelease.pending = false;
        ImGui_ImplGLUT_MouseFunc(heldRelease.button, heldRelease.state, heldRelease.x, heldRelease.y);
        glutPostWindowRedisplay(panelWin);
    }
    lastPanelDraw = clockNow();
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
            if (!captureView(path, why)) {
                std::printf("%s\n", why.c_str());
                setPanelMessage(why);
            } else {
                setPanelMessage(std::string());
            }
        }
    }
    float now = clockNow();
    if (lastPanelDraw < 0.0f || now - lastPanelDraw >= 1.0f / 30.0f || now < lastPanelDraw)
        glutPostWindowRedisplay(panelWin);
}

void panelAction(int id) {
    drovanMetaNodePat *pattern = world.currentWindow > 0 ? patternSlot(world.currentWindow - 1) : nullptr;
    switch (id) {
    case kActionStartOver:
        deleteAllPatterns();
        killAll();
        resetCamera();
        initPatternSlots();
        break;
    case kActionResetCamera:
        resetCamera();
        break;
    case kActionLoad: {
        std::string path = askOpenFileName();
        FILE *f = path.empty() ? nullptr : std::fopen(path.c_str(), "r");
        if (world.currentWindow == 0) {
            reloadRules(path.c_str(), f);
        } else if (f) {
            char why[256] = {};
            if (pattern && !pattern->readNetwork(f, path.c_str(), why, sizeof why))
                std::printf("pattern file '%s': %s\n", path.c_str(), why[0] ? why : "reading stopped early");
            std::fclose(f);
        }
        break;
    }
    case kActionSave: {
        std::string path = askSaveFileName();
        if (path.empty()) break;
        std::string why;
        bool ok = true;
        if (world.currentWindow == 0)
            ok = saveReplacing(path, [](FILE *f) { writeRules(f); }, why);
        else if (pattern)
            ok = saveReplacing(path, [pattern](FILE *f) { pattern->writeNetwork(f); }, why);
        if (!ok) {
            std::printf("%s\n", why.c_str());
            std::fflush(stdout);
        }
        setPanelMessage(ok ? std::string() : why);
        break;
    }
    case kActionMaxEdges: {
        int row = world.edge_constraint < 0 ? 0 : (world.edge_constraint > 5 ? 5 : world.edge_constraint);
        world.maxEdges = maxEdgesChoices[row].value;
        enforceAllValences();
        break;
    }
    default:
        break;
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
