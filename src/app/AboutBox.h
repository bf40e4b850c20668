#pragma once
#include <string>

// The modal about box in the panel window: a popup titled "Drovan" with the
// text and an OK button (Enter and Escape close it too). While it is open the
// live world does not step and the world window takes no edits.
void openAboutBox(const std::string &text);
// Open, and there is a panel to show it.
bool aboutBoxOpen();
void closeAboutBox();
// Draws the popup into the panel frame under way.
void drawAboutBox();
