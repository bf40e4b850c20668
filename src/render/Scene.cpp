#include "render/Scene.h"

#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "render/Camera.h"
#include "runtime/Clock.h"
#include "render/GLPainter.h"
#include "render/Primitives.h"
#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Edge.h"
#include "world/Pattern.h"
#include "world/Selection.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace {
void (*swapBuffers)() = nullptr;

const float kWhite[3] = {1.0f, 1.0f, 1.0f};
const float kBlack[3] = {0.0f, 0.0f, 0.0f};
const float kGrey[3] = {0.5f, 0.5f, 0.5f};
const float kYellow[3] = {1.0f, 1.0f, 0.0f};

void setMix(const float a[3], const float b[3], double mix) {
    glColor3f(static_cast<float>(a[0] + (b[0] - a[0]) * mix), static_cast<float>(a[1] + (b[1] - a[1]) * mix),
              static_cast<float>(a[2] + (b[2] - a[2]) * mix));
}

// The line from the pressed node to the pointer while a press may become an edge.
void drawRubberBand(Node *pressed, const PointerMarks &marks) {
    if (!marks.rubberBand) return;
    if (world.coloredEdges && isColor(marks.placeColour)) {
        const float *c = colorTable[marks.placeColour].rgb;
        glColor3f(c[0], c[1], c[2]);
    } else {
        glColor3f(0.0f, 0.0f, 0.0f);
    }
    Vec2 a = pressed->position();
    Vec2 p = marks.pointer;
    drawLine(a.x, a.y, p.x, p.y, 0.0f);
}
}  // namespace

void setBufferSwap(void (*swap)()) { swapBuffers = swap; }

void applyView() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The 3200-unit view spans the frame's shorter side; a longer side shows more.
    double mx = static_cast<double>(camera.marginX) * camera.unitsPerPixel;
    double my = static_cast<double>(camera.marginY) * camera.unitsPerPixel;
    glOrtho(0.0 - mx, 3200.0 + mx, 3200.0 + my, 0.0 - my, -100.0, 100.0);
    glTranslatef(1600.0f, 1600.0f, 0.0f);
    glScalef(camera.zoom, camera.zoom, 1.0f);
    glTranslatef(-1600.0f, -1600.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(camera.camX, camera.camY, 0.0f);
    glTranslatef(-1600.0f, -1600.0f, 0.0f);
}

