// winsim: kernel32's thread start and end (CreateThread, ExitThread) and the thread's handle. Threads
// the program starts are numbered from 1 and joined by tests (JoinThreads) or by Reset.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "display_reset.h"
#include "state.h"
#include "windows.h"
#include "winsim/clock_control.h"

namespace {

// Thrown by ExitThread and caught where winsim started the thread: the program's own code never
// throws or catches, so the unwinding passes straight through it.
struct ThreadExit {};

struct Started {
  std::thread thread;
  bool ended = false;
  bool handleOpen = true;  // until the program closes the handle CreateThread gave it
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

int OpenThreadHandles() {
  std::lock_guard<std::mutex> guard(T().lock);
  int open = 0;
  for (const auto& t : T().threads) open += t->handleOpen ? 1 : 0;
  return open;
}

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

namespace {

// Handles of started threads: distinct from every other handle winsim hands out.
HANDLE ThreadHandle(int number) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(number) * 4 + 0x100); }

}  // namespace

namespace winsim::detail {

bool CloseThreadHandle(HANDLE handle) {
  std::lock_guard<std::mutex> guard(T().lock);
  for (size_t i = 0; i < T().threads.size(); ++i) {
    Started& started = *T().threads[i];
    if (ThreadHandle(static_cast<int>(i) + 1) != handle || !started.handleOpen) continue;
    started.handleOpen = false;
    return true;
  }
  return false;
}

}  // namespace winsim::detail

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID argument, DWORD flags, LPDWORD threadId) {
  if (security != nullptr) winsim::Unmodelled("CreateThread", "security attributes");
  if (stackSize != 0) winsim::Unmodelled("CreateThread", "a stack size other than the default");
  if (flags != 0) winsim::Unmodelled("CreateThread", "creation flags " + std::to_string(flags));
  if (start == nullptr) winsim::Unmodelled("CreateThread", "no start address");
  // The 95/98 family writes the new thread's identifier without looking: it refuses a null place
  // for it, where NT lets it be left out.
  if (threadId == nullptr && winsim::detail::Win9xFamily()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto& t = T();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.failStarts > 0) {
    --t.failStarts;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  t.threads.push_back(std::make_unique<Started>());
  Started* started = t.threads.back().get();
  const int number = static_cast<int>(t.threads.size());
  if (threadId != nullptr) *threadId = static_cast<DWORD>(0x40 + number);
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
  return ThreadHandle(number);
}

void WINAPI ExitThread(DWORD /*exitCode*/) {
  if (currentNumber == 0) winsim::Unmodelled("ExitThread", "a thread not started with CreateThread");
  throw ThreadExit{};
}
