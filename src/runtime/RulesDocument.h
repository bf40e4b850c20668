#pragma once
#include <map>
#include <string>

#include "runtime/RulesCheckProcess.h"

// The text of the rules editor and what goes with it, without the window:
// where it came from and whether it is saved, and its diagnostics, checked by
// a worker process a moment after the last change (so typing never waits on
// the loader), each check replacing the one before.
class RulesDocument {
public:
    // workerProgram is the check's worker (RulesCheckProcess); delay is the
    // quiet time after the last change before a check starts.
    explicit RulesDocument(std::string workerProgram, double delaySeconds = 0.15, double timeoutSeconds = 5.0);

    // The text of a file just loaded (saved as it stands), or the listing of
    // a world that came from elsewhere (no file: Save asks for one).
    void showFile(const std::string &text, const std::string &path);
    void showListing(const std::string &listing);

    // The editor's text changed at time now (seconds, any steady clock).
    void edited(const std::string &text, double now);
    const std::string &text() const { return current; }
    const std::string &path() const { return file; }
    bool unsaved() const { return current != saved; }
    // "Rules: logic.txt" with " *" while unsaved; the listing says so.
    std::string title() const;

    // Save to the file it came from, or to path (Save As); through the safe
    // save, so a failed save leaves the old file and says why.
    bool save(std::string &why);
    bool saveAs(const std::string &path, std::string &why);

    // Starts the check that is due and takes in a finished one; call every frame.
    void tick(double now);
    // The next check starts at the next tick, without the quiet time (Apply waits for it).
    void hurry() { lastEdit = -1e300; }
    // The worker program of the checks to come.
    void setWorkerProgram(const std::string &program) { check.setProgram(program); }
    // The newest finished check, and whether the text changed since it began.
    const RulesCheck &diagnostics() const { return checked; }
    bool checking() const { return pending || running; }
    bool stale() const { return checkedText != current; }
    // Why the last check gave no result (it crashed, ran too long), or empty.
    const std::string &checkFailure() const { return failure; }
    // Line -> messages of that line, one per line break, for the margin.
    std::map<int, std::string> lineMarkers() const;

private:
    void begin(const std::string &text, const std::string &path);

    RulesCheckProcess check;
    double delay;
    std::string current, saved, file, checkedText, runningText, failure;
    bool pending = false, running = false;
    double lastEdit = 0.0;
    RulesCheck checked;
};
