#include <cmath>

#include "support/WorldFixture.h"
#include "world/CiliaNode.h"
#include "world/DonutNode.h"
#include "world/Saturate.h"
#include "world/TermNode.h"

namespace {
using NodeTest = WorldFixture;

// The edge cursors as plain scans of the matrix row and column.
std::vector<Edge *> byScan(Node *n, bool incoming) {
    std::vector<Edge *> v;
    int s = n->nodeIndex;
    if (incoming && n->inDegree == 0) return v;
    for (int k = 0; k < kNodeTableSize; k++) {
        Edge *out = incoming ? nullptr : adjacency[s][k], *in = adjacency[k][s];
        if (out && !out->dead) v.push_back(out);
        if (in && in != out && !in->dead) v.push_back(in);
    }
    return v;
}
std::vector<Edge *> byCursor(Node *n, bool incoming) {
    std::vector<Edge *> v;
    int cur = 0;
    while (Edge *e = incoming ? n->nextIncomingEdge(cur) : n->nextTouchingEdge(cur)) v.push_back(e);
    return v;
}
}  // namespace

// The golden worlds wrap angles by turns; far-off and infinite ones are cut short.
TEST_F(NodeTest, AnglesStayWithinOneTurn) {
    TestNode *n = new TestNode(0.0f, 0.0f);
    n->setAngle(INFINITY);
    EXPECT_EQ(n->angle(), 0.0f);
    n->setAngle(1.0e9f);
    EXPECT_FLOAT_EQ(n->angle(), 2.9510283f);
}

TEST_F(NodeTest, CreateNodeMakesTheColoursKindOrNothing) {
    colorTable[1].nodeKind = 1;
    colorTable[2].nodeKind = 2;
    EXPECT_NE(dynamic_cast<DonutNode *>(createNode(0, 0, 1)), nullptr);
    EXPECT_NE(dynamic_cast<CiliaNode *>(createNode(0, 0, 2)), nullptr);
    Node *t = createNode(0, 0, 0);
    EXPECT_NE(dynamic_cast<TermNode *>(t), nullptr);
    EXPECT_EQ(t->nodeIndex, 2);
    colorTable[0].nodeKind = 7;
    for (int c : {0, -1, 20, 1000000}) EXPECT_EQ(createNode(0, 0, c), nullptr) << c;
    colorTable[0].nodeKind = 0;
    colorCount = 0;
    EXPECT_EQ(createNode(0, 0, 0), nullptr);
    colorCount = 3;
    EXPECT_EQ(world.nodeTableCount, 3);

    // A full table makes no node.
    for (int i = 3; i < kNodeTableSize; i++) new TestNode(0.0f, 0.0f);
    EXPECT_EQ(firstFreeNodeSlot(), -1);
    EXPECT_EQ(createNode(0, 0, 0), nullptr);
    killAll();
    EXPECT_EQ(world.nodeTableCount, 0);
    EXPECT_EQ(nodeAt(-1), nullptr);
    EXPECT_EQ(nodeAt(kNodeTableSize), nullptr);

    // A colour past the declared ones is built by its own record's kind.
    colorTable[3].nodeKind = 1;
    Node *donut = createNode(0, 0, 3), *plain = createNode(0, 0, 5);
    EXPECT_NE(dynamic_cast<DonutNode *>(donut), nullptr);
    EXPECT_TRUE(dynamic_cast<TermNode *>(plain) && !dynamic_cast<CiliaNode *>(plain));
    EXPECT_EQ(plain->colour(), 2);
}

TEST_F(NodeTest, DestroyingOrUnregisteringANodeLetsGoOfItsSlot) {
    TestNode *a = new TestNode(0.0f, 0.0f), *b = new TestNode(100.0f, 0.0f);
    createEdge(a, b, 0.0f, true, -1);
    Atom *held = new Atom(0.0f, 0.0f, 0, -1);
    ASSERT_TRUE(held->holdBy(a->id));
    int slot = a->nodeIndex;
    a->kill();
    purgeDead();
    EXPECT_EQ(nodeAt(slot), nullptr);
    EXPECT_EQ(world.nodeTableCount, 1);
    EXPECT_EQ(findEdge(slot, b->nodeIndex, false), nullptr);
    EXPECT_EQ(b->inDegree, 0);
    EXPECT_EQ(held->state, AtomFree);
    purgeDead();  // the dead edge is gone by the next purge at the latest
    EXPECT_EQ(world.liveEdgeCount, 0);

    a = new TestNode(0.0f, 0.0f);
    createEdge(a, b, 0.0f, false, -1);
    a->unregisterNode();
    EXPECT_FALSE(a->registered);
    EXPECT_EQ(nodeAt(slot), nullptr);
    a->unregisterNode();
    EXPECT_EQ(world.nodeTableCount, 1);
    // The slot is taken by a new node; the old node's matrix walk must not
    // see the new node's edges, and deleting it must leave the slot alone.
    TestNode *c = new TestNode(200.0f, 0.0f);
    ASSERT_EQ(c->nodeIndex, slot);
    createEdge(c, b, 0.0f, false, -1);
    EXPECT_TRUE(byCursor(a, false).empty());
    delete a;
    EXPECT_EQ(nodeAt(slot), c);
    EXPECT_EQ(world.nodeTableCount, 2);
}

