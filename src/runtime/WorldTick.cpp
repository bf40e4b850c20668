#include "runtime/WorldTick.h"

#include "world/Node.h"
#include "world/SimTime.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

bool tickWorld(float now) {
    world.maxEdges = maxEdgesChoices[edgeConstraintRow(world.edgeConstraint)].value;
    int speed = world.speed < 0 ? 0 : (world.speed > 3 ? 3 : world.speed);
    bool stepped = false;
    float period = speedPeriods[speed].period;
    float due = world.lastStepTime + period;
    if (world.stepBudget > 0 && speed != 0 && due <= now) {
        world.stepBudget -= 1;
        worldStep();
        // Keep the schedule when the pass came a little late, so the rate is
        // the chosen one and not one pass slower; a step late by a whole
        // period starts a new schedule instead of catching up.
        world.lastStepTime = now - due < period ? due : now;
        advanceSimTime();
        maybeSpontaneousNode();
        stepped = true;
    }
    world.stepBudget = 10;
    // Every pass, a step or not: what was killed meanwhile (by the user too) goes.
    purgeDead();
    return stepped;
}

bool stepWorldNow() {
    int speed = world.speed;
    if (speed <= 0 || speed > 3) world.speed = 3;
    bool stepped = false;
    // The first tick after start-up has no budget yet; the second always steps.
    for (int pass = 0; pass < 2 && !stepped; pass++) stepped = tickWorld(world.lastStepTime + 1.0f);
    world.speed = speed;
    return stepped;
}
