#include "app/Statistics.h"

#include "world/Node.h"

Statistics stats;

void resetStatistics() { stats = Statistics(); }

void countNodesByColour(int out[kMaxColors]) {
    for (int c = 0; c < kMaxColors; c++) out[c] = 0;
    for (int k = 0; k < kNodeTableSize; k++) {
        Node *n = world.nodeTable[k];
        if (!n || n->dead) continue;
        int c = n->colour();
        if (c >= 0 && c < kMaxColors) out[c]++;
    }
}

void strengthHistogram(int colour, float out[kStrengthBins]) {
    for (int i = 0; i < kStrengthBins; i++) out[i] = 0.0f;
    for (int k = 0; k < kNodeTableSize; k++) {
        Node *n = world.nodeTable[k];
        if (!n || n->dead || n->colour() != colour) continue;
        int bin = static_cast<int>(n->strength * kStrengthBins);
        if (bin < 0) bin = 0;
        if (bin >= kStrengthBins) bin = kStrengthBins - 1;
        out[bin] += 1.0f;
    }
}

void recordStep(float now, bool timed) {
    int counts[kMaxColors];
    countNodesByColour(counts);
    for (int c = 0; c < kMaxColors; c++) stats.counts[c][stats.head] = static_cast<float>(counts[c]);
    stats.head = (stats.head + 1) % kStatHistory;
    if (stats.samples < kStatHistory) stats.samples++;
    if (!timed) return;
    if (stats.windowStart < 0.0f || now < stats.windowStart || now - stats.windowStart > 2.0f) {
        // The first step of a run: the rate is measured from here.
        stats.windowStart = now;
        stats.windowSteps = 0;
        return;
    }
    stats.windowSteps++;
    float span = now - stats.windowStart;
    if (span >= 1.0f) {
        stats.stepsPerSecond = static_cast<float>(stats.windowSteps) / span;
        stats.windowStart = now;
        stats.windowSteps = 0;
    }
}

void recordFrameCost(float milliseconds) {
    // A light smoothing keeps the figure readable.
    stats.frameMilliseconds =
        stats.frameMilliseconds == 0.0f ? milliseconds : stats.frameMilliseconds * 0.9f + milliseconds * 0.1f;
}

void pauseStatistics() {
    stats.stepsPerSecond = 0.0f;
    stats.windowStart = -1.0f;
    stats.windowSteps = 0;
}

int statHistory(int colour, float *out) {
    if (colour < 0 || colour >= kMaxColors) return 0;
    int start = (stats.head - stats.samples + kStatHistory) % kStatHistory;
    for (int i = 0; i < stats.samples; i++) out[i] = stats.counts[colour][(start + i) % kStatHistory];
    return stats.samples;
}
