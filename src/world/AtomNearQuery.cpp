#include "world/AtomNearQuery.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <unordered_map>

#include "world/Atom.h"
#include "world/AtomSnapshot.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
__attribute__((always_inline)) inline bool failsTest(NearTest test, Vec2 p, Vec2 c, float reach) {
    switch (test) {
    case NearApproxLess: return !(approxDistance(p, c) < reach);
    case NearApproxUpTo: return approxDistance(p, c) > reach;
    case NearLengthUpTo: return (p - c).length() > reach;
    default: return false;
    }
}
}  // namespace

namespace {
// Walks spiral shapes of up to this many cells either way of the start.
constexpr int kPathReach = 60;

std::unordered_map<unsigned long long, SpiralPath> spiralPaths;

// The path of a walk whose square and box of cells are given relative to its
// start cell; built by stepping a walk that never wraps.
const SpiralPath &spiralPath(const int rel[8]) {
    unsigned long long key = 0;
    for (int k = 0; k < 8; k++) key = key << 8 | static_cast<unsigned>(rel[k] + 128);
    auto it = spiralPaths.find(key);
    if (it != spiralPaths.end()) return it->second;
    SpiralPath &p = spiralPaths[key];
    const int o = 1000;
    SpiralWalk w;
    w.cols = 4 * o;
    w.minI = rel[0] + o;
    w.minJ = rel[1] + o;
    w.maxI = rel[2] + o;
    w.maxJ = rel[3] + o;
    w.startI = w.startJ = w.ci = w.cj = o;
    w.ended = false;
    int i, j;
    while (w.nextCell(i, j, false)) {
        int di = i - o, dj = j - o;
        p.loI = di < p.loI ? di : p.loI;
        p.hiI = di > p.hiI ? di : p.hiI;
        p.loJ = dj < p.loJ ? dj : p.loJ;
        p.hiJ = dj > p.hiJ ? dj : p.hiJ;
        if (di < rel[4] || di > rel[5] || dj < rel[6] || dj > rel[7]) continue;
        p.steps.push_back({static_cast<short>(di), static_cast<short>(dj), w.leg, w.legDone});
    }
    if (!p.steps.empty()) {
        p.boxLoI = p.boxHiI = p.steps[0].di;
        p.boxLoJ = p.boxHiJ = p.steps[0].dj;
    }
    for (const SpiralPath::Step &s : p.steps) {
        p.boxLoI = std::min<int>(p.boxLoI, s.di);
        p.boxHiI = std::max<int>(p.boxHiI, s.di);
        p.boxLoJ = std::min<int>(p.boxLoJ, s.dj);
        p.boxHiJ = std::max<int>(p.boxHiJ, s.dj);
    }
    const int width = p.boxHiI - p.boxLoI + 1;
    p.stepOf.assign(p.steps.empty() ? 0 : static_cast<size_t>(width * (p.boxHiJ - p.boxLoJ + 1)), -1);
    for (size_t k = 0; k < p.steps.size(); k++)
        p.stepOf[static_cast<size_t>((p.steps[k].dj - p.boxLoJ) * width + p.steps[k].di - p.boxLoI)] =
            static_cast<int>(k);
    return p;
}

// The cached path of q's walk when every cell it visits lies inside the grid
// (no wrapping), or null. It holds only the cells that meet the box [x0, x1] x
// [y0, y1] (grid units from the origin): those for which the walk's own test
// (cell i spans i * kCell to (i + 1) * kCell, exact in floats here) passes.
const SpiralPath *pathFor(const GridQuery<Atom> &q, float x0, float x1, float y0, float y1) {
    const float cell = NeighbourGrid<Atom>::kCell;
    const SpiralWalk &w = q.walk;
    if (!(x0 > -1.0e6f && x1 < 1.0e6f && y0 > -1.0e6f && y1 < 1.0e6f)) return nullptr;
    int rel[8] = {w.minI - w.startI,
                  w.minJ - w.startJ,
                  w.maxI - w.startI,
                  w.maxJ - w.startJ,
                  ceilToInt(x0 / cell) - 1 - w.startI,
                  floorToInt(x1 / cell) - w.startI,
                  ceilToInt(y0 / cell) - 1 - w.startJ,
                  floorToInt(y1 / cell) - w.startJ};
    // Each within -kPathReach..kPathReach, one unsigned test apiece.
    unsigned out = 0;
    for (int v : rel) out |= static_cast<unsigned>(v + kPathReach) > 2u * kPathReach;
    if (out) return nullptr;
    const SpiralPath &p = spiralPath(rel);
    const int n = NeighbourGrid<Atom>::kCells;
    if (w.startI + p.loI < 0 || w.startI + p.hiI >= n || w.startJ + p.loJ < 0 || w.startJ + p.hiJ >= n) return nullptr;
    return &p;
}
}  // namespace

