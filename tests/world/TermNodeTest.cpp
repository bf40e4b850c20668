#include <cstdio>

#include "support/WorldFixture.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/TermNode.h"
#include "world/Walkers.h"

namespace {

class TermNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorCount = 5;
        world.maxEdges = -1;
        setWalkerTraceStream(nullptr);
    }
    TermNode *node(float x, float y, int c) { return dynamic_cast<TermNode *>(createNode(x, y, c)); }
    ColorRule &rule(int c) { return colorTable[c]; }
};

// A node without extent falls by depth / 0 and dies, leaving a bounded number of atoms.
TEST_F(TermNodeTest, DecomposingANodeWithoutExtentKillsIt) {
    rule(0).decomposition[3] = Decomposition{true, 2, 1.0f};
    rule(3).size = 0.0f;
    TermNode *strong = node(1000, 100, 0), *dot = node(1000, 100, 3);
    dot->strength = 0.5f;
    strong->decomposeTouching(dot, 3.0f);
    EXPECT_TRUE(dot->dead);
    EXPECT_EQ(liveAtoms(2), TermNode::kMaxReleasedAtoms);
}

TEST_F(TermNodeTest, ColoursOutsideTheTableAreIgnored) {
    rule(0).relation[1].kind = RelCollects;
    rule(0).reproduceAt[1] = 1;
    rule(0).decomposition[1] = Decomposition{true, -2, 3.0f};
    rule(0).signalCount = 1;
    rule(0).signal[0] = SenseRule{-2, -2, 1.0f};
    rule(0).conversion[2] = Conversion{true, 25, -1, -1, 1.0f, 1.0f};
    TermNode *n = node(100, 100, 0), *m = node(110, 100, 1);
    m->strength = 0.2f;
    createEdge(n, m, 0, false, -1);
    gridAtom(104, 100, -1);
    gridAtom(96, 100, 25);
    n->addCollected(-1, 1);
    n->addCollected(kMaxColors, 1);
    n->intake[2] = 1.0f;
    n->update();
    n->decomposeTouching(m, 5.0f);
    EXPECT_TRUE(m->dead);
    EXPECT_FALSE(n->convertIntake(-3, 1.0f));
}

// Intake of any colour, the last too, is taken in the step it came.
TEST_F(TermNodeTest, IntakeOfEveryColourIsTaken) {
    rule(0).relation[3].kind = RelEats;
    for (int c : {0, 3, kMaxColors - 1}) {
        TermNode *n = node(100, 100, 0);
        n->strength = 0.5f;
        n->vigour = 0.25f;
        n->intake[c] = 1.0f;
        n->processIntake();
        EXPECT_EQ(n->intake[c], 0.0f) << c;
        EXPECT_FLOAT_EQ(n->strength, c == 3 ? 0.75f : 0.5f) << c;
    }
}

TEST_F(TermNodeTest, BodyNodeReproducesItsMetanode) {
    initPatternSlots();
    Pattern *pat = patternSlot(0);
    ASSERT_TRUE(pat->addNode(10, 0, 0) && pat->addNode(-10, 0, 0));
    MetaNode *m = placeMetaNode(0, 1000, 1000);
    ASSERT_TRUE(m && m->body);
    auto *member = dynamic_cast<TermNode *>(m->body->nodes[0]);
    ASSERT_TRUE(member);
    pat->addInstances(58);
    member->reproduce();  // the slot now counts 60: the parent lives on
    EXPECT_EQ(m->slotInstances(), 60);
    EXPECT_FLOAT_EQ(m->strength, 1.0f);
    member->reproduce();
    EXPECT_EQ(m->slotInstances(), 61);
    EXPECT_EQ(m->strength, 0.0f);
    killAll();
    deleteAllPatterns();
}

}  // namespace
