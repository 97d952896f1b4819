// winsim: unhandled faults. A test raises one on the program's thread (RaiseUnhandledFault); the
// platform then runs the top-level filter as it would after a real access violation.
#include <atomic>

#include "display_reset.h"
#include "windows.h"
#include "winsim/control.h"

namespace {
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> topLevel{nullptr};
std::atomic<LONG> platformDecision{EXCEPTION_CONTINUE_SEARCH};
}  // namespace

namespace winsim {

LONG RaiseUnhandledFault(LONG decision) {
  platformDecision = decision;
  EXCEPTION_RECORD record = {EXCEPTION_ACCESS_VIOLATION, 0, nullptr, nullptr};
  EXCEPTION_POINTERS pointers = {&record, nullptr};
  LPTOP_LEVEL_EXCEPTION_FILTER filter = topLevel.load();
  // Without a filter of the program's the platform decides alone.
  return filter != nullptr ? filter(&pointers) : UnhandledExceptionFilter(&pointers);
}

namespace detail {
void ResetFaults() {
  topLevel = nullptr;
  platformDecision = EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace detail

}  // namespace winsim

LPTOP_LEVEL_EXCEPTION_FILTER WINAPI SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  return topLevel.exchange(filter);
}

LONG WINAPI UnhandledExceptionFilter(struct _EXCEPTION_POINTERS* exceptionInfo) {
  LPTOP_LEVEL_EXCEPTION_FILTER filter = topLevel.load();
  if (filter != nullptr) {
    const LONG answer = filter(exceptionInfo);
    if (answer != EXCEPTION_CONTINUE_SEARCH) return answer;
  }
  return platformDecision.load();
}
