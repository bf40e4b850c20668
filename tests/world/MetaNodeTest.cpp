#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "support/WorldFixture.h"
#include "world/AggregateGrid.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"

namespace {

class MetaNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        for (auto &c : colorTable) c.isSterile = c.isStatic = true;  // no stray atoms, no decay
        rebuildColors();
        initPatternSlots();
        rebuildNodeGrid();
    }
    void TearDown() override {
        WorldFixture::TearDown();
        initPatternSlots();
        rebuildNodeGrid();
    }
    // n nodes on a circle of the given radius, each joined to the next.
    static drovanMetaNodePat *ring(int slot, int n, float radius, int colour = 0) {
        drovanMetaNodePat *p = patternSlot(slot);
        for (int i = 0; i < n; i++) {
            float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
            p->addNode(radius * std::cos(a), radius * std::sin(a), colour);
        }
        for (int i = 0; i + 1 < n; i++) p->addEdge(p->nodes[i], p->nodes[i + 1], false, -1);
        return p;
    }
    // Placement that must succeed; a failure ends the test instead of a null dereference.
    static drovanMetaNode *placed(int slot, float x, float y) {
        if (drovanMetaNode *m = placeMetaNode(slot, x, y)) return m;
        throw std::runtime_error("metanode not placed");
    }
    static void fillTableTo(int count) {
        while (world.nodeTableCount < count) ASSERT_NE(createNode(3000, 3000, 1), nullptr);
    }
};

TEST_F(MetaNodeTest, PlacementDrawingAndTableLimits) {
    for (int slot : {0, -1, 10}) EXPECT_EQ(placeMetaNode(slot, 100, 100), nullptr) << slot;
    ring(3, 3, 100);
    drovanMetaNode *m = placed(3, 500, 600);
    m->draw(0, 0);
    EXPECT_FLOAT_EQ(m->body->nodes[0]->position().x, 10.0f) << "drawing puts the body back";

    fillTableTo(kNodeTableSize);
    EXPECT_EQ(placeMetaNode(3, 500, 600), nullptr);
    EXPECT_EQ(m->slotInstances(), 1);
}

TEST_F(MetaNodeTest, DeathFromHolesWeaknessOrLostBodyCountsOffOnce) {
    // A body dies when a third of its entries are empty.
    for (int n = 1; n <= 5; n++) {
        initPatternSlots();
        ring(0, n, 100);
        drovanMetaNode *holed = placed(0, 900, 900);
        std::exchange(holed->body->nodes[0], nullptr)->kill();
        holed->update();
        EXPECT_EQ(holed->dead != 0, n <= 3) << n << " nodes, one missing";
        EXPECT_EQ(patternSlot(0)->instances(), n <= 3 ? 0 : 1);
        killAll();
    }

    initPatternSlots();
    ring(0, 3, 100);
    drovanMetaNode *a = placed(0, 500, 500), *b = placed(0, 900, 500);
    a->strength = 0.04f;
    a->update();
    a->kill();
    delete b->body;
    EXPECT_TRUE(a->dead && a->body == nullptr && b->dead);
    EXPECT_EQ(patternSlot(0)->instances(), 0);
    purgeDead();
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);
}

TEST_F(MetaNodeTest, SensingRunsEveryPeriodAndRecordsOthersOnly) {
    colorTable[0].senseCount = 2;
    colorTable[0].sense[0] = {2, 1, 0.5f};
    colorTable[0].sense[1] = {0, 1, 0.125f};  // own body nodes must not be sensed
    addSense(0, 5, 1, 0.75f);
    ring(0, 2, 100);
    drovanMetaNode *m = placed(0, 500, 500);
    drovanMetaNodePat *b = m->body;
    int sensor = b->nodes[0]->nodeIndex;

    // A stale record that names nothing: a sensing pass clears it, a reaction pass skips it.
    b->tickPeriod = 15;
    std::vector<int> sensingTicks;
    for (int tick = 1; tick <= 45; tick++) {
        b->thingRecordCount = 1;
        b->thingRecords[0] = {2, 1, 0.5f, -1, sensor};
        m->update();
        if (b->thingRecordCount == 0) sensingTicks.push_back(tick);
    }
    EXPECT_EQ(sensingTicks, (std::vector<int>{15, 30, 45}));

    m->setPosition(500, 500);
    ring(5, 2, 100, 1);
    int other = placed(5, 540, 500)->id, w = createNode(480, 500, 2)->id;
    world.aggregateGrid->write(2, 700, 500, 0.5f);
    rebuildNodeGrid();
    m->sensingPass();
    std::vector<int> seen;
    for (int k = 0; k < b->thingRecordCount; k++) {
        seen.push_back(b->thingRecords[k].thingId);
        EXPECT_NE(findNode(seen.back())->container(), m);
    }
    EXPECT_TRUE(std::count(seen.begin(), seen.end(), other) && std::count(seen.begin(), seen.end(), w));
    ASSERT_GE(b->cellRecordCount, 1);
    const auto &c0 = b->cellRecords[0];
    EXPECT_EQ(std::make_tuple(c0.input, c0.x, c0.y), std::make_tuple(2, 680.0f, 520.0f));  // the cell's centre
}

