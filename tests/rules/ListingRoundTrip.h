#pragma once
// A saved scenario loads back as the same world: the listing of what is in
// force, loaded again, gives the same colour table, slot rules, settings,
// nodes and edges field by field, and a second round trip the same file.
#include <algorithm>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "RulesTestSupport.h"

namespace roundTrip {

// Nodes outside metanodes: what a rules file can hold.
inline bool freeNode(Node *n) { return n && !n->dead && !n->isMeta() && !n->container(); }

// Everything the rules format holds, one line per thing, floats to the bit.
// Nodes are sorted by id and edges by their ends: a reload reverses the order.
inline std::string scenario() {
    std::ostringstream o;
    o << std::hexfloat;  // floats to the bit
    auto floats = [&](std::initializer_list<float> vs) {
        for (float v : vs) o << ' ' << v;
    };
    o << "colours " << colorCount << ' ' << totalNodeProbability << '\n';
    for (int i = 0; i < colorCount; i++) {
        const ColorRule &r = colorTable[i];
        o << r.name << ' ' << r.isStatic << r.isSterile << r.nodeKind << ' ' << r.valence << r.hasEdgeLength
          << r.hasCaptureArc;
        floats({r.rgb[0], r.rgb[1], r.rgb[2], r.nodeDecayRate, r.atomDecayRate, r.nodeAgeRate, r.atomProbability,
                r.nodeProbability, r.size, r.edgeLength, r.captureArc});
        for (int c = 0; c < colorCount; c++) {
            const Conversion &v = r.conversion[c];
            const Decomposition &d = r.decomposition[c];
            o << "\n  " << c << ": " << r.relation[c].kind << ' ' << r.reproduceAt[c];
            floats({r.relation[c].affinity});
            if (v.defined) o << " converts " << v.partner << ' ' << v.output1 << ' ' << v.output2;
            if (v.defined) floats({v.factor1, v.factor2});
            if (d.defined) o << " decomposes " << d.output;
            if (d.defined) floats({d.factor});
        }
        for (int k = 0; k < r.senseCount; k++) o << "\n  senses " << r.sense[k].source << ' ' << r.sense[k].output;
        for (int k = 0; k < r.senseCount; k++) floats({r.sense[k].factor});
        for (int k = 0; k < r.signalCount; k++) o << "\n  signals " << r.signal[k].source << ' ' << r.signal[k].output;
        for (int k = 0; k < r.signalCount; k++) floats({r.signal[k].factor});
        for (int k = 0; k < r.descriptionLineCount; k++) o << "\n  | " << r.descriptionLine(k);
        o << '\n';
    }
    for (const PatternSlot &s : patternSlots) {
        o << "slot " << s.grasps;
        for (int k = 0; k < s.senseCount; k++) o << " senses " << s.senses[k].input << ' ' << s.senses[k].output;
        for (int k = 0; k < s.senseCount; k++) floats({s.senses[k].factor});
        for (int k = 0; k < s.decomposeCount; k++)
            o << " decomposes " << s.decomposes[k].input << ' ' << s.decomposes[k].output;
        for (int k = 0; k < s.decomposeCount; k++) floats({s.decomposes[k].factor});
        o << '\n';
    }
    const WorldStore &w = world;
    o << "settings " << w.renderAtoms << w.renderNodes << w.renderAtomAggregates << w.renderEdges << w.coloredEdges
      << w.directedEdges << w.discoverEdges << w.fixNodeCollisions << w.closedWorld << w.anneal << w.inertia << ' '
      << w.edgeConstraint << ' ' << w.maxEdges << ' ' << w.speed;
    floats({w.nodeCreationRate, w.edgeSpringK, w.edgeLength});
    o << '\n';
    std::vector<std::string> things;
    for (Thing *t = world.thingList; t; t = t->next) {
        std::ostringstream l;
        if (Node *n = dynamic_cast<Node *>(t); freeNode(n)) {
            char id[16];
            std::snprintf(id, sizeof id, "%11d", n->id);
            l << std::hexfloat << "node " << id << ' ' << typeid(*n).name() << ' ' << n->colour() << ' '
              << n->position().x << ' ' << n->position().y << ' ' << n->strength;
        } else if (Edge *e = dynamic_cast<Edge *>(t);
                   e && !e->dead && freeNode(findNode(e->fromId)) && freeNode(findNode(e->toId))) {
            l << "edge " << e->fromId << ' ' << e->toId << ' ' << int(e->directed) << ' ' << e->edgeColour << ' '
              << int(e->decays) << ' ' << std::hexfloat << e->strength;
        }
        if (!l.str().empty()) things.push_back(l.str());
    }
    std::sort(things.begin(), things.end());
    for (const std::string &l : things) o << l << '\n';
    return o.str();
}

// The first line where two texts part, for a readable failure.
inline std::string firstDifference(const std::string &a, const std::string &b) {
    std::vector<std::string> x = lines(a), y = lines(b);
    for (size_t i = 0; i < std::max(x.size(), y.size()); i++)
        if (i >= x.size() || i >= y.size() || x[i] != y[i])
            return "line " + std::to_string(i + 1) + ":\n  was " + (i < x.size() ? x[i] : "<end>") + "\n  now " +
                   (i < y.size() ? y[i] : "<end>");
    return "";
}

// Save, load, compare; save, load, compare; the third save is the first file.
inline void expectRoundTrip(const std::string &what) {
    SCOPED_TRACE(what);
    const std::string before = scenario(), first = listing();
    std::string saved = first;
    for (int round = 1; round <= 2; round++) {
        std::string log = load(saved, "saved.txt");
        EXPECT_EQ(rulesErrorCount(), 0) << "round " << round << ":\n" << log;
        std::string after = scenario();
        EXPECT_TRUE(after == before) << "round " << round << ", " << firstDifference(before, after);
        saved = listing();
    }
    EXPECT_TRUE(saved == first) << "second save, " << firstDifference(first, saved);
}

}  // namespace roundTrip
