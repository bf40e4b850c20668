#pragma once

// Process clock: float seconds since the first clockInit.
void clockInit();
float clockNow();
float clockProgress(float t, float start, float duration);
float clockProgressNow(float start, float duration);
float clockPhase(float t, float start, float period);
float clockPhaseNow(float start, float period);
float clockTriangle(float t, float start, float period);
float clockTriangleNow(float start, float period);
// Test hook: freeze the clock at a given time (negative: run freely again).
void clockOverride(float seconds);
