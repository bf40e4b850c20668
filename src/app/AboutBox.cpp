#include "app/AboutBox.h"

#include <imgui.h>

#include "app/Panel.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"

namespace {
struct AboutBox {
    bool open = false;
    std::string text;
} about;

// A fixed size with the OK button at a fixed place, so scripts can find it.
constexpr float kAboutTop = 40.0f, kAboutHeight = 300.0f;
}  // namespace

void drawAboutBox() {
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

void openAboutBox(const std::string &text) {
    about.text = text;
    about.open = true;
}
bool aboutBoxOpen() { return about.open && panelWindow() != 0; }
void closeAboutBox() {
    about.open = false;
    notePanelInput();  // the panel shows it closed at once
}
