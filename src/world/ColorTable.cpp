#include "world/ColorTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "world/Random.h"

ColorRule colorTable[kMaxColors];
int colorCount = 0;
float totalNodeProbability = 0.0f;

ColorRule::ColorRule() {
    for (int &r : reproduceAt) r = -1;
}

ColorRule::~ColorRule() { delete[] description; }

const char *ColorRule::descriptionLine(int i) const {
    if (!description || i < 0 || i >= descriptionLineCount) return nullptr;
    const char *p = description;
    for (; i > 0; i--) p += std::strlen(p) + 1;
    return p;
}

int findColor(const char *name) {
    if (!name) return -1;
    for (int i = 0; i < colorCount; i++)
        if (std::strcmp(colorTable[i].name, name) == 0) return i;
    return -1;
}

int declareColor(const char *name) {
    if (!name) return -1;
    // Names keep 31 characters; a longer word is cut before the lookup so that
    // every use of it names the same colour.
    char cut[kColorNameLength];
    std::strncpy(cut, name, kColorNameLength - 1);
    cut[kColorNameLength - 1] = '\0';
    int found = findColor(cut);
    if (found >= 0) return found;
    if (colorCount >= kMaxColors) return -1;
    int c = colorCount++;
    resetColorRule(colorTable[c]);
    std::memcpy(colorTable[c].name, cut, sizeof cut);
    return c;
}

void resetColorRule(ColorRule &r) {
    for (int c = 0; c < kMaxColors; c++) {
        r.relation[c] = Relation();
        r.conversion[c] = Conversion();
        r.reproduceAt[c] = -1;
        r.decomposition[c] = Decomposition();
    }
    r.isStatic = false;
    r.isSterile = false;
    r.nodeKind = 0;
    r.valence = -1;
    r.nodeDecayRate = 0.02f;
    r.atomDecayRate = 0.02f;
    r.nodeAgeRate = 0.03f;
    r.atomProbability = 0.0f;
    r.nodeProbability = 0.0f;
    r.size = 1.0f;
    r.rgb[0] = r.rgb[1] = r.rgb[2] = 0.0f;
    std::memset(r.name, 0, sizeof r.name);
    std::memset(r.strengthHistogram, 0, sizeof r.strengthHistogram);
    r.nodeTally = 0;
    r.hasEdgeLength = false;
    r.edgeLength = 0.0f;
    r.hasCaptureArc = false;
    r.captureArc = 0.0f;
    r.senseCount = 0;
    r.signalCount = 0;
    for (int k = 0; k < kMaxSenses; k++) {
        r.sense[k] = SenseRule();
        r.signal[k] = SenseRule();
    }
    delete[] r.description;
    r.description = nullptr;
    r.descriptionLineCount = 0;
}

void resetColorTable() {
    for (ColorRule &r : colorTable) resetColorRule(r);
    totalNodeProbability = 0.0f;
}

void setRelation(ColorRule &r, int colourSet, int kind) {
    if (isColor(colourSet)) {
        r.relation[colourSet].kind = kind;
    } else if (colourSet == -2) {
        for (int c = 0; c < colorCount; c++) r.relation[c].kind = kind;
    } else if (colourSet == -1) {
        for (int c = 0; c < colorCount; c++)
            if (r.relation[c].kind == kind) r.relation[c].kind = RelNone;
    }
}

void setIncomingRelation(int targetSet, int sourceColour, int kind) {
    if (isColor(targetSet)) {
        setRelation(colorTable[targetSet], sourceColour, kind);
    } else if (targetSet == -2) {
        for (int t = 0; t < colorCount; t++) setRelation(colorTable[t], sourceColour, kind);
    }
}

void setAffinity(ColorRule &r, int colour, float value) {
    if (colour >= 0 && colour < kMaxColors) r.relation[colour].affinity = value;
}

void setConversion(ColorRule &r, int a, int b, int output1, float factor1, int output2, float factor2) {
    if (isColor(a)) r.conversion[a] = Conversion{true, b, output1, output2, factor1, factor2};
    if (isColor(b)) r.conversion[b] = Conversion{true, a, output1, output2, factor1, factor2};
}

void setDecomposition(ColorRule &r, int colourSet, int output, float factor) {
    if (colourSet >= 0 && colourSet < kMaxColors) {
        r.decomposition[colourSet] = Decomposition{true, output, factor};
    } else if (colourSet == -2 || colourSet == -1) {
        for (Decomposition &d : r.decomposition) d = Decomposition{colourSet == -2, output, factor};
    }
}

bool addSenseRule(ColorRule &r, int source, int output, float factor) {
    if (r.senseCount >= kMaxSenses) return false;
    r.sense[r.senseCount++] = SenseRule{source, output, factor};
    return true;
}

bool addSignalRule(ColorRule &r, int source, int output, float factor) {
    if (r.signalCount >= kMaxSenses) return false;
    r.signal[r.signalCount++] = SenseRule{source, output, factor};
    return true;
}

SimpleConversion findSimpleConversion(const ColorRule &r) {
    for (int a = 0; a < colorCount; a++) {
        const Conversion &c = r.conversion[a];
        if (c.defined && !isColor(c.partner) && !isColor(c.output2)) return {true, a, c.output1, c.factor1};
    }
    int self = colorIndexOf(r);
    return {false, self, self, 0.5f};
}

int randomNodeColor() {
    // Both draws happen whatever the table holds, so the sequence stays the same.
    int first = drovanRand();
    int fallback = colorCount > 0 ? first % colorCount : -1;
    float x = static_cast<float>(drovanRand()) * 3.0518509e-5f * totalNodeProbability;
    if (x == 0.0f) return -1;
    for (int i = 0; i < kMaxColors; i++) {
        x -= colorTable[i].nodeProbability;
        if (x <= 0.0f) return i;
    }
    return fallback;
}

void refreshColorTable() {
    float total = 0.0f;
    for (int i = 0; i < colorCount; i++) total += colorTable[i].nodeProbability;
    totalNodeProbability = total;
}
