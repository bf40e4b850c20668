#include "runtime/FramePacing.h"

#include <algorithm>

namespace {
float nextFrame(const PacingState &s) {
    if (s.lastFrame < 0.0f) return s.now;
    return s.lastFrame + (s.changed || s.animated ? kFramePeriod : kQuietPeriod);
}
}  // namespace

bool frameWanted(const PacingState &s) {
    if (s.lastFrame < 0.0f || s.now < s.lastFrame) return true;
    return nextFrame(s) <= s.now;
}

float restSeconds(const PacingState &s) {
    float wake = nextFrame(s);
    if (s.nextStep >= 0.0f) wake = std::min(wake, s.nextStep);
    return std::clamp(wake - s.now, 0.0f, kQuietPeriod);
}
