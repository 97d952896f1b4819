// A window for the DirectDraw conformance tests to hand SetCooperativeLevel: a real one on Windows,
// a winsim test window on the host.
#pragma once

#include "platform/win32.h"

// Made on first use and kept for the rest of the run.
HWND MakeTestWindow();
