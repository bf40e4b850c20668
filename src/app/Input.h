#pragma once
// The pointer and the keys in the world and pattern windows: the gesture under
// way, picking, what the frame marks of it, and what a press, a key and a
// drag do.
#include "render/Scene.h"
#include "world/Vec2.h"

class Pattern;
class Thing;

// The gesture under way in the world window or a pattern window: what was
// pressed and what the pointer is over (ids, -1 for none), and whether the
// press drags, turns, or clears the selection on release.
struct Gesture {
    int pressedId = -1;
    int hoverId = -1;
    int createdId = -1;
    Vec2 pressPoint;
    Vec2 lastPointer;
    unsigned char buttonDown = 0;
    unsigned char dragging = 0;
    unsigned char clearOnRelease = 0;
    unsigned char rotating = 0;
};
extern Gesture gesture;
// The gesture and the panel's colour after the world was replaced: the old
// ids name nothing, and the colour may be gone.
void forgetGesture();

// The pointer position in world units.
Vec2 pointerWorld();
// What the frame marks of the pointer's gesture, as it stands.
PointerMarks pointerMarks();
// Newest live thing whose hit test takes the point, or -1.
int pickAt(float x, float y);
// The application press and key handlers (world coordinates, truncated).
void onPress(int x, int y);
void onKey(int key);
// What Backspace deletes (with the selection it belongs to) in the live
// world: the hovered thing, else the pressed one; null for nothing.
Thing *deleteTarget();
// Release, drag and turn as the tick polls them, at pointer p (world units).
void applyPointer(Vec2 p);
// The same for a pattern window showing P (which may be null).
void applyPatternPointer(Pattern *pattern, Vec2 p);
// The pattern of the slot the "Windows:" choice shows, or null.
Pattern *shownPattern();
