// The per-thread generator: state = state * 214013 + 2531011 modulo 2^32. Each thread's state
// lives in one thread-local slot of the platform's, which every thread starts with as 0; the slot
// holds the state with its lowest bit flipped, so that 0 is the state 1 every thread starts from.
#include "rain/random.h"

#include "platform/win32.h"

namespace {

// Made by the program's static construction, before the window thread or the drawing thread
// draws a number.
const DWORD StateSlot = TlsAlloc();

uint32_t LoadState() { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(TlsGetValue(StateSlot))) ^ 1u; }

void StoreState(uint32_t state) { TlsSetValue(StateSlot, reinterpret_cast<void*>(static_cast<uintptr_t>(state ^ 1u))); }

}  // namespace

int32_t Rand() {
  const uint32_t state = LoadState() * 214013u + 2531011u;
  StoreState(state);
  return static_cast<int32_t>((state >> 16) & 0x7FFFu);
}

void SeedRand(uint32_t seed) { StoreState(seed); }
