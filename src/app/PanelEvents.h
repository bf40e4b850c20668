#pragma once
#include <imgui.h>

#include <deque>

// The panel window's input. ImGui 1.86 has no input queue: a key or button
// that goes down and up within one frame is never seen. The toolkit's
// callbacks queue events here instead, and each panel frame feeds ImGui the
// ones it may see, in order, until one would press or release a key or button
// a second time; so quick clicks and keys are never lost.

// One event as the toolkit delivered it.
struct PanelEvent {
    enum Kind { Button, Motion, Wheel, Key, KeyUp, Special, SpecialUp } kind;
    int code, state, x, y, mods;
};

// The events waiting for one window's frames. The panel has one; another
// window drawn with ImGui (the rules editor) keeps its own.
struct UiEventQueue {
    std::deque<PanelEvent> events;
    float lastInput = -10.0f;
    int window = 0;
};

// Installs the toolkit's input callbacks on the current (the panel) window.
void installPanelInput();
// The same for another window (current now), feeding its own queue; forget
// it when the window goes.
void installWindowInput(UiEventQueue &queue);
void forgetWindowInput(UiEventQueue &queue);
void feedFrameEvents(UiEventQueue &queue);
bool inputPending(const UiEventQueue &queue);
// Input for another window as its callbacks would queue it (tests type with these).
void windowMouse(UiEventQueue &queue, int button, int state, int x, int y);
void windowKeyTap(UiEventQueue &queue, int key, int modifiers);
void windowSpecialTap(UiEventQueue &queue, int key, int modifiers);
// Feeds ImGui the events the frame under way may see; the rest wait.
void feedFrameEvents();
bool panelInputPending();
// When input last came, on the program's clock; noting it (as closing the
// about box from the world window does) makes the panel redraw promptly.
float lastPanelInputTime();
void notePanelInput();
// The toolkit's mouse callback, callable directly.
void panelMouse(int button, int state, int x, int y);
// A key pressed and released at once, as a quick typist does.
void panelKeyTap(int key);
// Whether the key went down in the frame under way (repeats not counted).
bool keyPressed(ImGuiKey key);
