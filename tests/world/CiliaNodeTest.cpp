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
    CiliaNode *cilia = nullptr;
};

// Cilia at the limits (the golden worlds show them at work): an inhibition
// too long to count saturates, a colour outside the table or without an
// effect changes nothing, a static cilia node still weakens, and a swim too
// slow to go on stops.
TEST_F(CiliaNodeTest, InhibitionSaturatesStaticCiliaWeakensASlowSwimStops) {
    colorTable[0].isStatic = true;
    colorTable[0].relation[2].kind = RelInhibitedBy;
    cilia->update();
    EXPECT_LT(cilia->strength, 0.75f);
    cilia->receive(0, 0, 2, -1, 0.3f);
    EXPECT_EQ(cilia->inhibition(), 6);
    cilia->receive(0, 0, 1, -1, 1.0f);
    cilia->receive(0, 0, -2, -1, 1.0f);
    cilia->receive(0, 0, 2, -1, 1e30f);
    EXPECT_EQ(cilia->inhibition(), INT_MAX);
    for (float v : cilia->intake) EXPECT_EQ(v, 0.0f);
    cilia->swimVelocity = Vec2(0.0005f, 0.0f);
    cilia->swim();
    EXPECT_TRUE(cilia->swimVelocity.isZero());
}

}  // namespace
