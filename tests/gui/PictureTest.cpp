#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stb_image.h>

#include "GuiFixture.h"
#include "app/Recording.h"
#include "render/BitmapFont.h"
#include "render/GLContext.h"
#include "render/OffscreenContext.h"
#include "render/Primitives.h"
#include "render/Scene.h"
#include "render/WorldPicture.h"
#include "runtime/Startup.h"
#include "runtime/StepRequests.h"
#include "runtime/WorldTick.h"
#include "world/Random.h"
#include "world/Walkers.h"

namespace {
// A square of the back buffer around a raster position, one byte a pixel
// (lit or not), after one character drawn there white on black.
struct GlyphShot {
    static constexpr int kOrigin = 32, kSide = 64;
    std::vector<unsigned char> lit;
    float advance = 0.0f;
};

template <typename Draw>
GlyphShot shootGlyph(Draw draw) {
    GlyphShot shot;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2i(GlyphShot::kOrigin, GlyphShot::kOrigin);
    draw();
    float position[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    shot.advance = position[0] - static_cast<float>(GlyphShot::kOrigin);
    std::vector<unsigned char> rgb(GlyphShot::kSide * GlyphShot::kSide * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, GlyphShot::kSide, GlyphShot::kSide, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (size_t k = 0; k < rgb.size(); k += 3) shot.lit.push_back(rgb[k] > 127);
    return shot;
}

void setUnpacking(GLint flags, GLint rowLength, GLint skipRows, GLint skipPixels, GLint alignment) {
    glPixelStorei(GL_UNPACK_SWAP_BYTES, flags);
    glPixelStorei(GL_UNPACK_LSB_FIRST, flags);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

// Every glyph of the table draws the pixels freeglut's font draws and moves
// the raster position as far; text in any GL context is the window's text.
TEST_F(GuiTest, GlyphTableDrawsAsTheToolkitFont) {
    glutSetWindow(shell.mainWindow);
    beginOverlay();
    for (int c = 1; c < 256; c++) {
        GlyphShot toolkit = shootGlyph([c] { glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c); });
        char text[2] = {static_cast<char>(c), 0};
        // Whatever unpacking the drawing before left behind, the text draws the same.
        setUnpacking(GL_TRUE, 7, 1, 3, 8);
        GlyphShot ours = shootGlyph([&text] { drawBitmapText(text); });
        setUnpacking(GL_FALSE, 0, 0, 0, 4);
        EXPECT_EQ(ours.lit, toolkit.lit) << "glyph " << c;
        EXPECT_EQ(ours.advance, toolkit.advance) << "glyph " << c;
        EXPECT_EQ(ours.advance, glutBitmapWidth(GLUT_BITMAP_HELVETICA_12, c)) << "glyph " << c;
        // Nothing is kept that no drawing shows: no bits past a glyph's width, no offsets without pixels.
        const BitmapGlyph &g = bitmapGlyph(static_cast<unsigned char>(c));
        const int bytes = (g.width + 7) / 8;
        for (int k = 0; k < g.height * bytes; k++)
            EXPECT_EQ(bitmapGlyphBits(g)[k] & (0xff >> std::min(8, g.width - 8 * (k % bytes))), 0) << "glyph " << c;
        if (g.width == 0) {
            EXPECT_EQ(g.height | g.left | g.bottom, 0) << "glyph " << c;
        }
    }
    endOverlay();
}

namespace {
// The bundled scenario after steps, started as drovan-batch starts it.
void bundledWorldAfter(long steps) {
    setWalkerTraceStream(nullptr);
    world.stepCount = 0;
    world.simTime = 0.0f;
    setRandState(1);
    std::string rules = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt";
    ASSERT_TRUE(startWorld(rules, std::string(), StartupHooks(), nullptr).rulesOpened);
    if (world.speed == 0) setSpeed(2);
    for (long done = 0; done < steps;)
        if (tickWorld(world.lastStepTime + 1.0f)) done++;
}

int run(const std::string &command) { return std::system(command.c_str()); }
}  // namespace

// With no display, within 2 units per channel everywhere, the status line's text included.
TEST_F(GuiTest, OffscreenFramesAsTheWindowDrawsThem) {
    std::string folder = scratchFolder();
    std::string rules = std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt";
    struct View {
        const char *option;
        float centreX, centreY, zoom;
    } views[] = {{"", 1600.0f, 1600.0f, 0.8f}, {"--view 1500,1700,2.5", 1500.0f, 1700.0f, 2.5f}};
    bundledWorldAfter(300);
    std::vector<std::vector<unsigned char>> windowFrames;
    for (const View &v : views) {
        std::string frames = folder + "/" + (v.option[0] ? "zoomed" : "default");
        ASSERT_EQ(run("env -u DISPLAY '" + std::string(DROVAN_BATCH) + "' run '" + rules + "' --steps 300 --frames '" +
                      frames + "' --frame-every 300 " + v.option + " > /dev/null"),
                  0);
        int w = 0, h = 0, n = 0;
        unsigned char *png = stbi_load((frames + "/frame-000300.png").c_str(), &w, &h, &n, 3);
        ASSERT_NE(png, nullptr);
        ASSERT_EQ(w, 800);
        ASSERT_EQ(h, 800);

        camera.zoom = camera.zoomFrom = camera.zoomTo = v.zoom;
        camera.camX = 3200.0f - v.centreX;
        camera.camY = 3200.0f - v.centreY;
        glutSetWindow(shell.mainWindow);
        drawLiveFrame(PointerMarks(), false);
        std::vector<unsigned char> window;
        readBackBuffer(800, 800, window);
        int worst = 0, inked = 0;
        for (int y = 0; y < 800; y++)
            for (int x = 0; x < 800; x++)
                for (int c = 0; c < 3; c++) {
                    int a = window[(static_cast<size_t>(799 - y) * 800 + x) * 3 + c], b = png[(y * 800 + x) * 3 + c];
                    worst = std::max(worst, std::abs(a - b));
                    inked += a < 200;
                }
        stbi_image_free(png);
        EXPECT_LE(worst, 2) << "view '" << v.option << "'";
        EXPECT_GT(inked, 2000) << "the window drew the world";

        windowFrames.push_back(window);
    }
    // In one process the drawing follows the context it draws in: the
    // spheres' texture belongs to the context that made it.
    WindowContextAside aside;
    OffscreenContext context;
    std::string why;
    ASSERT_TRUE(context.open(800, 800, why)) << why;
    for (size_t k = 0; k < windowFrames.size(); k++) {
        std::vector<unsigned char> drawn;
        drawWorldPicture(800, 800, PictureView{views[k].centreX, views[k].centreY, views[k].zoom}, drawn);
        int worst = 0;
        for (size_t i = 0; i < windowFrames[k].size(); i++)
            worst = std::max(worst, std::abs(windowFrames[k][i] - drawn[i / 3 * 4 + i % 3]));
        EXPECT_LE(worst, 2) << "view '" << views[k].option << "' drawn offscreen in the window's process";
    }
    run("rm -rf '" + folder + "'");
}

// Paused ("Step") or running, and in Run ahead one at every K-th step when so
// chosen; the movie is named by its full path in the working folder.
TEST_F(GuiTest, RecordWritesAFramePerStep) {
    std::string folder = scratchFolder();
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    node(1500.0f, 1600.0f);
    ASSERT_TRUE(pressItem("Record"));
    ASSERT_TRUE(recording()) << panelMessage();
    EXPECT_EQ(recordingPath().rfind(folder + "/drovan-", 0), 0u) << recordingPath();
    int first = world.stepCount;
    for (int i = 0; i < 3; i++) {
        requestSingleStep();
        tick();
        tick();  // a pass with no step adds no frame
    }
    world.speed = 3;
    for (int i = 0; i < 6; i++) tick();
    world.speed = 0;
    long frames = world.stepCount - first;
    EXPECT_GE(frames, 5);
    EXPECT_EQ(recordedFrames(), frames);
    recordingChoices.runAheadEveryK = true;
    recordingChoices.every = 10;
    startRunAhead(40);
    for (int i = 0; i < 100 && runAheadActive(); i++) tick();
    frames += 4;
    EXPECT_EQ(recordedFrames(), frames);
    panelDisplay();
    EXPECT_NE(findPanelItem("Record path"), nullptr);
    EXPECT_NE(findPanelItem("Record length"), nullptr);
    ASSERT_TRUE(pressItem("Record"));
    EXPECT_FALSE(recording());
    recordingChoices = RecordingChoices();
    std::filesystem::current_path(before);

    int side = shell.windowSide - shell.windowSide % 2;
    ASSERT_EQ(run("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                  "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" +
                  recordingPath() + "' > '" + folder + "/probe.txt'"),
              0);
    EXPECT_EQ(readAll(folder + "/probe.txt"),
              "h264," + std::to_string(side) + "," + std::to_string(side) + "," + std::to_string(frames) + "\n");
    run("rm -rf '" + folder + "'");
}
