#pragma once

// Waves over a given time in seconds: the simulation feeds them simulated
// time, the drawing code the program's wall clock (through the painter).
float clockProgress(float t, float start, float duration);
float clockPhase(float t, float start, float period);
float clockTriangle(float t, float start, float period);
