#pragma once
// Atom queries that pass over atoms beyond the caller's reach: a walk over
// the snapshot's entries along a cached spiral path, gathered four lanes at
// a time where the processor allows.
#include <vector>

#include "world/NeighbourGrid.h"

class Atom;

// The cells a spiral walk visits inside a box of cells around its start, in
// visit order, relative to the start cell, each with the walk's state after
// it (to hand the walk on to a cell-by-cell walk). Shared by every query of
// the same square and box.
struct SpiralPath {
    struct Step {
        short di, dj;
        int leg, legDone;
    };
    std::vector<Step> steps;
    // Extent of every cell the whole walk visits, relative to its start.
    int loI = 0, hiI = 0, loJ = 0, hiJ = 0;
    // The box of the steps' cells, relative to the start, and the place of
    // each of its cells on the path (row by row), or -1 for a cell not on it.
    int boxLoI = 0, boxHiI = -1, boxLoJ = 0, boxHiJ = -1;
    std::vector<int> stepOf;
};

// How a caller of gridQueryNextNear tests an atom against its reach, so that
// atoms it would pass over are left out early. Each mirrors a caller's test
// on the atom's position p and the query point c.
enum NearTest {
    NearAnyTest,     // leaves out only atoms beyond reach on an axis
    NearApproxLess,  // keeps approxDistance(p, c) < reach
    NearApproxUpTo,  // keeps all but approxDistance(p, c) > reach
    NearLengthUpTo,  // keeps all but (p - c).length() > reach
};
// Like gridQueryNext, but may pass over atoms that fail the caller's test
// (by their current positions). Every atom that passes comes in the same order.
Atom *gridQueryNextNear(GridQuery<Atom> &q, float reach, NearTest test = NearAnyTest);
