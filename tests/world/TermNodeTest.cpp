#include <cmath>
#include <cstdio>

#include "support/WorldFixture.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/TermNode.h"
#include "world/Walkers.h"

namespace {

class TermNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorCount = 5; world.maxEdges = -1;
        setWalkerTraceStream(nullptr);
    }
    drovanTermNode *node(float x, float y, int c) { return dynamic_cast<drovanTermNode *>(createNode(x, y, c)); }
    ColorRule &rule(int c) { return colorTable[c]; }
};

TEST_F(TermNodeTest, ConstructionAndListing) {
    rule(1).isStatic = true; rule(2).size = 0.5f;
    drovanTermNode *wrapped = node(10, 10, 7), *fixed = node(50, 10, 1), *small = node(90, 10, 2);
    ASSERT_TRUE(wrapped && fixed && small);
    EXPECT_EQ(wrapped->colour(), 2);  // 7 mod 5
    EXPECT_FLOAT_EQ(wrapped->strength, 0.8f); EXPECT_FLOAT_EQ(fixed->strength, 1.0f);
    EXPECT_FALSE(fixed->isMovable()); EXPECT_FLOAT_EQ(small->radius(), 0.5f * 0.8f * 32.0f);
    char expected[200];
    snprintf(expected, sizeof expected, "Green node at 50.000000 10.000000 with id %d with strength 1.00\n", fixed->id);
    EXPECT_EQ(written([fixed](FILE *f) { fixed->print(f); }), expected);
}

TEST_F(TermNodeTest, EatingSharesTheAtomByItsHistoryAndTheCaptureArc) {
    rule(0).relation[1].kind = RelEats;
    drovanTermNode *n = node(100, 100, 0);
    n->strength = 0.5f;
    drovanAtom *fresh = gridAtom(105, 100, 1, 0.3f);
    n->interactWithAtoms();
    EXPECT_TRUE(fresh->dead); EXPECT_FLOAT_EQ(n->strength, 0.8f);
    // An atom that has been elsewhere gives half.
    n->strength = 0.5f;
    drovanAtom *travelled = new drovanAtom(100, 105, 1, -1);
    travelled->strength = 0.3f; travelled->appendVisited(987654); rebuildAtomGrid();
    n->interactWithAtoms(); EXPECT_FLOAT_EQ(n->strength, 0.65f);
    // Its own atom is never eaten; within 3 units it enters the node's edges.
    drovanAtom *own = gridAtom(101, 100, 1, 1.0f, n->id);
    own->lastNodeId = -1; n->interactWithAtoms();
    EXPECT_FALSE(own->dead); EXPECT_EQ(own->lastNodeId, n->id); EXPECT_EQ(own->pendingNode, n->id);
    own->kill();

    rule(0).hasCaptureArc = true; rule(0).captureArc = 1.5f;
    n->setAngle(6.25f);  // arc 5.5 .. 7.0
    drovanAtom *ahead = gridAtom(100 + 10 * std::cos(6.0f), 100 + 10 * std::sin(6.0f), 1);
    drovanAtom *past = gridAtom(100 + 10 * std::cos(0.2f), 100 + 10 * std::sin(0.2f), 1);
    drovanAtom *behind = gridAtom(90, 100, 1);
    n->interactWithAtoms();
    EXPECT_TRUE(ahead->dead); EXPECT_FALSE(past->dead); EXPECT_FALSE(behind->dead);
}

TEST_F(TermNodeTest, EachRelationKindOnTouchAndOnIntake) {
    // A node at strength and vigour 0.5 touches an atom of strength 0.5, or takes in one unit.
    struct Case { int kind; bool touch; float s, v; int inh; bool used; };
    const Case cases[] = {
        {RelEats, true, 0.75f, 0.5f, 0, true}, {RelEats, false, 1.0f, 0.5f, 0, true},
        {RelPoisonedBy, true, 0.4f, 0.5f - 0.3025f * 0.1f, 0, true},
        {RelPoisonedBy, false, 0.3f, 0.5f - 0.3025f * 0.2f, 0, true},
        {RelInvigoratedBy, true, 0.5f, 0.525f, 0, false}, {RelInvigoratedBy, false, 0.5f, 0.55f, 0, true},
        {RelInhibitedBy, true, 0.5f, 0.5f, 10, false}, {RelInhibitedBy, false, 0.5f, 0.5f, 20, true},
        {RelCollects, true, 0.5f, 0.5f, 0, false}, {RelCollects, false, 0.5f, 0.5f, 0, false}};
    for (const Case &k : cases) {
        killAll();
        rule(0).relation[1].kind = k.kind;
        drovanTermNode *n = node(100, 100, 0);
        n->strength = n->vigour = 0.5f;
        drovanAtom *a = gridAtom(105, 100, 1, 0.5f);
        n->intake[1] = k.touch ? 0.0f : 1.0f;
        k.touch ? n->interactWithAtoms() : n->processIntake();
        SCOPED_TRACE(testing::Message() << "kind " << k.kind << (k.touch ? " touch" : " intake"));
        EXPECT_FLOAT_EQ(n->strength, k.s); EXPECT_FLOAT_EQ(n->vigour, k.v); EXPECT_EQ(n->inhibition(), k.inh);
        EXPECT_EQ(k.touch ? a->dead != 0 : n->intake[1] == 0.0f, k.used);
        if (k.touch && k.kind == RelCollects) { EXPECT_EQ(a->state, AtomHeld); }
    }
}

