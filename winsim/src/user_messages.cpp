// winsim: the message queue of each thread — posting, sending, GetMessageA and PeekMessageA in the
// platform's order, translation, dispatch, the quit message, registered messages — and the
// default window procedure.
#include <chrono>
#include <cstdio>

#include "user_state.h"

namespace {
using winsim::Unmodelled;
using winsim::detail::Deliver;
using winsim::detail::Find;
using winsim::detail::FindOrFail;
using winsim::detail::Hex;
using winsim::detail::Life;
using winsim::detail::ThreadQueue;
using winsim::detail::U;
using winsim::detail::UserGuard;
using winsim::detail::WindowRecord;

ThreadQueue& OwnQueue() { return U().queues[std::this_thread::get_id()]; }

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{window, message, wParam, lParam, GetTickCount(), U().cursor};
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

// A window filter takes the window's messages and those of its descendants; thread messages
// (no window) only pass without a filter.
bool ForWindow(HWND target, HWND filter) {
  if (filter == nullptr) return true;
  for (const WindowRecord* w = Find(target); w != nullptr; w = Find(w->parent)) {
    if (w->handle == filter) return true;
  }
  return false;
}

bool IsMouseMessage(UINT message) { return message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP; }

bool TakeFrom(std::deque<MSG>& messages, MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
  for (auto it = messages.begin(); it != messages.end(); ++it) {
    if (!InRange(it->message, first, last) || !ForWindow(it->hwnd, filter)) continue;
    *msg = *it;
    if (remove) messages.erase(it);
    return true;
  }
  return false;
}

// The platform's order: posted messages, then the quit message (whatever the filter), then input,
// then WM_PAINT for a window that still needs painting (it stays until DefWindowProcA validates).
bool Take(MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
  UserGuard guard(U().lock);
  ThreadQueue& queue = OwnQueue();
  if (TakeFrom(queue.posted, msg, filter, first, last, remove)) return true;
  if (queue.quit) {
    *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quit = false;
    return true;
  }
  if (TakeFrom(queue.input, msg, filter, first, last, remove)) {
    if (remove && IsMouseMessage(msg->message)) {
      // The cursor's shape is settled as a mouse message is taken from the queue.
      guard.unlock();
      Deliver(msg->hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg->hwnd), MAKELPARAM(HTCLIENT, msg->message), false);
    }
    return true;
  }
  if (!InRange(WM_PAINT, first, last)) return false;
  for (const WindowRecord& w : U().windows) {
    if (w.life == Life::kAlive && w.needsPaint && w.thread == std::this_thread::get_id() &&
        ForWindow(w.handle, filter)) {
      *msg = MakeMessage(w.handle, WM_PAINT, 0, 0);
      return true;
    }
  }
  return false;
}

void CheckFilter(const char* call, HWND window, UINT first, UINT last) {
  if (window == reinterpret_cast<HWND>(-1)) Unmodelled(call, "thread messages only");
  if (first > last) Unmodelled(call, "a filter range that wraps");
}

// The character a key gives, without shift or other modifiers; 0 for keys that give none.
char CharacterOf(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  switch (key) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    default: return 0;
  }
}

}  // namespace

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == reinterpret_cast<HWND>(0xFFFF)) Unmodelled("PostMessageA", "a broadcast");
  UserGuard guard(U().lock);
  if (window == nullptr) {
    OwnQueue().posted.push_back(MakeMessage(nullptr, message, wParam, lParam));
    ++U().generation;
    return TRUE;
  }
  WindowRecord* record = FindOrFail(window);
  if (record == nullptr) return FALSE;
  const MSG msg = MakeMessage(window, message, wParam, lParam);
  if (record->otherProcess) {
    record->received.push_back(msg);
    return TRUE;
  }
  U().queues[record->thread].posted.push_back(msg);
  ++U().generation;
  U().changed.notify_all();
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == reinterpret_cast<HWND>(0xFFFF)) Unmodelled("SendMessageA", "a broadcast");
  {
    UserGuard guard(U().lock);
    const WindowRecord* record = FindOrFail(window);
    if (record == nullptr) return 0;
    if (!record->otherProcess && record->thread != std::this_thread::get_id())
      Unmodelled("SendMessageA", "a window of another thread");
  }
  return Deliver(window, message, wParam, lParam, false);
}

