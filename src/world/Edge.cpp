#include "world/Edge.h"
#include "world/ColourVisitor.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "world/SimTime.h"
#include "world/ColorTable.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/StateArchive.h"
#include "world/WorldStore.h"

namespace {
// Per slot, the slots k whose matrix entry [slot][k] or [k][slot] is set,
// ascending, with both entries; lets the edge cursors and lookups skip the
// matrix and the empty rest of a row and column.
std::vector<SlotLink> touchingLists[kNodeTableSize];

bool byK(const SlotLink &l, int k) { return l.k < k; }

const SlotLink *findLink(const std::vector<SlotLink> &v, int k) {
    auto it = std::lower_bound(v.begin(), v.end(), k, byK);
    return it != v.end() && it->k == k ? &*it : nullptr;
}

// Set one side of the link to k; the link goes when both sides are unset.
void setLink(std::vector<SlotLink> &v, int k, Edge *e, bool out) {
    auto it = std::lower_bound(v.begin(), v.end(), k, byK);
    if (it == v.end() || it->k != k) {
        if (!e) return;
        it = v.insert(it, SlotLink{k, nullptr, nullptr});
    }
    (out ? it->out : it->in) = e;
    if (!it->out && !it->in) v.erase(it);
}

bool slotInRange(int i) { return i >= 0 && i < kNodeTableSize; }

bool hasSenses(Node *n) {
    int c = n ? n->colour() : -1;
    return isColor(c) && colorTable[c].senseCount != 0;
}

bool colourDecays(int c) { return !(isColor(c) && colorTable[c].isStatic); }

float clamp01(float s) { return s < 0.0f ? 0.0f : (s > 1.0f ? 1.0f : s); }

// The edge's line width in its normal drawing.
int baseWidth(float strength) {
    float w = 2.0f * strength;
    return w > 1.0f ? static_cast<int>(w) : 1;
}

void arrowhead(Edge *e, bool filled) {
    Vec2 tip = e->lineEnd;
    float back = std::atan2(e->lineStart.y - tip.y, e->lineStart.x - tip.x);
    float len = 11.2f + 4.8f * e->strength;
    float a1 = back + 0.43611112f, a2 = back - 0.43611112f;
    painter().triangle(tip.x, tip.y, tip.x + len * std::cos(a1), tip.y + len * std::sin(a1), tip.x + len * std::cos(a2),
                       tip.y + len * std::sin(a2), filled);
}

void edgeRGB(const Edge *e, float out[3]) {
    float c[3] = {0.0f, 0.0f, 0.0f};
    if (isColor(e->edgeColour))
        for (int k = 0; k < 3; k++) c[k] = colorTable[e->edgeColour].rgb[k];
    for (int k = 0; k < 3; k++) out[k] = 1.0f + (c[k] - 1.0f) * e->strength;
}
}  // namespace

Edge::Edge(Node *from, Node *to, bool d, int colour, bool enter) {
    setKind(ThingEdge);
    world.liveEdgeCount++;
    strength = 0.25f;
    directed = d ? 1 : 0;
    edgeColour = colour;
    if (from) {
        fromIndex = from->nodeIndex;
        fromId = from->id;
    }
    if (to) {
        toIndex = to->nodeIndex;
        toId = to->id;
    }
    if (from && to) refreshFrom(from, to);
    capacity = 10;
    if (hasSenses(from) || hasSenses(to)) capacity *= 6;
    decays = colourDecays(colour) ? 1 : 0;
    if (!decays) strength = 1.0f;
    atomsOnEdge = 0;
    containerNode = nullptr;
    if (enter && from && to && from->inNodeTable() && to->inNodeTable()) {
        entered = 1;
        setAdjacency(fromIndex, toIndex, this);
        from->attachEdge(this);
        if (!directed) {
            setAdjacency(toIndex, fromIndex, this);
            to->attachEdge(this);
        }
    }
    if (from && to) {
        if (directed) {
            from->addOutDegree(colour, 1);
            to->addInDegree(colour, 1);
        } else {
            to->addUndirectedDegree(colour, 1);
            from->addUndirectedDegree(colour, 1);
        }
    }
}

Edge::~Edge() {
    world.liveEdgeCount--;
    // An edge deleted without being killed still leaves the matrix and its nodes.
    if (fromId != -1 || toId != -1) detach();
}

void Edge::update() {
    refreshGeometry();
    if (decays) {
        float s = strength;
        s = s - s * s * 0.02f;
        strength = s;
        if (s < 0.07f) kill();
    }
}

