#include "benchworlds/BenchScenarios.h"

#include <cstdio>
#include <cmath>
#include <cstring>

#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "world/ColorTable.h"
#include "rules/RulesLoader.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/FreshProcess.h"
#include "world/MetaNode.h"
#include "world/Pattern.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {

// Nodes neither decay nor age nor emit, so a world keeps its size while atoms
// drift, travel edges and are eaten and replaced. An atom lives about 100
// steps; each world's spawn rate keeps its atom count near its name.
const char *kRules = "Amber is 0.9 0.6 0.1\n"
                     "Teal is 0.1 0.6 0.7\n"
                     "Plum is 0.6 0.2 0.6\n"
                     "Amber sterile ; Teal sterile ; Plum sterile\n"
                     "Amber node decays at 0 ; Teal node decays at 0 ; Plum node decays at 0\n"
                     "Amber node ages at 0 ; Teal node ages at 0 ; Plum node ages at 0\n"
                     "Amber eats Teal ; Teal eats Plum ; Plum eats Amber\n"
                     "Amber atom decays at 0.5 ; Teal atom decays at 0.5 ; Plum atom decays at 0.5\n";

struct Setup {
    const char *name;
    const char *description;
    int nodes;
    int atoms;
    // Per colour per tick, set so that spawning makes up for decay and eating
    // at the world's named atom count.
    float atomRate;
    const char *settings;
    int metanodes;
    // Part of a plain `bench` run; the scaling worlds run only by name.
    bool inDefaultRun;
};

const char *kBusySettings = "discover_edges 1\n";

const Setup kSetups[] = {
    {"small", "50 nodes, 1,000 atoms", 50, 1000, 3.4f, "", 0, true},
    {"busy", "500 nodes, 10,000 atoms, discover edges on", 500, 10000, 38.3f, kBusySettings, 0, true},
    {"full", "node table full at valence, 20,000 atoms, collisions and annealing on", kNodeTableSize, 20000, 120.0f,
     "fix_node_collisions 1\nanneal 1\ndiscover_edges 1\n", 0, true},
    {"meta", "100 metanodes of a 10-node pattern among 5,000 atoms", 0, 5000, 17.6f, "", 100, true},
    {"scale-1000", "500 nodes, 1,000 atoms, as busy", 500, 1000, 3.83f, kBusySettings, 0, false},
    {"scale-5000", "500 nodes, 5,000 atoms, as busy", 500, 5000, 19.1f, kBusySettings, 0, false},
    {"scale-20000", "500 nodes, 20,000 atoms, as busy", 500, 20000, 76.5f, kBusySettings, 0, false},
    {"scale-80000", "500 nodes, 80,000 atoms, as busy", 500, 80000, 305.0f, kBusySettings, 0, false},
};

// Steps every world runs before it is measured: long enough for the atoms
// to settle around the nodes that eat them.
const int kWarmUpSteps = 100;

const Setup *find(const std::string &name) {
    for (const Setup &s : kSetups)
        if (name == s.name) return &s;
    return nullptr;
}

float randomIn(float lo, float hi) {
    float r = randUnit();
    return lo + r * (hi - lo);
}

// In the reach of a node that eats atoms of colour c. A world that has run a
// while has few such atoms: placing the first ones elsewhere spares the bench
// a mass feeding in its first steps.
bool withinEaterReach(float x, float y, int c) {
    for (int i = 0; i < kNodeTableSize; i++) {
        Node *n = world.nodeTable[i];
        if (!n || !isColor(n->colour()) || colorTable[n->colour()].relation[c].kind != RelEats) continue;
        Vec2 p = n->position();
        if (approxDistance(x - p.x, y - p.y) < n->radius() + 2.0f) return true;
    }
    return false;
}

void loadText(const std::string &text) {
    FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    FILE *quiet = std::fopen("/dev/null", "w");
    loadRules(f, "bench.txt", quiet);
    if (quiet) std::fclose(quiet);
}

void buildPattern() {
    Pattern *p = patternSlot(0);
    if (!p) return;
    Node *ring[10] = {};
    for (int i = 0; i < 10; i++) {
        float a = degreesToRadians(36.0f * static_cast<float>(i));
        ring[i] = p->addNode(120.0f * std::cos(a), 120.0f * std::sin(a), i % 3);
    }
    for (int i = 0; i < 10; i++)
        if (ring[i] && ring[(i + 1) % 10]) p->addEdge(ring[i], ring[(i + 1) % 10], false, -1);
}

}  // namespace

const std::vector<BenchScenario> &benchScenarios() {
    static std::vector<BenchScenario> list;
    if (list.empty())
        for (const Setup &s : kSetups) list.push_back({s.name, s.description, s.inDefaultRun});
    return list;
}

bool setupBenchScenario(const std::string &name, uint32_t seed) {
    const Setup *s = find(name);
    if (!s) return false;
    setWalkerTraceStream(nullptr);
    // Every world starts as in a fresh process, whatever world ran before it.
    resetToFreshProcess(seed);
    world.speed = 3;
    startWorld(std::string(), std::string(), StartupHooks());
    char rates[256];
    std::snprintf(rates, sizeof rates,
                  "Amber atom probability is %.2f\nTeal atom probability is %.2f\nPlum atom probability is %.2f\n",
                  s->atomRate, s->atomRate, s->atomRate);
    loadText(std::string(kRules) + rates + s->settings);
    initPatternSlots();
    for (int i = 0; i < s->nodes; i++) {
        float x = randomIn(100.0f, 3100.0f);
        float y = randomIn(100.0f, 3100.0f);
        createNode(x, y, i % colorCount);
    }
    for (int i = 0; i < s->atoms; i++) {
        int c = i % colorCount;
        float x = randomIn(0.0f, 3200.0f);
        float y = randomIn(0.0f, 3200.0f);
        for (int tries = 0; tries < 100 && withinEaterReach(x, y, c); tries++) {
            x = randomIn(0.0f, 3200.0f);
            y = randomIn(0.0f, 3200.0f);
        }
        Atom *a = new Atom(x, y, c, -1);
        // Ages spread as in a world that has run a while, so the starting
        // atoms do not all decay away in the same step.
        a->strength = randUnit();
    }
    if (s->metanodes > 0) {
        buildPattern();
        for (int i = 0; i < s->metanodes; i++) {
            float x = randomIn(200.0f, 3000.0f);
            float y = randomIn(200.0f, 3000.0f);
            placeMetaNode(0, x, y);
        }
    }
    if (std::strcmp(s->name, "full") == 0) {
        // Join neighbours in table order up to the valence, so the table is full at valence.
        for (int i = 0; i + 1 < kNodeTableSize; i++) {
            Node *a = nodeAt(i), *b = nodeAt(i + 1);
            if (a && b) createEdge(a, b, 1.0f, false, -1);
        }
    }
    world.lastStepTime = 0.0f;
    world.stepBudget = 10;
    for (int i = 0; i < kWarmUpSteps; i++) benchStep();
    return true;
}

void benchStep() {
    float now = world.lastStepTime + 1.0f;
    tickWorld(now);
}
