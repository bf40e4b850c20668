#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <stb_image.h>

#include "GuiFixture.h"
#include "media/PngImage.h"
#include "render/GLPainter.h"
#include "render/Scene.h"
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
    // The frame against a picture in tests/gui/data, every channel within 2.
    // On a mismatch the frame drawn is written out to be looked at; a change
    // meant to alter the picture copies it over the kept one by hand.
    void expectAsKept(const std::string &name) {
        int w = 0, h = 0, n = 0;
        unsigned char *kept =
            stbi_load((std::string(DROVAN_SOURCE_DIR) + "/tests/gui/data/" + name).c_str(), &w, &h, &n, 3);
        std::vector<unsigned char> drawn;  // rows top first, as the picture's
        for (int y = 0; y < height; y++) drawn.insert(drawn.end(), at(0, y), at(0, y) + 3 * width);
        size_t differing = 0;
        for (size_t i = 0; kept && w == width && h == height && i < drawn.size(); i++)
            differing += std::abs(drawn[i] - kept[i]) > 2;
        stbi_image_free(kept);
        if (kept && w == width && h == height && differing == 0) return;
        std::string out = "/tmp/drovan-drawn-" + name;
        std::vector<unsigned char> png;
        if (encodePng(drawn.data(), width, height, png))
            std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char *>(png.data()), png.size());
        ADD_FAILURE() << name << ": " << (kept ? std::to_string(differing) + " channels differ" : "no such picture")
                      << "; the frame drawn is in " << out;
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

// One of each kind of thing, big enough to look inside; a selected node's
// ring, a hovered node's label in its colour and the atom aggregates in their
// colours' blend (empty cells left white). Against the picture kept in data/:
// every channel within 2 (lit, blended spheres may round differently on
// another driver).
TEST_F(DrawnFrame, EveryKindOfThingAsThePictureKept) {
    loadRulesText("Plain is 0.9 0.3 0.1\nDonut is 0.6 0.2 0.7\nGrit is 0.45 0.45 0.45\nHoney is 1 0.65 0\n"
                  "Swimmer is 0.1 0.3 0.9\nDonut converts Grit to Honey * 2\nDonut is donut\nSwimmer is cilia\n"
                  "Plain capture arc is 90\n");
    camera.zoom = 4.0f;
    world.simTime = 1.1f;
    Node *a = node(1300, 1300), *b = node(1450, 1300), *holder = node(1300, 1550);
    b->selected = 1;  // a ring round it, none round the others
    createEdge(a, b, 1.0f, true, -1);
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
    shell.pointerX = shell.pointerY = 0;
    AggregateGrid grid(2), *shown = world.aggregateGrid;
    const float red[3] = {1.0f, 0.0f, 0.0f}, blue[3] = {0.0f, 0.0f, 1.0f};
    grid.setLayerColour(0, red);
    grid.setLayerColour(1, blue);
    grid.write(0, 1300, 1900, 1.0f);
    grid.write(0, 1380, 1900, 0.3f);
    grid.write(1, 1380, 1900, 0.6f);
    grid.write(1, 1300, 1980, 0.25f);
    grid.write(1, 1460, 1900, 0.0f);
    world.aggregateGrid = &grid;
    world.renderAtomAggregates = 1;
    gesture.hoverId = holder->id;
    frame();
    expectAsKept("kinds-of-thing.png");
    world.renderAtomAggregates = 0;
    frame();
    world.aggregateGrid = shown;
    EXPECT_EQ(at(100, 700)[1], 255) << "aggregates switched off are not drawn";
}

// Shapes crowded on top of each other, through the painter: gathered into
// batches they must come out as drawn one by one, in order; small spheres
// drawn as textured squares come out as their meshes but for rounding. The
// spheres are crowded, at odd positions and sizes, in dull and bright colours
// (bright channels clamp where lit) and in many, over other shapes.
TEST_F(DrawnFrame, BatchedShapesAndSphereSquaresDrawAsOneByOne) {
    auto scene = [this](bool batched, float squarePixels) {
        setSphereSquarePixels(squarePixels);
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
        const float colours[4][3] = {{0.9f, 0.3f, 0.1f}, {1.0f, 1.0f, 0.95f}, {0.1f, 0.3f, 0.9f}, {0.4f, 0.8f, 0.2f}};
        for (int k = 0; k < 1000; k++) {
            float x = next(1450, 1750), y = next(1450, 1750), c[3] = {next(0, 1), next(0, 1), next(0, 1)};
            p.setColour(c[0], c[1], c[2]);
            p.lineWidth(k % 3 + 1.0f);
            // Half the small spheres in colours of their own: more colours than the atlas has tiles.
            switch (k < 400 ? k % 6 : (k < 700 ? 6 : 7)) {
            case 0: p.sphere(x, y, c, next(2, 30), 0.0f); break;
            case 1: p.line(x, y, next(1450, 1750), next(1450, 1750), 0.0f); break;
            case 2: p.smallDisc(x, y, k % 4 == 0); break;
            case 3: p.circle(x, y, next(1, 40), 0.0f); break;
            case 4: p.disc(x, y, next(1, 20), 0.0f); break;
            case 5: p.triangle(x, y, x + next(-30, 30), y + 20, x - 9, y + next(-30, 30), k % 4 == 1); break;
            case 6: p.sphere(x, y, k % 2 ? c : colours[k % 4], next(0.5f, 14.0f), 0.0f); break;
            default:  // a pixel or two across: the batch tests their pixel centres one by one
                if (k % 3 == 0)
                    p.disc(x, y, next(0.3f, 6.0f), 0.0f);
                else if (k % 3 == 1)
                    p.triangle(x, y, x + next(-7, 7), y + next(-7, 7), x + next(-7, 7), y + next(-7, 7), true);
                else
                    p.smallDisc(x + next(0, 1), y + next(0, 1), k % 2 == 0);
                break;
            }
        }
        if (batched) endPaintBatch();
        readBack();
        setSphereSquarePixels(-1.0f);
    };
    for (float zoom : {0.8f, 1.6f, 4.0f}) {
        camera.zoom = zoom;
        scene(false, 0.0f);
        std::vector<unsigned char> oneByOne = pixels;
        scene(true, 0.0f);
        std::vector<unsigned char> meshes = pixels;
        scene(true, 20.0f);
        size_t inked = 0, batchDiffers = 0, differing = 0, touched = 0;
        int most = 0;
        for (size_t i = 0; i < pixels.size(); i++) {
            int d = std::abs(pixels[i] - meshes[i]);
            batchDiffers += meshes[i] != oneByOne[i];
            inked += meshes[i] != 255;
            differing += d > 1;
            touched += d != 0;
            most = std::max(most, d);
        }
        EXPECT_EQ(batchDiffers, 0u) << "zoom " << zoom << ": batched against one by one";
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
