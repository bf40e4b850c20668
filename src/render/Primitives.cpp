#include "render/Primitives.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "render/BitmapFont.h"
#include "render/Camera.h"
#include "render/SphereMesh.h"

CircleShape largeAtomShape(4.0f);
CircleShape smallAtomShape(2.0f);

void createSharedQuadric() { sphereMesh(); }

void drawLine(float x1, float y1, float x2, float y2, float z) {
    glBegin(GL_LINES);
    glVertex3f(x1, y1, z);
    glVertex3f(x2, y2, z);
    glEnd();
}

int circleSegments(float r) {
    float n = r * 0.013333334f * 12.0f;
    if (n < 10.0f) n = 10.0f;
    return static_cast<int>(n);
}

void rotateBy(Vec2 &v, float angle) {
    double len = std::hypot(static_cast<double>(v.x), static_cast<double>(v.y));
    float phi = std::atan2(v.y, v.x) + angle;
    v.x = static_cast<float>(std::cos(phi) * len);
    v.y = static_cast<float>(std::sin(phi) * len);
}

static float angularStep(int n) { return (360.0f / static_cast<float>(n)) * 0.0027777778f * 6.28f; }

void circleOffsets(float r, int n, float *out) {
    float step = angularStep(n);
    Vec2 v(r, 0.0f);
    for (int i = 0; i < n; i++) {
        rotateBy(v, step);
        out[2 * i] = v.x;
        out[2 * i + 1] = v.y;
    }
}

static void circleVertices(float cx, float cy, float r, float z) {
    int n = circleSegments(r);
    float step = angularStep(n);
    Vec2 v(r, 0.0f);
    for (int i = 0; i < n; i++) {
        rotateBy(v, step);
        glVertex3f(cx + v.x, cy + v.y, z);
    }
}

void drawCircle(float cx, float cy, float r, float z) {
    glBegin(GL_LINE_LOOP);
    circleVertices(cx, cy, r, z);
    glEnd();
}

void CircleShape::build(float r) {
    delete[] offsets;
    radius = r;
    count = circleSegments(r);
    offsets = new (std::nothrow) float[2 * count]();
    if (offsets) circleOffsets(r, count, offsets);
}

namespace {
// The frame's size in pixels: the viewport the view fills (the window, or a
// picture drawn into memory).
void frameSize(int &width, int &height) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    width = viewport[2];
    height = viewport[3];
}
}  // namespace

void beginOverlay() {
    int width, height;
    frameSize(width, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    for (int unit = 0; unit < 2; unit++) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_CUBE_MAP);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_MODELVIEW);
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void drawText(int x, int y, const char *text) {
    int width, height;
    frameSize(width, height);
    glRasterPos2i(x, height - y);
    drawBitmapText(text);
}

void drawWorldText(float x, float y, const char *format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);  // a longer text is cut
    va_end(args);
    Vec2 s = worldToScreen(Vec2(x, y));
    beginOverlay();
    drawText(static_cast<int>(s.x), static_cast<int>(s.y), buffer);
    endOverlay();
}
