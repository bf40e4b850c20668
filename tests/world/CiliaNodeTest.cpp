#include "support/WorldFixture.h"
#include "world/CiliaNode.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Walkers.h"

namespace {

// Colour 0 swims; it likes colour 1 and dislikes colour 2.
class CiliaNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorCount = 4; colorTable[0].nodeKind = 2; colorTable[0].relation[1].affinity = 1.0f;
        colorTable[0].relation[2].affinity = -1.0f; setWalkerTraceStream(nullptr);
        cilia = dynamic_cast<drovanCiliaNode *>(createNode(500, 500, 0));
        ASSERT_TRUE(cilia);
    }
    drovanAtom *atomAt(float dx, float dy, int c, float s = 1.0f) { return gridAtom(500 + dx, 500 + dy, c, s); }
    drovanCiliaNode *cilia = nullptr;
};

TEST_F(CiliaNodeTest, FeelingAtomsByAffinity) {
    EXPECT_FLOAT_EQ(cilia->strength, 0.75f);
    colorTable[0].relation[3].kind = RelInvigoratedBy;
    struct Case { float dx, dy; int c; float s, vx, vy; bool eaten; };
    const Case cases[] = {
        {3, 0, 1, 1.0f, 5.0f, 0.0f, true},     // liked: drawn toward
        {0, 3, 2, 0.5f, 0.0f, -2.5f, true},    // disliked: pushed away
        {3, 3, 3, 1.0f, 0.0f, 0.0f, false},    // neutral: stays
        {0, 0, 1, 1.0f, 0.0f, 0.0f, true},     // centred: only killed
    };
    for (const Case &k : cases) {
        cilia->swimVelocity = vec2();
        if (k.c == 3) cilia->vigour = 0.5f;
        drovanAtom *a = atomAt(k.dx, k.dy, k.c, k.s);
        cilia->feelAtoms();
        EXPECT_EQ(a->dead != 0, k.eaten) << k.c;
        EXPECT_NEAR(cilia->swimVelocity.x, k.vx, 1e-5) << k.c;
        EXPECT_NEAR(cilia->swimVelocity.y, k.vy, 1e-5) << k.c;
        a->kill();
    }
    EXPECT_FLOAT_EQ(cilia->vigour, 0.55f);  // the neutral colour invigorates
}

TEST_F(CiliaNodeTest, InhibitionDelaysFeelingAndSwimmingSlows) {
    colorTable[0].nodeDecayRate = colorTable[0].nodeAgeRate = 0.0f;
    cilia->setInhibition(3);
    drovanAtom *a = atomAt(3, 0, 1);
    cilia->update(); cilia->update();
    EXPECT_FALSE(a->dead);
    rebuildAtomGrid(); cilia->update();
    EXPECT_TRUE(a->dead);

    cilia->setPosition(500, 500); cilia->swimVelocity = vec2(1.0f, 0.0f); cilia->swim();
    EXPECT_FLOAT_EQ(cilia->swimVelocity.x, 0.999f); EXPECT_FLOAT_EQ(cilia->swimSpeed, 0.999f);
    EXPECT_FLOAT_EQ(cilia->position().x, 500.999f);
    cilia->swimVelocity = vec2(0.0005f, 0.0f); cilia->swim();
    EXPECT_TRUE(cilia->swimVelocity.isZero());
}

TEST_F(CiliaNodeTest, StaticCiliaStillDecaysAndReceivesOnlyInhibition) {
    colorTable[0].isStatic = true; colorTable[0].relation[2].kind = RelInhibitedBy;
    cilia->update(); EXPECT_LT(cilia->strength, 0.75f);
    cilia->receive(0, 0, 2, -1, 0.3f); EXPECT_EQ(cilia->inhibition(), 6);
    cilia->receive(0, 0, 1, -1, 1.0f); cilia->receive(0, 0, -2, -1, 1.0f);
    cilia->receive(0, 0, 2, -1, 1e30f);  // saturates instead of overflowing
    EXPECT_GT(cilia->inhibition(), 6);
    for (float v : cilia->intake) EXPECT_EQ(v, 0.0f);
}

TEST_F(CiliaNodeTest, BodyCiliaBeatsItsMetanodeBackwards) {
    initPatternSlots();
    drovanMetaNodePat *pat = patternSlot(1);
    ASSERT_TRUE(pat->addNode(0, 20, 0) && pat->addNode(0, -20, 3));
    drovanMetaNode *m = placeMetaNode(1, 1000, 1000);
    ASSERT_TRUE(m && m->body);
    auto *member = dynamic_cast<drovanCiliaNode *>(m->body->nodes[0]);
    ASSERT_TRUE(member);
    member->beatCounter = 12;
    member->receive(0, 0, 1, -1, 1.0f);  // a liked colour: beat at once
    EXPECT_FLOAT_EQ(member->beatForce, 5.0f); EXPECT_EQ(member->beatCounter, 0);
    EXPECT_NEAR(m->position().x, 1000.0f - 0.7f * 5.0f, 1e-2);
    killAll(); deleteAllPatterns();
}

}  // namespace
