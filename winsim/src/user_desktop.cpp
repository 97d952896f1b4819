// winsim: the cursor, the whole-screen device context over the monitors, icons, stock objects,
// SystemParametersInfoA and CharNextA.
#include <algorithm>

#include "display_state.h"
#include "resource_table.h"
#include "user_state.h"

namespace {
using winsim::Unmodelled;
using winsim::detail::U;
using winsim::detail::UserGuard;

const HDC kScreenDC = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x01010051));
const HGDIOBJ kBlackBrush = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x01900011));

// The virtual screen: the monitors side by side from the primary at (0, 0) to the right, top edges
// aligned, each in its current mode. A region of monitors of different heights is not a rectangle.
int VirtualScreen(RECT* box) {
  using winsim::detail::D;
  std::lock_guard<std::recursive_mutex> guard(winsim::detail::S().lock);
  LONG right = 0;
  LONG bottom = 0;
  bool sameHeights = true;
  for (const auto& monitor : D().monitors) {
    right += static_cast<LONG>(monitor.current.width);
    if (bottom != 0 && bottom != static_cast<LONG>(monitor.current.height)) sameHeights = false;
    bottom = std::max(bottom, static_cast<LONG>(monitor.current.height));
  }
  *box = {0, 0, right, bottom};
  return sameHeights ? SIMPLEREGION : COMPLEXREGION;
}

bool IsProgramIcon(int id) {
  for (unsigned i = 0; i < winsim::kProgramIconCount; ++i) {
    if (winsim::kProgramIcons[i] == id) return true;
  }
  return false;
}

}  // namespace

namespace winsim {

void SetCursorPosition(POINT point) {
  UserGuard guard(U().lock);
  U().cursor = point;
}

POINT CursorPosition() {
  UserGuard guard(U().lock);
  return U().cursor;
}

HCURSOR CurrentCursor() {
  UserGuard guard(U().lock);
  return U().cursorShape;
}

int SetCursorCalls() {
  UserGuard guard(U().lock);
  return U().setCursorCalls;
}

int CursorDisplayCount() {
  UserGuard guard(U().lock);
  return U().cursorCount;
}

int OpenScreenDCs() {
  UserGuard guard(U().lock);
  return U().openScreenDCs;
}

std::vector<SystemParametersRecord> SystemParametersCalls() {
  UserGuard guard(U().lock);
  return U().systemParameters;
}

bool ScreenSaverRunning() {
  UserGuard guard(U().lock);
  return U().screenSaverRunning != FALSE;
}

}  // namespace winsim

BOOL WINAPI GetCursorPos(LPPOINT point) {
  if (point == nullptr) Unmodelled("GetCursorPos", "null point");
  UserGuard guard(U().lock);
  *point = U().cursor;
  return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  UserGuard guard(U().lock);
  ++U().setCursorCalls;
  const HCURSOR previous = U().cursorShape;
  U().cursorShape = cursor;
  return previous;
}

// The display count starts at 0 with a mouse installed; the cursor shows while it is 0 or more.
int WINAPI ShowCursor(BOOL show) {
  UserGuard guard(U().lock);
  U().cursorCount += show ? 1 : -1;
  return U().cursorCount;
}

HDC WINAPI GetDC(HWND window) {
  if (window != nullptr) Unmodelled("GetDC", "a window's device context");
  UserGuard guard(U().lock);
  ++U().openScreenDCs;
  return kScreenDC;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
  UserGuard guard(U().lock);
  if (window != nullptr || dc != kScreenDC || U().openScreenDCs == 0) return 0;
  --U().openScreenDCs;
  return 1;
}

// The whole-screen device context spans the virtual screen, every monitor of the desktop.
int WINAPI GetClipBox(HDC dc, LPRECT rect) {
  if (rect == nullptr) Unmodelled("GetClipBox", "null rectangle");
  {
    UserGuard guard(U().lock);
    if (dc != kScreenDC || U().openScreenDCs == 0) Unmodelled("GetClipBox", "a device context other than the screen's");
  }
  return VirtualScreen(rect);
}

HGDIOBJ WINAPI GetStockObject(int object) {
  if (object != BLACK_BRUSH) Unmodelled("GetStockObject", "stock object " + std::to_string(object));
  return kBlackBrush;
}

// The system's icons, and the icons of the program's own resources (by number).
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) Unmodelled("LoadIconA", "an icon named by text");
  const int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  if (instance == nullptr) {
    if (id < 32512 || id > 32517) Unmodelled("LoadIconA", "system icon " + std::to_string(id));
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(0x00010000 + id));
  }
  if (instance != winsim::ProgramModule()) Unmodelled("LoadIconA", "a module other than the program's own");
  if (!IsProgramIcon(id)) {
    SetLastError(winsim::kProgramIconCount == 0 ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HICON>(static_cast<uintptr_t>(0x00030000 + id));
}

// Only the screen-saver flag is modelled: pvParam receives the previous state, as the 95/98
// family documents it.
BOOL WINAPI SystemParametersInfoA(UINT action, UINT uiParam, PVOID pvParam, UINT winIni) {
  if (action != SPI_SETSCREENSAVERRUNNING) Unmodelled("SystemParametersInfoA", "action " + std::to_string(action));
  UserGuard guard(U().lock);
  U().systemParameters.push_back({action, uiParam, pvParam != nullptr, winIni});
  if (pvParam != nullptr) *static_cast<BOOL*>(pvParam) = U().screenSaverRunning;
  U().screenSaverRunning = uiParam != 0 ? TRUE : FALSE;
  return TRUE;
}

// A single-byte code page: every character is one byte; the end of the text stays where it is.
LPSTR WINAPI CharNextA(LPCSTR text) {
  if (text == nullptr) Unmodelled("CharNextA", "null text");
  return const_cast<LPSTR>(*text != '\0' ? text + 1 : text);
}
