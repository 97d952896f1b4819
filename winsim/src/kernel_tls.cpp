// winsim: thread-local slots. They are handed out for the whole process and never reset between
// tests: the program takes its slot during static construction, before any test runs.
#include <atomic>

#include "windows.h"

namespace {

std::atomic<DWORD> slotsTaken{0};
thread_local LPVOID values[TLS_MINIMUM_AVAILABLE] = {};

bool Valid(DWORD index) { return index < slotsTaken.load(); }

}  // namespace

DWORD WINAPI TlsAlloc() {
  DWORD taken = slotsTaken.load();
  do {
    if (taken >= TLS_MINIMUM_AVAILABLE) {
      SetLastError(ERROR_NO_MORE_ITEMS);
      return TLS_OUT_OF_INDEXES;
    }
  } while (!slotsTaken.compare_exchange_weak(taken, taken + 1));
  return taken;
}

LPVOID WINAPI TlsGetValue(DWORD index) {
  if (!Valid(index)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return values[index];
}

BOOL WINAPI TlsSetValue(DWORD index, LPVOID value) {
  if (!Valid(index)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  values[index] = value;
  return TRUE;
}
