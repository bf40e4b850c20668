#pragma once
#include <chrono>

// The steps the user asks for beside the running speed: "Step" (one step at
// the next tick while paused) and "Run ahead" (that many steps exactly as the
// tick runs them, as fast as they go; Cancel stops after the current step).
// The panel records them here; the desktop program's idle pass runs them.
void requestSingleStep();
bool singleStepPending();
// A request made while the world runs at a speed is dropped.
void dropSingleStep();
// Runs the pending single step: one step exactly as a due tick runs it,
// whatever the speed, the step clock then at now. Clears the request; returns
// true when a step ran.
bool runSingleStep(float now);

struct RunAheadState {
    int total = 0;
    int done = 0;
};
extern RunAheadState runAhead;
void startRunAhead(int steps);
void cancelRunAhead();
bool runAheadActive();
// Run-ahead steps until the run is done or budget has passed, calling
// afterStep (when given) after each; returns how many ran. The step clock is
// left ahead of the wall clock (see stepWorldNow).
int runAheadFor(std::chrono::milliseconds budget, void (*afterStep)() = nullptr);
