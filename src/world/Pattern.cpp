#include "world/Pattern.h"

#include <new>

#include "world/Edge.h"
#include "world/Node.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/StateArchive.h"

Pattern::Pattern() {
    // Entries are nodes and edges, matched by identity.
    deafToAtoms = 1;
    float r = randUnit();
    tickPeriod = static_cast<int>((r + 1.0f) * 15.0f);
}

Pattern::~Pattern() {
    for (int i = 0; i < nodeCount; i++) {
        destroyPatternNode(nodes[i]);
        nodes[i] = nullptr;
    }
    for (int j = 0; j < edgeCount; j++) {
        destroyPatternEdge(edges[j]);
        edges[j] = nullptr;
    }
    delete[] nodes;
    delete[] edges;
    nodes = nullptr;
    edges = nullptr;
}

void Pattern::draw(int pass, int flag) {
    (void)flag;
    if (pass != -5) return;
    Painter &p = painter();
    p.setColour(0.5f, 0.5f, 0.5f);
    for (int j = 0; j < edgeCount; j++) {
        if (!edges[j]) continue;
        edges[j]->draw(-3, 0);
        edges[j]->draw(-2, 0);
    }
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i]) nodes[i]->draw(0, 0);
    p.lineWidth(1.0f);
    p.pointSize(1.0f);
}

void Pattern::thingRemoved(const Thing *gone) {
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i] && nodes[i] == gone) {
            nodes[i] = nullptr;
            return;
        }
    for (int j = 0; j < edgeCount; j++)
        if (edges[j] && edges[j] == gone) {
            edges[j] = nullptr;
            return;
        }
}

void Pattern::addInstances(int n) {
    instanceCount += n;
    if (instanceCount < 0) instanceCount = 0;
}

Thing *Pattern::findThing(int id) {
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i] && nodes[i]->id == id) return nodes[i];
    for (int j = 0; j < edgeCount; j++)
        if (edges[j] && edges[j]->id == id) return edges[j];
    return nullptr;
}

int Pattern::hitNode(float x, float y) {
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i] && nodes[i]->hitTest(x, y)) return nodes[i]->id;
    return -1;
}

void Pattern::clearSelection() {
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i]) nodes[i]->selected = 0;
    for (int j = 0; j < edgeCount; j++)
        if (edges[j]) edges[j]->selected = 0;
}

void Pattern::drawSelectedExcept(int id) {
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i] && nodes[i]->selected && nodes[i]->id != id) nodes[i]->drawHighlight();
}

void Pattern::translate(float dx, float dy) {
    Vec2 d(dx, dy);
    for (int i = 0; i < nodeCount; i++) {
        if (!nodes[i]) continue;
        Vec2 p = nodes[i]->position();
        nodes[i]->setPosition(p.x + dx, p.y + dy);
    }
    for (int j = 0; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e) continue;
        e->endA += d;
        e->endB += d;
        e->lineStart += d;
        e->lineEnd += d;
    }
}

// Move one node and carry the cached ends of its edges along.
static void moveOne(Pattern *pat, Node *n, float dx, float dy) {
    Vec2 p = n->position();
    Vec2 q(p.x + dx, p.y + dy);
    n->moveTo(q.x, q.y);
    for (int j = 0; j < pat->edgeCount; j++) {
        Edge *e = pat->edges[j];
        if (!e) continue;
        if (e->fromId == n->id) e->endA = e->lineStart = q;
        if (e->toId == n->id) e->endB = e->lineEnd = q;
    }
}

void Pattern::moveNodeBy(int id, float dx, float dy, bool withSelection) {
    Node *n = dynamic_cast<Node *>(findThing(id));
    if (!n) return;
    moveOne(this, n, dx, dy);
    if (!withSelection || !n->selected) return;
    for (int i = 0; i < nodeCount; i++) {
        Node *o = nodes[i];
        if (o && o != n && o->selected) moveOne(this, o, dx, dy);
    }
}

