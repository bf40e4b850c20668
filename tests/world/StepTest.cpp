#include <cmath>
#include <vector>

#include "support/WorldFixture.h"
#include "world/WorldStep.h"

namespace {
class StepTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        world.anneal = 0;
        world.fix_node_collisions = 0;
    }
};
}  // namespace

TEST_F(StepTest, WrapAroundOrWallsAtTheWorldEdge) {
    TestNode *n = new TestNode(3210.0f, 100.0f);
    world.fix_node_collisions = 1;
    relaxCollisions();
    EXPECT_FLOAT_EQ(n->pos.x, 10.0f);
    n->pos = vec2(-5.0f, 3300.0f);
    relaxCollisions();
    EXPECT_FLOAT_EQ(n->pos.x, 3195.0f);
    EXPECT_FLOAT_EQ(n->pos.y, 100.0f);

    // Closed: the wall pushes back, at most 2.0 per pass without inertia.
    world.closed_world = 1;
    n->pos = vec2(3210.0f, 100.0f);
    relaxCollisions();
    EXPECT_FLOAT_EQ(n->pos.x, 3208.0f);
    EXPECT_EQ(n->collisionStamp, world.collisionPass);
    n->pos = vec2(3191.0f, 100.0f);
    relaxCollisions();
    EXPECT_FLOAT_EQ(n->pos.x, 3190.0f);
    // A static node is not free: it wraps instead.
    n->freeNode = false;
    n->pos = vec2(3210.0f, 100.0f);
    relaxCollisions();
    EXPECT_FLOAT_EQ(n->pos.x, 10.0f);
}

TEST_F(StepTest, OverlappingNodesArePushedApartAndDecompose) {
    world.fix_node_collisions = 1;
    TestNode *a = new TestNode(100.0f, 100.0f, 0, 10.0f);
    TestNode *b = new TestNode(115.0f, 100.0f, 1, 10.0f);
    TestNode *c = new TestNode(500.0f, 100.0f, 1, 10.0f);
    relaxCollisions();
    // depth 5, each pushed 2.5, cut to 2.0.
    EXPECT_FLOAT_EQ(a->pos.x, 98.0f);
    EXPECT_FLOAT_EQ(b->pos.x, 117.0f);
    EXPECT_FLOAT_EQ(c->pos.x, 500.0f);
    ASSERT_EQ(a->touchedBy.size(), 1u);
    EXPECT_EQ(a->touchedBy[0], b->id);
    EXPECT_EQ(b->touchedBy[0], a->id);
    EXPECT_FLOAT_EQ(b->lastDepth, 5.0f);

    // Only the free one of a pair moves, by the whole depth.
    b->freeNode = false;
    a->pos = vec2(100.0f, 100.0f);
    b->pos = vec2(119.0f, 100.0f);
    relaxCollisions();
    EXPECT_FLOAT_EQ(a->pos.x, 99.0f);
    EXPECT_FLOAT_EQ(b->pos.x, 119.0f);
}

TEST_F(StepTest, NodesAtOnePointSeparateInARandomDirection) {
    world.fix_node_collisions = 1;
    TestNode *a = new TestNode(100.0f, 100.0f);
    TestNode *b = new TestNode(100.0f, 100.0f);
    setRandState(1);
    relaxCollisions();
    float ang = 41 * 3.051851e-5f * 360.0f * (1.0f / 360.0f) * 6.28f;
    EXPECT_NEAR(a->pos.x, 100.0f + 2.0f * std::cos(ang), 1e-4);
    EXPECT_NEAR(a->pos.y, 100.0f + 2.0f * std::sin(ang), 1e-4);
    EXPECT_NEAR(b->pos.x, 100.0f - 2.0f * std::cos(ang), 1e-4);
    EXPECT_NEAR(b->pos.y, 100.0f - 2.0f * std::sin(ang), 1e-4);
    EXPECT_EQ(randState(), 1u * 214013u + 2531011u);
}

