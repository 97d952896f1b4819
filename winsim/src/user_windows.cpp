// winsim: the seed of the window model — test windows that know where their client area lies on
// the screen, for ClientToScreen. Real window management replaces this when the program needs it.
#include <vector>

#include "display_reset.h"
#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

std::vector<POINT>& ClientOrigins() {
  static auto* origins = new std::vector<POINT>;
  return *origins;
}

// Handles are multiples of 4 from 0x10004, as window handles look, so a stray value is rejected.
constexpr uintptr_t kFirstHandle = 0x10004;

POINT* Find(HWND window) {
  const auto value = reinterpret_cast<uintptr_t>(window);
  if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return nullptr;
  const size_t index = (value - kFirstHandle) / 4;
  return index < ClientOrigins().size() ? &ClientOrigins()[index] : nullptr;
}

}  // namespace

namespace winsim {

HWND CreateTestWindow(POINT clientOrigin) {
  Guard guard(S().lock);
  ClientOrigins().push_back(clientOrigin);
  return reinterpret_cast<HWND>(kFirstHandle + 4 * (ClientOrigins().size() - 1));
}

namespace detail {
void ResetWindows() { ClientOrigins().clear(); }
}  // namespace detail

}  // namespace winsim

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) {
  if (point == nullptr) winsim::Unmodelled("ClientToScreen", "null point");
  Guard guard(S().lock);
  const POINT* origin = Find(window);
  if (origin == nullptr) {
    SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
    return FALSE;
  }
  point->x += origin->x;
  point->y += origin->y;
  return TRUE;
}
