// Critical sections as the debug log uses them (re-entered by their owner thread), and the
// thread-local slot in which the rain's generator keeps each thread's state.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "platform/win32.h"

namespace {

TEST(CriticalSectionConformance, OwnerMayEnterAgain) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_NE(TryEnterCriticalSection(&section), FALSE);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  EXPECT_NE(TryEnterCriticalSection(&section), FALSE) << "free again after as many leaves as enters";
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
}

void* Value(uintptr_t value) { return reinterpret_cast<void*>(value); }

struct SlotProbe {
  DWORD slot = 0;
  void* seenFirst = Value(1);  // what the new thread read before setting anything
  void* seenAfter = nullptr;   // what it read after setting its own value
};

void ProbeSlot(SlotProbe* probe) {
  probe->seenFirst = TlsGetValue(probe->slot);
  TlsSetValue(probe->slot, Value(0x5678));
  probe->seenAfter = TlsGetValue(probe->slot);
}

TEST(ThreadSlotConformance, EveryThreadStartsAtZeroAndKeepsItsOwnValue) {
  const DWORD slot = TlsAlloc();
  ASSERT_NE(slot, static_cast<DWORD>(TLS_OUT_OF_INDEXES));
  EXPECT_NE(TlsAlloc(), slot) << "each allocation is a slot of its own";
  SetLastError(ERROR_INVALID_PARAMETER);
  EXPECT_EQ(TlsGetValue(slot), nullptr) << "a new slot reads 0";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a 0 that is a value, not a failure";
  ASSERT_NE(TlsSetValue(slot, Value(0x1234)), FALSE);
  EXPECT_EQ(TlsGetValue(slot), Value(0x1234));

  SlotProbe probe;
  probe.slot = slot;
  // A thread of the test's own, joined here: a slot's values do not depend on how the thread began.
  std::thread(ProbeSlot, &probe).join();
  EXPECT_EQ(probe.seenFirst, nullptr) << "a thread started after the value was set still reads 0";
  EXPECT_EQ(probe.seenAfter, Value(0x5678));
  EXPECT_EQ(TlsGetValue(slot), Value(0x1234)) << "another thread's value leaves this one's alone";
}

}  // namespace
