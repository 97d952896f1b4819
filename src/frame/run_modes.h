// The program's entry and its run modes: the full-screen saver and the preview (RunSaver), the
// configuration dialog and the password change.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The program's entry: reads the command line, runs the mode it names and ends the process with
// the mode's result. Never returns.
[[noreturn]] void SaverMain();

// Runs the mode that `text` (the command line behind the program name) names; the exit code.
int32_t DispatchRunMode(HINSTANCE module, const char* text);
// The decimal number at the start of `text` as a window handle; none when there is no digit.
HWND ParseWindowHandle(const char* text);
// Creates the saver window (full screen without a parent, else the preview inside `parent`) and
// runs its message loop: the quit code, or kNoWindowExitCode when no window could be made.
int32_t RunSaver(HWND parent);
// The configuration dialog, modal to `owner` (may be none): what DialogBoxParamA answers.
int32_t ShowConfiguration(HWND owner);
// Hands the screen-saver password change to the system's password service, if it has one.
void ChangePassword(HWND owner);

// The exit code of a run whose saver window could not be created (the user has already been told
// why) and of a run that a fault ended.
constexpr int32_t kNoWindowExitCode = -1;
constexpr int32_t kFaultExitCode = -1;
