#include <string>
#include <vector>

#include "support/TextCapture.h"
#include "support/WorldFixture.h"
#include "world/Walkers.h"

namespace {

struct Recorder : Visitor {
    std::vector<Thing *> seen;
    bool refuseEdges = false;
};

bool record(Visitor *v, Thing *t) {
    auto *r = static_cast<Recorder *>(v);
    r->seen.push_back(t);
    return !(r->refuseEdges && dynamic_cast<Edge *>(t));
}

// Offers one node on its first walk and all of them afterwards.
struct GrowingSpider : Walker {
    std::vector<Node *> nodes;
    int walks = 0;
    void walk() override {
        size_t n = walks++ == 0 ? 1 : nodes.size();
        for (size_t i = 0; i < n && callback; i++) callback(context, nodes[i]);
    }
};

int count(const std::string &s, const std::string &what) {
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
    return n;
}

class WalkersTest : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        world.maxEdges = -1;
        setWalkerTraceStream(nullptr);
    }
    Node *node(float x, float y) { return createNode(x, y, 0); }
    // Runs a component walk and returns its trace.
    static std::string traced(ComponentWalker &spider) {
        return captured([&spider](FILE *f) {
            setWalkerTraceStream(f);
            spider.walk();
            setWalkerTraceStream(nullptr);
        });
    }
};

TEST_F(WalkersTest, ComponentWalks) {
    Node *a = node(100, 100), *b = node(200, 100), *c = node(150, 200), *lone = node(100, 400);
    createEdge(a, b, 0, false, -1);
    createEdge(b, c, 0, true, -1);
    createEdge(c, a, 0, false, -1);
    Recorder r;
    ComponentWalker single(lone, &r, record);
    EXPECT_EQ(traced(single), "Node " + std::to_string(lone->nodeIndex) + " (mark -1)\n");
    EXPECT_EQ(r.seen, std::vector<Thing *>{lone});
    EXPECT_EQ(lone->visitMark, single.mark);
    // Once around a cycle.
    Recorder all;
    ComponentWalker spider(a, &all, record);
    std::string out = traced(spider);
    EXPECT_EQ(count(out, "Node "), 4);
    EXPECT_EQ(count(out, "Edge "), 3);
    EXPECT_EQ(count(out, " -> "), 1);
    EXPECT_EQ(all.seen.size(), 6u);
    // Refused edges are not followed.
    Recorder refusing;
    refusing.refuseEdges = true;
    ComponentWalker blocked(a, &refusing, record);
    blocked.walk();
    int nodesSeen = 0;
    for (Thing *t : refusing.seen) nodesSeen += dynamic_cast<Node *>(t) != nullptr;
    EXPECT_EQ(nodesSeen, 1);
    ComponentWalker none;  // no start: nothing to walk
    none.walk();
}

TEST_F(WalkersTest, CopiesStayWithinTheCountedRoomAndTheirOwnSlots) {
    SelectionWalker none;  // nothing selected: nothing copied, no first copy
    GraphReplicator empty(&none);
    empty.replicate();
    EXPECT_TRUE(empty.firstCopy() == nullptr && empty.firstCopyId() == -1);

    GrowingSpider growing;
    growing.nodes = {node(100, 100), node(200, 100), node(300, 100)};
    GraphReplicator grown(&growing);
    grown.replicate();
    EXPECT_EQ(grown.copyCount, 1);
    EXPECT_EQ(world.nodeTableCount, 4);

    // A reused slot is not mistaken for the copy.
    ComponentWalker spider(node(100, 600), nullptr, nullptr);
    GraphReplicator rep(&spider);
    rep.replicate();
    Node *copy = rep.firstCopy();
    ASSERT_TRUE(copy);
    int slot = copy->nodeIndex;
    copy->kill();
    purgeDead();
    Node *stranger = node(900, 900);
    ASSERT_EQ(stranger->nodeIndex, slot);
    EXPECT_EQ(rep.firstCopy(), nullptr);
    rep.selectCopies(true);
    EXPECT_FALSE(stranger->selected);
}

}  // namespace
