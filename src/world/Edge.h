#pragma once
// The edge: a spring between two nodes, and the calls that make, find, copy and
// join them.
#include <vector>

#include "world/Thing.h"
#include "world/Vec2.h"

class Node;
class MetaNode;

// A spring between two nodes, directed or not, coloured or not.
class Edge : public Thing {
public:
    Edge(Node *from, Node *to, bool directed, int colour, bool enter);
    ~Edge() override;

    void update() override;
    void draw(DrawPass pass, int flag) override;
    void drawHighlight() override;
    void thingRemoved(const Thing *gone) override;
    void kill() override;
    void setColour(int colour) override;
    MetaNode *container() override { return containerNode; }

    void refreshGeometry();
    void detach();
    // The node at the other end from the given table slot (by index), or nullptr.
    Node *otherEnd(int nodeIndex);
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    int fromIndex = -1, toIndex = -1;
    int fromId = -1, toId = -1;
    Vec2 endA, endB;
    Vec2 lineStart, lineEnd;
    unsigned char endsOverlap = 0;
    int capacity = 10;
    int atomsOnEdge = 0;
    unsigned char directed = 0;
    int edgeColour = -1;
    unsigned char decays = 1;
    MetaNode *containerNode = nullptr;
    // Entered in the adjacency matrix and the end nodes' edge lists.
    unsigned char entered = 0;

private:
    void refreshFrom(Node *from, Node *to);
};

// The edge behind a thing, by its kind tag, or nullptr.
inline Edge *asEdge(Thing *t) { return t && t->kind == ThingEdge ? static_cast<Edge *>(t) : nullptr; }

Edge *createEdge(Node *from, Node *to, float amount, bool directed, int colour);
Edge *findEdge(int a, int b, bool directedOnly);
Edge *copyEdge(Edge *e, Node *from, Node *to);
// Joins a to b (with bySelection, from every selected node when a is
// selected) with edges of the given colour (-1: plain).
void connectNodes(int aId, int bId, bool bySelection, int colour);
// Rest length of an edge: returns true and sets length when it has one.
bool restLength(Edge *e, float &length);
// Every write of the adjacency matrix goes through here, keeping the
// per-slot partner lists in step.
void setAdjacency(int a, int b, Edge *e);
// A slot k that shares a matrix entry with a slot, with both entries:
// out = [slot][k], in = [k][slot].
struct SlotLink {
    int k;
    Edge *out;
    Edge *in;
};
// The slots k for which entry [slot][k] or [k][slot] is set, ascending.
const std::vector<SlotLink> &touchingSlots(int slot);
// Entries [a][b] and [b][a] from a's list, sparing a look into the 33 MB
// matrix; null where unset.
void adjacencyPair(int a, int b, Edge *&ab, Edge *&ba);
