// winsim's control API for time, threads and faults: the millisecond clock behind GetTickCount
// and timeGetTime, what Sleep did, the threads the program started, and unhandled faults.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "windows.h"

namespace winsim {

// --- the clock --------------------------------------------------------------------------------
// The clock is virtual unless a test asks for real time: it stands still except when Sleep or a
// test moves it, so paced runs are exact and take no real time. It starts at 1,000,000 ms (a
// machine up for a quarter of an hour) after Reset.
void SetClock(uint32_t ms);
uint32_t Clock();
void AdvanceClock(uint32_t ms);
// Real time: Sleep blocks for the time asked and the clock runs with the host's clock from where
// it stands. Reset goes back to the virtual clock.
void UseRealClock(bool real);
// Every presentation on a monitor (a successful Flip, or a Blt into a primary surface) moves the
// virtual clock on by this much: the cost of a frame pass as the program's pacing sees it.
void SetPresentDuration(uint32_t ms);
// While held, the virtual clock stands still for the program: Sleep passes without moving it (and
// still pauses briefly in real time, as an unheld Sleep does), and so do presentations; only
// SetClock and AdvanceClock move it. For tests whose boundaries are exact to the millisecond while
// the drawing thread polls and paces on its own. Reset lets it go.
void HoldClock(bool hold);

// --- Sleep ------------------------------------------------------------------------------------
struct SleepRecord {
  int thread;        // 0 for a thread the program did not start, else the CreateThread number (1, 2, ...)
  uint32_t ms;       // as asked
  uint32_t clockAt;  // the clock when Sleep was called
};
// The Sleep calls so far (the first 100,000; SleepCount counts them all).
std::vector<SleepRecord> Sleeps();
size_t SleepCount();
// Runs on the sleeping thread after each Sleep has moved the clock on, before Sleep returns: lets a
// test change what the program sees at an exact point of its waiting.
void OnSleep(std::function<void(const SleepRecord&)> hook);

// --- threads ----------------------------------------------------------------------------------
// The next `count` CreateThread calls fail (ERROR_NOT_ENOUGH_MEMORY).
void FailThreadStart(int count = 1);
int ThreadsStarted();  // since Reset
int ThreadsRunning();
// The number (1, 2, ...) of the calling thread if the program started it, else 0.
int CurrentThreadNumber();
// Handles of started threads that the program has not closed.
int OpenThreadHandles();
// Waits until every thread the program started has ended and joins them. False when some thread
// still runs after `timeoutMs` of real time (those are left running).
bool JoinThreads(uint32_t timeoutMs = 10000);

// --- faults -----------------------------------------------------------------------------------
// Plays a fault that nothing in the program handled, on the calling thread: the program's
// top-level filter runs, and the platform's UnhandledExceptionFilter answers `decision`
// (EXCEPTION_EXECUTE_HANDLER lets the program handle it). Answers the filter's result.
LONG RaiseUnhandledFault(LONG decision);

}  // namespace winsim
