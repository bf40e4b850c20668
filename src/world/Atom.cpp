#include "world/Atom.h"
#include "world/ColourVisitor.h"

#include <cmath>

#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Edge.h"
#include "world/NeighbourGrid.h"
#include "world/Node.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/SlotPool.h"
#include "world/StateArchive.h"
#include "world/WorldStore.h"

namespace {
Edge *findEdgeById(int id) { return asEdge(findThing(id)); }

// Speed and heading of a fresh atom: speed first, then heading.
Vec2 randomVelocity() {
    float r1 = randUnit();
    float s = r1 * 3.25f + 0.25f;
    float r2 = randUnit();
    float a = r2 * 360.0f * (1.0f / 360.0f) * 6.28f;
    return Vec2(s * std::cos(a), s * std::sin(a));
}

// Aim v along to, keeping the length of keep; a zero aim keeps keep itself.
Vec2 steer(Vec2 to, Vec2 keep) {
    if (to.isZero()) return keep;
    return to.withLength(keep.length());
}
}  // namespace

namespace {
// Never destroyed: an atom may outlive every static.
SlotPool &atomPool() {
    static SlotPool *pool = new SlotPool(sizeof(Atom));
    return *pool;
}
}  // namespace

void *Atom::operator new(size_t size) { return size == sizeof(Atom) ? atomPool().allocate() : ::operator new(size); }

void Atom::operator delete(void *p, size_t size) {
    if (size == sizeof(Atom))
        atomPool().release(p);
    else
        ::operator delete(p);
}

Atom::Atom(float x, float y, int c, int creator) {
    setKind(ThingAtom);
    world.liveAtomCount++;
    state = AtomFree;
    visitedCount = 0;
    velocity = randomVelocity();
    position = Vec2(x, y);
    colour = c;
    creatorId = creator;
    lastNodeId = creator;
    edgeId = -1;
    if (creator != -1 && isColor(c) && colorTable[c].hasCaptureArc) {
        if (Node *n = findNode(creator)) {
            float r1 = randUnit();
            float s = r1 * 3.25f + 0.25f;
            float r2 = randUnit();
            float arc = colorTable[c].captureArc;
            float h = n->angle() - arc * 0.5f + r2 * arc;
            velocity = Vec2(s * std::cos(h), s * std::sin(h));
        }
    }
    if (creator != -1) appendVisited(creator);
    strength = 1.0f;
    pendingNode = lastPendingNode = -1;
    if (creator != -1) chooseNextEdge(creator);
}

Atom::~Atom() {
    setNoticeKey(this, false, 0);
    world.liveAtomCount--;
    atomSnapshot.forget(this);
}

void Atom::appendVisited(int id) {
    if (visitedCount >= kVisitedMax) return;
    if (visitedCount > 0 && visited[visitedCount - 1] == id) return;
    visited[visitedCount++] = id;
}

void Atom::markVisited(int nodeId) {
    lastNodeId = nodeId;
    appendVisited(nodeId);
}

void Atom::update() {
    if (world.renderAtomAggregates && world.aggregateGrid) {
        world.aggregateGrid->deposit(colour, position.x, position.y, strength * 0.2f);
    }
    if (state == AtomOnEdge) {
        if (approxDistance(position, edgeTarget) < 3.0f) {
            leaveEdge();
            chooseNextEdge(edgeTargetId);
        }
        // An atom that arrived and found no next edge drifts on freely.
        if (state == AtomOnEdge) followEdge();
    } else if (state == AtomHeld) {
        orbitHolder();
    } else {
        if (pendingNode != lastPendingNode && pendingNode != 0) {
            chooseNextEdge(pendingNode);
            pendingNode = 0;
        }
        lastPendingNode = pendingNode;
    }
    position += velocity;
    atomMoved(this);
    // Until it moves again the place stays, and so does the segment.
    progressOwed = true;
    if (state != AtomFree) settleProgress();
    float f = state == AtomFree ? 1.0f : (state == AtomOnEdge ? 0.125f : 0.25f);
    float rate = isColor(colour) ? colorTable[colour].atomDecayRate : 0.0f;
    consume(rate * f);
}

