#pragma once
// The pattern: a small graph outside the live world (a pattern slot's, or a
// metanode's body), and the pattern slots with their rules.
#include <cstdio>
#include <vector>

#include "world/Thing.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

class Node;
class Edge;

// A small graph kept outside the live world: one per pattern slot, and the
// private body of each metanode.
class Pattern : public Thing, public Visitor {
public:
    Pattern();
    ~Pattern() override;

    void draw(DrawPass pass, int flag) override;
    // Drops the entry that is the removed thing itself: the entries of a
    // pattern kept outside the world carry numbers that live things may share.
    void thingRemoved(const Thing *gone) override;
    virtual void addInstances(int n);
    virtual int instances() { return instanceCount; }
    virtual float radiusOfPattern() { return patternRadius; }
    virtual const float *bodyColour() { return bodyRgb; }

    // Graph container.
    Node *addNode(float x, float y, int colour);
    Edge *addEdge(Node *a, Node *b, bool directed, int colour);
    Edge *findEdge(Node *a, Node *b);
    void removeNode(int k);
    void compactEdges(int killed);
    // Edges are numbered past the nodes (nodeCount + position), so no node
    // and edge of a pattern share a number; a body's edges keep their world ids.
    void numberEdges();
    // Disposes of every entry and leaves the pattern empty.
    void clear();
    // Makes these lists the pattern's own, at their exact size (the entries
    // are numbered by the caller).
    void adopt(const std::vector<Node *> &listed, const std::vector<Edge *> &joined);

    // Editing.
    Thing *findThing(int id);
    int hitNode(float x, float y);
    void clearSelection();
    void translate(float dx, float dy);
    void moveNodeBy(int id, float dx, float dy, bool withSelection);
    void connect(int idA, int idB, bool withSelection, int colour);
    void connectToSelection(Node *a, Node *b, bool directed, int colour);
    Edge *nextEdgeAt(int k, int &cursor);
    Pattern *instantiate(float scale);
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    int instanceCount = 0;
    int nodeCount = 0;
    int edgeCount = 0;
    Node **nodes = nullptr;
    Edge **edges = nullptr;
    float patternRadius = 32.0f;
    float bodyRgb[3] = {0.0f, 0.0f, 0.0f};
    int tickCounter = 0;
    int tickPeriod = 15;

    // Sensing records of a metanode's body.
    struct ThingRecord {
        int input, output;
        float factor;
        int thingId, nodeIndex;
    };
    struct CellRecord {
        int input, output;
        float factor;
        int nodeIndex;
        float x, y;
    };
    int thingRecordCount = 0;
    ThingRecord thingRecords[10] = {};
    int cellRecordCount = 0;
    CellRecord cellRecords[10] = {};
};

// Disposal of one entry of a pattern: a thing still entered in the world is
// killed (the world removes it later); any other is destroyed.
void destroyPatternNode(Node *n);
void destroyPatternEdge(Edge *e);
// createNode, then out of the world again at once: a pattern node holds no
// table slot and no registry entry. Numbering is the caller's.
Node *detachedNode(float x, float y, int colour);
// An edge that is neither in the world's registries nor on its ends' lists.
Edge *detachedEdge(Node *a, Node *b, bool directed, int colour);

// The pattern slot table.
struct SlotRule {
    int input, output;
    float factor;
};
constexpr int kSlotRules = 10;
struct PatternSlot {
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    Pattern *pattern = nullptr;
    int senseCount = 0;
    SlotRule senses[kSlotRules] = {};
    int decomposeCount = 0;
    SlotRule decomposes[kSlotRules] = {};
    bool grasps = false;
};
extern PatternSlot patternSlots[kPatternSlots];
inline bool isPatternSlot(int i) { return i >= 0 && i < kPatternSlots; }
const float *slotColour(int i);
// Fresh empty patterns in every slot; the slots' rules are kept.
void initPatternSlots();
// The senses, decomposes and grasps rules of every slot, gone.
void clearSlotRules();
void deleteAllPatterns();
// Append a rule; false when the slot is not 0..9 or already holds kSlotRules.
bool addSense(int slot, int input, int output, float factor);
bool addDecompose(int slot, int input, int output, float factor);
void setGrasps(int slot);
int slotSenseCount(int slot);
const SlotRule *slotSense(int slot, int j);
int slotDecomposeCount(int slot);
const SlotRule *slotDecompose(int slot, int j);
bool slotGrasps(int slot);
