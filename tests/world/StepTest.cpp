#include <cmath>

#include "support/WorldFixture.h"

namespace {
class StepTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        world.anneal = 0;
        world.fixNodeCollisions = 1;
    }
};
}  // namespace

// Open worlds wrap a node round to the other side, and so does a closed one a
// static node (walls hold the rest back: the golden worlds "walls" and
// "closed-world").
TEST_F(StepTest, WrapAroundAtTheWorldEdge) {
    struct Case {
        int closed;
        bool free;
        Vec2 from, to;
    };
    const Case cases[] = {{0, true, {3210, 100}, {10, 100}},
                          {0, true, {-5, 3300}, {3195, 100}},
                          {0, true, {100, -5}, {100, 3195}},
                          {1, false, {3210, 100}, {10, 100}}};
    TestNode *n = new TestNode(0, 0);
    for (const Case &k : cases) {
        world.closedWorld = k.closed;
        n->freeNode = k.free;
        n->pos = k.from;
        relaxCollisions();
        EXPECT_EQ(n->pos, k.to) << k.from.x << "," << k.from.y << " closed " << k.closed;
    }
}

// How many atoms a rate gives is left to the golden worlds; here, where they fall and the extremes.
TEST_F(StepTest, SpawnedAtomsFallInsideTheWorldAndAnyRateEnds) {
    colorTable[1].atomProbability = 1.0f;
    spawnAtoms();
    ASSERT_EQ(liveAtoms(), 1);
    Atom *a = dynamic_cast<Atom *>(world.thingList);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->position.x > 0.0f && a->position.x < 3200.0f && a->position.y > 0.0f && a->position.y < 3200.0f);
    EXPECT_TRUE(a->colour == 1 && a->creatorId == -1);
    killAll();
    colorTable[1].atomProbability = 0.0f;
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 0);
    colorTable[1].atomProbability = INFINITY;  // too large to count down by ones: still ends
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 1);
}

// The panel's strength plot: twentieths, the top one taking full strength and
// bin 0 anything driven below zero.
TEST_F(StepTest, StrengthHistogramBinsByTwentieths) {
    for (float s : {1.0f, 0.96f, 0.5f, -0.25f}) (new TestNode(100.0f + 200.0f * s, 100.0f))->strength = s;
    worldStep();
    const int *h = colorTable[0].strengthHistogram;
    EXPECT_TRUE(h[19] == 2 && h[10] == 1 && h[0] == 1 && colorTable[0].nodeTally == 4);
}

// The golden worlds move nodes by finite forces. An unbounded one: its share
// of velocity is no number, and so is the place it leaves; the force is spent.
TEST_F(StepTest, AnUnboundedForceLeavesNoNumberForAPlace) {
    TestNode *wild = new TestNode(50.0f, 50.0f);
    world.inertia = 0;
    wild->force = Vec2(INFINITY, 1.0f);
    applyForces(1.0f, 0.0f);
    EXPECT_TRUE(std::isnan(wild->pos.x));
    EXPECT_EQ(wild->pos.y, 51.0f);
    EXPECT_EQ(wild->force, Vec2());
}
