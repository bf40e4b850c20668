#include "world/WorldStore.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <memory>
#include <unordered_map>
#include <vector>

#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Edge.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/Thing.h"

WorldStore world;
Edge *adjacency[kNodeTableSize][kNodeTableSize];

const MaxEdgesChoice maxEdgesChoices[6] = {
    {"No constraint", -1}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5},
};
const SpeedChoice speedPeriods[4] = {
    {"Pause", 0.0f},
    {"Slow", 0.06666667f},
    {"Normal", 0.033333335f},
    {"Fast", 0.016666668f},
};

static int bucketOf(int id) {
    // Negative ids are never found by id; keep them in bucket 0 so they never
    // index outside the table.
    return id < 0 ? 0 : id % kIdBuckets;
}

// Last thing of each bucket; trusted only while the bucket's head is set.
static Thing *bucketTails[kIdBuckets];

namespace {
// With tens of thousands of things a bucket chain runs to dozens of links;
// findThing reads ids below kPagedIds from pages of direct slots instead.
// Ids are unique among registered things; should two ever share one, the
// pages step aside and the buckets answer as before.
constexpr int kIdPageBits = 12;
constexpr int kPagedIds = 1 << 28;
struct IdPage {
    Thing *slot[1 << kIdPageBits] = {};
    int used = 0;
};
std::vector<std::unique_ptr<IdPage>> idPages;
bool idsShared = false;

void pageIn(Thing *t) {
    if (t->id < 0 || t->id >= kPagedIds) return;
    size_t p = static_cast<size_t>(t->id >> kIdPageBits);
    if (p >= idPages.size()) idPages.resize(p + 1);
    if (!idPages[p]) idPages[p].reset(new IdPage);
    Thing *&s = idPages[p]->slot[t->id & ((1 << kIdPageBits) - 1)];
    if (s) {
        idsShared = true;
        return;
    }
    s = t;
    idPages[p]->used++;
}

void pageOut(Thing *t) {
    if (t->id < 0 || t->id >= kPagedIds) return;
    size_t p = static_cast<size_t>(t->id >> kIdPageBits);
    if (p >= idPages.size() || !idPages[p]) return;
    Thing *&s = idPages[p]->slot[t->id & ((1 << kIdPageBits) - 1)];
    if (s != t) return;
    s = nullptr;
    // Pages of ids long gone are given back.
    if (--idPages[p]->used == 0) idPages[p].reset();
}
}  // namespace

static void appendToBucket(Thing *t) {
    int b = bucketOf(t->id);
    Thing *tail = world.idIndex[b] ? bucketTails[b] : nullptr;
    if (world.idIndex[b] && (!tail || tail->bucketNext)) {
        tail = world.idIndex[b];
        while (tail->bucketNext) tail = tail->bucketNext;
    }
    Thing **link = tail ? &tail->bucketNext : &world.idIndex[b];
    *link = t;
    t->bucketPrevLink = link;
    t->bucketPrev = tail;
    t->bucketNext = nullptr;
    bucketTails[b] = t;
    pageIn(t);
}

static void removeFromBucket(Thing *t) {
    if (!t->bucketPrevLink) return;
    pageOut(t);
    *t->bucketPrevLink = t->bucketNext;
    if (t->bucketNext) {
        t->bucketNext->bucketPrevLink = t->bucketPrevLink;
        t->bucketNext->bucketPrev = t->bucketPrev;
    } else {
        bucketTails[bucketOf(t->id)] = t->bucketPrev;
    }
    t->bucketNext = nullptr;
    t->bucketPrevLink = nullptr;
    t->bucketPrev = nullptr;
}

