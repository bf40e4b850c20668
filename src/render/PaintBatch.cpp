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
    double area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    if (std::fabs(area) < 1e-9) return true;
    double sign = area > 0.0 ? 1.0 : -1.0;
    // Edge e runs from p[e] to p[e + 1]; a centre is in when it lies on the
    // inner side of every edge, or within eps of it.
    const double *p[3] = {a, b, c};
    double ex[3], ey[3], near[3];
    for (int e = 0; e < 3; e++) {
        ex[e] = p[(e + 1) % 3][0] - p[e][0];
        ey[e] = p[(e + 1) % 3][1] - p[e][1];
        near[e] = eps * eps * (ex[e] * ex[e] + ey[e] * ey[e]);
    }
    for (double j = j0; j <= j1; j++)
        for (double i = i0; i <= i1; i++) {
            double px = i + 0.5, py = j + 0.5;
            bool inside = true;
            for (int e = 0; e < 3 && inside; e++) {
                double side = (ex[e] * (py - p[e][1]) - ey[e] * (px - p[e][0])) * sign;
                inside = side >= 0.0 || side * side <= near[e];
            }
            if (inside) return true;
        }
    return false;
}

int PaintBatch::cellOf(float v) const {
    float c = std::floor((v - kGridOrigin) / kCellSize);
    // Far away (or not a number) shares the border cells: coarser, never wrong.
    if (!(c >= 0.0f)) return 0;
    return c >= kCells - 1 ? kCells - 1 : static_cast<int>(c);
}

PaintBatch::Run &PaintBatch::place(bool lines, float width, float x0, float y0, float x1, float y1) {
    // Reach past the points: a pixel all round, and half the width of a line
    // plus its smoothed edge.
    float margin = (lines ? width * 0.5f + 2.0f : 2.0f) * unitsPerPixel;
    int cx0 = cellOf(x0 - margin), cx1 = cellOf(x1 + margin);
    int cy0 = cellOf(y0 - margin), cy1 = cellOf(y1 + margin);
    int after = -1;
    for (int j = cy0; j <= cy1; j++)
        for (int i = cx0; i <= cx1; i++) after = std::max(after, cellRun[j * kCells + i]);

    int *latest = &latestFill;
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
        runs[k].lines = lines;
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
    unsigned n = static_cast<unsigned>(r.vertices.size() / 7);
    r.vertices.insert(r.vertices.end(), {x, y, z, rgb[0], rgb[1], rgb[2], alpha});
    return n;
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
        for (int i = 1; i + 1 < n; i++)
            if (mayCover(&window[0], &window[2 * i], &window[2 * i + 2])) kept.push_back(static_cast<unsigned>(i));
        if (kept.empty()) return;
    } else {
        for (int i = 1; i + 1 < n; i++) kept.push_back(static_cast<unsigned>(i));
    }
    float x0, y0, x1, y1;
    bounds(xy, n, dx, dy, x0, y0, x1, y1);
    Run &r = place(false, 0.0f, x0, y0, x1, y1);
    unsigned first = vertex(r, dx + xy[0], dy + xy[1], z, rgb, 1.0f);
    for (int i = 1; i < n; i++) vertex(r, dx + xy[2 * i], dy + xy[2 * i + 1], z, rgb, 1.0f);
    for (unsigned i : kept) r.indices.insert(r.indices.end(), {first, first + i, first + i + 1});
}

void PaintBatch::loop(const float *xy, int n, float dx, float dy, float z, const float rgb[3], float width) {
    if (n < 2) return;
    float x0, y0, x1, y1;
    bounds(xy, n, dx, dy, x0, y0, x1, y1);
    Run &r = place(true, width, x0, y0, x1, y1);
    unsigned first = vertex(r, dx + xy[0], dy + xy[1], z, rgb, 1.0f);
    for (int i = 1; i < n; i++) vertex(r, dx + xy[2 * i], dy + xy[2 * i + 1], z, rgb, 1.0f);
    for (int i = 0; i < n; i++) r.indices.insert(r.indices.end(), {first + i, first + (i + 1) % n});
}

void PaintBatch::line(float x1, float y1, float x2, float y2, float z, const float rgb[3], float width) {
    Run &r = place(true, width, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
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
    Run &r = place(false, 0.0f, x - reach, y - reach, x + reach, y + reach);
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

void PaintBatch::flush(float restoreWidth) {
    if (used > 0) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        int blended = -1;
        float width = -1.0f;
        for (int k = 0; k < used; k++) {
            Run &r = runs[k];
            if (!r.indices.empty()) {
                if (blended != !r.lines) {
                    blended = !r.lines;
                    if (blended) glEnable(GL_BLEND);
                    else glDisable(GL_BLEND);
                }
                if (r.lines && r.width != width) glLineWidth(width = r.width);
                glVertexPointer(3, GL_FLOAT, 7 * sizeof(float), r.vertices.data());
                glColorPointer(4, GL_FLOAT, 7 * sizeof(float), r.vertices.data() + 3);
                glDrawRangeElements(r.lines ? GL_LINES : GL_TRIANGLES, 0,
                                    static_cast<GLuint>(r.vertices.size() / 7 - 1),
                                    static_cast<GLsizei>(r.indices.size()), GL_UNSIGNED_INT, r.indices.data());
            }
            r.vertices.clear();
            r.indices.clear();
        }
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_BLEND);
        if (width >= 0.0f && width != restoreWidth) glLineWidth(restoreWidth);
    }
    used = 0;
    latestFill = -1;
    latestLines.clear();
    for (int j = dirtyY0; j <= dirtyY1; j++)
        std::fill(cellRun.begin() + j * kCells + dirtyX0, cellRun.begin() + j * kCells + dirtyX1 + 1, -1);
    dirtyX0 = dirtyY0 = kCells;
    dirtyX1 = dirtyY1 = -1;
}
