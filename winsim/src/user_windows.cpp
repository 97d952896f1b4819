// winsim: window classes and windows — RegisterClassA, CreateWindowExA with its creation messages,
// DestroyWindow with the platform's order, parents, rectangles, FindWindowA, activation and the
// foreground window, and windows of other processes for tests.
#include <strings.h>

#include <cstdio>

#include "display_reset.h"
#include "user_state.h"

namespace winsim::detail {

UserState& U() {
  static auto* state = new UserState;  // never destroyed, like the rest of winsim's state
  return *state;
}

namespace {

// Handles are multiples of 4 from 0x10004, as window handles look, so a stray value is rejected.
constexpr uintptr_t kFirstHandle = 0x10004;

HWND HandleAt(size_t index) { return reinterpret_cast<HWND>(kFirstHandle + 4 * index); }

}  // namespace

WindowRecord* FindAny(HWND window) {
  const auto value = reinterpret_cast<uintptr_t>(window);
  if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return nullptr;
  const size_t index = (value - kFirstHandle) / 4;
  return index < U().windows.size() ? &U().windows[index] : nullptr;
}

WindowRecord* Find(HWND window) {
  WindowRecord* record = FindAny(window);
  return record != nullptr && record->life != Life::kGone ? record : nullptr;
}

WindowRecord* FindOrFail(HWND window) {
  WindowRecord* record = Find(window);
  if (record == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return record;
}

std::string Hex(unsigned long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

ATOM AtomOf(const std::string& name) {
  auto& atoms = U().atoms;
  for (size_t i = 0; i < atoms.size(); ++i) {
    if (SameText(atoms[i], name)) return static_cast<ATOM>(0xC000 + i);
  }
  if (atoms.size() >= 0x4000) Unmodelled("atom table", "more than 16384 names");
  atoms.push_back(name);
  return static_cast<ATOM>(0xC000 + atoms.size() - 1);
}

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool dispatched) {
  UserGuard guard(U().lock);
  WindowRecord* record = Find(window);
  if (record == nullptr) return 0;
  if (record->otherProcess) {
    record->received.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return 0;
  }
  const WNDPROC proc = record->proc;
  const size_t index = U().messages.size();
  U().messages.push_back({window, message, wParam, lParam, 0, dispatched});
  guard.unlock();
  const LRESULT result = proc(window, message, wParam, lParam);
  guard.lock();
  if (index < U().messages.size()) U().messages[index].result = result;
  return result;
}

namespace {

// A window of the program (not of another process) that still exists.
bool IsProgramWindow(HWND window) {
  const WindowRecord* record = Find(window);
  return record != nullptr && !record->otherProcess;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (const WindowRecord& w : U().windows) {
    if (w.parent == parent && w.life != Life::kGone) children.push_back(w.handle);
  }
  return children;
}

bool Exists(HWND window) {
  UserGuard guard(U().lock);
  return Find(window) != nullptr;
}

// WM_DESTROY goes to the window first and then down to its children; every window of the tree is
// marked as being destroyed before its message.
void SendDestroy(HWND window, std::vector<HWND>& tree) {
  {
    UserGuard guard(U().lock);
    WindowRecord* record = Find(window);
    if (record == nullptr || record->life == Life::kDestroying) return;
    record->life = Life::kDestroying;
    record->visible = false;
    record->needsPaint = false;
    tree.push_back(window);
  }
  Deliver(window, WM_DESTROY, 0, 0, false);
  std::vector<HWND> children;
  {
    UserGuard guard(U().lock);
    children = ChildrenOf(window);
  }
  for (HWND child : children) SendDestroy(child, tree);
}

// WM_NCDESTROY goes to the children first and to the window last; each is gone after its message.
void SendNcDestroy(HWND window) {
  std::vector<HWND> children;
  {
    UserGuard guard(U().lock);
    children = ChildrenOf(window);
  }
  for (HWND child : children) SendNcDestroy(child);
  Deliver(window, WM_NCDESTROY, 0, 0, false);
  UserGuard guard(U().lock);
  if (WindowRecord* record = FindAny(window)) record->life = Life::kGone;
}

}  // namespace

void FlushMessagesFor(const std::vector<HWND>& handles) {
  auto doomed = [&handles](const MSG& msg) {
    for (HWND h : handles) {
      if (msg.hwnd == h) return true;
    }
    return false;
  };
  for (auto& entry : U().queues) {
    for (auto* messages : {&entry.second.posted, &entry.second.input}) {
      for (auto it = messages->begin(); it != messages->end();) it = doomed(*it) ? messages->erase(it) : it + 1;
    }
  }
}

void DestroyTree(HWND window) {
  bool active = false;
  {
    UserGuard guard(U().lock);
    active = U().foreground == window;
  }
  // The active window gives up activation before it is destroyed, and with it the application.
  if (active) Deactivate(window, true);
  std::vector<HWND> tree;
  SendDestroy(window, tree);
  SendNcDestroy(window);
  UserGuard guard(U().lock);
  // DestroyWindow flushes the thread's queue of the destroyed windows' messages.
  FlushMessagesFor(tree);
}

void Activate(HWND window) {
  HWND previous = nullptr;
  {
    UserGuard guard(U().lock);
    previous = U().foreground;
    if (previous == window) return;
  }
  bool appWasActive = false;
  {
    UserGuard guard(U().lock);
    appWasActive = IsProgramWindow(previous);
  }
  if (appWasActive) Deactivate(previous, false);
  {
    UserGuard guard(U().lock);
    U().foreground = window;
  }
  if (!appWasActive) Deliver(window, WM_ACTIVATEAPP, TRUE, 0, false);
  Deliver(window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(appWasActive ? previous : nullptr), false);
}

void Deactivate(HWND window, bool appLosesActivation) {
  {
    UserGuard guard(U().lock);
    if (U().foreground == window) U().foreground = nullptr;
  }
  Deliver(window, WM_ACTIVATE, WA_INACTIVE, 0, false);
  if (appLosesActivation) Deliver(window, WM_ACTIVATEAPP, FALSE, 0, false);
}

void EndProgramWindows() {
  UserGuard guard(U().lock);
  for (WindowRecord& w : U().windows) {
    if (w.otherProcess) continue;
    if (w.life != Life::kGone && U().foreground == w.handle) U().foreground = nullptr;
    w.life = Life::kGone;
    w.windowClass = nullptr;
    w.proc = nullptr;
  }
  U().classes.clear();
  U().queues.clear();
}

void ResetWindows() {
  ResetInput();
  UserGuard guard(U().lock);
  UserState& u = U();
  u.classes.clear();
  u.windows.clear();
  u.queues.clear();
  u.atoms.clear();
  u.foreground = nullptr;
  u.messages.clear();
  u.defaultSysCommands.clear();
  const UserState start;
  u.cursor = start.cursor;
  u.lastPress = start.lastPress;
  u.cursorShape = start.cursorShape;
  u.setCursorCalls = start.setCursorCalls;
  u.cursorCount = start.cursorCount;
  u.openScreenDCs = start.openScreenDCs;
  u.systemParameters.clear();
  u.screenSaverRunning = start.screenSaverRunning;
}

}  // namespace winsim::detail

namespace {
using winsim::Unmodelled;
using winsim::detail::Find;
using winsim::detail::FindOrFail;
using winsim::detail::Hex;
using winsim::detail::Life;
using winsim::detail::U;
using winsim::detail::UserGuard;
using winsim::detail::WindowRecord;

// Popup and child windows, with or without the visible and clipping styles, are what the program
// makes; their client area is the whole window. Frames, captions and menus are not modelled.
constexpr DWORD kModelledStyles = WS_POPUP | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT kModelledClassStyles = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;

HWND NewWindow(WindowRecord record) {
  record.handle = winsim::detail::HandleAt(U().windows.size());
  U().windows.push_back(std::move(record));
  return U().windows.back().handle;
}

}  // namespace

namespace winsim {

HWND CreateOtherProcessWindow(const OtherProcessWindow& window) {
  if ((window.style & WS_CHILD) != 0 && window.parent == nullptr)
    Unmodelled("CreateOtherProcessWindow", "a child without parent");
  UserGuard guard(U().lock);
  WindowRecord record;
  record.className = window.className;
  record.title = window.title;
  record.style = window.style;
  record.visible = (window.style & WS_VISIBLE) != 0;
  record.parent = (window.style & WS_CHILD) != 0 ? window.parent : nullptr;
  record.rect = window.rect;
  if (record.parent != nullptr) {
    const WindowRecord* parent = Find(record.parent);
    if (parent == nullptr) Unmodelled("CreateOtherProcessWindow", "a parent that is no window");
    record.rect = {parent->rect.left + window.rect.left, parent->rect.top + window.rect.top,
                   parent->rect.left + window.rect.right, parent->rect.top + window.rect.bottom};
  }
  record.otherProcess = true;
  record.life = Life::kAlive;
  record.created = true;
  return NewWindow(std::move(record));
}

void DestroyOtherProcessWindow(HWND window) {
  std::vector<HWND> children;
  {
    UserGuard guard(U().lock);
    const WindowRecord* record = Find(window);
    if (record == nullptr || !record->otherProcess)
      Unmodelled("DestroyOtherProcessWindow", "not a window of another process");
    for (const WindowRecord& w : U().windows) {
      if (w.parent == window && w.life != Life::kGone) children.push_back(w.handle);
    }
  }
  for (HWND child : children) {
    bool program = false;
    {
      UserGuard guard(U().lock);
      program = winsim::detail::IsProgramWindow(child);
    }
    if (program) {
      detail::DestroyTree(child);
    } else {
      DestroyOtherProcessWindow(child);
    }
  }
  UserGuard guard(U().lock);
  Find(window)->life = Life::kGone;
  if (U().foreground == window) U().foreground = nullptr;
}

std::vector<MSG> ReceivedByOtherProcess(HWND window) {
  UserGuard guard(U().lock);
  const WindowRecord* record = detail::FindAny(window);
  if (record == nullptr || !record->otherProcess)
    Unmodelled("ReceivedByOtherProcess", "not a window of another process");
  return record->received;
}

HWND CreateTestWindow(POINT clientOrigin) {
  OtherProcessWindow window;
  window.title = "winsim test window";
  window.rect = {clientOrigin.x, clientOrigin.y, clientOrigin.x + 640, clientOrigin.y + 480};
  return CreateOtherProcessWindow(window);
}

std::vector<WindowInfo> Windows() {
  UserGuard guard(U().lock);
  std::vector<WindowInfo> all;
  for (const WindowRecord& w : U().windows) {
    all.push_back({w.handle, w.className, w.title, w.style, w.exStyle, w.visible, w.parent, w.rect, w.otherProcess,
                   w.created, w.life != Life::kGone});
  }
  return all;
}

WindowInfo WindowOf(HWND window) {
  for (const WindowInfo& info : Windows()) {
    if (info.handle == window) return info;
  }
  Unmodelled("WindowOf", "a handle winsim never handed out");
}

std::vector<WindowClassInfo> WindowClasses() {
  UserGuard guard(U().lock);
  std::vector<WindowClassInfo> classes;
  for (const detail::ClassRecord& c : U().classes) classes.push_back({c.name, c.atom, c.fields});
  return classes;
}

std::vector<MessageRecord> MessagesTo(HWND window) {
  UserGuard guard(U().lock);
  std::vector<MessageRecord> to;
  for (const MessageRecord& m : U().messages) {
    if (m.window == window) to.push_back(m);
  }
  return to;
}

std::vector<std::pair<WPARAM, LPARAM>> DefaultSysCommands() {
  UserGuard guard(U().lock);
  return U().defaultSysCommands;
}

}  // namespace winsim

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || IS_INTRESOURCE(windowClass->lpszClassName))
    Unmodelled("RegisterClassA", "a class without a name");
  if ((windowClass->style & ~kModelledClassStyles) != 0)
    Unmodelled("RegisterClassA", "class style " + Hex(windowClass->style));
  if (windowClass->cbClsExtra != 0 || windowClass->cbWndExtra != 0) Unmodelled("RegisterClassA", "extra bytes");
  if (windowClass->lpszMenuName != nullptr) Unmodelled("RegisterClassA", "a class menu");
  if (windowClass->lpfnWndProc == nullptr) Unmodelled("RegisterClassA", "no window procedure");
  if (windowClass->hInstance != nullptr && windowClass->hInstance != winsim::ProgramModule())
    Unmodelled("RegisterClassA", "a module other than the program's own");
  UserGuard guard(U().lock);
  for (const auto& c : U().classes) {
    if (winsim::detail::SameText(c.name, windowClass->lpszClassName)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  winsim::detail::ClassRecord record{windowClass->lpszClassName, winsim::detail::AtomOf(windowClass->lpszClassName),
                                     *windowClass};
  record.fields.lpszClassName = nullptr;
  U().classes.push_back(record);
  return record.atom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (className == nullptr || IS_INTRESOURCE(className)) Unmodelled("CreateWindowExA", "a class given by atom");
  if ((style & ~kModelledStyles) != 0) Unmodelled("CreateWindowExA", "style " + Hex(style));
  if ((exStyle & ~static_cast<DWORD>(WS_EX_TOPMOST)) != 0)
    Unmodelled("CreateWindowExA", "extended style " + Hex(exStyle));
  const bool child = (style & WS_CHILD) != 0;
  if (child == ((style & WS_POPUP) != 0)) Unmodelled("CreateWindowExA", "a window that is neither popup nor child");
  if (!child && (parent != nullptr || menu != nullptr)) Unmodelled("CreateWindowExA", "an owned popup or a menu");
  if (width < 0 || height < 0) Unmodelled("CreateWindowExA", "a negative or default size");

  HWND window = nullptr;
  {
    UserGuard guard(U().lock);
    const winsim::detail::ClassRecord* windowClass = nullptr;
    for (const auto& c : U().classes) {
      if (winsim::detail::SameText(c.name, className)) windowClass = &c;
    }
    if (windowClass == nullptr) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    RECT rect = {x, y, x + width, y + height};
    if (child) {
      if (parent == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
      }
      const WindowRecord* parentRecord = FindOrFail(parent);
      if (parentRecord == nullptr) return nullptr;
      rect = {parentRecord->rect.left + x, parentRecord->rect.top + y, parentRecord->rect.left + x + width,
              parentRecord->rect.top + y + height};
    }
    WindowRecord record;
    record.className = windowClass->name;
    record.style = style;
    record.exStyle = exStyle;
    record.parent = child ? parent : nullptr;
    record.rect = rect;
    record.proc = windowClass->fields.lpfnWndProc;
    record.windowClass = windowClass;
    record.thread = std::this_thread::get_id();
    window = NewWindow(std::move(record));
  }

  using winsim::detail::Deliver;
  CREATESTRUCTA create = {param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                          windowName, className, exStyle};
  if (Deliver(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create), false) == 0) {
    // Refused before it was created: the window gets WM_NCDESTROY only.
    Deliver(window, WM_NCDESTROY, 0, 0, false);
    UserGuard guard(U().lock);
    winsim::detail::FindAny(window)->life = Life::kGone;
    winsim::detail::FlushMessagesFor({window});
    return nullptr;
  }
  if (!winsim::detail::Exists(window)) return nullptr;
  if (Deliver(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create), false) == -1) {
    // The platform destroys a window whose WM_CREATE failed: WM_DESTROY, then WM_NCDESTROY.
    if (winsim::detail::Exists(window)) winsim::detail::DestroyTree(window);
    return nullptr;
  }
  {
    UserGuard guard(U().lock);
    WindowRecord* record = Find(window);
    if (record == nullptr) return nullptr;
    record->life = Life::kAlive;
    if ((style & WS_VISIBLE) != 0) {
      record->visible = true;
      record->needsPaint = true;
    }
  }
  if ((style & WS_VISIBLE) != 0) {
    Deliver(window, WM_SHOWWINDOW, TRUE, 0, false);
    // A top-level window that shows becomes the active window, and the foreground.
    if (!child && winsim::detail::Exists(window)) winsim::detail::Activate(window);
  }
  UserGuard guard(U().lock);
  WindowRecord* record = Find(window);
  if (record == nullptr) return nullptr;
  record->created = true;
  return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
  {
    UserGuard guard(U().lock);
    const WindowRecord* record = Find(window);
    if (record == nullptr || record->life == Life::kDestroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    // Only the thread that created a window may destroy it.
    if (record->otherProcess || record->thread != std::this_thread::get_id()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  winsim::detail::DestroyTree(window);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  UserGuard guard(U().lock);
  return Find(window) != nullptr ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND window) {
  UserGuard guard(U().lock);
  const WindowRecord* record = FindOrFail(window);
  if (record == nullptr) return nullptr;
  return record->parent;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  if (rect == nullptr) Unmodelled("GetWindowRect", "null rectangle");
  UserGuard guard(U().lock);
  const WindowRecord* record = FindOrFail(window);
  if (record == nullptr) return FALSE;
  *rect = record->rect;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  if (rect == nullptr) Unmodelled("GetClientRect", "null rectangle");
  UserGuard guard(U().lock);
  const WindowRecord* record = FindOrFail(window);
  if (record == nullptr) return FALSE;
  *rect = {0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) {
  if (point == nullptr) Unmodelled("ClientToScreen", "null point");
  UserGuard guard(U().lock);
  const WindowRecord* record = FindOrFail(window);
  if (record == nullptr) return FALSE;
  point->x += record->rect.left;
  point->y += record->rect.top;
  return TRUE;
}

// Top-level windows from the top of the order down (the newest first), hidden ones too; class
// names and titles compare without regard to case.
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
  if (className != nullptr && IS_INTRESOURCE(className)) Unmodelled("FindWindowA", "a class given by atom");
  UserGuard guard(U().lock);
  for (auto it = U().windows.rbegin(); it != U().windows.rend(); ++it) {
    if (it->life == Life::kGone || it->parent != nullptr) continue;
    if (className != nullptr && !winsim::detail::SameText(it->className, className)) continue;
    if (windowName != nullptr && !winsim::detail::SameText(it->title, windowName)) continue;
    return it->handle;
  }
  return nullptr;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  HWND previous = nullptr;
  bool otherProcess = false;
  {
    UserGuard guard(U().lock);
    const WindowRecord* record = Find(window);
    if (record == nullptr) return FALSE;
    if (record->parent != nullptr) Unmodelled("SetForegroundWindow", "a child window");
    if (!record->otherProcess && record->thread != std::this_thread::get_id())
      Unmodelled("SetForegroundWindow", "a window of another thread");
    previous = U().foreground;
    otherProcess = record->otherProcess;
    if (otherProcess) U().foreground = window;
  }
  if (!otherProcess) {
    winsim::detail::Activate(window);
    return TRUE;
  }
  bool programWasActive = false;
  {
    UserGuard guard(U().lock);
    programWasActive = previous != window && Find(previous) != nullptr && !Find(previous)->otherProcess;
  }
  if (programWasActive) winsim::detail::Deactivate(previous, true);
  return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
  UserGuard guard(U().lock);
  return U().foreground;
}
