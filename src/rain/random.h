// The rain's random numbers: the classic linear congruential generator, one state per thread,
// starting at 1.
#pragma once

#include <cstdint>

// The calling thread's next number, 0..32767 (bits 16..30 of the new state).
int32_t Rand();
// Seeds the calling thread's generator; only the window thread does, at window creation.
void SeedRand(uint32_t seed);
