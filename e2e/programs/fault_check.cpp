// Windows test program that faults as a program whose DirectDraw library was unloaded under its
// window procedure does: it calls code at an address where nothing is mapped. With "destroy" the
// call is in the window procedure's WM_DESTROY, which DestroyWindow sends from the system's own
// code (Wine swallows that fault, and the program goes on to end with exit code 0); with "main"
// it is in the program's own main code (an unhandled exception that ends the program). The tests
// prove with it that a machine reads such faults from Wine's standard error.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Read through a volatile, so that the compiler cannot know the call goes nowhere.
void (*volatile unmapped)() = reinterpret_cast<void (*)()>(static_cast<uintptr_t>(0x10));

LRESULT CALLBACK Faulting(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) unmapped();
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const bool inWindow = argc == 2 && std::strcmp(argv[1], "destroy") == 0;
  if (!inWindow && !(argc == 2 && std::strcmp(argv[1], "main") == 0)) {
    std::printf("usage: fault_check destroy|main\n");
    return 2;
  }
  std::fflush(stdout);
  if (!inWindow) unmapped();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Faulting;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SarvelloFaultCheck";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(windowClass.lpszClassName, "fault check", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  DestroyWindow(window);
  std::printf("fault_check: the window is gone\n");
  return 0;
}
