#include "runtime/Clock.h"

#include <chrono>

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

float clockProgressNow(float start, float duration) { return clockProgress(clockNow(), start, duration); }

float clockPhaseNow(float start, float period) { return clockPhase(clockNow(), start, period); }

float clockTriangleNow(float start, float period) { return clockTriangle(clockNow(), start, period); }
