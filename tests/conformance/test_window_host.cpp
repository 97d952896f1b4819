// On the host, the conformance tests' window is a winsim test window.
#include "test_window.h"
#include "winsim/control.h"

HWND MakeTestWindow() { return winsim::CreateTestWindow({0, 0}); }
