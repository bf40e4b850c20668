#include "app/Quit.h"

#include <GL/freeglut.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/App.h"
#include "app/Panel.h"
#include "app/Question.h"
#include "app/Shell.h"
#include "app/Undo.h"
#include "runtime/Clock.h"
#include "runtime/Recovery.h"
#include "runtime/Startup.h"
#include "runtime/WorldFiles.h"
#include "world/Pattern.h"

namespace fs = std::filesystem;

namespace {
std::vector<UnsavedWork> unsaved;
std::string folderKept;
std::string kept[kPatternSlots];  // each slot's text as its file holds it
bool asking = false;              // the quit question waits

std::unique_ptr<RecoveryWriter> writer;
bool writing = false;  // the offer at start was answered (or there was none)
float lastWrite = 0.0f;
volatile std::sig_atomic_t signalled = 0;

void onSignal(int) { signalled = 1; }

void leaveMainLoop() { glutLeaveMainLoop(); }

std::string patternEdits() {
    std::string slots;
    for (int k = 0; k < kPatternSlots; k++) {
        Pattern *p = patternSlot(k);
        if (p && patternText(*p) != kept[k]) slots += (slots.empty() ? "Meta " : ", Meta ") + std::to_string(k + 1);
    }
    if (slots.empty()) return slots;
    return "Unsaved pattern edits in " + slots + ": \"Save patterns\" writes them to " + patternFolder() + ".";
}

bool savePatterns(std::string &why) {
    for (int k = 0; k < kPatternSlots; k++) {
        Pattern *p = patternSlot(k);
        if (!p || patternText(*p) == kept[k]) continue;
        if (!savePatternFile(*p, patternFilePath(patternFolder(), k), why)) return false;
        notePatternKept(k);
    }
    return true;
}

void registerPatterns() {
    static bool done = false;
    if (done) return;
    done = true;
    addUnsavedWork({"patterns", patternEdits, savePatterns});
}

// The quit question's answers.
void quitAnswered(int answer) {
    asking = false;
    if (answer == 2) return;  // Cancel: the program goes on
    if (answer == 0) {
        for (UnsavedWork &w : unsaved) {
            std::string why;
            if (!w.describe().empty() && !w.save(why)) {
                // Nothing is lost: the program goes on and says why.
                setPanelMessage("Not quitting: " + why);
                return;
            }
        }
    }
    quitNow();
}

std::string writtenAt(std::time_t when) {
    char text[64] = "";
    std::tm local;
    if (localtime_r(&when, &local)) std::strftime(text, sizeof text, "%Y-%m-%d at %H:%M", &local);
    return text;
}

void recoveryAnswered(int answer) {
    writing = true;
    lastWrite = clockNow();
    if (answer != 0) return;  // "Start fresh": the file stays until this session writes its own
    rememberForUndo("Restore");
    std::string why;
    if (!restoreRecovery(why, writer->path())) {
        setPanelMessage(why);
        return;
    }
    afterWorldReplaced();
    setPanelNote("Restored the world kept in " + writer->path());
}
}  // namespace

void (*leaveProgram)() = leaveMainLoop;

void addUnsavedWork(UnsavedWork work) { unsaved.push_back(std::move(work)); }

std::string unsavedDescription() {
    registerPatterns();
    std::string all;
    for (UnsavedWork &w : unsaved) {
        std::string d = w.describe();
        if (!d.empty()) all += (all.empty() ? "" : "\n") + d;
    }
    return all;
}

void notePatternsKept(const std::string &folder) {
    registerPatterns();
    if (!folder.empty()) folderKept = folder;
    for (int k = 0; k < kPatternSlots; k++) notePatternKept(k);
}

void notePatternKept(int slot) {
    Pattern *p = patternSlot(slot);
    if (slot >= 0 && slot < kPatternSlots) kept[slot] = p ? patternText(*p) : std::string();
}

std::string patternFolder() {
    std::error_code ec;
    fs::path folder = fs::absolute(folderKept.empty() ? fs::path(".") : fs::path(folderKept), ec);
    return folder.lexically_normal().string();
}

void askToQuit() {
    std::string what = unsavedDescription();
    if (what.empty()) {
        quitNow();
        return;
    }
    // The closed window comes back while the question waits.
    if (!shell.mainWindow) createWorldWindow();
    if (!panelWindow()) {
        buildPanel();
        panelRefresh();
    }
    if (asking) return;
    asking = true;
    std::string save = "Save";
    for (UnsavedWork &w : unsaved)
        if (!w.describe().empty()) save += (save == "Save" ? " " : " and ") + w.name;
    Question q;
    q.title = "Quit";
    q.text = what + "\n\nWhatever you choose, the world and its patterns are kept for recovery.";
    q.answers = {save, "Discard", "Cancel"};
    q.answered = quitAnswered;
    askQuestion(q);
}

void quitNow() {
    std::string why;
    if (writing && !writeRecovery(true, why)) std::printf("drovan: no recovery snapshot: %s\n", why.c_str());
    std::fflush(stdout);
    leaveProgram();
}

float recoveryPeriod() {
    const char *hook = std::getenv("DROVAN_RECOVERY_SECONDS");
    float seconds = hook ? std::strtof(hook, nullptr) : 0.0f;
    return seconds > 0.0f ? seconds : 300.0f;
}

void startRecovery(float now) {
    if (!writer) writer = std::make_unique<RecoveryWriter>();
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    lastWrite = now;
    std::time_t when = recoveryWrittenAt(writer->path());
    if (!when) {
        writing = true;
        return;
    }
    Question q;
    q.title = "Recovery";
    q.text = "The world of the last session, with its patterns, was kept on " + writtenAt(when) + " in " +
             writer->path() + ".\n\nRestore it? \"Start fresh\" keeps the file until this session writes its own.";
    q.answers = {"Restore", "Start fresh"};
    q.answered = recoveryAnswered;
    askQuestion(q);
}

void keepRecovery(float now) {
    if (signalled) {
        signalled = 0;
        quitNow();
        return;
    }
    if (!writing || !writer || now - lastWrite < recoveryPeriod()) return;
    lastWrite = now;
    std::string why;
    if (!writeRecovery(false, why)) setPanelMessage("No recovery snapshot: " + why);
}

bool writeRecovery(bool wait, std::string &why) {
    if (!writer) {
        why = "recovery was not started";
        return false;
    }
    if (!writer->save(why)) return false;
    return !wait || writer->wait(why);
}

void stopRecovery() { writer.reset(); }
