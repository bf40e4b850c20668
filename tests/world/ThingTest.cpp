// Kind tags, the kind lists, the id buckets' tails and the removal-notice
// index: each must give exactly what a walk over thingList would.
#include <vector>

#include "support/WorldFixture.h"

namespace {

// An "other" thing that records, at each notice, which riders are still on.
struct RiderWatch : Thing {
    std::vector<Atom *> riders;
    std::vector<int> heardOn;  // per notice: riders still on an edge
    static std::vector<int> *order;
    void thingRemoved(const Thing *) override {
        int on = 0;
        for (Atom *a : riders) on += a->state == AtomOnEdge;
        heardOn.push_back(on);
        if (order) order->push_back(id);
    }
};
std::vector<int> *RiderWatch::order = nullptr;

class ThingTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        a = new TestNode(0, 0);
        b = new TestNode(100, 0);
        c = new TestNode(0, 100);
        e = createEdge(a, b, 0.0f, false, -1);
        f = createEdge(a, c, 0.0f, false, -1);
    }
    void TearDown() override {
        RiderWatch::order = nullptr;
        WorldFixture::TearDown();
    }
    Atom *rider(Edge *edge) {
        Atom *x = new Atom(0.0f, 0.0f, 0, -1);
        EXPECT_TRUE(x->enterEdge(edge, false, true));
        return x;
    }
    TestNode *a = nullptr, *b = nullptr, *c = nullptr;
    Edge *e = nullptr, *f = nullptr;
};

}  // namespace

TEST_F(ThingTest, BucketsKeepAppendOrderAcrossTailRemovals) {
    // Ids land in bucket id % 1000: use bucket 999, clear of fresh ids.
    TestThing *t[6];
    for (int k = 0; k < 6; k++) t[k] = new TestThing;
    changeId(t[0], 1999);
    changeId(t[1], 2999);
    changeId(t[2], 3999);
    ASSERT_EQ(world.idIndex[999], t[0]);
    delete t[2];  // the tail
    changeId(t[3], 4999);
    EXPECT_EQ(t[0]->bucketNext, t[1]);
    EXPECT_EQ(t[1]->bucketNext, t[3]);
    delete t[0];  // the head
    EXPECT_EQ(world.idIndex[999], t[1]);
    changeId(t[4], 5999);
    EXPECT_EQ(t[3]->bucketNext, t[4]);
    for (int id : {2999, 4999, 5999}) EXPECT_NE(findThing(id), nullptr) << id;
    EXPECT_EQ(findThing(3999), nullptr);
    // Emptied and refilled, the bucket starts again at its head.
    for (int k : {1, 3, 4}) delete t[k];
    EXPECT_EQ(world.idIndex[999], nullptr);
    changeId(t[5], 6999);
    EXPECT_EQ(world.idIndex[999], t[5]);
}

TEST_F(ThingTest, RemovedEdgeTellsItsRidersAndOtherThingsNewestFirst) {
    std::vector<int> order;
    RiderWatch::order = &order;
    RiderWatch *w1 = new RiderWatch;
    Atom *r1 = rider(e);
    RiderWatch *w2 = new RiderWatch;
    Atom *r2 = rider(e);
    Atom *other = rider(f);
    RiderWatch *w3 = new RiderWatch;
    for (RiderWatch *w : {w1, w2, w3}) w->riders = {r1, r2};
    EXPECT_EQ(noticeCandidateCount(e->id), 3 + 2);
    EXPECT_EQ(e->atomsOnEdge, 2);
    delete e;
    // Newest first: w3 hears before either rider leaves, w2 after r2, w1 after both.
    EXPECT_EQ(order, (std::vector<int>{w3->id, w2->id, w1->id}));
    EXPECT_EQ((std::vector<std::vector<int>>{w3->heardOn, w2->heardOn, w1->heardOn}),
              (std::vector<std::vector<int>>{{2}, {1}, {0}}));
    EXPECT_TRUE(r1->state == AtomFree && r2->state == AtomFree && other->state == AtomOnEdge);
    EXPECT_EQ(f->atomsOnEdge, 1);
    // The riders go before the watchers when the world is emptied.
    for (RiderWatch *w : {w1, w2, w3}) w->riders.clear();

    // A removed atom tells only other things; unregistered ones hear nothing.
    order.clear();
    RiderWatch *gone = new RiderWatch;
    unregister(gone);
    Atom *x = new Atom(0, 0, 0, -1);
    EXPECT_EQ(noticeCandidateCount(x->id), 3);
    delete x;
    EXPECT_EQ(order, (std::vector<int>{w3->id, w2->id, w1->id}));
    EXPECT_TRUE(gone->heardOn.empty());
    delete gone;
}

TEST_F(ThingTest, NoticeIndexFollowsEveryChangeOfRideAndHold) {
    Atom *x = rider(e);
    EXPECT_EQ(noticeCandidateCount(e->id), 1);
    x->leaveEdge();
    EXPECT_EQ(noticeCandidateCount(e->id), 0);
    ASSERT_TRUE(x->enterEdge(f, false, true));
    EXPECT_EQ(noticeCandidateCount(f->id), 1);
    // Leaving e's list for f's: removing e no longer concerns x.
    delete e;
    EXPECT_EQ(x->state, AtomOnEdge);
    EXPECT_TRUE(x->holdBy(c->id));  // leaves f, held by c
    EXPECT_EQ(noticeCandidateCount(f->id), 0);
    EXPECT_EQ(noticeCandidateCount(c->id), 1);
    x->release();
    EXPECT_EQ(noticeCandidateCount(c->id), 0);
    EXPECT_TRUE(x->holdBy(c->id));
    x->kill();
    EXPECT_EQ(noticeCandidateCount(c->id), 0);
    // A held atom is released when its holder goes, whatever kind of walk tells it.
    Atom *y = new Atom(0, 100, 1, -1);
    ASSERT_TRUE(y->holdBy(c->id));
    delete c;
    EXPECT_EQ(y->state, AtomFree);
    EXPECT_EQ(noticeCandidateCount(f->id), 0);
}
