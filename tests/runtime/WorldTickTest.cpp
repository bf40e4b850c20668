// The tick shared by both programs: when a step is due, and that stepping
// "now" (Step, Run ahead) runs exactly the steps a due tick runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "rules/RulesListing.h"
#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "support/TextCapture.h"
#include "world/FreshProcess.h"
#include "world/Random.h"
#include "world/WorldStore.h"

namespace {
std::string listing() { return captured(writeRules); }

// A fresh process's world, started on the bundled scenario.
void start() {
    resetToFreshProcess();
    FILE *devnull = std::fopen("/dev/null", "w");
    startWorld(std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt", std::string(), StartupHooks(), devnull);
    std::fclose(devnull);
}
}  // namespace

TEST(WorldTick, AStepIsDueAtTheMomentItsPeriodEnds) {
    start();
    world.speed = 2;
    world.lastStepTime = 10.0f;
    tickWorld(10.0f);  // the first pass only fills the budget
    int steps = world.stepCount;
    EXPECT_FALSE(tickWorld(10.0f + speedPeriods[2].period * 0.99f));
    EXPECT_TRUE(tickWorld(10.0f + speedPeriods[2].period));
    EXPECT_EQ(world.stepCount, steps + 1);
    // A pass a little late keeps the schedule; one late by a period starts anew.
    float due = world.lastStepTime + speedPeriods[2].period;
    EXPECT_TRUE(tickWorld(due + 0.004f));
    EXPECT_FLOAT_EQ(world.lastStepTime, due);
    EXPECT_TRUE(tickWorld(due + 1.0f));
    EXPECT_FLOAT_EQ(world.lastStepTime, due + 1.0f);
    EXPECT_FALSE(tickWorld(due + 1.0f)) << "never two steps for one late pass";
}

TEST(WorldTick, SteppingNowRunsTheSameWorldAsDueTicksAtAnySpeed) {
    std::string byTicks;
    for (int speed : {1, 3}) {
        start();
        world.speed = speed;
        float now = 0.0f;
        world.lastStepTime = now;
        while (world.stepCount < 120) tickWorld(now += 0.005f);
        std::string l = listing();
        if (byTicks.empty()) byTicks = l;
        EXPECT_EQ(l, byTicks) << speed;
    }
    start();
    world.speed = 0;
    for (int i = 0; i < 120; i++) ASSERT_TRUE(stepWorldNow());
    EXPECT_EQ(world.speed, 0);
    EXPECT_EQ(listing(), byTicks);
}
