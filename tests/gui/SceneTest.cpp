#include <cmath>

#include "GuiFixture.h"
#include "render/Primitives.h"
#include "render/Scene.h"

// What a drawn frame shows, read back from the window.
class DrawnFrame : public GuiTest {
protected:
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;

    void grab() {
        glutSetWindow(shell.mainWindow);
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
        pixels.assign(static_cast<size_t>(width) * height * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    // Whether any pixel within r of (x, y), y from the top, differs from white.
    bool inkNear(int x, int y, int r = 2) const {
        for (int dy = -r; dy <= r; dy++)
            for (int dx = -r; dx <= r; dx++) {
                int px = x + dx, py = height - 1 - (y + dy);
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                const unsigned char *c = &pixels[(static_cast<size_t>(py) * width + px) * 3];
                if (c[0] < 250 || c[1] < 250 || c[2] < 250) return true;
            }
        return false;
    }
    void frame() {
        glutSetWindow(shell.mainWindow);
        drawLiveFrame(false);
        grab();
    }
};

TEST_F(DrawnFrame, BorderIsDrawnWhereTheCameraMapsTheWorldEdge) {
    camera.zoom = 0.8f;
    world.render_atom_aggregates = 0;
    frame();
    vec2 left = worldToScreen(vec2(0.0f, 1600.0f));
    vec2 top = worldToScreen(vec2(1600.0f, 0.0f));
    EXPECT_TRUE(inkNear(static_cast<int>(left.x), static_cast<int>(left.y)));
    EXPECT_TRUE(inkNear(static_cast<int>(top.x), static_cast<int>(top.y)));
    vec2 inside = worldToScreen(vec2(800.0f, 2400.0f));
    EXPECT_FALSE(inkNear(static_cast<int>(inside.x), static_cast<int>(inside.y), 4)) << "empty ground is white";
    world.render_atom_aggregates = 1;
}

TEST_F(DrawnFrame, PlacedNodeIsDrawnWhereTheCameraMapsIt) {
    camera.zoom = 0.8f;
    camera.camX = 1450.0f;
    world.render_atom_aggregates = 0;
    press(vec2(520.0f, 300.0f));
    drovanNode *n = findNode(world.pressedId);
    ASSERT_NE(n, nullptr);
    release(vec2(520.0f, 300.0f));
    world.pressedId = -1;
    shell.pointerX = shell.pointerY = 0;
    frame();
    vec2 at = worldToScreen(n->position());
    EXPECT_TRUE(inkNear(static_cast<int>(at.x), static_cast<int>(at.y)));
    vec2 away = worldToScreen(n->position() + vec2(300.0f, 300.0f));
    EXPECT_FALSE(inkNear(static_cast<int>(away.x), static_cast<int>(away.y), 4));
    world.render_atom_aggregates = 1;
}

TEST_F(DrawnFrame, StatusLineIsDrawnAboveTheWorld) {
    camera.zoom = 0.8f;
    frame();
    vec2 at = worldToScreen(vec2(32.0f, -110.0f));
    bool ink = false;
    for (int dx = 0; dx < 80 && !ink; dx += 4) ink = inkNear(static_cast<int>(at.x) + dx, static_cast<int>(at.y) - 4, 3);
    EXPECT_TRUE(ink);
}

TEST_F(DrawnFrame, PatternWindowShowsTheCentreCross) {
    world.currentWindow = 4;
    glutSetWindow(shell.mainWindow);
    drawPatternFrame(false);
    grab();
    vec2 c = worldToScreen(vec2(1620.0f, 1600.0f));
    EXPECT_TRUE(inkNear(static_cast<int>(c.x), static_cast<int>(c.y), 1));
    world.currentWindow = 0;
}

// The shared geometry of the circle primitives.
TEST(CircleGeometry, SegmentCountGrowsWithRadius) {
    EXPECT_EQ(circleSegments(0.0f), 10);
    EXPECT_EQ(circleSegments(2.0f), 10);
    EXPECT_EQ(circleSegments(4.0f), 10);
    EXPECT_EQ(circleSegments(62.5f), 10);
    EXPECT_EQ(circleSegments(70.0f), 11);
    EXPECT_EQ(circleSegments(100.0f), 16);
}

TEST(CircleGeometry, ZeroRadiusGivesTenVerticesAtTheCentre) {
    CircleShape shape(0.0f);
    ASSERT_EQ(shape.count, 10);
    for (int i = 0; i < shape.count; i++) {
        EXPECT_EQ(shape.offsets[2 * i], 0.0f);
        EXPECT_EQ(shape.offsets[2 * i + 1], 0.0f);
    }
}

TEST(CircleGeometry, WalkStartsOneStepInAndStopsShortOfAFullTurn) {
    CircleShape shape(4.0f);
    ASSERT_EQ(shape.count, 10);
    float step = 36.0f * 0.0027777778f * 6.28f;
    EXPECT_NEAR(std::atan2(shape.offsets[1], shape.offsets[0]), step, 1e-5f);
    float last = std::atan2(shape.offsets[19], shape.offsets[18]);
    EXPECT_LT(last, 0.0f) << "the tenth vertex lies just short of angle 0";
    EXPECT_NEAR(last, 6.28f - 6.2831853f, 1e-4f);
    for (int i = 0; i < shape.count; i++) EXPECT_NEAR(std::hypot(shape.offsets[2 * i], shape.offsets[2 * i + 1]), 4.0f, 1e-5f);
}
