#include "batch/BenchScenarios.h"

#include <cstdio>
#include <cmath>
#include <cstring>

#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "rules/ColorTable.h"
#include "rules/RulesLoader.h"
#include "world/Atom.h"
#include "world/Edge.h"
#include "world/MetaNode.h"
#include "world/MetaNodePat.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/Walkers.h"
#include "world/WorldStore.h"

namespace {

// Nodes neither decay nor age nor emit, so a world keeps its size while atoms
// drift, travel edges and are eaten and replaced.
const char *kRules =
    "Amber is 0.9 0.6 0.1\n"
    "Teal is 0.1 0.6 0.7\n"
    "Plum is 0.6 0.2 0.6\n"
    "Amber sterile ; Teal sterile ; Plum sterile\n"
    "Amber node decays at 0 ; Teal node decays at 0 ; Plum node decays at 0\n"
    "Amber node ages at 0 ; Teal node ages at 0 ; Plum node ages at 0\n"
    "Amber eats Teal ; Teal eats Plum ; Plum eats Amber\n"
    "Amber atom decays at 0.1 ; Teal atom decays at 0.1 ; Plum atom decays at 0.1\n";

struct Setup {
    const char *name;
    const char *description;
    int nodes;
    int atoms;
    float atomRate;  // per colour per tick
    const char *settings;
    int metanodes;
};

const Setup kSetups[] = {
    {"small", "about 50 nodes, 1,000 atoms", 50, 1000, 0.7f, "", 0},
    {"busy", "about 500 nodes, 10,000 atoms, discover edges on", 500, 10000, 6.0f, "discover_edges 1\n", 0},
    {"full", "node table full at valence, 20,000 atoms, collisions and annealing on", kNodeTableSize, 20000,
     12.0f, "fix_node_collisions 1\nanneal 1\ndiscover_edges 1\n", 0},
    {"meta", "100 metanodes of a 10-node pattern among 5,000 atoms", 0, 5000, 3.0f, "", 100},
};

const Setup *find(const std::string &name) {
    for (const Setup &s : kSetups)
        if (name == s.name) return &s;
    return nullptr;
}

float randomIn(float lo, float hi) {
    float r = randUnit();
    return lo + r * (hi - lo);
}

void loadText(const std::string &text) {
    FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    FILE *quiet = std::fopen("/dev/null", "w");
    loadRules(f, "bench.txt", quiet);
    if (quiet) std::fclose(quiet);
}

void buildPattern() {
    drovanMetaNodePat *p = patternSlot(0);
    if (!p) return;
    drovanNode *ring[10] = {};
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
        for (const Setup &s : kSetups) list.push_back({s.name, s.description});
    return list;
}

bool setupBenchScenario(const std::string &name, uint32_t seed) {
    const Setup *s = find(name);
    if (!s) return false;
    setWalkerTraceStream(nullptr);
    setRandState(seed);
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
        float x = randomIn(0.0f, 3200.0f);
        float y = randomIn(0.0f, 3200.0f);
        new drovanAtom(x, y, i % colorCount, -1);
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
            drovanNode *a = nodeAt(i), *b = nodeAt(i + 1);
            if (a && b) createEdge(a, b, 1.0f, false, -1);
        }
    }
    world.lastStepTime = 0.0f;
    world.stepBudget = 10;
    return true;
}

void benchStep() {
    float now = world.lastStepTime + 1.0f;
    tickWorld(now);
}
