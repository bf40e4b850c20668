#include "support/WorldFixture.h"
#include "world/CiliaNode.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Walkers.h"
#include "world/WorldStep.h"

namespace {

// Colour 0 swims; it likes colour 1 and dislikes colour 2.
class CiliaNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorCount = 4;
        colorTable[0].nodeKind = 2;
        colorTable[0].relation[1].affinity = 1.0f;
        colorTable[0].relation[2].affinity = -1.0f;
        setWalkerTraceStream(nullptr);
        cilia = dynamic_cast<drovanCiliaNode *>(createNode(500, 500, 0));
        ASSERT_TRUE(cilia);
    }
    drovanAtom *atomAt(float dx, float dy, int c, float s = 1.0f) {
        drovanAtom *a = new drovanAtom(500 + dx, 500 + dy, c, -1);
        a->strength = s;
        rebuildAtomGrid();
        return a;
    }
    drovanCiliaNode *cilia = nullptr;
};

TEST_F(CiliaNodeTest, LikedAtomDrawsDislikedAtomRepels) {
    EXPECT_FLOAT_EQ(cilia->strength, 0.75f);
    drovanAtom *liked = atomAt(3, 0, 1);
    cilia->feelAtoms();
    EXPECT_TRUE(liked->dead);
    EXPECT_NEAR(cilia->swimVelocity.x, 5.0f, 1e-5);
    EXPECT_NEAR(cilia->swimVelocity.y, 0.0f, 1e-5);

    cilia->swimVelocity = vec2();
    drovanAtom *disliked = atomAt(0, 3, 2, 0.5f);
    cilia->feelAtoms();
    EXPECT_TRUE(disliked->dead);
    EXPECT_NEAR(cilia->swimVelocity.x, 0.0f, 1e-5);
    EXPECT_NEAR(cilia->swimVelocity.y, -2.5f, 1e-5);
}

TEST_F(CiliaNodeTest, NeutralAtomStaysAndCentredAtomIsOnlyKilled) {
    colorTable[0].relation[3].kind = RelInvigoratedBy;
    cilia->vigour = 0.5f;
    drovanAtom *plain = atomAt(3, 3, 3);
    cilia->feelAtoms();
    EXPECT_FALSE(plain->dead);
    EXPECT_TRUE(cilia->swimVelocity.isZero());
    EXPECT_FLOAT_EQ(cilia->vigour, 0.55f);

    plain->kill();
    drovanAtom *centre = atomAt(0, 0, 1);
    cilia->feelAtoms();
    EXPECT_TRUE(centre->dead);
    EXPECT_TRUE(cilia->swimVelocity.isZero());
}

TEST_F(CiliaNodeTest, InhibitionDelaysFeeling) {
    colorTable[0].nodeDecayRate = colorTable[0].nodeAgeRate = 0.0f;
    cilia->setInhibition(3);
    drovanAtom *a = atomAt(3, 0, 1);
    cilia->update();
    cilia->update();
    EXPECT_FALSE(a->dead);
    rebuildAtomGrid();
    cilia->update();
    EXPECT_TRUE(a->dead);
}

TEST_F(CiliaNodeTest, SwimmingSlowsAndMovesTheNode) {
    cilia->swimVelocity = vec2(1.0f, 0.0f);
    cilia->swim();
    EXPECT_FLOAT_EQ(cilia->swimVelocity.x, 0.999f);
    EXPECT_FLOAT_EQ(cilia->swimSpeed, 0.999f);
    EXPECT_FLOAT_EQ(cilia->position().x, 500.999f);
    cilia->swimVelocity = vec2(0.0005f, 0.0f);
    cilia->swim();
    EXPECT_TRUE(cilia->swimVelocity.isZero());
}

TEST_F(CiliaNodeTest, StaticCiliaStillDecaysAndReceivesOnlyInhibition) {
    colorTable[0].isStatic = true;
    colorTable[0].relation[2].kind = RelInhibitedBy;
    cilia->update();
    EXPECT_LT(cilia->strength, 0.75f);
    cilia->receive(0, 0, 2, -1, 0.3f);
    EXPECT_EQ(cilia->inhibition(), 6);
    cilia->receive(0, 0, 1, -1, 1.0f);
    cilia->receive(0, 0, -2, -1, 1.0f);
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
    EXPECT_FLOAT_EQ(member->beatForce, 5.0f);
    EXPECT_EQ(member->beatCounter, 0);
    EXPECT_NEAR(m->position().x, 1000.0f - 0.7f * 5.0f, 1e-2);
    killAll();
    deleteAllPatterns();
}

}  // namespace
