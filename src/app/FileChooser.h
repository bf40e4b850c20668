#pragma once
#include <functional>
#include <string>

// The modal file chooser inside the panel window: the current folder's
// listing with navigation, a file-name field, OK and Cancel (Enter, Escape
// and double clicks too). The open chooser accepts only existing files, the
// save chooser asks before replacing one. While it waits, the panel window
// grows over the world, which waits too.

// A full path, or an empty text when cancelled.
std::string askOpenFileName();
std::string askSaveFileName();
// True while a chooser waits for an answer.
bool fileChooserOpen();
// Draws the chooser's popup into the panel frame under way.
void drawFileChooser();
// The panel window closed: a waiting chooser gives up.
void abandonFileChooser();
// Tests answer the choosers themselves; the flag says whether it is a save.
extern std::string (*fileChooserOverride)(bool forSave);
// Called once per pass of the chooser's loop (tests type and click there).
extern std::function<void()> chooserFrameHook;
