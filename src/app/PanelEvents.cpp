#include "app/PanelEvents.h"

#include <GL/freeglut.h>
#include <backends/imgui_impl_glut.h>

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "app/Panel.h"
#include "app/Shell.h"
#include "runtime/Clock.h"

namespace {
UiEventQueue panelQueue;
// The queue of each window whose input callbacks were installed, by window.
std::map<int, UiEventQueue *> windowQueues;

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

// The toolkit calls back with the receiving window current.
UiEventQueue &currentQueue() {
    auto it = windowQueues.find(glutGetWindow());
    return it != windowQueues.end() ? *it->second : panelQueue;
}

void queueEvent(PanelEvent e, UiEventQueue &q = currentQueue()) {
    q.events.push_back(e);
    q.lastInput = clockNow();
    shell.changed = true;  // a setting may change what the world window shows
    if (q.window) glutPostWindowRedisplay(q.window);
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
void toolkitMouse(int button, int state, int x, int y) {
    if (!ImGui::GetCurrentContext()) return;  // no window context yet, or no more
    queueEvent({PanelEvent::Button, button, state, x, y, 0});
}
void panelReshape(int w, int h) {
    // The panel's context is the current one here; another window sizes its
    // own display from the window at each frame.
    if (&currentQueue() == &panelQueue) ImGui_ImplGLUT_ReshapeFunc(w, h);
    queueEvent({PanelEvent::Motion, 0, 0, -1, -1, 0});
}
}  // namespace

void installPanelInput() { installWindowInput(panelQueue); }

void installWindowInput(UiEventQueue &queue) {
    queue.window = glutGetWindow();
    windowQueues[queue.window] = &queue;
    glutReshapeFunc(panelReshape);
    glutMotionFunc(panelMotion);
    glutPassiveMotionFunc(panelMotion);
    glutMouseWheelFunc(panelWheel);
    glutKeyboardFunc(toolkitKeyboard);
    glutKeyboardUpFunc(toolkitKeyboardUp);
    glutSpecialFunc(toolkitSpecial);
    glutSpecialUpFunc(toolkitSpecialUp);
    glutMouseFunc(toolkitMouse);
}

void forgetWindowInput(UiEventQueue &queue) {
    windowQueues.erase(queue.window);
    queue.window = 0;
    queue.events.clear();
}

void feedFrameEvents() { feedFrameEvents(panelQueue); }

void feedFrameEvents(UiEventQueue &queue) {
    std::vector<int> changed;
    while (!queue.events.empty()) {
        int k = keyIndex(queue.events.front());
        if (k >= 0) {
            if (std::find(changed.begin(), changed.end(), k) != changed.end()) break;
            changed.push_back(k);
        }
        feed(queue.events.front());
        queue.events.pop_front();
    }
}

void panelMouse(int button, int state, int x, int y) {
    if (!ImGui::GetCurrentContext()) return;  // no panel yet, or no more
    queueEvent({PanelEvent::Button, button, state, x, y, 0}, panelQueue);
}

void panelKeyTap(int key) { windowKeyTap(panelQueue, key, 0); }

void windowMouse(UiEventQueue &queue, int button, int state, int x, int y) {
    queueEvent({PanelEvent::Motion, 0, 0, x, y, 0}, queue);
    queueEvent({PanelEvent::Button, button, state, x, y, 0}, queue);
}

void windowKeyTap(UiEventQueue &queue, int key, int modifiers) {
    queueEvent({PanelEvent::Key, key, 0, 0, 0, modifiers}, queue);
    queueEvent({PanelEvent::KeyUp, key, 0, 0, 0, modifiers}, queue);
}

void windowSpecialTap(UiEventQueue &queue, int key, int modifiers) {
    queueEvent({PanelEvent::Special, key, 0, 0, 0, modifiers}, queue);
    queueEvent({PanelEvent::SpecialUp, key, 0, 0, 0, modifiers}, queue);
}

bool panelInputPending() { return !panelQueue.events.empty(); }
bool inputPending(const UiEventQueue &queue) { return !queue.events.empty(); }
float lastPanelInputTime() { return panelQueue.lastInput; }
void notePanelInput() { panelQueue.lastInput = clockNow(); }

bool keyPressed(ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false); }
