#include "app/Question.h"

#include <imgui.h>

#include <deque>

#include "app/AboutBox.h"
#include "app/Panel.h"
#include "app/PanelEvents.h"
#include "app/PanelLayout.h"

namespace {
std::deque<Question> waiting;  // the front one is shown
int given = -1;                // the answer picked, until the app carries it out
constexpr char kPopup[] = "###question";

void showFront() {
    if (!waiting.empty()) widenPanel(waiting.front().wide);
    notePanelInput();  // the panel shows the change at once
}
}  // namespace

void askQuestion(Question question) {
    waiting.push_back(std::move(question));
    if (waiting.size() == 1) showFront();
}

bool questionOpen() { return !waiting.empty() && panelWindow() != 0; }

const Question *shownQuestion() { return waiting.empty() ? nullptr : &waiting.front(); }

void answerQuestion(int answer) {
    if (!waiting.empty() && given < 0) given = answer;
}

void carryOutAnswer() {
    if (waiting.empty() || given < 0) return;
    Question done = std::move(waiting.front());
    waiting.pop_front();
    int answer = given;
    given = -1;
    if (done.wide && (waiting.empty() || !waiting.front().wide)) widenPanel(false);
    showFront();
    if (done.answered) done.answered(answer);
}

void drawQuestion() {
    if (waiting.empty() || aboutBoxOpen()) {
        // A popup answered between frames closes in the next.
        if (ImGui::IsPopupOpen(kPopup) && ImGui::BeginPopupModal(kPopup)) {
            ImGui::CloseCurrentPopup();
            ImGui::EndPopup();
        }
        return;
    }
    const Question &q = waiting.front();
    std::string title = q.title + kPopup;
    if (given < 0 && !ImGui::IsPopupOpen(kPopup)) ImGui::OpenPopup(title.c_str());
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(4, 4), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x - 8, io.DisplaySize.y - 8), ImGuiCond_Always);
    if (!ImGui::BeginPopupModal(title.c_str(), nullptr,
                                ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove))
        return;
    if (given >= 0) {  // answered; the app carries it out
        ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
        return;
    }
    float buttons = ImGui::GetFrameHeightWithSpacing();
    if (ImGui::BeginChild("question", ImVec2(0, -buttons), false)) {
        ImGui::TextWrapped("%s", q.text.c_str());
        trackItem("Question text");
        for (const auto &item : q.list) {
            ImGui::Separator();
            ImGui::TextWrapped("%s", item.first.c_str());
            if (!item.second.empty()) {
                ImGui::Indent();
                ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
                ImGui::TextWrapped("%s", item.second.c_str());
                ImGui::PopStyleColor();
                ImGui::Unindent();
            }
        }
    }
    ImGui::EndChild();
    int picked = -1;
    for (size_t i = 0; i < q.answers.size(); i++) {
        if (i > 0) ImGui::SameLine();
        if (ImGui::Button(q.answers[i].c_str())) picked = static_cast<int>(i);
        trackItem(q.answers[i].c_str());
    }
    // A key that closed the dialog before this one does not answer it too.
    bool fresh = ImGui::IsWindowAppearing();
    if (picked < 0 && !fresh && keyPressed(ImGuiKey_Enter)) picked = q.enterAnswer;
    if (picked < 0 && !fresh && keyPressed(ImGuiKey_Escape) && !q.answers.empty())
        picked = static_cast<int>(q.answers.size()) - 1;
    if (picked >= 0) {
        given = picked;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}
