#pragma once
#include <cstdio>
#include <string>

// What the desktop shell contributes to start-up; the headless tool leaves
// these empty.
struct StartupHooks {
    void (*resetCamera)() = nullptr;
    void (*rebuildPanel)() = nullptr;  // the panel's choices back to their start, built and refreshed
    float startTime = 0.0f;            // the program's clock at start-up
};

struct StartupResult {
    bool rulesOpened = false;
    std::string rulesPath;
    int patternsRead = 0;
};

// Start-up without the window: world rectangle, step clock, resetWorld, camera,
// pattern slots, panel, then the rules file and (when patternDir is not empty)
// the pattern files meta1a.txt .. meta10a.txt from patternDir. A pattern file
// that is damaged is reported on standard output.
// The rules summary line goes to log (standard output for the program).
StartupResult startWorld(const std::string &rulesPath, const std::string &patternDir, const StartupHooks &hooks,
                         FILE *log = stdout);

// The desktop program's search: ./Rules & Scenarios, then ../Rules & Scenarios.
// Returns the folder holding logic.txt, or an empty text.
std::string findScenarioFolder();

// Read one pattern file into a slot, reporting a damaged file on standard output.
// Returns false when the file could not be opened.
bool readPatternFile(int slot, const std::string &path);
// meta1a.txt .. meta10a.txt from a folder into slots 0..9; returns how many opened.
int readPatternFolder(const std::string &folder);
// The pattern file of a slot in a folder: meta1a.txt for slot 0 ... meta10a.txt.
std::string patternFilePath(const std::string &folder, int slot);
