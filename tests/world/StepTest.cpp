#include <cmath>
#include <cstring>
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

TEST_F(StepTest, WrapAroundOrWallsAtTheWorldEdge) {
    // Open worlds wrap; a closed one pushes back at most 2.0 a pass, but a static node wraps.
    struct Case {
        int closed;
        bool free;
        Vec2 from, to;
    };
    const Case cases[] = {{0, true, {3210, 100}, {10, 100}},
                          {0, true, {-5, 3300}, {3195, 100}},
                          {1, true, {3210, 100}, {3208, 100}},
                          {1, true, {3191, 100}, {3190, 100}},
                          {1, false, {3210, 100}, {10, 100}}};
    TestNode *n = new TestNode(0, 0);
    for (const Case &k : cases) {
        world.closedWorld = k.closed;
        n->freeNode = k.free;
        n->pos = k.from;
        relaxCollisions();
        EXPECT_EQ(n->pos, k.to) << k.from.x << "," << k.from.y << " closed " << k.closed;
        if (k.closed && k.free) {
            EXPECT_EQ(n->collisionStamp, world.collisionPass);
        }
    }
}

TEST_F(StepTest, SpawnRateGivesWholeAtomsSurelyAndTheFractionByChance) {
    colorTable[1].atomProbability = 1.0f;
    spawnAtoms();
    ASSERT_EQ(liveAtoms(), 1);
    Atom *a = dynamic_cast<Atom *>(world.thingList);
    ASSERT_TRUE(a);
    // First draw decides (41 / 32767 < 1), then x and y.
    EXPECT_EQ(a->position, Vec2(18467 * 3.051851e-5f * 3200.0f, 6334 * 3.051851e-5f * 3200.0f));
    EXPECT_EQ(a->colour, 1);
    EXPECT_EQ(a->creatorId, -1);
    killAll();
    colorTable[1].atomProbability = 2.5f;
    int perTick[4] = {0, 0, 0, 0};
    for (int t = 0; t < 200; t++) {
        int before = liveAtoms();
        spawnAtoms();
        int n = liveAtoms() - before;
        ASSERT_TRUE(n == 2 || n == 3) << n;
        perTick[n]++;
    }
    EXPECT_EQ(perTick[3], 87);
    EXPECT_EQ(perTick[2], 113);
    killAll();
    colorTable[1].atomProbability = 0.0f;
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 0);
    colorTable[1].atomProbability = INFINITY;  // too large to count down by ones: still ends
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 1);
}

