// The rain's random numbers as the program's threads draw them: one stream per thread, starting at
// 1, whose state the heart's generator (heart/random.h) advances.
#pragma once

#include <cstdint>

#include "heart/random.h"

// The calling thread's next number, 0..32767 (bits 16..30 of the new state).
int32_t Rand();
// Seeds the calling thread's generator; only the window thread does, at window creation.
void SeedRand(uint32_t seed);

// The calling thread's stream, for handing to the heart, and its state back after the heart drew
// from it.
RandomState ThreadRandomState();
void SetThreadRandomState(RandomState random);
