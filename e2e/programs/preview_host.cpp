// Windows test program that plays the display settings' preview: its own window holds a preview
// area of 152 x 112 pixels, and "Sarvello.scr /p <area>" is started beside it. It checks that the
// saver's window becomes a visible 152 x 112 child of the area at its origin, of the saver's
// class and titled "Preview"; that input posted to that window (a key, a click, a mouse move, a
// lost activation) does not end the preview; that a context-menu request is answered 1 and passed
// on to the area with the area's own handle. It writes C:\sarvello\preview.shown once the child
// is there, lets the preview run a few seconds, destroys its window, and checks that the saver
// process ends within 15 s with exit code 0. Exit code 0 when all of that held, 1 otherwise.
//
//   preview_host.exe [--area-at X,Y] [--steady-ms MS]
//
// --area-at moves the display settings' window so that the preview area's top-left corner is at
// screen pixel (X,Y), which may put the area partly or wholly past the screen's edge, as a user
// can drag the window. The steady part of the run (after the input checks, before the window is
// destroyed) lasts MS milliseconds (default 3000); C:\sarvello\preview.steady is written at its
// start and C:\sarvello\preview.late one second before its end, for the test's samples of processor time.
#include <cstdlib>
#include <cstring>

#include "helper_support.h"

using helper::Say;

