#include "support/WorldFixture.h"
#include "world/DonutNode.h"
#include "world/Walkers.h"

namespace {

// Colour 0 is a donut turning colour 1 into colour 2.
class DonutNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        colorCount = 4;
        colorTable[0].nodeKind = 1;
        colorTable[0].conversion[0] = Conversion{true, 3, 1, -1, 1.0f, 0.0f};  // two inputs: not a donut rule
        setWalkerTraceStream(nullptr);
    }
    DonutNode *donut(float factor, float x = 500) {
        colorTable[0].conversion[1] = Conversion{true, -1, 2, -1, factor, 0.0f};
        return dynamic_cast<DonutNode *>(createNode(x, 500, 0));
    }
    Atom *touch(DonutNode *d, int c, int creator = -1) {
        Atom *a = gridAtom(d->position().x + 5, 500, c, 1.0f, creator);
        d->touchAtoms();
        return a;
    }
};

TEST_F(DonutNodeTest, FactorsSetHowManyOutputsEachInputMakes) {
    Atom *in = touch(donut(2.0f), 1);
    EXPECT_TRUE(in->dead);
    EXPECT_EQ(liveAtoms(2), 2);
    killAll();
    // A quarter: one output per four inputs, the inputs held till then.
    DonutNode *d = donut(0.25f);
    Atom *held[4];
    for (int i = 0; i < 3; i++) held[i] = touch(d, 1);
    EXPECT_EQ(d->collectedTotal, 3);
    EXPECT_EQ(liveAtoms(2), 0);
    held[3] = touch(d, 1);
    EXPECT_EQ(liveAtoms(2), 1);
    EXPECT_EQ(d->collectedTotal, 0);
    for (Atom *a : held) EXPECT_TRUE(a->dead);
    killAll();
    // A negative factor gives m = floor(1 / k) below 0: every touch of an input
    // releases one output, and a held input stays within reach (1 + 2 + 3).
    // A factor of 0 holds and never releases.
    d = donut(-0.5f);
    held[0] = touch(d, 1);
    EXPECT_EQ(liveAtoms(2), 1);
    EXPECT_EQ(d->collectedTotal, 1);
    for (int i = 1; i < 3; i++) held[i] = touch(d, 1);
    EXPECT_EQ(liveAtoms(2), 6);
    EXPECT_EQ(d->collectedTotal, 3);
    EXPECT_FALSE(held[0]->dead);
    killAll();
    d = donut(0.0f);
    for (int i = 0; i < 3; i++) touch(d, 1);
    EXPECT_EQ(liveAtoms(2), 0);
    EXPECT_EQ(d->collectedTotal, 3);
    touch(donut(1e12f, 1500), 1);
    EXPECT_EQ(liveAtoms(2), TermNode::kMaxReleasedAtoms);
}

TEST_F(DonutNodeTest, OtherAtomsAreGuidedIntoItsEdges) {
    DonutNode *d = donut(1.0f);
    Atom *other = touch(d, 3);
    EXPECT_FALSE(other->dead);
    EXPECT_EQ(other->pendingNode, d->id);
    EXPECT_FALSE(touch(d, 1, d->id)->dead);  // its own output is left alone
}

}  // namespace
