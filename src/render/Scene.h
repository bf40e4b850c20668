#pragma once
#include "world/Vec2.h"

// The frames of the world window: the live world, or the pattern a pattern
// window shows, with the marks of what the pointer is doing.
class AggregateGrid;
class Pattern;

// What the pointer is doing, as the frame marks it: the pressed and the
// hovered thing (ids, -1 for none) and, while a press may become an edge, the
// rubber band from the pressed node to the pointer.
struct PointerMarks {
    int pressedId = -1;
    int hoverId = -1;
    bool rubberBand = false;
    Vec2 pointer;          // world units
    int placeColour = -1;  // the band takes this colour with coloured edges
};

void beginFrame(bool clear);
void applyView();
void drawWorld();
void drawAggregateGrid(const AggregateGrid &grid);
void drawSelectionRings();
void drawStatusLine(int nodes, int edges);
// Shows the frame drawn into the back buffer (the window's buffer swap).
void setBufferSwap(void (*swap)());
// The frames end with the buffer swap unless swap is false (tests, pictures
// and recordings read the back buffer first).
void drawLiveFrame(const PointerMarks &marks, bool swap = true);
// The pattern (null for none) about the window's centre.
void drawPatternFrame(Pattern *pattern, const PointerMarks &marks, bool swap = true);
