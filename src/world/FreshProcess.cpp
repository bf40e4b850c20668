#include "world/FreshProcess.h"

#include "world/ColorTable.h"
#include "world/NeighbourGrid.h"
#include "world/Pattern.h"
#include "world/Random.h"
#include "world/WorldStore.h"

void resetToFreshProcess(uint32_t seed) {
    deleteAllPatterns();
    clearSlotRules();
    killAll();
    resetColorTable();
    colorCount = 0;
    world.lastStepTime = 0.0f;
    world.simTime = 0.0f;
    world.stepCount = 0;
    world.stepBudget = 0;
    world.speed = 2;  // a rules load keeps the speed
    world.nextId = 0;
    world.idsWrapped = false;
    world.visitStamp = 0;
    world.collisionPass = 0;
    for (int &m : world.metaCounts) m = 0;
    atomGrid.clear();
    nodeGrid.clear();
    setRandState(seed);
}
