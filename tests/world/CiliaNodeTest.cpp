#include <climits>

#include "support/WorldFixture.h"
#include "world/CiliaNode.h"
#include "world/Walkers.h"

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
        cilia = dynamic_cast<CiliaNode *>(createNode(500, 500, 0));
        ASSERT_TRUE(cilia);
    }
    Atom *atomAt(float dx, float dy, int c, float s = 1.0f) { return gridAtom(500 + dx, 500 + dy, c, s); }
    CiliaNode *cilia = nullptr;
};

TEST_F(CiliaNodeTest, InhibitionDelaysFeelingAndSwimmingSlows) {
    colorTable[0].nodeDecayRate = colorTable[0].nodeAgeRate = 0.0f;
    cilia->setInhibition(3);
    Atom *a = atomAt(3, 0, 1);
    cilia->update();
    cilia->update();
    EXPECT_FALSE(a->dead);
    rebuildAtomGrid();
    cilia->update();
    EXPECT_TRUE(a->dead);

    cilia->setPosition(500, 500);
    cilia->swimVelocity = Vec2(1.0f, 0.0f);
    cilia->swim();
    EXPECT_FLOAT_EQ(cilia->swimVelocity.x, 0.999f);
    EXPECT_FLOAT_EQ(cilia->swimSpeed, 0.999f);
    EXPECT_FLOAT_EQ(cilia->position().x, 500.999f);
    cilia->swimVelocity = Vec2(0.0005f, 0.0f);
    cilia->swim();
    EXPECT_TRUE(cilia->swimVelocity.isZero());
}

TEST_F(CiliaNodeTest, StaticCiliaStillDecaysAndReceivesOnlyInhibition) {
    colorTable[0].isStatic = true;
    colorTable[0].relation[2].kind = RelInhibitedBy;
    cilia->update();
    EXPECT_FLOAT_EQ(cilia->strength, 0.75f - 0.75f * 0.75f * 0.02f);
    cilia->receive(0, 0, 2, -1, 0.3f);
    EXPECT_EQ(cilia->inhibition(), 6);
    cilia->receive(0, 0, 1, -1, 1.0f);
    cilia->receive(0, 0, -2, -1, 1.0f);
    cilia->receive(0, 0, 2, -1, 1e30f);  // saturates instead of overflowing
    EXPECT_EQ(cilia->inhibition(), INT_MAX);
    for (float v : cilia->intake) EXPECT_EQ(v, 0.0f);
}

TEST_F(CiliaNodeTest, AFeltInvigoratingAtomAddsATenthOfItsStrengthTimesVigour) {
    colorTable[0].relation[3].kind = RelInvigoratedBy;
    cilia->vigour = 0.5f;
    Atom *a = atomAt(3, 0, 3, 0.8f);
    cilia->feelAtoms();
    EXPECT_FLOAT_EQ(cilia->vigour, 0.5f + 0.8f * 0.5f * 0.1f);
    EXPECT_FALSE(a->dead);  // no affinity: the atom stays
}

}  // namespace
