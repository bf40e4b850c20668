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

// A paste that does not hold up frames: asked for here, its text arrives at
// a later frame (the desktop's owner may be slow, the text large). Text over
// limit bytes is not taken: it arrives empty with tooLarge set.
void requestDesktopPaste(size_t limit);
struct DesktopPaste {
    std::string text;
    bool tooLarge = false;
    size_t size = 0;  // how much had come when it was found too large
};
// True once, when the requested paste has arrived (or failed: empty text and a problem).
bool desktopPasteArrived(DesktopPaste &paste);
bool desktopPasteWaiting();
// The toolkit's next clipboard reads in this frame answer with text.
void offerClipboardText(const std::string &text);
