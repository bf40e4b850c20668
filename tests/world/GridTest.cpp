#include <cmath>
#include <utility>
#include <vector>

#include "support/WorldFixture.h"
#include "world/AggregateGrid.h"
#include "world/AtomNearQuery.h"
#include "world/AtomSnapshot.h"

namespace {
float cellCentre(int i) { return -1600.0f + i * 32.0f + 16.0f; }

std::vector<std::pair<int, int>> nodeCellsFound(float x, float y, float r) {
    std::vector<std::pair<int, int>> out;
    GridQuery<Node> q;
    gridQuery(q, nodeGrid, x, y, r);
    while (Node *n = gridQueryNext(q)) {
        int i = -1, j = -1;
        NeighbourGrid<Node>::cellOf(n->position().x, n->position().y, i, j);
        out.push_back({i, j});
    }
    gridQueryRelease(q);
    return out;
}

// Each caller's own test of an atom against its reach.
bool keeps(NearTest test, Atom *a, Vec2 c, float reach) {
    switch (test) {
    case NearApproxUpTo: return !(approxDistance(a->position, c) > reach);
    case NearLengthUpTo: return !((a->position - c).length() > reach);
    default: return approxDistance(a->position, c) < reach;
    }
}
// The atoms a caller within reach sees, by the plain chain walk or the snapshot.
std::vector<Atom *> nearBy(bool snapshot, float x, float y, float reach, NearTest test = NearAnyTest) {
    std::vector<Atom *> v;
    GridQuery<Atom> q;
    gridQuery(q, atomGrid, x, y, reach);
    while (Atom *a = snapshot ? gridQueryNextNear(q, reach, test) : gridQueryNext(q))
        if (keeps(test, a, Vec2(x, y), reach)) v.push_back(a);
    gridQueryRelease(q);
    return v;
}

// Random queries (the first at `first` when given) within a square: the
// snapshot hands out what the chain walk does, for every caller's test.
// Returns how many atoms the queries found.
int sameAsTheChainWalk(int queries, float from, float span, float maxReach, const Vec2 *first = nullptr) {
    int seen = 0;
    for (int k = 0; k < queries; k++) {
        float x = from + randUnit() * span, y = from + randUnit() * span;
        float reach = randUnit() * maxReach;
        if (k == 0 && first) x = first->x, y = first->y;
        for (NearTest test : {NearAnyTest, NearApproxLess, NearApproxUpTo, NearLengthUpTo}) {
            std::vector<Atom *> want = nearBy(false, x, y, reach, test);
            EXPECT_EQ(nearBy(true, x, y, reach, test), want) << x << "," << y << " r " << reach << " t " << test;
            seen += static_cast<int>(want.size());
        }
    }
    return seen;
}

using GridTest = WorldFixture;
}  // namespace

TEST(GridRoundingTest, FloorAndCeilingAsInts) {
    for (float v : {-2.5f, -2.0f, -1.5f, -1.0f, -0.25f, -0.0f, 0.0f, 0.25f, 1.0f, 1.5f, 2.0f, 8388607.5f, -8388607.5f,
                    std::nextafter(3.0f, 0.0f), std::nextafter(-3.0f, 0.0f), 1e-30f, -1e-30f}) {
        EXPECT_EQ(floorToInt(v), static_cast<int>(std::floor(v))) << v;
        EXPECT_EQ(ceilToInt(v), static_cast<int>(std::ceil(v))) << v;
    }
}

