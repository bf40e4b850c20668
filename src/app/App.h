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
void reloadRules(const char *path, FILE *file);
void showAboutBox();
std::string aboutText();
// Write the current view of the world as a PNG image.
bool captureView(const std::string &path, std::string &why);
int drovanMain();
