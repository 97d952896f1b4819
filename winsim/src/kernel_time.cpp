// winsim: the millisecond clock (GetTickCount, timeGetTime) and Sleep, virtual unless a test asks
// for real time.
#include <chrono>
#include <mutex>
#include <thread>

#include "display_reset.h"
#include "mmsystem.h"
#include "windows.h"
#include "winsim/clock_control.h"

namespace {

using Steady = std::chrono::steady_clock;
constexpr uint32_t kStartClock = 1000000;
constexpr size_t kKeptSleeps = 100000;

struct ClockState {
  std::mutex lock;
  bool real = false;
  uint32_t base = kStartClock;  // virtual: the clock; real: the clock at realStart
  Steady::time_point realStart{};
  uint32_t presentDuration = 0;
  bool held = false;
  std::vector<winsim::SleepRecord> sleeps;
  size_t sleepCount = 0;
  std::function<void(const winsim::SleepRecord&)> hook;
};

ClockState& C() {
  static auto* state = new ClockState;  // the program's threads may outlive a test's statics
  return *state;
}

uint32_t NowLocked(ClockState& c) {
  if (!c.real) return c.base;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - c.realStart);
  return c.base + static_cast<uint32_t>(elapsed.count());
}

}  // namespace

namespace winsim {

void SetClock(uint32_t ms) {
  std::lock_guard<std::mutex> guard(C().lock);
  C().base = ms;
  C().realStart = Steady::now();
}

uint32_t Clock() {
  std::lock_guard<std::mutex> guard(C().lock);
  return NowLocked(C());
}

void AdvanceClock(uint32_t ms) {
  std::lock_guard<std::mutex> guard(C().lock);
  C().base += ms;
}

void UseRealClock(bool real) {
  auto& c = C();
  std::lock_guard<std::mutex> guard(c.lock);
  c.base = NowLocked(c);
  c.realStart = Steady::now();
  c.real = real;
}

void SetPresentDuration(uint32_t ms) {
  std::lock_guard<std::mutex> guard(C().lock);
  C().presentDuration = ms;
}

void HoldClock(bool hold) {
  std::lock_guard<std::mutex> guard(C().lock);
  C().held = hold;
}

std::vector<SleepRecord> Sleeps() {
  std::lock_guard<std::mutex> guard(C().lock);
  return C().sleeps;
}

size_t SleepCount() {
  std::lock_guard<std::mutex> guard(C().lock);
  return C().sleepCount;
}

void OnSleep(std::function<void(const SleepRecord&)> hook) {
  std::lock_guard<std::mutex> guard(C().lock);
  C().hook = std::move(hook);
}

namespace detail {

void ResetClock() {
  auto& c = C();
  std::lock_guard<std::mutex> guard(c.lock);
  c.real = false;
  c.base = kStartClock;
  c.presentDuration = 0;
  c.held = false;
  c.sleeps.clear();
  c.sleepCount = 0;
  c.hook = nullptr;
}

void Presented() {
  auto& c = C();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!c.real && !c.held) c.base += c.presentDuration;
}

}  // namespace detail
}  // namespace winsim

DWORD WINAPI GetTickCount() { return winsim::Clock(); }
DWORD WINAPI timeGetTime() { return winsim::Clock(); }

void WINAPI Sleep(DWORD ms) {
  auto& c = C();
  winsim::SleepRecord record{winsim::CurrentThreadNumber(), ms, 0};
  std::function<void(const winsim::SleepRecord&)> hook;
  bool real = false;
  {
    std::lock_guard<std::mutex> guard(c.lock);
    record.clockAt = NowLocked(c);
    if (c.sleeps.size() < kKeptSleeps) c.sleeps.push_back(record);
    ++c.sleepCount;
    real = c.real;
    if (!real && !c.held) c.base += ms;
    hook = c.hook;
  }
  if (real) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  } else if (ms == 0) {
    std::this_thread::yield();
  } else {
    // Virtual time passes at once; a short real pause keeps a polling thread from starving the
    // thread it waits for.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (hook) hook(record);
}
