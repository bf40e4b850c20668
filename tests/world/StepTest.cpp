#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

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

// A crowd with clusters, coincident nodes, fixed and dead nodes, a huge node
// (one that spans every bucket, one that leaves none) and a node in the
// table's top slot, relaxed pass after pass. In its turn a node meets every
// later node it overlaps that nothing has met yet in the pass; a node met
// before its turn meets no other. So every pair met overlaps, a pair that
// overlaps is never left with neither met, fixed nodes stay and the rest spread.
TEST_F(StepTest, CollisionsMeetOverlappingPairsInSlotOrderAndSpreadACrowd) {
    for (float big : {400.0f, 33.0f, INFINITY}) {
        killAll();
        world.collisionPass = 0;
        setRandState(99);
        std::vector<TestNode *> nodes;
        for (int k = 0; k < 600; k++) {
            float x = 100.0f + randUnit() * 3000.0f, y = 100.0f + randUnit() * 3000.0f;
            if (k % 7 == 0) x = 1000.0f + randUnit() * 60.0f;  // a dense column
            TestNode *n = new TestNode(x, y, k % 3, 2.0f + randUnit() * 30.0f, (k * 37) % kNodeTableSize);
            n->freeNode = k % 11 != 0;
            n->dead = k % 53 == 0;
            nodes.push_back(n);
        }
        nodes[5]->pos = nodes[6]->pos;
        nodes.push_back(new TestNode(nodes[0]->pos.x, nodes[0]->pos.y, 1, 5.0f, kNodeTableSize - 1));
        nodes[9]->rad = big;
        std::map<int, size_t> index;
        for (size_t i = 0; i < nodes.size(); i++) index[nodes[i]->id] = i;
        std::vector<Vec2> at;
        auto overlap = [&](size_t i, size_t j) {
            if (nodes[i]->dead || nodes[j]->dead) return 0.0f;
            return std::fmax(0.0f, nodes[i]->rad + nodes[j]->rad - approxDistance(at[i], at[j]));
        };
        double before = 0.0;
        for (int pass = 0; pass < 4; pass++) {
            at.clear();
            for (TestNode *n : nodes) at.push_back(n->pos), n->touchedBy.clear();
            relaxCollisions();
            double total = 0.0;
            int met = 0;
            for (size_t i = 0; i < nodes.size(); i++) {
                TestNode *n = nodes[i];
                bool metEarlier = false;
                for (int id : n->touchedBy) {
                    size_t j = index.at(id);
                    metEarlier |= nodes[j]->nodeIndex < n->nodeIndex;
                    EXPECT_GT(overlap(i, j), 0.0f) << i << " met " << j;
                    EXPECT_EQ(std::count(nodes[j]->touchedBy.begin(), nodes[j]->touchedBy.end(), n->id), 1);
                }
                if (metEarlier) {
                    EXPECT_EQ(n->touchedBy.size(), 1u) << i;
                }
                met += !n->touchedBy.empty();
                if (!n->freeNode) {
                    EXPECT_EQ(n->pos, at[i]) << "fixed " << i;
                }
                for (size_t j = i + 1; j < nodes.size(); j++) {
                    if (!(overlap(i, j) > 0.0f)) continue;
                    EXPECT_FALSE(n->touchedBy.empty() && nodes[j]->touchedBy.empty()) << i << " and " << j;
                    if (n->freeNode && nodes[j]->freeNode && i != 9 && j != 9) total += overlap(i, j);
                }
            }
            EXPECT_GT(met, 60) << "the crowd really collides";
            if (pass > 0 && std::isfinite(big)) {
                EXPECT_LT(total, before) << "pass " << pass << " big " << big;
            }
            before = total;
        }
        EXPECT_NE(nodes[5]->pos, nodes[6]->pos) << "coincident nodes are parted";
    }
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
