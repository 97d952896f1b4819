// Windows test program for a second full-screen start while a saver runs: it finds the running
// saver's window, takes the foreground with a window of its own, starts a second
// "Sarvello.scr /s" beside it and checks that the second ends with exit code 0 within 15 s, shows
// no window of its own, and leaves the first saver's window in the foreground. Exit code 0 when
// all of that held, 1 otherwise.
#include "helper_support.h"

using helper::Say;

namespace {

HWND FindSaver() { return FindWindowA("WindowsScreenSaverClass", "Screen Saver"); }

struct SecondWindows {
  DWORD process;
  int visible;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM context) {
  auto* second = reinterpret_cast<SecondWindows*>(context);
  if (helper::ProcessOf(window) == second->process && IsWindowVisible(window)) {
    Say("the second start shows a window: class \"%s\" title \"%s\"", helper::ClassOf(window).c_str(),
        helper::TitleOf(window).c_str());
    ++second->visible;
  }
  return TRUE;
}

bool WaitForeground(HWND wanted, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetForegroundWindow() != wanted && GetTickCount() - start < milliseconds) helper::PumpFor(50);
  return GetForegroundWindow() == wanted;
}

}  // namespace

int main() {
  HWND first = FindSaver();
  if (first == nullptr) {
    Say("bring_forward: no running saver window (WindowsScreenSaverClass, \"Screen Saver\")");
    return 1;
  }
  const DWORD firstProcess = helper::ProcessOf(first);
  Say("bring_forward: the running saver's window is %s of process %lu", helper::HandleText(first).c_str(),
      static_cast<unsigned long>(firstProcess));

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "SarvelloBringForward";
  RegisterClassA(&windowClass);
  HWND own = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "another program", WS_POPUP | WS_VISIBLE, 850,
                             650, 100, 80, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(own);
  const bool tookForeground = WaitForeground(own, 3000);
  helper::PumpFor(300);
  Say("bring_forward: this program's window %s the foreground; the saver's window is %s",
      tookForeground ? "took" : "DID NOT take", IsIconic(first) ? "minimized" : "not minimized");

  helper::Started second = helper::StartSaver("/s");
  if (second.process == nullptr) return 1;
  SecondWindows windows = {second.id, 0};
  DWORD code = 0;
  bool ended = false;
  const DWORD start = GetTickCount();
  while (!ended && GetTickCount() - start < 15000) {
    EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&windows));
    ended = helper::WaitForExit(second.process, 50, &code);
  }
  const long got = static_cast<long>(static_cast<int32_t>(code));
  if (ended) {
    Say("bring_forward: the second start exited %ld after %lu ms", got,
        static_cast<unsigned long>(GetTickCount() - start));
  } else {
    Say("bring_forward: the second start still runs after 15 s: ended");
  }
  helper::EndProcess(&second);

  const bool firstForward = WaitForeground(first, 3000);
  HWND foreground = GetForegroundWindow();
  Say("bring_forward: the foreground window is now %s (class \"%s\", process %lu): %s",
      helper::HandleText(foreground).c_str(), helper::ClassOf(foreground).c_str(),
      static_cast<unsigned long>(helper::ProcessOf(foreground)),
      firstForward ? "the first saver, as it should be" : "NOT the first saver");
  const bool firstAlive = IsWindow(first) && FindSaver() == first;
  Say("bring_forward: the first saver's window %s%s", firstAlive ? "still exists" : "IS GONE",
      IsIconic(first) ? ", minimized" : ", not minimized");
  DestroyWindow(own);
  const bool ok = tookForeground && ended && got == 0 && windows.visible == 0 && firstForward && firstAlive;
  Say("bring_forward: %s", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
