#pragma once
#include "app/WindowPlacement.h"

// The thin layer over the windowing toolkit ("grShell"): the window, its
// callbacks, button and modifier state, double clicks, panning and the wheel.
struct ShellState {
    int mainWindow = 0;
    void (*appIdle)() = nullptr;
    void (*appMouse)(int x, int y) = nullptr;
    void (*appKey)(int key) = nullptr;
    // Extra work run at the end of every idle pass (the panel's redraw).
    void (*idleHook)() = nullptr;
    // The window system closed a window (the world's or the panel's): run at
    // the start of the next idle pass, which draws nothing while the world
    // window is gone.
    void (*closeHook)() = nullptr;
    bool closeAsked = false;
    // Where the windows open, for the screen the program started on.
    WindowPlacement placement;

    int pointerX = 0, pointerY = 0;
    unsigned char anyButtonDown = 0;
    unsigned char rightDown = 0;
    unsigned char leftDown = 0;
    int modifiers = 0;
    unsigned char doubleClick = 0;
    float lastPressTime = 0.0f;
    int lastPressX = -1, lastPressY = -1;
    int lastButton = 0, lastState = 0;
    bool panMotion = false;  // the active-motion callback is the pan motion
    int wheelAccum = 0;
    int windowSide = 800;
    // Something the user did (or the window system asked) since the last frame.
    bool changed = true;
};
extern ShellState shell;

constexpr int kShiftMask = 1;
constexpr int kControlMask = 2;
constexpr int kAltMask = 4;

void shellInit();
// Creates the world window at its place, with its callbacks and drawing
// state (at start-up, and again when it was closed and the program goes on).
void createWorldWindow();
void setAppMouseHandler(void (*f)(int x, int y));
void setAppKeyHandler(void (*f)(int key));
void runMainLoop(void (*tick)());
// Sign of the wheel movement since the last call; clears it.
int wheelStep();
void shellIdle();
// Rest up to the given seconds, waking early when window input arrives.
void shellRest(float seconds);
// Tests with a frozen clock rest by moving it instead.
extern void (*shellRestOverride)(float seconds);

// The toolkit callbacks, callable directly (tests drive them).
void shellDisplay();
void shellReshape(int w, int h);
void shellMouse(int button, int state, int x, int y);
void shellMotion(int x, int y);
void shellPanMotion(int x, int y);
// Motion with a button held: plain or pan, as the last press chose.
void shellActiveMotion(int x, int y);
void shellKeyboard(unsigned char key, int x, int y);
void shellSpecial(int key, int x, int y);
void shellWheel(int wheel, int direction, int x, int y);
// The modifier mask as the toolkit reports it at a press; tests may override it.
extern int (*shellModifierSource)();