void Atom::settleProgress() {
    if (!progressOwed) return;
    progressOwed = false;
    Vec2 seg = segmentEnd - segmentStart;
    float segLen = seg.length();
    progress = segLen == 0.0f ? 1.0f : (position - segmentStart).length() / segLen;
}

void Atom::consume(float amount) {
    strength -= amount;
    if (strength < 0.0f) kill();
}

void Atom::leaveEdgeCount() {
    if (Edge *e = findEdgeById(edgeId)) e->atomsOnEdge--;
}

void Atom::leaveEdge() {
    // Only an atom on an edge leaves it, so an edge's count is lowered once.
    if (state != AtomOnEdge) return;
    velocity = savedVelocity;
    state = AtomFree;
    refreshNotice();
    leaveEdgeCount();
}

void Atom::chooseNextEdge(int nodeId) {
    Node *node = findNode(nodeId);
    if (!node) return;
    auto weight = [this](Edge *e) {
        if (isColor(e->edgeColour) && e->edgeColour != colour) return 0.0f;
        return e->strength;
    };
    auto leadsBack = [this, node](Edge *e) {
        int other = e->fromIndex == node->nodeIndex && e->fromId == node->id ? e->toId : e->fromId;
        return other == lastNodeId;
    };
    float total = 0.0f;
    int cur = 0;
    while (Edge *e = node->nextAttachedEdge(cur))
        if (!leadsBack(e)) total += weight(e);
    if (!(total > 0.0f)) return;
    float r = randUnit() * total;
    cur = 0;
    while (Edge *e = node->nextAttachedEdge(cur)) {
        if (leadsBack(e)) continue;
        float w = weight(e);
        // An edge of another colour is never taken, even by a zero draw.
        if (w == 0.0f) continue;
        r -= w;
        if (r <= 0.0f) {
            bool nodeIsA = e->fromIndex == node->nodeIndex && e->fromId == node->id;
            enterEdge(e, !nodeIsA, nodeIsA);
            return;
        }
    }
}

bool Atom::enterEdge(Edge *e, bool startAtB, bool targetAtB) {
    if (!e) return false;
    Vec2 target = targetAtB ? e->endB : e->endA;
    int targetId = targetAtB ? e->toId : e->fromId;
    Vec2 start = startAtB ? e->endB : e->endA;
    if (MetaNode *m = e->container()) {
        target = containerToWorld(m, target);
        start = containerToWorld(m, start);
    }
    if (state != AtomFree || e->id == edgeId || e->atomsOnEdge >= e->capacity) return false;
    segmentStart = start;
    segmentEnd = target;
    edgeId = e->id;
    appendVisited(e->id);
    e->atomsOnEdge++;
    state = AtomOnEdge;
    refreshNotice();
    edgeTarget = target;
    edgeStartIndex = startAtB ? e->toIndex : e->fromIndex;
    edgeTargetId = targetId;
    savedVelocity = velocity;
    velocity = edgeTarget - position;
    progress = 0.0f;
    progressOwed = false;  // whatever the last update left owed
    velocity = steer(velocity, savedVelocity);
    return true;
}

void Atom::followEdge() {
    Node *start = nodeAt(edgeStartIndex);
    Node *target = findNode(edgeTargetId);
    if (!start || !target) return;
    segmentStart = worldPosition(start);
    segmentEnd = worldPosition(target);
    edgeTarget = segmentEnd;
    position = segmentStart + (segmentEnd - segmentStart) * progress;
    atomMoved(this);
    velocity = steer(edgeTarget - position, savedVelocity);
}

bool Atom::holdBy(int nodeId) {
    if (state == AtomOnEdge) leaveEdge();
    if (state != AtomFree) return false;
    state = AtomHeld;
    holderId = nodeId;
    refreshNotice();
    savedVelocity = velocity;
    if (Node *n = findNode(nodeId)) n->addCollected(colour, 1);
    return true;
}

void Atom::release() {
    state = AtomFree;
    refreshNotice();
    velocity = savedVelocity;
    if (Node *n = findNode(holderId)) n->addCollected(colour, -1);
    chooseNextEdge(holderId);
}

