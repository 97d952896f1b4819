// Windows test program: the screens enumerated, their devices created for the full screen at
// 800 x 600 x 16 (argument "fullscreen") or for a window of its own (argument "windowed"), and
// frames drawn through BeginFrame and presented by Flip until the test has seen them on the screen
// (it writes display.seen beside this program), for at most a minute.
#include <cstdio>
#include <cstring>
#include <string>

#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "helper_support.h"
#include "platform/win32.h"

namespace {

// Where the windowed check puts its window; the test looks for the frame there.
constexpr int kWindowX = 200;
constexpr int kWindowY = 150;
constexpr int kClientWidth = 320;
constexpr int kClientHeight = 240;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Left half green, right half red, a white bar across the middle: easy to find in a shot.
void DrawPattern(FrameDescriptor* frame, int32_t colourType) {
  const uint16_t green = colourType == 0 ? 0x03E0 : 0x07E0;
  const uint16_t red = colourType == 0 ? 0x7C00 : 0xF800;
  const uint16_t white = colourType == 0 ? 0x7FFF : 0xFFFF;
  for (int y = 0; y < frame->height; ++y) {
    uint16_t* row = frame->pixels + y * frame->pitch;
    const bool bar = y >= frame->height / 2 - 4 && y < frame->height / 2 + 4;
    for (int x = 0; x < frame->width; ++x) row[x] = bar ? white : (x < frame->width / 2 ? green : red);
  }
}

int Fail(const char* what) {
  std::printf("display_check: %s (kept message: %s)\n", what,
              ErrorMsgText.TextOrNull() ? ErrorMsgText.TextOrNull() : "");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool fullscreen = argc > 1 && std::strcmp(argv[1], "fullscreen") == 0;
  InitErrorMsg(fullscreen);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SarvelloDisplayCheck";
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&windowClass);
  HWND window;
  if (fullscreen) {
    window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "display check", WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                             windowClass.hInstance, nullptr);
  } else {
    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowExA(0, windowClass.lpszClassName, "display check", WS_OVERLAPPEDWINDOW | WS_VISIBLE, kWindowX,
                             kWindowY, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
  }
  if (window == nullptr) return Fail("no window");
  Pump();

  EnumScreens();
  int screens = 0;
  for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next, ++screens) {
    std::printf("screen %d: %s\n", screens, s->description);
    for (DisplayMode* m = s->modes; m != nullptr; m = m->next)
      if (m->width == 800 && m->height == 600 && s->selectedMode == nullptr) s->selectedMode = m;
  }
  if (screens == 0) return Fail("no screen enumerated");
  static DisplayMode client = {kClientWidth, kClientHeight, 16, nullptr};
  if (!fullscreen) ScreenList->selectedMode = &client;
  if (ScreenList->selectedMode == nullptr) return Fail("no 800x600 16-bit mode");

  int result = 0;
  {
    DDrawManager manager;
    if (!manager.CreateDirectDraw(window, fullscreen)) return Fail("CreateDirectDraw failed");
    std::printf("colour type %d\n", static_cast<int>(ScreenList->colourType));
    // Present frames (both buffers of a flip chain get the picture) until the test has seen them.
    const std::string seen = helper::ProgramFolder() + "display.seen";
    const DWORD start = GetTickCount();
    int presented = 0;
    while (GetTickCount() - start < 60000 && !(presented >= 10 && helper::FileExists(seen))) {
      for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
        if (s->backBuffer == nullptr) continue;
        const int32_t colourType = manager.SelectScreen(s);
        FrameDescriptor* frame = manager.BeginFrame();
        if (frame == nullptr) continue;
        DrawPattern(frame, colourType);
        if (manager.Flip() == 0) ++presented;
      }
      Pump();
      Sleep(20);
    }
    std::printf("presented %d frames\n", presented);
    if (presented < 10) result = Fail("too few frames presented");
    if (fullscreen) ScreenList->directDraw->FlipToGDISurface();
  }
  StopErrorMsg();
  DestroyWindow(window);
  return result;
}
