#include "world/WorldArchive.h"

#include "world/ColorTable.h"
#include "world/AggregateGrid.h"
#include "world/Pattern.h"
#include "world/Random.h"
#include "world/StateArchive.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

void archiveWorldStore(StateArchive &a) {
    WorldStore &w = world;
    a.value("render_atoms", w.renderAtoms);
    a.value("render_nodes", w.renderNodes);
    a.value("render_atom_aggregates", w.renderAtomAggregates);
    a.value("render_edges", w.renderEdges);
    a.value("colored_edges", w.coloredEdges);
    a.value("directed_edges", w.directedEdges);
    a.value("discover_edges", w.discoverEdges);
    a.value("fix_node_collisions", w.fixNodeCollisions);
    a.value("closed_world", w.closedWorld);
    a.value("anneal", w.anneal);
    a.value("inertia", w.inertia);
    a.value("node_creation_rate", w.nodeCreationRate);
    a.value("edge_springk", w.edgeSpringK);
    a.value("edge_length", w.edgeLength);
    a.value("edge_constraint", w.edgeConstraint);
    a.value("maxEdges", w.maxEdges);
    a.value("speed", w.speed);
    a.value("worldMinX", w.worldMinX);
    a.value("worldMaxX", w.worldMaxX);
    a.value("worldMinY", w.worldMinY);
    a.value("worldMaxY", w.worldMaxY);
    // Not lastStepTime: it starts from the program's wall clock.
    a.value("simTime", w.simTime);
    a.value("stepCount", w.stepCount);
    a.value("stepBudget", w.stepBudget);
    a.value("nextId", w.nextId);
    a.value("idsWrapped", w.idsWrapped);
    for (int &n : w.metaCounts) a.value("metaCount", n);
    unsigned r = randState();
    a.value("random", r);
    if (a.reading()) setRandState(r);
}

namespace {

// A count and that many rules, each as source (or input), output, factor.
template <class Rule, class Input>
void archiveRules(StateArchive &a, const char *name, int &count, Rule *rules, int capacity, Input Rule::*input) {
    a.value(name, count);
    for (int i = 0; i < count && i < capacity; i++) {
        a.value("input", rules[i].*input);
        a.value("output", rules[i].output);
        a.value("factor", rules[i].factor);
    }
}

}  // namespace

void archiveColorTable(StateArchive &a) {
    a.value("colorCount", colorCount);
    a.value("totalNodeProbability", totalNodeProbability);
    for (int c = 0; c < colorCount && c < kMaxColors; c++) {
        ColorRule &r = colorTable[c];
        for (int k = 0; k < kMaxColors; k++) {
            a.value("relation", r.relation[k].kind);
            a.value("affinity", r.relation[k].affinity);
            Conversion &v = r.conversion[k];
            a.value("conversion", v.defined);
            a.value("partner", v.partner);
            a.value("output1", v.output1);
            a.value("output2", v.output2);
            a.value("factor1", v.factor1);
            a.value("factor2", v.factor2);
            a.value("reproduceAt", r.reproduceAt[k]);
            Decomposition &d = r.decomposition[k];
            a.value("decomposition", d.defined);
            a.value("output", d.output);
            a.value("factor", d.factor);
        }
        a.value("isStatic", r.isStatic);
        a.value("isSterile", r.isSterile);
        a.value("nodeKind", r.nodeKind);
        a.value("valence", r.valence);
        a.value("nodeDecayRate", r.nodeDecayRate);
        a.value("atomDecayRate", r.atomDecayRate);
        a.value("nodeAgeRate", r.nodeAgeRate);
        a.value("atomProbability", r.atomProbability);
        a.value("nodeProbability", r.nodeProbability);
        a.value("size", r.size);
        // The colour itself: metanode bodies and grid layers take it.
        for (float &v : r.rgb) a.value("rgb", v);
        a.value("hasEdgeLength", r.hasEdgeLength);
        a.value("edgeLength", r.edgeLength);
        a.value("hasCaptureArc", r.hasCaptureArc);
        a.value("captureArc", r.captureArc);
        archiveRules(a, "senseCount", r.senseCount, r.sense, kMaxSenses, &SenseRule::source);
        archiveRules(a, "signalCount", r.signalCount, r.signal, kMaxSenses, &SenseRule::source);
    }
}

void archivePatternSlots(StateArchive &a) {
    for (PatternSlot &s : patternSlots) {
        for (float &v : s.rgb) a.value("rgb", v);
        a.link("pattern", s.pattern);
        archiveRules(a, "senseCount", s.senseCount, s.senses, 10, &SlotRule::input);
        archiveRules(a, "decomposeCount", s.decomposeCount, s.decomposes, 10, &SlotRule::input);
        a.value("grasps", s.grasps);
    }
}

void archiveWorld(StateArchive &a) {
    archiveWorldStore(a);
    archiveColorTable(a);
    archivePatternSlots(a);
    bool grid = world.aggregateGrid != nullptr;
    a.value("aggregateGrid", grid);
    if (grid) world.aggregateGrid->archive(a);
    int count = 0;
    for (Thing *t = world.thingList; t; t = t->next) count++;
    a.value("thingCount", count);
    for (Thing *t = world.thingList; t; t = t->next) t->archive(a);
}