void Pattern::connect(int idA, int idB, bool withSelection) {
    if (idA == -1 || idB == -1 || idA == idB) return;
    Node *a = dynamic_cast<Node *>(findThing(idA));
    Node *b = dynamic_cast<Node *>(findThing(idB));
    if (!a || !b) return;
    int colour = world.coloredEdges ? world.placeColour : -1;
    bool directed = world.directedEdges != 0;
    if (!withSelection) {
        addEdge(a, b, directed, colour);
        return;
    }
    if (!a->selected) {
        connectToSelection(a, b, directed, colour);
        return;
    }
    for (int i = 0; i < nodeCount; i++) {
        Node *n = nodes[i];
        if (n && !n->dead && n->selected) connectToSelection(n, b, directed, colour);
    }
}

void Pattern::connectToSelection(Node *a, Node *b, bool directed, int colour) {
    if (!a || !b) return;
    if (!b->selected) {
        addEdge(a, b, directed, colour);
        return;
    }
    for (int i = 0; i < nodeCount; i++) {
        Node *n = nodes[i];
        if (n && !n->dead && n->selected) addEdge(a, n, directed, colour);
    }
}

Edge *Pattern::nextEdgeAt(int k, int &cursor) {
    if (k < 0 || k >= nodeCount) return nullptr;
    if (cursor < 0) cursor = 0;
    for (int j = cursor; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e || e->dead) continue;
        if (e->fromIndex == k || e->toIndex == k) {
            cursor = j + 1;
            return e;
        }
    }
    cursor = edgeCount;
    return nullptr;
}

Pattern *Pattern::instantiate(float scale) {
    Pattern *p = new (std::nothrow) Pattern();
    if (!p) return nullptr;
    float v = vigour;
    p->vigour = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    p->patternRadius = scale * patternRadius;
    if (nodeCount > 0) {
        p->nodes = new (std::nothrow) Node *[nodeCount]();
        if (!p->nodes) {
            delete p;
            return nullptr;
        }
    }
    if (edgeCount > 0) {
        p->edges = new (std::nothrow) Edge *[edgeCount]();
        if (!p->edges) {
            delete p;
            return nullptr;
        }
    }
    p->nodeCount = nodeCount;
    p->edgeCount = edgeCount;

    for (int i = 0; i < nodeCount; i++) {
        if (!nodes[i]) continue;
        Node *copy = nodes[i]->duplicate(false);
        if (!copy) continue;  // node table full: the entry stays empty
        copy->setScale(scale);
        Vec2 pos = nodes[i]->position();
        copy->setPosition(pos.x * scale, pos.y * scale);
        p->nodes[i] = copy;
    }
    for (int j = 0; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e) continue;
        int f = -1, t = -1;
        for (int i = 0; i < nodeCount; i++) {
            if (!nodes[i]) continue;
            if (f < 0 && nodes[i]->nodeIndex == e->fromIndex) f = i;
            if (t < 0 && nodes[i]->nodeIndex == e->toIndex) t = i;
        }
        if (f < 0 || t < 0 || !p->nodes[f] || !p->nodes[t] || f == t) continue;
        p->edges[j] = new Edge(p->nodes[f], p->nodes[t], e->directed != 0, e->edgeColour, true);
    }
    return p;
}

void Pattern::archive(StateArchive &a) {
    Thing::archive(a);
    a.value("instances", instanceCount);
    a.value("nodeCount", nodeCount);
    for (int i = 0; i < nodeCount; i++) a.link("node", nodes[i]);
    a.value("edgeCount", edgeCount);
    for (int j = 0; j < edgeCount; j++) a.link("edge", edges[j]);
    a.value("radius", patternRadius);
    for (float &c : bodyRgb) a.value("rgb", c);
    a.value("tickCounter", tickCounter);
    a.value("tickPeriod", tickPeriod);
    a.value("thingRecordCount", thingRecordCount);
    for (int i = 0; i < thingRecordCount && i < 10; i++) {
        ThingRecord &r = thingRecords[i];
        a.value("input", r.input);
        a.value("output", r.output);
        a.value("factor", r.factor);
        a.value("thingId", r.thingId);
        a.value("nodeIndex", r.nodeIndex);
    }
    a.value("cellRecordCount", cellRecordCount);
    for (int i = 0; i < cellRecordCount && i < 10; i++) {
        CellRecord &r = cellRecords[i];
        a.value("input", r.input);
        a.value("output", r.output);
        a.value("factor", r.factor);
        a.value("nodeIndex", r.nodeIndex);
        a.value("x", r.x);
        a.value("y", r.y);
    }
}
