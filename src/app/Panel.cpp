#include "app/Panel.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>
#include <unistd.h>

#include <imgui_internal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "render/Camera.h"
#include "runtime/Clock.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"
#include "app/Shell.h"
#include "app/Statistics.h"
#include "world/ColorTable.h"
#include "render/UiRenderer.h"
#include "runtime/StepRequests.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace fs = std::filesystem;

PanelChoices panelChoices;
std::string (*fileChooserOverride)(bool forSave) = nullptr;
std::function<void()> chooserFrameHook;

namespace {
constexpr int kPanelX = 1016, kPanelY = 32, kPanelW = 264, kPanelH = 960;

int panelWin = 0;
ImGuiContext *uiContext = nullptr;
bool glBackendReady = false;
PanelRequests requests;
float lastPanelDraw = -1.0f;
std::string message;

bool panelStepped = false;

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
            trackItem("../");
            if (ImGui::IsMouseDoubleClicked(0)) enterFolder(fs::path(chooser.folder).parent_path().string());
        } else {
            trackItem("../");
        }
        for (size_t i = 0; i < chooser.entries.size(); i++) {
            const auto e = chooser.entries[i];
            std::string label = e.first + (e.second ? "/" : "");
            bool picked = e.first == chooser.name;
            bool clicked = ImGui::Selectable(label.c_str(), picked, ImGuiSelectableFlags_AllowDoubleClick);
            trackItem(label.c_str());
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
    trackItem("File name");
    if (!chooser.error.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", chooser.error.c_str());
    if (chooser.confirmOverwrite) {
        ImGui::TextWrapped("Replace the existing file?");
        bool replace = ImGui::Button("Replace");
        trackItem("Replace");
        ImGui::SameLine();
        bool keep = ImGui::Button("Keep");
        trackItem("Keep");
        if (replace || enter)
            finishChooser(chosenPath());
        else if (keep || escape)
            chooser.confirmOverwrite = false;
    } else {
        bool ok = ImGui::Button("OK");
        trackItem("OK");
        ImGui::SameLine();
        bool cancel = ImGui::Button("Cancel");
        trackItem("Cancel");
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
    trackItem("About OK");
    if (ok || keyPressed(ImGuiKey_Enter) || keyPressed(ImGuiKey_Escape)) {
        about.open = false;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
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
    trackItem("Statistics");
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
    if (isColor(panelChoices.placeColour)) {
        float bins[kStrengthBins];
        strengthHistogram(panelChoices.placeColour, bins);
        const float *rgb = colorTable[panelChoices.placeColour].rgb;
        char overlay[64];
        std::snprintf(overlay, sizeof overlay, "%s strength", colorTable[panelChoices.placeColour].name);
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
        trackItem("Run ahead progress");
        ImGui::SameLine();
        if (trackedButton("Cancel")) cancelRunAhead();
        return;
    }
    if (trackedButton("Run ahead")) startRunAhead(count);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputInt("##ahead", &count, 0, 0);
    trackItem("Run ahead count");
    if (count < 1) count = 1;
    const int presets[] = {100, 1000, 10000};
    const char *names[] = {"100", "1,000", "10,000"};
    for (int i = 0; i < 3; i++) {
        if (i > 0) ImGui::SameLine();
        if (trackedButton(names[i])) count = presets[i];
    }
}

void panelContents() {
    clearPanelItems();
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("drovan", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    ImGui::PushItemWidth(-130.0f);  // room for the longest label
    if (trackedButton("Load")) requests.action = kActionLoad;
    ImGui::SameLine();
    if (trackedButton("Save")) requests.action = kActionSave;
    ImGui::SameLine();
    if (trackedButton("Reset Camera")) requests.action = kActionResetCamera;
    if (trackedButton("Open World")) requests.action = kActionOpenWorld;
    ImGui::SameLine();
    if (trackedButton("Save World")) requests.action = kActionSaveWorld;
    if (trackedButton("Start Over")) requests.action = kActionStartOver;
    ImGui::SameLine();
    if (trackedButton("Save Image")) requests.saveImage = true;
    if (!message.empty()) ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", message.c_str());
    ImGui::Separator();

    fieldLabel("Nodes:");
    const char *preview = isColor(panelChoices.placeColour) ? colorTable[panelChoices.placeColour].name : "";
    if (ImGui::BeginCombo("##nodes", preview, ImGuiComboFlags_HeightLargest)) {
        for (int i = 0; i < colorCount; i++) {
            ImGui::PushID(i);
            if (ImGui::Selectable(colorTable[i].name, panelChoices.placeColour == i)) panelChoices.placeColour = i;
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    trackItem("Nodes:");
    static const char *windows[] = {"Main",   "Meta 1", "Meta 2", "Meta 3", "Meta 4", "Meta 5",
                                    "Meta 6", "Meta 7", "Meta 8", "Meta 9", "Meta 10"};
    int shown = panelChoices.currentWindow >= 0 && panelChoices.currentWindow <= 10 ? panelChoices.currentWindow : 0;
    fieldLabel("Windows:");
    if (ImGui::Combo("##windows", &shown, windows, 11, 11)) panelChoices.currentWindow = shown;
    trackItem("Windows:");

    bool open = ImGui::CollapsingHeader("Rules", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Rules");
    if (open) {
        trackedCheckbox("Discover Edges", world.discoverEdges);
        trackedCheckbox("Directed Edges", world.directedEdges);
        trackedCheckbox("Colored Edges", world.coloredEdges);
        trackedCheckbox("Fix Node Collisions", world.fixNodeCollisions);
        trackedCheckbox("Closed World", world.closedWorld);
        trackedCheckbox("Anneal", world.anneal);
        trackedCheckbox("Inertia", world.inertia);
        ImGui::SliderFloat("Node Creation Rate", &world.nodeCreationRate, 0.0f, 1.0f);
        trackItem("Node Creation Rate");
        ImGui::SliderFloat("Edge spring k", &world.edgeSpringK, 0.0f, 1.0f);
        trackItem("Edge spring k");
    }
    open = ImGui::CollapsingHeader("Max edges", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Max edges");
    if (open) {
        ImGui::PushID("maxedges");
        for (int i = 0; i < 6; i++) {
            if (i % 3 != 0) ImGui::SameLine();
            if (ImGui::RadioButton(maxEdgesChoices[i].label, &world.edgeConstraint, i))
                requests.action = kActionMaxEdges;
            trackItem(maxEdgesChoices[i].label);
        }
        ImGui::PopID();
    }
    open = ImGui::CollapsingHeader("Speed", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Speed");
    if (open) {
        static const char *speeds[] = {"Pause", "Slow", "Normal", "Fast"};
        ImGui::PushID("speed");
        for (int i = 0; i < 4; i++) {
            if (i % 2 != 0) ImGui::SameLine(80.0f);
            ImGui::RadioButton(speeds[i], &world.speed, i);
            trackItem(speeds[i]);
        }
        ImGui::PopID();
        if (trackedButton("Step")) requestSingleStep();
        runAheadControls();
    }
    open = ImGui::CollapsingHeader("Render", ImGuiTreeNodeFlags_DefaultOpen);
    trackItem("Render");
    if (open) {
        ImGui::PushID("render");
        trackedCheckbox("Atoms", world.renderAtoms);
        ImGui::SameLine(80.0f);
        trackedCheckbox("Nodes", world.renderNodes);
        trackedCheckbox("Edges", world.renderEdges);
        ImGui::SameLine(80.0f);
        trackedCheckbox("Atom aggregates", world.renderAtomAggregates);
        ImGui::PopID();
    }
    ImGui::PopItemWidth();
    statisticsSection();

    chooserWindow();
    aboutWindow();
    ImGui::End();
}

void panelClose() {
    if (glBackendReady) uiRendererShutdown();
    glBackendReady = false;
    panelWin = 0;
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
        bool busy = panelInputPending() || frames < 3 || now - lastPanelInputTime() < 0.5f;
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

const std::string &panelMessage() { return message; }

void openAboutBox(const std::string &text) {
    about.text = text;
    about.open = true;
}
bool aboutBoxOpen() { return about.open && panelWin != 0; }
void closeAboutBox() {
    about.open = false;
    notePanelInput();  // the panel shows it closed at once
}
bool panelModalOpen() { return aboutBoxOpen() || (chooser.active && !chooser.done); }

std::string askOpenFileName() { return askFile(false); }
std::string askSaveFileName() { return askFile(true); }

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
        installPanelInput();
        glutDisplayFunc(panelDisplay);
        glutCloseFunc(panelClose);
        uiRendererInit();
        glBackendReady = true;
        if (previous) glutSetWindow(previous);
    }
    if (!isColor(panelChoices.placeColour)) panelChoices.placeColour = 0;
}

void panelRefresh() {
    if (panelWin) glutPostWindowRedisplay(panelWin);
}

void panelDisplay() {
    if (!panelWin || !uiContext || !glBackendReady) return;
    int previous = glutGetWindow();
    if (previous != panelWin) glutSetWindow(panelWin);
    ImGui::SetCurrentContext(uiContext);
    uiRendererNewFrame();
    // The UI's time is the program's clock (tests freeze it), so double
    // clicks and key repeats do not depend on how fast frames come.
    ImGuiIO &io = ImGui::GetIO();
    float now = clockNow();
    io.DeltaTime = lastPanelDraw >= 0.0f && now - lastPanelDraw > 0.001f ? now - lastPanelDraw : 0.001f;
    feedFrameEvents();
    ImGui::NewFrame();
    panelContents();
    ImGui::Render();
    uiRendererDraw(static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
    glutSwapBuffers();
    if (panelInputPending()) glutPostWindowRedisplay(panelWin);
    lastPanelDraw = now;
    if (previous && previous != panelWin) glutSetWindow(previous);
}

PanelRequests takePanelRequests() {
    PanelRequests taken = requests;
    requests = PanelRequests();
    return taken;
}

void panelIdle() {
    if (!panelWin) return;
    // Redraw promptly while the user works the panel, ten times a second
    // while the world runs (the plots), and now and then when all is still.
    float now = clockNow();
    float period = 0.5f;
    if (now - lastPanelInputTime() < 0.5f || panelInputPending())
        period = 1.0f / 60.0f;
    else if (panelStepped || runAheadActive())
        period = 0.1f;
    if (lastPanelDraw < 0.0f || now - lastPanelDraw >= period || now < lastPanelDraw) {
        glutPostWindowRedisplay(panelWin);
        panelStepped = false;
    }
}

void panelNoteStep() { panelStepped = true; }

void panelShutdown() {
    if (glBackendReady) uiRendererShutdown();
    glBackendReady = false;
    if (uiContext) {
        ImGui::SetCurrentContext(uiContext);
        ImGui_ImplGLUT_Shutdown();
        ImGui::DestroyContext(uiContext);
        uiContext = nullptr;
    }
}
