#pragma once
#include "world/SimTime.h"

// The program's wall clock: float seconds since the first clockInit.
void clockInit();
float clockNow();
float clockProgressNow(float start, float duration);
float clockPhaseNow(float start, float period);
float clockTriangleNow(float start, float period);
// Test hook: freeze the clock at a given time (negative: run freely again).
void clockOverride(float seconds);
