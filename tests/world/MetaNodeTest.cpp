#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "rules/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/TermNode.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

namespace {

struct RecordingPainter : drovanPainter {
    std::vector<std::vector<float>> spheres;  // x, y, r, g, b, radius
    std::vector<std::string> texts;
    void sphere(float x, float y, const float rgb[3], float radius, float) override {
        spheres.push_back({x, y, rgb[0], rgb[1], rgb[2], radius});
    }
    void worldText(float, float, const char *text) override { texts.push_back(text); }
};

class MetaNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        killAll();
        resetSettings();
        for (int i = 0; i < kMaxColors; i++) {
            resetColorRule(colorTable[i]);
            colorTable[i].isSterile = true;  // no stray atoms from body nodes
            colorTable[i].isStatic = true;   // nor decay
        }
        colorCount = 3;
        rebuildColors();
        initPatternSlots();
        rebuildAtomGrid();
        rebuildNodeGrid();
        setRandState(1);
    }
    void TearDown() override {
        setPainter(nullptr);
        killAll();
        initPatternSlots();
        rebuildAtomGrid();
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
    static void fillTableTo(int count) {
        while (world.nodeTableCount < count) ASSERT_NE(createNode(3000, 3000, 1), nullptr);
    }
};

TEST_F(MetaNodeTest, PlacementNeedsANonEmptySlotAndAFreeTableSlot) {
    EXPECT_EQ(placeMetaNode(0, 100, 100), nullptr);
    EXPECT_EQ(placeMetaNode(-1, 100, 100), nullptr);
    EXPECT_EQ(placeMetaNode(10, 100, 100), nullptr);

    ring(3, 3, 100);
    drovanNode *first = createNode(10, 10, 1);
    drovanMetaNode *m = placeMetaNode(3, 500, 600);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->nodeIndex, first->nodeIndex + 1);
    EXPECT_EQ(m->patternIndex, 3);
    EXPECT_EQ(m->slotInstances(), 1);
    EXPECT_EQ(m->body->nodes[2]->container(), m);
    EXPECT_EQ(m->body->edges[1]->container(), m);

    RecordingPainter rec;
    setPainter(&rec);
    m->draw(-3, 0);
    m->draw(0, 0);
    ASSERT_EQ(rec.spheres.size(), 1u);
    EXPECT_EQ(rec.spheres[0], (std::vector<float>{500, 600, 1, 0, 0, 3.2f}));
    m->drawInfo();
    ASSERT_EQ(rec.texts.size(), 1u);
    EXPECT_EQ(rec.texts[0], "Metanode");
    // Drawing puts the body back where it was.
    EXPECT_FLOAT_EQ(m->body->nodes[0]->position().x, 10.0f);

    fillTableTo(kNodeTableSize);
    EXPECT_EQ(placeMetaNode(3, 500, 600), nullptr);
    EXPECT_EQ(m->slotInstances(), 1);
}

TEST_F(MetaNodeTest, BodyDiesWhenAThirdOfItsEntriesAreEmpty) {
    int sizes[] = {1, 2, 3, 4, 5};
    for (int n : sizes) {
        initPatternSlots();
        ring(0, n, 100);
        drovanMetaNode *whole = placeMetaNode(0, 500, 500);
        drovanMetaNode *holed = placeMetaNode(0, 900, 900);
        ASSERT_TRUE(whole && holed);
        whole->update();
        EXPECT_FALSE(whole->dead) << n << " nodes, none missing";

        drovanNode *gone = holed->body->nodes[0];
        holed->body->nodes[0] = nullptr;
        gone->kill();
        holed->update();
        bool dies = 3 * 1 >= n;
        EXPECT_EQ(holed->dead != 0, dies) << n << " nodes, one missing";
        EXPECT_EQ(patternSlot(0)->instances(), dies ? 1 : 2);
        killAll();
    }
}

