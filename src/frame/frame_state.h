// The saver frame's process-wide state: what the entry learnt about the platform and the command
// line, the saver window, and the closing and password state of the saver window. Window thread.
#pragma once

#include <cstdint>

#include "platform/win32.h"

using VerifyScreenSavePwdProc = BOOL(WINAPI*)(HWND window);
// The input-method context is an opaque handle to the frame.
using InputContext = HANDLE;
using ImmAssociateContextProc = InputContext(WINAPI*)(HWND window, InputContext context);

extern HINSTANCE Module;
extern int32_t IsWin9x;       // 1 on the Windows 95/98 family
extern int32_t IsPreview;     // 1 when the saver window is the child of a preview window
extern UINT AutoPlayMessage;  // "QueryCancelAutoPlay" on the 95/98 family, else 0
extern HWND SaverWindow;

extern int32_t Closing;          // 1 once closing was granted; never cleared
extern int32_t Verifying;        // 1 while the password verifier is asked
extern uint32_t LastVerifyTick;  // end of the last verification; kNoVerifyYet before the first
extern POINT CloseMousePos;      // movement that closes the saver is measured from here

extern HMODULE PasswordLibrary;
extern VerifyScreenSavePwdProc PasswordVerifier;
extern HMODULE ImeLibrary;
extern ImmAssociateContextProc ImmAssociate;
extern InputContext SavedImeContext;

constexpr uint32_t kNoVerifyYet = 0xFFFFFFFFu;
// A verification is not repeated within this many milliseconds of the end of the previous one.
constexpr uint32_t kVerifyRepeatMs = 200;
// The cursor must move further than this (sum of both axes) to close the saver.
constexpr uint32_t kCloseDistance = 4;
