// Creating the settings' keys and reading and writing their 32-bit values.
#include "settings/registry_dword.h"

#include <cstring>
#include <memory>
#include <new>

bool CreateSettingsKey(HKEY parent, const char* name, HKEY* key, DWORD* disposition) {
  char noClass[] = "";
  return RegCreateKeyExA(parent, name, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                         disposition) == ERROR_SUCCESS;
}

bool ReadDword(HKEY key, const char* name, uint32_t* value) {
  unsigned char bytes[4];
  DWORD size = sizeof bytes;
  LONG result = RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size);
  if (result == ERROR_MORE_DATA) {
    // A longer value still starts with a number; fetch it whole to take its first 4 bytes, since
    // a short read leaves the buffer undefined.
    std::unique_ptr<unsigned char[]> whole(new (std::nothrow) unsigned char[size]);
    if (whole == nullptr) return false;
    DWORD wholeSize = size;
    result = RegQueryValueExA(key, name, nullptr, nullptr, whole.get(), &wholeSize);
    if (result != ERROR_SUCCESS || wholeSize < sizeof bytes) return false;
    std::memcpy(bytes, whole.get(), sizeof bytes);
  } else if (result != ERROR_SUCCESS || size < sizeof bytes) {
    return false;
  }
  *value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

bool WriteDword(HKEY key, const char* name, uint32_t value) {
  const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                         static_cast<BYTE>(value >> 24)};
  return RegSetValueExA(key, name, 0, REG_DWORD, bytes, sizeof bytes) == ERROR_SUCCESS;
}