TEST_F(MetaNodeTest, WeakOrBodilessMetanodesDieAndCountOffOnce) {
    ring(0, 3, 100);
    drovanMetaNode *a = placeMetaNode(0, 500, 500);
    drovanMetaNode *b = placeMetaNode(0, 900, 500);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(patternSlot(0)->instances(), 2);
    a->strength = 0.04f;
    a->update();
    EXPECT_TRUE(a->dead);
    EXPECT_EQ(a->body, nullptr);
    EXPECT_EQ(patternSlot(0)->instances(), 1);
    a->kill();
    EXPECT_EQ(patternSlot(0)->instances(), 1);

    // Losing the body kills the metanode.
    delete b->body;
    EXPECT_TRUE(b->dead);
    EXPECT_EQ(patternSlot(0)->instances(), 0);

    purgeDead();
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);
}

TEST_F(MetaNodeTest, SensingEveryPeriodReactingBetween) {
    colorTable[0].senseCount = 1;
    colorTable[0].sense[0] = {2, 1, 0.5f};
    ring(0, 3, 100);
    drovanMetaNode *m = placeMetaNode(0, 500, 500);
    ASSERT_NE(m, nullptr);
    m->body->tickPeriod = 15;
    std::vector<int> sensingTicks;
    for (int tick = 1; tick <= 45; tick++) {
        // A stale record that names nothing: a sensing pass clears it, a reaction pass skips it.
        m->body->thingRecordCount = 1;
        m->body->thingRecords[0] = {2, 1, 0.5f, -1, m->body->nodes[0]->nodeIndex};
        m->update();
        ASSERT_FALSE(m->dead);
        if (m->body->thingRecordCount == 0) sensingTicks.push_back(tick);
    }
    EXPECT_EQ(sensingTicks, (std::vector<int>{15, 30, 45}));
}

TEST_F(MetaNodeTest, SensingPassRecordsNodesMetanodesAndCells) {
    colorTable[0].senseCount = 2;
    colorTable[0].sense[0] = {2, 1, 0.5f};
    colorTable[0].sense[1] = {0, 1, 0.125f};  // own body nodes must not be sensed
    addSense(0, 102, 1, 0.25f);
    addSense(0, 5, 1, 0.75f);
    ring(0, 2, 100);
    ring(5, 2, 100, 1);
    drovanMetaNode *m = placeMetaNode(0, 500, 500);
    drovanMetaNode *other = placeMetaNode(5, 540, 500);
    drovanNode *w = createNode(480, 500, 2);
    ASSERT_TRUE(m && other && w);
    world.aggregateGrid->write(2, 700, 500, 0.5f);
    rebuildNodeGrid();
    m->sensingPass();

    drovanMetaNodePat *b = m->body;
    int sensor = b->nodes[0]->nodeIndex;
    auto has = [&](int input, float factor, int thing) {
        for (int k = 0; k < b->thingRecordCount; k++) {
            const auto &r = b->thingRecords[k];
            if (r.input == input && r.factor == factor && r.thingId == thing && r.nodeIndex == sensor) return true;
        }
        return false;
    };
    EXPECT_TRUE(has(2, 0.5f, w->id));
    EXPECT_TRUE(has(102, 0.25f, w->id));
    EXPECT_TRUE(has(5, 0.75f, other->id));
    for (int k = 0; k < b->thingRecordCount; k++)
        EXPECT_NE(findNode(b->thingRecords[k].thingId)->container(), m);
    EXPECT_LE(b->thingRecordCount, 10);

    ASSERT_GE(b->cellRecordCount, 2);
    EXPECT_EQ(b->cellRecords[0].input, 2);
    EXPECT_EQ(b->cellRecords[0].x, 680.0f);  // the cell's centre
    EXPECT_EQ(b->cellRecords[0].y, 520.0f);
    EXPECT_EQ(b->cellRecords[1].input, 2);
    EXPECT_EQ(b->cellRecords[1].factor, 0.25f);
}

