#include "world/WorldStore.h"

#include "rules/BuiltinRules.h"
#include "rules/ColorTable.h"
#include "world/Edge.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/Thing.h"
#include "world/Walkers.h"

WorldStore world;
drovanEdge *adjacency[kNodeTableSize][kNodeTableSize];

const MaxEdgesChoice maxEdgesChoices[6] = {
    {"No constraint", -1}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5},
};
const SpeedChoice speedPeriods[4] = {
    {"Pause", 0.0f}, {"Slow", 0.06666667f}, {"Normal", 0.033333335f}, {"Fast", 0.016666668f},
};

void (*refreshPanelHook)() = nullptr;
void refreshPanel() {
    if (refreshPanelHook && world.panel) refreshPanelHook();
}

static int bucketOf(int id) {
    // Negative ids are never found by id; keep them in bucket 0 so they never
    // index outside the table.
    return id < 0 ? 0 : id % kIdBuckets;
}

static void appendToBucket(drovanThing *t) {
    drovanThing **link = &world.idIndex[bucketOf(t->id)];
    while (*link) link = &(*link)->bucketNext;
    *link = t;
    t->bucketPrevLink = link;
    t->bucketNext = nullptr;
}

static void removeFromBucket(drovanThing *t) {
    if (!t->bucketPrevLink) return;
    *t->bucketPrevLink = t->bucketNext;
    if (t->bucketNext) t->bucketNext->bucketPrevLink = t->bucketPrevLink;
    t->bucketNext = nullptr;
    t->bucketPrevLink = nullptr;
}

static void removeFromList(drovanThing *t) {
    if (!t->prevLink) return;
    *t->prevLink = t->next;
    if (t->next) t->next->prevLink = t->prevLink;
    t->next = nullptr;
    t->prevLink = nullptr;
}

void registerThing(drovanThing *t) {
    t->next = world.thingList;
    if (world.thingList) world.thingList->prevLink = &t->next;
    world.thingList = t;
    t->prevLink = &world.thingList;
    world.thingCount++;
    t->id = world.nextId++;
    appendToBucket(t);
    t->dead = 0;
    t->selected = 0;
    t->registered = 1;
}

void unregister(drovanThing *t) {
    if (!t->registered) return;
    removeFromList(t);
    removeFromBucket(t);
    world.thingCount--;
    t->registered = 0;
}

void destroyThingLinks(drovanThing *t) {
    if (!t->registered) return;
    unregister(t);
    int id = t->id;
    for (drovanThing *o = world.thingList; o;) {
        drovanThing *n = o->next;
        o->thingRemoved(id);
        o = n;
    }
}

drovanThing *findThing(int id) {
    if (id < 0) return nullptr;
    for (drovanThing *t = world.idIndex[id % kIdBuckets]; t; t = t->bucketNext)
        if (t->id == id) return t;
    return nullptr;
}

drovanNode *findNode(int id) { return dynamic_cast<drovanNode *>(findThing(id)); }

void changeId(drovanThing *t, int newId) {
    if (!t->registered) {
        t->id = newId;
        return;
    }
    if (newId == t->id) return;
    drovanThing *holder = newId >= 0 ? findThing(newId) : nullptr;
    if (holder && holder != t) changeId(holder, world.nextId);
    removeFromBucket(t);
    t->id = newId;
    if (newId + 1 > world.nextId && newId < 0x7fffffff) world.nextId = newId + 1;
    appendToBucket(t);
}

int nextVisitStamp() { return world.visitStamp++; }

drovanNode *randomNode() {
    if (world.nodeTableCount <= 0) return nullptr;
    int r = drovanRand() % world.nodeTableCount;
    for (int i = 0; i < kNodeTableSize; i++) {
        if (!world.nodeTable[i]) continue;
        if (r == 0) return world.nodeTable[i];
        r--;
    }
    return nullptr;
}

void clearSelection() {
    for (drovanThing *t = world.thingList; t; t = t->next)
        if (!t->dead) t->selected = 0;
}

void killSelectionWith(drovanThing *t) {
    t->kill();
    if (!t->selected) return;
    for (drovanThing *o = world.thingList; o; o = o->next)
        if (o->selected && !o->dead) o->kill();
}

void highlightSelectionExcept(int id) {
    for (drovanThing *t = world.thingList; t; t = t->next)
        if (!t->dead && t->selected && t->id != id) t->drawHighlight();
}

namespace {
struct SelectVisitor : drovanVisitor {
    bool value;
};
bool selectCallback(drovanVisitor *v, drovanThing *t) {
    if (dynamic_cast<drovanNode *>(t)) t->selected = static_cast<SelectVisitor *>(v)->value ? 1 : 0;
    return true;
}
}  // namespace

void selectComponent(drovanThing *t, bool value) {
    drovanNode *n = dynamic_cast<drovanNode *>(t);
    if (!n) return;
    SelectVisitor v;
    v.value = value;
    drovanComponentSpider spider(n, &v, selectCallback);
    spider.walk();
}

void purgeDead() {
    for (drovanThing *t = world.thingList; t;) {
        drovanThing *n = t->next;
        if (t->dead) delete t;
        t = n;
    }
}

void killAll() {
    for (drovanThing *t = world.thingList; t;) {
        drovanThing *n = t->next;
        t->kill();
        t = n;
    }
    purgeDead();
}

void setSpeed(int i) { world.speed = i < 0 ? 0 : (i > 3 ? 3 : i); }

void setEdgeConstraint(int i) {
    if (i < 0) i = 0;
    if (i > 5) i = 5;
    world.edge_constraint = i;
    world.maxEdges = maxEdgesChoices[i].value;
    refreshPanel();
    enforceAllValences();
}

void resetSettings() {
    world.render_atom_aggregates = world.render_atoms = world.render_nodes = world.render_edges = 1;
    world.fix_node_collisions = world.anneal = 1;
    world.placeColour = 0;
    world.directed_edges = world.colored_edges = world.closed_world = world.inertia = 0;
    world.discover_edges = 0;
    world.node_creation_rate = 0.0f;
    world.edge_length = 0.0f;
    world.edge_springk = 0.1f;
    world.edge_constraint = 3;
    world.maxEdges = maxEdgesChoices[3].value;
    refreshPanel();
    enforceAllValences();
    refreshPanel();
}

void resetWorld() {
    resetSettings();
    loadBuiltinRules();
    killAll();
    rebuildColors();
    for (auto &b : world.idIndex) b = nullptr;
}

void statusCounts(int &nodes, int &edges) {
    nodes = edges = 0;
    for (drovanThing *t = world.thingList; t; t = t->next) {
        if (t->container()) continue;
        if (dynamic_cast<drovanNode *>(t))
            nodes++;
        else if (dynamic_cast<drovanEdge *>(t))
            edges++;
    }
}
