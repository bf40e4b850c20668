#include "render/GLPainter.h"

#include <GL/gl.h>

#include <vector>

#include "render/Camera.h"
#include "runtime/Clock.h"
#include "render/PaintBatch.h"
#include "render/Primitives.h"
#include "world/Painter.h"

namespace {
class GLPainter : public Painter {
public:
    void setColour(float r, float g, float b) override { setColour4(r, g, b, 1.0f); }
    void setColour4(float r, float g, float b, float a) override {
        colour[0] = r;
        colour[1] = g;
        colour[2] = b;
        colour[3] = a;
        if (!batching) glColor4f(r, g, b, a);
    }
    void lineWidth(float w) override {
        width = w;
        if (!batching) glLineWidth(w);
    }
    void pointSize(float s) override {
        point = s;
        if (!batching) glPointSize(s);
    }
    void line(float x1, float y1, float x2, float y2, float z) override {
        adopt();
        batch.line(x1, y1, x2, y2, z, colour, width);
        drawn();
    }
    void sphere(float x, float y, const float rgb[3], float radius, float z) override {
        batch.sphere(x, y, z, radius, rgb);
        // The sphere leaves its half transparent colour current.
        setColour4(rgb[0], rgb[1], rgb[2], 0.5f);
        drawn();
    }
    void circle(float cx, float cy, float r, float z) override {
        adopt();
        int n = circlePoints(cx, cy, r);
        batch.loop(points.data(), n, 0.0f, 0.0f, z, colour, width);
        drawn();
    }
    void disc(float cx, float cy, float r, float z) override {
        adopt();
        int n = circlePoints(cx, cy, r);
        batch.fan(points.data(), n, 0.0f, 0.0f, z, colour);
        drawn();
    }
    void smallDisc(float cx, float cy, bool large) override {
        adopt();
        const CircleShape &s = large ? largeAtomShape : smallAtomShape;
        if (s.offsets)
            batch.fan(s.offsets, s.count, cx, cy, 0.0f, colour);
        else
            disc(cx, cy, s.radius, 0.0f);
        drawn();
    }
    void triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool filled) override {
        adopt();
        const float xy[6] = {x1, y1, x2, y2, x3, y3};
        if (filled)
            batch.fan(xy, 3, 0.0f, 0.0f, 0.0f, colour);
        else
            batch.loop(xy, 3, 0.0f, 0.0f, 0.0f, colour, width);
        drawn();
    }
    void worldText(float x, float y, const char *text) override {
        if (batching) {
            flush();
            glColor4f(colour[0], colour[1], colour[2], colour[3]);
        }
        drawWorldText(x, y, "%s", text);
    }
    void setSquarePixels(float p) { batch.setSpritePixels(p); }
    float zoom() override { return camera.zoom; }
    float now() override { return clockNow(); }
    float labelOriginX() override { return origin; }
    float labelOriginY() override { return origin; }
    void setLabelOrigin(float o) { origin = o; }

    void begin() {
        flush();
        adopt();
        batching = true;
        int viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        float side = static_cast<float>(viewport[2] < viewport[3] ? viewport[2] : viewport[3]);
        // The view spans 3200 units at zoom 1 across the window's side.
        float zoom = camera.zoom > 0.0f ? camera.zoom : 1.0f;
        batch.setUnitsPerPixel(side > 0.0f ? 3200.0f / side / zoom : 3200.0f);
        double modelview[16], projection[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        batch.setView(modelview, projection, viewport);
    }
    void end() {
        flush();
        // Leave GL as the painter's calls would have left it drawing at once.
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
        glLineWidth(width);
        glPointSize(point);
        batch.clearView();
        batching = false;
    }

private:
    // Outside a batch the frame may have set colour and width itself since
    // the painter last did; inside, only the painter sets them.
    void adopt() {
        if (batching) return;
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetFloatv(GL_LINE_WIDTH, &width);
        glGetFloatv(GL_POINT_SIZE, &point);
    }
    // Outside a batch every primitive draws at once; the colour array may
    // leave the current colour undefined, so it is set again.
    void drawn() {
        if (batching) return;
        batch.flush(width);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
    }
    void flush() {
        if (!batch.empty()) batch.flush(width);
    }
    int circlePoints(float cx, float cy, float r) {
        int n = circleSegments(r);
        points.resize(2 * static_cast<size_t>(n));
        circleOffsets(r, n, points.data());
        for (int i = 0; i < n; i++) {
            points[2 * i] += cx;
            points[2 * i + 1] += cy;
        }
        return n;
    }

    PaintBatch batch;
    std::vector<float> points;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float width = 1.0f, point = 1.0f;
    bool batching = false;
    float origin = 0.0f;
};
GLPainter glPainter;
}  // namespace

void installGLPainter() { setPainter(&glPainter); }
void beginPaintBatch() { glPainter.begin(); }
void endPaintBatch() { glPainter.end(); }
void setSphereSquarePixels(float pixels) { glPainter.setSquarePixels(pixels); }
void setLabelOrigin(float origin) { glPainter.setLabelOrigin(origin); }
