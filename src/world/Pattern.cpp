#include "world/Pattern.h"
#include "world/ColourVisitor.h"

#include <new>
#include <vector>

#include "world/Edge.h"
#include "world/Node.h"
#include "world/Painter.h"
#include "world/Random.h"
#include "world/StateArchive.h"

// The graph container: entries, their numbering and disposal.

namespace {

template <class T>
T **growByOne(T **old, int count, T *added) {
    T **grown = new (std::nothrow) T *[count + 1];
    if (!grown) return nullptr;
    for (int i = 0; i < count; i++) grown[i] = old[i];
    grown[count] = added;
    return grown;
}

// A pattern edge that is not entered in the world is retired here rather than by
// its own kill: kill looks its ends up by id in the live world, where the
// pattern's small ids name unrelated things.
void retirePatternEdge(Edge *e, Node *from, Node *to) {
    if (e->registered) {
        e->kill();
        return;
    }
    int c = e->edgeColour;
    if (e->directed) {
        if (from) from->addOutDegree(c, -1);
        if (to) to->addInDegree(c, -1);
    } else {
        if (to) to->addUndirectedDegree(c, -1);
        if (from) from->addUndirectedDegree(c, -1);
    }
    e->fromId = e->toId = -1;
    e->markDead();
}

}  // namespace

// createNode, then out of the world again at once: a pattern node holds no
// table slot and no registry entry. Numbering is the caller's.
Node *detachedNode(float x, float y, int colour) {
    if (!isColor(colour)) return nullptr;
    Node *n = createNode(x, y, colour);
    if (!n) return nullptr;
    // Out of the table and the registry.
    n->unregisterNode();
    return n;
}

// An edge that is neither in the world's registries nor on its ends' lists.
Edge *detachedEdge(Node *a, Node *b, bool directed, int colour) {
    Edge *e = new Edge(a, b, directed, colour, false);
    unregister(e);
    Vec2 pa = a->position(), pb = b->position();
    e->endA = e->lineStart = pa;
    e->endB = e->lineEnd = pb;
    return e;
}

void destroyPatternEdge(Edge *e) {
    if (!e) return;
    if (e->registered) {
        e->kill();  // a body edge: the world removes it
        return;
    }
    // Ids of pattern ends are positions, not world ids: never let a destructor
    // look them up in the world.
    e->fromId = e->toId = -1;
    delete e;
}

void destroyPatternNode(Node *n) {
    if (!n) return;
    if (n->registered) {
        n->kill();
        return;
    }
    delete n;
}

void Pattern::adopt(const std::vector<Node *> &listed, const std::vector<Edge *> &joined) {
    delete[] nodes;
    delete[] edges;
    nodes = nullptr;
    edges = nullptr;
    nodeCount = static_cast<int>(listed.size());
    edgeCount = static_cast<int>(joined.size());
    if (!listed.empty()) {
        nodes = new Node *[listed.size()];
        std::copy(listed.begin(), listed.end(), nodes);
    }
    if (!joined.empty()) {
        edges = new Edge *[joined.size()];
        std::copy(joined.begin(), joined.end(), edges);
    }
}

void Pattern::clear() {
    // All at once: removing node 0 again and again walks every edge per node.
    for (int j = 0; j < edgeCount; j++) destroyPatternEdge(edges[j]);
    for (int i = 0; i < nodeCount; i++) destroyPatternNode(nodes[i]);
    adopt({}, {});
}

Node *Pattern::addNode(float x, float y, int colour) {
    Node *n = detachedNode(x, y, colour);
    if (!n) return nullptr;
    Node **grown = growByOne(nodes, nodeCount, n);
    if (!grown) {
        delete n;
        return nullptr;
    }
    delete[] nodes;
    nodes = grown;
    n->id = nodeCount;
    n->nodeIndex = nodeCount;
    nodeCount++;
    numberEdges();
    return n;
}

void Pattern::numberEdges() {
    for (int j = 0; j < edgeCount; j++)
        if (edges[j] && !edges[j]->registered) edges[j]->id = nodeCount + j;
}

