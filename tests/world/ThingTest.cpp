// Kind tags, the kind lists, the id buckets' tails and the removal-notice
// index: each must give exactly what a walk over thingList would.
#include <algorithm>
#include <vector>

#include "support/WorldFixture.h"

namespace {

// An "other" thing that records, at each notice, which riders are still on.
struct RiderWatch : drovanThing {
    std::vector<drovanAtom *> riders;
    std::vector<int> heardOn;  // per notice: riders still on an edge
    static std::vector<int> *order;
    void thingRemoved(int id) override {
        (void)id;
        int on = 0;
        for (drovanAtom *a : riders) on += a->state == AtomOnEdge;
        heardOn.push_back(on);
        if (order) order->push_back(this->id);
    }
};
std::vector<int> *RiderWatch::order = nullptr;

class ThingTest : public WorldFixture {
protected:
    drovanAtom *rider(drovanEdge *e) {
        drovanAtom *a = new drovanAtom(0.0f, 0.0f, 0, -1);
        EXPECT_TRUE(a->enterEdge(e, false, true));
        return a;
    }
    template <class F>
    std::vector<drovanThing *> listed(F keep) {
        std::vector<drovanThing *> v;
        for (drovanThing *t = world.thingList; t; t = t->next)
            if (keep(t)) v.push_back(t);
        return v;
    }
    std::vector<drovanThing *> ofKind(ThingKind k) {
        std::vector<drovanThing *> v;
        for (drovanThing *t = firstOfKind(k); t; t = t->kindNext) v.push_back(t);
        return v;
    }
};

}  // namespace

TEST_F(ThingTest, KindsFollowTheClassAndTheKindListsFollowThingList) {
    TestNode *a = new TestNode(0, 0), *b = new TestNode(50, 0);
    drovanEdge *e = createEdge(a, b, 0.0f, false, -1);
    drovanAtom *x = new drovanAtom(1, 1, 0, -1);
    TestThing *o = new TestThing;
    EXPECT_EQ(a->kind, ThingNode);
    EXPECT_EQ(e->kind, ThingEdge);
    EXPECT_EQ(x->kind, ThingAtom);
    EXPECT_EQ(o->kind, ThingOther);
    EXPECT_EQ(asNode(o), nullptr);
    EXPECT_EQ(asAtom(a), nullptr);
    EXPECT_EQ(asEdge(e), e);
    EXPECT_EQ(findNode(e->id), nullptr);
    EXPECT_EQ(findNode(a->id), a);

    // Interleave creations and deletions, then compare each kind's list with thingList.
    std::vector<drovanAtom *> atoms;
    for (int i = 0; i < 20; i++) {
        atoms.push_back(new drovanAtom(float(i), 0, i % 3, -1));
        if (i % 4 == 0) new TestThing;
        if (i % 5 == 1) new TestNode(float(100 * i), 300);
    }
    delete atoms[3];
    delete atoms[19];
    delete b;  // kills e; purge deletes it
    purgeDead();
    for (ThingKind k : {ThingAtom, ThingNode, ThingEdge, ThingOther})
        EXPECT_EQ(ofKind(k), listed([k](drovanThing *t) { return t->kind == k; })) << int(k);
    EXPECT_TRUE(ofKind(ThingEdge).empty());
}

