#include "world/Walkers.h"

#include <new>

#include "world/Edge.h"
#include "world/Node.h"
#include "world/WorldStore.h"

namespace {
bool traceChosen = false;
FILE *traceStream = nullptr;

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The node in a table slot, when it is still the one with the given id.
Node *slotNode(int index, int id) {
    Node *n = nodeAt(index);
    return n && n->id == id ? n : nullptr;
}
}  // namespace

FILE *walkerTraceStream() { return traceChosen ? traceStream : stdout; }

void setWalkerTraceStream(FILE *f) {
    traceChosen = true;
    traceStream = f;
}

void SelectionWalker::walk() {
    int stamp = nextVisitStamp();
    for (Thing *t = world.thingList; t; t = t->next) {
        if (!t->selected || t->dead) continue;
        Node *node = dynamic_cast<Node *>(t);
        if (!node) continue;
        if (callback) callback(context, node);
        int cursor = 0;
        while (Edge *e = node->nextTouchingEdge(cursor)) {
            if (e->visitMark == stamp) continue;
            Node *a = nodeAt(e->fromIndex);
            Node *b = nodeAt(e->toIndex);
            if (!a || !b || !a->selected || !b->selected) continue;
            if (callback) callback(context, e);
            e->visitMark = stamp;
        }
    }
}

void ComponentWalker::walk() {
    if (!start) return;
    mark = nextVisitStamp();
    visit(start);
}

void ComponentWalker::visit(Node *node) {
    FILE *trace = walkerTraceStream();
    if (trace) fprintf(trace, "Node %d (mark %d)\n", node->nodeIndex, node->visitMark);
    if (node->visitMark == mark || node->dead) return;
    if (callback && !callback(context, node)) return;
    node->visitMark = mark;

    int cursor = 0;
    while (Edge *e = node->nextTouchingEdge(cursor)) {
        if (e->visitMark == mark) continue;
        if (callback && !callback(context, e)) continue;
        if (trace)
            fprintf(trace, "Edge %d (%d %s %d) mark: %d\n", e->id, e->fromIndex, e->directed ? "->" : "-", e->toIndex,
                    e->visitMark);
        e->visitMark = mark;
        int other = e->fromIndex != node->nodeIndex ? e->fromIndex : e->toIndex;
        if (Node *next = nodeAt(other)) visit(next);
    }
}

GraphReplicator::~GraphReplicator() { delete[] copies; }

namespace {
bool countNodes(Visitor *v, Thing *t) {
    if (dynamic_cast<Node *>(t)) static_cast<GraphReplicator *>(v)->copyCount++;
    return true;
}

bool copyNodes(Visitor *v, Thing *t) {
    if (Node *n = dynamic_cast<Node *>(t)) static_cast<GraphReplicator *>(v)->copyOf(n, true);
    return true;
}

bool copyEdges(Visitor *v, Thing *t) {
    Edge *e = dynamic_cast<Edge *>(t);
    if (!e) return true;
    GraphReplicator *r = static_cast<GraphReplicator *>(v);
    Node *from = nodeAt(e->fromIndex);
    Node *to = nodeAt(e->toIndex);
    if (!from || !to) return true;
    Node *copyFrom = r->copyOf(from, false);
    Node *copyTo = r->copyOf(to, false);
    if (!copyFrom || !copyTo) return true;
    if (Edge *made = copyEdge(e, copyFrom, copyTo)) {
        float s = clamp01(e->strength);
        e->strength = s;
        made->strength = s;
    }
    return true;
}
}  // namespace

void GraphReplicator::replicate() {
    if (!spider) return;
    copyCount = 0;
    spider->setCallback(this, countNodes);
    spider->walk();

    delete[] copies;
    copies = new (std::nothrow) Pair[copyCount > 0 ? copyCount : 1];
    capacity = copies ? copyCount : 0;
    if (!copies) {
        copyCount = 0;
        return;
    }

    copyCount = 0;
    spider->setCallback(this, copyNodes);
    spider->walk();
    spider->setCallback(this, copyEdges);
    spider->walk();
}

Node *GraphReplicator::copyNode(int i) { return slotNode(copies[i].copy, copies[i].copyId); }

Node *GraphReplicator::copyOf(Node *node, bool create) {
    if (!node) return nullptr;
    for (int i = 0; i < copyCount; i++)
        if (copies[i].source == node->nodeIndex && copies[i].sourceId == node->id) return copyNode(i);
    if (!create) return nullptr;
    // The count pass sized the array; a walk that offers more nodes gets no more copies.
    if (!copies || copyCount >= capacity) return nullptr;

    Node *copy = node->duplicate(false);
    if (!copy) return nullptr;
    copies[copyCount++] = Pair{node->nodeIndex, copy->nodeIndex, node->id, copy->id};

    float s = node->strength;
    node->strength = clamp01(s * sourceFactor);
    copy->strength = clamp01(s * copyFactor);
    copy->vigour = 1.0f;
    node->vigour = clamp01(node->vigour * 0.9f);
    return copy;
}

Node *GraphReplicator::firstCopy() { return copyCount > 0 ? copyNode(0) : nullptr; }

int GraphReplicator::firstCopyId() {
    Node *n = firstCopy();
    return n ? n->id : -1;
}

void GraphReplicator::selectCopies(bool flag) {
    for (int i = 0; i < copyCount; i++)
        if (Node *n = copyNode(i)) n->selected = flag ? 1 : 0;
}

