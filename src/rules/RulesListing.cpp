#include "rules/RulesListing.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "rules/RulesLoader.h"
#include "world/ColorTable.h"
#include "world/Edge.h"
#include "world/Node.h"
#include "world/Pattern.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

// Numbers. Each is written with the fewest decimals (never fewer than its
// line's usual format) that the loader reads back to the very same float, and
// never with an exponent, which the scanner would split into a number and a word.

const int kMostDecimals = 64;  // enough for the smallest float

bool sameFloat(float a, float b) { return a == b && std::signbit(a) == std::signbit(b); }
float asRead(float v) { return v; }
float clampedRead(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

std::string fixed(double v, int decimals) {
    char text[160];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// stored is what the loader keeps for the number in the file and readBack the
// statement's conversion of that number. guess is about the number in the
// file; for a line with a format of its own, it is the number that format
// has always printed, and that text stays wherever it reads back.
std::string number(float stored, int minDecimals, double guess, float (*readBack)(float) = asRead,
                   bool described = true) {
    // The loader stores nothing infinite; should the world hold such a value,
    // the nearest finite number is written rather than a word.
    if (!(guess == guess)) guess = 0.0;
    guess = std::max(-static_cast<double>(FLT_MAX), std::min(static_cast<double>(FLT_MAX), guess));
    auto readsBack = [&](const std::string &t) { return sameFloat(readBack(rulesFloat(t.c_str())), stored); };
    std::string first = fixed(guess, minDecimals);
    if (described && readsBack(first)) return first;
    // The floats next to the guess that the statement turns into stored.
    std::vector<float> near;
    float v = static_cast<float>(guess);
    for (int k = 0; k < 8; k++) v = std::nextafter(v, -FLT_MAX);
    for (int k = 0; k <= 16; k++, v = std::nextafter(v, FLT_MAX))
        if (sameFloat(readBack(v), stored)) near.push_back(v);
    for (int d = minDecimals; d <= kMostDecimals; d++)
        for (float c : near) {
            std::string t = fixed(c, d);
            if (readsBack(t)) return t;
        }
    return first;
}

// " * k" after a product's colour, unless k is 1.
std::string factor(float k) { return k == 1.0f ? std::string() : " * " + number(k, 3, k); }

const char *nameOf(int c) { return c >= 0 && c < kMaxColors ? colorTable[c].name : ""; }

// Whether a reload of the text declares the colours in table order: the
// scanner declares each at the first word that names it.
bool declaresInOrder(const std::string &text) {
    auto inWord = [&](size_t i) {
        return i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_');
    };
    int next = 0;
    for (size_t i = 0; i < text.size();) {
        if (!inWord(i) || std::isdigit(static_cast<unsigned char>(text[i]))) {
            i++;  // the listing writes no number right against a word
            continue;
        }
        size_t start = i;
        while (inWord(i)) i++;
        int c = findColor(text.substr(start, i - start).c_str());
        if (c > next) return false;
        if (c == next) next++;
    }
    return true;
}

const char *setName(int set) { return set == -2 ? "all" : set == -1 ? "none" : nameOf(set); }

// The colour's own name in front of a line; left out in description mode.
void lead(FILE *s, int self, bool descriptionMode) {
    if (!descriptionMode) std::fprintf(s, "%s ", nameOf(self));
}

// Entries a and p hold one two-input rule, each naming the other.
bool samePair(const ColorRule &r, int a, int p) {
    const Conversion &c = r.conversion[a], &q = r.conversion[p];
    return isColor(p) && q.defined && q.partner == a && q.output1 == c.output1 && q.factor1 == c.factor1 &&
           q.output2 == c.output2 && q.factor2 == c.factor2;
}

void writeConversion(const ColorRule &r, int a, FILE *s, bool descriptionMode) {
    const Conversion &c = r.conversion[a];
    lead(s, colorIndexOf(r), descriptionMode);
    std::fprintf(s, "converts %s ", nameOf(a));
    if (isColor(c.partner)) std::fprintf(s, "and %s", nameOf(c.partner));
    std::fputs(" to", s);
    bool first = false;
    if (isColor(c.output1)) {
        std::fprintf(s, " %s%s", nameOf(c.output1), factor(c.factor1).c_str());
        first = true;
    }
    if (isColor(c.output2)) {
        if (first) std::fputs(" and", s);
        std::fprintf(s, " %s%s", nameOf(c.output2), factor(c.factor2).c_str());
    }
    std::fputs("\n", s);
}

// One line per rule in input order, a two-input rule once from its higher
// input. A two-input line whose partner's entry was replaced later sets that
// entry too, so it goes before the line that gives the entry its own rule.
void writeConversions(const ColorRule &r, FILE *s, bool descriptionMode) {
    int lineOf[kMaxColors];  // the line that sets each entry last
    std::vector<int> lines;
    for (int a = 0; a < colorCount; a++) {
        lineOf[a] = -1;
        if (!r.conversion[a].defined) continue;
        int p = r.conversion[a].partner;
        if (p > a && samePair(r, a, p)) continue;
        lines.push_back(a);
    }
    for (int a : lines) {
        lineOf[a] = a;
        int p = r.conversion[a].partner;
        if (isColor(p) && p != a && samePair(r, a, p)) lineOf[p] = a;
    }
    int waiting[kMaxColors] = {};  // lines that must come first
    auto mustPrecede = [&](int a) {
        int p = r.conversion[a].partner;
        return isColor(p) && p != a && !samePair(r, a, p) && lineOf[p] >= 0 ? lineOf[p] : -1;
    };
    for (int a : lines)
        if (mustPrecede(a) >= 0) waiting[mustPrecede(a)]++;
    while (!lines.empty()) {
        auto next = std::find_if(lines.begin(), lines.end(), [&](int a) { return waiting[a] == 0; });
        if (next == lines.end()) next = lines.begin();  // a loop no rules file can make
        int a = *next;
        lines.erase(next);
        if (mustPrecede(a) >= 0) waiting[mustPrecede(a)]--;
        writeConversion(r, a, s, descriptionMode);
    }
}

void writeSenseRules(int self, const SenseRule *rules, int count, const char *verb, const char *join, FILE *s,
                     bool descriptionMode) {
    for (int k = 0; k < count; k++) {
        const SenseRule &e = rules[k];
        if (!isColor(e.output)) continue;
        lead(s, self, descriptionMode);
        std::fprintf(s, "%s %s %s %s%s\n", verb, setName(e.source), join, nameOf(e.output), factor(e.factor).c_str());
    }
}

// The input of a slot rule: another slot's number, or the node form (100 plus a colour set).
std::string slotInput(int input) {
    int set = input - 100;
    if (isColor(set) || set == -2 || set == -1) return std::string("node ") + setName(set);
    return std::to_string(input);
}

void writeSlotRules(FILE *s) {
    for (int k = 0; k < kPatternSlots; k++) {
        const PatternSlot &slot = patternSlots[k];
        for (int j = 0; j < slot.senseCount && j < kSlotRules; j++) {
            const SlotRule &e = slot.senses[j];
            if (isColor(e.output))
                std::fprintf(s, "meta %d senses %s to %s%s\n", k, slotInput(e.input).c_str(), nameOf(e.output),
                             factor(e.factor).c_str());
        }
        for (int j = 0; j < slot.decomposeCount && j < kSlotRules; j++) {
            const SlotRule &e = slot.decomposes[j];
            if (isColor(e.output))
                std::fprintf(s, "meta %d decomposes %s to %s%s\n", k, slotInput(e.input).c_str(), nameOf(e.output),
                             factor(e.factor).c_str());
        }
        if (slot.grasps) std::fprintf(s, "meta %d grasps\n", k);
    }
}

// A node the listing writes: a free node of the world, not a metanode nor part of one's body.
Node *listedNode(Thing *t) {
    Node *n = dynamic_cast<Node *>(t);
    return n && !n->dead && !n->isMeta() && !n->container() ? n : nullptr;
}

void writeNode(Node *n, FILE *s) {
    Vec2 p = n->position();
    std::fprintf(s, "%s node at %s %s with id %d with strength %s\n", nameOf(n->colour()), number(p.x, 6, p.x).c_str(),
                 number(p.y, 6, p.y).c_str(), n->id, number(n->strength, 2, n->strength, clampedRead).c_str());
}

void writeEdge(Edge *e, FILE *s) {
    if (isColor(e->edgeColour)) std::fprintf(s, "%s ", nameOf(e->edgeColour));
    std::fprintf(s, "%s edge from node %d to node %d", e->directed ? "directed" : "undirected", e->fromId, e->toId);
    // A new edge starts weak, or at full strength when its colour is static.
    float fresh = isColor(e->edgeColour) && colorTable[e->edgeColour].isStatic ? 1.0f : 0.25f;
    if (!sameFloat(e->strength, fresh))
        std::fprintf(s, " with strength %s", number(e->strength, 2, e->strength, clampedRead).c_str());
    std::fputs("\n", s);
}

void writeRgb(const ColorRule &r, FILE *s) {
    std::fprintf(s, "%s is %s %s %s\n", r.name, number(r.rgb[0], 3, r.rgb[0], clampedRead).c_str(),
                 number(r.rgb[1], 3, r.rgb[1], clampedRead).c_str(),
                 number(r.rgb[2], 3, r.rgb[2], clampedRead).c_str());
}

template <class Write>
std::string captured(Write write) {
    char *text = nullptr;
    size_t length = 0;
    FILE *s = open_memstream(&text, &length);
    if (!s) return std::string();
    write(s);
    std::fclose(s);
    std::string out(text, length);
    std::free(text);
    return out;
}

}  // namespace

void writeColorRules(const ColorRule &r, FILE *s, bool descriptionMode) {
    int self = colorIndexOf(r);
    if (!descriptionMode) {
        const char *n = nameOf(self);
        writeRgb(r, s);
        if (r.isStatic) std::fprintf(s, "%s static\n", n);
        if (r.isSterile) std::fprintf(s, "%s sterile\n", n);
        std::fprintf(s, "%s node probability is %s\n", n, number(r.nodeProbability, 2, r.nodeProbability).c_str());
        std::fprintf(s, "%s atom probability is %s\n", n, number(r.atomProbability, 2, r.atomProbability).c_str());
        std::fprintf(s, "%s size %s\n", n, number(r.size, 2, r.size, clampedRead).c_str());
        if (r.edgeLength != 0.0f)
            std::fprintf(s, "%s edge length is %s\n", n, number(r.edgeLength, 6, r.edgeLength).c_str());
        if (r.nodeDecayRate != 0.02f)
            std::fprintf(s, "%s node decays at %s\n", n,
                         number(r.nodeDecayRate, 6, r.nodeDecayRate * 50, nodeDecayFromFile).c_str());
        if (r.atomDecayRate != 0.02f)
            std::fprintf(s, "%s atom decays at %s\n", n,
                         number(r.atomDecayRate, 6, r.atomDecayRate * 50, atomDecayFromFile).c_str());
        if (r.nodeAgeRate != 0.03f)
            std::fprintf(
                s, "%s node ages at %s\n", n,
                number(r.nodeAgeRate, 6, r.nodeAgeRate / static_cast<double>(0.03f), nodeAgeFromFile, false).c_str());
        if (r.hasCaptureArc)
            std::fprintf(s, "%s capture arc is %s\n", n,
                         number(r.captureArc, 6, r.captureArc / (6.28 * static_cast<double>(0.0027777778f)),
                                captureArcFromFile, false)
                             .c_str());
    }
    for (int c = 0; c < colorCount; c++) {
        switch (r.relation[c].kind) {
        case RelEats:
            lead(s, self, descriptionMode);
            std::fprintf(s, "eats %s\n", nameOf(c));
            break;
        case RelPoisonedBy: std::fprintf(s, "%s poisons %s\n", nameOf(c), nameOf(self)); break;
        case RelCollects:
            lead(s, self, descriptionMode);
            std::fprintf(s, "collects %s\n", nameOf(c));
            break;
        case RelInvigoratedBy:
            lead(s, self, descriptionMode);
            std::fprintf(s, "invigoratedby %s\n", nameOf(c));
            break;
        case RelInhibitedBy: std::fprintf(s, "%s inhibits %s\n", nameOf(c), nameOf(self)); break;
        default: break;
        }
        float affinity = r.relation[c].affinity;
        if (affinity != 0.0f) {
            lead(s, self, descriptionMode);
            std::fprintf(s, affinity > 0.0f ? "likes %s\n" : "dislikes %s\n", nameOf(c));
        }
        const Decomposition &d = r.decomposition[c];
        if (d.defined && isColor(d.output)) {
            lead(s, self, descriptionMode);
            std::fprintf(s, "decomposes %s into %s%s\n", nameOf(c), nameOf(d.output), factor(d.factor).c_str());
        }
    }
    writeConversions(r, s, descriptionMode);
    if (r.nodeKind == 1) {
        lead(s, self, descriptionMode);
        std::fputs("is donut\n", s);
    } else if (r.nodeKind == 2) {
        lead(s, self, descriptionMode);
        std::fputs("is cilia\n", s);
    }
    if (r.valence != -1) {
        lead(s, self, descriptionMode);
        std::fprintf(s, "valence is %d\n", r.valence);
    }
    for (int c = 0; c < kMaxColors; c++) {
        if (r.reproduceAt[c] == -1) continue;
        lead(s, self, descriptionMode);
        std::fprintf(s, "node reproduces when %s = %d\n", nameOf(c), r.reproduceAt[c]);
    }
    writeSenseRules(self, r.sense, std::min(r.senseCount, kMaxSenses), "senses", "to", s, descriptionMode);
    writeSenseRules(self, r.signal, std::min(r.signalCount, kMaxSenses), "signals", "with", s, descriptionMode);
}

void writeRules(FILE *s) {
    std::string blocks = captured([](FILE *m) {
        for (int i = 0; i < colorCount; i++) writeColorRules(colorTable[i], m, false);
    });
    // A block that names a colour of a later block would make a reload number
    // the colours differently: then every colour is declared first, in order.
    if (!declaresInOrder(blocks))
        for (int i = 0; i < colorCount; i++) writeRgb(colorTable[i], s);
    std::fputs(blocks.c_str(), s);
    writeSlotRules(s);
    std::fputs("\n\n", s);

    std::fprintf(s, "render atoms %d\n", world.renderAtoms);
    std::fprintf(s, "render nodes %d\n", world.renderNodes);
    std::fprintf(s, "render atom_aggregates %d\n", world.renderAtomAggregates);
    std::fprintf(s, "render edges %d\n", world.renderEdges);
    std::fprintf(s, "colored_edges %d\n", world.coloredEdges);
    std::fprintf(s, "directed_edges %d\n", world.directedEdges);
    std::fprintf(s, "discover_edges %d\n", world.discoverEdges);
    std::fprintf(s, "fix_node_collisions %d\n", world.fixNodeCollisions);
    std::fprintf(s, "closed_world %d\n", world.closedWorld);
    std::fprintf(s, "anneal %d\n", world.anneal);
    std::fprintf(s, "inertia %d\n", world.inertia);
    std::fprintf(s, "node_creation_rate %s\n",
                 number(world.nodeCreationRate, 6, world.nodeCreationRate, clampedRead).c_str());
    std::fprintf(s, "edge_constraint %d\n", world.edgeConstraint);
    std::fprintf(s, "edge springk is %s\n", number(world.edgeSpringK, 6, world.edgeSpringK).c_str());
    std::fputs("\n\n", s);

    // Killed things wait for deletion after the step; they are no longer part
    // of the scenario. Metanodes, their bodies and the edges that touch them
    // have no statement: a snapshot keeps them.
    for (Thing *t = world.thingList; t; t = t->next)
        if (Node *n = listedNode(t)) writeNode(n, s);
    std::fputs("\n\n", s);

    if (world.edgeLength != 0.0f)
        std::fprintf(s, "edge length is %s\n", number(world.edgeLength, 6, world.edgeLength).c_str());
    for (Thing *t = world.thingList; t; t = t->next) {
        Edge *e = dynamic_cast<Edge *>(t);
        if (e && !e->dead && !e->container() && listedNode(findNode(e->fromId)) && listedNode(findNode(e->toId)))
            writeEdge(e, s);
    }
    std::fputs("\n\n", s);
}

int unlistedMetanodes() {
    int count = 0;
    for (Thing *t = world.thingList; t; t = t->next) {
        Node *n = dynamic_cast<Node *>(t);
        count += n && !n->dead && n->isMeta();
    }
    return count;
}

std::string listingNote() {
    int n = unlistedMetanodes();
    if (n == 0) return std::string();
    return std::to_string(n) + (n == 1 ? " metanode is" : " metanodes are") +
           " not in the rules file (the rules format cannot hold metanodes); \"Save World\" keeps them.";
}

namespace {

// The colour's block in description mode, as NUL-ended lines.
void buildDescription(ColorRule &r) {
    delete[] r.description;
    r.description = nullptr;
    r.descriptionLineCount = 0;

    char *text = nullptr;
    size_t length = 0;
    FILE *s = open_memstream(&text, &length);
    if (!s) return;
    writeColorRules(r, s, true);
    std::fclose(s);

    int lines = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\n') {
            text[i] = '\0';
            lines++;
        }
    }
    bool openLast = length > 0 && text[length - 1] != '\0';
    if (openLast) lines++;
    char *d = new char[length + 1];
    std::memcpy(d, text, length);
    d[length] = '\0';
    std::free(text);
    r.description = d;
    r.descriptionLineCount = lines;
}

}  // namespace

void rebuildDescriptions() {
    for (int i = 0; i < colorCount; i++) buildDescription(colorTable[i]);
}

void rebuildRules() {
    rebuildColors();
    rebuildDescriptions();
}
