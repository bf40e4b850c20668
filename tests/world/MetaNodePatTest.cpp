#include <gtest/gtest.h>

#include "rules/ColorTable.h"
#include "world/Edge.h"
#include "world/MetaNodePat.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/WorldStore.h"

namespace {

class MetaNodePatTest : public ::testing::Test {
protected:
    void SetUp() override {
        killAll();
        resetSettings();
        for (int i = 0; i < kMaxColors; i++) resetColorRule(colorTable[i]);
        colorCount = 3;
        rebuildColors();
        initPatternSlots();
        setRandState(1);
        pat = patternSlot(0);
    }
    void TearDown() override {
        initPatternSlots();
        killAll();
    }
    int edgesBetween(drovanNode *a, drovanNode *b) {
        int n = 0;
        for (int j = 0; j < pat->edgeCount; j++) {
            drovanEdge *e = pat->edges[j];
            if (!e) continue;
            if ((e->fromIndex == a->nodeIndex && e->toIndex == b->nodeIndex) ||
                (e->fromIndex == b->nodeIndex && e->toIndex == a->nodeIndex))
                n++;
        }
        return n;
    }
    drovanMetaNodePat *pat = nullptr;
};

TEST_F(MetaNodePatTest, EditingFindsMovesAndConnects) {
    drovanNode *a = pat->addNode(0, 0, 0);
    drovanNode *b = pat->addNode(10, 0, 1);
    drovanNode *c = pat->addNode(200, 0, 2);
    drovanEdge *ab = pat->addEdge(a, b, false, -1);
    ASSERT_TRUE(a && b && c && ab);

    // Overlapping nodes: the earlier one in the list is hit.
    EXPECT_EQ(pat->hitNode(5, 0), a->id);
    EXPECT_EQ(pat->hitNode(1000, 1000), -1);
    EXPECT_EQ(pat->findThing(ab->id), ab);

    pat->moveNodeBy(b->id, 5, 5, false);
    EXPECT_EQ(ab->lineEnd.x, 15.0f);

    // a unselected, b and c selected: a is joined to each selected node once.
    b->selected = c->selected = 1;
    pat->connect(a->id, b->id, true);
    pat->connect(a->id, b->id, true);
    EXPECT_EQ(edgesBetween(a, b), 1);
    EXPECT_EQ(edgesBetween(a, c), 1);
    EXPECT_EQ(edgesBetween(b, c), 0);
    EXPECT_EQ(pat->edgeCount, 2);
    pat->clearSelection();
    EXPECT_FALSE(b->selected);
    pat->connect(b->id, c->id, false);
    EXPECT_EQ(pat->edgeCount, 3);

    // A removed thing leaves a gap; the count stays.
    pat->thingRemoved(b->id);
    EXPECT_EQ(pat->nodes[1], nullptr);
    EXPECT_EQ(pat->nodeCount, 3);
    delete b;

    pat->addInstances(2);
    pat->addInstances(-5);
    EXPECT_EQ(pat->instances(), 0);
}

TEST_F(MetaNodePatTest, InstantiateScalesIntoTheWorld) {
    drovanNode *a = pat->addNode(100, -50, 0);
    drovanNode *b = pat->addNode(-20, 30, 1);
    pat->addEdge(a, b, true, 2);
    pat->vigour = 0.4f;

    drovanMetaNodePat *body = pat->instantiate(0.1f);
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->registered);
    EXPECT_EQ(body->patternIndex, -1);
    EXPECT_FLOAT_EQ(body->patternRadius, 3.2f);
    EXPECT_FLOAT_EQ(body->vigour, 0.4f);
    ASSERT_EQ(body->nodeCount, 2);
    drovanNode *c = body->nodes[0];
    EXPECT_FLOAT_EQ(c->position().x, 10.0f);
    EXPECT_FLOAT_EQ(c->position().y, -5.0f);
    EXPECT_FLOAT_EQ(c->scale(), 0.1f);
    EXPECT_EQ(nodeAt(c->nodeIndex), c);
    EXPECT_EQ(world.nodeTableCount, 2);
    ASSERT_EQ(body->edgeCount, 1);
    drovanEdge *e = body->edges[0];
    EXPECT_TRUE(e->directed);
    EXPECT_EQ(e->edgeColour, 2);
    EXPECT_EQ(adjacency[c->nodeIndex][body->nodes[1]->nodeIndex], e);
    EXPECT_EQ(c->edgeCount, 1);

    // The body's own disposal hands its world things back to the world.
    delete body;
    EXPECT_TRUE(c->dead);
    EXPECT_TRUE(e->dead);
    purgeDead();
    EXPECT_EQ(world.nodeTableCount, 0);
}

TEST_F(MetaNodePatTest, InstantiateWithAFullTableLeavesEmptyEntries) {
    drovanNode *a = pat->addNode(0, 0, 0);
    drovanNode *b = pat->addNode(10, 0, 0);
    pat->addEdge(a, b, false, -1);
    while (world.nodeTableCount < kNodeTableSize - 1) ASSERT_NE(createNode(1000, 1000, 0), nullptr);
    drovanMetaNodePat *body = pat->instantiate(0.1f);
    ASSERT_NE(body, nullptr);
    EXPECT_NE(body->nodes[0], nullptr);
    EXPECT_EQ(body->nodes[1], nullptr);
    EXPECT_EQ(body->edges[0], nullptr);
    body->kill();
    killAll();
    EXPECT_EQ(world.nodeTableCount, 0);
}

}  // namespace
