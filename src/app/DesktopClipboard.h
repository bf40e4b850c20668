#pragma once
#include <string>

// Copy and paste between the program's text fields and other programs on
// the desktop. Neither GLUT nor Dear ImGui 1.86 reaches the X11 clipboard, so
// the X11 CLIPBOARD selection is read and written through xclip (Debian
// package xclip). Without xclip, copy and paste stay inside the program and
// the panel says so once.
void installDesktopClipboard();
// Why copying to or pasting from the desktop failed last, or empty.
const std::string &desktopClipboardProblem();
