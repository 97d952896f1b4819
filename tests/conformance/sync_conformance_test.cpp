// Critical sections as the debug log uses them (re-entered by their owner thread), and the
// thread-local slot in which the rain's generator keeps each thread's state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

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
  void* seenFirst = Value(1);   // what the new thread read before setting anything
  void* seenAfter = nullptr;    // what it read after setting its own value
  std::atomic<int> done{0};
};

void ProbeSlot(void* argument) {
  auto* probe = static_cast<SlotProbe*>(argument);
  probe->seenFirst = TlsGetValue(probe->slot);
  TlsSetValue(probe->slot, Value(0x5678));
  probe->seenAfter = TlsGetValue(probe->slot);
  probe->done.store(1);
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
  ASSERT_NE(_beginthread(ProbeSlot, 0, &probe), static_cast<uintptr_t>(-1));
  for (int i = 0; i < 10000 && probe.done.load() == 0; ++i) Sleep(1);
  ASSERT_EQ(probe.done.load(), 1) << "the thread never ended";
  EXPECT_EQ(probe.seenFirst, nullptr) << "a thread started after the value was set still reads 0";
  EXPECT_EQ(probe.seenAfter, Value(0x5678));
  EXPECT_EQ(TlsGetValue(slot), Value(0x1234)) << "another thread's value leaves this one's alone";
}

}  // namespace
