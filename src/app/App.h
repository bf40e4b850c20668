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
// After the world was replaced whole (Open World, undo, a restored
// recovery snapshot): the gesture, the step clock, the plots and the panel
// start afresh.
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
