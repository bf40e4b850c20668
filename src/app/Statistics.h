#pragma once
#include "world/WorldStore.h"

// Live figures for the panel: node counts per colour over recent steps, the
// strength spread of one colour, steps per second and frame time.
constexpr int kStatHistory = 4000;
constexpr int kStrengthBins = 20;

struct Statistics {
    // Ring of per-colour node counts, one sample per world step.
    float counts[kMaxColors][kStatHistory] = {};
    int samples = 0;  // how many are filled, at most kStatHistory
    int head = 0;     // where the next sample goes
    float stepsPerSecond = 0.0f;
    float frameMilliseconds = 0.0f;
    float windowStart = -1.0f;
    int windowSteps = 0;
};
extern Statistics stats;

void resetStatistics();
// Sample the node count of every colour after a world step at time now; a
// timed step (one the live tick ran at its speed) also counts towards the
// steps per second.
void recordStep(float now, bool timed = true);
// What drawing one live frame cost, in milliseconds.
void recordFrameCost(float milliseconds);
// The rate restarts from the next timed step (after a pattern window, a
// dialog or a single step, none of which are live running).
void pauseStatistics();
// Per-colour node counts of the live world (live, unabsorbed or absorbed nodes alike).
void countNodesByColour(int out[kMaxColors]);
// Strength histogram of one colour's live nodes: bin i holds strengths in [i/20, (i+1)/20).
void strengthHistogram(int colour, float out[kStrengthBins]);
// Copy colour c's history, oldest first; returns the number of samples.
int statHistory(int colour, float *out);
