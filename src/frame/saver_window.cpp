// SaverWindowProc, SaverDefaultProc and ConfirmClose: the full-screen saver hides the cursor and
// closes on the first real input (after the password, where one is required); the preview ignores
// input and passes help requests on to the display settings.
#include "frame/saver_window.h"

#include <cstdlib>

#include "app/app_window.h"
#include "frame/frame_state.h"
#include "platform/proc_address.h"

namespace {

void PostClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

// The saver's class asks for double clicks, so the second of two quick clicks arrives as its
// button's double-click message: it is input all the same.
bool IsInput(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: return true;
    default: return false;
  }
}

// The sum of both axes' distance, as an unsigned number (no overflow for any two points).
uint32_t Distance(POINT a, POINT b) {
  return static_cast<uint32_t>(std::llabs(static_cast<long long>(a.x) - b.x)) +
         static_cast<uint32_t>(std::llabs(static_cast<long long>(a.y) - b.y));
}

// The closing rules of the running full-screen saver; true when the message is answered here.
bool ApplyClosingRules(HWND window, UINT message, WPARAM wParam, LRESULT* answer) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam != 0) SetCursor(nullptr);
      return false;
    case WM_ACTIVATEAPP:
      if (wParam == 0) PostClose(window);
      return false;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      *answer = 1;
      return true;
    case WM_POWER:
      if (wParam == PWR_CRITICALRESUME) PostClose(window);
      return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_POWERBROADCAST: PostClose(window); return false;
    case WM_MOUSEMOVE: {
      POINT cursor = {0, 0};
      GetCursorPos(&cursor);
      if (Distance(cursor, CloseMousePos) > kCloseDistance) {
        PostClose(window);
        CloseMousePos = cursor;
      }
      return false;
    }
    default: return false;
  }
}

}  // namespace

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      // The saver takes no typing: its window gets no input method while it runs.
      ImeLibrary = GetModuleHandleA("IMM32.DLL");
      if (ImeLibrary != nullptr) {
        ImmAssociate = ProcAddress<ImmAssociateContextProc>(ImeLibrary, "ImmAssociateContext");
        if (ImmAssociate != nullptr) SavedImeContext = ImmAssociate(window, nullptr);
      }
      GetCursorPos(&CloseMousePos);
      if (IsPreview == 0) SetCursor(nullptr);
      break;
    }
    case WM_DESTROY:
      if (ImeLibrary != nullptr && ImmAssociate != nullptr && SavedImeContext != nullptr)
        ImmAssociate(window, SavedImeContext);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT: return 0;
    case WM_PAINT:
      if (Closing != 0) return DefWindowProcA(window, message, wParam, lParam);
      if (IsPreview == 0) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (IsPreview != 0) {
        HWND parent = GetParent(window);
        if (parent != nullptr && IsWindow(parent))
          PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
        return 1;
      }
      break;
    case WM_SYSCOMMAND:
      if (IsPreview == 0 && (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE)) return 0;
      break;
    case WM_TIMER:
      if (Closing != 0) return 0;
      Sleep(0);
      break;
    default:
      if (IsInput(message) && Closing != 0) return DefWindowProcA(window, message, wParam, lParam);
      break;
  }
  return AppWindowProc(window, message, wParam, lParam);
}

LRESULT SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsPreview == 0 && Closing == 0) {
    if (message == WM_CLOSE && IsWin9x != 0) {
      if (ConfirmClose(window) == 0) {
        GetCursorPos(&CloseMousePos);
        return 0;
      }
    } else if (message == SCRM_VERIFYPW && IsWin9x != 0) {
      return PasswordVerifier != nullptr ? PasswordVerifier(window) : 1;
    } else if (Verifying == 0) {
      LRESULT answer = 0;
      if (ApplyClosingRules(window, message, wParam, &answer)) return answer;
    }
  }
  if (AutoPlayMessage != 0 && message == AutoPlayMessage) {
    // AutoPlay would show the desktop's files past a password-protected saver: cancel it then.
    PostClose(window);
    return PasswordVerifier != nullptr ? 1 : 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int32_t ConfirmClose(HWND window) {
  if (Verifying != 0 || Closing != 0) return 0;
  if (PasswordVerifier == nullptr) {
    Closing = 1;
    return 1;
  }
  const uint32_t now = GetTickCount();
  if (LastVerifyTick != kNoVerifyYet && now - LastVerifyTick < kVerifyRepeatMs) return Closing;
  Verifying = 1;
  // Timer messages queued while the verifier's dialog is up would only reach the saver late.
  MSG pending;
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  Closing = SendMessageA(window, SCRM_VERIFYPW, 0, 0) != 0 ? 1 : 0;
  Verifying = 0;
  if (Closing == 0) SetCursor(nullptr);
  LastVerifyTick = GetTickCount();
  return Closing;
}
