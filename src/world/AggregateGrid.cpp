#include "world/AggregateGrid.h"

#include <cstring>

#include "world/StateArchive.h"

AggregateGrid::AggregateGrid(int n) : layers(n < 0 ? 0 : n) {
    values = new float[static_cast<size_t>(layers) * kRows * kCols]();
    colours = new float[static_cast<size_t>(layers) * 3 + 3]();
    std::memset(emptyMask, 1, sizeof emptyMask);
}

AggregateGrid::~AggregateGrid() {
    delete[] values;
    delete[] colours;
}

float AggregateGrid::read(int layer, float x, float y) const {
    int i, j;
    if (layer < 0 || layer >= layers || !cellOf(x, y, i, j)) return -1.0f;
    return values[(layer * kRows + j) * kCols + i];
}

void AggregateGrid::write(int layer, float x, float y, float value) {
    int i, j;
    if (layer < 0 || layer >= layers || !cellOf(x, y, i, j)) return;
    values[(layer * kRows + j) * kCols + i] = value;
    if (value != 0.0f) {
        emptyMask[j * kCols + i] = 0;
        return;
    }
    for (int l = 0; l < layers; l++)
        if (values[(l * kRows + j) * kCols + i] != 0.0f) return;
    emptyMask[j * kCols + i] = 1;
}

bool AggregateGrid::emptyAt(float x, float y) const {
    int i, j;
    if (!cellOf(x, y, i, j)) return true;
    return emptyMask[j * kCols + i] != 0;
}

void AggregateGrid::setLayerColour(int layer, const float rgb[3]) {
    if (layer < 0 || layer >= layers) return;
    for (int k = 0; k < 3; k++) colours[3 * layer + k] = rgb[k];
}

AggregateGrid *AggregateGrid::renumbered(const int *newOfOld, int newLayers) const {
    AggregateGrid *g = new AggregateGrid(newLayers);
    const size_t layerSize = static_cast<size_t>(kRows) * kCols;
    for (int l = 0; l < layers; l++) {
        int to = newOfOld[l];
        if (to >= 0 && to < g->layers)
            std::memcpy(g->values + to * layerSize, values + l * layerSize, layerSize * sizeof(float));
    }
    for (size_t cell = 0; cell < layerSize; cell++) {
        g->emptyMask[cell] = 1;
        for (int l = 0; l < g->layers && g->emptyMask[cell]; l++)
            if (g->values[l * layerSize + cell] != 0.0f) g->emptyMask[cell] = 0;
    }
    return g;
}

void AggregateGrid::archive(StateArchive &a) {
    a.values("value", values, static_cast<size_t>(layers) * kRows * kCols);
    a.values("empty", emptyMask, sizeof emptyMask);
}