namespace {
#if defined(__SSE2__)
// failsTest for four entries at once, by the same arithmetic lane by lane;
// d the entries' x and y less the query point's, a their magnitudes.
template <NearTest test>
inline __m128 failsTest4(__m128 dx, __m128 dy, __m128 ax, __m128 ay, __m128 reach) {
    if (test == NearApproxLess || test == NearApproxUpTo) {
        const __m128 half = _mm_set1_ps(0.5f);
        __m128 xFirst = _mm_cmpgt_ps(ax, ay);
        __m128 d = _mm_or_ps(_mm_and_ps(xFirst, _mm_add_ps(ax, _mm_mul_ps(half, ay))),
                             _mm_andnot_ps(xFirst, _mm_add_ps(ay, _mm_mul_ps(half, ax))));
        return test == NearApproxLess ? _mm_cmpnlt_ps(d, reach) : _mm_cmpgt_ps(d, reach);
    }
    if (test == NearLengthUpTo)
        return _mm_cmpgt_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy))), reach);
    return _mm_setzero_ps();
}
static_assert(sizeof(AtomSnapshot::Entry) == 16 && offsetof(AtomSnapshot::Entry, x) == 8 &&
                  offsetof(AtomSnapshot::Entry, y) == 12,
              "an entry's place is its upper half");
#endif

// The atoms along q's path that pass the position tests, in the path's
// order: each row of the path's box is one run of entries, as its cells
// follow one another; an entry's cell comes from its position, as it did
// when it was filed. False when they would not fit.
// One copy per test, so the test is settled outside the loop.
template <NearTest test>
bool gatherWith(GridQuery<Atom> &q, const AtomSnapshot::Entry *e, Vec2 c, float bound, float reach) {
    const SpiralPath &p = *q.path;
    const int n = NeighbourGrid<Atom>::kCells, width = p.boxHiI - p.boxLoI + 1;
    const int i0 = q.walk.startI + p.boxLoI;
#if defined(__SSE2__)
    const __m128 cx = _mm_set1_ps(c.x), cy = _mm_set1_ps(c.y), vBound = _mm_set1_ps(bound);
    const __m128 vReach = _mm_set1_ps(reach), magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
#endif
    // The entries that pass go in hits until sorted below.
    int passed = 0;
    for (int dj = p.boxLoJ; dj <= p.boxHiJ; dj++) {
        const int row = (q.walk.startJ + dj) * n;
        int k, end;
        atomSnapshot.rowEntries(row + i0, row + i0 + width - 1, k, end);
#if defined(__SSE2__)
        // Four entries at a time, then the rest one by one.
        for (; k + 4 <= end; k += 4) {
            const float *f = reinterpret_cast<const float *>(e + k);
            __m128 a = _mm_shuffle_ps(_mm_loadu_ps(f), _mm_loadu_ps(f + 4), _MM_SHUFFLE(3, 2, 3, 2));
            __m128 b = _mm_shuffle_ps(_mm_loadu_ps(f + 8), _mm_loadu_ps(f + 12), _MM_SHUFFLE(3, 2, 3, 2));
            __m128 dx = _mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), cx);
            __m128 dy = _mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), cy);
            __m128 ax = _mm_and_ps(dx, magnitude), ay = _mm_and_ps(dy, magnitude);
            __m128 out = _mm_or_ps(_mm_or_ps(_mm_cmpgt_ps(ax, vBound), _mm_cmpgt_ps(ay, vBound)),
                                   failsTest4<test>(dx, dy, ax, ay, vReach));
            for (unsigned keep = ~static_cast<unsigned>(_mm_movemask_ps(out)) & 15u; keep; keep &= keep - 1) {
                q.hits[passed++].entry = k + __builtin_ctz(keep);
                if (passed == GridQuery<Atom>::kHits) return false;
            }
        }
#endif
        // Noted without a branch on the tests' outcome (which no predictor guesses).
        for (; k < end; k++) {
            const AtomSnapshot::Entry &s = e[k];
            bool out = (std::fabs(s.x - c.x) > bound) | (std::fabs(s.y - c.y) > bound) |
                       failsTest(test, Vec2(s.x, s.y), c, reach);
            q.hits[passed].entry = k;
            passed += !out;
            if (passed == GridQuery<Atom>::kHits) return false;
        }
    }
    int count = 0;
    for (int m = 0; m < passed; m++) {
        const int k = q.hits[m].entry;
        const AtomSnapshot::Entry &s = e[k];
        int i = 0, j = 0;
        if (!NeighbourGrid<Atom>::cellOf(s.x, s.y, i, j)) continue;
        int step = p.stepOf[static_cast<size_t>((j - q.walk.startJ - p.boxLoJ) * width + i - i0)];
        if (step < 0) continue;
        // The lines a caller reads and writes (Atom.h), asked for all at once.
        const char *line = reinterpret_cast<const char *>(s.atom);
        __builtin_prefetch(line + 64);
        __builtin_prefetch(line + 128, 1);
        // In the path's order; within a cell, the cell's own. Slots up to
        // m are free: the entry at m was just read.
        int at = count++;
        while (at > 0 && q.hits[at - 1].step > step) {
            q.hits[at] = q.hits[at - 1];
            at--;
        }
        q.hits[at] = {k, step};
    }
    q.hitCount = count;
    q.hitPos = 0;
    return true;
}