namespace {
unsigned long long serialCounter = 0;
// Registered things of kind ThingOther, oldest first.
std::vector<Thing *> otherThings;
// Registered things (atoms) by the id whose removal they react to.
std::unordered_map<int, std::vector<Thing *>> noticeIndex;

void eraseOne(std::vector<Thing *> &v, Thing *t) {
    // The newest entries sit at the back and are the likeliest to go.
    for (size_t k = v.size(); k-- > 0;)
        if (v[k] == t) {
            v.erase(v.begin() + static_cast<long>(k));
            return;
        }
}

void dropNotice(Thing *t) {
    if (!t->noticeIndexed) return;
    auto it = noticeIndex.find(t->noticeKey);
    if (it != noticeIndex.end()) {
        eraseOne(it->second, t);
        if (it->second.empty()) noticeIndex.erase(it);
    }
    t->noticeIndexed = 0;
}

bool newerFirst(const Thing *a, const Thing *b) { return a->serial > b->serial; }

Thing *kindHeads[4] = {};

// Every registered thing by serial, oldest first, with holes where things
// left the registry. Walking it backwards is thingList order, and the loads
// of a table walk overlap where a list walk waits on each link in turn.
std::vector<Thing *> registryOrder;
size_t registryHoles = 0;

// Slots of the things killed since the last purge (with repeats, and slots
// emptied since), so a purge visits those instead of the whole table. False
// when some dead thing may be missing (slots renumbered, a thing dead before
// it had a slot): the next purge walks the whole table.
std::vector<int> killedSlots;
bool killedComplete = true;
// While a purge pops the slots as a heap, newly killed ones join the heap.
bool purging = false;

// Kept in step with registryOrder's storage for the inline registryTable.
void registryMoved() {
    registryTableData = registryOrder.data();
    registryTableSize = registryOrder.size();
}

void compactRegistryOrder() {
    size_t n = 0;
    for (Thing *t : registryOrder)
        if (t) {
            t->orderSlot = static_cast<int>(n);
            registryOrder[n++] = t;
        }
    registryOrder.resize(n);
    registryHoles = 0;
    registryMoved();
}

void linkKind(Thing *t) {
    // Kinds are set right after registration, so this is nearly always the head.
    Thing **link = &kindHeads[t->kind];
    while (*link && (*link)->serial > t->serial) link = &(*link)->kindNext;
    t->kindNext = *link;
    if (*link) (*link)->kindPrevLink = &t->kindNext;
    *link = t;
    t->kindPrevLink = link;
}

void unlinkKind(Thing *t) {
    if (!t->kindPrevLink) return;
    *t->kindPrevLink = t->kindNext;
    if (t->kindNext) t->kindNext->kindPrevLink = t->kindPrevLink;
    t->kindNext = nullptr;
    t->kindPrevLink = nullptr;
}
}  // namespace

Thing *firstOfKind(ThingKind k) { return kindHeads[k]; }

void setThingKind(Thing *t, ThingKind k) {
    if (t->kind == k) return;
    if (t->registered && t->kind == ThingOther) eraseOne(otherThings, t);
    unlinkKind(t);
    t->kind = k;
    if (t->registered) linkKind(t);
    if (t->registered && k == ThingOther) {
        otherThings.push_back(t);
        std::sort(otherThings.begin(), otherThings.end(),
                  [](const Thing *a, const Thing *b) { return a->serial < b->serial; });
    }
}

void setNoticeKey(Thing *t, bool want, int key) {
    want = want && t->registered;
    if (t->noticeIndexed && want && t->noticeKey == key) return;
    dropNotice(t);
    if (!want) return;
    noticeIndex[key].push_back(t);
    t->noticeKey = key;
    t->noticeIndexed = 1;
}

int noticeCandidateCount(int id) {
    auto it = noticeIndex.find(id);
    return static_cast<int>(otherThings.size() + (it == noticeIndex.end() ? 0 : it->second.size()));
}

static void removeFromList(Thing *t) {
    if (!t->prevLink) return;
    *t->prevLink = t->next;
    if (t->next) t->next->prevLink = t->prevLink;
    t->next = nullptr;
    t->prevLink = nullptr;
}

// Before the wrap, only the top id can already be taken at nextId: changeId
// moves nextId past every other id it gives.
static int takeFreeId() {
    for (;;) {
        int id = world.nextId;
        if (id == INT_MAX) {
            world.nextId = 0;
            world.idsWrapped = true;
        } else {
            world.nextId = id + 1;
        }
        if ((!world.idsWrapped && id != INT_MAX) || !findThing(id)) return id;
    }
}

void registerThing(Thing *t) {
    t->next = world.thingList;
    if (world.thingList) world.thingList->prevLink = &t->next;
    world.thingList = t;
    t->prevLink = &world.thingList;
    world.thingCount++;
    t->id = takeFreeId();
    appendToBucket(t);
    t->dead = 0;
    t->selected = 0;
    t->registered = 1;
    t->serial = ++serialCounter;
    t->kind = ThingOther;
    otherThings.push_back(t);
    linkKind(t);
    t->orderSlot = static_cast<int>(registryOrder.size());
    registryOrder.push_back(t);
    registryMoved();
}

