// winsim: kernel32's process services — the command line, the platform's version, module handles,
// the millisecond tick count and the end of the process.
#pragma once

#include "winsim/win_types.h"

typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

LPSTR WINAPI GetCommandLineA(void);
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info);
HMODULE WINAPI GetModuleHandleA(LPCSTR name);
DWORD WINAPI GetTickCount(void);
// Ends the process with `exitCode`; under winsim, the run of winsim::RunProgram (see
// winsim/window_control.h).
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);
