// ScreenKeyName: a screen's registry sub-key name from its GUID.
#include "settings/screen_key_name.h"

#include "diag/hex_text.h"

namespace {

char keyName[1024];

// One part of the name: `digits` wide, blank-padded hexadecimal, or all zeros for zero.
char* Part(char* out, unsigned value, int digits) {
  if (value == 0) {
    for (int i = 0; i < digits; ++i) *out++ = '0';
    *out = '\0';
    return out;
  }
  return WriteHex(out, value, digits, ' ', true);
}

}  // namespace

const char* ScreenKeyName(const ScreenRecord* screen) {
  const GUID& guid = screen->guid;
  char* out = keyName;
  out = Part(out, guid.Data1, 8);
  *out++ = '-';
  out = Part(out, guid.Data2, 4);
  *out++ = '-';
  out = Part(out, guid.Data3, 4);
  *out++ = '-';
  out = Part(out, guid.Data4[0], 2);
  out = Part(out, guid.Data4[1], 2);
  *out++ = '-';
  for (int i = 2; i < 8; ++i) out = Part(out, guid.Data4[i], 2);
  return keyName;
}
