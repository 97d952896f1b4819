// The one door to the platform: Win32, DirectDraw, the common controls and the multimedia timer,
// exactly as published. Nothing of a C runtime: the program runs without one.
// On Windows these are the MinGW-w64 headers; on the Linux host, winsim's headers of the same names.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <mmsystem.h>
#include <commctrl.h>

// The screen-saver message with which a saver asks its password verifier whether it may close
// (published with the screen-saver library's header, which the program does not use).
constexpr UINT SCRM_VERIFYPW = 32768;