TEST_F(GridTest, CellsAndQueriesAtTheBorders) {
    int i, j;
    EXPECT_TRUE(NeighbourGrid<Atom>::cellOf(-1600.0f, 4799.0f, i, j));
    EXPECT_EQ(std::make_pair(i, j), std::make_pair(0, 199));
    // Just left of the origin still truncates into cell 0.
    EXPECT_TRUE(NeighbourGrid<Atom>::cellOf(-1610.0f, 0.0f, i, j));
    EXPECT_EQ(i, 0);
    for (float x : {-1640.0f, 4800.0f, NAN}) EXPECT_FALSE(NeighbourGrid<Atom>::cellOf(x, 0.0f, i, j)) << x;
    // The last floats inside land in the first and last cells, never past them.
    EXPECT_TRUE(NeighbourGrid<Atom>::cellOf(std::nextafter(-1632.0f, 0.0f), std::nextafter(4800.0f, 0.0f), i, j));
    EXPECT_EQ(std::make_pair(i, j), std::make_pair(0, 199));
    AggregateGrid aggregate(1);
    EXPECT_TRUE(aggregate.cellOf(std::nextafter(-80.0f, 0.0f), std::nextafter(3200.0f, 0.0f), i, j));
    EXPECT_EQ(std::make_pair(i, j), std::make_pair(0, 39));
    EXPECT_FALSE(aggregate.cellOf(-80.0f, 0.0f, i, j));
    EXPECT_FALSE(aggregate.cellOf(0.0f, 3200.0f, i, j));
    aggregate.deposit(1, 100.0f, 100.0f, 0.5f);  // past the last layer: nothing
    EXPECT_TRUE(aggregate.emptyAt(100.0f, 100.0f));
    // An atom outside the grid is in no cell.
    new Atom(9000.0f, 0.0f, 0, -1);
    rebuildAtomGrid();
    EXPECT_TRUE(atomSnapshot.entries.empty());

    new TestNode(-1590.0f, 100.0f);
    new TestNode(cellCentre(199), cellCentre(100));
    rebuildNodeGrid();
    EXPECT_TRUE(nodeCellsFound(-1601.0f, 100.0f, 50.0f).empty());
    EXPECT_TRUE(nodeCellsFound(100.0f, 4800.0f, 50.0f).empty());
    EXPECT_EQ(nodeCellsFound(-1599.0f, 100.0f, 50.0f).size(), 1u);
    // Border cells wrap unless the world is closed.
    EXPECT_EQ(nodeCellsFound(cellCentre(0), cellCentre(100), 60.0f).size(), 1u);
    world.closedWorld = 1;
    EXPECT_TRUE(nodeCellsFound(cellCentre(0), cellCentre(100), 60.0f).empty());
    // An unbounded radius still ends.
    EXPECT_EQ(nodeCellsFound(0.0f, 0.0f, INFINITY).size(), 2u);
    EXPECT_TRUE(nodeCellsFound(0.0f, 0.0f, NAN).empty());
}

TEST_F(GridTest, SnapshotQueriesFindTheSameAtomsInTheSameOrder) {
    setRandState(3);
    std::vector<Atom *> atoms;
    for (int k = 0; k < 3000; k++) {
        float x = randUnit() * 3600.0f - 200.0f, y = randUnit() * 3600.0f - 200.0f;
        atoms.push_back(new Atom(x, y, k % 3, -1));
    }
    for (int k = 0; k < 40; k++) atoms.push_back(new Atom(500.0f, 500.0f, 0, -1));  // one crowded cell
    rebuildAtomGrid();
    ASSERT_TRUE(atomSnapshot.valid);
    for (int k = 0; k < 300; k += 3) atoms[static_cast<size_t>(k)]->kill();
    const Vec2 crowd(500.0f, 500.0f);
    EXPECT_EQ(sameAsTheChainWalk(200, -50.0f, 3300.0f, 90.0f, &crowd), 1414);
    // Atoms exactly at the reach: kept by the tests that keep equality only.
    Atom *edge = new Atom(2000.0f, 2030.0f, 0, -1);
    rebuildAtomGrid();
    for (NearTest test : {NearAnyTest, NearApproxLess, NearApproxUpTo, NearLengthUpTo})
        EXPECT_EQ(nearBy(true, 2000.0f, 2000.0f, 30.0f, test), nearBy(false, 2000.0f, 2000.0f, 30.0f, test)) << test;
    EXPECT_EQ(nearBy(true, 2000.0f, 2000.0f, 30.0f, NearApproxUpTo), std::vector<Atom *>{edge});
    // Wrapped walks near the grid border find the same too.
    EXPECT_EQ(nearBy(true, -1590.0f, 4790.0f, 3000.0f), nearBy(false, -1590.0f, 4790.0f, 3000.0f));
    // More atoms in reach than a query gathers at once.
    for (int k = 0; k < 60; k++) new Atom(700.0f + k * 0.25f, 700.0f, 0, -1);
    rebuildAtomGrid();
    std::vector<Atom *> many = nearBy(false, 705.0f, 700.0f, 20.0f);
    EXPECT_GE(many.size(), 60u);
    EXPECT_EQ(nearBy(true, 705.0f, 700.0f, 20.0f), many);
}

