#include "runtime/RulesDocument.h"

#include <utility>

#include "runtime/SafeSave.h"

RulesDocument::RulesDocument(std::string workerProgram, double delaySeconds, double timeoutSeconds)
    : check(std::move(workerProgram), timeoutSeconds), delay(delaySeconds) {}

void RulesDocument::begin(const std::string &text, const std::string &path) {
    check.stop();
    running = false;
    current = saved = text;
    file = path;
    checked = RulesCheck();
    checkedText.clear();
    failure.clear();
    pending = true;  // a fresh text is checked at once
    lastEdit = -delay;
}

void RulesDocument::showFile(const std::string &text, const std::string &path) { begin(text, path); }

// A listing is written from the world: nothing in it is the user's until edited.
void RulesDocument::showListing(const std::string &listing) { begin(listing, std::string()); }

void RulesDocument::edited(const std::string &text, double now) {
    if (text == current) return;
    current = text;
    pending = true;
    lastEdit = now;
}

std::string RulesDocument::title() const {
    std::string name = file.empty() ? std::string("listing of the world") : file.substr(file.find_last_of('/') + 1);
    return "Rules: " + name + (unsaved() ? " *" : "");
}

bool RulesDocument::save(std::string &why) {
    if (file.empty()) {
        why = "the text has no file yet: use Save As";
        return false;
    }
    return saveAs(file, why);
}

bool RulesDocument::saveAs(const std::string &path, std::string &why) {
    std::string text = current;
    if (!saveReplacing(path, why, [&](FILE *f) { std::fwrite(text.data(), 1, text.size(), f); })) return false;
    file = path;
    saved = text;
    return true;
}

void RulesDocument::tick(double now) {
    if (running && check.poll() == RulesCheckProcess::State::Finished) {
        running = false;
        if (check.failed()) {
            failure = check.why();
            checked = RulesCheck();
        } else {
            failure.clear();
            checked = check.result();
        }
        checkedText = runningText;
    }
    if (pending && now - lastEdit >= delay) {
        pending = false;
        runningText = current;
        std::string name = file.empty() ? std::string("listing") : file;
        if (check.start(runningText, name)) {
            running = true;
        } else {
            failure = check.why();
            checkedText = runningText;
        }
    }
}

std::map<int, std::string> RulesDocument::lineMarkers() const {
    std::map<int, std::string> markers;
    for (const RulesDiagnostic &d : checked.diagnostics) {
        if (d.line <= 0) continue;
        std::string &m = markers[d.line];
        m += (m.empty() ? "" : "\n") + d.message;
    }
    return markers;
}
