#pragma once
#include "world/WorldStore.h"

class drovanThing;
class drovanAtom;

// 200 x 200 cells of 32 units covering -1600..4800 on both axes, plus an
// overflow chain. Rebuilt every step; queried with a square spiral.
template <class T>
class NeighbourGrid {
public:
    static constexpr int kCells = 200;
    static constexpr float kOrigin = -1600.0f;
    static constexpr float kExtent = 4800.0f - (-1600.0f);
    static constexpr float kCell = kExtent * 0.005f;

    void clear();
    void insert(T *t, float x, float y);
    T *cellHead(int i, int j) const { return cells[j * kCells + i]; }

    T *cells[kCells * kCells] = {};
    T *overflow = nullptr;
    unsigned char busy = 0;
};

// A square-spiral walk over the cells around a point; shared by both neighbour
// grids and the aggregate cell walk.
struct SpiralWalk {
    int cols = 0;
    bool empty = true;
    bool touchesBorder = false;
    int minI = 0, minJ = 0, maxI = 0, maxJ = 0;
    int ci = 0, cj = 0;      // current spiral position (unwrapped)
    int dir = 0;             // leg direction 0..3
    int legLength = 0;
    int legDone = 0;
    int legsDone = 0;
    bool started = false;

    void begin(float lx, float ly, float r, float cellW, float cellH, float extentW, float extentH, int ncols);
    // Advance to the next cell; false when the walk has ended. Sets i, j to the
    // (wrapped) cell index, or skips cells outside when closed.
    bool nextCell(int &i, int &j, bool closed);
};

// A query over a neighbour grid: gridQuery then repeated gridQueryNext.
template <class T>
struct GridQuery {
    NeighbourGrid<T> *grid = nullptr;
    SpiralWalk walk;
    T *cursor = nullptr;
    bool done = true;
};

class drovanNode;
extern NeighbourGrid<drovanAtom> atomGrid;
extern NeighbourGrid<drovanNode> nodeGrid;

template <class T>
void gridQuery(GridQuery<T> &q, NeighbourGrid<T> &grid, float x, float y, float r);
template <class T>
T *gridQueryNext(GridQuery<T> &q);
template <class T>
void gridQueryRelease(GridQuery<T> &q);

// The aggregate cell walk: yields cell centre points.
struct CellWalk {
    SpiralWalk walk;
    bool done = true;
};
void cellWalk(CellWalk &w, float x, float y, float r);
bool cellWalkNext(CellWalk &w, float &px, float &py);