TEST_F(MetaNodeTest, ReactionSendsAlongTheSensingNodesEdgesWithinTheArc) {
    drovanMetaNodePat *p = patternSlot(0);
    drovanNode *from = p->addNode(0, 0, 0);
    p->addEdge(from, p->addNode(100, 0, 1), false, -1);
    drovanMetaNode *m = placed(0, 1000, 1000);
    drovanNode *w = createNode(1000, 1000, 2), *t = m->body->nodes[1];
    drovanEdge *e = m->body->edges[0];
    e->strength = 0.3f;
    m->body->thingRecordCount = 1;
    m->body->thingRecords[0] = {2, 1, 0.5f, w->id, m->body->nodes[0]->nodeIndex};
    // Each pass: where the sensed node is, and the total intake after it.
    struct Case { float x; bool arc; float intake; };
    const Case cases[] = {{1000, false, 0.5f},   // on top: full signal
                          {2400, false, 0.75f},  // half the reach away
                          {600, true, 0.75f},    // behind a half-turn arc facing east
                          {2400, true, 1.0f}};
    for (const Case &c : cases) {
        colorTable[0].hasCaptureArc = c.arc;
        colorTable[0].captureArc = 3.14f;
        w->setPosition(c.x, 1000);
        m->reactionPass();
        EXPECT_FLOAT_EQ(t->intake[1], c.intake) << c.x;
        EXPECT_EQ(e->strength, 1.0f);
    }
}

TEST_F(MetaNodeTest, FeedingTakesFromTheAggregateCellUnderTheMetanode) {
    colorTable[0].relation[1].kind = RelEats;
    colorTable[0].relation[2].kind = RelCollects;
    ring(0, 2, 100);
    drovanMetaNode *m = placed(0, 1000, 1000);
    drovanNode *a = m->body->nodes[0], *b = m->body->nodes[1];
    a->strength = b->strength = 0.5f;
    AggregateGrid *g = world.aggregateGrid;
    g->write(1, 1000, 1000, 0.5f);
    g->write(2, 1000, 1000, 0.05f);
    m->feedingPass();
    EXPECT_FLOAT_EQ(a->strength, 0.75f);
    EXPECT_FLOAT_EQ(b->strength, 0.7f);
    EXPECT_NEAR(g->read(1, 1000, 1000), 0.3f, 1e-6f);
    // The first collector takes the little there is; the cell is then spent.
    EXPECT_EQ(std::make_tuple(a->intake[2], b->intake[2], g->read(2, 1000, 1000)), std::make_tuple(1.0f, 0.0f, 0.0f));
}

TEST_F(MetaNodeTest, ThrustTurnsAndPushes) {
    world.inertia = 0;
    ring(0, 3, 100);
    drovanMetaNode *m = placed(0, 1000, 1000);
    m->applyThrust(1000, 990, 1, 0);
    float inertia = 3.2f * 3.2f * 3 * 0.4f;
    EXPECT_NEAR(m->angle(), 10 * 1 * 0.245f / inertia, 1e-5f);
    EXPECT_EQ(m->position(), vec2(1000.7f, 1000.0f));
    float before = m->angle();
    m->applyThrust(990, 1000, 2, 0);
    EXPECT_FLOAT_EQ(m->angle(), before) << "pushing through the centre does not turn";
    m->bodyRadius = 0.0f;
    m->applyThrust(1000, 990, 1, 0);
    EXPECT_FLOAT_EQ(m->angle(), before) << "no inertia to turn: no torque, not an endless one";
}

TEST_F(MetaNodeTest, DuplicationNeedsRoomInTheTable) {
    ring(0, 3, 100);
    drovanMetaNode *m = placed(0, 500, 500);
    ASSERT_NE(dynamic_cast<drovanMetaNode *>(m->duplicate(false)), nullptr);
    EXPECT_EQ(m->slotInstances(), 2);
    // Room for the copy and its body is needed: 3 + n + 1 must stay below 2056.
    fillTableTo(2052);
    EXPECT_EQ(m->duplicate(false), nullptr);
    nodeAt(firstFreeNodeSlot() - 1)->kill();
    purgeDead();
    EXPECT_NE(m->duplicate(false), nullptr);
}

TEST_F(MetaNodeTest, DecompositionWeakensTouchingMetanodesAndGrasps) {
    addDecompose(0, 1, 2, 0.3f);
    setGrasps(0);
    for (int slot : {0, 1}) ring(slot, 2, 100);
    drovanMetaNode *a = placed(0, 500, 500), *b = placed(1, 520, 500);
    a->decomposeTouching(b, 1.0f);
    a->decomposeTouching(b, 1.0f);
    EXPECT_FLOAT_EQ(b->strength, 0.8f);
    EXPECT_FLOAT_EQ(a->body->nodes[0]->intake[2], 0.6f);
    drovanEdge *grip = findEdge(a->nodeIndex, b->nodeIndex, true);
    ASSERT_TRUE(grip && grip->directed);
    int cursor = 0, edges = 0;
    while (a->nextAttachedEdge(cursor)) edges++;
    EXPECT_EQ(edges, 1) << "one grip, however often it bites";
    b->strength = 0.05f;
    a->decomposeTouching(b, 1.0f);
    EXPECT_EQ(b->strength, 0.0f);
    b->decomposeTouching(a, 1.0f);
    EXPECT_EQ(a->strength, 1.0f) << "a slot without a rule leaves others alone";
}

