// The conformance tests' window: a hidden popup of a class of their own, made with the same calls
// on Windows and on winsim.
#include "test_window.h"

namespace {
LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HWND MakeTestWindow() {
  static HWND window = nullptr;
  if (window != nullptr && IsWindow(window)) return window;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = TestWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SarvelloConformance";
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, "SarvelloConformance", "conformance", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  return window;
}

// Wine's ntdll exports its version; no Windows does, and winsim has no ntdll at all.
bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
