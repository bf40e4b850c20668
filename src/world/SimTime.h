#pragma once

// Simulated time: a live step's thirtieth of a second, and waves over a
// given time in seconds (the simulation feeds them simulated time, the
// drawing code the program's wall clock, through the painter).

// After a live step: the simulated time and the step count advance.
void advanceSimTime();

float clockProgress(float t, float start, float duration);
float clockPhase(float t, float start, float period);
float clockTriangle(float t, float start, float period);