void Edge::refreshGeometry() {
    Node *from = nodeAt(fromIndex);
    Node *to = nodeAt(toIndex);
    // A slot that has been emptied or reused by another node leaves the edge as it is.
    if (!from || !to || from->id != fromId || to->id != toId) return;
    refreshFrom(from, to);
}

void Edge::refreshFrom(Node *from, Node *to) {
    endA = from->position();
    endB = to->position();
    lineStart = endA;
    lineEnd = endB;
    float rA, rB;
    if (directed) {
        rA = from->insetAtStart(edgeColour);
        rB = to->insetAtEnd(edgeColour);
    } else {
        rA = from->insetUndirected(edgeColour);
        rB = to->insetUndirected(edgeColour);
    }
    Vec2 d = endB - endA;
    endsOverlap = d.length() <= rA + rB ? 1 : 0;
    if (endsOverlap) return;
    if (rA != 0.0f) lineStart = endA + d.withLength(rA);
    if (rB != 0.0f) lineEnd = endB - d.withLength(rB);
}

void Edge::detach() {
    if (slotInRange(fromIndex) && slotInRange(toIndex)) {
        Edge *ab, *ba;
        adjacencyPair(fromIndex, toIndex, ab, ba);
        if (ab == this) setAdjacency(fromIndex, toIndex, nullptr);
        if (ba == this) setAdjacency(toIndex, fromIndex, nullptr);
    }
    // Ends of an edge that was never entered are not world nodes; an id lookup
    // would find some unrelated thing.
    if (entered) {
        Node *from = findNode(fromId);
        Node *to = findNode(toId);
        if (directed) {
            if (from) {
                from->addOutDegree(edgeColour, -1);
                from->detachEdge(this);
            }
            if (to) to->addInDegree(edgeColour, -1);
        } else {
            if (from) {
                from->addUndirectedDegree(edgeColour, -1);
                from->detachEdge(this);
            }
            if (to) {
                to->addUndirectedDegree(edgeColour, -1);
                to->detachEdge(this);
            }
        }
        entered = 0;
    }
    fromId = toId = -1;
}

void Edge::kill() {
    detach();
    markDead();
}

void Edge::setColour(int c) {
    edgeColour = c;
    decays = colourDecays(c) ? 1 : 0;
    if (!decays) strength = 1.0f;
}

void Edge::thingRemoved(const Thing *gone) {
    if (containerNode && containerNode->id == gone->id) containerNode = nullptr;
}

Node *Edge::otherEnd(int idx) {
    if (idx == fromIndex) return nodeAt(toIndex);
    if (idx == toIndex) return nodeAt(fromIndex);
    return nullptr;
}

void Edge::draw(DrawPass pass, int flag) {
    (void)flag;
    Painter &p = painter();
    Node *from = nodeAt(fromIndex);
    if (from && from->id == fromId && from->patternIndex >= 0) {
        if (pass != PassEdges) return;
        const float *rgb = from->patternIndex < kPatternSlots ? slotColour(from->patternIndex) : nullptr;
        if (rgb)
            p.setColour(rgb[0], rgb[1], rgb[2]);
        else
            p.setColour(0.0f, 0.0f, 0.0f);
        p.lineWidth(10.0f);
        p.line(lineStart.x, lineStart.y, lineEnd.x, lineEnd.y, 0.0f);
        arrowhead(this, false);
        p.lineWidth(1.0f);
        return;
    }
    if (!world.renderEdges || endsOverlap) return;
    if (pass != PassEdges && !(directed && pass == PassArrows)) return;
    float c[3];
    edgeRGB(this, c);
    p.setColour(c[0], c[1], c[2]);
    p.lineWidth(static_cast<float>(baseWidth(strength)));
    if (pass == PassEdges) {
        p.line(lineStart.x, lineStart.y, lineEnd.x, lineEnd.y, 0.0f);
    } else {
        arrowhead(this, true);
        p.setColour(0.5f, 0.5f, 0.5f);
        p.lineWidth(1.0f);
        arrowhead(this, false);
    }
    p.lineWidth(1.0f);
}

void Edge::drawHighlight() {
    Painter &p = painter();
    float g = 1.0f + (0.0f - 1.0f) * clockTriangle(p.now(), 0.0f, 0.75f);
    p.setColour(g, g, g);
    p.lineWidth(static_cast<float>(2 * baseWidth(strength)));
    p.line(lineStart.x, lineStart.y, lineEnd.x, lineEnd.y, 0.0f);
    if (directed) {
        float c[3];
        edgeRGB(this, c);
        p.setColour(c[0], c[1], c[2]);
        arrowhead(this, true);
        p.setColour(g, g, g);
        arrowhead(this, false);
    }
    p.lineWidth(1.0f);
}

