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
// The rules editor shows the file the scenario in force came from.
void showRulesFileInEditor(const std::string &path);
// The rules editor's text replaces the scenario as Load does (undoable), or
// (keepWorld) its rules and settings replace those in force while the world
// stays.
void applyEditorRules(bool keepWorld);
// What the Rules window recorded since the last idle pass, then its checks.
void carryOutRulesRequests();
// After the world was replaced whole (Open World, undo, a restored
// recovery snapshot): the gesture, the step clock, the plots and the panel
// start afresh; the rules editor shows the listing.
void afterWorldReplaced();
void showAboutBox();
// Carries out one of the panel's actions (a PanelActionId) as its button asks.
void runPanelAction(int id);
// What the panel recorded since the last idle pass, then the panel's own
// redraw pacing (the shell's idle hook).
void carryOutPanelRequests();
std::string aboutText();
// Write the current view of the world as a PNG image.
bool captureView(const std::string &path, std::string &why);
int drovanMain();
