#pragma once
#include <cstdio>
#include <string>

// The desktop program around the shell: start-up, the ticks, rules reloads,
// the about box and the panel's extras.
void printBanner();
// Everything main does before the about box: clock, shell, handlers, painter,
// world, camera, pattern slots, panel, rules and pattern files from folder.
void appStartup(const std::string &folder);
void idleTick();
void patternWindowTick();
// Load in "Main": the rules file replaces the scenario (loadRulesFile), then
// camera, panel and statistics start afresh. A refused file changes nothing.
bool reloadRules(const std::string &path, std::string &why);
void showAboutBox();
std::string aboutText();
// The panel's "Step": one world step at the next tick while paused.
void requestSingleStep();
bool singleStepPending();
// "Run ahead": that many steps exactly as the tick runs them, as fast as
// they go, with a frame about ten times a second; Cancel stops after the
// current step.
struct RunAheadState {
    int total = 0;
    int done = 0;
};
extern RunAheadState runAhead;
void startRunAhead(int steps);
void cancelRunAhead();
bool runAheadActive();
// Write the current view of the world as a PNG image.
bool captureView(const std::string &path, std::string &why);
int drovanMain();
