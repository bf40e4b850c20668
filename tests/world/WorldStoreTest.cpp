#include <gtest/gtest.h>

#include <vector>

#include "world/Random.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

// A thing that records every removal notice it receives.
struct Probe : drovanThing {
    std::vector<int> removed;
    static std::vector<int> *order;
    void thingRemoved(int id) override {
        removed.push_back(id);
        if (order) order->push_back(this->id);
    }
};
std::vector<int> *Probe::order = nullptr;

class WorldStoreTest : public ::testing::Test {
protected:
    void SetUp() override { killAll(); }
    void TearDown() override { killAll(); }
};

}  // namespace

TEST(Random, FirstDrawsMatchTheClassicGenerator) {
    uint32_t saved = randState();
    setRandState(1);
    EXPECT_EQ(drovanRand(), 41);
    EXPECT_EQ(drovanRand(), 18467);
    EXPECT_EQ(drovanRand(), 6334);
    setRandState(saved);
}

TEST_F(WorldStoreTest, RegistryKeepsNewestFirstAndCounts) {
    int before = world.thingCount;
    int firstId = world.nextId;
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    EXPECT_EQ(world.thingCount, before + 3);
    EXPECT_EQ(a->id, firstId);
    EXPECT_EQ(c->id, firstId + 2);
    EXPECT_EQ(world.thingList, c);
    EXPECT_EQ(c->next, b);
    EXPECT_EQ(b->next, a);
    EXPECT_TRUE(a->registered);
    delete b;
    EXPECT_EQ(c->next, a);
    EXPECT_EQ(findThing(firstId + 1), nullptr);
    EXPECT_EQ(world.thingCount, before + 2);
    // Ids are never reused.
    Probe *d = new Probe;
    EXPECT_EQ(d->id, firstId + 3);
}

TEST_F(WorldStoreTest, BucketsShareModuloThousandAndFindTheirOwn) {
    EXPECT_EQ(findThing(-1), nullptr);
    Probe *a = new Probe;
    changeId(a, 0);
    Probe *b = new Probe;
    changeId(b, 1000);
    Probe *c = new Probe;
    changeId(c, 2000);
    EXPECT_EQ(findThing(0), a);
    EXPECT_EQ(findThing(1000), b);
    EXPECT_EQ(findThing(2000), c);
    // Tail append: the chain of bucket 0 runs a, b, c.
    EXPECT_EQ(world.idIndex[0], a);
    EXPECT_EQ(a->bucketNext, b);
    EXPECT_EQ(b->bucketNext, c);
    delete b;
    EXPECT_EQ(findThing(2000), c);
    EXPECT_EQ(a->bucketNext, c);
}

TEST_F(WorldStoreTest, ChangeIdMovesTheHolderToNextId) {
    Probe *a = new Probe;
    Probe *b = new Probe;
    changeId(b, 5000005);  // make room far ahead
    int oldNext = world.nextId;
    changeId(a, 5000005);
    EXPECT_EQ(a->id, 5000005);
    EXPECT_EQ(b->id, oldNext);
    EXPECT_EQ(findThing(5000005), a);
    EXPECT_EQ(findThing(oldNext), b);
    EXPECT_GT(world.nextId, a->id);
    EXPECT_GT(world.nextId, b->id);
}

TEST_F(WorldStoreTest, NegativeIdsAreKeptButNeverFound) {
    Probe *a = new Probe;
    changeId(a, -7);
    EXPECT_EQ(a->id, -7);
    EXPECT_EQ(findThing(-7), nullptr);
    delete a;  // unlinking must not touch memory outside the buckets
}

TEST_F(WorldStoreTest, UnregisteredThingOnlyChangesItsId) {
    Probe *a = new Probe;
    unregister(a);
    int next = world.nextId;
    changeId(a, 77);
    EXPECT_EQ(a->id, 77);
    EXPECT_EQ(world.nextId, next);
    EXPECT_EQ(findThing(77), nullptr);
    delete a;
}

TEST_F(WorldStoreTest, DestructionNotifiesEveryOtherThingInListOrder) {
    std::vector<int> order;
    Probe::order = &order;
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    int bid = b->id;
    delete b;
    Probe::order = nullptr;
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], c->id);  // newest first
    EXPECT_EQ(order[1], a->id);
    EXPECT_EQ(a->removed.back(), bid);
}

TEST_F(WorldStoreTest, PurgeDeletesOnlyDeadThingsAndKillAllEmpties) {
    Probe *a = new Probe, *b = new Probe;
    b->kill();
    EXPECT_EQ(findThing(b->id), b);  // dead things are found until deleted
    int bid = b->id;
    purgeDead();
    EXPECT_EQ(findThing(bid), nullptr);
    EXPECT_EQ(findThing(a->id), a);
    int next = world.nextId;
    killAll();
    EXPECT_EQ(world.thingCount, 0);
    EXPECT_EQ(world.thingList, nullptr);
    EXPECT_EQ(world.nextId, next);
    killAll();  // on an empty list: nothing
    EXPECT_EQ(world.thingCount, 0);
}

TEST_F(WorldStoreTest, SelectionOperations) {
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    a->selected = c->selected = 1;
    killSelectionWith(b);  // b is not selected: only b dies
    EXPECT_TRUE(b->dead);
    EXPECT_FALSE(a->dead);
    killSelectionWith(a);
    EXPECT_TRUE(a->dead);
    EXPECT_TRUE(c->dead);
    purgeDead();
    Probe *d = new Probe;
    d->selected = 1;
    clearSelection();
    EXPECT_FALSE(d->selected);
}

TEST_F(WorldStoreTest, SettingsClampAndReset) {
    setSpeed(7);
    EXPECT_EQ(world.speed, 3);
    setSpeed(-1);
    EXPECT_EQ(world.speed, 0);
    setEdgeConstraint(-3);
    EXPECT_EQ(world.edge_constraint, 0);
    EXPECT_EQ(world.maxEdges, -1);
    setEdgeConstraint(9);
    EXPECT_EQ(world.edge_constraint, 5);
    EXPECT_EQ(world.maxEdges, 5);

    world.speed = 1;
    world.placeColour = 2;
    world.inertia = world.closed_world = world.discover_edges = 1;
    world.anneal = 0;
    world.edge_springk = 0.7f;
    world.edge_length = 12.0f;
    resetSettings();
    EXPECT_EQ(world.speed, 1);
    EXPECT_EQ(world.placeColour, 0);
    EXPECT_EQ(world.inertia, 0);
    EXPECT_EQ(world.closed_world, 0);
    EXPECT_EQ(world.discover_edges, 0);
    EXPECT_EQ(world.anneal, 1);
    EXPECT_FLOAT_EQ(world.edge_springk, 0.1f);
    EXPECT_EQ(world.edge_length, 0.0f);
    EXPECT_EQ(world.edge_constraint, 3);
    EXPECT_EQ(world.maxEdges, 3);
    world.speed = 2;
}
