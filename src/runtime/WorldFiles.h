#pragma once
#include <cstdio>
#include <string>

class Pattern;

// What the panel's Load and "Start Over" do to the world, whole, so that the
// window only calls one of these and then refreshes its camera and panel.
// Each reads and checks its file before anything of the world changes: a
// refused file leaves the world, the patterns, the colour table and the
// settings exactly as they were. Thing and pattern pointers stay valid
// except where a call says it replaces the world.

// Load in "Main": reads the rules file at path whole and refuses one that is
// not text (a NUL byte, or mostly control characters) or cannot be read,
// with why naming it. Otherwise the rules replace the scenario as start-up
// reads them (empty pattern slots, the loader's diagnostics and summary line
// on log), and meta1a.txt ... meta10a.txt beside the file are read into the
// slots. Returns true when the rules were loaded.
bool loadRulesFile(const std::string &path, std::string &why, FILE *log = stdout);
// The same with the file's text already read (a rules editor's, or the text
// the window checked): path names it in diagnostics and says where the
// pattern files lie. With no path, the patterns in force stay and messages
// name "listing".
bool loadRulesText(const std::string &text, const std::string &path, std::string &why, FILE *log = stdout);

// Load in a "Meta" window: reads the pattern file at path whole into
// pattern. A file that cannot be read, ends early or holds a field that does
// not parse changes nothing and returns false with why. Otherwise the
// pattern's graph is replaced (its slot's rules and counts stay) and why
// tells of node or edge lines left out because they do not fit the colours in
// force, if any.
bool loadPatternFile(Pattern &pattern, const std::string &path, std::string &why);

// Save in a "Meta" window, and "Save patterns" when the program quits (with
// patternFilePath for the file beside the rules): writes the pattern through
// the safe save; a failed write leaves the old file as it was and why says so.
bool savePatternFile(Pattern &pattern, const std::string &path, std::string &why);
// The pattern as its file would hold it: a window compares it with the text
// of its last load or save to know whether it has unsaved edits.
std::string patternText(Pattern &pattern);

// "Start Over": an empty world with empty pattern slots; the settings, the
// colours and the rules stay. Replaces every thing and every pattern.
void startOver();

// Empty when text may be a rules file; otherwise why it is not (it names the
// file by name).
std::string notTextProblem(const std::string &text, const std::string &name);
