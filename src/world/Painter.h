#pragma once

// The drawing primitives that things use to draw themselves. The simulation
// never includes a graphics header: the desktop program installs a painter
// that draws with OpenGL; headless runs keep the silent default.
class Painter {
public:
    virtual ~Painter() = default;
    virtual void setColour(float r, float g, float b) {
        (void)r;
        (void)g;
        (void)b;
    }
    virtual void setColour4(float r, float g, float b, float a) {
        (void)r;
        (void)g;
        (void)b;
        (void)a;
    }
    virtual void lineWidth(float w) { (void)w; }
    virtual void pointSize(float s) { (void)s; }
    virtual void line(float x1, float y1, float x2, float y2, float z) {
        (void)x1;
        (void)y1;
        (void)x2;
        (void)y2;
        (void)z;
    }
    virtual void sphere(float x, float y, const float rgb[3], float radius, float z) {
        (void)x;
        (void)y;
        (void)rgb;
        (void)radius;
        (void)z;
    }
    virtual void circle(float cx, float cy, float r, float z) {
        (void)cx;
        (void)cy;
        (void)r;
        (void)z;
    }
    virtual void disc(float cx, float cy, float r, float z) {
        (void)cx;
        (void)cy;
        (void)r;
        (void)z;
    }
    // The shared pre-computed circles of radius 4 and 2 (atoms).
    virtual void smallDisc(float cx, float cy, bool large) {
        (void)cx;
        (void)cy;
        (void)large;
    }
    virtual void triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool filled) {
        (void)x1;
        (void)y1;
        (void)x2;
        (void)y2;
        (void)x3;
        (void)y3;
        (void)filled;
    }
    // Formatted text at a world point, in the current colour.
    virtual void worldText(float x, float y, const char *text) {
        (void)x;
        (void)y;
        (void)text;
    }
    // Camera zoom, used by highlights and labels.
    virtual float zoom() { return 1.0f; }
    // The program's wall clock in seconds, for highlight pulses.
    virtual float now() { return 0.0f; }
    // Where the coordinates a label shows count from: the world's corner, or
    // the centre of the pattern a pattern window shows.
    virtual float labelOriginX() { return 0.0f; }
    virtual float labelOriginY() { return 0.0f; }
};

Painter &painter();
void setPainter(Painter *p);
