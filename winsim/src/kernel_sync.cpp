// winsim: critical sections, recursive for their owner thread as on the platform.
#include <mutex>

#include "windows.h"
#include "winsim/control.h"

namespace {
std::recursive_mutex* Lock(LPCRITICAL_SECTION section) {
  if (section == nullptr || section->lock == nullptr)
    winsim::Unmodelled("critical section", "used before InitializeCriticalSection");
  return static_cast<std::recursive_mutex*>(section->lock);
}
}  // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
  section->lock = new std::recursive_mutex;
  section->recursion = 0;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
  Lock(section)->lock();
  ++section->recursion;
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (!Lock(section)->try_lock()) return FALSE;
  ++section->recursion;
  return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
  --section->recursion;
  Lock(section)->unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
  delete Lock(section);
  section->lock = nullptr;
}
