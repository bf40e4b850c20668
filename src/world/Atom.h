#pragma once
#include <cstddef>

#include "world/Thing.h"
#include "world/Vec2.h"

class Edge;

constexpr int kVisitedMax = 16;

// A free-moving coloured particle: free, on an edge, or held by a node.
// Final: its own calls on itself go direct, and an update need not read the
// object's first line for the table of virtual functions.
class Atom final : public Thing {
public:
    Atom(float x, float y, int colour, int creatorId);
    ~Atom() override;
    // Atoms live in a slot pool (SlotPool.h), close together.
    static void *operator new(size_t size);
    static void operator delete(void *p, size_t size);

    void update() override;
    void draw(int pass, int flag) override;
    void thingRemoved(const Thing *gone) override;
    void kill() override;
    virtual void consume(float amount);

    bool holdBy(int nodeId);
    void release();
    void leaveEdge();
    bool enterEdge(Edge *e, bool startAtB, bool targetAtB);
    void chooseNextEdge(int nodeId);
    void rewardVisited(float amount);
    void copyVisited(const Atom *other);
    void appendVisited(int id);
    void markVisited(int nodeId);
    void followEdge();
    void orbitHolder();
    // Remove the atom from the count of the edge it travels, if that edge still exists.
    void leaveEdgeCount();
    // Keep the removal-notice index in step with state, edgeId and holderId.
    void refreshNotice();
    void settleProgress();
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    // Laid out for the pool's line-aligned slots: what a node's query reads
    // of an atom shares the line of the base's flags and strength, or the
    // next line; then what only the atom's own update reads. Whoever moves
    // an atom calls atomMoved() (NeighbourGrid.h).
    Vec2 position;
    int colour = 0;
    int creatorId = -1;
    int visitedCount = 0;
    int lastNodeId = -1;
    int pendingNode = -1;
    int state = 0;  // 0 free, 1 on an edge, 2 held
    int visited[kVisitedMax] = {};
    int lastPendingNode = -1;
    Vec2 velocity;
    Vec2 segmentStart, segmentEnd;
    // The fraction of its segment an atom has covered. A free atom's update
    // leaves it owed, to be worked out from the atom's place when read
    // (settleProgress): nothing reads it before the atom rides an edge again,
    // and entering an edge sets it afresh.
    float progress = 0.0f;
    bool progressOwed = false;
    Vec2 savedVelocity;
    Vec2 edgeTarget;
    int edgeStartIndex = 0;
    int edgeTargetId = 0;
    int edgeId = -1;
    int holderId = 0;
};

// The atom behind a thing, by its kind tag (no run-time type walk), or nullptr.
inline Atom *asAtom(Thing *t) { return t && t->kind == ThingAtom ? static_cast<Atom *>(t) : nullptr; }

enum AtomState { AtomFree = 0, AtomOnEdge = 1, AtomHeld = 2 };

void spawnAtoms();
