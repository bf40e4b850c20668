#include <cmath>
#include <utility>

#include "GuiFixture.h"
#include "render/Primitives.h"
#include "render/Scene.h"

// What a drawn frame shows, read back from the window.
class DrawnFrame : public GuiTest {
protected:
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;

    void SetUp() override {
        GuiTest::SetUp();
        camera.zoom = 0.8f;
        world.render_atom_aggregates = 0;
    }
    void TearDown() override {
        world.render_atom_aggregates = 1;
        GuiTest::TearDown();
    }
    void frame() {
        glutSetWindow(shell.mainWindow);
        drawLiveFrame(false);
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
        pixels.assign(static_cast<size_t>(width) * height * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    // Whether any pixel within r of the world point's pixel differs from white.
    bool inkAt(vec2 worldPoint, int r = 2) const {
        vec2 at = worldToScreen(worldPoint);
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
    click(vec2(520.0f, 300.0f));
    drovanNode *n = findNode(world.createdId);
    ASSERT_NE(n, nullptr);
    world.pressedId = -1;
    shell.pointerX = shell.pointerY = 0;
    frame();
    EXPECT_TRUE(inkAt(vec2(0.0f, 1600.0f)));
    EXPECT_TRUE(inkAt(vec2(1600.0f, 0.0f)));
    EXPECT_TRUE(inkAt(n->position()));
    EXPECT_FALSE(inkAt(n->position() + vec2(300.0f, 300.0f), 4)) << "empty ground is white";
}

// The shared geometry of the circle primitives.
TEST(CircleGeometry, SegmentCountAndRadius) {
    const std::pair<float, int> segments[] = {{0.0f, 10}, {4.0f, 10}, {62.5f, 10}, {70.0f, 11}, {100.0f, 16}};
    for (auto [radius, count] : segments) EXPECT_EQ(circleSegments(radius), count) << radius;
    CircleShape shape(4.0f);
    ASSERT_EQ(shape.count, 10);
    EXPECT_NEAR(std::atan2(shape.offsets[1], shape.offsets[0]), 36.0f * 0.0027777778f * 6.28f, 1e-5f);
    for (int i = 0; i < shape.count; i++) EXPECT_NEAR(std::hypot(shape.offsets[2 * i], shape.offsets[2 * i + 1]), 4.0f, 1e-5f);
}
