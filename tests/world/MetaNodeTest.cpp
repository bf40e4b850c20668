#include <cmath>
#include <stdexcept>
#include <vector>

#include "support/WorldFixture.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"

namespace {

class MetaNodeTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        for (auto &c : colorTable) c.isSterile = c.isStatic = true;  // no stray atoms, no decay
        rebuildColors();
        initPatternSlots();
        rebuildNodeGrid();
    }
    void TearDown() override {
        WorldFixture::TearDown();
        initPatternSlots();
        rebuildNodeGrid();
    }
    // n nodes on a circle of the given radius, each joined to the next.
    static Pattern *ring(int slot, int n, float radius, int colour = 0) {
        Pattern *p = patternSlot(slot);
        for (int i = 0; i < n; i++) {
            float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
            p->addNode(radius * std::cos(a), radius * std::sin(a), colour);
        }
        for (int i = 0; i + 1 < n; i++) p->addEdge(p->nodes[i], p->nodes[i + 1], false, -1);
        return p;
    }
    // Placement that must succeed; a failure ends the test instead of a null dereference.
    static MetaNode *placed(int slot, float x, float y) {
        if (MetaNode *m = placeMetaNode(slot, x, y)) return m;
        throw std::runtime_error("metanode not placed");
    }
    static void fillTableTo(int count) {
        while (world.nodeTableCount < count) ASSERT_NE(createNode(3000, 3000, 1), nullptr);
    }
};

TEST_F(MetaNodeTest, DeathFromHolesWeaknessOrLostBodyCountsOffOnce) {
    // A body dies when a third of its entries are empty.
    for (int n = 1; n <= 5; n++) {
        initPatternSlots();
        ring(0, n, 100);
        MetaNode *holed = placed(0, 900, 900);
        std::exchange(holed->body->nodes[0], nullptr)->kill();
        holed->update();
        EXPECT_EQ(holed->dead != 0, n <= 3) << n << " nodes, one missing";
        EXPECT_EQ(patternSlot(0)->instances(), n <= 3 ? 0 : 1);
        killAll();
    }

    initPatternSlots();
    ring(0, 3, 100);
    MetaNode *a = placed(0, 500, 500), *b = placed(0, 900, 500);
    a->strength = 0.04f;
    a->update();
    a->kill();
    delete b->body;
    EXPECT_TRUE(a->dead && a->body == nullptr && b->dead);
    EXPECT_EQ(patternSlot(0)->instances(), 0);
    purgeDead();
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);
}

TEST_F(MetaNodeTest, DuplicationNeedsRoomInTheTable) {
    ring(0, 3, 100);
    MetaNode *m = placed(0, 500, 500);
    ASSERT_NE(dynamic_cast<MetaNode *>(m->duplicate(false)), nullptr);
    EXPECT_EQ(m->slotInstances(), 2);
    // Room for the copy and its body is needed: 3 + n + 1 must stay below 2056.
    fillTableTo(2052);
    EXPECT_EQ(m->duplicate(false), nullptr);
    nodeAt(firstFreeNodeSlot() - 1)->kill();
    purgeDead();
    EXPECT_NE(m->duplicate(false), nullptr);
}

// The pattern container: editing in a pattern window, and bodies made from it.
TEST_F(MetaNodeTest, PatternEditingConnectsToTheSelectionOnce) {
    Pattern *pat = patternSlot(0);
    Node *a = pat->addNode(0, 0, 0), *b = pat->addNode(10, 0, 1), *c = pat->addNode(200, 0, 2);
    pat->addNode(300, 0, 1);
    pat->addEdge(a, b, false, -1);
    // a and d unselected, b and c selected: a is joined to each selected node once.
    b->selected = c->selected = 1;
    pat->connect(a->id, b->id, true, -1);
    pat->connect(a->id, b->id, true, -1);
    ASSERT_EQ(pat->edgeCount, 2);
    EXPECT_EQ(pat->edges[1]->fromIndex + pat->edges[1]->toIndex, 2) << "a to c";
    auto joined = [&] {
        std::string all;
        for (int j = 0; j < pat->edgeCount; j++)
            all += std::to_string(pat->edges[j]->fromIndex) + std::to_string(pat->edges[j]->toIndex) + " ";
        return all;
    };
    // From a selected node, every selected node is joined; b to c comes once, and no node to itself.
    world.directedEdges = 1;
    pat->connect(b->id, 3, true, -1);
    pat->connect(b->id, c->id, true, -1);
    pat->connect(b->id, c->id, false, -1);
    EXPECT_EQ(joined(), "01 02 13 23 12 ");
    EXPECT_TRUE(pat->edges[2]->directed);
    pat->connect(a->id, -1, true, -1);  // nothing
    pat->connect(a->id, a->id, true, -1);
    EXPECT_EQ(pat->edgeCount, 5);

    // A selected node drags the selection and its edges' ends along; an unselected one goes alone.
    pat->moveNodeBy(b->id, 5, 7, true);
    EXPECT_TRUE(b->position() == Vec2(15, 7) && c->position() == Vec2(205, 7) && a->position() == Vec2(0, 0));
    EXPECT_TRUE(pat->edges[0]->endB == Vec2(15, 7) && pat->edges[4]->lineStart == Vec2(15, 7) &&
                pat->edges[4]->lineEnd == Vec2(205, 7));  // a to b ends at b, b to c runs from b to c
    pat->moveNodeBy(b->id, 1, 1, false);
    pat->moveNodeBy(a->id, -1, 0, true);
    EXPECT_TRUE(c->position() == Vec2(205, 7) && a->position() == Vec2(-1, 0) && pat->edges[1]->endA == Vec2(-1, 0));

    // The window's shift to the world's centre, and picking there.
    pat->translate(1600, 1600);
    EXPECT_TRUE(pat->hitNode(1806, 1609) == c->id && pat->hitNode(1700, 1700) == -1);
    const Edge *bc = pat->edges[4];
    EXPECT_TRUE(bc->endA == Vec2(1616, 1608) && bc->lineStart == bc->endA);
    EXPECT_TRUE(bc->endB == Vec2(1805, 1607) && bc->lineEnd == bc->endB);
    pat->translate(-1600, -1600);
    EXPECT_EQ(pat->nodes[3]->position(), Vec2(300, 0));
    pat->edges[0]->selected = 1;
    pat->clearSelection();
    EXPECT_FALSE(b->selected || c->selected || pat->edges[0]->selected);
}

TEST_F(MetaNodeTest, PatternInstantiatesScaledIntoTheWorldAndHandsBackOnDisposal) {
    Pattern *pat = patternSlot(0);
    Node *a = pat->addNode(100, -50, 0);
    pat->addEdge(a, pat->addNode(-20, 30, 1), true, 2);
    Pattern *body = pat->instantiate(0.1f);
    ASSERT_TRUE(body && body->nodeCount == 2 && body->edgeCount == 1);
    EXPECT_EQ(body->nodes[0]->position(), Vec2(10.0f, -5.0f));
    EXPECT_EQ(adjacency[body->nodes[0]->nodeIndex][body->nodes[1]->nodeIndex], body->edges[0]);
    delete body;
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);

    // With one free table slot the second node and the edge are left empty.
    fillTableTo(kNodeTableSize - 1);
    body = pat->instantiate(0.1f);
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->nodes[0] && !body->nodes[1] && !body->edges[0]);
    body->kill();
    killAll();
    EXPECT_EQ(world.nodeTableCount, 0);
}

}  // namespace