TEST_F(MetaNodeTest, ReactionSendsAlongTheSensingNodesEdges) {
    drovanMetaNodePat *p = patternSlot(0);
    drovanNode *first = p->addNode(0, 0, 0);
    drovanNode *second = p->addNode(100, 0, 1);
    p->addEdge(first, second, false, -1);
    drovanMetaNode *m = placeMetaNode(0, 1000, 1000);
    drovanNode *w = createNode(1000, 1000, 2);
    ASSERT_TRUE(m && w);
    drovanNode *s = m->body->nodes[0];
    drovanNode *t = m->body->nodes[1];
    drovanEdge *e = m->body->edges[0];
    e->strength = 0.3f;
    m->body->thingRecordCount = 1;
    m->body->thingRecords[0] = {2, 1, 0.5f, w->id, s->nodeIndex};

    m->reactionPass();
    EXPECT_FLOAT_EQ(t->intake[1], 0.5f);
    EXPECT_EQ(e->strength, 1.0f);

    w->setPosition(1000 + 1400, 1000);  // half the reach away
    m->reactionPass();
    EXPECT_FLOAT_EQ(t->intake[1], 0.75f);

    // A half-turn capture arc facing east ignores a node to the west.
    colorTable[0].hasCaptureArc = true;
    colorTable[0].captureArc = 3.14f;
    w->setPosition(600, 1000);
    m->reactionPass();
    EXPECT_FLOAT_EQ(t->intake[1], 0.75f);
    w->setPosition(1000 + 1400, 1000);
    m->reactionPass();
    EXPECT_FLOAT_EQ(t->intake[1], 1.0f);
}

TEST_F(MetaNodeTest, FeedingTakesFromTheAggregateCellUnderTheMetanode) {
    colorTable[0].relation[1].kind = RelEats;
    colorTable[0].relation[2].kind = RelCollects;
    ring(0, 2, 100);
    drovanMetaNode *m = placeMetaNode(0, 1000, 1000);
    ASSERT_NE(m, nullptr);
    drovanNode *a = m->body->nodes[0];
    drovanNode *b = m->body->nodes[1];
    a->strength = b->strength = 0.5f;
    AggregateGrid *g = world.aggregateGrid;
    g->write(1, 1000, 1000, 0.5f);
    g->write(2, 1000, 1000, 0.05f);
    m->feedingPass();
    EXPECT_FLOAT_EQ(a->strength, 0.75f);
    EXPECT_FLOAT_EQ(b->strength, 0.7f);
    EXPECT_NEAR(g->read(1, 1000, 1000), 0.3f, 1e-6f);
    // The first collector takes the little there is; the cell is then spent.
    EXPECT_EQ(a->intake[2], 1.0f);
    EXPECT_EQ(b->intake[2], 0.0f);
    EXPECT_EQ(g->read(2, 1000, 1000), 0.0f);

    m->setPosition(2000, 2000);  // an empty cell
    m->feedingPass();
    EXPECT_FLOAT_EQ(a->strength, 0.75f);
}

TEST_F(MetaNodeTest, ThrustTurnsAndPushes) {
    world.inertia = 0;
    ring(0, 3, 100);
    drovanMetaNode *m = placeMetaNode(0, 1000, 1000);
    ASSERT_NE(m, nullptr);
    m->applyThrust(1000, 990, 0, 0);
    EXPECT_EQ(m->angle(), 0.0f);
    EXPECT_EQ(m->position().x, 1000.0f);

    m->applyThrust(1000, 990, 1, 0);
    float inertia = 3.2f * 3.2f * 3 * 0.4f;
    EXPECT_NEAR(m->angle(), 10 * 1 * 0.245f / inertia, 1e-5f);
    EXPECT_FLOAT_EQ(m->position().x, 1000.7f);
    EXPECT_FLOAT_EQ(m->position().y, 1000.0f);

    // Pushing through the centre does not turn.
    float before = m->angle();
    m->applyThrust(990, 1000, 2, 0);
    EXPECT_FLOAT_EQ(m->angle(), before);
    // Without inertia to turn there is no torque, rather than an endless one.
    m->bodyRadius = 0.0f;
    m->applyThrust(1000, 990, 1, 0);
    EXPECT_FLOAT_EQ(m->angle(), before);
}

