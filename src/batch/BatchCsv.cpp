#include "batch/BatchCsv.h"

#include "rules/ColorTable.h"
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

void writeCsvRow(FILE *f) {
    int nodes, edges;
    statusCounts(nodes, edges);
    std::fprintf(f, "%d,%.3f,%d,%d,%d", world.stepCount, world.simTime, nodes, edges, world.liveAtomCount);
    for (int c = 0; c < colorCount; c++) std::fprintf(f, ",%d", colorTable[c].nodeTally);
    for (int s = 0; s < kPatternSlots; s++) std::fprintf(f, ",%d", world.metaCounts[s]);
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
