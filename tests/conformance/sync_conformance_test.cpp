// Critical sections as the debug log uses them: re-entered by their owner thread.
#include <gtest/gtest.h>

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

}  // namespace
