#include "runtime/StepRequests.h"

#include "runtime/WorldTick.h"
#include "world/WorldStore.h"

namespace {
bool stepRequested = false;
}

void requestSingleStep() { stepRequested = true; }
bool singleStepPending() { return stepRequested; }
void dropSingleStep() { stepRequested = false; }

bool runSingleStep(float now) {
    stepRequested = false;
    bool stepped = stepWorldNow();
    world.lastStepTime = now;
    return stepped;
}

RunAheadState runAhead;
bool runAheadActive() { return runAhead.total > 0 && runAhead.done < runAhead.total; }
void startRunAhead(int steps) {
    runAhead.total = steps > 0 ? steps : 0;
    runAhead.done = 0;
}
void cancelRunAhead() { runAhead.total = runAhead.done; }

int runAheadFor(std::chrono::milliseconds budget, void (*afterStep)()) {
    auto until = std::chrono::steady_clock::now() + budget;
    int ran = 0;
    while (runAheadActive() && std::chrono::steady_clock::now() < until) {
        if (!stepWorldNow()) break;
        runAhead.done++;
        ran++;
        if (afterStep) afterStep();
    }
    return ran;
}
