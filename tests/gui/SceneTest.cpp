#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <GL/glu.h>

#include "GuiFixture.h"
#include "render/GLPainter.h"
#include "render/Primitives.h"
#include "render/Scene.h"
#include "world/BuiltinRules.h"
#include "rules/RulesListing.h"
#include "rules/RulesLoader.h"
#include "world/AggregateGrid.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Painter.h"

// What a drawn frame shows, read back from the window.
class DrawnFrame : public GuiTest {
protected:
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;

    void SetUp() override {
        GuiTest::SetUp();
        camera.zoom = 0.8f;
        world.renderAtomAggregates = 0;
    }
    void TearDown() override {
        world.renderAtomAggregates = 1;
        GuiTest::TearDown();
    }
    void frame() {
        glutSetWindow(shell.mainWindow);
        drawLiveFrame(pointerMarks(), false);
        readBack();
    }
    void readBack() {
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
        pixels.assign(static_cast<size_t>(width) * height * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    // The pixel at (x, y), y from the top.
    const unsigned char *at(int x, int y) const {
        return &pixels[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
    }
    // Whether any pixel within r of the world point's pixel differs from white.
    bool inkAt(Vec2 worldPoint, int r = 2) const {
        Vec2 at = worldToScreen(worldPoint);
        for (int y = -r; y <= r; y++)
            for (int x = -r; x <= r; x++) {
                int px = static_cast<int>(at.x) + x, py = height - 1 - (static_cast<int>(at.y) + y);
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                const unsigned char *c = &pixels[(static_cast<size_t>(py) * width + px) * 3];
                if (c[0] < 250 || c[1] < 250 || c[2] < 250) return true;
            }
        return false;
    }
};

TEST_F(DrawnFrame, BorderAndAPlacedNodeWhereTheCameraMapsThem) {
    camera.camX = 1450.0f;
    click(Vec2(520.0f, 300.0f));
    Node *n = findNode(gesture.createdId);
    ASSERT_NE(n, nullptr);
    gesture.pressedId = -1;
    shell.pointerX = shell.pointerY = 0;
    frame();
    EXPECT_TRUE(inkAt(Vec2(0.0f, 1600.0f)));
    EXPECT_TRUE(inkAt(Vec2(1600.0f, 0.0f)));
    EXPECT_TRUE(inkAt(n->position()));
    EXPECT_FALSE(inkAt(n->position() + Vec2(300.0f, 300.0f), 4)) << "empty ground is white";
}

TEST_F(DrawnFrame, SelectionRingOnlyAroundSelectedNodes) {
    camera.zoom = 2.0f;
    Node *n = node(1600.0f, 1600.0f);
    gesture.pressedId = gesture.hoverId = -1;
    shell.pointerX = shell.pointerY = 0;
    // The ring runs a few pixels outside the node, whatever the zoom.
    Vec2 ring = n->position() + Vec2(n->radius() + 4.0f * camera.unitsPerPixel / camera.zoom, 0.0f);
    frame();
    EXPECT_FALSE(inkAt(ring, 0)) << "no ring round an unselected node";
    n->selected = 1;
    frame();
    EXPECT_TRUE(inkAt(ring, 0));
}

// The shared geometry of the circle primitives.
TEST(CircleGeometry, SegmentCountAndRadius) {
    const std::pair<float, int> segments[] = {{0.0f, 10}, {4.0f, 10}, {62.5f, 10}, {70.0f, 11}, {100.0f, 16}};
    for (auto [radius, count] : segments) EXPECT_EQ(circleSegments(radius), count) << radius;
    CircleShape shape(4.0f);
    ASSERT_EQ(shape.count, 10);
    for (int i = 0; i < shape.count; i++)
        EXPECT_NEAR(std::hypot(shape.offsets[2 * i], shape.offsets[2 * i + 1]), 4.0f, 1e-5f);
}

// One of each kind of thing, big enough to sample inside.
class KindsOfThing : public DrawnFrame {
protected:
    Node *a = nullptr;
    void SetUp() override {
        DrawnFrame::SetUp();
        const char rules[] =
            "Plain is 0.9 0.3 0.1\nDonut is 0.6 0.2 0.7\nGrit is 0.45 0.45 0.45\nHoney is 1 0.65 0\n"
            "Swimmer is 0.1 0.3 0.9\nDonut converts Grit to Honey * 2\nDonut is donut\nSwimmer is cilia\n"
            "Plain capture arc is 90\n";
        FILE *f = fmemopen(const_cast<char *>(rules), sizeof rules - 1, "r");
        loadRules(f, "kinds.txt", nullptr);
        rebuildRules();
        camera.zoom = 4.0f;
        world.simTime = 1.1f;
        a = node(1300, 1300);
        Node *b = node(1450, 1300);
        createEdge(a, b, 1.0f, true, -1);
        Node *holder = node(1300, 1550);
        (new Atom(1310, 1554, 2, -1))->holdBy(holder->id);
        node(1650, 1350, 1);
        node(1600, 1600, 4)->setAngle(0.5f);
        new Atom(1850, 1250, 3, -1);
        Pattern *p = patternSlot(0);
        Node *ring[3];
        for (int i = 0; i < 3; i++)
            ring[i] = p->addNode(250.0f * std::cos(2.1f * i), 250.0f * std::sin(2.1f * i), i % 2 ? 0 : 4);
        p->addEdge(ring[0], ring[1], false, -1);
        p->patternRadius = 350.0f;
        placeMetaNode(0, 1850, 1700);
        gesture.pressedId = gesture.hoverId = -1;
        shell.pointerX = shell.pointerY = 0;
    }
    void TearDown() override {
        killAll();
        deleteAllPatterns();
        initPatternSlots();
        loadBuiltinRules();
        rebuildRules();
        DrawnFrame::TearDown();
    }
};

// Pixels of the picture drawn before the batched drawing, read as (x, y from
// the top). Lit, blended spheres may differ by rounding: tolerance 2 there.
struct Expected {
    int x, y;
    unsigned char rgb[3];
    int tolerance;
    const char *what;
};

TEST_F(KindsOfThing, DrawnAsBefore) {
    const Expected table[] = {
        {100, 100, {184, 93, 63}, 2, "placed node, centre"},
        {88, 88, {130, 86, 71}, 2, "placed node, upper left"},
        {112, 112, {213, 119, 82}, 2, "placed node, lower right"},
        {121, 79, {230, 76, 26}, 0, "capture arc"},
        {175, 100, {191, 191, 191}, 0, "edge"},
        {243, 100, {167, 87, 61}, 2, "arrowhead under the node"},
        {110, 354, {174, 81, 46}, 2, "held atom under its holder"},
        {650, 50, {255, 166, 0}, 0, "free atom"},
        {385, 150, {255, 166, 0}, 0, "donut, outer ring"},
        {417, 150, {115, 115, 115}, 0, "donut, inner ring"},
        {450, 150, {255, 255, 255}, 0, "donut, hole"},
        {400, 400, {79, 109, 200}, 2, "cilia node"},
        {430, 408, {26, 76, 230}, 0, "cilium"},
        {650, 500, {139, 63, 63}, 2, "metanode"},
        {679, 500, {88, 19, 57}, 2, "member under the metanode"},
        {688, 500, {26, 76, 230}, 0, "member's cilium"},
        {300, 600, {255, 255, 255}, 0, "ground"},
    };
    frame();
    for (const Expected &e : table) {
        const unsigned char *c = at(e.x, e.y);
        for (int k = 0; k < 3; k++)
            EXPECT_NEAR(c[k], e.rgb[k], e.tolerance) << e.what << " at " << e.x << "," << e.y << " channel " << k;
    }
}

// A hovered node's label is written in its own colour between batched shapes.
TEST_F(KindsOfThing, LabelInTheColourSetForIt) {
    gesture.hoverId = a->id;
    frame();
    int coloured = 0, black = 0;
    for (int y = 86; y <= 98; y++)
        for (int x = 147; x <= 220; x++) {
            const unsigned char *c = at(x, y);
            coloured += c[0] > c[2] + 40;
            black += c[0] == 0 && c[1] == 0 && c[2] == 0;
        }
    EXPECT_GT(coloured, 20);
    EXPECT_EQ(black, 0);
}

// The atom aggregates: each cell in its colours' blend, empty cells left white.
TEST_F(KindsOfThing, AggregateCellsDrawnAsBefore) {
    killAll();
    AggregateGrid grid(2), *shown = world.aggregateGrid;
    const float red[3] = {1.0f, 0.0f, 0.0f}, blue[3] = {0.0f, 0.0f, 1.0f};
    grid.setLayerColour(0, red);
    grid.setLayerColour(1, blue);
    grid.write(0, 1300, 1300, 1.0f);
    grid.write(0, 1380, 1300, 0.3f);
    grid.write(1, 1380, 1300, 0.6f);
    grid.write(1, 1300, 1380, 0.25f);
    grid.write(1, 1460, 1300, 0.0f);
    world.aggregateGrid = &grid;
    world.renderAtomAggregates = 1;
    frame();
    world.aggregateGrid = shown;
    const Expected table[] = {
        {100, 100, {255, 128, 128}, 0, "one colour, full"},      {180, 100, {178, 140, 217}, 0, "two colours"},
        {100, 180, {223, 223, 255}, 0, "one colour, a quarter"}, {260, 100, {255, 255, 255}, 0, "written empty"},
        {100, 260, {255, 255, 255}, 0, "never written"},
    };
    for (const Expected &e : table) {
        const unsigned char *c = at(e.x, e.y);
        for (int k = 0; k < 3; k++) EXPECT_EQ(c[k], e.rgb[k]) << e.what << " channel " << k;
    }
    world.aggregateGrid = &grid;
    world.renderAtomAggregates = 0;
    frame();
    world.aggregateGrid = shown;
    EXPECT_EQ(at(100, 100)[1], 255) << "aggregates switched off are not drawn";
}

// Shapes crowded on top of each other, through the painter: gathered into
// batches they must come out as drawn one by one, in order. (Spheres as
// squares are checked against their meshes below.)
TEST_F(DrawnFrame, BatchedShapesDrawAsOneByOne) {
    setSphereSquarePixels(0.0f);
    auto scene = [](bool batched) {
        glutSetWindow(shell.mainWindow);
        beginFrame(true);
        if (batched) beginPaintBatch();
        Painter &p = painter();
        unsigned seed = 7;
        auto next = [&seed](float lo, float hi) {
            seed = seed * 1103515245u + 12345u;
            return lo + (hi - lo) * static_cast<float>((seed >> 8) & 0xffff) / 65535.0f;
        };
        // Far off: nothing to see.
        const float grey[3] = {0.5f, 0.5f, 0.5f};
        p.smallDisc(1e20f, 1e20f, true);
        p.sphere(-1e20f, 1600.0f, grey, 3.0f, 0.0f);
        for (int k = 0; k < 400; k++) {
            float x = next(1500, 1700), y = next(1500, 1700), c[3] = {next(0, 1), next(0, 1), next(0, 1)};
            p.setColour(c[0], c[1], c[2]);
            p.lineWidth(k % 3 + 1.0f);
            switch (k % 6) {
            case 0: p.sphere(x, y, c, next(2, 30), 0.0f); break;
            case 1: p.line(x, y, next(1500, 1700), next(1500, 1700), 0.0f); break;
            case 2: p.smallDisc(x, y, k % 4 == 0); break;
            case 3: p.circle(x, y, next(1, 40), 0.0f); break;
            case 4: p.disc(x, y, next(1, 20), 0.0f); break;
            default: p.triangle(x, y, x + next(-30, 30), y + 20, x - 9, y + next(-30, 30), k % 4 == 1); break;
            }
        }
        if (batched) endPaintBatch();
    };
    for (float zoom : {0.8f, 4.0f}) {
        camera.zoom = zoom;
        scene(false);
        readBack();
        std::vector<unsigned char> oneByOne = pixels;
        scene(true);
        readBack();
        size_t differing = 0;
        for (size_t i = 0; i < pixels.size(); i++) differing += pixels[i] != oneByOne[i];
        EXPECT_EQ(differing, 0u) << "zoom " << zoom;
        EXPECT_TRUE(inkAt(Vec2(1600, 1600), 20)) << "zoom " << zoom;
    }
    setSphereSquarePixels(-1.0f);
}

// The sphere mesh against the quadric it stands for, drawn large: the same
// pixels but for rounding of a few vertex positions and lit colours.
TEST_F(DrawnFrame, SphereAsTheQuadricDrewIt) {
    camera.zoom = 4.0f;
    setSphereSquarePixels(0.0f);
    const float rgb[3] = {0.9f, 0.3f, 0.1f};
    auto quadric = [&](float x, float y, float r) {
        const GLfloat diffuse[4] = {1, 1, 1, 1}, ambient[4] = {0.1f, 0.1f, 0.1f, 1}, position[4] = {1, 1, -1.5f, 0};
        glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glEnable(GL_LIGHT0);
        glColor4f(rgb[0], rgb[1], rgb[2], 0.5f);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_LIGHTING);
        glPushMatrix();
        glTranslatef(x, y, 0.0f);
        GLUquadric *q = gluNewQuadric();
        gluQuadricNormals(q, GLU_SMOOTH);
        gluSphere(q, r, 10, 10);
        gluDeleteQuadric(q);
        glPopMatrix();
        glDisable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_BLEND);
    };
    const float spheres[][3] = {{1600, 1600, 90}, {1340.25f, 1390.5f, 37.3f}, {1800.7f, 1820.1f, 12.6f}};
    glutSetWindow(shell.mainWindow);
    beginFrame(true);
    for (auto &s : spheres) quadric(s[0], s[1], s[2]);
    readBack();
    std::vector<unsigned char> before = pixels;
    beginFrame(true);
    beginPaintBatch();
    for (auto &s : spheres) painter().sphere(s[0], s[1], rgb, s[2], 0.0f);
    endPaintBatch();
    readBack();
    size_t differing = 0;
    int most = 0;
    for (size_t i = 0; i < pixels.size(); i++) {
        int d = std::abs(pixels[i] - before[i]);
        differing += d != 0;
        most = std::max(most, d);
    }
    EXPECT_LE(differing, 20u);
    EXPECT_LE(most, 1);
    EXPECT_TRUE(inkAt(Vec2(1600, 1600)));
    setSphereSquarePixels(-1.0f);
}

// Small spheres drawn as textured outlines against their meshes: crowded,
// overlapping, at odd positions and sizes, in dull and bright colours (bright
// channels clamp where lit) and in many, over other shapes, zoomed out and in.
TEST_F(DrawnFrame, SmallSpheresAsTheirMeshes) {
    auto scene = [](float squarePixels) {
        setSphereSquarePixels(squarePixels);
        glutSetWindow(shell.mainWindow);
        beginFrame(true);
        beginPaintBatch();
        Painter &p = painter();
        unsigned seed = 11;
        auto next = [&seed](float lo, float hi) {
            seed = seed * 1103515245u + 12345u;
            return lo + (hi - lo) * static_cast<float>((seed >> 8) & 0xffff) / 65535.0f;
        };
        const float colours[4][3] = {{0.9f, 0.3f, 0.1f}, {1.0f, 1.0f, 0.95f}, {0.1f, 0.3f, 0.9f}, {0.4f, 0.8f, 0.2f}};
        for (int k = 0; k < 300; k++) {
            float x = next(1450, 1750), y = next(1450, 1750);
            if (k % 5 == 0) {
                p.setColour(0.2f, 0.2f, 0.2f);
                p.lineWidth(2.0f);
                p.line(x, y, next(1450, 1750), next(1450, 1750), 0.0f);
            }
            // Half in colours of their own: more colours than the atlas has tiles.
            float own[3] = {next(0, 1), next(0, 1), next(0, 1)};
            p.sphere(x, y, k % 2 ? own : colours[k % 4], next(0.5f, 14.0f), 0.0f);
        }
        endPaintBatch();
        setSphereSquarePixels(-1.0f);
    };
    for (float zoom : {0.8f, 1.6f, 4.0f}) {
        camera.zoom = zoom;
        scene(0.0f);
        readBack();
        std::vector<unsigned char> meshes = pixels;
        scene(20.0f);
        readBack();
        size_t inked = 0, differing = 0, touched = 0;
        int most = 0;
        for (size_t i = 0; i < pixels.size(); i++) {
            int d = std::abs(pixels[i] - meshes[i]);
            inked += meshes[i] != 255;
            differing += d > 1;
            touched += d != 0;
            most = std::max(most, d);
        }
        EXPECT_GT(inked, 3000u) << "zoom " << zoom;
        EXPECT_GT(touched, 0u) << "zoom " << zoom << ": the squares are drawn, not the meshes";
        // Two blends rounded against one, and the texture's sampling.
        EXPECT_LE(differing, inked / 50) << "zoom " << zoom;
        EXPECT_LE(most, 4) << "zoom " << zoom;
    }
    // A sphere deeper than the view, small on the screen: the view cuts its
    // poles off the mesh, and it is drawn as the mesh shows it.
    camera.zoom = 0.05f;
    const float grey[3] = {0.5f, 0.5f, 0.5f};
    std::vector<unsigned char> byMesh;
    for (float squarePixels : {0.0f, 20.0f}) {
        setSphereSquarePixels(squarePixels);
        beginFrame(true);
        beginPaintBatch();
        painter().sphere(1600.0f, 1600.0f, grey, 300.0f, 0.0f);
        endPaintBatch();
        readBack();
        if (byMesh.empty()) byMesh = pixels;
    }
    setSphereSquarePixels(-1.0f);
    EXPECT_TRUE(pixels == byMesh);
}