TEST_F(GridTest, AMovingAtomTurnsTheSnapshotOffEvenMidQuery) {
    for (int k = 0; k < 6; k++) new Atom(100.0f + k, 100.0f, 0, -1);
    // Out of reach at the rebuild, two cells up: the walk comes to it late.
    Atom *mover = new Atom(100.0f, 180.0f, 0, -1);
    rebuildAtomGrid();
    ASSERT_TRUE(atomSnapshot.valid);
    GridQuery<Atom> q;
    gridQuery(q, atomGrid, 100.0f, 100.0f, 50.0f);
    std::vector<Atom *> got;
    while (Atom *a = gridQueryNextNear(q, 50.0f)) {
        if (approxDistance(a->position, Vec2(100.0f, 100.0f)) < 50.0f) got.push_back(a);
        if (got.size() == 2 && a != mover) {
            mover->update();  // any move marks the snapshot stale
            mover->position = Vec2(100.0f, 120.0f);
            EXPECT_FALSE(atomSnapshot.valid);
        }
    }
    gridQueryRelease(q);
    // Now within reach, the mover must be found as the chain walk finds it.
    std::vector<Atom *> want = nearBy(false, 100.0f, 100.0f, 50.0f);
    ASSERT_EQ(want.size(), 7u);
    EXPECT_EQ(got, want);
}

TEST_F(GridTest, AtomsDeletedAfterTheRebuildAreNeverHandedOut) {
    std::vector<Atom *> atoms;
    for (int k = 0; k < 6; k++) atoms.push_back(new Atom(100.0f + k, 100.0f, 0, -1));
    rebuildAtomGrid();
    for (int k = 0; k < 6; k += 2) atoms[static_cast<size_t>(k)]->kill();
    purgeDead();
    EXPECT_FALSE(atomSnapshot.valid);
    // Newcomers (perhaps where the deleted ones were) join the cells only at the next rebuild.
    for (int k = 0; k < 3; k++) new Atom(100.0f, 100.0f, 0, -1);
    std::vector<Atom *> kept = {atoms[1], atoms[3], atoms[5]};
    EXPECT_EQ(nearBy(false, 100.0f, 100.0f, 50.0f), kept);
    rebuildAtomGrid();
    EXPECT_EQ(nearBy(true, 100.0f, 100.0f, 50.0f).size(), 6u);
    atomGrid.clear();
    EXPECT_TRUE(nearBy(false, 100.0f, 100.0f, 50.0f).empty());
}

TEST_F(GridTest, RebuildFromTheWalksNotesMatchesAFullOne) {
    setRandState(5);
    std::vector<Atom *> atoms;
    for (int k = 0; k < 200; k++) atoms.push_back(new Atom(randUnit() * 3200.0f, randUnit() * 3200.0f, k % 3, -1));
    auto cells = [] {
        std::vector<std::pair<Atom *, Vec2>> v;
        for (const AtomSnapshot::Entry &e : atomSnapshot.entries) v.push_back({e.atom, Vec2(e.x, e.y)});
        return v;
    };
    for (int round = 0; round < 4; round++) {
        worldStep();
        EXPECT_TRUE(atomSnapshot.notesValid);
        // What may befall the atoms between the walk and the next rebuild.
        if (round == 1) atoms[10]->kill();
        if (round == 2) atoms[20]->update();
        if (round == 3) delete atoms[30];
        new Atom(500.0f, 500.0f, 0, -1);
        purgeDead();
        rebuildAtomGrid();
        auto fromNotes = cells();
        rebuildAtomGrid();  // the notes are gone: every atom visited
        EXPECT_EQ(fromNotes, cells()) << round;
    }
}
