#include "app/Clock.h"

#include <chrono>
#include <cmath>

namespace {
bool clockStarted = false;
float overrideSeconds = -1.0f;

long long millisecondsNow() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
long long baseMilliseconds = 0;
}  // namespace

void clockInit() {
    if (clockStarted) return;
    clockStarted = true;
    baseMilliseconds = millisecondsNow();
}

float clockNow() {
    if (overrideSeconds >= 0.0f) return overrideSeconds;
    clockInit();
    return static_cast<float>(millisecondsNow() - baseMilliseconds) * 0.001f;
}

void clockOverride(float seconds) { overrideSeconds = seconds; }

float clockProgress(float t, float start, float duration) {
    if (t < start) return 0.0f;
    if (start + duration < t) return 1.0f;
    if (t == start) return 0.0f;
    return (t - start) / duration;
}

float clockProgressNow(float start, float duration) { return clockProgress(clockNow(), start, duration); }

float clockPhase(float t, float start, float period) {
    float d = t - start;
    float k = 1.0f / period;
    double whole = std::floor(static_cast<double>(d * k));
    return (d - static_cast<float>(whole) * period) * k;
}

float clockPhaseNow(float start, float period) { return clockPhase(clockNow(), start, period); }

float clockTriangle(float t, float start, float period) {
    float p = clockPhase(t, start, period);
    if (!(p < 0.5f)) p = 1.0f - p;
    return 2.0f * p;
}

float clockTriangleNow(float start, float period) { return clockTriangle(clockNow(), start, period); }
