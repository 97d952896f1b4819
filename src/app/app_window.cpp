// AppWindowProc: drawing follows activation, power and closing; WM_DESTROY waits for the drawing
// thread and tears down. Creation is in create_saver.cpp.
#include "app/app_window.h"

#include <cstdlib>

#include "app/app_objects.h"
#include "app/app_state.h"
#include "app/cleanup.h"
#include "diag/debug_log.h"
#include "heart/log_message.h"
#include "rain/shared_flags.h"

namespace {

// Sets DrawEnabled and writes the message's Activated/Deactivated line.
void SetDrawing(int32_t enabled, const char* activated, const char* deactivated) {
  DrawEnabled.store(enabled);
  LogMessage(enabled != 0 ? activated : deactivated, LOG_INFO);
}

// The drawing thread may be inside a glyph copy or a Flip of the current screen; the frame
// operations allow one thread at a time. DrawEnabled is already 0, so no new pass starts.
bool AwaitFramePassEnd() {
  for (int look = 0; look < kPassWaitLooks && FramePassActive.load() != 0; ++look) Sleep(kPassWaitMs);
  return FramePassActive.load() == 0;
}

// ThreadAlive is already 0; the drawing thread ends within the rest of its pass. True once it has.
bool AwaitThreadEnd() {
  const DWORD start = GetTickCount();
  while (ThreadEnded.load() == 0) {
    if (GetTickCount() - start >= kThreadEndWaitMs) return false;
    Sleep(kThreadEndPollMs);
  }
  return true;
}

LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam) {
  LogMessage("[STATE] WM_CLOSE detected", LOG_GOSSIP);
  if (CloseTrap != 0) {
    CloseTrap = 0;
    LogMessage("[STATE] Trapped WM_CLOSE message (NT bugfix)", LOG_INFO);
    return 0;
  }
  DrawEnabled.store(0);
  if (Manager != nullptr) {
    if (AwaitFramePassEnd()) {
      Manager->InterruptFrame();
      Manager->BringDesktopForward();
    } else {
      // Leaving the surfaces alone is safe: the display comes back when the manager is released.
      LogMessage("[STATE] Drawing thread still in its frame, desktop surface left behind", LOG_WARNING);
    }
  }
  return SaverDefaultProc(window, WM_CLOSE, wParam, lParam);
}

LRESULT OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
  // Moves caused by the mode change before the first frame reached the screen never count.
  if (Manager != nullptr && Manager->displayModeSet && FramePresented.load() == 0) {
    LogMessage("[WM_MOUSEMOVE] Trapped message", LOG_INFO);
    return 0;
  }
  if (MoveArmed == 0) {
    GetCursorPos(&MoveStartPos);
    MoveArmed = 1;
    return 0;
  }
  POINT cursor = {0, 0};
  GetCursorPos(&cursor);
  const int64_t distance = std::llabs(static_cast<int64_t>(cursor.x) - MoveStartPos.x) +
                           std::llabs(static_cast<int64_t>(cursor.y) - MoveStartPos.y);
  if (distance <= kMoveDeadZone) return 0;
  return SaverDefaultProc(window, WM_MOUSEMOVE, wParam, lParam);
}

LRESULT OnDestroy(HWND window, WPARAM wParam, LPARAM lParam) {
  if (CreatingDevices != 0) {
    LogMessage("[STATE] Trapped WM_DESTROY message", LOG_INFO);
    return 0;
  }
  ThreadAlive.store(0);
  LogMessage("[STATE] WM_DESTROY detected", LOG_GOSSIP);
  if (AwaitThreadEnd()) {
    LogMessage("[STATE] Cleanup initiated", LOG_GOSSIP);
    Cleanup();
  } else {
    // The drawing thread is stuck inside the platform and may still use every object Cleanup
    // would free; they are left to the end of the process, which follows at once and gives the
    // display back. The window's owner (the display settings for a preview) is not held up.
    LogMessage("[STATE] Drawing thread did not end, its objects are left to the end of the process", LOG_WARNING);
    ShowCursor(TRUE);
  }
  StopErrorMsg();
  return SaverDefaultProc(window, WM_DESTROY, wParam, lParam);
}

}  // namespace

LRESULT AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return CreateSaver(window);
    case WM_DESTROY: return OnDestroy(window, wParam, lParam);
    case WM_ACTIVATE: {
      const WORD state = LOWORD(wParam);
      SetDrawing(state == WA_ACTIVE || state == WA_CLICKACTIVE ? 1 : 0, "[STATE] WM_ACTIVE: Activated",
                 "[STATE] WM_ACTIVE: Deactivated");
      break;
    }
    case WM_ENABLE:
      SetDrawing(static_cast<int32_t>(wParam), "[STATE] WM_ENABLE: Activated", "[STATE] WM_ENABLE: Deactivated");
      break;
    case WM_CLOSE: return OnClose(window, wParam, lParam);
    case WM_ACTIVATEAPP:
      SetDrawing(static_cast<int32_t>(wParam), "[STATE] WM_ACTIVATEAPP: Activated",
                 "[STATE] WM_ACTIVATEAPP: Deactivated");
      break;
    case WM_SYSCOMMAND:
      if (wParam == SC_MONITORPOWER && MonitorOff.load() == 0) {
        LogMessage("[STATE] SC_MONITORPOWER: Monitor shutdown detected", LOG_INFO);
        DrawEnabled.store(0);
        CloseTrap = 0;
        MonitorOff.store(1);
      }
      break;
    case WM_MOUSEMOVE: return OnMouseMove(window, wParam, lParam);
    case SCRM_VERIFYPW: LogMessage("[SCRM_VERIFYPW] Message detected", LOG_INFO); break;
    default: break;
  }
  return SaverDefaultProc(window, message, wParam, lParam);
}
