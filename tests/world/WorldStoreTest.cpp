#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include <vector>

#include "world/Selection.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

struct Probe : Thing {};

class WorldStoreTest : public ::testing::Test {
protected:
    void SetUp() override { killAll(); }
    void TearDown() override { killAll(); }
};

}  // namespace

TEST_F(WorldStoreTest, IdBucketsAndChangeId) {
    EXPECT_EQ(findThing(-1), nullptr);
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    changeId(a, 0);
    changeId(b, 1000);
    changeId(c, 2000);
    EXPECT_TRUE(findThing(0) == a && findThing(1000) == b && findThing(2000) == c);
    delete b;
    EXPECT_EQ(findThing(2000), c);

    // Taking a held id moves the holder to the next free id.
    changeId(c, 5000005);
    int oldNext = world.nextId;
    EXPECT_EQ(oldNext, 5000006) << "the next id follows the highest taken";
    changeId(a, 5000005);
    EXPECT_TRUE(a->id == 5000005 && c->id == oldNext);
    EXPECT_TRUE(findThing(5000005) == a && findThing(oldNext) == c);
    EXPECT_TRUE(world.nextId > a->id && world.nextId > c->id);

    // Ids far past the paged range are found through the buckets alone.
    changeId(a, 300000007);
    EXPECT_TRUE(findThing(300000007) == a && findThing(5000005) == nullptr);
    changeId(c, 300000007);
    EXPECT_TRUE(findThing(300000007) == c && findThing(a->id) == a);

    // Negative ids are kept but never found; unlinking must stay inside the buckets.
    changeId(a, -7);
    EXPECT_EQ(a->id, -7);
    EXPECT_EQ(findThing(-7), nullptr);
    delete a;

    // An unregistered thing only changes its id.
    Probe *d = new Probe;
    unregister(d);
    int next = world.nextId;
    changeId(d, 77);
    EXPECT_EQ(d->id, 77);
    EXPECT_EQ(world.nextId, next);
    EXPECT_EQ(findThing(77), nullptr);
    delete d;
}

// No id lies past the top of the int range: taking it leaves nextId alone, and
// once nextId reaches it, ids start again from 0, passing over those in use.
TEST_F(WorldStoreTest, IdsAtTheTopOfTheIntRange) {
    const int savedNext = world.nextId;
    Probe *top = new Probe, *zero = new Probe, *one = new Probe, *low = new Probe;
    int next = world.nextId;
    changeId(top, INT_MAX);
    changeId(low, INT_MIN);
    EXPECT_TRUE(findThing(INT_MAX) == top && low->id == INT_MIN && world.nextId == next);
    changeId(zero, 0);
    changeId(one, 1);
    ASSERT_TRUE(!findThing(2) && !findThing(3) && !findThing(4) && !findThing(INT_MAX - 1));

    world.nextId = INT_MAX - 1;
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    EXPECT_EQ(std::vector<int>({a->id, b->id, c->id}), std::vector<int>({INT_MAX - 1, 2, 3}));
    EXPECT_TRUE(world.idsWrapped && world.nextId == 4);
    // A holder moved off a taken id also gets a free one.
    changeId(a, 1);
    EXPECT_TRUE(findThing(1) == a && one->id == 4 && findThing(4) == one);
    killAll();
    world.nextId = savedNext;
    world.idsWrapped = false;
}

TEST_F(WorldStoreTest, PurgeKillAllAndSelection) {
    Probe *a = new Probe, *b = new Probe, *c = new Probe;
    a->selected = c->selected = 1;
    killSelectionWith(b);  // b is not selected: only b dies
    EXPECT_TRUE(b->dead && !a->dead && !c->dead);
    EXPECT_EQ(findThing(b->id), b) << "dead things are found until deleted";
    int bid = b->id;
    purgeDead();
    EXPECT_EQ(findThing(bid), nullptr);
    EXPECT_EQ(findThing(a->id), a);
    killSelectionWith(a);
    EXPECT_TRUE(a->dead && c->dead);
    Probe *d = new Probe;
    d->selected = 1;
    clearSelection();
    EXPECT_FALSE(d->selected);

    int next = world.nextId;
    killAll();
    EXPECT_TRUE(world.thingCount == 0 && world.thingList == nullptr && world.nextId == next);
    killAll();  // on an empty list: nothing
    EXPECT_EQ(world.thingCount, 0);
}

namespace {
// Its deletion kills others (and may make one and kill it), as a container's
// deletion kills what it holds; the deletions are logged by id.
struct Killer : Thing {
    std::vector<Thing *> victims;
    bool breeds = false;
    static std::vector<int> deleted;
    ~Killer() override {
        deleted.push_back(id);
        for (Thing *v : victims) v->kill();
        if (breeds) (new Killer)->kill();
    }
};
std::vector<int> Killer::deleted;

// The deletions so far, each as its place in ids (ids.size() for one not
// there), oldest first; the log starts again.
std::vector<int> deletedAmong(const std::vector<int> &ids) {
    std::vector<int> d;
    for (int id : Killer::deleted) d.push_back(static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin()));
    Killer::deleted.clear();
    return d;
}

// Kills the middle of five things, whose deletion kills one older and one
// newer thing and makes and kills a new one: the purge deletes the middle
// one and the older one, in that order; the newer and the new wait.
std::vector<std::vector<int>> purgeWithKillsMeanwhile() {
    Killer::deleted.clear();
    Killer *k[5];
    for (Killer *&t : k) t = new Killer;
    k[2]->victims = {k[0], k[4]};
    k[2]->breeds = true;
    std::vector<int> ids;
    for (Killer *t : k) ids.push_back(t->id);
    k[2]->kill();
    k[2]->kill();  // a second kill changes nothing
    std::vector<std::vector<int>> log;
    for (int r = 0; r < 3; r++) {
        purgeDead();
        log.push_back(deletedAmong(ids));
    }
    // Things killed meanwhile behind the walk go newest first, as the walk meets them.
    Killer *o[4];
    for (Killer *&t : o) t = new Killer;
    o[3]->victims = {o[0], o[1], o[2]};
    const std::vector<int> byAge{o[0]->id, o[1]->id, o[2]->id, o[3]->id};
    o[3]->kill();
    purgeDead();
    log.push_back(deletedAmong(byAge));
    return log;
}
}  // namespace

TEST_F(WorldStoreTest, PurgeLeavesThingsKilledBehindItForTheNextOne) {
    const std::vector<std::vector<int>> want{{2, 0}, {5, 4}, {}, {3, 2, 1, 0}};
    purgeDead();  // holes left by earlier tests closed: the next purge visits only the killed
    EXPECT_EQ(purgeWithKillsMeanwhile(), want);
    EXPECT_EQ(world.thingCount, 2);  // k[1] and k[3]
    // Again when the purge first closes the table's holes and so walks every thing.
    killAll();
    std::vector<Thing *> filler;
    for (int k = 0; k < 3000; k++) filler.push_back(new Probe);
    for (int k = 0; k < 3000; k++)
        if (k % 6) filler[static_cast<size_t>(k)]->kill();
    purgeDead();
    EXPECT_EQ(purgeWithKillsMeanwhile(), want);
}
