#pragma once
#include <functional>
#include <string>
#include <vector>

// The control panel: a second toolkit window drawn with an immediate-mode UI.

// Where the panel window sits on the screen, and its size.
constexpr int kPanelX = 1016, kPanelY = 32, kPanelW = 264, kPanelH = 960;

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
};

// What the user asked of the app in the panel since the app last looked:
// the panel's frames record it, the app carries it out (App.cpp).
struct PanelRequests {
    int action = -1;         // a PanelActionId, -1 for none
    bool saveImage = false;  // "Save Image"
};
PanelRequests takePanelRequests();

void buildPanel();
// A panel frame soon, after the app changed what the panel shows.
void panelRefresh();
// Draws one panel frame now (the panel's display callback).
void panelDisplay();
// Called on every idle pass: redraws the panel now and then.
void panelIdle();
int panelWindow();

// The last message for the user (a failed save), shown in the panel.
void setPanelMessage(const std::string &text);
const std::string &panelMessage();

// True while the about box or a file chooser waits for an answer.
bool panelModalOpen();

void panelShutdown();
// The world stepped: the panel's plots want a redraw soon.
void panelNoteStep();