// Which held atom goes is no part of a golden world; the weakest of the colour, of two alike the newer.
TEST_F(NodeTest, KillingHeldAtomsTakesTheWeakestAndOfTwoAlikeTheNewer) {
    TestNode *n = new TestNode(0.0f, 0.0f);
    Atom *held[4];
    const int colours[4] = {1, 1, 2, 1};
    const float strengths[4] = {0.5f, 0.3f, 0.1f, 0.3f};
    for (int k = 0; k < 4; k++) {
        held[k] = new Atom(0, 0, colours[k], -1);
        held[k]->holdBy(n->id);
        held[k]->strength = strengths[k];
    }
    n->killHeldAtoms(1, 1);
    EXPECT_TRUE(held[3]->dead);
    EXPECT_FALSE(held[0]->dead || held[1]->dead || held[2]->dead);
    n->killHeldAtoms(1, 1);
    EXPECT_TRUE(held[1]->dead);
    EXPECT_FALSE(held[0]->dead || held[2]->dead);
    n->killHeldAtoms(-2, 5);  // any colour
    EXPECT_TRUE(held[0]->dead && held[2]->dead);
}

TEST_F(NodeTest, EdgeCursorsVisitTheMatrixInSlotOrder) {
    // Nodes in scattered slots, joined every which way, some edges dead, some removed.
    std::vector<TestNode *> nodes;
    for (int s : {700, 3, 2055, 41, 0, 1500, 42}) nodes.push_back(new TestNode(float(s), 0.0f, 0, 10.0f, s));
    setRandState(7);
    std::vector<Edge *> edges;
    for (int k = 0; k < 30; k++) {
        TestNode *a = nodes[static_cast<size_t>(drovanRand() % 7)];
        TestNode *b = nodes[static_cast<size_t>(drovanRand() % 7)];
        if (Edge *e = createEdge(a, b, 0.0f, drovanRand() % 2 == 0, -1)) edges.push_back(e);
    }
    ASSERT_GT(edges.size(), 8u);
    edges[1]->dead = 1;  // dead but still in the matrix: skipped
    edges[2]->kill();
    delete edges[3];
    for (TestNode *n : nodes) {
        EXPECT_EQ(byCursor(n, false), byScan(n, false)) << n->nodeIndex;
        EXPECT_EQ(byCursor(n, true), byScan(n, true)) << n->nodeIndex;
    }
    // A cursor resumed mid-way, and one past the end.
    TestNode *n = nodes[0];
    std::vector<Edge *> all = byScan(n, false);
    ASSERT_GE(all.size(), 2u);
    int cur = 0;
    n->nextTouchingEdge(cur);
    EXPECT_EQ(n->nextTouchingEdge(cur), all[1]);
    int end = 2 * kNodeTableSize;
    EXPECT_EQ(n->nextTouchingEdge(end), nullptr);

    // Killing each edge as it comes (as a dying node does) still reaches them all.
    TestNode *hub = nodes[4];
    cur = 0;
    while (Edge *e = hub->nextTouchingEdge(cur)) e->kill();
    for (int k = 0; k < kNodeTableSize; k++) {
        EXPECT_EQ(adjacency[hub->nodeIndex][k], nullptr);
        EXPECT_EQ(adjacency[k][hub->nodeIndex], nullptr);
    }
    for (TestNode *m : nodes) EXPECT_EQ(byCursor(m, false), byScan(m, false)) << m->nodeIndex;
}

// Counts worked out from rule amounts truncate toward zero and saturate at the
// int range, whatever the amount.
TEST(SaturatingTruncation, TowardZeroWithinTheIntRange) {
    const std::pair<float, int> cases[] = {
        {2.9f, 2},         {-2.9f, -2},        {0.0f, 0},           {2147483520.0f, 2147483520},
        {3.0e9f, INT_MAX}, {-3.0e9f, INT_MIN}, {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},
        {NAN, 0},
    };
    for (auto [v, want] : cases) EXPECT_EQ(truncSaturating(v), want) << v;
}
