#include "world/Node.h"
#include "world/ColourVisitor.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "world/ColorTable.h"
#include "world/Atom.h"
#include "world/CiliaNode.h"
#include "world/DonutNode.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/NeighbourGrid.h"
#include "world/Random.h"
#include "world/Saturate.h"
#include "world/StateArchive.h"
#include "world/TermNode.h"

namespace {
bool slotInRange(int i) { return i >= 0 && i < kNodeTableSize; }

}  // namespace

float wrapAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    // Far-off values would take forever by single turns.
    if (std::fabs(a) > 62800.0f) a = std::fmod(a, kTurn);
    while (a < 0.0f) a += kTurn;
    while (a > kTurn) a -= kTurn;
    return a;
}

Node::Node(int idx) : nodeIndex(idx) {
    setKind(ThingNode);
    // A slot already held by another node is never taken over.
    if (slotInRange(idx) && !world.nodeTable[idx]) placeInNodeTable(idx, this);
}

bool Node::inNodeTable() const { return slotInRange(nodeIndex) && world.nodeTable[nodeIndex] == this; }

Node::~Node() {
    // A node taken off the registry but left in the table must not leave a
    // dangling slot behind either.
    if (registered && inNodeTable()) {
        int cur = 0;
        while (Edge *e = nextTouchingEdge(cur)) e->kill();
    }
    takeFromNodeTable(this);
    nodeGrid.unlink(this);
}

void Node::unregisterNode() {
    takeFromNodeTable(this);
    nodeGrid.unlink(this);
    if (registered) unregister(this);
}

void Node::thingRemoved(const Thing *gone) {
    if (containerNode && containerNode->id == gone->id) containerNode = nullptr;
}

bool Node::hitTest(float x, float y) {
    Vec2 d = position() - Vec2(x, y);
    return d.length() < radius();
}

void Node::drawEdgeHighlights() {
    int cur = 0;
    while (Edge *e = nextAttachedEdge(cur)) e->drawHighlight();
}

void Node::moveTo(float x, float y) {
    setPosition(x, y);
    int cur = 0;
    while (Edge *e = nextTouchingEdge(cur)) e->refreshGeometry();
}

void Node::moveBy(float dx, float dy) {
    Vec2 p = position();
    setPosition(p.x + dx, p.y + dy);
}

void Node::push(float dx, float dy, float maxSpeed) {
    if (!world.inertia) {
        moveBy(dx, dy);
        return;
    }
    Vec2 d(dx, dy);
    if (maxSpeed >= 0.0f) {
        float s = (nodeVelocity + d).length();
        s = s - maxSpeed;
        if (s > 0.0f) {
            float t = d.length() - s;
            if (t <= 0.0f) return;
            d = d.withLength(t);
        }
    }
    nodeVelocity += d;
}

void Node::turn(float dAngle, float maxRate) {
    if (!world.inertia) {
        nodeAngularVelocity = 0.0f;
        nodeAngle += dAngle;
        return;
    }
    if (maxRate >= 0.0f) {
        float w = std::fabs(nodeAngularVelocity + dAngle) - maxRate;
        if (w > 0.0f) {
            float t = std::fabs(dAngle) - w;
            if (t <= 0.0f) return;
            if (dAngle > 0.0f)
                nodeAngularVelocity += t;
            else
                nodeAngularVelocity -= t;
            return;
        }
    }
    nodeAngularVelocity += dAngle;
}

void Node::integrate() {
    nodeAngle += nodeAngularVelocity;
    nodeAngularVelocity *= 0.93f;
    float s = nodeVelocity.length();
    if (s > 0.0f) {
        moveBy(nodeVelocity.x, nodeVelocity.y);
        s *= 0.89f;
        nodeVelocity = nodeVelocity.withLength(s);
    }
}

void Node::setAngle(float a) { nodeAngle = wrapAngle(a); }

void Node::receive(float x, float y, int c, int senderId, float amount) {
    (void)x;
    (void)y;
    (void)senderId;
    if (c < 0 || c >= kMaxColors) return;
    int mine = colour();
    int kind = isColor(mine) && isColor(c) ? colorTable[mine].relation[c].kind : RelNone;
    if (kind == RelInhibitedBy) {
        int n = truncSaturating(20.0f * amount);
        if (n > inhibitionCount) inhibitionCount = n;
    } else {
        intake[c] += amount;
    }
}

