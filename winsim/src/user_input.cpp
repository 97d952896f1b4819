// winsim: scripted user input — steps that GetMessageA runs on the waiting thread when their
// condition holds: keys, clicks and mouse moves into the input queue, activation, power and
// AutoPlay messages sent as the system sends them, and the tests' own callbacks.
#include <cstdlib>
#include <deque>

#include "display_state.h"
#include "user_state.h"

namespace {
using winsim::InputAction;
using winsim::InputCondition;
using winsim::InputStep;
using winsim::Unmodelled;
using winsim::detail::Find;
using winsim::detail::Life;
using winsim::detail::U;
using winsim::detail::UserGuard;
using winsim::detail::WindowRecord;

struct Script {
  std::mutex lock;  // never held while a step runs, nor while the display is asked for its frames
  std::deque<InputStep> steps;
  unsigned generation = 0;  // changes whenever a step leaves the script
  int getMessageCalls = 0;
  std::vector<winsim::InputStepRecord> run;
  std::chrono::milliseconds waitLimit{30000};
};

Script& Sc() {
  static auto* script = new Script;  // never destroyed, like the rest of winsim's state
  return *script;
}

// The newest window of the program made by the calling thread that still exists.
HWND DefaultTarget(const std::string& what) {
  UserGuard guard(U().lock);
  for (auto it = U().windows.rbegin(); it != U().windows.rend(); ++it) {
    if (!it->otherProcess && it->life == Life::kAlive && it->thread == std::this_thread::get_id()) return it->handle;
  }
  Unmodelled("input script", "no window of the waiting thread for the step \"" + what + "\"");
}

int MonitorCount() {
  std::lock_guard<std::recursive_mutex> guard(winsim::detail::S().lock);
  return static_cast<int>(winsim::detail::D().monitors.size());
}

// Input goes into the queue of the target's thread, as hardware input does.
void PushInput(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  UserGuard guard(U().lock);
  const WindowRecord* record = Find(target);
  if (record == nullptr || record->otherProcess)
    Unmodelled("input script", "input for a window that is not the program's");
  U().queues[record->thread].input.push_back(MSG{target, message, wParam, lParam, GetTickCount(), U().cursor});
  ++U().generation;
  U().changed.notify_all();
}

// A mouse button's messages, and its bit in a mouse message's wParam while it is held.
struct Button {
  UINT down, up, doubleClick;
  WPARAM held;
};
constexpr Button kLeft = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON};
constexpr Button kRight = {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON};
constexpr Button kMiddle = {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, MK_MBUTTON};
// The platform's defaults: GetDoubleClickTime, and SM_CXDOUBLECLK and SM_CYDOUBLECLK, the box
// around the first press that the second must fall in.
constexpr DWORD kDoubleClickMs = 500;
constexpr LONG kDoubleClickBox = 4;

// With U().lock held. The message of a press: the button's double-click message when the
// window's class asks for double clicks and the press follows one of the same button on the same
// window within the double-click time and box; the press after a double click begins anew.
UINT PressMessage(HWND target, const Button& button) {
  const WindowRecord* record = Find(target);
  const bool asks =
      record != nullptr && record->windowClass != nullptr && (record->windowClass->fields.style & CS_DBLCLKS) != 0;
  auto& last = U().lastPress;
  const DWORD now = GetTickCount();
  const POINT at = U().cursor;
  const bool second = asks && last.window == target && last.down == button.down && now - last.time < kDoubleClickMs &&
                      std::labs(at.x - last.at.x) <= kDoubleClickBox / 2 &&
                      std::labs(at.y - last.at.y) <= kDoubleClickBox / 2;
  if (second) {
    last = {};
  } else {
    last = {target, button.down, now, at};
  }
  return second ? button.doubleClick : button.down;
}

void Press(HWND target, const Button& button, LPARAM where) {
  UINT message;
  {
    UserGuard guard(U().lock);
    message = PressMessage(target, button);
  }
  PushInput(target, message, button.held, where);
}

// The cursor's position in the target's client coordinates, as mouse messages carry it.
LPARAM CursorInClient(HWND target) {
  UserGuard guard(U().lock);
  const WindowRecord* record = Find(target);
  if (record == nullptr) return 0;
  return MAKELPARAM(U().cursor.x - record->rect.left, U().cursor.y - record->rect.top);
}

