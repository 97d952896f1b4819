// Shared by the conformance tests: a window to hand SetCooperativeLevel, and whether the Windows
// build runs under Wine (where a documented difference is checked the way Wine answers).
#pragma once

#include "platform/win32.h"

// Made on first use and kept for the rest of the run.
HWND MakeTestWindow();
// False on the host and on Windows itself.
bool RunningUnderWine();