void Node::attachEdge(Edge *e) {
    if (edgeCount < kMaxNodeEdges) edges[edgeCount++] = e;
}

void Node::detachEdge(Edge *e) {
    for (int k = 0; k < edgeCount; k++) {
        if (edges[k] != e) continue;
        for (int m = k + 1; m < edgeCount; m++) edges[m - 1] = edges[m];
        edges[--edgeCount] = nullptr;
        return;
    }
}

namespace {
// A swallowed node no longer in the registry walks its metanode's body instead.
Pattern *handedPattern(Node *n) {
    if (n->registered || !n->containerNode) return nullptr;
    return n->containerNode->body;
}
}  // namespace

Edge *Node::nextAttachedEdge(int &cursor) {
    if (Pattern *p = handedPattern(this)) return p->nextEdgeAt(nodeIndex, cursor);
    while (cursor >= 0 && cursor < edgeCount) {
        Edge *e = edges[cursor++];
        if (e && !e->dead) return e;
    }
    return nullptr;
}

Edge *Node::nextIncomingEdge(int &cursor) {
    if (Pattern *p = handedPattern(this)) return p->nextEdgeAt(nodeIndex, cursor);
    // The matrix row and column of a slot belong to the node that holds it.
    if (inDegree == 0 || !inNodeTable()) return nullptr;
    if (cursor < 0 || cursor >= kNodeTableSize) return nullptr;
    // The cursor runs over the column's slots; only the set ones are visited.
    const std::vector<SlotLink> &partners = touchingSlots(nodeIndex);
    auto byK = [](const SlotLink &l, int k) { return l.k < k; };
    for (auto it = std::lower_bound(partners.begin(), partners.end(), cursor, byK); it != partners.end(); ++it) {
        Edge *e = it->in;
        if (e && !e->dead) {
            cursor = it->k + 1;
            return e;
        }
    }
    cursor = kNodeTableSize;
    return nullptr;
}

Edge *Node::nextTouchingEdge(int &cursor) {
    if (Pattern *p = handedPattern(this)) return p->nextEdgeAt(nodeIndex, cursor);
    if (!inNodeTable()) return nullptr;
    if (cursor < 0 || cursor >= 2 * kNodeTableSize) return nullptr;
    // Cursor 2k is the entry [slot][k], 2k + 1 the entry [k][slot] unless it
    // is the same edge.
    const std::vector<SlotLink> &partners = touchingSlots(nodeIndex);
    auto byK = [](const SlotLink &l, int k) { return l.k < k; };
    for (auto it = std::lower_bound(partners.begin(), partners.end(), cursor / 2, byK); it != partners.end(); ++it) {
        int k = it->k;
        Edge *out = it->out;
        if (2 * k >= cursor && out && !out->dead) {
            cursor = 2 * k + 1;
            return out;
        }
        Edge *in = it->in;
        if (in != out && in && !in->dead) {
            cursor = 2 * k + 2;
            return in;
        }
    }
    cursor = 2 * kNodeTableSize;
    return nullptr;
}

void Node::dropWeakestEdge() {
    Edge *weakest = nullptr;
    float lowest = 2.0f;
    int cur = 0;
    while (Edge *e = nextTouchingEdge(cur)) {
        if (e->strength < lowest) {
            lowest = e->strength;
            weakest = e;
        }
    }
    if (weakest) weakest->kill();
}

void Node::setEdgeStrengths(float s) {
    if (s < 0.0f) s = 0.0f;
    if (s > 1.0f) s = 1.0f;
    int cur = 0;
    while (Edge *e = nextAttachedEdge(cur)) e->strength = s;
}

void Node::feedOn(Atom *atom) {
    if (!atom) return;
    float gain = 1.0f - strength;
    if (atom->strength < gain) gain = atom->strength;
    strength += gain;
    if (strength > 1.0f) strength = 1.0f;
    atom->kill();
    float rest = atom->strength - gain;
    if (rest > 0.0f) {
        Vec2 p = position();
        Atom *a = new Atom(p.x, p.y, atom->colour, id);
        a->strength = rest;
    }
}

