#include "app/Panel.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>

#include <algorithm>
#include <cstdio>

#include "app/AboutBox.h"
#include "app/FileChooser.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"
#include "app/PanelPlots.h"
#include "app/PanelRecording.h"
#include "app/Question.h"
#include "app/Shell.h"
#include "app/Undo.h"
#include "render/UiRenderer.h"
#include "runtime/Clock.h"
#include "runtime/StepRequests.h"
#include "world/ColorTable.h"
#include "world/WorldStore.h"

PanelChoices panelChoices;

namespace {
int panelWin = 0;
ImGuiContext *uiContext = nullptr;
bool glBackendReady = false;
PanelRequests requests;
float lastPanelDraw = -1.0f;
std::string message;
bool messageIsError = false;
bool panelStepped = false;
bool panelWide = false;

// A label before its field, as in a form.
void fieldLabel(const char *label) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(label);
    ImGui::SameLine(72.0f);
    ImGui::SetNextItemWidth(-1.0f);
}

// [SECTION] The controls, top to bottom

// "Undo" and "Redo" name what they would take back or do again.
void undoButtons() {
    std::string undo = canUndo() ? "Undo " + undoLabel() : std::string("Undo");
    std::string redo = canRedo() ? "Redo " + redoLabel() : std::string("Redo");
    ImGui::BeginDisabled(!canUndo());
    if (ImGui::Button((undo + "###undo").c_str())) requests.action = kActionUndo;
    trackItem("Undo");
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!canRedo());
    if (ImGui::Button((redo + "###redo").c_str())) requests.action = kActionRedo;
    trackItem("Redo");
    ImGui::EndDisabled();
    // Control-Z and control-shift-Z, unless a text field takes them.
    ImGuiIO &io = ImGui::GetIO();
    if (io.KeyCtrl && !io.WantTextInput && !panelModalOpen() && ImGui::IsKeyPressed('Z', false))
        requests.action = io.KeyShift ? kActionRedo : kActionUndo;
}

// The file buttons, and the last message for the user under them.
void fileButtons() {
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
    ImGui::SameLine();
    if (trackedButton("Rules")) requests.rules = true;
    if (ImGui::GetIO().KeyCtrl && ImGui::IsKeyPressed('E', false)) requests.rules = true;
    undoButtons();
    if (!message.empty()) {
        if (messageIsError) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.8f, 0.1f, 0.1f, 1.0f));
        ImGui::TextWrapped("%s", message.c_str());
        if (messageIsError) ImGui::PopStyleColor();
        trackItem("Message");
    }
}