void Atom::orbitHolder() {
    Node *holder = findNode(holderId);
    if (!holder) return;
    Vec2 c = worldPosition(holder);
    float R = holder->radius();
    float inner = R * 0.65f, outer = R * 0.75f;
    float d = approxDistance(position, c);
    if (d + 2.0f <= outer) return;
    float r = randUnit();
    float deg = 180.0f + 20.0f * (2.0f * r - 1.0f);
    float phi = std::atan2(c.y - position.y, c.x - position.x) + deg * (1.0f / 360.0f) * 6.28f;
    Vec2 aim = c + Vec2(std::cos(phi), std::sin(phi)) * (inner - 2.0f);
    velocity = (aim - position).withLength(savedVelocity.length());
}

void Atom::thingRemoved(const Thing *gone) {
    int id = gone->id;
    if (state == AtomOnEdge && edgeId == id)
        leaveEdge();
    else if (state == AtomHeld && holderId == id)
        release();
}

void Atom::kill() {
    if (state == AtomOnEdge) {
        leaveEdgeCount();
    } else if (state == AtomHeld) {
        if (Node *n = findNode(holderId)) n->addCollected(colour, -1);
    }
    state = AtomFree;
    refreshNotice();
    markDead();
    atomSnapshot.touched(this);
}

void Atom::refreshNotice() {
    bool riding = state == AtomOnEdge, held = state == AtomHeld;
    setNoticeKey(this, riding || held, riding ? edgeId : holderId);
}

void Atom::rewardVisited(float amount) {
    for (int k = 0; k < visitedCount; k++) {
        Thing *t = findThing(visited[k]);
        if (!t || t->dead) continue;
        t->strength += amount;
        if (t->strength > 1.0f) t->strength = 1.0f;
    }
}

void Atom::copyVisited(const Atom *other) {
    if (!other) return;
    for (int k = 0; k < other->visitedCount && visitedCount < kVisitedMax; k++) appendVisited(other->visited[k]);
}

void Atom::draw(int pass, int flag) {
    (void)flag;
    if (!world.renderAtoms) return;
    bool held = state == AtomHeld;
    if (pass != (held ? -4 : 0)) return;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    if (isColor(colour))
        for (int k = 0; k < 3; k++) rgb[k] = colorTable[colour].rgb[k];
    Painter &p = painter();
    p.setColour(1.0f + (rgb[0] - 1.0f) * strength, 1.0f + (rgb[1] - 1.0f) * strength,
                1.0f + (rgb[2] - 1.0f) * strength);
    p.smallDisc(position.x, position.y, held);
}

void spawnAtoms() {
    for (int c = 0; c < colorCount && c < kMaxColors; c++) {
        float p = colorTable[c].atomProbability;
        // The loop stops once subtracting 1 no longer lowers p (huge or infinite rates).
        while (p > 0.0f) {
            bool spawn = p > 1.0f;
            if (!spawn) spawn = randUnit() < p;
            if (spawn) {
                float r1 = randUnit();
                float r2 = randUnit();
                new Atom(world.worldMinX + r1 * (world.worldMaxX - world.worldMinX),
                         world.worldMinY + r2 * (world.worldMaxY - world.worldMinY), c, -1);
            }
            float q = p - 1.0f;
            if (!(q < p)) break;
            p = q;
        }
    }
}

void Atom::visitColours(ColourVisitor &v) { v.worn(colour); }

void Atom::archive(StateArchive &a) {
    Thing::archive(a);
    a.vec("position", position);
    a.value("state", state);
    a.vec("savedVelocity", savedVelocity);
    a.vec("edgeTarget", edgeTarget);
    a.value("edgeStartIndex", edgeStartIndex);
    a.value("edgeTargetId", edgeTargetId);
    a.value("edgeId", edgeId);
    settleProgress();
    a.value("progress", progress);
    a.vec("segmentStart", segmentStart);
    a.vec("segmentEnd", segmentEnd);
    a.value("holderId", holderId);
    a.value("lastNodeId", lastNodeId);
    a.value("creatorId", creatorId);
    a.value("pendingNode", pendingNode);
    a.value("lastPendingNode", lastPendingNode);
    a.value("visitedCount", visitedCount);
    for (int i = 0; i < visitedCount && i < kVisitedMax; i++) a.value("visited", visited[i]);
    a.vec("velocity", velocity);
    a.value("colour", colour);
}
