#pragma once
// Walkers: the visits over the selection and over a connected structure, with
// their callbacks.
#include <cstdio>

class Thing;
class Node;

// What a walker's callback works for.
class Visitor {
public:
    virtual ~Visitor() = default;
    virtual void visitorSlot() {}
};

using WalkCallback = bool (*)(Visitor *context, Thing *thing);

class Walker {
public:
    Walker() = default;
    Walker(Visitor *c, WalkCallback cb) : context(c), callback(cb) {}
    virtual ~Walker() = default;
    virtual void walk() = 0;
    void setCallback(Visitor *c, WalkCallback cb) {
        context = c;
        callback = cb;
    }

    Visitor *context = nullptr;
    WalkCallback callback = nullptr;
};

// Visits every selected live node (thingList order) and the edges between them.
class SelectionWalker : public Walker {
public:
    using Walker::Walker;
    void walk() override;
};

// Depth-first walk over the connected structure around a start node.
class ComponentWalker : public Walker {
public:
    ComponentWalker() = default;
    ComponentWalker(Node *s, Visitor *c, WalkCallback cb) : Walker(c, cb), start(s) {}
    void walk() override;

    int mark = 0;
    Node *start = nullptr;

private:
    void visit(Node *node);
};

// Where the component walk writes its "Node ..." and "Edge ..." trace lines:
// stdout unless set; nullptr keeps walks silent.
FILE *walkerTraceStream();
void setWalkerTraceStream(FILE *f);

// Copies whatever its walker visits, in place, as new world nodes and edges.
class GraphReplicator : public Visitor {
public:
    explicit GraphReplicator(Walker *s) : spider(s) {}
    ~GraphReplicator() override;
    GraphReplicator(const GraphReplicator &) = delete;
    GraphReplicator &operator=(const GraphReplicator &) = delete;

    void replicate();
    Node *copyOf(Node *node, bool create);
    void setFactors(float source, float copy) {
        sourceFactor = source;
        copyFactor = copy;
    }
    Node *firstCopy();
    int firstCopyId();
    void selectCopies(bool flag);

    // Table slots are looked up again on every use; the ids tell a slot that
    // was emptied and filled by another node since the pair was made.
    struct Pair {
        int source;
        int copy;
        int sourceId;
        int copyId;
    };
    Walker *spider;
    float sourceFactor = 1.0f;
    float copyFactor = 1.0f;
    int copyCount = 0;
    Pair *copies = nullptr;
    int capacity = 0;

private:
    Node *copyNode(int i);
};
