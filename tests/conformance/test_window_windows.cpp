// On Windows, the conformance tests' window is a plain top-level window of a class of their own.
#include "test_window.h"

namespace {
LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HWND MakeTestWindow() {
  static HWND window = nullptr;
  if (window != nullptr) return window;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = TestWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SarvelloConformance";
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, "SarvelloConformance", "conformance", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  return window;
}
