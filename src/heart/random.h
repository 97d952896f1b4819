// The rain's random numbers: the classic linear congruential generator (state = state * 214013 +
// 2531011 modulo 2^32). Its state belongs to the caller, so the heart draws from whichever stream
// it is handed: the program keeps one per thread, a tool or benchmark one per stream it plays.
#pragma once

#include <cstdint>

// One stream's state; a stream that was never seeded starts at 1.
struct RandomState {
  uint32_t value = 1;
};

// The stream's next number, 0..32767 (bits 16..30 of the new state).
inline int32_t NextRandom(RandomState& random) {
  random.value = random.value * 214013u + 2531011u;
  return static_cast<int32_t>((random.value >> 16) & 0x7FFFu);
}
