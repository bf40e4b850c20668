#include <string>

#include "support/WorldFixture.h"

namespace {
class EdgeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        a = new TestNode(0, 0);
        b = new TestNode(100, 0);
        c = new TestNode(0, 100);
    }
    TestNode *a = nullptr, *b = nullptr, *c = nullptr;
};
}  // namespace

TEST_F(EdgeTest, CreationReusesAnyEdgeAlreadyJoiningThePair) {
    EXPECT_EQ(createEdge(a, a, 0.5f, false, -1), nullptr);
    EXPECT_EQ(world.liveEdgeCount, 0);
    Edge *d = createEdge(b, a, 0.0f, true, -1);
    EXPECT_EQ(createEdge(a, b, 0.5f, false, 2), d);
    EXPECT_FLOAT_EQ(d->strength, 0.75f);
    EXPECT_TRUE(d->directed);
    EXPECT_EQ(d->edgeColour, -1);
    // A directed request only looks at its own direction.
    Edge *back = createEdge(a, b, 0.0f, true, -1);
    EXPECT_NE(back, d);
    EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, true), back);
    EXPECT_TRUE(a->outDegree == 1 && a->inDegree == 1);
    Edge *u = createEdge(a, c, 0.0f, false, -1);
    EXPECT_EQ(createEdge(c, a, 0.9f, true, -1), u);
    EXPECT_FLOAT_EQ(u->strength, 1.0f);
    EXPECT_EQ(findEdge(c->nodeIndex, a->nodeIndex, true), u);
    // A node given another id takes its edges' ends along, both ways.
    changeId(a, 4321);
    EXPECT_TRUE(back->fromId == 4321 && d->toId == 4321 && u->fromId == 4321 && d->fromId == b->id);

    // Capacity grows with a sensing end; a metanode end senses nothing.
    colorTable[2].senseCount = 1;
    b->col = 1;
    TestNode *s = new TestNode(0, 300, 2), *meta = new TestNode(0, 200, -1), *p = new TestNode(0, 400);
    EXPECT_EQ(createEdge(p, b, 0.0f, false, -1)->capacity, 10);
    EXPECT_EQ(createEdge(p, s, 0.0f, true, -1)->capacity, 60);
    EXPECT_EQ(createEdge(meta, b, 0.0f, true, -1)->capacity, 10);
}

TEST_F(EdgeTest, KillingDetachesOnceAndToleratesMissingEnds) {
    Edge *e = createEdge(a, b, 0.0f, false, -1);
    EXPECT_EQ(a->edgeCount, 1);
    e->kill();
    e->kill();
    EXPECT_EQ(a->edgeCount + b->edgeCount + a->undirectedDegree + b->undirectedDegree, 0);
    EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr);
    EXPECT_EQ(e->fromId, -1);
    // Deleted without being killed: the matrix and the nodes still let go of it.
    delete createEdge(a, b, 0.0f, true, -1);
    EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr);
    EXPECT_TRUE(a->edgeCount == 0 && a->outDegree == 0 && b->inDegree == 0);

    // Edges between nodes kept outside the world, numbered like world things,
    // never touch world nodes nor can be joined in the matrix.
    createEdge(a, b, 0.0f, false, -1);
    TestNode *p = new TestNode(0, 0, 0, 10.0f, -1), *q = new TestNode(5, 0, 0, 10.0f, -1);
    unregister(p);
    unregister(q);
    p->nodeIndex = a->nodeIndex;
    q->nodeIndex = b->nodeIndex;
    Edge *side = new Edge(p, q, false, -1, false);
    EXPECT_FALSE(side->entered);
    side->fromId = a->id;
    side->toId = b->id;
    side->kill();
    EXPECT_TRUE(a->undirectedDegree == 1 && a->edgeCount == 1 && b->edgeCount == 1);
    EXPECT_NE(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr);
    EXPECT_EQ(createEdge(p, q, 0.0f, false, -1), nullptr);
    for (Thing *t : {static_cast<Thing *>(side), static_cast<Thing *>(p), static_cast<Thing *>(q)}) delete t;
}

TEST_F(EdgeTest, GeometryFollowsInsetsAndStaysWhenAnEndIsGone) {
    a->inset = 10.0f;
    b->inset = 30.0f;
    Edge *e = createEdge(a, b, 0.0f, true, -1);
    EXPECT_FLOAT_EQ(e->lineStart.x, 10.0f);
    EXPECT_FLOAT_EQ(e->lineEnd.x, 70.0f);
    a->inset = 60.0f;
    b->inset = 40.0f;
    e->refreshGeometry();
    EXPECT_TRUE(e->endsOverlap);
    a->inset = b->inset = 0.0f;
    e->refreshGeometry();
    EXPECT_FALSE(e->endsOverlap);
    EXPECT_FLOAT_EQ(e->lineEnd.x, 100.0f);
    // Slot emptied, then reused by a stranger: the edge keeps its last geometry.
    int slot = b->nodeIndex;
    b->unregisterNode();
    TestNode *stranger = new TestNode(500, 500);
    ASSERT_EQ(stranger->nodeIndex, slot);
    e->refreshGeometry();
    EXPECT_FLOAT_EQ(e->endB.x, 100.0f);
    delete b;
}

TEST_F(EdgeTest, ConnectingBySelectionJoinsEverySelectedPair) {
    TestNode *d = new TestNode(100, 100);
    world.directedEdges = 1;
    connectNodes(a->id, a->id, false, 2);
    connectNodes(a->id, -1, false, 2);  // itself, nobody
    EXPECT_EQ(world.liveEdgeCount, 0);
    // a unselected, targets selected: a is joined to each of them.
    b->selected = c->selected = 1;
    connectNodes(a->id, b->id, true, 2);
    EXPECT_EQ(world.liveEdgeCount, 2);
    Edge *ab = findEdge(a->nodeIndex, b->nodeIndex, true);
    ASSERT_NE(ab, nullptr);
    EXPECT_EQ(ab->edgeColour, 2);
    EXPECT_NE(findEdge(a->nodeIndex, c->nodeIndex, true), nullptr);
    // Selected source, unselected target: every selected node joins it.
    connectNodes(b->id, d->id, true, 2);
    EXPECT_NE(findEdge(b->nodeIndex, d->nodeIndex, true), nullptr);
    EXPECT_NE(findEdge(c->nodeIndex, d->nodeIndex, true), nullptr);
    EXPECT_EQ(world.liveEdgeCount, 4);
}
