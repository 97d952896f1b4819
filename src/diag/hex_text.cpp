// Hexadecimal numbers in text.
#include "diag/hex_text.h"

char* WriteHex(char* out, uint32_t value, int width, char pad, bool upperCase) {
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[8];
  int count = 0;
  do {
    reversed[count++] = digits[value & 0xFu];
    value >>= 4;
  } while (value != 0);
  for (int i = count; i < width; ++i) *out++ = pad;
  while (count > 0) *out++ = reversed[--count];
  *out = '\0';
  return out;
}
