#pragma once
#include <string>

// Load in "Main", and what a rules editor calls to apply its text.

// Checks the rules text first without touching the world (runtime/RulesCheck.h).
// A text that is not rules (not text at all) is refused with the reason in
// the panel. A clean one loads at once. One with diagnostics is not loaded
// yet: the panel lists each (line, message, the text of that line) and asks
// "Load anyway" (the statements take effect, the errors are recovered from
// as the loader does) or "Cancel" (nothing changes). path names the text in
// the diagnostics and says where its pattern files lie.
void loadRulesAsking(const std::string &text, const std::string &path);
// Replaces the scenario by the rules text as Load does (the loader's lines on
// standard output, the patterns beside path, camera, panel and plots afresh),
// after keeping the world for undo under label. False, with why, when the
// text was refused (nothing changed then).
bool applyRulesText(const std::string &text, const std::string &path, std::string &why,
                    const std::string &label = "Load");