TEST_F(MetaNodeTest, DuplicationRespectsTheTableAndTheInstanceLimit) {
    ring(0, 3, 100);
    drovanMetaNode *m = placeMetaNode(0, 500, 500);
    ASSERT_NE(m, nullptr);
    auto *copy = dynamic_cast<drovanMetaNode *>(m->duplicate(false));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->position().x, 500.0f);
    EXPECT_EQ(m->slotInstances(), 2);

    // Reproduction inside a crowded slot makes the copy and ends the parent.
    patternSlot(0)->addInstances(61 - m->slotInstances());
    static_cast<drovanTermNode *>(copy->body->nodes[0])->reproduce();
    EXPECT_EQ(m->slotInstances(), 62);
    EXPECT_EQ(copy->strength, 0.0f);
    EXPECT_EQ(m->strength, 1.0f);

    // Room for the copy and its body is needed: 3 + n + 1 must stay below 2056.
    fillTableTo(2052);
    EXPECT_EQ(m->duplicate(false), nullptr);
    drovanNode *spare = nodeAt(firstFreeNodeSlot() - 1);
    spare->kill();
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 2051);
    EXPECT_NE(m->duplicate(false), nullptr);
}

TEST_F(MetaNodeTest, DecompositionWeakensTouchingMetanodesAndGrasps) {
    addDecompose(0, 1, 2, 0.3f);
    setGrasps(0);
    ring(0, 2, 100);
    ring(1, 2, 100);
    drovanMetaNode *a = placeMetaNode(0, 500, 500);
    drovanMetaNode *b = placeMetaNode(1, 520, 500);
    ASSERT_TRUE(a && b);
    b->strength = 1.0f;
    a->decomposeTouching(b, 1.0f);
    EXPECT_FLOAT_EQ(b->strength, 0.9f);
    EXPECT_FLOAT_EQ(a->body->nodes[0]->intake[2], 0.3f);
    drovanEdge *grip = findEdge(a->nodeIndex, b->nodeIndex, true);
    ASSERT_NE(grip, nullptr);
    EXPECT_TRUE(grip->directed);
    a->decomposeTouching(b, 1.0f);
    EXPECT_FLOAT_EQ(b->strength, 0.8f);
    int cursor = 0, edges = 0;
    while (a->nextAttachedEdge(cursor)) edges++;
    EXPECT_EQ(edges, 1);

    b->strength = 0.05f;
    a->decomposeTouching(b, 1.0f);
    EXPECT_EQ(b->strength, 0.0f);
    // Metanodes of slots without a rule are left alone.
    b->decomposeTouching(a, 1.0f);
    EXPECT_EQ(a->strength, 1.0f);
}

TEST_F(MetaNodeTest, BodiesOfAnySizeKeepTheirShape) {
    ring(0, 80, 500);
    ring(1, 3, 100);
    drovanMetaNode *big = placeMetaNode(0, 1000, 1000);
    drovanMetaNode *small = placeMetaNode(1, 2000, 1000);
    ASSERT_TRUE(big && small);
    big->setAngle(1.0f);
    small->setAngle(2.0f);
    for (int tick = 0; tick < 5; tick++) {
        big->update();
        small->update();
    }
    ASSERT_FALSE(big->dead);
    ASSERT_FALSE(small->dead);
    for (drovanMetaNode *m : {big, small}) {
        drovanMetaNodePat *src = patternSlot(m->patternIndex);
        for (int i = 0; i < src->nodeCount; i++) {
            ASSERT_NE(m->body->nodes[i], nullptr);
            EXPECT_FLOAT_EQ(m->body->nodes[i]->position().x, src->nodes[i]->position().x * 0.1f);
            EXPECT_FLOAT_EQ(m->body->nodes[i]->position().y, src->nodes[i]->position().y * 0.1f);
            EXPECT_EQ(m->body->nodes[i]->angle(), 0.0f);
        }
    }
    EXPECT_NEAR(big->radius(), 50.0f, 1e-3f);
    EXPECT_NEAR(small->radius(), 10.0f, 1e-3f);
}

}  // namespace

namespace {

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
            for (int k = 0; k < m->body->nodeCount; k++) {
                drovanNode *n = m->body->nodes[k];
                if (n && !n->dead) {
                    ASSERT_EQ(n->container(), m);
                }
            }
        }
        ASSERT_EQ(live, patternSlot(0)->instances()) << "step " << step;
    }
}

}  // namespace