TEST_F(TermNodeTest, CollectingReproducesOnTheThirdAtom) {
    rule(0).relation[1].kind = RelCollects; rule(0).reproduceAt[1] = 3;
    drovanTermNode *n = node(100, 100, 0);
    drovanAtom *held[3] = {gridAtom(105, 100, 1), gridAtom(100, 105, 1), gridAtom(96, 100, 1)};
    n->interactWithAtoms();
    for (drovanAtom *a : held) EXPECT_TRUE(a->dead);
    EXPECT_EQ(n->collected[1], 0); ASSERT_EQ(world.nodeTableCount, 2);
    EXPECT_FLOAT_EQ(n->strength, 0.8f * 0.7f);
    drovanNode *copy = world.nodeTable[n->nodeIndex == 0 ? 1 : 0];
    ASSERT_TRUE(copy); EXPECT_FLOAT_EQ(copy->strength, 0.8f * 0.3f);
}

TEST_F(TermNodeTest, InhibitionDecayAgeingAndSterility) {
    rule(0).relation[1].kind = RelEats;
    drovanTermNode *n = node(100, 100, 0);
    n->setInhibition(5); n->intake[1] = 1.0f;
    drovanAtom *a = gridAtom(104, 100, 1);
    int atomsBefore = world.liveAtomCount;
    n->update();  // inhibited: only decays
    EXPECT_EQ(n->inhibition(), 4); EXPECT_FALSE(a->dead); EXPECT_EQ(world.liveAtomCount, atomsBefore);
    EXPECT_FLOAT_EQ(n->intake[1], 1.0f); EXPECT_FLOAT_EQ(n->strength, 0.8f - 0.8f * 0.8f * 0.02f);

    n->strength = n->vigour = 0.5f;
    n->decayAndAge(); EXPECT_FLOAT_EQ(n->strength, 0.5f - 0.25f * 0.02f);
    EXPECT_FLOAT_EQ(n->vigour, 0.5f - 0.55f * 0.55f * 0.03f);
    n->vigour = 0.03f;
    n->decayAndAge();  // exhausted vigour costs a fifth of the strength
    EXPECT_FLOAT_EQ(n->strength, 0.4900995f * 0.8f);
    n->strength = 0.0301f; n->decayAndAge();
    EXPECT_TRUE(n->dead);

    rule(2).isSterile = true;
    rule(1).nodeDecayRate = rule(2).nodeDecayRate = 0.0f;
    drovanTermNode *fertile = node(500, 500, 1), *sterile = node(900, 500, 2);
    for (int i = 0; i < 60; i++) {
        fertile->update(); sterile->update();
    }
    EXPECT_GT(liveAtoms(1), 0); EXPECT_EQ(liveAtoms(2), 0);
}

TEST_F(TermNodeTest, ValenceDiscoveryAndDecomposition) {
    rule(0).valence = 2;
    drovanTermNode *a = node(100, 100, 0), *b = node(200, 100, 1), *c = node(100, 200, 1), *d = node(200, 200, 1);
    drovanEdge *ab = createEdge(a, b, 0, false, -1), *ac = createEdge(a, c, 0, false, -1);
    ASSERT_TRUE(ab && ac);
    ab->strength = 0.9f; ac->strength = 0.5f;
    createEdge(a, d, 0, false, -1); EXPECT_EQ(a->undirectedDegree, 2);
    rule(0).valence = -1;  // falls back on the world's limit
    world.maxEdges = 1; a->enforceValence();
    EXPECT_EQ(a->undirectedDegree, 1); EXPECT_FALSE(ab->dead); EXPECT_TRUE(ac->dead);

    // A discovered atom links the node it came from.
    world.discover_edges = 1; world.maxEdges = -1;
    drovanTermNode *far = node(400, 100, 0);
    drovanAtom *x = gridAtom(404, 100, 1);
    x->lastNodeId = d->id; far->interactWithAtoms();
    EXPECT_TRUE(findEdge(d->nodeIndex, far->nodeIndex, false)); EXPECT_EQ(x->lastNodeId, far->id);

    // Decomposition wears down only the weaker; a node without extent falls by
    // depth / 0 and dies, leaving a bounded number of atoms.
    rule(0).decomposition[1] = Decomposition{true, 2, 2.0f};
    rule(0).decomposition[3] = Decomposition{true, 2, 1.0f}; rule(3).size = 0.0f;
    drovanTermNode *strong = node(1000, 100, 0), *weak = node(1020, 100, 1), *dot = node(1000, 100, 3);
    weak->strength = 0.5f;  // radius 16
    strong->decomposeTouching(weak, 4.0f);
    EXPECT_FLOAT_EQ(weak->strength, 0.25f); EXPECT_EQ(liveAtoms(2), 1);
    weak->strength = 0.9f; strong->decomposeTouching(weak, 4.0f);
    EXPECT_FLOAT_EQ(weak->strength, 0.9f);
    dot->strength = 0.5f; strong->decomposeTouching(dot, 3.0f);
    EXPECT_TRUE(dot->dead); EXPECT_EQ(liveAtoms(2), 1 + drovanTermNode::kMaxReleasedAtoms);
}