TEST_F(StepTest, AnnealPullsAlongAttachedEdgesOnly) {
    TestNode *a = new TestNode(0.0f, 0.0f);
    TestNode *b = new TestNode(100.0f, 0.0f);
    TestNode *c = new TestNode(0.0f, 300.0f);
    createEdge(a, b, 0.0f, false, -1);
    createEdge(c, a, 0.0f, true, -1);
    // Undirected: both ends pulled, capped at 1.5 without inertia. Directed: start only.
    annealNetwork();
    EXPECT_FLOAT_EQ(a->pos.x, 1.5f);
    EXPECT_FLOAT_EQ(a->pos.y, 0.0f);
    EXPECT_FLOAT_EQ(b->pos.x, 98.5f);
    EXPECT_FLOAT_EQ(c->pos.y, 298.5f);

    // With a rest length the pull is toward that distance: (100 - 96) x 0.25 = 1.
    killAll();
    a = new TestNode(0.0f, 0.0f);
    b = new TestNode(100.0f, 0.0f);
    createEdge(a, b, 0.0f, false, -1);
    world.edge_length = 96.0f;
    annealNetwork();
    EXPECT_FLOAT_EQ(a->pos.x, 1.0f);
    EXPECT_FLOAT_EQ(b->pos.x, 99.0f);

    // With inertia the spring constant applies, unclamped, into the velocity.
    world.edge_length = 0.0f;
    world.inertia = 1;
    a->pos = vec2(0.0f, 0.0f);
    b->pos = vec2(100.0f, 0.0f);
    a->moveTo(0.0f, 0.0f);
    b->moveTo(100.0f, 0.0f);
    annealNetwork();
    EXPECT_FLOAT_EQ(a->nodeVelocity.x, 100.0f * 0.1f * 0.25f * 0.5f);
    EXPECT_FLOAT_EQ(a->pos.x, 0.0f);
}

TEST_F(StepTest, StatisticsCountLiveFreeNodes) {
    TestNode *a = new TestNode(0.0f, 0.0f, 1);
    TestNode *b = new TestNode(100.0f, 0.0f, 1);
    TestNode *c = new TestNode(200.0f, 0.0f, 2);
    TestNode *m = new TestNode(300.0f, 0.0f, -1);
    a->strength = 1.0f;
    b->strength = 0.5f;
    c->strength = -0.5f;
    m->patternIndex = 3;
    colorTable[1].nodeTally = 42;
    worldStep();
    EXPECT_EQ(colorTable[1].strengthHistogram[19], 1);
    EXPECT_EQ(colorTable[1].strengthHistogram[10], 1);
    EXPECT_EQ(colorTable[1].nodeTally, 2);
    EXPECT_EQ(colorTable[2].strengthHistogram[0], 1);
    EXPECT_EQ(world.metaCounts[3], 1);
    EXPECT_EQ(m->updates, 1);
}

TEST_F(StepTest, StepUpdatesNodesThenEdgesThenOtherThingsInOrder) {
    std::vector<int> log;
    TestNode *late = new TestNode(0.0f, 0.0f, 0, 10.0f, 7);
    TestNode *early = new TestNode(100.0f, 0.0f, 0, 10.0f, 2);
    TestNode *dead = new TestNode(200.0f, 0.0f, 0, 10.0f, 3);
    TestThing *older = new TestThing;
    TestThing *newer = new TestThing;
    for (TestNode *n : {late, early, dead}) n->log = &log;
    older->log = newer->log = &log;
    dead->kill();
    drovanEdge *e = createEdge(late, early, 0.0f, false, -1);
    worldStep();
    std::vector<int> expected = {early->id, late->id, newer->id, older->id};
    EXPECT_EQ(log, expected);
    EXPECT_FLOAT_EQ(e->strength, 0.25f - 0.25f * 0.25f * 0.02f);
}

TEST_F(StepTest, SpawnRateGivesWholeAtomsSurelyAndTheFractionByChance) {
    colorTable[1].atomProbability = 1.0f;
    setRandState(1);
    spawnAtoms();
    ASSERT_EQ(liveAtoms(), 1);
    drovanAtom *a = dynamic_cast<drovanAtom *>(world.thingList);
    ASSERT_TRUE(a);
    // First draw decides (41 / 32767 < 1), then x and y.
    EXPECT_FLOAT_EQ(a->position.x, 18467 * 3.051851e-5f * 3200.0f);
    EXPECT_FLOAT_EQ(a->position.y, 6334 * 3.051851e-5f * 3200.0f);
    EXPECT_EQ(a->colour, 1);
    EXPECT_EQ(a->creatorId, -1);

    killAll();
    colorTable[1].atomProbability = 2.5f;
    int perTick[4] = {0, 0, 0, 0};
    for (int t = 0; t < 200; t++) {
        int before = liveAtoms();
        spawnAtoms();
        int n = liveAtoms() - before;
        ASSERT_GE(n, 2);
        ASSERT_LE(n, 3);
        perTick[n]++;
    }
    EXPECT_GT(perTick[3], 60);
    EXPECT_GT(perTick[2], 60);
    killAll();
    colorTable[1].atomProbability = 0.0f;
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 0);
    // A rate too large to count down by ones still ends.
    colorTable[1].atomProbability = INFINITY;
    spawnAtoms();
    EXPECT_EQ(liveAtoms(), 1);
}

