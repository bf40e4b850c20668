#pragma once
#include <cstddef>
#include <vector>

// A sphere a few pixels across costs the rasteriser its 180 triangles while
// covering a few dozen pixels. Drawn instead as its outline textured with the
// picture the mesh leaves (its translucent front and back blended in the
// mesh's order), it costs eight. The picture of a colour is worked out once
// into a tile of one texture.
class SphereAtlas {
public:
    static constexpr int kTile = 256;
    static constexpr int kTilesPerRow = 8;
    static constexpr int kSize = kTile * kTilesPerRow;
    // The unit square of the sphere spans the tile's texels 1 .. kTile - 1;
    // the border texel all round stays clear.
    static constexpr int kInner = kTile - 2;
    // Every covered texel holds the mesh's two half transparent layers: seen
    // through, the sphere lets this much of the ground show.
    static constexpr float kCover = 0.75f;

    // The tile of a colour, made on first use in the current GL context;
    // -1 when every tile is taken (or the colour is not a number). The
    // context is asked once per batch: asking costs a system call.
    int tileFor(const float rgb[3]);
    // The batch that asked for tiles has been drawn: the next one may be in another context.
    void batchDrawn() { contextKnown = false; }
    bool full() const { return tiles.size() >= static_cast<std::size_t>(kTilesPerRow * kTilesPerRow); }
    // Forget every tile; only once nothing queued still samples them.
    void reset() { tiles.clear(); }
    unsigned texture() const { return textureId; }
    // Texture coordinates of the tile's unit square corners.
    static void tileSquare(int tile, float &s0, float &t0, float &s1, float &t1);
    // The tile's texels (rgba, row by row from unit y = -1): the colour the
    // mesh leaves over the ground, divided by kCover, with alpha 255 where
    // the mesh covers the texel centre or a neighbour's, and 0 elsewhere.
    static void paintTile(const float rgb[3], unsigned char *rgba);

private:
    struct Entry {
        float rgb[3];
    };
    std::vector<Entry> tiles;
    unsigned textureId = 0;
    const void *context = nullptr;
    bool contextKnown = false;
};