void unregister(Thing *t) {
    if (!t->registered) return;
    removeFromList(t);
    removeFromBucket(t);
    world.thingCount--;
    if (t->kind == ThingOther) eraseOne(otherThings, t);
    unlinkKind(t);
    dropNotice(t);
    if (t->orderSlot >= 0 && static_cast<size_t>(t->orderSlot) < registryOrder.size() &&
        registryOrder[static_cast<size_t>(t->orderSlot)] == t) {
        registryOrder[static_cast<size_t>(t->orderSlot)] = nullptr;
        registryHoles++;
    }
    t->orderSlot = -1;
    t->registered = 0;
}

void destroyThingLinks(Thing *t) {
    if (!t->registered) return;
    unregister(t);
    int id = t->id;
    if (t->kind == ThingNode || t->kind == ThingOther) {
        // Containers and patterns: anything may refer to them.
        for (Thing *o = world.thingList; o;) {
            Thing *n = o->next;
            o->thingRemoved(t);
            o = n;
        }
        return;
    }
    // An atom or edge is referred to only by atoms (riding or held) and by
    // pattern-like things; nodes and edges react only to their container,
    // which is always a node.
    // Copies: a notice may register or re-index things.
    auto it = noticeIndex.find(id);
    bool atom = t->kind == ThingAtom;
    size_t hearing = 0;
    for (Thing *o : otherThings) hearing += !(atom && o->deafToAtoms);
    if (hearing == 0 && it == noticeIndex.end()) return;
    std::vector<Thing *> others;
    others.reserve(hearing);
    for (size_t k = otherThings.size(); k-- > 0;)
        if (!(atom && otherThings[k]->deafToAtoms)) others.push_back(otherThings[k]);
    std::vector<Thing *> atoms;
    if (it != noticeIndex.end()) {
        atoms = it->second;
        std::sort(atoms.begin(), atoms.end(), newerFirst);
    }
    std::vector<Thing *> told(others.size() + atoms.size());
    std::merge(others.begin(), others.end(), atoms.begin(), atoms.end(), told.begin(), newerFirst);
    for (Thing *o : told) o->thingRemoved(t);
}

Thing *findThing(int id) {
    if (id < 0) return nullptr;
    if (id < kPagedIds && !idsShared) {
        size_t p = static_cast<size_t>(id >> kIdPageBits);
        if (p >= idPages.size() || !idPages[p]) return nullptr;
        return idPages[p]->slot[id & ((1 << kIdPageBits) - 1)];
    }
    for (Thing *t = world.idIndex[id % kIdBuckets]; t; t = t->bucketNext)
        if (t->id == id) return t;
    return nullptr;
}

Node *findNode(int id) { return asNode(findThing(id)); }

void changeId(Thing *t, int newId) {
    if (!t->registered) {
        t->id = newId;
        return;
    }
    if (newId == t->id) return;
    Thing *holder = newId >= 0 ? findThing(newId) : nullptr;
    if (holder && holder != t) changeId(holder, takeFreeId());
    int oldId = t->id;
    removeFromBucket(t);
    t->id = newId;
    // Edges name their ends by id: a node moved off its id takes its edges
    // along, or they would be detached from whoever holds the old id.
    if (Node *n = asNode(t)) {
        int cursor = 0;
        while (Edge *e = n->nextTouchingEdge(cursor)) {
            if (e->fromIndex == n->nodeIndex && e->fromId == oldId) e->fromId = newId;
            if (e->toIndex == n->nodeIndex && e->toId == oldId) e->toId = newId;
        }
    }
    // Nothing lies past the top id: nextId stays, and takeFreeId passes it over.
    if (newId >= world.nextId && newId < INT_MAX) world.nextId = newId + 1;
    appendToBucket(t);
}

int nextVisitStamp() { return world.visitStamp++; }

void noteKilled(Thing *t) {
    if (!t->registered) return;
    if (t->orderSlot < 0) {
        killedComplete = false;
        return;
    }
    killedSlots.push_back(t->orderSlot);
    if (purging) std::push_heap(killedSlots.begin(), killedSlots.end());
}