namespace {

constexpr int kAreaWidth = 152;
constexpr int kAreaHeight = 112;

HWND area = nullptr;
int contextMenus = 0;
bool contextMenuRightHandle = false;
LPARAM contextMenuPoint = 0;

LRESULT CALLBACK AreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU) {
    ++contextMenus;
    contextMenuRightHandle = reinterpret_cast<HWND>(wParam) == window;
    contextMenuPoint = lParam;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int failures = 0;

void Expect(bool held, const char* what) {
  Say("preview_host: %s: %s", what, held ? "ok" : "WRONG");
  if (!held) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
  bool moveArea = false;
  POINT areaAt = {0, 0};
  DWORD steadyMs = 3000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--area-at") == 0) {
      char* rest = nullptr;
      areaAt.x = std::strtol(argv[i + 1], &rest, 10);
      areaAt.y = *rest == ',' ? std::strtol(rest + 1, nullptr, 10) : 0;
      moveArea = true;
    } else if (std::strcmp(argv[i], "--steady-ms") == 0) {
      steadyMs = static_cast<DWORD>(std::strtoul(argv[i + 1], nullptr, 10));
    }
  }
  if (steadyMs < 1000) steadyMs = 1000;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA frameClass = {};
  frameClass.lpfnWndProc = DefWindowProcA;
  frameClass.hInstance = instance;
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frameClass.lpszClassName = "SarvelloPreviewFrame";
  RegisterClassA(&frameClass);
  WNDCLASSA areaClass = {};
  areaClass.lpfnWndProc = AreaProc;
  areaClass.hInstance = instance;
  areaClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  areaClass.lpszClassName = "SarvelloPreviewArea";
  RegisterClassA(&areaClass);

  HWND frame = CreateWindowExA(0, frameClass.lpszClassName, "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                               100, 360, 280, nullptr, nullptr, instance, nullptr);
  area = CreateWindowExA(0, areaClass.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 100, 60, kAreaWidth,
                         kAreaHeight, frame, nullptr, instance, nullptr);
  if (frame == nullptr || area == nullptr) {
    Say("preview_host: cannot create the preview area");
    return 1;
  }
  if (moveArea) {
    RECT placed = {};
    GetWindowRect(area, &placed);
    RECT frameRect = {};
    GetWindowRect(frame, &frameRect);
    SetWindowPos(frame, nullptr, frameRect.left + areaAt.x - placed.left, frameRect.top + areaAt.y - placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  helper::PumpFor(300);
  RECT onScreen = {};
  GetWindowRect(area, &onScreen);
  Say("preview_host: the preview area is at %ld,%ld..%ld,%ld on a %dx%d screen", onScreen.left, onScreen.top,
      onScreen.right, onScreen.bottom, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  if (moveArea) {
    Expect(onScreen.left == areaAt.x && onScreen.top == areaAt.y, "the preview area is where it was asked to be");
  }

  helper::Started saver = helper::StartSaver("/p " + helper::HandleText(area));
  if (saver.process == nullptr) return 1;

  // The saver's window appears as the area's child once its creation has built everything.
  HWND child = nullptr;
  DWORD code = 0;
  const DWORD start = GetTickCount();
  while (child == nullptr && GetTickCount() - start < 30000) {
    if (helper::WaitForExit(saver.process, 50, &code)) {
      Say("preview_host: the saver ended with %ld before its window showed",
          static_cast<long>(static_cast<int32_t>(code)));
      return 1;
    }
    child = GetWindow(area, GW_CHILD);
  }
  if (child == nullptr) {
    Say("preview_host: no child window in the preview area after 30 s");
    helper::EndProcess(&saver);
    return 1;
  }
  Say("preview_host: child window %s after %lu ms", helper::HandleText(child).c_str(),
      static_cast<unsigned long>(GetTickCount() - start));
  // Creation may still be running in the saver; wait until its window is shown.
  for (int look = 0; look < 200 && !IsWindowVisible(child); ++look) helper::PumpFor(50);

  RECT client = {};
  GetClientRect(child, &client);
  RECT outer = {};
  GetWindowRect(child, &outer);
  MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&outer), 2);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  Say("preview_host: class \"%s\", title \"%s\", style 0x%08lX, at %ld,%ld in the area, client %ldx%ld, process %lu",
      helper::ClassOf(child).c_str(), helper::TitleOf(child).c_str(), static_cast<unsigned long>(style), outer.left,
      outer.top, client.right, client.bottom, static_cast<unsigned long>(helper::ProcessOf(child)));
  Expect(helper::ProcessOf(child) == saver.id, "the child belongs to the saver's process");
  Expect(helper::ClassOf(child) == "WindowsScreenSaverClass", "the child is of class WindowsScreenSaverClass");
  Expect(helper::TitleOf(child) == "Preview", "the child is titled Preview");
  Expect(GetParent(child) == area, "its parent is the preview area");
  Expect((style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE) && (style & WS_POPUP) == 0,
         "it is a visible child");
  Expect(outer.left == 0 && outer.top == 0 && outer.right == kAreaWidth && outer.bottom == kAreaHeight,
         "it covers the area from its origin, 152 x 112");
  Expect(client.right == kAreaWidth && client.bottom == kAreaHeight, "its client area is 152 x 112");
  helper::WriteFileText("C:\\sarvello\\preview.shown", "preview child " + helper::HandleText(child) + "\r\n");

  // The preview lets input pass: keys, clicks and moves end nothing.
  PostMessageA(child, WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(140, 100));
  helper::PumpFor(1500);
  Expect(IsWindow(child) && WaitForSingleObject(saver.process, 0) == WAIT_TIMEOUT,
         "a key, a click and a move leave the preview running");

  // A context-menu request goes on to the display settings, answered 1.
  DWORD_PTR answer = 0;
  const LPARAM point = MAKELPARAM(150, 130);
  SendMessageTimeoutA(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child), point, SMTO_NORMAL, 5000, &answer);
  for (int look = 0; look < 40 && contextMenus == 0; ++look) helper::PumpFor(50);
  Say("preview_host: WM_CONTEXTMENU answered %lu; the area got %d, with its own handle: %s",
      static_cast<unsigned long>(answer), contextMenus, contextMenuRightHandle ? "yes" : "no");
  Expect(answer == 1 && contextMenus == 1 && contextMenuRightHandle && contextMenuPoint == point,
         "the context-menu request is answered 1 and passed on to the area with the area's handle");

  helper::WriteFileText("C:\\sarvello\\preview.steady", "steady\r\n");
  helper::PumpFor(steadyMs - 1000);
  helper::WriteFileText("C:\\sarvello\\preview.late", "late\r\n");
  helper::PumpFor(1000);
  Expect(WaitForSingleObject(saver.process, 0) == WAIT_TIMEOUT, "the preview still runs before its owner closes");
  Say("preview_host: destroying the display settings' window");
  const DWORD destroyed = GetTickCount();
  DestroyWindow(frame);
  const bool ended = helper::WaitForExit(saver.process, 15000, &code);
  const long got = static_cast<long>(static_cast<int32_t>(code));
  if (ended) {
    Say("preview_host: the saver exited %ld, %lu ms after its parent was destroyed", got,
        static_cast<unsigned long>(GetTickCount() - destroyed));
  } else {
    Say("preview_host: the saver still runs 15 s after its parent was destroyed: ended");
  }
  Expect(ended && got == 0, "the saver ends with exit code 0 when its parent goes");
  helper::EndProcess(&saver);
  Say("preview_host: %s", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
