#include <string>

#include "support/WorldFixture.h"
#include "world/Painter.h"

namespace {
class EdgeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        a = new TestNode(0, 0); b = new TestNode(100, 0); c = new TestNode(0, 100);
    }
    static std::string printed(drovanThing *t) {
        return written([t](FILE *f) { t->print(f); });
    }
    TestNode *a = nullptr, *b = nullptr, *c = nullptr;
};
}  // namespace

TEST_F(EdgeTest, CreationReusesAnyEdgeAlreadyJoiningThePair) {
    EXPECT_EQ(createEdge(a, a, 0.5f, false, -1), nullptr); EXPECT_EQ(world.liveEdgeCount, 0);
    drovanEdge *d = createEdge(b, a, 0.0f, true, -1);
    EXPECT_EQ(createEdge(a, b, 0.5f, false, 2), d); EXPECT_FLOAT_EQ(d->strength, 0.75f);
    EXPECT_TRUE(d->directed); EXPECT_EQ(d->edgeColour, -1);
    // A directed request only looks at its own direction.
    drovanEdge *back = createEdge(a, b, 0.0f, true, -1);
    EXPECT_NE(back, d); EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, true), back);
    EXPECT_EQ(a->outDegree, 1); EXPECT_EQ(a->inDegree, 1);
    drovanEdge *u = createEdge(a, c, 0.0f, false, -1);
    EXPECT_EQ(createEdge(c, a, 0.9f, true, -1), u); EXPECT_FLOAT_EQ(u->strength, 1.0f);
    EXPECT_EQ(findEdge(c->nodeIndex, a->nodeIndex, true), u);

    // Capacity grows with a sensing end; a metanode end senses nothing.
    colorTable[2].senseCount = 1; b->col = 1;
    TestNode *s = new TestNode(0, 300, 2), *meta = new TestNode(0, 200, -1), *p = new TestNode(0, 400);
    EXPECT_EQ(createEdge(p, b, 0.0f, false, -1)->capacity, 10);
    EXPECT_EQ(createEdge(p, s, 0.0f, true, -1)->capacity, 60);
    EXPECT_EQ(createEdge(meta, b, 0.0f, true, -1)->capacity, 10);
}

TEST_F(EdgeTest, StaticColoursKeepFullStrengthOthersDecayAway) {
    colorTable[1].isStatic = true;
    drovanEdge *fixed = createEdge(a, b, 0.0f, false, 1);
    drovanEdge *plain = createEdge(a, c, 0.0f, false, -1);
    EXPECT_EQ(fixed->strength, 1.0f); EXPECT_EQ(plain->strength, 0.25f);
    int ticks = 0;
    float s = 0.25f;
    for (; !plain->dead && ticks < 10000; ticks++) {
        fixed->update(); plain->update(); s = s - s * s * 0.02f;
    }
    EXPECT_TRUE(plain->dead); EXPECT_LT(s, 0.07f); EXPECT_EQ(fixed->strength, 1.0f); EXPECT_GT(ticks, 400);
    // Recolouring to a static colour stops the decay.
    drovanEdge *other = createEdge(b, c, 0.0f, false, -1);
    other->setColour(1);
    EXPECT_EQ(other->strength, 1.0f); EXPECT_FALSE(other->decays);
}

TEST_F(EdgeTest, ListingLines) {
    changeId(a, 3); changeId(b, 7);
    EXPECT_EQ(printed(createEdge(a, b, 0.0f, false, -1)), "undirected edge from node 3 to node 7\n");
    drovanEdge *d = createEdge(b, c, 0.0f, true, 1);
    std::string tail = "directed edge from node 7 to node " + std::to_string(c->id) + "\n";
    EXPECT_EQ(printed(d), "Green " + tail);
    // A colour past the declared ones has no name to print.
    for (int colour : {15, 1000}) {
        d->edgeColour = colour;
        EXPECT_EQ(printed(d), tail) << colour;
    }
}

TEST_F(EdgeTest, KillingDetachesOnceAndToleratesMissingEnds) {
    drovanEdge *e = createEdge(a, b, 0.0f, false, -1);
    EXPECT_EQ(a->edgeCount, 1);
    e->kill(); e->kill();
    EXPECT_EQ(a->edgeCount + b->edgeCount + a->undirectedDegree + b->undirectedDegree, 0);
    EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr); EXPECT_EQ(e->fromId, -1);
    // Deleted without being killed: the matrix and the nodes still let go of it.
    delete createEdge(a, b, 0.0f, true, -1);
    EXPECT_EQ(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr); EXPECT_EQ(a->edgeCount, 0);
    EXPECT_EQ(a->outDegree, 0); EXPECT_EQ(b->inDegree, 0);

    // Edges between nodes kept outside the world, numbered like world things,
    // never touch world nodes nor can be joined in the matrix.
    createEdge(a, b, 0.0f, false, -1);
    TestNode *p = new TestNode(0, 0, 0, 10.0f, -1), *q = new TestNode(5, 0, 0, 10.0f, -1);
    unregister(p); unregister(q);
    p->nodeIndex = a->nodeIndex; q->nodeIndex = b->nodeIndex;
    drovanEdge *side = new drovanEdge(p, q, false, -1, false);
    EXPECT_FALSE(side->entered);
    side->fromId = a->id; side->toId = b->id;
    side->kill();
    EXPECT_EQ(a->undirectedDegree, 1); EXPECT_EQ(a->edgeCount, 1); EXPECT_EQ(b->edgeCount, 1);
    EXPECT_NE(findEdge(a->nodeIndex, b->nodeIndex, false), nullptr);
    EXPECT_EQ(createEdge(p, q, 0.0f, false, -1), nullptr);
    delete side;
    delete p;
    delete q;
}

