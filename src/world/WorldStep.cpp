#include "world/WorldStep.h"

#include <cmath>

#include "rules/ColorTable.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/NeighbourGrid.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/WorldStore.h"

namespace {
int declaredColours() { return colorCount < 0 ? 0 : (colorCount > kMaxColors ? kMaxColors : colorCount); }

bool insideMeta(drovanThing *t) { return t->container() != nullptr; }
}  // namespace

void rebuildAtomGrid() {
    atomGrid.busy = 1;
    atomGrid.clear();
    for (drovanThing *t = world.thingList; t; t = t->next) {
        drovanAtom *a = dynamic_cast<drovanAtom *>(t);
        if (!a) continue;
        if (a->dead) {
            a->gridNext = nullptr;
            a->gridPrevLink = nullptr;
        } else {
            atomGrid.insert(a, a->position.x, a->position.y);
        }
    }
    atomGrid.busy = 0;
}

void rebuildNodeGrid() {
    nodeGrid.busy = 1;
    nodeGrid.clear();
    for (drovanThing *t = world.thingList; t; t = t->next) {
        drovanNode *n = dynamic_cast<drovanNode *>(t);
        if (!n) continue;
        if (n->dead) {
            n->gridNext = nullptr;
            n->gridPrevLink = nullptr;
            continue;
        }
        vec2 p = n->position();
        // Body nodes sit at their offset from the metanode, unrotated.
        if (drovanMetaNode *m = n->container()) p += m->position();
        nodeGrid.insert(n, p.x, p.y);
    }
    nodeGrid.busy = 0;
}

void worldStep() {
    spawnAtoms();
    rebuildAtomGrid();
    rebuildNodeGrid();
    for (int c = 0; c < declaredColours(); c++) {
        for (int &b : colorTable[c].strengthHistogram) b = 0;
        colorTable[c].nodeTally = 0;
    }
    for (int &m : world.metaCounts) m = 0;
    if (world.anneal) annealNetwork();
    if (world.fix_node_collisions || world.closed_world) relaxCollisions();

    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *n = world.nodeTable[i];
        if (!n || n->dead || insideMeta(n)) continue;
        if (n->patternIndex >= 0 && n->patternIndex < kPatternSlots) world.metaCounts[n->patternIndex]++;
        n->update();
        int c = n->colour();
        if (isColor(c)) {
            int bin = static_cast<int>(n->strength * 20.0f);
            // A strength driven below 0 by a touching node still counts, in bin 0.
            if (!(bin >= 0)) bin = 0;
            if (bin > 19) bin = 19;
            colorTable[c].strengthHistogram[bin]++;
            colorTable[c].nodeTally++;
        }
    }
    for (drovanThing *t = world.thingList; t;) {
        drovanThing *next = t->next;
        if (!t->dead && !insideMeta(t))
            if (drovanEdge *e = dynamic_cast<drovanEdge *>(t)) e->update();
        t = next;
    }
    for (drovanThing *t = world.thingList; t;) {
        drovanThing *next = t->next;
        if (!t->dead && !insideMeta(t) && !dynamic_cast<drovanEdge *>(t) && !dynamic_cast<drovanNode *>(t))
            t->update();
        t = next;
    }
}

void annealNetwork() {
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *n = world.nodeTable[i];
        if (n && !n->dead && n->isMovable() && !insideMeta(n)) annealNode(n);
    }
    if (world.inertia) applyForces(0.0f, 0.5f);
    else applyForces(1.0f, 0.0f);
}

void annealNode(drovanNode *node) {
    if (!node) return;
    vec2 p = node->position();
    vec2 sum;
    int cur = 0;
    while (drovanEdge *e = node->nextAttachedEdge(cur)) {
        bool isFrom = e->fromIndex == node->nodeIndex && e->fromId == node->id;
        vec2 q = isFrom ? e->endB : e->endA;
        vec2 d = q - p;
        if (d.isZero()) continue;
        vec2 f = d;
        float L;
        if (restLength(e, L)) {
            float len = d.length();
            f = d * ((len - L) / len);
        }
        if (world.inertia) f = f * world.edge_springk;
        f = f * e->strength;
        sum += f;
    }
    if (!world.inertia && sum.length() > 1.5f) sum = sum.withLength(1.5f);
    node->force += sum;
}

