#pragma once
#include <vector>

#include "world/Thing.h"
#include "world/Vec2.h"

class drovanNode;
class drovanMetaNode;

// A spring between two nodes, directed or not, coloured or not.
class drovanEdge : public drovanThing {
public:
    drovanEdge(drovanNode *from, drovanNode *to, bool directed, int colour, bool enter);
    ~drovanEdge() override;

    void update() override;
    void draw(int pass, int flag) override;
    void drawHighlight() override;
    void print(FILE *file) override;
    void thingRemoved(const drovanThing *gone) override;
    void kill() override;
    void setColour(int colour) override;
    drovanMetaNode *container() override { return containerNode; }

    void refreshGeometry();
    void detach();
    // The node at the other end from the given table slot (by index), or nullptr.
    drovanNode *otherEnd(int nodeIndex);
    void archive(StateArchive &a) override;

    int fromIndex = -1, toIndex = -1;
    int fromId = -1, toId = -1;
    vec2 endA, endB;
    vec2 lineStart, lineEnd;
    unsigned char endsOverlap = 0;
    int capacity = 10;
    int atomsOnEdge = 0;
    unsigned char directed = 0;
    int edgeColour = -1;
    unsigned char decays = 1;
    drovanMetaNode *containerNode = nullptr;
    // Entered in the adjacency matrix and the end nodes' edge lists.
    unsigned char entered = 0;

private:
    void refreshFrom(drovanNode *from, drovanNode *to);
};

// The edge behind a thing, by its kind tag, or nullptr.
inline drovanEdge *asEdge(drovanThing *t) { return t && t->kind == ThingEdge ? static_cast<drovanEdge *>(t) : nullptr; }

drovanEdge *createEdge(drovanNode *from, drovanNode *to, float amount, bool directed, int colour);
drovanEdge *findEdge(int a, int b, bool directedOnly);
drovanEdge *copyEdge(drovanEdge *e, drovanNode *from, drovanNode *to);
void connectNodes(int aId, int bId, bool bySelection);
// Rest length of an edge: returns true and sets length when it has one.
bool restLength(drovanEdge *e, float &length);
// Every write of the adjacency matrix goes through here, keeping the
// per-slot partner lists in step.
void setAdjacency(int a, int b, drovanEdge *e);
// A slot k that shares a matrix entry with a slot, with both entries:
// out = [slot][k], in = [k][slot].
struct SlotLink {
    int k;
    drovanEdge *out;
    drovanEdge *in;
};
// The slots k for which entry [slot][k] or [k][slot] is set, ascending.
const std::vector<SlotLink> &touchingSlots(int slot);
// Entries [a][b] and [b][a] from a's list, sparing a look into the 33 MB
// matrix; null where unset.
void adjacencyPair(int a, int b, drovanEdge *&ab, drovanEdge *&ba);
