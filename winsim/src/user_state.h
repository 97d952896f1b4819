// winsim internals: the window model's state shared by the user32 sources — window classes,
// windows, each thread's message queue, activation, the records — and the helpers that call a
// window procedure.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "windows.h"
#include "winsim/control.h"
#include "state.h"  // SameText

namespace winsim::detail {

struct ClassRecord {
  std::string name;
  ATOM atom;
  WNDCLASSA fields;
};

enum class Life { kCreating, kAlive, kDestroying, kGone };

struct WindowRecord {
  HWND handle = nullptr;
  std::string className;
  std::string title;
  DWORD style = 0;  // as given; WS_VISIBLE is kept in `visible`
  DWORD exStyle = 0;
  bool visible = false;
  HWND parent = nullptr;
  RECT rect = {};  // screen coordinates
  WNDPROC proc = nullptr;
  const ClassRecord* windowClass = nullptr;  // the program's class; null for other-process windows
  bool otherProcess = false;
  std::thread::id thread;
  Life life = Life::kCreating;
  bool created = false;
  bool needsPaint = false;
  std::vector<MSG> received;  // other-process windows only
};

// A thread's queue: what PostMessageA and PostQuitMessage left, and the input the script fed in.
// The platform takes posted messages first, then the quit message, then input, then WM_PAINT.
struct ThreadQueue {
  std::deque<MSG> posted;
  std::deque<MSG> input;
  bool quit = false;
  int quitCode = 0;
};

struct UserState {
  std::mutex lock;                  // never held while a window procedure or a test's callback runs
  std::condition_variable changed;  // something was posted
  unsigned long generation = 0;     // counts what was posted, so that a waiter misses nothing
  std::deque<ClassRecord> classes;
  std::deque<WindowRecord> windows;  // creation order; a handle is derived from the index
  std::map<std::thread::id, ThreadQueue> queues;
  std::vector<std::string> atoms;  // class names and registered messages share the atom table
  HWND foreground = nullptr;
  std::vector<MessageRecord> messages;
  std::vector<std::pair<WPARAM, LPARAM>> defaultSysCommands;
  // The cursor and the desktop.
  POINT cursor = {512, 384};
  HCURSOR cursorShape = nullptr;
  int setCursorCalls = 0;
  int cursorCount = 0;
  int openScreenDCs = 0;
  std::vector<SystemParametersRecord> systemParameters;
  BOOL screenSaverRunning = FALSE;
  // The last button press that may begin a double click; no window once a double click ended it.
  struct ButtonPress {
    HWND window = nullptr;
    UINT down = 0;
    DWORD time = 0;
    POINT at = {0, 0};
  } lastPress;
};

UserState& U();
using UserGuard = std::unique_lock<std::mutex>;

// With U().lock held. The record of a window that exists (creating, alive or being destroyed);
// null for anything else.
WindowRecord* Find(HWND window);
// Find, leaving ERROR_INVALID_WINDOW_HANDLE as the last error when there is no such window.
WindowRecord* FindOrFail(HWND window);
// The record of any handle ever handed out, gone or not; null for anything else.
WindowRecord* FindAny(HWND window);
// "0x..." for the notes of unmodelled calls.
std::string Hex(unsigned long value);
// The atom of a name (case-insensitive), added when new.
ATOM AtomOf(const std::string& name);

// Calls the window's procedure without the lock and records the call; 0 for a window that is gone.
// A window of another process keeps the message instead.
LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool dispatched);
// Activation of a top-level window of the calling thread, and its loss, with the messages the
// platform sends.
void Activate(HWND window);
void Deactivate(HWND window, bool appLosesActivation);
// Removes the posted and input messages for the windows of `handles` from every queue.
void FlushMessagesFor(const std::vector<HWND>& handles);
// Destroys a window and its descendants with the platform's messages; the caller has checked it.
void DestroyTree(HWND window);
// The end of the program's process: its windows are gone without messages, its classes
// unregistered, the queues dropped.
void EndProgramWindows();

// The input script (user_input.cpp), run by GetMessageA on the thread that waits.
void CountGetMessage();
// A step that does not wait for an idle queue, when its condition holds; one that waits for
// frames only once `queueWaiting` is false (the input of earlier steps, and the messages posted
// for them, have been taken).
bool RunDueInputStep(bool queueWaiting);
bool RunIdleInputStep();  // a step that waits for an idle queue
bool InputStepWaitsForFrames();
std::string NextInputStep();  // for the message that stops a hanging test
std::chrono::milliseconds MessageWaitLimit();
void ResetInput();

}  // namespace winsim::detail
