#include "runtime/WorldTick.h"

#include "world/ColorTable.h"
#include "world/Node.h"
#include "world/Random.h"
#include "world/WorldStep.h"
#include "world/WorldStore.h"

void spontaneousNode() {
    int c = randomNodeColor();
    if (c < 0) return;
    float w = world.worldMaxX - world.worldMinX;
    float h = world.worldMaxY - world.worldMinY;
    float x0 = world.worldMinX + w / 8.0f, x1 = world.worldMaxX - w / 8.0f;
    float y0 = world.worldMinY + h / 8.0f, y1 = world.worldMaxY - h / 8.0f;
    float r1 = static_cast<float>(drovanRand());
    float r2 = static_cast<float>(drovanRand());
    float x = x0 + (r1 / 32767.0f) * (x1 - x0);
    float y = y0 + (r2 / 32767.0f) * (y1 - y0);
    createNode(x, y, c);
}

bool tickWorld(float now) {
    world.maxEdges = maxEdgesChoices[edgeConstraintRow(world.edgeConstraint)].value;
    int speed = world.speed < 0 ? 0 : (world.speed > 3 ? 3 : world.speed);
    bool stepped = false;
    float period = speedPeriods[speed].period;
    float due = world.lastStepTime + period;
    if (world.stepBudget > 0 && speed != 0 && due <= now) {
        world.stepBudget -= 1;
        worldStep();
        world.simTime += 0.033333335f;
        // Keep the schedule when the pass came a little late, so the rate is
        // the chosen one and not one pass slower; a step late by a whole
        // period starts a new schedule instead of catching up.
        world.lastStepTime = now - due < period ? due : now;
        world.stepCount += 1;
        if (colorCount > 0 && world.stepCount % 3 == 0) {
            int r = drovanRand();
            if (static_cast<float>(r) * 3.051851e-5f < world.nodeCreationRate) spontaneousNode();
        }
        stepped = true;
    }
    world.stepBudget = 10;
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
