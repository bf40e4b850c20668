#include "world/NeighbourGrid.h"

#include "world/Atom.h"
#include "world/Node.h"

NeighbourGrid<drovanAtom> atomGrid;
NeighbourGrid<drovanNode> nodeGrid;

namespace {
// Float cell coordinates are clamped before conversion so that an absurd
// radius or position can never overflow an int.
int cellIndex(float v) {
    const float lim = 1.0e6f;
    if (!(v > -lim)) v = -lim;
    if (v > lim) v = lim;
    return static_cast<int>(v);
}

int wrapIndex(int i, int n) {
    int m = i % n;
    return m < 0 ? m + n : m;
}
}  // namespace

template <class T>
void NeighbourGrid<T>::clear() {
    for (T *&c : cells) c = nullptr;
    overflow = nullptr;
    generation++;
}

template <class T>
bool NeighbourGrid<T>::cellOf(float x, float y, int &i, int &j) {
    float fx = (x - kOrigin) / kCell;
    float fy = (y - kOrigin) / kCell;
    // (int) truncates toward zero, so -0.5 still lands in cell 0.
    if (!(fx > -1.0f && fx < static_cast<float>(kCells) && fy > -1.0f && fy < static_cast<float>(kCells)))
        return false;
    i = static_cast<int>(fx);
    j = static_cast<int>(fy);
    return i >= 0 && i < kCells && j >= 0 && j < kCells;
}

template <class T>
void NeighbourGrid<T>::insert(T *t, float x, float y) {
    int i, j;
    T **head = cellOf(x, y, i, j) ? &cells[j * kCells + i] : &overflow;
    t->gridNext = *head;
    if (*head) (*head)->gridPrevLink = &t->gridNext;
    *head = t;
    t->gridPrevLink = head;
    t->gridGeneration = generation;
}

template <class T>
void NeighbourGrid<T>::unlink(T *t) {
    if (t->gridPrevLink && t->gridGeneration == generation) {
        *t->gridPrevLink = t->gridNext;
        if (t->gridNext) t->gridNext->gridPrevLink = t->gridPrevLink;
    }
    t->gridNext = nullptr;
    t->gridPrevLink = nullptr;
}

void SpiralWalk::begin(float lx, float ly, float r, float cellW, float cellH, float extentW, float extentH,
                       int ncols) {
    cols = ncols;
    minI = cellIndex((lx - r) / cellW);
    minJ = cellIndex((ly - r) / cellH);
    maxI = cellIndex((lx + r) / cellW) + 1;
    maxJ = cellIndex((ly + r) / cellH) + 1;
    // A square several grids wide visits nothing new; keep absurd radii finite.
    auto bound = [ncols](int v) { return v < -2 * ncols ? -2 * ncols : (v > 3 * ncols ? 3 * ncols : v); };
    minI = bound(minI);
    minJ = bound(minJ);
    maxI = bound(maxI);
    maxJ = bound(maxJ);
    startI = (minI + maxI) / 2;
    startJ = (minJ + maxJ) / 2;
    touchesBorder = lx - r < 0.0f || ly - r < 0.0f || lx + r >= extentW || ly + r >= extentH;
    ci = startI;
    cj = startJ;
    leg = 0;
    legDone = 0;
    started = false;
    ended = false;
}

bool SpiralWalk::nextCell(int &i, int &j, bool closed) {
    static const int dx[4] = {0, 1, 0, -1};
    static const int dy[4] = {-1, 0, 1, 0};
    while (!ended) {
        if (!started) {
            started = true;
        } else {
            ci += dx[leg % 4];
            cj += dy[leg % 4];
            // Leg lengths run 1, 1, 2, 2, 3, 3, ...
            if (++legDone == leg / 2 + 1) {
                leg++;
                legDone = 0;
            }
        }
        if ((ci < minI && cj < minJ) || (ci > maxI && cj > maxJ)) {
            ended = true;
            return false;
        }
        int wi = ci, wj = cj;
        if (wi < 0 || wi >= cols || wj < 0 || wj >= cols) {
            if (closed) continue;
            wi = wrapIndex(wi, cols);
            wj = wrapIndex(wj, cols);
        }
        i = wi;
        j = wj;
        return true;
    }
    return false;
}

template <class T>
void gridQuery(GridQuery<T> &q, NeighbourGrid<T> &grid, float x, float y, float r) {
    q.grid = &grid;
    q.cursor = nullptr;
    grid.busy = 1;
    float lx = x - NeighbourGrid<T>::kOrigin;
    float ly = y - NeighbourGrid<T>::kOrigin;
    const float ext = NeighbourGrid<T>::kExtent;
    if (!(lx >= 0.0f && lx < ext && ly >= 0.0f && ly < ext)) {
        q.done = true;
        q.walk.ended = true;
        return;
    }
    q.walk.begin(lx, ly, r, NeighbourGrid<T>::kCell, NeighbourGrid<T>::kCell, ext, ext, NeighbourGrid<T>::kCells);
    q.done = false;
}

template <class T>
T *gridQueryNext(GridQuery<T> &q) {
    if (q.done || !q.grid) return nullptr;
    for (;;) {
        while (q.cursor) {
            T *t = q.cursor;
            q.cursor = t->gridNext;
            if (!t->dead) return t;
        }
        int i, j;
        if (!q.walk.nextCell(i, j, world.closed_world != 0)) {
            q.done = true;
            return nullptr;
        }
        q.cursor = q.grid->cells[j * NeighbourGrid<T>::kCells + i];
    }
}

template <class T>
void gridQueryRelease(GridQuery<T> &q) {
    if (q.grid) q.grid->busy = 0;
    q.cursor = nullptr;
    q.done = true;
}

template class NeighbourGrid<drovanAtom>;
template class NeighbourGrid<drovanNode>;
template void gridQuery<drovanAtom>(GridQuery<drovanAtom> &, NeighbourGrid<drovanAtom> &, float, float, float);
template void gridQuery<drovanNode>(GridQuery<drovanNode> &, NeighbourGrid<drovanNode> &, float, float, float);
template drovanAtom *gridQueryNext<drovanAtom>(GridQuery<drovanAtom> &);
template drovanNode *gridQueryNext<drovanNode>(GridQuery<drovanNode> &);
template void gridQueryRelease<drovanAtom>(GridQuery<drovanAtom> &);
template void gridQueryRelease<drovanNode>(GridQuery<drovanNode> &);

void cellWalk(CellWalk &w, float x, float y, float r) {
    const float cell = 80.0f, ext = 3200.0f;
    if (!(x >= 0.0f && x < ext && y >= 0.0f && y < ext)) {
        w.done = true;
        w.walk.ended = true;
        return;
    }
    w.walk.begin(x, y, r, cell, cell, ext, ext, 40);
    w.done = false;
}

bool cellWalkNext(CellWalk &w, float &px, float &py) {
    if (w.done) return false;
    int i, j;
    if (!w.walk.nextCell(i, j, world.closed_world != 0)) {
        w.done = true;
        return false;
    }
    px = (static_cast<float>(i) + 0.5f) * 80.0f;
    py = (static_cast<float>(j) + 0.5f) * 80.0f;
    return true;
}