TEST_F(MetaNodeTest, BodiesOfAnySizeKeepTheirShape) {
    drovanMetaNodePat *src = ring(0, 80, 500);
    drovanMetaNode *big = placed(0, 1000, 1000);
    big->setAngle(1.0f);
    for (int tick = 0; tick < 5; tick++) big->update();
    ASSERT_FALSE(big->dead);
    for (int i = 0; i < src->nodeCount; i++) {
        ASSERT_NE(big->body->nodes[i], nullptr);
        EXPECT_EQ(big->body->nodes[i]->position(), src->nodes[i]->position() * 0.1f);
    }
    EXPECT_NEAR(big->radius(), 50.0f, 1e-3f);
}

// Metanodes feeding, sensing, swimming, decomposing each other, copying
// themselves and dying in the full step keep their books straight.
TEST_F(MetaNodeTest, AWorldOfMetanodesStaysConsistent) {
    for (int c = 0; c < 3; c++) colorTable[c].isStatic = false;
    colorTable[0].relation[1].kind = RelCollects;
    colorTable[0].reproduceAt[1] = 6;
    colorTable[0].senseCount = 1;
    colorTable[0].sense[0] = {1, 2, 0.5f};
    colorTable[1].atomProbability = 2.0f;
    colorTable[2].nodeKind = 2;
    colorTable[2].relation[1] = {RelEats, 1.0f};
    addDecompose(0, 0, 1, 0.5f);
    addSense(0, 0, 2, 0.5f);
    setGrasps(0);
    drovanMetaNodePat *p = ring(0, 4, 150);
    p->addNode(0, 0, 2);
    p->addEdge(p->nodes[4], p->nodes[0], false, -1);
    for (int i = 0; i < 8; i++) ASSERT_NE(placeMetaNode(0, 1000.0f + 150.0f * i, 1600.0f), nullptr);

    for (int step = 0; step < 60; step++) {
        worldStep();
        purgeDead();
        int live = 0;
        for (int i = 0; i < kNodeTableSize; i++) {
            auto *m = dynamic_cast<drovanMetaNode *>(world.nodeTable[i]);
            if (!m || m->dead) continue;
            live++;
            ASSERT_NE(m->body, nullptr);
            for (int k = 0; k < m->body->nodeCount; k++)
                ASSERT_TRUE(!m->body->nodes[k] || m->body->nodes[k]->dead || m->body->nodes[k]->container() == m);
        }
        ASSERT_EQ(live, patternSlot(0)->instances()) << "step " << step;
    }
}

// The pattern container: editing in a pattern window, and bodies made from it.
TEST_F(MetaNodeTest, PatternEditingConnectsToTheSelectionOnce) {
    drovanMetaNodePat *pat = patternSlot(0);
    drovanNode *a = pat->addNode(0, 0, 0), *b = pat->addNode(10, 0, 1), *c = pat->addNode(200, 0, 2);
    pat->addEdge(a, b, false, -1);
    // a unselected, b and c selected: a is joined to each selected node once.
    b->selected = c->selected = 1;
    pat->connect(a->id, b->id, true);
    pat->connect(a->id, b->id, true);
    ASSERT_EQ(pat->edgeCount, 2);
    EXPECT_EQ(pat->edges[1]->fromIndex + pat->edges[1]->toIndex, 2) << "a to c";
}

TEST_F(MetaNodeTest, PatternInstantiatesScaledIntoTheWorldAndHandsBackOnDisposal) {
    drovanMetaNodePat *pat = patternSlot(0);
    drovanNode *a = pat->addNode(100, -50, 0);
    pat->addEdge(a, pat->addNode(-20, 30, 1), true, 2);
    drovanMetaNodePat *body = pat->instantiate(0.1f);
    ASSERT_TRUE(body && body->nodeCount == 2 && body->edgeCount == 1);
    EXPECT_EQ(body->nodes[0]->position(), vec2(10.0f, -5.0f));
    EXPECT_EQ(adjacency[body->nodes[0]->nodeIndex][body->nodes[1]->nodeIndex], body->edges[0]);
    delete body;
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);

    // With one free table slot the second node and the edge are left empty.
    fillTableTo(kNodeTableSize - 1);
    body = pat->instantiate(0.1f);
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->nodes[0] && !body->nodes[1] && !body->edges[0]);
    body->kill();
    killAll();
    EXPECT_EQ(world.nodeTableCount, 0);
}

}  // namespace
