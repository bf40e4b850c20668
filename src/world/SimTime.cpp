#include "world/SimTime.h"

#include <cmath>

#include "world/WorldStore.h"

void advanceSimTime() {
    world.simTime += 0.033333335f;
    world.stepCount += 1;
}

float clockProgress(float t, float start, float duration) {
    if (t < start) return 0.0f;
    if (start + duration < t) return 1.0f;
    if (t == start) return 0.0f;
    return (t - start) / duration;
}

float clockPhase(float t, float start, float period) {
    float d = t - start;
    float k = 1.0f / period;
    double whole = std::floor(static_cast<double>(d * k));
    return (d - static_cast<float>(whole) * period) * k;
}

float clockTriangle(float t, float start, float period) {
    float p = clockPhase(t, start, period);
    if (!(p < 0.5f)) p = 1.0f - p;
    return 2.0f * p;
}