void relaxCollisions() {
    int pass = ++world.collisionPass;
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *N = world.nodeTable[i];
        if (!N || N->dead) continue;
        bool freeN = N->isFree();
        vec2 p = N->position();
        float r = N->radius();
        if (freeN && world.closed_world) {
            float fx = std::fmax(0.0f, world.worldMinX - (p.x - r)) + std::fmin(0.0f, world.worldMaxX - (p.x + r));
            float fy = std::fmax(0.0f, world.worldMinY - (p.y - r)) + std::fmin(0.0f, world.worldMaxY - (p.y + r));
            N->force += vec2(fx, fy);
            if (fx != 0.0f || fy != 0.0f) N->collisionStamp = pass;
        } else if (!insideMeta(N)) {
            if (p.x > world.worldMaxX) p.x = p.x - world.worldMaxX + world.worldMinX;
            else if (p.x < world.worldMinX) p.x = world.worldMaxX - (world.worldMinX - p.x);
            if (p.y > world.worldMaxY) p.y = p.y - world.worldMaxY + world.worldMinY;
            else if (p.y < world.worldMinY) p.y = world.worldMaxY - (world.worldMinY - p.y);
            N->setPosition(p.x, p.y);
        }
        if (!world.fix_node_collisions || N->collisionStamp >= pass || i + 1 >= kNodeTableSize) continue;
        for (int j = i + 1; j < kNodeTableSize; j++) {
            drovanNode *M = world.nodeTable[j];
            if (!M || M->dead || M->collisionStamp == pass) continue;
            vec2 q = M->position();
            float d = approxDistance(p, q);
            float overlap = d - M->radius() - r;
            if (!(overlap < 0.0f)) continue;
            float depth = -overlap;
            M->decomposeTouching(N, depth);
            N->decomposeTouching(M, depth);
            N->collisionStamp = pass;
            M->collisionStamp = pass;
            vec2 dir = p - q;
            if (dir.isZero()) {
                float a = randUnit() * 360.0f * (1.0f / 360.0f) * 6.28f;
                dir = vec2(std::cos(a), std::sin(a));
            }
            bool freeM = M->isFree();
            float len = freeN && freeM ? depth / 2.0f : depth;
            dir = dir.withLength(len);
            if (freeN) N->force += dir;
            if (freeM) M->force -= dir;
        }
    }
    if (world.inertia) {
        applyForces(0.0f, 0.5f);
    } else {
        for (int i = 0; i < kNodeTableSize; i++) {
            drovanNode *n = world.nodeTable[i];
            if (n && n->force.length() > 2.0f) n->force = n->force.withLength(2.0f);
        }
        applyForces(1.0f, 0.0f);
    }
}

void applyForces(float positionFactor, float velocityFactor) {
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *n = world.nodeTable[i];
        if (!n) continue;
        vec2 p = n->position() + n->force * positionFactor;
        n->setPosition(p.x, p.y);
        vec2 v = n->force * velocityFactor;
        n->push(v.x, v.y, -1.0f);
        n->force = vec2();
    }
}

void dragNodes(int id, float dx, float dy, bool withSelection) {
    drovanNode *n = findNode(id);
    if (!n) return;
    vec2 p = n->position();
    n->moveTo(p.x + dx, p.y + dy);
    if (!withSelection || !n->selected) return;
    for (int i = 0; i < kNodeTableSize; i++) {
        drovanNode *o = world.nodeTable[i];
        if (!o || o == n || o->dead || !o->selected) continue;
        vec2 q = o->position();
        o->moveTo(q.x + dx, q.y + dy);
    }
}