TEST_F(StepTest, AnnealingComesBeforeCollisionsInAStep) {
    world.anneal = 1;
    world.fix_node_collisions = 1;
    TestNode *a = new TestNode(0.0f, 0.0f);
    TestNode *b = new TestNode(15.0f, 0.0f);
    drovanEdge *e = createEdge(a, b, 0.0f, false, -1);
    worldStep();
    // Anneal: 15 x 0.25 cut to 1.5 each way, leaving 12 apart; then the overlap
    // of 8 pushes each by 4, cut to 2; the edge then records the new ends.
    EXPECT_FLOAT_EQ(a->pos.x, -0.5f);
    EXPECT_FLOAT_EQ(b->pos.x, 15.5f);
    EXPECT_FLOAT_EQ(e->endA.x, -0.5f);
    EXPECT_EQ(a->updates, 1);
}

namespace {
struct PairLog {
    std::vector<vec2> pos;
    std::vector<std::vector<int>> touched;
    unsigned rand;
};

// The collision pass over every later slot, as a reference for the bucketed one.
void relaxByEveryPair() {
    int pass = ++world.collisionPass;
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *N = world.nodeTable[i];
        if (!N || N->dead) continue;
        bool freeN = N->isFree();
        vec2 p = N->position();
        float r = N->radius();
        if (p.x > world.worldMaxX) p.x = p.x - world.worldMaxX + world.worldMinX;
        else if (p.x < world.worldMinX) p.x = world.worldMaxX - (world.worldMinX - p.x);
        if (p.y > world.worldMaxY) p.y = p.y - world.worldMaxY + world.worldMinY;
        else if (p.y < world.worldMinY) p.y = world.worldMaxY - (world.worldMinY - p.y);
        N->setPosition(p.x, p.y);
        if (N->collisionStamp >= pass) continue;
        for (int j = i + 1; j < kNodeTableSize; j++) {
            drovanNode *M = world.nodeTable[j];
            if (!M || M->dead || M->collisionStamp == pass) continue;
            vec2 q = M->position();
            float overlap = approxDistance(p, q) - M->radius() - r;
            if (!(overlap < 0.0f)) continue;
            M->decomposeTouching(N, -overlap);
            N->decomposeTouching(M, -overlap);
            N->collisionStamp = M->collisionStamp = pass;
            vec2 dir = p - q;
            if (dir.isZero()) {
                float a = randUnit() * 360.0f * (1.0f / 360.0f) * 6.28f;
                dir = vec2(std::cos(a), std::sin(a));
            }
            bool freeM = M->isFree();
            dir = dir.withLength(freeN && freeM ? -overlap / 2.0f : -overlap);
            if (freeN) N->force += dir;
            if (freeM) M->force -= dir;
        }
    }
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *n = world.nodeTable[i];
        if (n && n->force.length() > 2.0f) n->force = n->force.withLength(2.0f);
    }
    applyForces(1.0f, 0.0f);
}

// A crowd with clusters, coincident nodes, nodes outside the world, fixed and
// dead nodes and one huge node, after three passes of either kind.
PairLog crowdAfterThreePasses(bool reference, float bigRadius) {
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
    nodes[9]->rad = bigRadius;
    setRandState(5);
    for (int pass = 0; pass < 3; pass++) reference ? relaxByEveryPair() : relaxCollisions();
    PairLog log;
    int base = nodes[0]->id;  // ids go on counting between the two crowds
    for (TestNode *n : nodes) {
        log.pos.push_back(n->pos);
        log.touched.push_back(n->touchedBy);
        for (int &id : log.touched.back()) id -= base;
    }
    log.rand = randState();
    return log;
}
}  // namespace

TEST_F(StepTest, BucketedCollisionsMeetTheSamePairsInTheSameOrder) {
    world.fix_node_collisions = 1;
    // One huge node widens every bucket; without it the buckets are tight.
    for (float big : {400.0f, 33.0f}) {
        PairLog want = crowdAfterThreePasses(true, big);
        PairLog got = crowdAfterThreePasses(false, big);
        ASSERT_EQ(want.pos.size(), got.pos.size());
        int touched = 0;
        for (size_t k = 0; k < want.pos.size(); k++) {
            EXPECT_EQ(want.pos[k], got.pos[k]) << k << " big " << big;
            EXPECT_EQ(want.touched[k], got.touched[k]) << k << " big " << big;
            touched += !want.touched[k].empty();
        }
        EXPECT_GT(touched, 100);  // the crowd really collides
        EXPECT_EQ(want.rand, got.rand);
    }
}