void Node::killHeldAtoms(int c, int count) {
    for (int n = 0; n < count; n++) {
        Atom *weakest = nullptr;
        float lowest = 1000.0f;
        for (Thing *t = world.thingList; t; t = t->next) {
            if (t->dead) continue;
            Atom *a = asAtom(t);
            if (!a || a->state != AtomHeld || a->holderId != id) continue;
            if (c != -2 && a->colour != c) continue;
            if (a->strength < lowest) {
                lowest = a->strength;
                weakest = a;
            }
        }
        if (!weakest) return;
        weakest->kill();
    }
}

Node *createNode(float x, float y, int c) {
    // Outside the table there is no record to read. Every colour of the table
    // has a record, declared or not, and its own kind decides.
    if (c < 0 || c >= kMaxColors || colorCount <= 0) return nullptr;
    int slot = firstFreeNodeSlot();
    if (slot < 0) return nullptr;
    switch (colorTable[c].nodeKind) {
    case 0: return new TermNode(x, y, c, slot);
    case 1: return new DonutNode(x, y, c, slot);
    case 2: return new CiliaNode(x, y, c, slot);
    default: return nullptr;
    }
}

static void spontaneousNode() {
    int c = randomNodeColor();
    if (c < 0) return;
    float w = world.worldMaxX - world.worldMinX;
    float h = world.worldMaxY - world.worldMinY;
    float x0 = world.worldMinX + w / 8.0f, x1 = world.worldMaxX - w / 8.0f;
    float y0 = world.worldMinY + h / 8.0f, y1 = world.worldMaxY - h / 8.0f;
    float r1 = static_cast<float>(drovanRand());
    float r2 = static_cast<float>(drovanRand());
    float x = x0 + (r1 / 32767.0f) * (x1 - x0);
    float y = y0 + (r2 / 32767.0f) * (y1 - y0);
    createNode(x, y, c);
}

void maybeSpontaneousNode() {
    if (colorCount > 0 && world.stepCount % 3 == 0) {
        int r = drovanRand();
        if (static_cast<float>(r) * 3.051851e-5f < world.nodeCreationRate) spontaneousNode();
    }
}

int firstFreeNodeSlot() {
    for (int i = 0; i < kNodeTableSize; i++)
        if (!world.nodeTable[i]) return i;
    return -1;
}

Node *nodeAt(int index) { return slotInRange(index) ? world.nodeTable[index] : nullptr; }

namespace {
bool valencesHeld = false;
}

void holdValences(bool hold) { valencesHeld = hold; }

void enforceAllValences() {
    if (valencesHeld) return;
    for (int i = 0; i < kNodeTableSize; i++) {
        Node *n = world.nodeTable[i];
        if (n && !n->dead) n->enforceValence();
    }
}

Vec2 containerToWorld(MetaNode *m, Vec2 p) {
    if (!m) return p;
    float r = std::hypot(p.x, p.y);
    float th = std::atan2(p.y, p.x) + m->angle();
    Vec2 c = m->position();
    return Vec2(c.x + r * std::cos(th), c.y + r * std::sin(th));
}

Vec2 worldPosition(Node *n) { return containerToWorld(n->container(), n->position()); }

void Node::visitColours(ColourVisitor &v) { v.perColour(intake); }

void Node::archive(StateArchive &a) {
    Thing::archive(a);
    a.value("inDegree", inDegree);
    a.value("outDegree", outDegree);
    a.value("undirectedDegree", undirectedDegree);
    a.value("edgeCount", edgeCount);
    for (int i = 0; i < edgeCount && i < kMaxNodeEdges; i++) a.link("edge", edges[i]);
    a.link("container", containerNode);
    a.value("nodeIndex", nodeIndex);
    a.vec("force", force);
    a.vec("velocity", nodeVelocity);
    a.value("angle", nodeAngle);
    a.value("targetAngle", nodeTargetAngle);
    a.value("turnRate", nodeTurnRate);
    a.value("turnLimit", nodeTurnLimit);
    a.value("angularVelocity", nodeAngularVelocity);
    a.value("scale", nodeScale);
    a.value("inhibition", inhibitionCount);
    for (float &v : intake) a.value("intake", v);
}
