#pragma once
// The neighbour grids of atoms and nodes, the square spiral walk that queries
// them, and the aggregate cell walk.
#include <vector>

#include "world/WorldStore.h"

class Atom;
class Node;

// 200 x 200 cells of 32 units covering -1600..4800 on both axes, plus an
// overflow chain for positions outside. Rebuilt every step; queried with a
// square spiral around a point.
//
// Each rebuild starts a new generation. A thing remembers the generation it
// was linked in, so a thing deleted after a later rebuild never writes into
// chains it no longer belongs to.
//
// The atom grid keeps no chains: its cells' atoms are the snapshot's entries
// (AtomSnapshot.h), and only clear and cellOf apply to it.
template <class T>
class NeighbourGrid {
public:
    static constexpr int kCells = 200;
    static constexpr float kOrigin = -1600.0f;
    static constexpr float kExtent = 4800.0f - (-1600.0f);
    static constexpr float kCell = kExtent * 0.005f;

    // Empty every chain and start a new generation.
    void clear();
    // Put t at the head of the chain of the cell of (x, y), or of the overflow chain.
    void insert(T *t, float x, float y) { insertCell(t, x, y); }
    // The same, telling the cell entry (j * kCells + i), or -1 for the overflow chain.
    int insertCell(T *t, float x, float y);
    // Take t out of its chain when it is linked in the current generation.
    void unlink(T *t);
    // Cell of a point, truncated toward zero; false when outside the grid.
    static bool cellOf(float x, float y, int &i, int &j);
    T *cellHead(int i, int j) const { return cells[j * kCells + i]; }

    T *cells[kCells * kCells] = {};
    T *overflow = nullptr;
    // Cells that got a head since the last clear, which empties only these
    // (a few hundred nodes fill a few hundred of the 40,000 cells).
    std::vector<int> filled;
    unsigned char busy = 0;
    unsigned generation = 1;
};

template <class T>
inline bool NeighbourGrid<T>::cellOf(float x, float y, int &i, int &j) {
    float fx = (x - kOrigin) / kCell;
    float fy = (y - kOrigin) / kCell;
    // (int) truncates toward zero, so -0.5 still lands in cell 0, and
    // anything short of kCells in cell kCells - 1: every cell passing the
    // test is in range.
    if (!(fx > -1.0f && fx < static_cast<float>(kCells) && fy > -1.0f && fy < static_cast<float>(kCells))) return false;
    i = static_cast<int>(fx);
    j = static_cast<int>(fy);
    return true;
}

// std::floor and std::ceil of a float short of 2^23 in magnitude, as an int,
// without a library call: the truncation is off by one only for a negative
// (floor) or positive (ceil) fraction, and converts back exactly.
inline int floorToInt(float v) {
    int t = static_cast<int>(v);
    return t - (v < static_cast<float>(t));
}
inline int ceilToInt(float v) {
    int t = static_cast<int>(v);
    return t + (v > static_cast<float>(t));
}

// A square-spiral walk over the cells around a point; shared by both neighbour
// grids and the aggregate cell walk.
struct SpiralWalk {
    int cols = 0;
    bool ended = true;
    bool touchesBorder = false;
    int minI = 0, minJ = 0, maxI = 0, maxJ = 0;
    int startI = 0, startJ = 0;
    int ci = 0, cj = 0;  // current spiral position (unwrapped)
    int leg = 0;         // legs completed; the direction is leg % 4
    int legDone = 0;     // steps taken on the current leg
    bool started = false;

    // lx, ly relative to the grid origin; the caller has checked they lie inside.
    void begin(float lx, float ly, float r, float cellW, float cellH, float extentW, float extentH, int ncols);
    // Advance to the next cell to visit; false when the walk has ended. Cells
    // outside 0..cols-1 are skipped when closed, else wrapped.
    bool nextCell(int &i, int &j, bool closed);
};

// Inline: every neighbour query steps through it cell by cell.
inline bool SpiralWalk::nextCell(int &i, int &j, bool closed) {
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
            wi %= cols;
            wj %= cols;
            if (wi < 0) wi += cols;
            if (wj < 0) wj += cols;
        }
        i = wi;
        j = wj;
        return true;
    }
    return false;
}

// A query over a neighbour grid: gridQuery then repeated gridQueryNext, then
// gridQueryRelease.
template <class T>
struct GridQuery {
    NeighbourGrid<T> *grid = nullptr;
    SpiralWalk walk;
    T *cursor = nullptr;
    bool done = true;
    // Atom queries read the snapshot while it is valid (see AtomNearQuery.h).
    float x = 0.0f, y = 0.0f;
    bool fromSnapshot = false;
    int snapNext = 0, snapEnd = 0;
    // The spiral's cells that can hold a kept atom, worked out once per shape
    // of query (see SpiralPath); null until the first call, or when the walk
    // must be stepped cell by cell.
    const struct SpiralPath *path = nullptr;
    bool pathChecked = false;
    int pathPos = 0;
    // Along a path, the atoms that pass the position tests are gathered at
    // the first call, row by row of cells, and handed out in the path's
    // order (hitPos the next); each with its entry and place on the path.
    struct Hit {
        int entry, step;
    };
    static constexpr int kHits = 48;
    bool gathered = false;
    int hitCount = 0, hitPos = 0;
    Hit hits[kHits];
};

extern NeighbourGrid<Atom> atomGrid;
extern NeighbourGrid<Node> nodeGrid;

template <class T>
void gridQuery(GridQuery<T> &q, NeighbourGrid<T> &grid, float x, float y, float r);
// The next live thing of the walk, or nullptr when it has ended.
template <class T>
T *gridQueryNext(GridQuery<T> &q);
template <class T>
void gridQueryRelease(GridQuery<T> &q);

template <>
void NeighbourGrid<Atom>::clear();
template <>
Atom *gridQueryNext<Atom>(GridQuery<Atom> &q);
extern template class NeighbourGrid<Node>;
extern template void gridQuery<Atom>(GridQuery<Atom> &, NeighbourGrid<Atom> &, float, float, float);
extern template void gridQuery<Node>(GridQuery<Node> &, NeighbourGrid<Node> &, float, float, float);
extern template Node *gridQueryNext<Node>(GridQuery<Node> &);
extern template void gridQueryRelease<Atom>(GridQuery<Atom> &);
extern template void gridQueryRelease<Node>(GridQuery<Node> &);

// The aggregate cell walk: the same spiral over the 40 x 40 cells of 80 units
// of the aggregate grid, yielding cell centre points.
struct CellWalk {
    SpiralWalk walk;
    bool done = true;
};
void cellWalk(CellWalk &w, float x, float y, float r);
bool cellWalkNext(CellWalk &w, float &px, float &py);
