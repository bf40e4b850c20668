#include "world/Random.h"

static uint32_t state = 1;

int drovanRand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

float randUnit() { return static_cast<float>(drovanRand()) * 3.051851e-5f; }

uint32_t randState() { return state; }
void setRandState(uint32_t s) { state = s; }
