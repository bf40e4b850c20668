#pragma once
#include <string>

// The control panel: a second toolkit window drawn with Dear ImGui. The
// panel shows the world's settings and records what the user asks; the app
// (App.cpp) carries the requests out. Its parts:
//   Panel.cpp        the window, its frame and its controls, section by section
//   PanelEvents.cpp  the input queue that feeds ImGui
//   PanelLayout.cpp  where each control lay (tests and scripts click by it)
//   PanelPlots.cpp   the "Statistics" section
//   AboutBox.cpp, FileChooser.cpp, Question.cpp   the modal dialogs drawn in the panel
// A new control goes into its section in Panel.cpp; a new action gets a
// PanelActionId, a button that records it, and its case in runPanelAction;
// a new dialog gets its own file drawn at the end of the panel's frame.

// What the panel chose that is no world setting: the window shown (0 the
// live world, 1..10 the patterns) and the colour a click places.
struct PanelChoices {
    int currentWindow = 0;
    int placeColour = 0;
};
extern PanelChoices panelChoices;

enum PanelActionId {
    kActionStartOver = 0,
    kActionResetCamera = 1,
    kActionLoad = 2,
    kActionSave = 3,
    kActionMaxEdges = 4,
    // Whole-world snapshots, beside the rules files.
    kActionOpenWorld = 5,
    kActionSaveWorld = 6,
    // Take back the last action that threw a world away, or do it again.
    kActionUndo = 7,
    kActionRedo = 8,
};

// What the user asked of the app in the panel since the app last looked.
struct PanelRequests {
    int action = -1;         // a PanelActionId, -1 for none
    bool saveImage = false;  // "Save Image"
    bool rules = false;      // "Rules" or Ctrl+E: the rules editor opens or closes
};
// Hands over the requests and clears them.
PanelRequests takePanelRequests();

// Creates the window (once) and its ImGui context; keeps the placing colour
// within the colour table.
void buildPanel();
int panelWindow();
// A panel frame soon, after the app changed what the panel shows.
void panelRefresh();
// Draws one panel frame now (the panel's display callback).
void panelDisplay();
// Called on every idle pass: redraws the panel now and then.
void panelIdle();
// The world stepped: the panel's plots want a redraw soon.
void panelNoteStep();
void panelShutdown();

// The last message for the user, shown whole (wrapped) under the file
// buttons: where a save went, or in red what failed.
void setPanelMessage(const std::string &text, bool error = true);
void setPanelNote(const std::string &text);
const std::string &panelMessage();
bool panelMessageIsError();

// True while the about box, a file chooser or a question waits for an answer.
bool panelModalOpen();

// A dialog that needs room (the file chooser, a list of diagnostics) grows
// the panel window over the world while it is open, then gives it back.
void widenPanel(bool wide);