InputAction Keys(const char* what, WORD key, UINT down, UINT up, LPARAM held) {
  return {std::string(what) + " " + std::to_string(key), [=](HWND target) -> LRESULT {
            PushInput(target, down, key, 1 | held);
            PushInput(target, up, key, static_cast<LPARAM>(0xC0000001u) | held);
            return 0;
          }};
}

bool FramesReached(const InputCondition& when) {
  if (when.monitor >= 0) return winsim::PresentedFrames(when.monitor) >= when.count;
  for (int monitor = 0; monitor < MonitorCount(); ++monitor) {
    if (winsim::PresentedFrames(monitor) < when.count) return false;
  }
  return true;
}

// Runs the script's first step when its condition holds; an idle step only when `idle`, a step
// that waits for frames only when the queue is empty. The frames come from the drawing thread at
// its own pace: two steps a frame apart can both be due at one look, and the input of the first,
// with whatever it made the program post (a close it asked for), must be handled before the second
// acts.
bool RunFront(bool idle, bool queueWaiting) {
  InputCondition when;
  unsigned generation = 0;
  {
    std::lock_guard<std::mutex> guard(Sc().lock);
    if (Sc().steps.empty()) return false;
    when = Sc().steps.front().when;
    generation = Sc().generation;
  }
  bool due = false;
  switch (when.kind) {
    case InputCondition::Kind::kIdle: due = idle; break;
    case InputCondition::Kind::kGetMessageCalls: {
      std::lock_guard<std::mutex> guard(Sc().lock);
      due = Sc().getMessageCalls >= when.count;
      break;
    }
    case InputCondition::Kind::kFrames: due = !queueWaiting && FramesReached(when); break;
  }
  if (!due) return false;
  InputStep step;
  {
    std::lock_guard<std::mutex> guard(Sc().lock);
    if (Sc().generation != generation || Sc().steps.empty()) return true;  // another thread ran it
    step = std::move(Sc().steps.front());
    Sc().steps.pop_front();
    ++Sc().generation;
  }
  HWND target = step.target;
  if (target == nullptr && step.action.targeted) target = DefaultTarget(step.action.what);
  const LRESULT result = step.action.apply(target);
  std::lock_guard<std::mutex> guard(Sc().lock);
  Sc().run.push_back({step.action.what, target, result});
  return true;
}

}  // namespace

namespace winsim::detail {

void CountGetMessage() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  ++Sc().getMessageCalls;
}

bool RunDueInputStep(bool queueWaiting) { return RunFront(false, queueWaiting); }
bool RunIdleInputStep() { return RunFront(true, false); }

bool InputStepWaitsForFrames() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  return !Sc().steps.empty() && Sc().steps.front().when.kind == InputCondition::Kind::kFrames;
}

std::string NextInputStep() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  if (Sc().steps.empty()) return "no step left";
  return std::to_string(Sc().steps.size()) + " steps left, the next \"" + Sc().steps.front().action.what + "\"";
}

std::chrono::milliseconds MessageWaitLimit() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  return Sc().waitLimit;
}

void ResetInput() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  Sc().steps.clear();
  ++Sc().generation;
  Sc().getMessageCalls = 0;
  Sc().run.clear();
  Sc().waitLimit = std::chrono::milliseconds(30000);
}

}  // namespace winsim::detail

