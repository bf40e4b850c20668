#pragma once
#include <functional>
#include <string>

// Quitting keeps what matters. Closing either window (or an interrupt or
// terminate signal) quits at once when nothing is unsaved. Otherwise the
// closed window comes back and the panel asks "Save patterns / Discard /
// Cancel". Whatever the answer, the live world with its patterns goes into
// the recovery snapshot when the program quits, as it does every five
// minutes while it runs, and the next start offers to restore it.

// Something the user may leave unsaved, asked about when the program quits
// (the pattern edits; a rules editor's text joins the same way).
struct UnsavedWork {
    std::string name;                            // "patterns": the button reads "Save patterns"
    std::function<std::string()> describe;       // what is unsaved, "" for nothing
    std::function<bool(std::string &why)> save;  // saves it; false, with why, when it failed
};
void addUnsavedWork(UnsavedWork work);
// What is unsaved now, one line for each kind; empty when nothing is.
std::string unsavedDescription();

// The pattern slots now hold what their files hold (start-up, a rules Load,
// Open World, Start Over), and "Save patterns" writes meta1a.txt ... beside
// the rules in folder ("" keeps the folder known before; the working
// directory when none is). One slot after its own Load or Save.
void notePatternsKept(const std::string &folder);
void notePatternKept(int slot);
// Where "Save patterns" writes.
std::string patternFolder();

// A window was closed: quit now, or ask first when something is unsaved.
void askToQuit();
// Quits without asking: the recovery snapshot, then the end of the main loop.
void quitNow();
// How the program leaves its main loop (tests watch it instead).
extern void (*leaveProgram)();

// Recovery. At start (after the about box) the panel offers the last
// session's snapshot when there is one; until it is answered nothing
// overwrites it. Then a snapshot is written every period: five minutes, or
// DROVAN_RECOVERY_SECONDS seconds (a test hook).
void startRecovery(float now);
// On every idle pass: the periodic snapshot when due, and a quit a signal asked for.
void keepRecovery(float now);
float recoveryPeriod();
// Takes the world now and writes it off the main thread; with wait, until
// written. False, with why, when there is nowhere to write or it failed.
bool writeRecovery(bool wait, std::string &why);
// Ends the writer (after the main loop).
void stopRecovery();
