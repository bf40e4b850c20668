#pragma once
// The node: the graph vertex every kind of node derives from, the node table
// and the node factory.
#include "world/Thing.h"
#include "world/Vec2.h"
#include "world/WorldStore.h"

class Edge;
class Atom;
class MetaNode;

constexpr int kMaxNodeEdges = 10;

// Abstract graph vertex: a slot of nodeTable, its attached edges and degree
// counters, motion state and the per-colour intake.
class Node : public Thing {
public:
    explicit Node(int nodeIndex);
    ~Node() override;

    void thingRemoved(const Thing *gone) override;
    bool hitTest(float x, float y) override;
    MetaNode *container() override { return containerNode; }

    virtual void drawEdgeHighlights();
    virtual float baseRadius() = 0;
    virtual float radius() = 0;
    virtual Vec2 position() = 0;
    virtual void setPosition(float x, float y) = 0;
    virtual void moveTo(float x, float y);
    virtual void moveBy(float dx, float dy);
    virtual void push(float dx, float dy, float maxSpeed);
    virtual Vec2 velocity() { return nodeVelocity; }
    virtual void turn(float dAngle, float maxRate);
    virtual float angularVelocity() { return nodeAngularVelocity; }
    virtual bool isMeta() { return false; }
    virtual void addInDegree(int colour, int n) {
        (void)colour;
        inDegree += n;
    }
    virtual void addOutDegree(int colour, int n) {
        (void)colour;
        outDegree += n;
    }
    virtual void addUndirectedDegree(int colour, int n) {
        (void)colour;
        undirectedDegree += n;
    }
    virtual void addCollected(int colour, int n) {
        (void)colour;
        (void)n;
    }
    virtual float insetAtEnd(int colour) {
        (void)colour;
        return 0.0f;
    }
    virtual float insetAtStart(int colour) {
        (void)colour;
        return 0.0f;
    }
    virtual float insetUndirected(int colour) {
        (void)colour;
        return 0.0f;
    }
    virtual void enforceValence() {}
    virtual const float *colourRGB() = 0;
    virtual void drawInfo() {}
    virtual bool isMovable() { return true; }
    virtual bool isFree() { return containerNode == nullptr; }
    virtual Node *duplicate(bool randomColour) = 0;
    virtual int colour() { return -1; }
    virtual void receive(float x, float y, int colour, int senderId, float amount);
    virtual float turnLimit() { return nodeTurnLimit; }
    virtual void setTurnLimit(float v) { nodeTurnLimit = v; }
    virtual void setAngle(float a);
    virtual float angle() { return nodeAngle; }
    virtual void setScale(float v) { nodeScale = v; }
    virtual float scale() { return nodeScale; }
    virtual int inhibition() { return inhibitionCount; }
    virtual void setInhibition(int n) { inhibitionCount = n; }
    virtual bool convertIntake(int colour, float amount) {
        (void)colour;
        (void)amount;
        return false;
    }
    virtual void attachEdge(Edge *e);
    virtual void detachEdge(Edge *e);
    virtual void integrate();
    virtual void decomposeTouching(Node *other, float depth) {
        (void)other;
        (void)depth;
    }
    void archive(StateArchive &a) override;
    void visitColours(ColourVisitor &v) override;

    // Edge cursors: each call returns the next live edge, or nullptr.
    Edge *nextAttachedEdge(int &cursor);
    Edge *nextIncomingEdge(int &cursor);
    Edge *nextTouchingEdge(int &cursor);

    void addForce(float dx, float dy) {
        force.x += dx;
        force.y += dy;
    }
    void dropWeakestEdge();
    void setEdgeStrengths(float s);
    void feedOn(Atom *atom);
    void killHeldAtoms(int colour, int count);
    // Take the node out of the node table (and the registry when registered).
    void unregisterNode();
    // True while the node occupies its own slot of the node table.
    bool inNodeTable() const;

    Node *gridNext = nullptr;
    Node **gridPrevLink = nullptr;
    unsigned gridGeneration = 0;
    int inDegree = 0;
    int outDegree = 0;
    int undirectedDegree = 0;
    int edgeCount = 0;
    Edge *edges[kMaxNodeEdges] = {};
    MetaNode *containerNode = nullptr;
    int nodeIndex = -1;
    Vec2 force;
    Vec2 nodeVelocity;
    float nodeAngle = 0.0f;
    // Kept in snapshots only: nothing turns a node towards a target any more.
    float nodeTargetAngle = 0.0f;
    float nodeTurnRate = 0.0f;
    float nodeTurnLimit = 6.28f;
    float nodeAngularVelocity = 0.0f;
    float nodeScale = 1.0f;
    int inhibitionCount = 0;
    float intake[kMaxColors] = {};
    int collisionStamp = 0;
};

// The node behind a thing, by its kind tag, or nullptr.
inline Node *asNode(Thing *t) { return t && t->kind == ThingNode ? static_cast<Node *>(t) : nullptr; }

// Bring an angle into 0..6.28 by whole turns, as a heading is kept.
float wrapAngle(float a);

// Node factory and table helpers.
Node *createNode(float x, float y, int colour);
// After a live step: every third step, at the node creation rate, a node of a
// random colour (by the colours' node probabilities) at a random point of the
// world short of its outer eighths.
void maybeSpontaneousNode();
int firstFreeNodeSlot();
Node *nodeAt(int index);
void enforceAllValences();
// While held, enforceAllValences does nothing: rules are being replaced under
// a living world and its nodes' colours do not name the new records yet.
void holdValences(bool hold);
// A point in a metanode's frame carried to world coordinates (rotated by its
// angle, then moved by its position). Without a metanode the point is unchanged.
Vec2 containerToWorld(MetaNode *m, Vec2 p);
// A node's position in world coordinates.
Vec2 worldPosition(Node *n);
