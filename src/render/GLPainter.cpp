#include "render/GLPainter.h"

#include <GL/gl.h>

#include "app/Camera.h"
#include "app/Clock.h"
#include "render/Primitives.h"
#include "world/Painter.h"

namespace {
class GLPainter : public drovanPainter {
public:
    void setColour(float r, float g, float b) override { glColor3f(r, g, b); }
    void setColour4(float r, float g, float b, float a) override { glColor4f(r, g, b, a); }
    void lineWidth(float w) override { glLineWidth(w); }
    void pointSize(float s) override { glPointSize(s); }
    void line(float x1, float y1, float x2, float y2, float z) override { drawLine(x1, y1, x2, y2, z); }
    void sphere(float x, float y, const float rgb[3], float radius, float z) override { drawSphere(x, y, rgb, radius, z); }
    void circle(float cx, float cy, float r, float z) override { drawCircle(cx, cy, r, z); }
    void disc(float cx, float cy, float r, float z) override { drawDisc(cx, cy, r, z); }
    void smallDisc(float cx, float cy, bool large) override {
        if (large)
            largeAtomShape.drawFilled(cx, cy);
        else
            smallAtomShape.drawFilled(cx, cy);
    }
    void triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool filled) override {
        glBegin(filled ? GL_TRIANGLES : GL_LINE_LOOP);
        glVertex2f(x1, y1);
        glVertex2f(x2, y2);
        glVertex2f(x3, y3);
        glEnd();
    }
    void worldText(float x, float y, const char *text) override { drawWorldText(x, y, "%s", text); }
    float zoom() override { return camera.zoom; }
    float now() override { return clockNow(); }
};
GLPainter glPainter;
}  // namespace

void installGLPainter() { setPainter(&glPainter); }
