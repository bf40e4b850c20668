#include "render/PaintBatch.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/SphereMesh.h"

PaintBatch::PaintBatch() : cellRun(kCells * kCells, -1), dirtyX0(kCells), dirtyY0(kCells), dirtyX1(-1), dirtyY1(-1) {}

void PaintBatch::setView(const double mv[16], const double pr[16], const int viewport[4]) {
    double m[16];  // pr * mv, column major
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++) sum += pr[k * 4 + r] * mv[c * 4 + k];
            m[c * 4 + r] = sum;
        }
    // Only a parallel view whose screen position ignores depth qualifies.
    culling = m[3] == 0.0 && m[7] == 0.0 && m[11] == 0.0 && m[15] == 1.0 && m[8] == 0.0 && m[9] == 0.0 &&
              viewport[2] > 0 && viewport[3] > 0;
    double hw = viewport[2] * 0.5, hh = viewport[3] * 0.5;
    toWindow[0] = m[0] * hw;
    toWindow[1] = m[4] * hw;
    toWindow[2] = (m[12] + 1.0) * hw + viewport[0];
    toWindow[3] = m[1] * hh;
    toWindow[4] = m[5] * hh;
    toWindow[5] = (m[13] + 1.0) * hh + viewport[1];
    depth[0] = m[2];
    depth[1] = m[6];
    depth[2] = m[10];
    depth[3] = m[14];
}

bool PaintBatch::mayCover(const double *a, const double *b, const double *c) {
    // A sliver of slack for the rasteriser's own rounding of the points.
    const double eps = 1.0 / 64.0;
    double x0 = std::min({a[0], b[0], c[0]}), x1 = std::max({a[0], b[0], c[0]});
    double y0 = std::min({a[1], b[1], c[1]}), y1 = std::max({a[1], b[1], c[1]});
    // Points far off (or not numbers) are left to the rasteriser's clipping.
    if (!(x0 > -1e7 && x1 < 1e7 && y0 > -1e7 && y1 < 1e7)) return true;
    // Pixel centres lie at half-integers.
    double i0 = std::ceil(x0 - 0.5 - eps), i1 = std::floor(x1 - 0.5 + eps);
    double j0 = std::ceil(y0 - 0.5 - eps), j1 = std::floor(y1 - 0.5 + eps);
    if (i0 > i1 || j0 > j1) return false;
    if ((i1 - i0 + 1.0) * (j1 - j0 + 1.0) > 16.0) return true;
    for (double j = j0; j <= j1; j++)
        for (double i = i0; i <= i1; i++)
            if (covers(a, b, c, i + 0.5, j + 0.5)) return true;
    return false;
}

bool PaintBatch::covers(const double *a, const double *b, const double *c, double px, double py) {
    const double eps = 1.0 / 64.0;
    // A centre is in when it lies on the inner side of every edge (from p[e]
    // to p[e + 1]), or within eps of it.
    double area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    if (std::fabs(area) < 1e-9) return true;
    double sign = area > 0.0 ? 1.0 : -1.0;
    const double *p[3] = {a, b, c};
    for (int e = 0; e < 3; e++) {
        double ex = p[(e + 1) % 3][0] - p[e][0], ey = p[(e + 1) % 3][1] - p[e][1];
        double side = (ex * (py - p[e][1]) - ey * (px - p[e][0])) * sign;
        if (!(side >= 0.0 || side * side <= eps * eps * (ex * ex + ey * ey))) return false;
    }
    return true;
}

void PaintBatch::keepCovering(int n) {
    const double eps = 1.0 / 64.0;
    double x0 = window[0], x1 = x0, y0 = window[1], y1 = y0;
    for (int i = 1; i < n; i++) {
        x0 = std::min(x0, window[2 * i]);
        x1 = std::max(x1, window[2 * i]);
        y0 = std::min(y0, window[2 * i + 1]);
        y1 = std::max(y1, window[2 * i + 1]);
    }
    double i0 = std::ceil(x0 - 0.5 - eps), i1 = std::floor(x1 - 0.5 + eps);
    double j0 = std::ceil(y0 - 0.5 - eps), j1 = std::floor(y1 - 0.5 + eps);
    bool near = x0 > -1e7 && x1 < 1e7 && y0 > -1e7 && y1 < 1e7;
    // A shape around no pixel centre shows nothing (an atom a pixel across
    // often); one around a few is tested against just those.
    if (near && (i0 > i1 || j0 > j1)) return;
    if (near && (i1 - i0 + 1.0) * (j1 - j0 + 1.0) <= 4.0) {
        for (int i = 1; i + 1 < n; i++) {
            bool show = false;
            for (double j = j0; j <= j1 && !show; j++)
                for (double k = i0; k <= i1 && !show; k++)
                    show = covers(&window[0], &window[2 * i], &window[2 * i + 2], k + 0.5, j + 0.5);
            if (show) kept.push_back(static_cast<unsigned>(i));
        }
        return;
    }
    for (int i = 1; i + 1 < n; i++)
        if (mayCover(&window[0], &window[2 * i], &window[2 * i + 2])) kept.push_back(static_cast<unsigned>(i));
}

