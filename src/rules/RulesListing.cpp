#include "rules/RulesListing.h"

#include <cstdlib>
#include <cstring>

#include "world/ColorTable.h"
#include "world/Edge.h"
#include "world/Node.h"
#include "world/Thing.h"
#include "world/WorldStore.h"

namespace {

const char *nameOf(int c) { return c >= 0 && c < kMaxColors ? colorTable[c].name : ""; }

// The colour's own name in front of a line; left out in description mode.
void lead(FILE *s, const char *name, bool descriptionMode) {
    if (!descriptionMode) std::fprintf(s, "%s ", name);
}

void writeConversions(const ColorRule &r, FILE *s, bool descriptionMode) {
    for (int a = 0; a < colorCount; a++) {
        const Conversion &c = r.conversion[a];
        if (!c.defined) continue;
        int p = c.partner;
        if (p >= 0 && p < kMaxColors) {
            const Conversion &q = r.conversion[p];
            // A two-input rule is written once, from its higher input.
            if (q.defined && q.output1 == c.output1 && q.factor1 == c.factor1 && q.output2 == c.output2 &&
                q.factor2 == c.factor2 && p > a)
                continue;
        }
        lead(s, r.name, descriptionMode);
        std::fprintf(s, "converts %s ", nameOf(a));
        if (isColor(p)) std::fprintf(s, "and %s", nameOf(p));
        std::fputs(" to", s);
        bool first = false;
        if (isColor(c.output1)) {
            std::fprintf(s, " %s", nameOf(c.output1));
            if (c.factor1 != 1.0f) std::fprintf(s, " * %.3f", c.factor1);
            first = true;
        }
        if (isColor(c.output2)) {
            if (first) std::fputs(" and", s);
            std::fprintf(s, " %s", nameOf(c.output2));
            if (c.factor2 != 1.0f) std::fprintf(s, " * %.3f", c.factor2);
        }
        std::fputs("\n", s);
    }
}

}  // namespace

void writeColorRules(const ColorRule &r, FILE *s, bool descriptionMode) {
    const char *n = r.name;
    if (!descriptionMode) {
        std::fprintf(s, "%s is %.3f %.3f %.3f\n", n, r.rgb[0], r.rgb[1], r.rgb[2]);
        if (r.isStatic) std::fprintf(s, "%s static\n", n);
        if (r.isSterile) std::fprintf(s, "%s sterile\n", n);
        std::fprintf(s, "%s node probability is %.2f\n", n, r.nodeProbability);
        std::fprintf(s, "%s atom probability is %.2f\n", n, r.atomProbability);
        std::fprintf(s, "%s size %.2f\n", n, r.size);
        if (r.edgeLength != 0.0f) std::fprintf(s, "%s edge length is %f\n", n, r.edgeLength);
        if (r.nodeDecayRate != 0.02f) std::fprintf(s, "%s node decays at %f\n", n, r.nodeDecayRate * 50);
        if (r.atomDecayRate != 0.02f) std::fprintf(s, "%s atom decays at %f\n", n, r.atomDecayRate * 50);
    }
    for (int c = 0; c < colorCount; c++) {
        const char *m = colorTable[c].name;
        switch (r.relation[c].kind) {
        case RelEats:
            lead(s, n, descriptionMode);
            std::fprintf(s, "eats %s\n", m);
            break;
        case RelPoisonedBy: std::fprintf(s, "%s poisons %s\n", m, n); break;
        case RelCollects:
            lead(s, n, descriptionMode);
            std::fprintf(s, "collects %s\n", m);
            break;
        case RelInvigoratedBy:
            lead(s, n, descriptionMode);
            std::fprintf(s, "invigoratedby %s\n", m);
            break;
        default: break;
        }
        float affinity = r.relation[c].affinity;
        if (affinity != 0.0f) {
            lead(s, n, descriptionMode);
            std::fprintf(s, affinity > 0.0f ? "likes %s\n" : "dislikes %s\n", m);
        }
        const Decomposition &d = r.decomposition[c];
        if (d.defined) {
            lead(s, n, descriptionMode);
            std::fprintf(s, "decomposes %s into %s", m, nameOf(d.output));
            if (d.factor != 1.0f) std::fprintf(s, " * %.3f", d.factor);
            std::fputs("\n", s);
        }
    }
    writeConversions(r, s, descriptionMode);
    if (r.nodeKind == 1) {
        lead(s, n, descriptionMode);
        std::fputs("is donut\n", s);
    } else if (r.nodeKind == 2) {
        lead(s, n, descriptionMode);
        std::fputs("is cilia\n", s);
    }
    if (r.valence != -1) {
        lead(s, n, descriptionMode);
        std::fprintf(s, "valence is %d\n", r.valence);
    }
    for (int c = 0; c < kMaxColors; c++) {
        if (r.reproduceAt[c] == -1) continue;
        lead(s, n, descriptionMode);
        std::fprintf(s, "node reproduces when %s = %d\n", nameOf(c), r.reproduceAt[c]);
    }
}

void writeRules(FILE *s) {
    for (int i = 0; i < colorCount; i++) writeColorRules(colorTable[i], s, false);
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
    std::fprintf(s, "node_creation_rate %f\n", world.nodeCreationRate);
    std::fprintf(s, "edge_constraint %d\n", world.edgeConstraint);
    std::fprintf(s, "edge springk is %f\n", world.edgeSpringK);
    std::fputs("\n\n", s);

    // Killed things wait for deletion after the step; they are no longer part of the scenario.
    for (Thing *t = world.thingList; t; t = t->next) {
        Node *node = dynamic_cast<Node *>(t);
        if (node && !t->dead && !node->isMeta()) t->print(s);
    }
    std::fputs("\n\n", s);

    if (world.edgeLength != 0.0f) std::fprintf(s, "edge length is %f\n", world.edgeLength);
    for (Thing *t = world.thingList; t; t = t->next) {
        if (dynamic_cast<Edge *>(t) && !t->dead) t->print(s);
    }
    std::fputs("\n\n", s);
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
