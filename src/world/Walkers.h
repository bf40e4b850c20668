#pragma once
#include <cstdio>

class drovanThing;
class drovanNode;

// What a walker's callback works for.
class drovanVisitor {
public:
    virtual ~drovanVisitor() = default;
    virtual void visitorSlot() {}
};

using SpiderCallback = bool (*)(drovanVisitor *context, drovanThing *thing);

class drovanSpider {
public:
    drovanSpider() = default;
    drovanSpider(drovanVisitor *c, SpiderCallback cb) : context(c), callback(cb) {}
    virtual ~drovanSpider() = default;
    virtual void walk() = 0;
    void setCallback(drovanVisitor *c, SpiderCallback cb) { context = c; callback = cb; }

    drovanVisitor *context = nullptr;
    SpiderCallback callback = nullptr;
};

// Visits every selected live node (thingList order) and the edges between them.
class drovanSelectionSpider : public drovanSpider {
public:
    using drovanSpider::drovanSpider;
    void walk() override;
};

// Depth-first walk over the connected structure around a start node.
class drovanComponentSpider : public drovanSpider {
public:
    drovanComponentSpider() = default;
    drovanComponentSpider(drovanNode *s, drovanVisitor *c, SpiderCallback cb) : drovanSpider(c, cb), start(s) {}
    void walk() override;

    int mark = 0;
    drovanNode *start = nullptr;

private:
    void visit(drovanNode *node);
};

// Where the component walk writes its "Node ..." and "Edge ..." trace lines:
// stdout unless set; nullptr keeps walks silent.
FILE *walkerTraceStream();
void setWalkerTraceStream(FILE *f);

// Copies whatever its walker visits, in place, as new world nodes and edges.
class graphReplicator : public drovanVisitor {
public:
    explicit graphReplicator(drovanSpider *s) : spider(s) {}
    ~graphReplicator() override;
    graphReplicator(const graphReplicator &) = delete;
    graphReplicator &operator=(const graphReplicator &) = delete;

    void replicate();
    drovanNode *copyOf(drovanNode *node, bool create);
    void setFactors(float source, float copy) { sourceFactor = source; copyFactor = copy; }
    drovanNode *firstCopy();
    int firstCopyId();
    void selectCopies(bool flag);
    void selectSources(bool flag);

    // Table slots are looked up again on every use; the ids tell a slot that
    // was emptied and filled by another node since the pair was made.
    struct Pair {
        int source;
        int copy;
        int sourceId;
        int copyId;
    };
    drovanSpider *spider;
    float sourceFactor = 1.0f;
    float copyFactor = 1.0f;
    int copyCount = 0;
    Pair *copies = nullptr;
    int capacity = 0;

private:
    drovanNode *sourceNode(int i);
    drovanNode *copyNode(int i);
};