int PaintBatch::cellOf(float v) const {
    float c = std::floor((v - kGridOrigin) / kCellSize);
    // Far away (or not a number) shares the border cells: coarser, never wrong.
    if (!(c >= 0.0f)) return 0;
    return c >= kCells - 1 ? kCells - 1 : static_cast<int>(c);
}

PaintBatch::Run &PaintBatch::place(Kind kind, float width, float x0, float y0, float x1, float y1) {
    // Reach past the points: a pixel all round, and half the width of a line
    // plus its smoothed edge.
    bool lines = kind == Lines;
    float margin = (lines ? width * 0.5f + 2.0f : 2.0f) * unitsPerPixel;
    int cx0 = cellOf(x0 - margin), cx1 = cellOf(x1 + margin);
    int cy0 = cellOf(y0 - margin), cy1 = cellOf(y1 + margin);
    int after = -1;
    for (int j = cy0; j <= cy1; j++)
        for (int i = cx0; i <= cx1; i++) after = std::max(after, cellRun[j * kCells + i]);

    int *latest = kind == Sprites ? &latestSprites : &latestFill;
    if (lines) {
        latest = nullptr;
        for (auto &l : latestLines)
            if (l.first == width) latest = &l.second;
        if (!latest) {
            latestLines.push_back({width, -1});
            latest = &latestLines.back().second;
        }
    }
    int k = *latest;
    if (k < 0 || k < after) {
        if (used == static_cast<int>(runs.size())) runs.emplace_back();
        k = used++;
        runs[k].kind = kind;
        runs[k].width = width;
        *latest = k;
    }
    for (int j = cy0; j <= cy1; j++)
        for (int i = cx0; i <= cx1; i++) cellRun[j * kCells + i] = k;
    dirtyX0 = std::min(dirtyX0, cx0);
    dirtyY0 = std::min(dirtyY0, cy0);
    dirtyX1 = std::max(dirtyX1, cx1);
    dirtyY1 = std::max(dirtyY1, cy1);
    return runs[k];
}

unsigned PaintBatch::vertex(Run &r, float x, float y, float z, const float rgb[3], float alpha) {
    size_t at = r.vertices.size();
    r.vertices.resize(at + 7);
    float *v = &r.vertices[at];
    v[0] = x;
    v[1] = y;
    v[2] = z;
    v[3] = rgb[0];
    v[4] = rgb[1];
    v[5] = rgb[2];
    v[6] = alpha;
    return static_cast<unsigned>(at / 7);
}

static void bounds(const float *xy, int n, float dx, float dy, float &x0, float &y0, float &x1, float &y1) {
    x0 = x1 = dx + xy[0];
    y0 = y1 = dy + xy[1];
    for (int i = 1; i < n; i++) {
        x0 = std::min(x0, dx + xy[2 * i]);
        x1 = std::max(x1, dx + xy[2 * i]);
        y0 = std::min(y0, dy + xy[2 * i + 1]);
        y1 = std::max(y1, dy + xy[2 * i + 1]);
    }
}

