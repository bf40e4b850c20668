#pragma once
#include "world/Vec2.h"

// Immediate-mode drawing for the frame's own marks (the things draw through
// the painter). Each draws in the current colour.
// Builds the shared sphere mesh at start-up rather than in the first frame.
void createSharedQuadric();
void drawLine(float x1, float y1, float x2, float y2, float z);
int circleSegments(float r);
void drawCircle(float cx, float cy, float r, float z);
void rotateBy(Vec2 &v, float angle);

// A circle whose vertex offsets are computed once.
class CircleShape {
public:
    CircleShape() = default;
    explicit CircleShape(float r) { build(r); }
    ~CircleShape() { delete[] offsets; }
    CircleShape(const CircleShape &) = delete;
    CircleShape &operator=(const CircleShape &) = delete;
    void build(float r);

    float *offsets = nullptr;  // count pairs
    int count = 0;
    float radius = 0.0f;
};
extern CircleShape largeAtomShape;  // radius 4
extern CircleShape smallAtomShape;  // radius 2

// The vertex walk: fills n pairs of offsets for a circle of radius r.
void circleOffsets(float r, int n, float *out);

void beginOverlay();
void endOverlay();
// Text in the window's font (BitmapFont.h) at frame pixel (x, y), y from the top.
void drawText(int x, int y, const char *text);
void drawWorldText(float x, float y, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
