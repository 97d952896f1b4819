// The name of a screen's registry sub-key, made from its device GUID.
#pragma once

#include "display/screen_list.h"

// 36 characters: the GUID's parts in upper-case hexadecimal, each blank-padded to its width, zero
// parts written as zeros, joined by "-", no braces. The text lives in one process-wide buffer that
// the next call overwrites. Window thread.
const char* ScreenKeyName(const ScreenRecord* screen);
