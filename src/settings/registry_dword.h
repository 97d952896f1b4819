// The settings' registry primitives: keys created or opened the one way the settings do it, and
// 32-bit values read from whatever is stored and written as REG_DWORD.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// RegCreateKeyExA below `parent`: no class, non-volatile, all access. `disposition` may be null.
// True when `key` is open; the caller closes it.
bool CreateSettingsKey(HKEY parent, const char* name, HKEY* key, DWORD* disposition);

// The first 4 bytes of the stored value, little-endian, whatever its type. False — and `value`
// untouched — when the value is missing, cannot be read or holds fewer than 4 bytes.
bool ReadDword(HKEY key, const char* name, uint32_t* value);

// Stores `value` as a 4-byte REG_DWORD; false when the registry refuses.
bool WriteDword(HKEY key, const char* name, uint32_t value);