namespace winsim {

InputCondition WhenIdle() { return {InputCondition::Kind::kIdle, 0, -1}; }
InputCondition AfterGetMessageCalls(int calls) { return {InputCondition::Kind::kGetMessageCalls, calls, -1}; }
InputCondition AfterFrames(int frames, int monitor) { return {InputCondition::Kind::kFrames, frames, monitor}; }

InputAction PressKey(WORD key) { return Keys("key", key, WM_KEYDOWN, WM_KEYUP, 0); }

InputAction Click(MouseButton button) {
  const Button b = button == MouseButton::kLeft ? kLeft : button == MouseButton::kRight ? kRight : kMiddle;
  return {"click " + std::to_string(b.down), [b](HWND target) -> LRESULT {
            Press(target, b, CursorInClient(target));
            PushInput(target, b.up, 0, CursorInClient(target));
            return 0;
          }};
}

InputAction MoveMouse(POINT to) {
  return {"mouse to " + std::to_string(to.x) + "," + std::to_string(to.y), [to](HWND target) -> LRESULT {
            SetCursorPosition(to);
            PushInput(target, WM_MOUSEMOVE, 0, CursorInClient(target));
            return 0;
          }};
}

InputAction SwitchAway() {
  return {"switch away", [](HWND target) -> LRESULT {
            detail::Deactivate(target, true);
            return 0;
          }};
}

InputAction SwitchBack() {
  return {"switch back", [](HWND target) -> LRESULT {
            detail::Activate(target);
            return 0;
          }};
}

InputAction Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return {"send " + std::to_string(message),
          [=](HWND target) -> LRESULT { return SendMessageA(target, message, wParam, lParam); }};
}

InputAction Post(UINT message, WPARAM wParam, LPARAM lParam) {
  return {"post " + std::to_string(message), [=](HWND target) -> LRESULT {
            PostMessageA(target, message, wParam, lParam);
            return 0;
          }};
}

InputAction PowerBroadcast(WPARAM event) {
  InputAction action = Send(WM_POWERBROADCAST, event, 0);
  action.what = "power broadcast " + std::to_string(event);
  return action;
}

InputAction MonitorPower(LPARAM state) {
  InputAction action = Send(WM_SYSCOMMAND, SC_MONITORPOWER, state);
  action.what = "monitor power " + std::to_string(state);
  return action;
}

InputAction QueryCancelAutoPlay() {
  return {"AutoPlay query", [](HWND target) -> LRESULT {
            return SendMessageA(target, RegisterWindowMessageA("QueryCancelAutoPlay"), 0, 0);
          }};
}

InputAction Call(std::function<void()> callback) {
  return {"callback",
          [callback](HWND) -> LRESULT {
            callback();
            return 0;
          },
          false};
}

void ScriptInput(std::vector<InputStep> steps) {
  std::lock_guard<std::mutex> guard(Sc().lock);
  Sc().steps.assign(steps.begin(), steps.end());
  ++Sc().generation;
  Sc().getMessageCalls = 0;
}

std::vector<InputStepRecord> InputStepsRun() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  return Sc().run;
}

size_t InputStepsLeft() {
  std::lock_guard<std::mutex> guard(Sc().lock);
  return Sc().steps.size();
}

void SetMessageWaitLimit(std::chrono::milliseconds limit) {
  std::lock_guard<std::mutex> guard(Sc().lock);
  Sc().waitLimit = limit;
}

}  // namespace winsim

void WINAPI mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR /*extraInfo*/) {
  const struct {
    DWORD down, up;
    Button button;
  } buttons[] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, kLeft},
                 {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, kRight},
                 {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, kMiddle}};
  DWORD known = 0;
  for (const auto& b : buttons) known |= b.down | b.up;
  if ((flags & ~known) != 0 || dx != 0 || dy != 0 || data != 0)
    Unmodelled("mouse_event", "flags " + winsim::detail::Hex(flags) + " or a movement");
  // Hardware input goes to the window under the cursor: here the newest visible top-level window
  // of the program that holds it.
  HWND target = nullptr;
  {
    UserGuard guard(U().lock);
    for (auto it = U().windows.rbegin(); it != U().windows.rend() && target == nullptr; ++it) {
      const RECT& r = it->rect;
      if (!it->otherProcess && it->life == Life::kAlive && it->visible && it->parent == nullptr &&
          U().cursor.x >= r.left && U().cursor.x < r.right && U().cursor.y >= r.top && U().cursor.y < r.bottom)
        target = it->handle;
    }
  }
  if (target == nullptr) Unmodelled("mouse_event", "no window of the program under the cursor");
  for (const auto& b : buttons) {
    if ((flags & b.down) != 0) Press(target, b.button, CursorInClient(target));
    if ((flags & b.up) != 0) PushInput(target, b.button.up, 0, CursorInClient(target));
  }
}
