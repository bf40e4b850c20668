#pragma once
#include <string>

// Whole-world snapshots (format: docs/snapshot-format.md), for the desktop
// program's "Save World" / "Open World" and the headless tool.

// Writes everything a later step depends on through the safe save. On failure
// the old file is unchanged and why says what went wrong.
bool saveWorldSnapshot(const std::string &path, std::string &why);

// Replaces the world by the one saved in path, so that the next tick continues
// it exactly. A damaged, truncated, foreign or newer file is refused: the
// world is left untouched and why names the file and the line or byte.
// The saved lastStepTime is kept; the desktop program sets it to its clock
// afterwards (that field is wall-clock time there).
bool openWorldSnapshot(const std::string &path, std::string &why);
