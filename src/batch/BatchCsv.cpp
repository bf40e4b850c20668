#include "batch/BatchCsv.h"

#include "world/ColorTable.h"
#include "world/Node.h"
#include "world/Thing.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

static bool digestColumn = false;
void setCsvDigest(bool on) { digestColumn = on; }

void writeCsvHeader(FILE *f) {
    std::fputs("step,time,nodes,edges,atoms", f);
    for (int c = 0; c < colorCount; c++) std::fprintf(f, ",%s", colorTable[c].name);
    for (int s = 1; s <= kPatternSlots; s++) std::fprintf(f, ",meta%d", s);
    if (digestColumn) std::fputs(",digest", f);
    std::fputc('\n', f);
}

namespace {
// Nodes per colour and metanodes per pattern slot in the world as it stands,
// counted as statusCounts counts the nodes (the step's own tallies are taken
// mid-step, before births and deaths).
void liveCounts(int perColour[kMaxColors], int perSlot[kPatternSlots]) {
    for (Thing *t = world.thingList; t; t = t->next) {
        if (t->kind != ThingNode || t->container()) continue;
        int c = static_cast<Node *>(t)->colour();
        if (isColor(c)) perColour[c]++;
        if (t->patternIndex >= 0 && t->patternIndex < kPatternSlots) perSlot[t->patternIndex]++;
    }
}
}  // namespace

void writeCsvRow(FILE *f) {
    int nodes, edges;
    statusCounts(nodes, edges);
    std::fprintf(f, "%d,%.3f,%d,%d,%d", world.stepCount, world.simTime, nodes, edges, world.liveAtomCount);
    int perColour[kMaxColors] = {}, perSlot[kPatternSlots] = {};
    liveCounts(perColour, perSlot);
    for (int c = 0; c < colorCount; c++) std::fprintf(f, ",%d", perColour[c]);
    for (int s = 0; s < kPatternSlots; s++) std::fprintf(f, ",%d", perSlot[s]);
    if (digestColumn) {
        char hex[17];
        formatDigest(worldDigest(), hex);
        std::fprintf(f, ",%s", hex);
    }
    std::fputc('\n', f);
}

FILE *openCsv(const char *path) {
    FILE *f = std::fopen(path, "w");
    if (!f) {
        std::perror(path);
        return nullptr;
    }
    writeCsvHeader(f);
    return f;
}

std::string csvField(const std::string &text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string q = "\"";
    for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::vector<std::string> splitCsvLine(const std::string &line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); i++) {
        char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            i++;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}
