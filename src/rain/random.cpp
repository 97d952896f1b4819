// The per-thread streams. Each thread's state lives in one thread-local slot of the platform's,
// which every thread starts with as 0; the slot holds the state with its lowest bit flipped, so
// that 0 is the state 1 every thread starts from.
#include "rain/random.h"

#include "platform/win32.h"

namespace {

// Made by the program's static construction, before the window thread or the drawing thread
// draws a number.
const DWORD StateSlot = TlsAlloc();

}  // namespace

RandomState ThreadRandomState() {
  return RandomState{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(TlsGetValue(StateSlot))) ^ 1u};
}

void SetThreadRandomState(RandomState random) {
  TlsSetValue(StateSlot, reinterpret_cast<void*>(static_cast<uintptr_t>(random.value ^ 1u)));
}

int32_t Rand() {
  RandomState random = ThreadRandomState();
  const int32_t number = NextRandom(random);
  SetThreadRandomState(random);
  return number;
}

void SeedRand(uint32_t seed) { SetThreadRandomState(RandomState{seed}); }