// "Nodes:" (the colour a click places) and "Windows:" (the world or a pattern).
void choices() {
    fieldLabel("Nodes:");
    const char *preview = isColor(panelChoices.placeColour) ? colorTable[panelChoices.placeColour].name : "";
    if (ImGui::BeginCombo("##nodes", preview, ImGuiComboFlags_HeightLargest)) {
        for (int i = 0; i < colorCount; i++) {
            ImGui::PushID(i);
            if (ImGui::Selectable(colorTable[i].name, panelChoices.placeColour == i)) panelChoices.placeColour = i;
            trackItem(colorTable[i].name);
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
}

// A collapsing section, open at first; true while it shows its controls.
bool section(const char *title) {
    bool open = ImGui::CollapsingHeader(title, ImGuiTreeNodeFlags_DefaultOpen);
    trackItem(title);
    return open;
}

void rulesSection() {
    if (!section("Rules")) return;
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

void maxEdgesSection() {
    if (!section("Max edges")) return;
    ImGui::PushID("maxedges");
    for (int i = 0; i < 6; i++) {
        if (i % 3 != 0) ImGui::SameLine();
        if (ImGui::RadioButton(maxEdgesChoices[i].label, &world.edgeConstraint, i)) requests.action = kActionMaxEdges;
        trackItem(maxEdgesChoices[i].label);
    }
    ImGui::PopID();
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
    // Each preset runs at once; the field keeps the count for "Run ahead".
    const int presets[] = {100, 1000, 10000};
    const char *names[] = {"Run 100", "Run 1,000", "Run 10,000"};
    for (int i = 0; i < 3; i++) {
        if (i > 0) ImGui::SameLine();
        if (trackedButton(names[i])) {
            count = presets[i];
            startRunAhead(count);
        }
    }
}

void speedSection() {
    if (!section("Speed")) return;
    static const char *speeds[] = {"Pause", "Slow", "Normal", "Fast"};
    ImGui::PushID("speed");
    for (int i = 0; i < 4; i++) {
        if (i % 2 != 0) ImGui::SameLine(80.0f);
        ImGui::RadioButton(speeds[i], &world.speed, i);
        trackItem(speeds[i]);
    }
    ImGui::PopID();
    if (trackedButton("Step")) requestSingleStep();
    ImGui::SameLine(80.0f);
    drawRecordToggle(requests);
    runAheadControls();
    drawRecordStatus();
}

void renderSection() {
    if (!section("Render")) return;
    ImGui::PushID("render");
    trackedCheckbox("Atoms", world.renderAtoms);
    ImGui::SameLine(80.0f);
    trackedCheckbox("Nodes", world.renderNodes);
    trackedCheckbox("Edges", world.renderEdges);
    ImGui::SameLine(80.0f);
    trackedCheckbox("Atom aggregates", world.renderAtomAggregates);
    ImGui::PopID();
}

// [SECTION] The window

// One frame of the panel: the controls in order, then the modal dialogs.
void panelContents() {
    clearPanelItems();
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("drovan", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    ImGui::PushItemWidth(-130.0f);  // room for the longest label
    fileButtons();
    ImGui::Separator();
    choices();
    rulesSection();
    maxEdgesSection();
    speedSection();
    renderSection();
    ImGui::PopItemWidth();
    drawStatisticsSection();

    drawFileChooser();
    drawAboutBox();
    drawQuestion();
    ImGui::End();
}

// freeglut destroys a closed window itself; the program goes on and decides.
void panelClose() {
    if (glBackendReady) uiRendererShutdown();
    glBackendReady = false;
    panelWin = 0;
    panelWide = false;
    abandonFileChooser();
    shell.closeAsked = true;
}

}  // namespace

int panelWindow() { return panelWin; }

void setPanelMessage(const std::string &text, bool error) {
    message = text;
    messageIsError = error && !text.empty();
    panelRefresh();
}

void setPanelNote(const std::string &text) { setPanelMessage(text, false); }

const std::string &panelMessage() { return message; }

bool panelMessageIsError() { return messageIsError; }

bool panelModalOpen() { return aboutBoxOpen() || fileChooserOpen() || questionOpen(); }

void widenPanel(bool wide) {
    if (!panelWin || wide == panelWide) return;
    panelWide = wide;
    const WindowRect &r = shell.placement.panel;
    // Room for paths and names, grown to the left over the world (which waits meanwhile).
    int w = wide ? 640 : r.w, h = wide ? std::min(520, r.h) : r.h;
    int previous = glutGetWindow();
    glutSetWindow(panelWin);
    glutReshapeWindow(w, h);
    glutPositionWindow(std::max(0, r.x + r.w - w), r.y);
    glutPostWindowRedisplay(panelWin);
    if (previous && previous != panelWin) glutSetWindow(previous);
}

void buildPanel() {
    if (!panelWin) {
        int previous = glutGetWindow();
        const WindowRect &r = shell.placement.panel;
        glutInitWindowPosition(r.x, r.y);
        glutInitWindowSize(r.w, r.h);
        panelWin = glutCreateWindow("drovan");
        if (!uiContext) {
            IMGUI_CHECKVERSION();
            uiContext = ImGui::CreateContext();
        }
        ImGui::SetCurrentContext(uiContext);
        ImGuiIO &io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(static_cast<float>(r.w), static_cast<float>(r.h));
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