Edge *Pattern::addEdge(Node *a, Node *b, bool directed, int colour) {
    if (!a || !b || a == b) return nullptr;
    if (findEdge(a, b)) return nullptr;
    Edge *e = detachedEdge(a, b, directed, colour);
    Edge **grown = growByOne(edges, edgeCount, e);
    if (!grown) {
        retirePatternEdge(e, a, b);
        destroyPatternEdge(e);
        return nullptr;
    }
    delete[] edges;
    edges = grown;
    e->id = nodeCount + edgeCount;
    edgeCount++;
    return e;
}

Edge *Pattern::findEdge(Node *a, Node *b) {
    if (!a || !b) return nullptr;
    int ia = a->nodeIndex, ib = b->nodeIndex;
    for (int j = 0; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e) continue;
        if ((e->fromIndex == ia && e->toIndex == ib) || (e->fromIndex == ib && e->toIndex == ia)) return e;
    }
    return nullptr;
}

void Pattern::removeNode(int k) {
    if (k < 0 || k >= nodeCount) return;
    int killed = 0;
    for (int j = 0; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e || e->dead) continue;
        if (e->fromIndex == k || e->toIndex == k) {
            Node *from = e->fromIndex >= 0 && e->fromIndex < nodeCount ? nodes[e->fromIndex] : nullptr;
            Node *to = e->toIndex >= 0 && e->toIndex < nodeCount ? nodes[e->toIndex] : nullptr;
            retirePatternEdge(e, from, to);
            killed++;
            continue;
        }
        if (e->fromIndex > k) {
            e->fromIndex--;
            e->fromId--;
        }
        if (e->toIndex > k) {
            e->toIndex--;
            e->toId--;
        }
    }
    destroyPatternNode(nodes[k]);
    nodes[k] = nullptr;
    for (int i = k; i + 1 < nodeCount; i++) {
        nodes[i] = nodes[i + 1];
        // A body's nodes keep their world ids and table slots.
        if (nodes[i] && !nodes[i]->registered) {
            nodes[i]->id = i;
            nodes[i]->nodeIndex = i;
        }
    }
    nodeCount--;
    nodes[nodeCount] = nullptr;
    if (nodeCount == 0) {
        delete[] nodes;
        nodes = nullptr;
    }
    compactEdges(killed);
    numberEdges();
}

void Pattern::compactEdges(int killed) {
    if (killed == 0) return;
    // Size the new list by what actually survives, so a wrong count can never overrun it.
    int keep = 0;
    for (int j = 0; j < edgeCount; j++)
        if (edges[j] && !edges[j]->dead) keep++;
    Edge **kept = keep > 0 ? new Edge *[keep] : nullptr;
    int copied = 0;
    for (int j = 0; j < edgeCount; j++) {
        Edge *e = edges[j];
        if (!e) continue;
        if (e->dead) {
            if (!e->registered) destroyPatternEdge(e);  // a dead world edge is the world's to remove
            edges[j] = nullptr;
            continue;
        }
        if (!e->registered) e->id = nodeCount + copied;
        kept[copied++] = e;
    }
    delete[] edges;
    edges = kept;
    edgeCount = copied;
}

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

void Pattern::draw(DrawPass pass, int flag) {
    (void)flag;
    if (pass != PassPattern) return;
    Painter &p = painter();
    p.setColour(0.5f, 0.5f, 0.5f);
    for (int j = 0; j < edgeCount; j++) {
        if (!edges[j]) continue;
        edges[j]->draw(PassEdges, 0);
        edges[j]->draw(PassArrows, 0);
    }
    for (int i = 0; i < nodeCount; i++)
        if (nodes[i]) nodes[i]->draw(PassNodes, 0);
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

void Pattern::connect(int idA, int idB, bool withSelection, int colour) {
    if (idA == -1 || idB == -1 || idA == idB) return;
    Node *a = dynamic_cast<Node *>(findThing(idA));
    Node *b = dynamic_cast<Node *>(findThing(idB));
    if (!a || !b) return;
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

void Pattern::visitColours(ColourVisitor &v) {
    // A thing record's input is a colour or a pattern slot, and only told
    // apart where the record was made; the reaction reads only its output.
    for (int i = 0; i < thingRecordCount && i < 10; i++) v.referred(thingRecords[i].output);
    for (int i = 0; i < cellRecordCount && i < 10; i++) {
        v.referred(cellRecords[i].input);
        v.referred(cellRecords[i].output);
    }
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