void PaintBatch::fan(const float *xy, int n, float dx, float dy, float z, const float rgb[3]) {
    if (n < 3) return;
    // Cut as a polygon is cut: a fan from the first point.
    kept.clear();
    if (culling) {
        window.resize(2 * static_cast<size_t>(n));
        for (int i = 0; i < n; i++) {
            double x = dx + xy[2 * i], y = dy + xy[2 * i + 1];
            window[2 * i] = toWindow[0] * x + toWindow[1] * y + toWindow[2];
            window[2 * i + 1] = toWindow[3] * x + toWindow[4] * y + toWindow[5];
        }
        keepCovering(n);
        if (kept.empty()) return;
    } else {
        for (int i = 1; i + 1 < n; i++) kept.push_back(static_cast<unsigned>(i));
    }
    float x0, y0, x1, y1;
    bounds(xy, n, dx, dy, x0, y0, x1, y1);
    Run &r = place(Fill, 0.0f, x0, y0, x1, y1);
    if (kept.size() == static_cast<size_t>(n - 2)) {
        unsigned first = vertex(r, dx + xy[0], dy + xy[1], z, rgb, 1.0f);
        for (int i = 1; i < n; i++) vertex(r, dx + xy[2 * i], dy + xy[2 * i + 1], z, rgb, 1.0f);
        for (unsigned i : kept) r.indices.insert(r.indices.end(), {first, first + i, first + i + 1});
        return;
    }
    // Only the points of the triangles that show: the same triangles, fewer
    // points for the pipeline to carry.
    unsigned centre = vertex(r, dx + xy[0], dy + xy[1], z, rgb, 1.0f);
    unsigned last = 0, lastIndex = 0;
    for (unsigned i : kept) {
        unsigned a = i == last ? lastIndex : vertex(r, dx + xy[2 * i], dy + xy[2 * i + 1], z, rgb, 1.0f);
        unsigned b = vertex(r, dx + xy[2 * i + 2], dy + xy[2 * i + 3], z, rgb, 1.0f);
        last = i + 1;
        lastIndex = b;
        r.indices.insert(r.indices.end(), {centre, a, b});
    }
}

void PaintBatch::loop(const float *xy, int n, float dx, float dy, float z, const float rgb[3], float width) {
    if (n < 2) return;
    float x0, y0, x1, y1;
    bounds(xy, n, dx, dy, x0, y0, x1, y1);
    Run &r = place(Lines, width, x0, y0, x1, y1);
    unsigned first = vertex(r, dx + xy[0], dy + xy[1], z, rgb, 1.0f);
    for (int i = 1; i < n; i++) vertex(r, dx + xy[2 * i], dy + xy[2 * i + 1], z, rgb, 1.0f);
    for (int i = 0; i < n; i++) r.indices.insert(r.indices.end(), {first + i, first + (i + 1) % n});
}

void PaintBatch::line(float x1, float y1, float x2, float y2, float z, const float rgb[3], float width) {
    Run &r = place(Lines, width, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    unsigned a = vertex(r, x1, y1, z, rgb, 1.0f);
    unsigned b = vertex(r, x2, y2, z, rgb, 1.0f);
    r.indices.insert(r.indices.end(), {a, b});
}

void PaintBatch::sphere(float x, float y, float z, float radius, const float rgb[3]) {
    const SphereMesh &m = sphereMesh();
    kept.clear();
    // Only a sphere a few pixels across has many triangles that miss every
    // pixel centre; on a larger one the looking costs more than it saves.
    double scale = std::max(std::hypot(toWindow[0], toWindow[3]), std::hypot(toWindow[1], toWindow[4]));
    double windowRadius = std::fabs(radius) * scale;
    if (sprite(x, y, z, radius, windowRadius, rgb)) return;
    if (culling && windowRadius <= 3.0) {
        window.resize(2 * SphereMesh::kVertices);
        for (int k = 0; k < SphereMesh::kVertices; k++) {
            double px = x + radius * m.position[k][0], py = y + radius * m.position[k][1];
            window[2 * k] = toWindow[0] * px + toWindow[1] * py + toWindow[2];
            window[2 * k + 1] = toWindow[3] * px + toWindow[4] * py + toWindow[5];
        }
        for (int k = 0; k < SphereMesh::kIndices; k += 3)
            if (mayCover(&window[2 * m.index[k]], &window[2 * m.index[k + 1]], &window[2 * m.index[k + 2]]))
                kept.insert(kept.end(), {m.index[k], m.index[k + 1], m.index[k + 2]});
        if (kept.empty()) return;
    } else {
        kept.assign(m.index, m.index + SphereMesh::kIndices);
    }
    float reach = std::fabs(radius);
    Run &r = place(Fill, 0.0f, x - reach, y - reach, x + reach, y + reach);
    unsigned first = static_cast<unsigned>(r.vertices.size() / 7);
    r.vertices.resize(r.vertices.size() + 7 * SphereMesh::kVertices);
    float *v = &r.vertices[7 * first];
    for (int k = 0; k < SphereMesh::kVertices; k++, v += 7) {
        v[0] = x + radius * m.position[k][0];
        v[1] = y + radius * m.position[k][1];
        v[2] = z + radius * m.position[k][2];
        for (int c = 0; c < 3; c++) v[3 + c] = litChannel(rgb[c], m.diffuse[k]);
        v[6] = 0.5f;
    }
    for (unsigned k : kept) r.indices.push_back(first + k);
}

bool PaintBatch::sprite(float x, float y, float z, float radius, double windowRadius, const float rgb[3]) {
    if (!culling || !(windowRadius <= spritePixels)) return false;
    // The mesh's poles reach z +- radius; where the view's depth range cuts
    // them off, only the mesh shows what is left.
    if (depth[0] != 0.0 || depth[1] != 0.0) return false;
    for (double pole : {static_cast<double>(z) + radius, static_cast<double>(z) - radius}) {
        double d = depth[2] * pole + depth[3];
        if (!(d > -1.0 && d < 1.0)) return false;
    }
    int tile = atlas.tileFor(rgb);
    if (tile < 0 && atlas.full()) {
        // More colours than tiles: draw what samples the tiles, then reuse them.
        float width = 1.0f;
        glGetFloatv(GL_LINE_WIDTH, &width);
        flush(width);
        atlas.reset();
        tile = atlas.tileFor(rgb);
    }
    if (tile < 0) return false;
    float s0, t0, s1, t1;
    SphereAtlas::tileSquare(tile, s0, t0, s1, t1);
    float reach = std::fabs(radius);
    Run &r = place(Sprites, 0.0f, x - reach, y - reach, x + reach, y + reach);
    // The outline is the mesh's equator, placed exactly as the mesh places
    // it, so the same pixels are covered; the texture gives their colour.
    const SphereMesh &m = sphereMesh();
    unsigned first = static_cast<unsigned>(r.vertices.size() / 7);
    for (int i = 0; i < SphereMesh::kSlices; i++) {
        const float *u = m.position[SphereMesh::kEquator + i];
        r.vertices.insert(r.vertices.end(),
                          {x + radius * u[0], y + radius * u[1], z, s0 + (u[0] + 1.0f) * 0.5f * (s1 - s0),
                           t0 + (u[1] + 1.0f) * 0.5f * (t1 - t0), 0.0f, 0.0f});
    }
    for (unsigned i = 1; i + 1 < static_cast<unsigned>(SphereMesh::kSlices); i++)
        r.indices.insert(r.indices.end(), {first, first + i, first + i + 1});
    return true;
}

void PaintBatch::spriteState(bool on) {
    if (on) {
        glDisableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, atlas.texture());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        // Every covered pixel holds the mesh's two layers: one strength.
        glBlendColor(0.0f, 0.0f, 0.0f, SphereAtlas::kCover);
        glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
    }
}

