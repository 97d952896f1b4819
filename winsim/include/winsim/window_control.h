// winsim's control API for the window model and the process: windows of other processes, what the
// program's windows are and received, the message queues, cursor and system parameters, the
// platform's family, the command line and the clock, the optional system libraries, scripted user
// input and the run of the program as a process.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "winsim/win_process.h"
#include "winsim/win_types.h"
#include "winsim/win_window.h"

namespace winsim {

// --- windows ----------------------------------------------------------------------------------
// A window of another process, such as the display settings' preview window or a saver that is
// already running: FindWindowA, IsWindow, GetClientRect and the rest see it; the program may post
// and send to it (kept in ReceivedByOtherProcess) but cannot destroy it.
struct OtherProcessWindow {
  std::string className = "WinsimOtherProcess";
  std::string title;
  DWORD style = WS_POPUP | WS_VISIBLE;
  RECT rect = {0, 0, 640, 480};  // screen coordinates; for a child, relative to the parent's client area
  HWND parent = nullptr;
};
HWND CreateOtherProcessWindow(const OtherProcessWindow& window);
// Its process destroys it: the program's child windows get WM_DESTROY and WM_NCDESTROY, from the
// thread that calls this (an input-script step runs on the program's window thread).
void DestroyOtherProcessWindow(HWND window);
// Posted and sent messages that reached a window of another process, in order.
std::vector<MSG> ReceivedByOtherProcess(HWND window);
// A top-level window of another process (640 x 480) whose client area starts at `clientOrigin`.
HWND CreateTestWindow(POINT clientOrigin);

// Every window created since Reset, also the destroyed ones, in creation order.
struct WindowInfo {
  HWND handle;
  std::string className;
  std::string title;  // set by DefWindowProcA at WM_NCCREATE, as on the platform
  DWORD style;        // as given to CreateWindowExA
  DWORD exStyle;
  bool visible;  // shown and not hidden since (DestroyWindow hides)
  HWND parent;
  RECT windowRect;  // screen coordinates; the client area is the whole window (popup and child windows)
  bool otherProcess;
  bool created;  // CreateWindowExA handed it to the program
  bool alive;    // not destroyed yet
};
std::vector<WindowInfo> Windows();
WindowInfo WindowOf(HWND window);  // stops the test loudly for a handle never handed out

// The window classes the program registered, in order.
struct WindowClassInfo {
  std::string name;
  ATOM atom;
  WNDCLASSA fields;  // lpszClassName and lpszMenuName point to nothing after RegisterClassA
};
std::vector<WindowClassInfo> WindowClasses();

// Every call of a window procedure that winsim made, in order: sent (CreateWindowExA, SendMessageA,
// DestroyWindow, DefWindowProcA's own messages, activation, input-script sends) or dispatched
// (DispatchMessageA). The result is filled in when the procedure returns.
struct MessageRecord {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;
  bool dispatched;
};
std::vector<MessageRecord> MessagesTo(HWND window);

// The posted messages waiting in the queue of the thread that owns `window` (input included), for
// that window; with no window, the waiting thread messages of the calling thread.
std::vector<MSG> QueuedMessages(HWND window);

// WM_SYSCOMMAND commands that reached DefWindowProcA, as (wParam, lParam); SC_MONITORPOWER there
// is the request to change the monitor's power state.
std::vector<std::pair<WPARAM, LPARAM>> DefaultSysCommands();

// --- cursor, device context, system parameters ------------------------------------------------
// The position GetCursorPos reports (start: 512, 384).
void SetCursorPosition(POINT point);
POINT CursorPosition();
// The shape SetCursor made current (null: none), the number of SetCursor calls, and the display
// count of ShowCursor (start 0: the cursor shows while it is 0 or more).
HCURSOR CurrentCursor();
int SetCursorCalls();
int CursorDisplayCount();
// GetDC(NULL) calls not yet matched by ReleaseDC.
int OpenScreenDCs();
struct SystemParametersRecord {
  UINT action;
  UINT uiParam;
  bool pvParamGiven;
  UINT winIni;
};
std::vector<SystemParametersRecord> SystemParametersCalls();
// What the system believes after SPI_SETSCREENSAVERRUNNING (start: FALSE).
bool ScreenSaverRunning();

// --- the platform ------------------------------------------------------------------------------
// The family and version GetVersionExA reports (start: kWindows2000).
enum class Platform { kWindows95, kWindows98, kWindowsNT4, kWindows2000 };
void SetPlatform(Platform platform);
// What GetCommandLineA answers (start: "SARVELLO.SCR"); the text stays put until the next call.
void SetCommandLine(const std::string& commandLine);
// The handle GetModuleHandleA(NULL) gives the program: its own module, whose resources winsim has.
HMODULE ProgramModule();

// --- the optional system libraries (start: all three absent) ----------------------------------
// kPresent: the library loads and exports its function; kWithoutExport: it loads without it.
enum class LibraryState { kAbsent, kPresent, kWithoutExport };
// PASSWORD.CPL's VerifyScreenSavePwd(window) answers from `answers` in order (running out stops the
// test); `whileAsking` runs inside each call with the window, while the password dialog would be
// up: it may post, send and pump messages as the dialog's own loop would.
void SetPasswordCpl(LibraryState state, std::vector<BOOL> answers = {}, std::function<void(HWND)> whileAsking = {});
std::vector<HWND> VerifyScreenSavePwdCalls();
// MPR.DLL's PwdChangePasswordA answers `result`.
void SetMpr(LibraryState state, DWORD result = 0);
struct PwdChangePasswordRecord {
  std::string provider;
  HWND window;
  DWORD reserved1;
  DWORD reserved2;
};
std::vector<PwdChangePasswordRecord> PwdChangePasswordCalls();
// IMM32.DLL; `loadedInProcess`: it is in the process from the start, so GetModuleHandleA finds it
// without a LoadLibraryA. ImmAssociateContext answers the window's previous context; every window
// starts with DefaultInputContext().
void SetImm32(LibraryState state, bool loadedInProcess);
struct ImmAssociateContextRecord {
  HWND window;
  HIMC context;
  HIMC previous;
};
std::vector<ImmAssociateContextRecord> ImmAssociateContextCalls();
HIMC DefaultInputContext();
HIMC InputContextOf(HWND window);

// --- scripted user input ----------------------------------------------------------------------
// A script is a list of steps run in order, each when its condition holds, by GetMessageA on the
// thread that waits for messages (the program's window thread): the step runs there, before
// GetMessageA looks at the queue again, as input and the system's messages arrive on the platform.
// A step that waits for frames runs only once the queue is empty, the input of earlier steps and
// the messages posted meanwhile (the close a key asked for) taken: frames come at the drawing
// thread's pace, and two steps a frame apart may both be due at one look.
struct InputCondition {
  enum class Kind { kIdle, kGetMessageCalls, kFrames };
  Kind kind;
  int count;
  int monitor;
};
// When GetMessageA finds nothing to give.
InputCondition WhenIdle();
// In the `calls`-th GetMessageA call since ScriptInput (or the first one after it), before it
// looks at the queue.
InputCondition AfterGetMessageCalls(int calls);
// Once PresentedFrames(monitor) has reached `frames`; monitor -1: every monitor has. GetMessageA
// looks again every millisecond while the queue is empty.
InputCondition AfterFrames(int frames, int monitor = -1);

// What a step does to its target window. Input goes into the target thread's input queue (taken
// after posted messages); the system's messages are sent, and their answer recorded.
struct InputAction {
  std::string what;
  std::function<LRESULT(HWND target)> apply;
  bool targeted = true;  // false: runs without a window (Call)
};
InputAction PressKey(WORD key);  // WM_KEYDOWN, WM_KEYUP
enum class MouseButton { kLeft, kRight, kMiddle };
InputAction Click(MouseButton button);  // button down and up where the cursor is
InputAction MoveMouse(POINT to);        // the cursor moves to `to` (screen), then WM_MOUSEMOVE
// Another application takes the foreground: WM_ACTIVATE (WA_INACTIVE), then WM_ACTIVATEAPP
// (FALSE). SwitchBack: the target becomes the foreground again, WM_ACTIVATEAPP (TRUE) first.
InputAction SwitchAway();
InputAction SwitchBack();
InputAction Send(UINT message, WPARAM wParam, LPARAM lParam);
InputAction Post(UINT message, WPARAM wParam, LPARAM lParam);
InputAction PowerBroadcast(WPARAM event);  // WM_POWERBROADCAST, sent
InputAction MonitorPower(LPARAM state);    // WM_SYSCOMMAND SC_MONITORPOWER, sent
InputAction QueryCancelAutoPlay();         // the registered "QueryCancelAutoPlay" message, sent
InputAction Call(std::function<void()> callback);

// target: the window the step acts on; none means the newest window of the program, made by the
// thread that waits, that still exists (the saver window).
struct InputStep {
  InputCondition when;
  InputAction action;
  HWND target = nullptr;
};
// Replaces the script and starts counting GetMessageA calls from 0.
void ScriptInput(std::vector<InputStep> steps);
struct InputStepRecord {
  std::string what;
  HWND target;
  LRESULT result;  // a sent message's answer; 0 for input, posts and calls
};
std::vector<InputStepRecord> InputStepsRun();
size_t InputStepsLeft();
// How long GetMessageA waits with nothing to give and no step that can fire before it stops the
// test loudly (start: 30 s). A safety net against a hang, never a measure of the program.
void SetMessageWaitLimit(std::chrono::milliseconds limit);

// --- the run of the program as a process ------------------------------------------------------
// Runs `entry` on a fresh thread that plays the process's main thread, with GetCommandLineA
// answering `commandLine`, and returns the code given to ExitProcess (or, when the entry returns,
// 0). When the run ends the program's remaining windows are gone without messages, its window
// classes are unregistered and its thread's queue is dropped, as when a process ends; what it
// left (windows in Windows(), records, loaded-library counts) stays readable.
int RunProgram(const std::function<void()>& entry, const std::string& commandLine);
// Whether the last run ended through ExitProcess.
bool ExitedThroughExitProcess();

}  // namespace winsim
