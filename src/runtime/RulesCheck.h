#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// One diagnostic of the rules loader, as it would print it
// ("'NAME':LINE: MESSAGE").
struct RulesDiagnostic {
    int line = 0;
    std::string message;
    std::string text;  // that line of the file, without its line break; empty past the end
};

// A colour the text declares, in declaration order (the editor draws each
// name in its colour).
struct RulesColour {
    std::string name;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
};

struct RulesCheck {
    // False when the file cannot be read or is not text (refusal says why);
    // loadRulesFile refuses such a file too.
    bool readable = false;
    std::string refusal;
    std::vector<RulesDiagnostic> diagnostics;  // in the order the loader reports them
    // The loader's summary line ("6 colors parsed", or that the built-in
    // rules load), without its line break.
    std::string summary;
    std::vector<RulesColour> colours;
};

// Checks the rules file at path before Load in "Main" replaces the world with
// it: the same loader runs on the same text and reports the same diagnostics
// it would print, in order, but they are returned instead of printed, and
// nothing of the live world changes: the world, the patterns, the colour
// table, the settings and the place colour are as before (the loader runs on
// the live store, which is then given back whole from an in-memory image:
// things and patterns are made anew, their ids stay, pointers to them taken
// before the call do not). A clean file (readable, no diagnostics) can be
// loaded at once with loadRulesFile; otherwise the window shows the
// diagnostics and loads only when asked to.
RulesCheck checkRulesFile(const std::string &path);
// The same for a text already read; path names it in the diagnostics.
RulesCheck checkRulesText(const std::string &text, const std::string &path);

// The loader run on a stream of text by load (which closes it), its
// diagnostics gathered with the text of their line (cut to
// kDiagnosticTextLength bytes; after kMaxDiagnostics the rest are counted in
// one last entry) and its summary line. What load changes stays changed.
RulesCheck runRulesLoader(const std::string &text, const std::string &name,
                          const std::function<void(FILE *in, const char *name, FILE *log)> &load);
constexpr size_t kDiagnosticTextLength = 240;
constexpr size_t kMaxDiagnostics = 10000;
