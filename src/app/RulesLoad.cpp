#include "app/RulesLoad.h"

#include <cstdio>
#include <filesystem>

#include "app/App.h"
#include "app/Input.h"
#include "app/Panel.h"
#include "app/Question.h"
#include "app/Quit.h"
#include "app/RulesWindow.h"
#include "app/Statistics.h"
#include "app/Undo.h"
#include "render/Camera.h"
#include "runtime/RulesCheck.h"
#include "runtime/WorldFiles.h"

bool applyRulesText(const std::string &text, const std::string &path, std::string &why, const std::string &label) {
    why = notTextProblem(text, path);
    if (!why.empty()) {
        why += "; nothing was loaded";
        return false;
    }
    rememberForUndo(label);
    if (!loadRulesText(text, path, why)) return false;
    resetCamera();
    panelChoices.placeColour = 0;
    forgetGesture();
    buildPanel();
    panelRefresh();
    resetStatistics();
    notePatternsKept(std::filesystem::path(path).parent_path().string());
    return true;
}

namespace {
void load(const std::string &text, const std::string &path, const std::string &summary) {
    std::string why;
    if (!applyRulesText(text, path, why)) {
        setPanelMessage(why);
        return;
    }
    rulesShowScenario(text, path);
    setPanelNote("Loaded " + path + (summary.empty() ? "" : " (" + summary + ")"));
}
}  // namespace

void loadRulesAsking(const std::string &text, const std::string &path) {
    RulesCheck check = checkRulesText(text, path);
    if (!check.readable) {
        setPanelMessage(check.refusal + "; nothing was loaded");
        return;
    }
    if (check.diagnostics.empty()) {
        load(text, path, check.summary);
        return;
    }
    Question q;
    q.title = "Problems in the rules";
    size_t n = check.diagnostics.size();
    q.text = path + " has " + std::to_string(n) + (n == 1 ? " problem" : " problems") +
             ". \"Load anyway\" loads what it can, skipping what is wrong, and replaces the world; \"Cancel\" "
             "changes nothing.";
    for (const RulesDiagnostic &d : check.diagnostics)
        q.list.emplace_back(d.line > 0 ? "line " + std::to_string(d.line) + ": " + d.message : d.message, d.text);
    q.answers = {"Load anyway", "Cancel"};
    q.enterAnswer = 1;  // the safe answer
    q.wide = true;
    std::string summary = check.summary;
    q.answered = [text, path, summary](int answer) {
        if (answer == 0)
            load(text, path, summary);
        else
            setPanelNote(path + " was not loaded.");
    };
    askQuestion(q);
}