void beginFrame(bool clear) {
    if (clear) {
        glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    applyView();
}

void drawAggregateGrid(const AggregateGrid &grid) {
    int layers = grid.layerCount();
    if (layers <= 0) {
        glColor3f(0.0f, 0.0f, 0.0f);
        return;
    }
    float inv = 1.0f / static_cast<float>(layers);
    const float w = AggregateGrid::kCellW, h = AggregateGrid::kCellH;
    glBegin(GL_QUADS);
    for (int j = 0; j < AggregateGrid::kRows; j++) {
        for (int i = 0; i < AggregateGrid::kCols; i++) {
            if (grid.cellEmpty(i, j)) continue;
            float sr = 0.0f, sg = 0.0f, sb = 0.0f;
            for (int k = 0; k < layers; k++) {
                const float *c = grid.layerColour(k);
                float v = grid.cellValue(k, i, j);
                sr += (1.0f - c[0]) * v;
                sg += (1.0f - c[1]) * v;
                sb += (1.0f - c[2]) * v;
            }
            float r = 1.0f - sr * inv, g = 1.0f - sg * inv, b = 1.0f - sb * inv;
            if (r >= 1.0f && g >= 1.0f && b >= 1.0f) continue;
            float x0 = static_cast<float>(i) * w, x1 = static_cast<float>(i + 1) * w;
            float y0 = static_cast<float>(j) * h, y1 = static_cast<float>(j + 1) * h;
            glColor3f(r, g, b);
            glVertex3f(x0, y0, 0.0f);
            glVertex3f(x1, y0, 0.0f);
            glVertex3f(x1, y1, 0.0f);
            glVertex3f(x0, y1, 0.0f);
        }
    }
    glEnd();
    glColor3f(0.0f, 0.0f, 0.0f);
}

void drawSelectionRings() {
    float t = clockTriangleNow(0.0f, 1.2f);
    double mix = static_cast<double>(t) * 0.2 - 0.1 + 0.4;
    setMix(kYellow, kGrey, mix);
    glLineWidth(4.0f);
    for (int k = 0; k < kNodeTableSize; k++) {
        Node *n = world.nodeTable[k];
        if (!n || n->dead || !n->selected) continue;
        Vec2 p = n->position();
        float r = (clockTriangleNow(0.0f, 1.2f) * 3.0f + 9.0f) / camera.zoom + n->radius();
        drawCircle(p.x, p.y, r, 0.0f);
    }
    glLineWidth(1.0f);
    glPointSize(1.0f);
}

void drawStatusLine(int nodes, int edges) {
    // One overlay for all the texts: setting it up costs more than their letters.
    char text[64];
    beginOverlay();
    glColor3f(kGrey[0], kGrey[1], kGrey[2]);
    std::snprintf(text, sizeof text, "%d edges; %d atoms;  %d nodes", edges, world.liveAtomCount, nodes);
    Vec2 s = worldToScreen(Vec2(32.0f, -110.0f));
    drawText(static_cast<int>(s.x), static_cast<int>(s.y), text);
    for (int i = 0; i < kPatternSlots; i++) {
        const float *c = slotColour(i);
        if (c) glColor3f(c[0], c[1], c[2]);
        std::snprintf(text, sizeof text, "%d", world.metaCounts[i]);
        s = worldToScreen(Vec2(32.0f + 300.0f * static_cast<float>(i), -40.0f));
        drawText(static_cast<int>(s.x), static_cast<int>(s.y), text);
    }
    endOverlay();
}

void drawWorld() {
    if (world.renderAtomAggregates && world.aggregateGrid) drawAggregateGrid(*world.aggregateGrid);
    setMix(kWhite, kBlack, world.closedWorld ? 0.55 : 0.15);
    glBegin(GL_LINE_LOOP);
    glVertex3f(world.worldMinX, world.worldMinY, 0.0f);
    glVertex3f(world.worldMaxX, world.worldMinY, 0.0f);
    glVertex3f(world.worldMaxX, world.worldMaxY, 0.0f);
    glVertex3f(world.worldMinX, world.worldMaxY, 0.0f);
    glEnd();
    // One walk of the thing list gathers what the passes draw and the status
    // line's counts.
    std::vector<Thing *> shown;
    shown.reserve(static_cast<size_t>(world.liveAtomCount) + kNodeTableSize);
    int nodes, edges;
    statusCounts(nodes, edges, &shown);
    beginPaintBatch();
    for (int p = PassHeldAtoms; p <= PassNodes; p++) {
        DrawPass pass = static_cast<DrawPass>(p);
        if (pass == PassRings) {
            endPaintBatch();
            drawSelectionRings();
            beginPaintBatch();
            continue;
        }
        for (Thing *t : shown) t->draw(pass, 0);
    }
    endPaintBatch();
    drawStatusLine(nodes, edges);
    glColor3f(0.0f, 0.0f, 0.0f);
}

void drawLiveFrame(const PointerMarks &marks, bool swap) {
    setLabelOrigin(0.0f);
    beginFrame(true);
    drawWorld();
    Node *pressed = findNode(marks.pressedId);
    Node *hovered = findNode(marks.hoverId);
    if (pressed) drawRubberBand(pressed, marks);
    beginPaintBatch();
    bool ps = pressed && pressed->selected;
    bool hs = hovered && hovered->selected;
    int except = -1;
    if (ps) {
        if (hs && hovered != pressed) except = marks.hoverId;
        highlightSelectionExcept(except);
    } else if (hs) {
        highlightSelectionExcept(-1);
    }
    if (pressed) {
        pressed->drawHighlight();
        pressed->drawInfo();
    }
    if (hovered && except == -1) {
        hovered->drawHighlight();
        if (marks.pressedId == -1) {
            if (!hovered->container()) hovered->drawEdgeHighlights();
            hovered->drawInfo();
        }
    }
    endPaintBatch();
    if (swap && swapBuffers) swapBuffers();
}

void drawPatternFrame(Pattern *pattern, const PointerMarks &marks, bool swap) {
    setLabelOrigin(1600.0f);
    beginFrame(true);
    if (pattern) {
        beginPaintBatch();
        pattern->draw(PassPattern, 0);
        Thing *pressed = pattern->findThing(marks.pressedId);
        Thing *hovered = pattern->findThing(marks.hoverId);
        if (pressed) {
            if (Node *n = dynamic_cast<Node *>(pressed)) drawRubberBand(n, marks);
            pressed->drawHighlight();
            if (Node *n = dynamic_cast<Node *>(pressed)) n->drawInfo();
        }
        if (hovered) {
            hovered->drawHighlight();
            if (marks.pressedId == -1)
                if (Node *n = dynamic_cast<Node *>(hovered)) n->drawInfo();
        }
        endPaintBatch();
    }
    setMix(kWhite, kBlack, 0.5);
    drawLine(1570.0f, 1600.0f, 1630.0f, 1600.0f, 0.0f);
    drawLine(1600.0f, 1570.0f, 1600.0f, 1630.0f, 0.0f);
    if (swap && swapBuffers) swapBuffers();
}
