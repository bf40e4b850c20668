#include "world/ColourRenumber.h"

#include "world/AggregateGrid.h"
#include "world/ColourVisitor.h"
#include "world/Edge.h"
#include "world/Node.h"
#include "world/Pattern.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

// Every thing once: the registry, then the pattern slots (kept outside it)
// with their entries.
template <class F>
void eachThing(F f) {
    for (Thing *t = world.thingList; t; t = t->next) f(t);
    for (PatternSlot &s : patternSlots) {
        if (!s.pattern) continue;
        f(s.pattern);
        for (int i = 0; i < s.pattern->nodeCount; i++)
            if (s.pattern->nodes[i]) f(s.pattern->nodes[i]);
        for (int j = 0; j < s.pattern->edgeCount; j++)
            if (s.pattern->edges[j]) f(s.pattern->edges[j]);
    }
}

class Collector : public ColourVisitor {
public:
    explicit Collector(bool *u) : used(u) {}
    void worn(int &c) override {
        if (c >= 0 && c < kMaxColors) used[c] = true;
    }
    void referred(int &) override {}
    void perColour(int *) override {}
    void perColour(float *) override {}

private:
    bool *used;
};

class Renumberer : public ColourVisitor {
public:
    Renumberer(const int *m, int n) : map(m), count(n) {}
    void worn(int &c) override { referred(c); }
    void referred(int &c) override {
        if (c >= 0 && c < count) c = map[c];
    }
    void perColour(int *e) override { move(e); }
    void perColour(float *e) override { move(e); }

private:
    template <class T>
    void move(T *e) {
        T old[kMaxColors];
        for (int c = 0; c < kMaxColors; c++) old[c] = e[c], e[c] = T();
        for (int c = 0; c < count; c++)
            if (map[c] >= 0 && map[c] < kMaxColors) e[map[c]] = old[c];
    }
    const int *map;
    int count;
};

}  // namespace

void coloursInUse(bool used[kMaxColors]) {
    for (int c = 0; c < kMaxColors; c++) used[c] = false;
    Collector collect(used);
    eachThing([&](Thing *t) {
        if (!t->dead) t->visitColours(collect);
    });
}

void renumberColours(const int *newOfOld, int oldCount, int newCount) {
    Renumberer renumber(newOfOld, oldCount);
    eachThing([&](Thing *t) { t->visitColours(renumber); });
    if (world.aggregateGrid) {
        AggregateGrid *g = world.aggregateGrid->renumbered(newOfOld, newCount);
        delete world.aggregateGrid;
        world.aggregateGrid = g;
        for (int c = 0; c < newCount; c++) g->setLayerColour(c, colorTable[c].rgb);
    }
}
