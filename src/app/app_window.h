// AppWindowProc: the application inside the saver window — it builds the saver at creation,
// switches drawing with activation and power, prepares closing and tears down at destruction.
#pragma once

#include "platform/win32.h"

// Called by SaverWindowProc for every message it does not answer itself; passes what it does not
// consume on to SaverDefaultProc. Window thread.
LRESULT AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What the application does not consume goes back to the saver frame: its closing rules, then
// DefWindowProcA. Defined by the frame (frame/saver_window.cpp), whose procedure calls the
// application's; declared here, where it is called.
LRESULT SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The WM_CREATE sequence: 0 when the saver runs, -1 (after telling the user why) when not.
LRESULT CreateSaver(HWND window);
