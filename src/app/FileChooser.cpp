#include "app/FileChooser.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "app/Panel.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"
#include "app/Question.h"
#include "app/Shell.h"
#include "app/Statistics.h"
#include "runtime/Clock.h"

namespace fs = std::filesystem;

std::string (*fileChooserOverride)(bool forSave) = nullptr;
std::function<void()> chooserFrameHook;

namespace {
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

}  // namespace

void drawFileChooser() {
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
    trackItem(chooser.folder.c_str());
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
    if (!chooser.error.empty()) {
        ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "%s", chooser.error.c_str());
        trackItem(chooser.error.c_str());
    }
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

namespace {
std::string askFile(bool forSave) {
    if (fileChooserOverride) return fileChooserOverride(forSave);
    int panelWin = panelWindow();
    if (!panelWin) return std::string();
    chooser = Chooser();
    chooser.active = true;
    chooser.forSave = forSave;
    char cwd[1024];
    chooser.folder = getcwd(cwd, sizeof cwd) ? cwd : "/";
    listFolder();
    int previous = glutGetWindow();
    // Room to show paths and names: the panel grows over the world meanwhile.
    widenPanel(true);
    // A modal loop, as a system dialog would run: it draws when input came
    // (or now and then for the text cursor) and otherwise waits for input.
    // The first frames open the popup and put the keyboard in the name field.
    float lastDraw = -1.0f;
    int frames = 0;
    while (!chooser.done && panelWindow()) {
        if (chooserFrameHook) chooserFrameHook();
        float now = clockNow();
        bool busy = panelInputPending() || frames < 3 || now - lastPanelInputTime() < 0.5f;
        if (busy || now - lastDraw >= 0.5f) {
            frames++;
            glutPostWindowRedisplay(panelWindow());
            lastDraw = now;
        }
        glutMainLoopEvent();
        if (!busy && !chooser.done) shellRest(0.5f);
    }
    chooser.active = false;
    // A question that wants the room keeps it.
    if (!questionOpen()) widenPanel(false);
    // The windows may have been closed meanwhile.
    if (previous && (previous == panelWindow() || previous == shell.mainWindow)) glutSetWindow(previous);
    shell.changed = true;
    pauseStatistics();
    return chooser.done ? chooser.result : std::string();
}
}  // namespace

std::string askOpenFileName() { return askFile(false); }
std::string askSaveFileName() { return askFile(true); }
bool fileChooserOpen() { return chooser.active && !chooser.done; }
void abandonFileChooser() { chooser.done = true; }
