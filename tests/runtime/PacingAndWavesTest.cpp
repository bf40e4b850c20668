// Frame pacing as an idle loop that sleeps what it is told sees it, and the
// waves of simulated time the drawing reads.
#include <gtest/gtest.h>

#include <cmath>

#include "runtime/FramePacing.h"
#include "world/SimTime.h"

namespace {

struct LoopRun {
    int frames = 0;
    float longestRest = 0.0f;
    float shortestGap = 1.0e9f;  // between two frames
};

// Ten seconds of idle passes: each draws when a frame is wanted, then rests
// as long as it is told. changed and animated hold throughout; a step falls
// due every stepEvery seconds (0: none runs).
LoopRun runLoop(bool changed, bool animated, float stepEvery) {
    LoopRun r;
    PacingState s;
    s.changed = changed;
    s.animated = animated;
    for (int pass = 0; pass < 100000 && s.now < 10.0f; pass++) {
        s.nextStep = stepEvery > 0.0f ? (static_cast<int>(s.now / stepEvery) + 1) * stepEvery : -1.0f;
        if (frameWanted(s)) {
            if (s.lastFrame >= 0.0f && s.now - s.lastFrame < r.shortestGap) r.shortestGap = s.now - s.lastFrame;
            s.lastFrame = s.now;
            r.frames++;
        }
        float rest = restSeconds(s);
        EXPECT_GE(rest, 0.0f);
        if (rest > r.longestRest) r.longestRest = rest;
        s.now += rest + 1.0e-6f;  // a pass takes a little time
    }
    return r;
}

}  // namespace

TEST(FramePacing, SixtyFramesASecondWhileSomethingChangesAFewWhenNothingDoes) {
    for (bool animated : {false, true}) {
        LoopRun busy = runLoop(!animated, animated, 0.0f);
        EXPECT_GE(busy.frames, 590) << animated;
        EXPECT_LE(busy.frames, 601) << animated;
        EXPECT_GE(busy.shortestGap, kFramePeriod * 0.999f) << animated;
    }
    LoopRun quiet = runLoop(false, false, 0.0f);
    EXPECT_GE(quiet.frames, 39);
    EXPECT_LE(quiet.frames, 41);
    EXPECT_LE(quiet.longestRest, kQuietPeriod);
    EXPECT_GE(quiet.longestRest, kQuietPeriod * 0.99f);
    // A quiet world still wakes for each step: the rests end where steps fall due.
    LoopRun stepping = runLoop(false, false, 0.1f);
    EXPECT_LE(stepping.longestRest, 0.1f + 1.0e-4f);
    EXPECT_NEAR(stepping.frames, quiet.frames, 1);
}

TEST(FramePacing, TheFirstPassAndAClockThatWentBackDrawAtOnce) {
    PacingState s;
    s.now = 5.0f;
    EXPECT_TRUE(frameWanted(s));
    EXPECT_EQ(restSeconds(s), 0.0f);
    s.lastFrame = 5.0f;
    EXPECT_FALSE(frameWanted(s));
    s.now = 4.0f;  // the wall clock was set back
    EXPECT_TRUE(frameWanted(s));
    s.nextStep = 3.0f;  // a step overdue: no rest
    EXPECT_EQ(restSeconds(s), 0.0f);
    // A loop that wakes exactly when told draws then, rather than resting zero.
    s = PacingState();
    s.lastFrame = 1.0f;
    s.now = 1.0f + restSeconds(s);
    EXPECT_TRUE(frameWanted(s));
}

// A step's length in simulated time shows in every kept run's time column.
TEST(SimTime, TheWavesKeepTheirShape) {
    const float start = 2.0f, period = 1.5f;
    float lastProgress = -1.0f;
    for (int k = -10; k <= 40; k++) {
        float t = start + period * static_cast<float>(k) / 20.0f;
        // Progress: 0 before the start, 1 after the end, rising in between.
        float p = clockProgress(t, start, period);
        EXPECT_GE(p, lastProgress) << k;
        EXPECT_TRUE(p >= 0.0f && p <= 1.0f) << k;
        EXPECT_EQ(p, k <= 0 ? 0.0f : k >= 20 ? 1.0f : p) << k;
        lastProgress = p;
        // Phase: within [0, 1), the same one period later.
        float ph = clockPhase(t, start, period);
        EXPECT_TRUE(ph >= 0.0f && ph < 1.0f) << k;
        float apart = std::fabs(clockPhase(t + period, start, period) - ph);
        EXPECT_LT(std::fmin(apart, 1.0f - apart), 1.0e-4f) << k;  // 0 and 1 meet
        // Triangle: within [0, 1], the same either side of the half period.
        float tri = clockTriangle(t, start, period);
        EXPECT_TRUE(tri >= 0.0f && tri <= 1.0f) << k;
        float mirrored = start + period - (t - start);
        EXPECT_NEAR(clockTriangle(mirrored, start, period), tri, 1.0e-4f) << k;
    }
    EXPECT_NEAR(clockProgress(start + period * 0.25f, start, period), 0.25f, 1.0e-6f);
    EXPECT_NEAR(clockPhase(start + period * 0.25f, start, period), 0.25f, 1.0e-6f);
    EXPECT_EQ(clockTriangle(start, start, period), 0.0f);
    EXPECT_NEAR(clockTriangle(start + period * 0.5f, start, period), 1.0f, 1.0e-5f);
    EXPECT_NEAR(clockTriangle(start + period * 0.25f, start, period), 0.5f, 1.0e-5f);
}
