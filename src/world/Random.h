#pragma once
#include <cstdint>

// The system's one pseudo-random generator: a linear congruential generator
// with 32-bit state, results 0..32767. Never the C library's rand, so runs are
// reproducible on every platform.
int drovanRand();
// rand()/32767 as the simulation computes it: rand() * 3.051851e-5.
float randUnit();
// The generator's state. It starts at 1, as the desktop program always
// starts; --seed, the bench worlds, snapshots and resetToFreshProcess set it.
uint32_t randState();
void setRandState(uint32_t s);