TEST_F(EdgeTest, GeometryFollowsInsetsAndStaysWhenAnEndIsGone) {
    a->inset = 10.0f; b->inset = 30.0f;
    drovanEdge *e = createEdge(a, b, 0.0f, true, -1);
    EXPECT_FLOAT_EQ(e->lineStart.x, 10.0f); EXPECT_FLOAT_EQ(e->lineEnd.x, 70.0f);
    a->inset = 60.0f; b->inset = 40.0f;
    e->refreshGeometry(); EXPECT_TRUE(e->endsOverlap);
    a->inset = b->inset = 0.0f;
    e->refreshGeometry();
    EXPECT_FALSE(e->endsOverlap); EXPECT_FLOAT_EQ(e->lineEnd.x, 100.0f);
    // Slot emptied, then reused by a stranger: the edge keeps its last geometry.
    int slot = b->nodeIndex;
    b->unregisterNode();
    TestNode *stranger = new TestNode(500, 500);
    ASSERT_EQ(stranger->nodeIndex, slot);
    e->refreshGeometry(); EXPECT_FLOAT_EQ(e->endB.x, 100.0f);
    delete b;
}

TEST_F(EdgeTest, ValenceIsEnforcedAsEdgesAreMade) {
    a->valence = 1;
    drovanEdge *first = createEdge(a, b, 0.0f, false, -1);
    first->strength = 0.9f;
    drovanEdge *second = createEdge(a, c, 0.0f, false, -1);
    EXPECT_TRUE(second->dead); EXPECT_FALSE(first->dead); EXPECT_EQ(a->undirectedDegree, 1);
    drovanEdge *copy = copyEdge(first, a, new TestNode(0, 200));
    ASSERT_NE(copy, nullptr); EXPECT_FLOAT_EQ(copy->strength, 0.9f); EXPECT_TRUE(copy->dead != first->dead);
}

TEST_F(EdgeTest, ConnectingBySelectionJoinsEverySelectedPair) {
    TestNode *d = new TestNode(100, 100);
    world.directed_edges = world.colored_edges = 1;
    world.placeColour = 2;
    connectNodes(a->id, a->id, false); connectNodes(a->id, -1, false);  // itself, nobody
    EXPECT_EQ(world.liveEdgeCount, 0);
    // a unselected, targets selected: a is joined to each of them.
    b->selected = c->selected = 1;
    connectNodes(a->id, b->id, true); EXPECT_EQ(world.liveEdgeCount, 2);
    drovanEdge *ab = findEdge(a->nodeIndex, b->nodeIndex, true);
    ASSERT_NE(ab, nullptr); EXPECT_EQ(ab->edgeColour, 2);
    EXPECT_NE(findEdge(a->nodeIndex, c->nodeIndex, true), nullptr);
    // Selected source, unselected target: every selected node joins it.
    connectNodes(b->id, d->id, true); EXPECT_NE(findEdge(b->nodeIndex, d->nodeIndex, true), nullptr);
    EXPECT_NE(findEdge(c->nodeIndex, d->nodeIndex, true), nullptr); EXPECT_EQ(world.liveEdgeCount, 4);
}

namespace {
struct CountingPainter : drovanPainter {
    int lines = 0, filled = 0, outlines = 0;
    float r = -1, g = -1, b = -1, width = 0;
    void setColour(float rr, float gg, float bb) override { r = rr, g = gg, b = bb; }
    void lineWidth(float w) override { width = w > width ? w : width; }
    void line(float, float, float, float, float) override { lines++; }
    void triangle(float, float, float, float, float, float, bool f) override { (f ? filled : outlines)++; }
};
}  // namespace

TEST_F(EdgeTest, DrawingPassesAndColours) {
    CountingPainter p;
    setPainter(&p);
    drovanEdge *d = createEdge(a, b, 0.0f, true, 0);
    drovanEdge *u = createEdge(a, c, 0.0f, false, -1);
    for (int pass : {-4, -3, -2, 0}) {
        d->draw(pass, 0); u->draw(pass, 0);
    }
    EXPECT_EQ(p.lines, 2); EXPECT_EQ(p.filled, 1); EXPECT_EQ(p.outlines, 1);
    // Uncoloured at strength 0.25: a quarter of the way from white to black.
    p = CountingPainter(); u->draw(-3, 0);
    EXPECT_FLOAT_EQ(p.r, 0.75f); EXPECT_FLOAT_EQ(p.width, 1.0f);
    world.render_edges = 0; p = CountingPainter();
    d->draw(-3, 0); EXPECT_EQ(p.lines, 0);
    setPainter(nullptr);
}
