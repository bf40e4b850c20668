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
drovanNode *slotNode(int index, int id) {
    drovanNode *n = nodeAt(index);
    return n && n->id == id ? n : nullptr;
}
}  // namespace

FILE *walkerTraceStream() { return traceChosen ? traceStream : stdout; }

void setWalkerTraceStream(FILE *f) {
    traceChosen = true;
    traceStream = f;
}

void drovanSelectionSpider::walk() {
    int stamp = nextVisitStamp();
    for (drovanThing *t = world.thingList; t; t = t->next) {
        if (!t->selected || t->dead) continue;
        drovanNode *node = dynamic_cast<drovanNode *>(t);
        if (!node) continue;
        if (callback) callback(context, node);
        int cursor = 0;
        while (drovanEdge *e = node->nextTouchingEdge(cursor)) {
            if (e->visitMark == stamp) continue;
            drovanNode *a = nodeAt(e->fromIndex);
            drovanNode *b = nodeAt(e->toIndex);
            if (!a || !b || !a->selected || !b->selected) continue;
            if (callback) callback(context, e);
            e->visitMark = stamp;
        }
    }
}

void drovanComponentSpider::walk() {
    if (!start) return;
    mark = nextVisitStamp();
    visit(start);
}

void drovanComponentSpider::visit(drovanNode *node) {
    FILE *trace = walkerTraceStream();
    if (trace) fprintf(trace, "Node %d (mark %d)\n", node->nodeIndex, node->visitMark);
    if (node->visitMark == mark || node->dead) return;
    if (callback && !callback(context, node)) return;
    node->visitMark = mark;

    int cursor = 0;
    while (drovanEdge *e = node->nextTouchingEdge(cursor)) {
        if (e->visitMark == mark) continue;
        if (callback && !callback(context, e)) continue;
        if (trace)
            fprintf(trace, "Edge %d (%d %s %d) mark: %d\n", e->id, e->fromIndex, e->directed ? "->" : "-", e->toIndex,
                    e->visitMark);
        e->visitMark = mark;
        int other = e->fromIndex != node->nodeIndex ? e->fromIndex : e->toIndex;
        if (drovanNode *next = nodeAt(other)) visit(next);
    }
}

graphReplicator::~graphReplicator() { delete[] copies; }

namespace {
bool countNodes(drovanVisitor *v, drovanThing *t) {
    if (dynamic_cast<drovanNode *>(t)) static_cast<graphReplicator *>(v)->copyCount++;
    return true;
}

bool copyNodes(drovanVisitor *v, drovanThing *t) {
    if (drovanNode *n = dynamic_cast<drovanNode *>(t)) static_cast<graphReplicator *>(v)->copyOf(n, true);
    return true;
}

bool copyEdges(drovanVisitor *v, drovanThing *t) {
    drovanEdge *e = dynamic_cast<drovanEdge *>(t);
    if (!e) return true;
    graphReplicator *r = static_cast<graphReplicator *>(v);
    drovanNode *from = nodeAt(e->fromIndex);
    drovanNode *to = nodeAt(e->toIndex);
    if (!from || !to) return true;
    drovanNode *copyFrom = r->copyOf(from, false);
    drovanNode *copyTo = r->copyOf(to, false);
    if (!copyFrom || !copyTo) return true;
    if (drovanEdge *made = copyEdge(e, copyFrom, copyTo)) {
        float s = clamp01(e->strength);
        e->strength = s;
        made->strength = s;
    }
    return true;
}
}  // namespace

void graphReplicator::replicate() {
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

drovanNode *graphReplicator::sourceNode(int i) { return slotNode(copies[i].source, copies[i].sourceId); }

drovanNode *graphReplicator::copyNode(int i) { return slotNode(copies[i].copy, copies[i].copyId); }

drovanNode *graphReplicator::copyOf(drovanNode *node, bool create) {
    if (!node) return nullptr;
    for (int i = 0; i < copyCount; i++)
        if (copies[i].source == node->nodeIndex && copies[i].sourceId == node->id) return copyNode(i);
    if (!create) return nullptr;
    // The count pass sized the array; a walk that offers more nodes gets no more copies.
    if (!copies || copyCount >= capacity) return nullptr;

    drovanNode *copy = node->duplicate(false);
    if (!copy) return nullptr;
    copies[copyCount++] = Pair{node->nodeIndex, copy->nodeIndex, node->id, copy->id};

    float s = node->strength;
    node->strength = clamp01(s * sourceFactor);
    copy->strength = clamp01(s * copyFactor);
    copy->vigour = 1.0f;
    node->vigour = clamp01(node->vigour * 0.9f);
    return copy;
}

drovanNode *graphReplicator::firstCopy() { return copyCount > 0 ? copyNode(0) : nullptr; }

int graphReplicator::firstCopyId() {
    drovanNode *n = firstCopy();
    return n ? n->id : -1;
}

void graphReplicator::selectCopies(bool flag) {
    for (int i = 0; i < copyCount; i++)
        if (drovanNode *n = copyNode(i)) n->selected = flag ? 1 : 0;
}

void graphReplicator::selectSources(bool flag) {
    for (int i = 0; i < copyCount; i++)
        if (drovanNode *n = sourceNode(i)) n->selected = flag ? 1 : 0;
}
