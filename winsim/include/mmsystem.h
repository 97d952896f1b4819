// winsim: the multimedia timer the drawing thread paces its frames with (<mmsystem.h>).
#pragma once

#include "winsim/win_types.h"

// Milliseconds on the system clock, wrapping modulo 2^32 (see winsim/clock_control.h).
DWORD WINAPI timeGetTime();
