#include "app/PanelEvents.h"

#include <GL/freeglut.h>
#include <backends/imgui_impl_glut.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "app/Panel.h"
#include "app/Shell.h"
#include "runtime/Clock.h"

namespace {
struct PanelEvent {
    enum Kind { Button, Motion, Wheel, Key, KeyUp, Special, SpecialUp } kind;
    int code, state, x, y, mods;
};
std::deque<PanelEvent> events;
float lastPanelInput = -10.0f;

int keyIndex(const PanelEvent &e) {
    switch (e.kind) {
    case PanelEvent::Button: return 1000 + e.code;
    case PanelEvent::Key:
    case PanelEvent::KeyUp: return e.code >= 'A' && e.code <= 'Z' ? e.code - 'A' + 'a' : e.code;
    case PanelEvent::Special:
    case PanelEvent::SpecialUp: return 256 + e.code;
    default: return -1;
    }
}

void setKey(int c, bool down) {
    ImGuiIO &io = ImGui::GetIO();
    if (c >= 1 && c <= 26) {  // the toolkit sends control-letters as 1..26
        io.KeysDown[c] = io.KeysDown[c - 1 + 'a'] = io.KeysDown[c - 1 + 'A'] = down;
    } else if (c >= 'a' && c <= 'z') {
        io.KeysDown[c] = io.KeysDown[c - 'a' + 'A'] = down;
    } else if (c >= 'A' && c <= 'Z') {
        io.KeysDown[c] = io.KeysDown[c - 'A' + 'a'] = down;
    } else if (c >= 0 && c < 256) {
        io.KeysDown[c] = down;
    }
}

void feed(const PanelEvent &e) {
    ImGuiIO &io = ImGui::GetIO();
    io.KeyShift = (e.mods & GLUT_ACTIVE_SHIFT) != 0;
    io.KeyCtrl = (e.mods & GLUT_ACTIVE_CTRL) != 0;
    io.KeyAlt = (e.mods & GLUT_ACTIVE_ALT) != 0;
    switch (e.kind) {
    case PanelEvent::Button: ImGui_ImplGLUT_MouseFunc(e.code, e.state, e.x, e.y); break;
    case PanelEvent::Motion: ImGui_ImplGLUT_MotionFunc(e.x, e.y); break;
    case PanelEvent::Wheel: ImGui_ImplGLUT_MouseWheelFunc(0, e.code, e.x, e.y); break;
    case PanelEvent::Key:
        if (e.code >= 32) io.AddInputCharacter(static_cast<unsigned>(e.code));
        setKey(e.code, true);
        break;
    case PanelEvent::KeyUp: setKey(e.code, false); break;
    case PanelEvent::Special:
    case PanelEvent::SpecialUp:
        if (e.code >= 0 && e.code < 256) io.KeysDown[256 + e.code] = e.kind == PanelEvent::Special;
        break;
    }
}

void queueEvent(PanelEvent e) {
    events.push_back(e);
    lastPanelInput = clockNow();
    shell.changed = true;  // a setting may change what the world window shows
    panelRefresh();
}

// The toolkit's callbacks; the modifiers are known only inside them.
void panelMotion(int x, int y) { queueEvent({PanelEvent::Motion, 0, 0, x, y, 0}); }
void panelWheel(int, int dir, int x, int y) { queueEvent({PanelEvent::Wheel, dir, 0, x, y, 0}); }
void toolkitKeyboard(unsigned char c, int x, int y) { queueEvent({PanelEvent::Key, c, 0, x, y, glutGetModifiers()}); }
void toolkitKeyboardUp(unsigned char c, int x, int y) {
    queueEvent({PanelEvent::KeyUp, c, 0, x, y, glutGetModifiers()});
}
void toolkitSpecial(int key, int x, int y) { queueEvent({PanelEvent::Special, key, 0, x, y, glutGetModifiers()}); }
void toolkitSpecialUp(int key, int x, int y) { queueEvent({PanelEvent::SpecialUp, key, 0, x, y, glutGetModifiers()}); }
void panelReshape(int w, int h) {
    ImGui_ImplGLUT_ReshapeFunc(w, h);
    queueEvent({PanelEvent::Motion, 0, 0, -1, -1, 0});
}
}  // namespace

void installPanelInput() {
    glutReshapeFunc(panelReshape);
    glutMotionFunc(panelMotion);
    glutPassiveMotionFunc(panelMotion);
    glutMouseWheelFunc(panelWheel);
    glutKeyboardFunc(toolkitKeyboard);
    glutKeyboardUpFunc(toolkitKeyboardUp);
    glutSpecialFunc(toolkitSpecial);
    glutSpecialUpFunc(toolkitSpecialUp);
    glutMouseFunc(panelMouse);
}

void feedFrameEvents() {
    std::vector<int> changed;
    while (!events.empty()) {
        int k = keyIndex(events.front());
        if (k >= 0) {
            if (std::find(changed.begin(), changed.end(), k) != changed.end()) break;
            changed.push_back(k);
        }
        feed(events.front());
        events.pop_front();
    }
}

void panelMouse(int button, int state, int x, int y) {
    if (!ImGui::GetCurrentContext()) return;  // no panel yet, or no more
    queueEvent({PanelEvent::Button, button, state, x, y, 0});
}

void panelKeyTap(int key) {
    queueEvent({PanelEvent::Key, key, 0, 0, 0, 0});
    queueEvent({PanelEvent::KeyUp, key, 0, 0, 0, 0});
}

bool panelInputPending() { return !events.empty(); }
float lastPanelInputTime() { return lastPanelInput; }
void notePanelInput() { lastPanelInput = clockNow(); }

bool keyPressed(ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false); }