void PaintBatch::flush(float restoreWidth) {
    if (used > 0) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        int blended = -1;
        float width = -1.0f;
        Kind drawing = Fill;
        for (int k = 0; k < used; k++) {
            Run &r = runs[k];
            if (!r.indices.empty()) {
                bool lines = r.kind == Lines;
                if (blended != !lines) {
                    blended = !lines;
                    if (blended)
                        glEnable(GL_BLEND);
                    else
                        glDisable(GL_BLEND);
                }
                if ((r.kind == Sprites) != (drawing == Sprites)) spriteState(r.kind == Sprites);
                drawing = r.kind;
                if (lines && r.width != width) glLineWidth(width = r.width);
                glVertexPointer(3, GL_FLOAT, 7 * sizeof(float), r.vertices.data());
                if (r.kind == Sprites)
                    glTexCoordPointer(2, GL_FLOAT, 7 * sizeof(float), r.vertices.data() + 3);
                else
                    glColorPointer(4, GL_FLOAT, 7 * sizeof(float), r.vertices.data() + 3);
                glDrawRangeElements(lines ? GL_LINES : GL_TRIANGLES, 0, static_cast<GLuint>(r.vertices.size() / 7 - 1),
                                    static_cast<GLsizei>(r.indices.size()), GL_UNSIGNED_INT, r.indices.data());
            }
            r.vertices.clear();
            r.indices.clear();
        }
        if (drawing == Sprites) spriteState(false);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_BLEND);
        if (width >= 0.0f && width != restoreWidth) glLineWidth(restoreWidth);
    }
    atlas.batchDrawn();
    used = 0;
    latestFill = latestSprites = -1;
    latestLines.clear();
    for (int j = dirtyY0; j <= dirtyY1; j++)
        std::fill(cellRun.begin() + j * kCells + dirtyX0, cellRun.begin() + j * kCells + dirtyX1 + 1, -1);
    dirtyX0 = dirtyY0 = kCells;
    dirtyX1 = dirtyY1 = -1;
}
