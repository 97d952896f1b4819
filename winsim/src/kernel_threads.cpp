// winsim: the C runtime's thread start and end. Threads the program starts are numbered from 1
// and joined by tests (JoinThreads) or by Reset.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "display_reset.h"
#include "process.h"
#include "state.h"
#include "winsim/clock_control.h"

namespace {

// Thrown by _endthread and caught where winsim started the thread: the program's own code never
// throws or catches, so the unwinding passes straight through it.
struct ThreadExit {};

struct Started {
  std::thread thread;
  bool ended = false;
};

struct ThreadState {
  std::mutex lock;
  std::condition_variable endedChanged;
  std::vector<std::unique_ptr<Started>> threads;
  int failStarts = 0;
};

ThreadState& T() {
  static auto* state = new ThreadState;
  return *state;
}

thread_local int currentNumber = 0;

}  // namespace

namespace winsim {

void FailThreadStart(int count) {
  std::lock_guard<std::mutex> guard(T().lock);
  T().failStarts = count;
}

int ThreadsStarted() {
  std::lock_guard<std::mutex> guard(T().lock);
  return static_cast<int>(T().threads.size());
}

int ThreadsRunning() {
  std::lock_guard<std::mutex> guard(T().lock);
  int running = 0;
  for (const auto& t : T().threads) running += t->ended ? 0 : 1;
  return running;
}

int CurrentThreadNumber() { return currentNumber; }

bool JoinThreads(uint32_t timeoutMs) {
  auto& t = T();
  std::unique_lock<std::mutex> guard(t.lock);
  const bool allEnded = t.endedChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
    for (const auto& started : t.threads)
      if (!started->ended) return false;
    return true;
  });
  for (auto& started : t.threads)
    if (started->ended && started->thread.joinable()) started->thread.join();
  return allEnded;
}

namespace detail {

void ResetThreads() {
  if (!JoinThreads()) Unmodelled("Reset", "a thread the program started is still running");
  std::lock_guard<std::mutex> guard(T().lock);
  T().threads.clear();
  T().failStarts = 0;
}

}  // namespace detail
}  // namespace winsim

std::uintptr_t _beginthread(void (*start)(void*), unsigned stackSize, void* argument) {
  if (stackSize != 0) winsim::Unmodelled("_beginthread", "a stack size other than the default");
  auto& t = T();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.failStarts > 0) {
    --t.failStarts;
    return static_cast<std::uintptr_t>(-1);
  }
  t.threads.push_back(std::make_unique<Started>());
  Started* started = t.threads.back().get();
  const int number = static_cast<int>(t.threads.size());
  started->thread = std::thread([start, argument, started, number] {
    currentNumber = number;
    try {
      start(argument);
    } catch (const ThreadExit&) {
    }
    std::lock_guard<std::mutex> ended(T().lock);
    started->ended = true;
    T().endedChanged.notify_all();
  });
  return static_cast<std::uintptr_t>(number) * 4 + 0x100;
}

void _endthread() {
  if (currentNumber == 0) winsim::Unmodelled("_endthread", "a thread not started with _beginthread");
  throw ThreadExit{};
}