TEST_F(ThingTest, BucketsKeepAppendOrderAcrossTailRemovals) {
    // Ids 0.. land in bucket id % 1000: move three things into bucket 7.
    TestThing *a = new TestThing, *b = new TestThing, *c = new TestThing;
    changeId(a, 1007);
    changeId(b, 2007);
    changeId(c, 3007);
    ASSERT_EQ(world.idIndex[7], a);
    delete c;  // the tail
    TestThing *d = new TestThing;
    changeId(d, 4007);
    EXPECT_EQ(a->bucketNext, b);
    EXPECT_EQ(b->bucketNext, d);
    delete a;  // the head
    EXPECT_EQ(world.idIndex[7], b);
    TestThing *f = new TestThing;
    changeId(f, 5007);
    EXPECT_EQ(d->bucketNext, f);
    for (int id : {2007, 4007, 5007}) EXPECT_NE(findThing(id), nullptr) << id;
    EXPECT_EQ(findThing(3007), nullptr);
    // Emptied and refilled, the bucket starts again at its head.
    delete b;
    delete d;
    delete f;
    EXPECT_EQ(world.idIndex[7], nullptr);
    TestThing *g = new TestThing;
    changeId(g, 6007);
    EXPECT_EQ(world.idIndex[7], g);
}

TEST_F(ThingTest, RemovedEdgeTellsItsRidersAndOtherThingsNewestFirst) {
    TestNode *a = new TestNode(0, 0), *b = new TestNode(100, 0), *c = new TestNode(0, 100);
    drovanEdge *e = createEdge(a, b, 0.0f, false, -1);
    drovanEdge *f = createEdge(a, c, 0.0f, false, -1);
    std::vector<int> order;
    RiderWatch::order = &order;
    RiderWatch *w1 = new RiderWatch;
    drovanAtom *r1 = rider(e);
    RiderWatch *w2 = new RiderWatch;
    drovanAtom *r2 = rider(e);
    drovanAtom *other = rider(f);
    RiderWatch *w3 = new RiderWatch;
    for (RiderWatch *w : {w1, w2, w3}) w->riders = {r1, r2};
    EXPECT_EQ(noticeCandidateCount(e->id), 3 + 2);
    EXPECT_EQ(e->atomsOnEdge, 2);

    delete e;
    RiderWatch::order = nullptr;
    // Newest first: w3 hears before either rider leaves, w2 after r2, w1 after both.
    EXPECT_EQ(order, (std::vector<int>{w3->id, w2->id, w1->id}));
    EXPECT_EQ(w3->heardOn, std::vector<int>{2});
    EXPECT_EQ(w2->heardOn, std::vector<int>{1});
    EXPECT_EQ(w1->heardOn, std::vector<int>{0});
    EXPECT_EQ(r1->state, AtomFree);
    EXPECT_EQ(r2->state, AtomFree);
    EXPECT_EQ(other->state, AtomOnEdge);
    EXPECT_EQ(f->atomsOnEdge, 1);
    // The riders go before the watchers when the world is emptied.
    for (RiderWatch *w : {w1, w2, w3}) w->riders.clear();
}

TEST_F(ThingTest, NoticeIndexFollowsEveryChangeOfRideAndHold) {
    TestNode *a = new TestNode(0, 0), *b = new TestNode(100, 0), *c = new TestNode(0, 100);
    drovanEdge *e = createEdge(a, b, 0.0f, false, -1);
    drovanEdge *f = createEdge(a, c, 0.0f, false, -1);
    drovanAtom *x = rider(e);
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
    drovanAtom *y = new drovanAtom(0, 100, 1, -1);
    ASSERT_TRUE(y->holdBy(c->id));
    delete c;
    EXPECT_EQ(y->state, AtomFree);
    EXPECT_EQ(noticeCandidateCount(f->id), 0);
}

TEST_F(ThingTest, RemovedAtomTellsOnlyOtherThingsAndUnregisteredOnesHearNothing) {
    std::vector<int> order;
    RiderWatch::order = &order;
    RiderWatch *w = new RiderWatch;
    RiderWatch *gone = new RiderWatch;
    unregister(gone);
    drovanAtom *x = new drovanAtom(0, 0, 0, -1);
    EXPECT_EQ(noticeCandidateCount(x->id), 1);
    delete x;
    RiderWatch::order = nullptr;
    EXPECT_EQ(order, std::vector<int>{w->id});
    EXPECT_TRUE(gone->heardOn.empty());
    delete gone;
}