bool gather(GridQuery<Atom> &q, const AtomSnapshot::Entry *e, Vec2 c, float bound, float reach, NearTest test) {
    switch (test) {
    case NearApproxLess: return gatherWith<NearApproxLess>(q, e, c, bound, reach);
    case NearApproxUpTo: return gatherWith<NearApproxUpTo>(q, e, c, bound, reach);
    case NearLengthUpTo: return gatherWith<NearLengthUpTo>(q, e, c, bound, reach);
    default: return gatherWith<NearAnyTest>(q, e, c, bound, reach);
    }
}
}  // namespace

namespace {
// The next gathered atom; whether it is dead is asked as it is handed out.
inline Atom *handOutGathered(GridQuery<Atom> &q) {
    while (q.hitPos < q.hitCount) {
        Atom *a = atomSnapshot.entries[static_cast<size_t>(q.hits[q.hitPos++].entry)].atom;
        if (!a->dead) return a;
    }
    q.done = true;
    return nullptr;
}
}  // namespace

Atom *gridQueryNextNear(GridQuery<Atom> &q, float reach, NearTest test) {
    if (q.done || !q.grid) return nullptr;
    if (q.fromSnapshot && !atomSnapshot.valid) {
        // Something moved mid-query: carry on through the cells from the same
        // place, just after the atom last handed out.
        q.fromSnapshot = false;
        if (q.gathered) {
            q.gathered = false;
            q.pathPos = q.snapNext = q.snapEnd = 0;
            if (q.hitPos > 0) {
                const GridQuery<Atom>::Hit &h = q.hits[q.hitPos - 1];
                const AtomSnapshot::Entry &s = atomSnapshot.entries[static_cast<size_t>(h.entry)];
                int i = 0, j = 0, begin;
                NeighbourGrid<Atom>::cellOf(s.x, s.y, i, j);
                atomSnapshot.cellEntries(j * NeighbourGrid<Atom>::kCells + i, begin, q.snapEnd);
                q.snapNext = h.entry + 1;
                q.pathPos = h.step + 1;
            }
        }
        if (q.path && q.pathPos > 0) {
            // The walk stands at the path's last cell.
            const SpiralPath::Step &at = q.path->steps[static_cast<size_t>(q.pathPos - 1)];
            q.walk.ci = q.walk.startI + at.di;
            q.walk.cj = q.walk.startJ + at.dj;
            q.walk.leg = at.leg;
            q.walk.legDone = at.legDone;
            q.walk.started = true;
        }
        q.path = nullptr;
    }
    if (!q.fromSnapshot) return gridQueryNext(q);
    if (q.gathered) return handOutGathered(q);
    // A little slack covers the rounding of the callers' own distance tests.
    float bound = reach + std::fabs(reach) * 1.0e-5f + 1.0e-3f;
    if (!(bound < 1.0e30f)) bound = HUGE_VALF;
    const AtomSnapshot::Entry *e = atomSnapshot.entries.data();
    const float cell = NeighbourGrid<Atom>::kCell, origin = NeighbourGrid<Atom>::kOrigin;
    // The box around the query point, relative to the grid origin, with a
    // unit to spare for the rounding of cell coordinates.
    const float lx = q.x - origin, ly = q.y - origin;
    const float x0 = lx - bound - 1.0f, x1 = lx + bound + 1.0f;
    const float y0 = ly - bound - 1.0f, y1 = ly + bound + 1.0f;
    const Vec2 c(q.x, q.y);
    if (!q.pathChecked) {
        q.pathChecked = true;
        q.path = pathFor(q, x0, x1, y0, y1);
        q.pathPos = 0;
        if (q.path) q.gathered = gather(q, e, c, bound, reach, test);
        if (q.gathered) return handOutGathered(q);
    }
    for (;;) {
        while (q.snapNext < q.snapEnd) {
            const AtomSnapshot::Entry &s = e[q.snapNext++];
            if (std::fabs(s.x - q.x) > bound || std::fabs(s.y - q.y) > bound) continue;
            if (failsTest(test, Vec2(s.x, s.y), c, reach)) continue;
            if (!s.atom->dead) return s.atom;
        }
        int i, j;
        if (q.path) {
            // The path holds only cells that meet the box.
            if (static_cast<size_t>(q.pathPos) == q.path->steps.size()) {
                q.done = true;
                return nullptr;
            }
            const SpiralPath::Step &at = q.path->steps[static_cast<size_t>(q.pathPos++)];
            i = q.walk.startI + at.di;
            j = q.walk.startJ + at.dj;
        } else {
            if (!q.walk.nextCell(i, j, world.closedWorld != 0)) {
                q.done = true;
                return nullptr;
            }
            // A cell wholly outside the box holds nothing the caller keeps.
            float ci = static_cast<float>(i) * cell, cj = static_cast<float>(j) * cell;
            if (ci + cell < x0 || ci > x1 || cj + cell < y0 || cj > y1) {
                q.snapNext = q.snapEnd = 0;
                continue;
            }
        }
        atomSnapshot.cellEntries(j * NeighbourGrid<Atom>::kCells + i, q.snapNext, q.snapEnd);
    }
}