TEST_F(TermNodeTest, ConversionMakesClampedOutputsWithHistory) {
    rule(0).conversion[1] = Conversion{true, -1, 2, 3, 0.5f, 3.0f};
    drovanTermNode *n = node(100, 100, 0);
    drovanAtom *in = gridAtom(300, 300, 1, 0.8f);
    in->appendVisited(4242);
    ASSERT_TRUE(n->convertAtom(in)); EXPECT_TRUE(in->dead);
    drovanAtom *two = nullptr, *three = nullptr;
    for (drovanThing *t = world.thingList; t; t = t->next)
        if (auto *a = dynamic_cast<drovanAtom *>(t)) {
            if (a->colour == 2) two = a;
            if (a->colour == 3) three = a;
        }
    ASSERT_TRUE(two && three); EXPECT_FLOAT_EQ(two->strength, 0.4f); EXPECT_FLOAT_EQ(three->strength, 1.0f);
    bool inherited = false;
    for (int i = 0; i < two->visitedCount; i++) inherited |= two->visited[i] == 4242;
    EXPECT_TRUE(inherited);
    // A two-input rule waits for its partner to be held.
    rule(0).conversion[1] = Conversion{true, 4, 2, -1, 1.0f, 0.0f};
    drovanAtom *lonely = gridAtom(300, 300, 1);
    EXPECT_FALSE(n->convertAtom(lonely)); EXPECT_FALSE(lonely->dead);
}

TEST_F(TermNodeTest, IntakeAndSignalsTravelAlongEdges) {
    rule(0).relation[1].kind = RelEats; rule(0).conversion[3] = Conversion{true, -1, 4, -1, 1.0f, 0.0f};
    rule(0).signalCount = 1; rule(0).signal[0] = SenseRule{-2, 2, 0.5f};
    drovanTermNode *a = node(100, 100, 0), *b = node(200, 100, 1);
    drovanEdge *e = createEdge(a, b, 0, false, -1);
    ASSERT_TRUE(e);
    a->strength = 0.5f; a->vigour = 0.25f; a->intake[1] = 2.0f;
    a->intake[3] = 1.0f; a->processIntake();
    EXPECT_FLOAT_EQ(a->strength, 0.75f); EXPECT_FLOAT_EQ(a->intake[1], 0.0f);
    EXPECT_FLOAT_EQ(a->intake[3], 0.0f); EXPECT_FLOAT_EQ(b->intake[4], 1.0f);
    EXPECT_FLOAT_EQ(b->intake[2], 0.5f); EXPECT_FLOAT_EQ(e->strength, 1.0f);
}

TEST_F(TermNodeTest, ColoursOutsideTheTableAreIgnored) {
    rule(0).relation[1].kind = RelCollects; rule(0).reproduceAt[1] = 1;
    rule(0).decomposition[1] = Decomposition{true, -2, 3.0f}; rule(0).signalCount = 1;
    rule(0).signal[0] = SenseRule{-2, -2, 1.0f};
    rule(0).conversion[2] = Conversion{true, 25, -1, -1, 1.0f, 1.0f};
    drovanTermNode *n = node(100, 100, 0), *m = node(110, 100, 1);
    m->strength = 0.2f; createEdge(n, m, 0, false, -1);
    gridAtom(104, 100, -1); gridAtom(96, 100, 25);
    n->addCollected(-1, 1); n->addCollected(kMaxColors, 1);
    n->intake[2] = 1.0f;
    n->update(); n->decomposeTouching(m, 5.0f);
    EXPECT_TRUE(m->dead); EXPECT_FALSE(n->convertIntake(-3, 1.0f));
}

TEST_F(TermNodeTest, BodyNodeReproducesItsMetanode) {
    initPatternSlots();
    drovanMetaNodePat *pat = patternSlot(0);
    ASSERT_TRUE(pat->addNode(10, 0, 0) && pat->addNode(-10, 0, 0));
    drovanMetaNode *m = placeMetaNode(0, 1000, 1000);
    ASSERT_TRUE(m && m->body);
    auto *member = dynamic_cast<drovanTermNode *>(m->body->nodes[0]);
    ASSERT_TRUE(member);
    pat->addInstances(58);
    member->reproduce();  // the slot now counts 60: the parent lives on
    EXPECT_EQ(m->slotInstances(), 60); EXPECT_GT(m->strength, 0.0f);
    member->reproduce();
    EXPECT_EQ(m->slotInstances(), 61); EXPECT_EQ(m->strength, 0.0f);
    killAll(); deleteAllPatterns();
}

}  // namespace
