#include "runtime/WorldTick.h"

#include "rules/ColorTable.h"
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
    int row = world.edge_constraint < 0 ? 0 : (world.edge_constraint > 5 ? 5 : world.edge_constraint);
    world.maxEdges = maxEdgesChoices[row].value;
    int speed = world.speed < 0 ? 0 : (world.speed > 3 ? 3 : world.speed);
    bool stepped = false;
    if (world.stepBudget > 0 && speed != 0 && world.lastStepTime + speedPeriods[speed].period < now) {
        world.stepBudget -= 1;
        worldStep();
        world.simTime += 0.033333335f;
        world.lastStepTime = now;
        world.stepCount += 1;
        if (colorCount > 0 && world.stepCount % 3 == 0) {
            int r = drovanRand();
            if (static_cast<float>(r) * 3.051851e-5f < world.node_creation_rate) spontaneousNode();
        }
        stepped = true;
    }
    world.stepBudget = 10;
    purgeDead();
    return stepped;
}