// Runs the input script's steps as their conditions come true (see winsim/window_control.h), and
// otherwise waits while the queue is empty, for a message another thread posts or for frames a
// step waits for. A wait that outlasts the limit stops the test: nothing would ever come.
BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) Unmodelled("GetMessageA", "null message");
  if (window != nullptr) Unmodelled("GetMessageA", "a window filter");
  CheckFilter("GetMessageA", window, filterMin, filterMax);
  using Clock = std::chrono::steady_clock;
  winsim::detail::CountGetMessage();
  Clock::time_point waitingSince = Clock::now();
  for (;;) {
    unsigned long seen = 0;
    bool queueWaiting = false;
    {
      UserGuard guard(U().lock);
      seen = U().generation;
      const ThreadQueue& queue = OwnQueue();
      queueWaiting = !queue.input.empty() || !queue.posted.empty() || queue.quit;
    }
    if (winsim::detail::RunDueInputStep(queueWaiting)) {
      waitingSince = Clock::now();
      continue;
    }
    if (Take(msg, window, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    if (winsim::detail::RunIdleInputStep()) {
      waitingSince = Clock::now();
      continue;
    }
    const std::chrono::milliseconds limit = winsim::detail::MessageWaitLimit();
    const bool polling = winsim::detail::InputStepWaitsForFrames();
    UserGuard guard(U().lock);
    U().changed.wait_for(guard, polling ? std::chrono::milliseconds(1) : limit,
                         [seen] { return U().generation != seen; });
    if (U().generation != seen) {
      waitingSince = Clock::now();
    } else if (Clock::now() - waitingSince >= limit) {
      guard.unlock();
      Unmodelled("GetMessageA", "nothing to give for " + std::to_string(limit.count()) +
                                    " ms; input script: " + winsim::detail::NextInputStep());
    }
  }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) Unmodelled("PeekMessageA", "null message");
  if ((removeFlags & ~static_cast<UINT>(PM_REMOVE | PM_NOYIELD)) != 0)
    Unmodelled("PeekMessageA", "flags " + Hex(removeFlags));
  CheckFilter("PeekMessageA", window, filterMin, filterMax);
  return Take(msg, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

// Posts the character of a key press, which comes next out of the queue; TRUE for every key
// message, translated or not.
BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (msg == nullptr) Unmodelled("TranslateMessage", "null message");
  const UINT m = msg->message;
  if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
  const char character = CharacterOf(msg->wParam);
  if (character != 0 && (m == WM_KEYDOWN || m == WM_SYSKEYDOWN)) {
    UserGuard guard(U().lock);
    OwnQueue().posted.push_back(MakeMessage(msg->hwnd, m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                                            static_cast<unsigned char>(character), msg->lParam));
    ++U().generation;
  }
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) Unmodelled("DispatchMessageA", "null message");
  if (msg->hwnd == nullptr) return 0;  // a thread message has no window procedure
  if (msg->message == WM_TIMER && msg->lParam != 0) Unmodelled("DispatchMessageA", "a timer procedure");
  {
    UserGuard guard(U().lock);
    const WindowRecord* record = FindOrFail(msg->hwnd);
    if (record == nullptr) return 0;
    if (record->otherProcess || record->thread != std::this_thread::get_id())
      Unmodelled("DispatchMessageA", "a message for a window of another thread");
  }
  return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam, true);
}

void WINAPI PostQuitMessage(int exitCode) {
  UserGuard guard(U().lock);
  ThreadQueue& queue = OwnQueue();
  queue.quit = true;
  queue.quitCode = exitCode;
  ++U().generation;
  U().changed.notify_all();
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UserGuard guard(U().lock);
  return winsim::detail::AtomOf(name);
}

// What the platform's default procedure does with the messages the program hands it. Messages of
// its own range (from WM_USER on, registered ones too) have no default and are answered 0; a
// system message not listed here stops the test.
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND parent = nullptr;
  HCURSOR classCursor = nullptr;
  {
    UserGuard guard(U().lock);
    WindowRecord* record = FindOrFail(window);
    if (record == nullptr) return 0;
    if (record->otherProcess) Unmodelled("DefWindowProcA", "a window of another process");
    parent = record->parent;
    classCursor = record->windowClass->fields.hCursor;
    switch (message) {
      case WM_NCCREATE: {
        // The window's title comes from its creation; without the creation data the answer is FALSE.
        if (lParam == 0) return FALSE;
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (create->lpszName != nullptr) record->title = create->lpszName;
        return TRUE;
      }
      case WM_SETTEXT: record->title = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : ""; return TRUE;
      case WM_PAINT:
        record->needsPaint = false;  // BeginPaint and EndPaint validate the window
        return 0;
      case WM_SYSCOMMAND: U().defaultSysCommands.emplace_back(wParam, lParam); break;
      default: break;
    }
  }
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SETCURSOR:
      // A child asks its parent first; then the class cursor is set over the client area.
      if (parent != nullptr && SendMessageA(parent, WM_SETCURSOR, wParam, lParam) != 0) return TRUE;
      if (LOWORD(lParam) == HTCLIENT && classCursor != nullptr) {
        SetCursor(classCursor);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
    case WM_CONTEXTMENU:
      // Handed up to the parent; a top-level window without a system menu does nothing.
      return parent != nullptr ? SendMessageA(parent, message, wParam, lParam) : 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(window, WM_CLOSE, 0, 0); return 0;
        case SC_MONITORPOWER:
        case SC_SCREENSAVE:
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW: return 0;  // recorded above: the system's part is not modelled
        default: Unmodelled("DefWindowProcA", "WM_SYSCOMMAND " + Hex(wParam));
      }
    case WM_SYSKEYDOWN:
      // Alt+F4 closes through the system menu's SC_CLOSE; menus are not modelled.
      if (wParam == VK_F4 && (lParam & (1L << 29)) != 0) Unmodelled("DefWindowProcA", "Alt+F4");
      return 0;
    case WM_NULL:
    case WM_CREATE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SHOWWINDOW:
    case WM_ACTIVATEAPP:
    case WM_POWER:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_TIMER:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_POWERBROADCAST: return 0;
    default:
      if (message >= WM_USER) return 0;
      Unmodelled("DefWindowProcA", "message " + Hex(message));
  }
}

namespace winsim {

std::vector<MSG> QueuedMessages(HWND window) {
  UserGuard guard(U().lock);
  std::vector<MSG> queued;
  const WindowRecord* record = detail::FindAny(window);
  if (window != nullptr && (record == nullptr || record->otherProcess))
    Unmodelled("QueuedMessages", "not a window of the program");
  const auto found = U().queues.find(window == nullptr ? std::this_thread::get_id() : record->thread);
  if (found == U().queues.end()) return queued;
  for (const auto* messages : {&found->second.posted, &found->second.input}) {
    for (const MSG& msg : *messages) {
      if (msg.hwnd == window) queued.push_back(msg);
    }
  }
  return queued;
}

}  // namespace winsim
