// The saver window's own behaviour: the class procedure that sees every message first, the default
// handling with the closing rules (declared where the application calls it), and the password
// question before closing.
#pragma once

#include <cstdint>

#include "app/app_window.h"  // SaverDefaultProc, the frame's handling the application calls
#include "platform/win32.h"

// The class procedure of "WindowsScreenSaverClass": answers what the frame handles itself and hands
// the rest to the application's AppWindowProc.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Asks the password verifier (95/98 family) whether the saver may close; non-zero when it may.
int32_t ConfirmClose(HWND window);
