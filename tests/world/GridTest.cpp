#include <cmath>
#include <utility>
#include <vector>

#include "support/WorldFixture.h"
#include "world/WorldStep.h"

namespace {
float cellCentre(int i) { return -1600.0f + i * 32.0f + 16.0f; }

class GridTest : public WorldFixture {
protected:
    std::vector<std::pair<int, int>> nodeCellsFound(float x, float y, float r) {
        std::vector<std::pair<int, int>> out;
        GridQuery<drovanNode> q;
        gridQuery(q, nodeGrid, x, y, r);
        while (drovanNode *n = gridQueryNext(q)) {
            int i, j;
            NeighbourGrid<drovanNode>::cellOf(n->position().x, n->position().y, i, j);
            out.push_back({i, j});
        }
        gridQueryRelease(q);
        return out;
    }
};
}  // namespace

TEST_F(GridTest, CellsTruncateTowardZeroAndOverflowOutside) {
    int i, j;
    EXPECT_TRUE(NeighbourGrid<drovanAtom>::cellOf(-1600.0f, 4799.0f, i, j));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(j, 199);
    // Just left of the origin still truncates into cell 0.
    EXPECT_TRUE(NeighbourGrid<drovanAtom>::cellOf(-1610.0f, 0.0f, i, j));
    EXPECT_EQ(i, 0);
    EXPECT_FALSE(NeighbourGrid<drovanAtom>::cellOf(-1640.0f, 0.0f, i, j));
    EXPECT_FALSE(NeighbourGrid<drovanAtom>::cellOf(4800.0f, 0.0f, i, j));
    EXPECT_FALSE(NeighbourGrid<drovanAtom>::cellOf(0.0f / 0.0f, 0.0f, i, j));

    drovanAtom *far = new drovanAtom(9000.0f, 0.0f, 0, -1);
    rebuildAtomGrid();
    EXPECT_EQ(atomGrid.overflow, far);
}

TEST_F(GridTest, SpiralVisitsCellsInOrderAndStopsPastTheSquare) {
    // One node in every cell of a 5 x 5 block around cell (100, 100).
    for (int j = 98; j <= 102; j++)
        for (int i = 98; i <= 102; i++) new TestNode(cellCentre(i), cellCentre(j), 0, 1.0f);
    rebuildNodeGrid();
    std::vector<std::pair<int, int>> expected = {{100, 100}, {100, 99}, {101, 99}, {101, 100},
                                                 {101, 101}, {100, 101}, {99, 101}, {99, 100}};
    EXPECT_EQ(nodeCellsFound(cellCentre(100), cellCentre(100), 1.0f), expected);
}

TEST_F(GridTest, ChainsReturnOldestFirstAndSkipDeadThings) {
    drovanAtom *a = new drovanAtom(10.0f, 10.0f, 0, -1);
    drovanAtom *b = new drovanAtom(12.0f, 12.0f, 0, -1);
    drovanAtom *c = new drovanAtom(14.0f, 14.0f, 0, -1);
    rebuildAtomGrid();
    b->kill();
    GridQuery<drovanAtom> q;
    gridQuery(q, atomGrid, 10.0f, 10.0f, 1.0f);
    EXPECT_EQ(atomGrid.busy, 1);
    EXPECT_EQ(gridQueryNext(q), a);
    EXPECT_EQ(gridQueryNext(q), c);
    gridQueryRelease(q);
    EXPECT_EQ(atomGrid.busy, 0);
    EXPECT_EQ(gridQueryNext(q), nullptr);
}

TEST_F(GridTest, QueriesOutsideTheGridAreEmpty) {
    new TestNode(-1590.0f, 100.0f);
    rebuildNodeGrid();
    EXPECT_TRUE(nodeCellsFound(-1601.0f, 100.0f, 50.0f).empty());
    EXPECT_TRUE(nodeCellsFound(100.0f, 4800.0f, 50.0f).empty());
    EXPECT_EQ(nodeCellsFound(-1599.0f, 100.0f, 50.0f).size(), 1u);
    // An unbounded radius still ends.
    world.closed_world = 1;
    EXPECT_EQ(nodeCellsFound(0.0f, 0.0f, INFINITY).size(), 1u);
    EXPECT_TRUE(nodeCellsFound(0.0f, 0.0f, NAN).empty());
}

TEST_F(GridTest, BorderCellsWrapUnlessTheWorldIsClosed) {
    new TestNode(cellCentre(199), cellCentre(100));
    rebuildNodeGrid();
    world.closed_world = 0;
    EXPECT_EQ(nodeCellsFound(cellCentre(0), cellCentre(100), 60.0f).size(), 1u);
    world.closed_world = 1;
    EXPECT_TRUE(nodeCellsFound(cellCentre(0), cellCentre(100), 60.0f).empty());
}

TEST_F(GridTest, DeletedThingsNeverLeaveDanglingLinks) {
    drovanAtom *a = new drovanAtom(10.0f, 10.0f, 0, -1);
    rebuildAtomGrid();
    // A newer generation of the same cell: deleting a must not touch it.
    atomGrid.clear();
    drovanAtom *b = new drovanAtom(11.0f, 11.0f, 0, -1);
    atomGrid.insert(b, b->position.x, b->position.y);
    delete a;
    GridQuery<drovanAtom> q;
    gridQuery(q, atomGrid, 10.0f, 10.0f, 1.0f);
    EXPECT_EQ(gridQueryNext(q), b);
    gridQueryRelease(q);
    // Deleting a linked thing unlinks it from its chain.
    drovanAtom *c = new drovanAtom(12.0f, 12.0f, 0, -1);
    rebuildAtomGrid();
    delete b;
    gridQuery(q, atomGrid, 10.0f, 10.0f, 1.0f);
    EXPECT_EQ(gridQueryNext(q), c);
    EXPECT_EQ(gridQueryNext(q), nullptr);
    gridQueryRelease(q);
}

TEST_F(GridTest, CellWalkYieldsCentresAndWrapsAtTheEdge) {
    CellWalk w;
    float x, y;
    cellWalk(w, 40.0f, 40.0f, 0.0f);
    ASSERT_TRUE(cellWalkNext(w, x, y));
    EXPECT_FLOAT_EQ(x, 40.0f);
    EXPECT_FLOAT_EQ(y, 40.0f);
    world.closed_world = 0;
    ASSERT_TRUE(cellWalkNext(w, x, y));
    EXPECT_FLOAT_EQ(y, 39.5f * 80.0f);
    world.closed_world = 1;
    cellWalk(w, 40.0f, 40.0f, 0.0f);
    ASSERT_TRUE(cellWalkNext(w, x, y));
    ASSERT_TRUE(cellWalkNext(w, x, y));
    // (0, -1) and (1, -1) lie outside and are skipped; next comes (1, 0).
    EXPECT_FLOAT_EQ(x, 120.0f);
    EXPECT_FLOAT_EQ(y, 40.0f);
    cellWalk(w, 3200.0f, 40.0f, 10.0f);
    EXPECT_FALSE(cellWalkNext(w, x, y));
}
