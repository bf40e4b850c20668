#include <cmath>

#include "support/WorldFixture.h"
#include "world/WorldDigest.h"

namespace {
class AtomTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        a = new TestNode(0, 0);
        b = new TestNode(100, 0);
    }
    Atom *freeAtom(float x, float y, int colour = 0) { return new Atom(x, y, colour, -1); }
    TestNode *a = nullptr, *b = nullptr;
};
}  // namespace

TEST_F(AtomTest, AtomsFollowOnlyAcceptableEdges) {
    TestNode *c = new TestNode(0, 100);
    createEdge(a, b, 0.0f, false, -1);
    // Only edge leads back to where the atom came from.
    Atom *x = freeAtom(0, 0);
    x->lastNodeId = b->id;
    x->chooseNextEdge(a->id);
    EXPECT_EQ(x->state, AtomFree);
    // An edge of another colour is never taken, whatever the draw.
    Edge *green = createEdge(a, c, 0.0f, false, 1);
    Edge *mine = createEdge(a, new TestNode(100, 100), 0.0f, false, 0);
    setRandState(2708534849u);  // a state whose next draw is 0
    x->chooseNextEdge(a->id);
    EXPECT_EQ(x->state, AtomOnEdge);
    EXPECT_EQ(x->edgeId, mine->id);
    x->kill();
    // Its own colour is fine; an atom is only let in while free.
    Atom *g = freeAtom(0, 0, 1);
    g->lastNodeId = b->id;
    g->chooseNextEdge(a->id);
    EXPECT_EQ(g->state, AtomOnEdge);
    EXPECT_EQ(g->edgeId, green->id);
    EXPECT_FALSE(g->enterEdge(green, false, true));
    EXPECT_EQ(green->atomsOnEdge, 1);
}

TEST_F(AtomTest, AFreeAtomsProgressIsWorkedOutWhenRead) {
    createEdge(a, b, 0.0f, false, -1);
    Atom *x = new Atom(0, 0, 0, a->id);
    for (int ticks = 0; x->state == AtomOnEdge && ticks < 200; ticks++) x->update();
    ASSERT_EQ(x->state, AtomFree);
    x->update();
    x->update();
    // Owed, and the world's digest works it out as it reads it.
    EXPECT_TRUE(x->progressOwed);
    uint64_t owed = worldDigest();
    x->settleProgress();
    EXPECT_FALSE(x->progressOwed);
    EXPECT_EQ(worldDigest(), owed);
    EXPECT_GT(x->progress, 1.0f);  // past the end of the edge it rode
    // Half as far again as a segment's length is 1.5.
    x->segmentStart = Vec2(0.0f, 0.0f);
    x->segmentEnd = Vec2(0.0f, 80.0f);
    x->position = Vec2(0.0f, 120.0f);
    x->progressOwed = true;
    x->settleProgress();
    EXPECT_EQ(x->progress, 1.5f);
    // A segment of no length counts as covered.
    x->segmentEnd = x->segmentStart;
    x->update();
    x->settleProgress();
    EXPECT_EQ(x->progress, 1.0f);
    // Entering an edge starts the count afresh, whatever was owed.
    Edge *back = createEdge(b, new TestNode(200, 0), 0.0f, false, -1);
    x->update();
    ASSERT_TRUE(x->progressOwed);
    ASSERT_TRUE(x->enterEdge(back, false, true));
    x->settleProgress();
    EXPECT_EQ(x->progress, 0.0f);
}
