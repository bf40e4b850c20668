#pragma once
#include <string>
#include <vector>

#include "app/PanelLayout.h"

struct UiEventQueue;
class RulesDocument;
class TextEditor;

// The "Rules" window: the text of the scenario in force in an editor (the
// text of the file last loaded, or the listing of a world that came from
// elsewhere), with line numbers, colouring, undo and redo, find, the desktop
// clipboard, its diagnostics a moment after the last key, Save and Save As,
// and Apply. A window of its own, drawn with Dear ImGui in its own context;
// its title names the file and marks unsaved text. It records what the user
// asks; the app carries the actions out (App.cpp).

// What the user asked of the app in the Rules window since the app last looked.
struct RulesRequests {
    bool apply = false;           // Apply: the text replaces the scenario, as Load does
    bool applyKeepWorld = false;  // Apply and keep the world
    bool save = false, saveAs = false;
};
RulesRequests takeRulesRequests();

// Opens the window (or closes it when open): the panel's "Rules" button and Ctrl+E.
void toggleRulesWindow();
void openRulesWindow();
void closeRulesWindow();
bool rulesWindowOpen();

// The scenario in force changed: it came from the file at path (with its
// text), or from elsewhere (the listing is shown). Unsaved text in the
// editor is never replaced: the window offers to show the new scenario.
// dropUnsaved replaces the text all the same (the window's button for it does).
void rulesShowScenario(const std::string &text, const std::string &path, bool dropUnsaved = false);
void rulesShowListing();

// Every idle pass: the check that is due, and a frame when one is wanted.
void rulesWindowIdle();
// True while a check runs or input waits: the program should not rest long.
bool rulesWindowBusy();
// Text typed and not saved: what quitting would lose.
bool rulesEditorUnsaved();
// One line for the user under the window's buttons (what Apply or Save did).
void setRulesMessage(const std::string &text, bool problem);

// The program the checks run as their worker: this program itself unless
// told otherwise (the window tests run drovan-batch).
void setRulesCheckWorker(const std::string &program);

// The parts, for the app and the tests.
RulesDocument &rulesDocument();
TextEditor &rulesEditor();
UiEventQueue &rulesWindowInput();
int rulesWindowId();
// Draws one frame now (the window's display callback).
void rulesWindowDisplay();
// Where the last frame drew its buttons, messages and diagnostics (labels as shown).
const std::vector<PanelItem> &rulesWindowItems();
// The longest frame of the window so far, in milliseconds (tests read it).
float rulesLongestFrame();
