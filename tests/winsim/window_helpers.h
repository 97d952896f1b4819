// Helpers for the tests of winsim's window model: a window class whose procedure a test can
// script, windows of it, and the messages a window received as winsim recorded them.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/win32.h"
#include "winsim/control.h"

namespace wintest {

constexpr const char* kClass = "WinsimTestClass";

// What the test class's procedure does: the handler's answer when it gives one, otherwise
// DefWindowProcA's.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
inline Handler& CurrentHandler() {
  static Handler handler;
  return handler;
}

inline LRESULT CALLBACK ScriptedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CurrentHandler()) {
    if (const std::optional<LRESULT> answer = CurrentHandler()(window, message, wParam, lParam)) return *answer;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// winsim::Reset, no handler, and the test class registered.
inline void Start() {
  winsim::Reset();
  CurrentHandler() = nullptr;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ScriptedProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);
}

inline HWND Make(const char* title, DWORD style = WS_POPUP, RECT r = {0, 0, 100, 100}, HWND parent = nullptr,
                 DWORD exStyle = 0) {
  return CreateWindowExA(exStyle, kClass, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The messages winsim delivered to the window, in order, optionally only those of `only`.
inline std::vector<UINT> MessagesOf(HWND window, const std::vector<UINT>& only = {}) {
  std::vector<UINT> messages;
  for (const winsim::MessageRecord& m : winsim::MessagesTo(window)) {
    bool wanted = only.empty();
    for (UINT o : only) wanted = wanted || o == m.message;
    if (wanted) messages.push_back(m.message);
  }
  return messages;
}

}  // namespace wintest
