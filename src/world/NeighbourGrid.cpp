#include "world/NeighbourGrid.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "world/Atom.h"
#include "world/AtomSnapshot.h"
#include "world/Node.h"

NeighbourGrid<Atom> atomGrid;
NeighbourGrid<Node> nodeGrid;

namespace {
// Float cell coordinates are clamped before conversion so that an absurd
// radius or position can never overflow an int.
int cellIndex(float v) {
    const float lim = 1.0e6f;
    if (!(v > -lim)) v = -lim;
    if (v > lim) v = lim;
    return static_cast<int>(v);
}
}  // namespace

namespace {
template <class T>
void chainsChanged() {
    if (std::is_same<T, Atom>::value) atomMoved();
}
}  // namespace

template <class T>
void NeighbourGrid<T>::clear() {
    chainsChanged<T>();
    for (int c : filled) cells[c] = nullptr;
    filled.clear();
    overflow = nullptr;
    generation++;
}

template <>
void NeighbourGrid<Atom>::clear() {
    atomSnapshot.clear();
    generation++;
}

template <class T>
int NeighbourGrid<T>::insertCell(T *t, float x, float y) {
    int i, j;
    chainsChanged<T>();
    int cell = cellOf(x, y, i, j) ? j * kCells + i : -1;
    T **head = cell >= 0 ? &cells[cell] : &overflow;
    if (cell >= 0 && !*head) filled.push_back(cell);
    t->gridNext = *head;
    // In a cell chain the link names the cell's head (unlink walks the short
    // chain from there), sparing a write into the previous head; the overflow
    // chain, which may grow long, keeps exact links.
    if (cell < 0 && *head) (*head)->gridPrevLink = &t->gridNext;
    *head = t;
    t->gridPrevLink = head;
    t->gridGeneration = generation;
    return cell;
}

template <class T>
void NeighbourGrid<T>::unlink(T *t) {
    chainsChanged<T>();
    if (t->gridPrevLink && t->gridGeneration == generation) {
        auto at = reinterpret_cast<std::uintptr_t>(t->gridPrevLink);
        if (at >= reinterpret_cast<std::uintptr_t>(cells) &&
            at < reinterpret_cast<std::uintptr_t>(cells + kCells * kCells)) {
            T **link = t->gridPrevLink;
            while (*link && *link != t) link = &(*link)->gridNext;
            if (*link == t) *link = t->gridNext;
        } else {
            *t->gridPrevLink = t->gridNext;
            if (t->gridNext) t->gridNext->gridPrevLink = t->gridPrevLink;
        }
    }
    t->gridNext = nullptr;
    t->gridPrevLink = nullptr;
}

inline void SpiralWalk::begin(float lx, float ly, float r, float cellW, float cellH, float extentW, float extentH,
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
    q.x = x;
    q.y = y;
    q.fromSnapshot = static_cast<void *>(&grid) == static_cast<void *>(&atomGrid) && atomSnapshot.valid;
    q.snapNext = q.snapEnd = 0;
    q.path = nullptr;
    q.pathChecked = false;
    q.pathPos = 0;
    q.gathered = false;
    q.hitCount = q.hitPos = 0;
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
        if (!q.walk.nextCell(i, j, world.closedWorld != 0)) {
            q.done = true;
            return nullptr;
        }
        q.cursor = q.grid->cells[j * NeighbourGrid<T>::kCells + i];
    }
}

// The atom grid's cells are the snapshot's entries; an atom deleted since
// the rebuild is left out as an unlinked one would be.
template <>
Atom *gridQueryNext<Atom>(GridQuery<Atom> &q) {
    if (q.done || !q.grid) return nullptr;
    for (;;) {
        while (q.snapNext < q.snapEnd) {
            Atom *a = atomSnapshot.entries[static_cast<size_t>(q.snapNext++)].atom;
            if (!atomSnapshot.forgotten(a) && !a->dead) return a;
        }
        int i, j;
        if (!q.walk.nextCell(i, j, world.closedWorld != 0)) {
            q.done = true;
            return nullptr;
        }
        atomSnapshot.cellEntries(j * NeighbourGrid<Atom>::kCells + i, q.snapNext, q.snapEnd);
    }
}

template <class T>
void gridQueryRelease(GridQuery<T> &q) {
    if (q.grid) q.grid->busy = 0;
    q.cursor = nullptr;
    q.done = true;
}

template class NeighbourGrid<Node>;
template void gridQuery<Atom>(GridQuery<Atom> &, NeighbourGrid<Atom> &, float, float, float);
template void gridQuery<Node>(GridQuery<Node> &, NeighbourGrid<Node> &, float, float, float);
template Node *gridQueryNext<Node>(GridQuery<Node> &);
template void gridQueryRelease<Atom>(GridQuery<Atom> &);
template void gridQueryRelease<Node>(GridQuery<Node> &);

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
    if (!w.walk.nextCell(i, j, world.closedWorld != 0)) {
        w.done = true;
        return false;
    }
    px = (static_cast<float>(i) + 0.5f) * 80.0f;
    py = (static_cast<float>(j) + 0.5f) * 80.0f;
    return true;
}
