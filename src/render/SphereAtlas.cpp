#include "render/SphereAtlas.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/GLContext.h"
#include "render/SphereMesh.h"

void SphereAtlas::tileSquare(int tile, float &s0, float &t0, float &s1, float &t1) {
    const float inv = 1.0f / static_cast<float>(kSize);
    int x = (tile % kTilesPerRow) * kTile, y = (tile / kTilesPerRow) * kTile;
    s0 = static_cast<float>(x + 1) * inv;
    s1 = static_cast<float>(x + 1 + kInner) * inv;
    t0 = static_cast<float>(y + 1) * inv;
    t1 = static_cast<float>(y + 1 + kInner) * inv;
}

void SphereAtlas::paintTile(const float rgb[3], unsigned char *rgba) {
    const SphereMesh &m = sphereMesh();
    const int n = kTile;
    // Per texel: the layers blended so far, as colour added and ground kept.
    std::vector<float> colour(static_cast<size_t>(n) * n * 3, 0.0f), ground(static_cast<size_t>(n) * n, 1.0f);
    const float step = 2.0f / static_cast<float>(kInner);
    auto unit = [step](int texel) { return -1.0f + (static_cast<float>(texel - 1) + 0.5f) * step; };
    // Sample a hair off the centre, so a centre on an edge shared by two
    // triangles falls in one of them, as the rasteriser's rule has it.
    const double offX = 1.3e-7, offY = 2.9e-7;
    for (int k = 0; k < SphereMesh::kIndices; k += 3) {
        const int v[3] = {m.index[k], m.index[k + 1], m.index[k + 2]};
        double x[3], y[3];
        float lit[3][3];
        for (int e = 0; e < 3; e++) {
            x[e] = m.position[v[e]][0];
            y[e] = m.position[v[e]][1];
            for (int c = 0; c < 3; c++) lit[e][c] = litChannel(rgb[c], m.diffuse[v[e]]);
        }
        double area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
        if (std::fabs(area) < 1e-12) continue;
        double lo = std::min({x[0], x[1], x[2]}), hi = std::max({x[0], x[1], x[2]});
        int i0 = std::max(1, static_cast<int>(std::floor((lo + 1.0) / step)));
        int i1 = std::min(n - 2, static_cast<int>(std::ceil((hi + 1.0) / step)) + 1);
        lo = std::min({y[0], y[1], y[2]});
        hi = std::max({y[0], y[1], y[2]});
        int j0 = std::max(1, static_cast<int>(std::floor((lo + 1.0) / step)));
        int j1 = std::min(n - 2, static_cast<int>(std::ceil((hi + 1.0) / step)) + 1);
        for (int j = j0; j <= j1; j++)
            for (int i = i0; i <= i1; i++) {
                double px = unit(i) + offX, py = unit(j) + offY;
                double w0 = ((x[1] - px) * (y[2] - py) - (y[1] - py) * (x[2] - px)) / area;
                double w1 = ((x[2] - px) * (y[0] - py) - (y[2] - py) * (x[0] - px)) / area;
                double w2 = 1.0 - w0 - w1;
                if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0) continue;
                size_t t = static_cast<size_t>(j) * n + i;
                for (int c = 0; c < 3; c++) {
                    float l = static_cast<float>(w0 * lit[0][c] + w1 * lit[1][c] + w2 * lit[2][c]);
                    colour[3 * t + c] = 0.5f * l + 0.5f * colour[3 * t + c];
                }
                ground[t] *= 0.5f;
            }
    }
    std::vector<unsigned char> covered(static_cast<size_t>(n) * n);
    for (size_t t = 0; t < static_cast<size_t>(n) * n; t++) {
        unsigned char *out = rgba + 4 * t;
        covered[t] = ground[t] < 1.0f;
        out[0] = out[1] = out[2] = out[3] = 0;
        if (!covered[t]) continue;
        // Drawn at kCover: the colour that leaves what the layers left.
        for (int c = 0; c < 3; c++) {
            float v = colour[3 * t + c] / kCover;
            v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
            out[c] = static_cast<unsigned char>(std::lround(v * 255.0f));
        }
        out[3] = 255;
    }
    // A pixel just inside the outline may sample a texel just outside it:
    // those take the colour of a covered neighbour.
    for (int pass = 0; pass < 2; pass++) {
        std::vector<unsigned char> was = covered;
        for (int j = 0; j < n; j++)
            for (int i = 0; i < n; i++) {
                size_t t = static_cast<size_t>(j) * n + i;
                if (was[t]) continue;
                for (int dj = -1; dj <= 1 && !covered[t]; dj++)
                    for (int di = -1; di <= 1 && !covered[t]; di++) {
                        int ii = i + di, jj = j + dj;
                        if (ii < 0 || jj < 0 || ii >= n || jj >= n) continue;
                        size_t u = static_cast<size_t>(jj) * n + ii;
                        if (!was[u]) continue;
                        for (int c = 0; c < 4; c++) rgba[4 * t + c] = rgba[4 * u + c];
                        covered[t] = 1;
                    }
            }
    }
}

int SphereAtlas::tileFor(const float rgb[3]) {
    for (int c = 0; c < 3; c++)
        if (!std::isfinite(rgb[c])) return -1;
    if (!contextKnown) {
        const void *current = currentGLContext();
        if (!current) return -1;
        if (current != context || !textureId) {
            // A new context knows none of the old tiles.
            context = current;
            tiles.clear();
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            GLuint id = 0;
            glGenTextures(1, &id);
            textureId = id;
            glBindTexture(GL_TEXTURE_2D, id);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            // Left undefined: a tile is filled whole before anything samples it.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        }
        contextKnown = true;
    }
    for (size_t k = 0; k < tiles.size(); k++)
        if (tiles[k].rgb[0] == rgb[0] && tiles[k].rgb[1] == rgb[1] && tiles[k].rgb[2] == rgb[2])
            return static_cast<int>(k);
    if (tiles.size() >= static_cast<size_t>(kTilesPerRow * kTilesPerRow)) return -1;
    int tile = static_cast<int>(tiles.size());
    tiles.push_back({{rgb[0], rgb[1], rgb[2]}});
    std::vector<unsigned char> texels(static_cast<size_t>(kTile) * kTile * 4);
    paintTile(rgb, texels.data());
    GLint bound = 0, align = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, (tile % kTilesPerRow) * kTile, (tile / kTilesPerRow) * kTile, kTile, kTile,
                    GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, align);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return tile;
}
