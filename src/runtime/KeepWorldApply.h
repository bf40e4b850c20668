#pragma once
#include <string>
#include <vector>

#include "runtime/RulesCheck.h"

// "Apply and keep the world": the colour rules, the global settings and the
// pattern slots' rules of a rules text replace those in force, while every
// node, edge and atom stays where it is. Colours are matched by name, so a
// thing keeps its colour when the text reorders colours or adds new ones;
// node and edge statements of the text are not run. When a colour that some
// thing wears would vanish, nothing at all changes.
struct KeepWorldApply {
    bool applied = false;
    // Colours in use that the text does not name (then nothing changed).
    std::vector<std::string> vanishing;
    // Node and edge statements read but not run.
    int statementsNotRun = 0;
    // The loader's diagnostics for the text (statements take effect as a
    // load would take them, mistakes and all).
    RulesCheck check;
    // One line for the panel saying what happened.
    std::string message;
};

KeepWorldApply applyRulesKeepingWorld(const std::string &text, const std::string &name);
