// The per-thread generator: state = state * 214013 + 2531011 modulo 2^32.
#include "rain/random.h"

namespace {
thread_local uint32_t state = 1;
}  // namespace

int32_t Rand() {
  state = state * 214013u + 2531011u;
  return static_cast<int32_t>((state >> 16) & 0x7FFFu);
}

void SeedRand(uint32_t seed) { state = seed; }