namespace {
// The collision pass over every later slot, as a reference for the bucketed one.
void relaxByEveryPair() {
    int pass = ++world.collisionPass;
    for (int i = 0; i < kNodeTableSize; i++) {
        Node *N = world.nodeTable[i];
        if (!N || N->dead) continue;
        bool freeN = N->isFree();
        Vec2 p = N->position();
        float r = N->radius();
        auto wrap = [](float v, float lo, float hi) { return v > hi ? v - hi + lo : v < lo ? hi - (lo - v) : v; };
        p = Vec2(wrap(p.x, world.worldMinX, world.worldMaxX), wrap(p.y, world.worldMinY, world.worldMaxY));
        N->setPosition(p.x, p.y);
        if (N->collisionStamp >= pass) continue;
        for (int j = i + 1; j < kNodeTableSize; j++) {
            Node *M = world.nodeTable[j];
            if (!M || M->dead || M->collisionStamp == pass) continue;
            Vec2 q = M->position();
            float overlap = approxDistance(p, q) - M->radius() - r;
            if (!(overlap < 0.0f)) continue;
            M->decomposeTouching(N, -overlap);
            N->decomposeTouching(M, -overlap);
            N->collisionStamp = M->collisionStamp = pass;
            Vec2 dir = p - q;
            if (dir.isZero()) {
                float a = randUnit() * 360.0f * (1.0f / 360.0f) * 6.28f;
                dir = Vec2(std::cos(a), std::sin(a));
            }
            bool freeM = M->isFree();
            dir = dir.withLength(freeN && freeM ? -overlap / 2.0f : -overlap);
            if (freeN) N->force += dir;
            if (freeM) M->force -= dir;
        }
    }
    for (int i = 0; i < kNodeTableSize; i++) {
        Node *n = world.nodeTable[i];
        if (n && n->force.length() > 2.0f) n->force = n->force.withLength(2.0f);
    }
    applyForces(1.0f, 0.0f);
}

struct CrowdState {
    std::vector<Vec2> pos;
    std::vector<std::vector<int>> touched;
    unsigned rand;
};

// A crowd with clusters, coincident nodes, nodes outside the world, fixed and
// dead nodes and one huge node, after three passes of either kind.
CrowdState crowdAfterThreePasses(bool reference, float bigRadius) {
    killAll();
    world.collisionPass = 0;
    setRandState(99);
    std::vector<TestNode *> nodes;
    for (int k = 0; k < 600; k++) {
        float x = randUnit() * 3400.0f - 100.0f, y = randUnit() * 3400.0f - 100.0f;
        if (k % 7 == 0) x = 1000.0f + randUnit() * 60.0f;  // a dense column
        float r = 2.0f + randUnit() * 30.0f;
        TestNode *n = new TestNode(x, y, k % 3, r, (k * 37) % kNodeTableSize);
        n->freeNode = k % 11 != 0;
        if (k % 53 == 0) n->dead = 1;
        nodes.push_back(n);
    }
    nodes[5]->pos = nodes[6]->pos;  // coincident: a random push
    // The table's top slot, on top of slot 0: the last pair of a pass.
    nodes.push_back(new TestNode(nodes[0]->pos.x, nodes[0]->pos.y, 1, 5.0f, kNodeTableSize - 1));
    nodes[9]->rad = bigRadius;
    setRandState(5);
    for (int pass = 0; pass < 3; pass++) reference ? relaxByEveryPair() : relaxCollisions();
    CrowdState s;
    int base = nodes[0]->id;  // ids go on counting between the two crowds
    for (TestNode *n : nodes) {
        s.pos.push_back(n->pos);
        s.touched.push_back(n->touchedBy);
        for (int &id : s.touched.back()) id -= base;
    }
    s.rand = randState();
    return s;
}
}  // namespace

TEST_F(StepTest, BucketedCollisionsMeetTheSamePairsInTheSameOrder) {
    // One huge node widens every bucket; without it the buckets are tight.
    // An infinite one leaves no buckets: every later slot is checked, up to
    // the top one.
    for (float big : {400.0f, 33.0f, INFINITY}) {
        CrowdState want = crowdAfterThreePasses(true, big), got = crowdAfterThreePasses(false, big);
        ASSERT_EQ(want.pos.size(), got.pos.size());
        int touched = 0;
        for (size_t k = 0; k < want.pos.size(); k++) {
            // Bit for bit: the infinite node's pushes leave places undefined.
            EXPECT_EQ(std::memcmp(&want.pos[k], &got.pos[k], sizeof(Vec2)), 0) << k << " big " << big;
            EXPECT_EQ(want.touched[k], got.touched[k]) << k << " big " << big;
            touched += !want.touched[k].empty();
        }
        EXPECT_EQ(touched, big > 100.0f ? 135 : 134);  // the crowd really collides
        EXPECT_EQ(want.rand, got.rand);
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

TEST_F(StepTest, ForcesMoveNodesOrSpeedThemUp) {
    TestNode *n = new TestNode(10.0f, 20.0f), *wild = new TestNode(50.0f, 50.0f);
    world.inertia = 0;
    n->force = Vec2(3.0f, -4.0f);
    wild->force = Vec2(INFINITY, 1.0f);
    applyForces(1.0f, 0.0f);
    EXPECT_EQ(n->pos, Vec2(13.0f, 16.0f));
    EXPECT_EQ(n->force, Vec2());
    EXPECT_EQ(n->velocity(), Vec2());
    // The velocity's share of an unbounded force is no number, and so is the place it leaves.
    EXPECT_TRUE(std::isnan(wild->pos.x));
    EXPECT_EQ(wild->pos.y, 51.0f);
    world.inertia = 1;
    n->force = Vec2(3.0f, -4.0f);
    applyForces(0.0f, 0.5f);
    EXPECT_EQ(n->pos, Vec2(13.0f, 16.0f));
    EXPECT_EQ(n->velocity(), Vec2(1.5f, -2.0f));
}
