#pragma once
#include <string>

// The control panel: a second toolkit window drawn with an immediate-mode UI.
enum PanelActionId {
    kActionStartOver = 0,
    kActionResetCamera = 1,
    kActionLoad = 2,
    kActionSave = 3,
    kActionMaxEdges = 4,
};

void buildPanel();
// What refreshPanel does once the panel exists (installed as its hook).
void panelRefresh();
void panelAction(int id);
// Draws one panel frame now (the panel's display callback).
void panelDisplay();
// Called on every idle pass: redraws the panel now and then.
void panelIdle();
int panelWindow();

// File choosers: a full path, or an empty text when cancelled.
std::string askOpenFileName();
std::string askSaveFileName();
// Tests answer the choosers themselves; the flag says whether it is a save.
extern std::string (*fileChooserOverride)(bool forSave);

// The last message for the user (a failed save), shown in the panel.
void setPanelMessage(const std::string &text);
const std::string &panelMessage();

// The modal about box.
void openAboutBox(const std::string &text);
bool aboutBoxOpen();
// True while the about box or a file chooser waits for an answer.
bool panelModalOpen();
void closeAboutBox();

// Panel mouse input, with a release held back until the UI has seen its press.
void panelMouse(int button, int state, int x, int y);
void panelShutdown();
