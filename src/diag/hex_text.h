// Hexadecimal numbers in text, for the few places that show a code or a GUID part. Portable: no
// platform header.
#pragma once

#include <cstdint>

// Writes `value` in hexadecimal at `out`, at least `width` characters wide (at most 8 digits are
// ever needed), padded on the left with `pad`, with upper- or lower-case digits, then a NUL.
// Returns the address of that NUL. `out` must have room for max(width, 8) + 1 characters.
char* WriteHex(char* out, uint32_t value, int width, char pad, bool upperCase);