void purgeDead() {
    // Only here, between walks, may the table close its holes.
    if (registryHoles > 1024 && registryHoles * 2 > registryOrder.size()) {
        compactRegistryOrder();
        killedComplete = false;
    }
    // Newest first; things registered meanwhile land past the walk, as they
    // land before it in thingList.
    if (!killedComplete) {
        // Every dead thing is met below; the slots noted from here on are
        // those of things killed meanwhile (kept for the next purge if the
        // walk has passed them), or of things the walk is still to meet.
        killedSlots.clear();
        killedComplete = true;
        for (size_t i = registryOrder.size(); i-- > 0;) {
            Thing *t = registryOrder[i];
            if (t && t->dead) delete t;
        }
        return;
    }
    // The same walk over the killed slots alone: highest first, the walk
    // standing at the last slot taken. A slot at or above it comes from a
    // thing killed or registered meanwhile, or repeats one already taken; it
    // waits for the next purge if its thing is dead.
    static std::vector<int> waiting;
    waiting.clear();
    std::make_heap(killedSlots.begin(), killedSlots.end());
    purging = true;
    int at = static_cast<int>(registryOrder.size());
    while (!killedSlots.empty()) {
        std::pop_heap(killedSlots.begin(), killedSlots.end());
        int s = killedSlots.back();
        killedSlots.pop_back();
        if (static_cast<size_t>(s) >= registryOrder.size()) continue;
        Thing *t = registryOrder[static_cast<size_t>(s)];
        if (!t || !t->dead) continue;
        if (s >= at) {
            waiting.push_back(s);
            continue;
        }
        at = s;
        delete t;
    }
    purging = false;
    killedSlots.swap(waiting);
#ifndef NDEBUG
    // Debug builds check that every dead thing left waits for the next purge:
    // one marked dead other than through markDead would never be deleted.
    std::vector<int> listed(killedSlots);
    std::sort(listed.begin(), listed.end());
    for (size_t i = 0; i < registryOrder.size(); i++)
        if (registryOrder[i] && registryOrder[i]->dead)
            assert(std::binary_search(listed.begin(), listed.end(), static_cast<int>(i)) && "dead thing not noted");
#endif
}

unsigned long long lastSerial() { return serialCounter; }

Thing *const *registryTableData = nullptr;
size_t registryTableSize = 0;

void placeInNodeTable(int i, Node *n) {
    world.nodeTable[i] = n;
    world.nodeTableCount++;
    if (i >= world.nodeTableEnd) world.nodeTableEnd = i + 1;
}

void takeFromNodeTable(Node *n) {
    if (!n->inNodeTable()) return;
    world.nodeTable[n->nodeIndex] = nullptr;
    world.nodeTableCount--;
}

void trimNodeTableEnd() {
    while (world.nodeTableEnd > 0 && !world.nodeTable[world.nodeTableEnd - 1]) world.nodeTableEnd--;
#ifndef NDEBUG
    // A slot filled past the end would never be visited.
    for (int i = world.nodeTableEnd; i < kNodeTableSize; i++)
        assert(!world.nodeTable[i] && "node table slot filled past its end");
#endif
}

void killAll() {
    for (Thing *t = world.thingList; t;) {
        Thing *n = t->next;
        t->kill();
        t = n;
    }
    purgeDead();
}

void setSpeed(int i) { world.speed = i < 0 ? 0 : (i > 3 ? 3 : i); }

int edgeConstraintRow(int constraint) { return constraint < 0 ? 0 : (constraint > 5 ? 5 : constraint); }

void setEdgeConstraint(int i) {
    i = edgeConstraintRow(i);
    world.edgeConstraint = i;
    world.maxEdges = maxEdgesChoices[i].value;
    enforceAllValences();
}

void resetSettings() {
    world.renderAtomAggregates = world.renderAtoms = world.renderNodes = world.renderEdges = 1;
    world.fixNodeCollisions = world.anneal = 1;
    world.directedEdges = world.coloredEdges = world.closedWorld = world.inertia = 0;
    world.discoverEdges = 0;
    world.nodeCreationRate = 0.0f;
    world.edgeLength = 0.0f;
    world.edgeSpringK = 0.1f;
    world.edgeConstraint = 3;
    world.maxEdges = maxEdgesChoices[3].value;
    enforceAllValences();
}

void rebuildColors() {
    refreshColorTable();
    delete world.aggregateGrid;
    world.aggregateGrid = new AggregateGrid(colorCount);
    for (int i = 0; i < colorCount; i++) world.aggregateGrid->setLayerColour(i, colorTable[i].rgb);
}

void resetWorld() {
    resetSettings();
    killAll();
    for (auto &b : world.idIndex) b = nullptr;
    for (auto &p : idPages) p.reset();
}

void statusCounts(int &nodes, int &edges, std::vector<Thing *> *shown) {
    nodes = edges = 0;
    for (Thing *t = world.thingList; t; t = t->next) {
        if (t->container()) continue;
        if (t->kind == ThingNode)
            nodes++;
        else if (t->kind == ThingEdge)
            edges++;
        if (shown && !t->dead) shown->push_back(t);
    }
}
