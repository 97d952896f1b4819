// The one door to the platform: Win32, the C runtime's low-level file calls, and (as the program
// grows) DirectDraw, the common controls and the multimedia timer, exactly as published.
// On Windows these are the MinGW-w64 headers; on the Linux host, winsim's headers of the same names.
#pragma once

#include <windows.h>
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <ddraw.h>
#include <mmsystem.h>
#include <process.h>
#include <commctrl.h>