Edge *createEdge(Node *from, Node *to, float amount, bool directed, int colour) {
    if (!from || !to || from == to) return nullptr;
    // Only nodes that hold their own table slots can be joined in the matrix.
    if (!from->inNodeTable() || !to->inNodeTable()) return nullptr;
    Edge *ab, *ba;
    adjacencyPair(from->nodeIndex, to->nodeIndex, ab, ba);
    Edge *old = ab;
    if (!old && !directed) old = ba;
    if (old) {
        old->strength += amount;
        if (old->strength > 1.0f) old->strength = 1.0f;
        return old;
    }
    Edge *e = new Edge(from, to, directed, colour, true);
    if (drovanRand() & 1) {
        from->enforceValence();
        to->enforceValence();
    } else {
        to->enforceValence();
        from->enforceValence();
    }
    return e;
}

Edge *findEdge(int a, int b, bool directedOnly) {
    if (!slotInRange(a) || !slotInRange(b)) return nullptr;
    Edge *ab, *ba;
    adjacencyPair(a, b, ab, ba);
    return ab || directedOnly ? ab : ba;
}

Edge *copyEdge(Edge *e, Node *from, Node *to) {
    if (!e) return nullptr;
    Edge *c = createEdge(from, to, 0.0f, e->directed != 0, e->edgeColour);
    if (c) c->strength = clamp01(e->strength);
    return c;
}

namespace {
void joinToTarget(Node *s, Node *b, bool directed, int colour) {
    if (!b->selected) {
        createEdge(s, b, 0.0f, directed, colour);
        return;
    }
    for (Thing *t = world.thingList; t; t = t->next) {
        if (t->dead || !t->selected) continue;
        if (Node *n = dynamic_cast<Node *>(t)) createEdge(s, n, 0.0f, directed, colour);
    }
}
}  // namespace

void connectNodes(int aId, int bId, bool bySelection, int colour) {
    if (aId == -1 || bId == -1 || aId == bId) return;
    Node *a = findNode(aId);
    Node *b = findNode(bId);
    if (!a || !b) return;
    bool directed = world.directedEdges != 0;
    if (!bySelection) {
        createEdge(a, b, 0.0f, directed, colour);
    } else if (a->selected) {
        for (Thing *t = world.thingList; t; t = t->next) {
            if (t->dead || !t->selected) continue;
            if (Node *s = dynamic_cast<Node *>(t)) joinToTarget(s, b, directed, colour);
        }
    } else {
        joinToTarget(a, b, directed, colour);
    }
    enforceAllValences();
}

bool restLength(Edge *e, float &length) {
    length = 0.0f;
    if (!e) return false;
    if (e->edgeColour == -1) {
        if (world.edgeLength == 0.0f) return false;
        length = world.edgeLength;
        return true;
    }
    if (!isColor(e->edgeColour) || !colorTable[e->edgeColour].hasEdgeLength) return false;
    length = colorTable[e->edgeColour].edgeLength;
    return true;
}

void setAdjacency(int a, int b, Edge *e) {
    if (!slotInRange(a) || !slotInRange(b)) return;
    adjacency[a][b] = e;
    setLink(touchingLists[a], b, e, true);
    setLink(touchingLists[b], a, e, false);
}

const std::vector<SlotLink> &touchingSlots(int slot) {
    static const std::vector<SlotLink> none;
    return slotInRange(slot) ? touchingLists[slot] : none;
}

void adjacencyPair(int a, int b, Edge *&ab, Edge *&ba) {
    ab = ba = nullptr;
    if (!slotInRange(a) || !slotInRange(b)) return;
    if (const SlotLink *l = findLink(touchingLists[a], b)) {
        ab = l->out;
        ba = l->in;
    }
}

void Edge::visitColours(ColourVisitor &v) { v.worn(edgeColour); }

void Edge::archive(StateArchive &a) {
    Thing::archive(a);
    a.value("fromIndex", fromIndex);
    a.value("toIndex", toIndex);
    a.value("fromId", fromId);
    a.value("toId", toId);
    a.vec("endA", endA);
    a.vec("endB", endB);
    a.vec("lineStart", lineStart);
    a.vec("lineEnd", lineEnd);
    a.value("endsOverlap", endsOverlap);
    a.value("capacity", capacity);
    a.value("atomsOnEdge", atomsOnEdge);
    a.value("directed", directed);
    a.value("colour", edgeColour);
    a.value("decays", decays);
    a.link("container", containerNode);
    a.value("entered", entered);
}
