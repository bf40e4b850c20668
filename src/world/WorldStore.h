#pragma once
// The world store: the one process-wide record of settings, clocks, tables and
// registries, and the calls that keep it.
#include <cstddef>
#include <vector>

#include "world/ColorTable.h"
#include "world/Vec2.h"

class Thing;
enum ThingKind : unsigned char;
class Node;
class Edge;
class Pattern;
class AggregateGrid;

constexpr int kNodeTableSize = 2056;
constexpr int kIdBuckets = 1000;
constexpr int kPatternSlots = 10;

struct MaxEdgesChoice {
    const char *label;
    int value;
};
extern const MaxEdgesChoice maxEdgesChoices[6];
struct SpeedChoice {
    const char *label;
    float period;
};
extern const SpeedChoice speedPeriods[4];

// The one process-wide record. Settings carry the names of their rules-language
// keys in lowerCamelCase (closed_world is closedWorld).
struct WorldStore {
    // Settings (start values).
    int renderAtoms = 1;
    int renderNodes = 1;
    int renderAtomAggregates = 1;
    int renderEdges = 1;
    int coloredEdges = 0;
    int directedEdges = 0;
    int discoverEdges = 0;
    int fixNodeCollisions = 1;
    int closedWorld = 0;
    int anneal = 1;
    int inertia = 0;
    float nodeCreationRate = 0.0f;
    float edgeSpringK = 0.1f;
    float edgeLength = 0.0f;
    int edgeConstraint = 3;
    int maxEdges = 3;
    int speed = 2;

    // Thing registry.
    Thing *thingList = nullptr;
    int thingCount = 0;
    int nextId = 0;
    // Set once nextId has passed the top of the int range and started again
    // from 0; from then on ids still in use are passed over.
    bool idsWrapped = false;
    Thing *idIndex[kIdBuckets] = {};
    int visitStamp = 0;

    // Node table.
    Node *nodeTable[kNodeTableSize] = {};
    int nodeTableCount = 0;
    // Every slot from here up is empty, so walks over the table stop here
    // (re-read each round: a node made during a walk may raise it). Fill
    // slots only through placeInNodeTable.
    int nodeTableEnd = 0;
    int liveAtomCount = 0;
    int liveEdgeCount = 0;
    AggregateGrid *aggregateGrid = nullptr;
    int metaCounts[kPatternSlots] = {};
    int collisionPass = 0;

    // World rectangle.
    float worldMinX = 0.0f, worldMaxX = 3200.0f, worldMinY = 0.0f, worldMaxY = 3200.0f;

    // Clock fields.
    float lastStepTime = 0.0f;
    float simTime = 0.0f;
    int stepCount = 0;
    int stepBudget = 0;
};

extern WorldStore world;

// The adjacency matrix: entry [a][b] holds the edge from slot a to slot b.
// Write it only through setAdjacency (Edge.h), which keeps the edge cursors' lists.
extern Edge *adjacency[kNodeTableSize][kNodeTableSize];

// Puts n in table slot i (in range, empty) and keeps nodeTableEnd above it.
void placeInNodeTable(int i, Node *n);
// Empties n's table slot, if n holds it.
void takeFromNodeTable(Node *n);
// Lowers nodeTableEnd past the empty slots at the table's top.
void trimNodeTableEnd();

// Registry operations.
void registerThing(Thing *t);
void unregister(Thing *t);
void destroyThingLinks(Thing *t);
// Removal notices go only to the things that can react: the atoms indexed
// under the removed id, and every registered thing of kind ThingOther. A
// removed node or other thing (rare) tells the whole list. Either way the
// calls follow thingList order.
void setThingKind(Thing *t, ThingKind k);
// Every registered thing oldest first, nullptr where one has left; read it
// backwards for thingList order. Valid until the next registration.
extern Thing *const *registryTableData;
extern size_t registryTableSize;
inline Thing *const *registryTable(size_t &count) {
    count = registryTableSize;
    return registryTableData;
}
// The serial of the newest registration so far.
unsigned long long lastSerial();
// The newest registered thing of a kind; kindNext runs on in thingList order.
Thing *firstOfKind(ThingKind k);
// Index t under key (want) or take it out of the index (!want).
void setNoticeKey(Thing *t, bool want, int key);
// The things a removal of id would notify besides a full walk (test hook).
int noticeCandidateCount(int id);
Thing *findThing(int id);
Node *findNode(int id);
void changeId(Thing *t, int newId);
int nextVisitStamp();
Pattern *patternSlot(int i);
// Deletes every dead registered thing, newest first; things killed meanwhile
// behind the walk, or registered meanwhile, wait for the next purge.
void purgeDead();
// t was just marked dead: the purge finds it without visiting every thing.
void noteKilled(Thing *t);
void killAll();
void setSpeed(int i);
// The row of maxEdgesChoices an edge constraint picks: the constraint
// clamped to 0..5.
int edgeConstraintRow(int constraint);
void setEdgeConstraint(int i);
void resetSettings();
// The colour table's totals and the aggregate grid, after the table changed.
void rebuildColors();
// Settings to their start values and an empty world; the rules language
// then loads its built-in rules.
void resetWorld();
// Nodes and edges as the status line counts them: things not inside a metanode.
// With shown, the same walk also gathers the live things not inside a
// metanode, in thingList order (what a frame draws).
void statusCounts(int &nodes, int &edges, std::vector<Thing *> *shown = nullptr);
