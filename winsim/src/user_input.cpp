// winsim: scripted user input — steps that GetMessageA runs on the waiting thread when their
// condition holds: keys, clicks and mouse moves into the input queue, activation, power and
// AutoPlay messages sent as the system sends them, and the tests' own callbacks.
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
  struct Messages {
    UINT down, up;
    WPARAM held;
  };
  const Messages m = button == MouseButton::kLeft    ? Messages{WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON}
                     : button == MouseButton::kRight ? Messages{WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON}
                                                     : Messages{WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON};
  return {"click " + std::to_string(m.down), [m](HWND target) -> LRESULT {
            PushInput(target, m.down, m.held, CursorInClient(target));
            PushInput(target, m.up, 0, CursorInClient(target));
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
