#pragma once
#include <vector>

#include "render/SphereAtlas.h"

// Drawing gathered into as few GL draws as the picture allows. A primitive
// joins the latest draw of its kind (filled shapes, or lines of one width)
// unless something queued after that draw may touch its pixels: shapes that
// share no pixel can change places without changing the picture.
//
// Filled shapes draw blended, with alpha 1 except the translucent spheres;
// lines draw unblended. Spheres up to kSpritePixels in radius draw as
// textured squares (see SphereAtlas). Coordinates are world units, drawn under the current
// matrices; unitsPerPixel sets how far a shape may reach past its points.
class PaintBatch {
public:
    PaintBatch();
    void setUnitsPerPixel(float u) { unitsPerPixel = u; }
    // The matrices and viewport the queued shapes will be drawn under, column
    // major as GL reports them. With a flat view known, filled triangles that
    // cover no pixel centre are left out: the rasteriser would draw nothing
    // of them. Without one (or for any other view) every triangle is drawn.
    void setView(const double modelview[16], const double projection[16], const int viewport[4]);
    void clearView() { culling = false; }
    // A convex polygon of n points (x, y pairs, offset by dx, dy), filled.
    void fan(const float *xy, int n, float dx, float dy, float z, const float rgb[3]);
    // A closed outline of n points, or one line, width in pixels.
    void loop(const float *xy, int n, float dx, float dy, float z, const float rgb[3], float width);
    void line(float x1, float y1, float x2, float y2, float z, const float rgb[3], float width);
    // The lit, half transparent node sphere.
    void sphere(float x, float y, float z, float radius, const float rgb[3]);
    // Issue every draw in order and start over. Leaves blending and the
    // vertex arrays off and the line width at restoreWidth.
    void flush(float restoreWidth);
    bool empty() const { return used == 0; }
    // Largest sphere radius, in pixels, drawn as a square; 0 draws every
    // sphere as its mesh, a negative value restores kSpritePixels.
    void setSpritePixels(float p) { spritePixels = p < 0.0f ? kSpritePixels : p; }
    static constexpr float kSpritePixels = 16.0f;

private:
    enum Kind { Fill, Lines, Sprites };
    struct Run {
        Kind kind = Fill;
        float width = 1.0f;
        std::vector<float> vertices;  // x y z r g b a (squares: x y z s t, unused, unused)
        std::vector<unsigned> indices;
    };
    static constexpr int kCells = 100;
    static constexpr float kCellSize = 64.0f;
    static constexpr float kGridOrigin = -1600.0f;

    // The run a primitive covering the box joins; records it in the grid.
    Run &place(Kind kind, float width, float x0, float y0, float x1, float y1);
    // The sphere as a textured square; false when it must draw as its mesh.
    bool sprite(float x, float y, float z, float radius, double windowRadius, const float rgb[3]);
    // GL set for drawing squares from the atlas, or back to coloured shapes.
    void spriteState(bool on);
    static unsigned vertex(Run &r, float x, float y, float z, const float rgb[3], float alpha);
    int cellOf(float v) const;
    // Whether the triangle of window points a, b, c may cover a pixel centre.
    static bool mayCover(const double *a, const double *b, const double *c);
    // Whether the pixel centre (px, py) lies in the triangle or within the
    // slack of mayCover; a degenerate triangle may cover anything.
    static bool covers(const double *a, const double *b, const double *c, double px, double py);
    // The fan's triangles (of the n window points) that may cover a pixel centre, into kept.
    void keepCovering(int n);

    std::vector<Run> runs;
    int used = 0;
    // The latest run of each kind: filled first, then one per line width.
    std::vector<std::pair<float, int>> latestLines;
    int latestFill = -1, latestSprites = -1;
    // Per grid cell, the latest run drawing there (-1 for none); touched
    // cells lie within the dirty bounds.
    std::vector<int> cellRun;
    int dirtyX0, dirtyY0, dirtyX1, dirtyY1;
    float unitsPerPixel = 4.0f;
    // World (x, y) to window: x' = t[0] x + t[1] y + t[2], y' = t[3] x + t[4] y + t[5].
    bool culling = false;
    double toWindow[6] = {};
    // Depth in clip space: z' = depth[0] x + depth[1] y + depth[2] z + depth[3].
    double depth[4] = {};
    float spritePixels = kSpritePixels;
    SphereAtlas atlas;
    std::vector<double> window;  // scratch: window points of the shape at hand
    std::vector<unsigned> kept;  // scratch: its triangles that may show
};
