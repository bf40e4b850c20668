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

// The edges among some nodes, as "i>j" (directed) or "i-j" with colour and strength.
std::string edgesAmong(const std::vector<Node *> &nodes) {
    std::string s;
    for (size_t i = 0; i < nodes.size(); i++)
        for (size_t j = 0; j < nodes.size(); j++)
            if (Edge *e = findEdge(nodes[i]->nodeIndex, nodes[j]->nodeIndex, true); e && (e->directed || i < j))
                s += std::to_string(i) + (e->directed ? ">" : "-") + std::to_string(j) + " " +
                     std::to_string(e->edgeColour) + " " + std::to_string(e->strength) + "; ";
    return s;
}

// A copied selection is the selected nodes and the edges among them, joined
// alike; edges to nodes outside it stay with the originals only.
TEST_F(WalkersTest, ASelectionCopiesAsItIsJoinedAndLeavesTheRestAlone) {
    SelectionWalker spider;
    GraphReplicator empty(&spider);
    empty.replicate();  // nothing copied: no first copy
    EXPECT_EQ(empty.firstCopy(), nullptr);
    EXPECT_EQ(empty.firstCopyId(), -1);

    colorCount = 3;
    Node *a = node(100, 100), *b = createNode(200, 100, 1), *c = createNode(300, 300, 2), *d = node(400, 300),
         *e = node(100, 400);
    createEdge(a, b, 0, true, 1)->strength = 0.4f;
    createEdge(b, c, 0, false, -1)->strength = 1.7f;  // copied as a whole edge
    createEdge(c, d, 0, false, -1);
    createEdge(e, a, 0, true, -1);
    a->setAngle(1.5f);
    b->strength = 0.35f;
    c->vigour = 0.5f;
    a->selected = b->selected = c->selected = 1;
    GraphReplicator rep(&spider);
    rep.replicate();
    ASSERT_EQ(rep.copyCount, 3);
    std::vector<Node *> sources = {a, b, c}, copies;
    for (Node *n : sources) copies.push_back(rep.copyOf(n, false));
    for (size_t k = 0; k < 3; k++) {
        Node *n = sources[k], *m = copies[k];
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->colour() == n->colour() && m->position() == n->position() && m->angle() == n->angle());
        EXPECT_EQ(m->strength, n->strength);
        EXPECT_EQ(m->vigour, 1.0f) << "a copy starts with full vigour";
    }
    EXPECT_FLOAT_EQ(c->vigour, 0.45f) << "the original gives up a tenth";
    EXPECT_EQ(edgesAmong(sources), "0>1 1 0.400000; 1-2 -1 1.000000; ");
    EXPECT_EQ(edgesAmong(copies), edgesAmong(sources));
    EXPECT_EQ(world.liveEdgeCount, 6) << "no copy is joined to d or e";
    EXPECT_EQ(d->edgeCount + e->edgeCount, 2);
    rep.selectCopies(true);
    rep.selectSources(false);
    EXPECT_FALSE(a->selected);
    ASSERT_TRUE(rep.firstCopy());
    EXPECT_TRUE(rep.firstCopy()->selected);
}

TEST_F(WalkersTest, CopiesStayWithinTheCountedRoomAndTheirOwnSlots) {
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
