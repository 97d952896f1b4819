// winsim's control API for the registry: seed keys and values of any type and size, read back what
// the program stored and in which order, and make any key or value operation fail.
#pragma once

#include <string>
#include <vector>

#include "winsim/win_registry.h"

namespace winsim {

// Key paths are relative to HKEY_CURRENT_USER, parts joined by backslashes
// ("Software\\Brenmoor\\Sarvello"); "" is HKEY_CURRENT_USER itself. Names of keys and values are
// compared case-insensitively, as on the platform. Reset empties the tree.

// Stores a value (creating the key and its parents), whatever its type and size.
void SetRegistryValue(const std::string& keyPath, const std::string& name, DWORD type,
                      const std::vector<unsigned char>& bytes);
void SetRegistryDword(const std::string& keyPath, const std::string& name, DWORD value);
bool RegistryKeyExists(const std::string& keyPath);
struct RegistryData {
  DWORD type;
  std::vector<unsigned char> bytes;
};
// The stored value; false when the key or the value is missing.
bool GetRegistryValue(const std::string& keyPath, const std::string& name, RegistryData* value);
// The value as a number when it is stored as REG_DWORD of 4 bytes; otherwise `missing`.
DWORD RegistryDword(const std::string& keyPath, const std::string& name, DWORD missing = 0xDEADBEEF);
// Names in the order they were first created.
std::vector<std::string> RegistrySubKeys(const std::string& keyPath);
std::vector<std::string> RegistryValueNames(const std::string& keyPath);

// Every registry call the program made, in order, with its result. keyPath is the key the call
// works on (for RegCreateKeyExA and the opens, the key to be created or opened) as the program
// spelled it, joined to the path of the key handle it was relative to; name, type and bytes are
// those of RegSetValueExA (name also of RegQueryValueExA).
enum class RegistryCall { kCreateKey, kOpenKey, kQueryValue, kSetValue, kCloseKey };
struct RegistryCallRecord {
  RegistryCall call;
  std::string keyPath;
  std::string name;
  LONG result;
  DWORD type;
  std::vector<unsigned char> bytes;
};
const std::vector<RegistryCallRecord>& RegistryCalls();
// The successful RegSetValueExA calls, in order, as "key path\\value name=number" for REG_DWORD
// values of 4 bytes and "key path\\value name=<type T, N bytes>" for others — handy to compare
// whole runs.
std::vector<std::string> RegistryWrites();

// The next `count` calls of `call` (after `skip` that match and behave normally) whose key path
// matches `keyPath` and, for value calls, whose value name matches `name`, fail with `error`
// without doing anything. "*" matches every key or every name. A failed RegCloseKey leaves the
// handle open.
void FailRegistry(RegistryCall call, const std::string& keyPath, const std::string& name, LONG error, int count = 1,
                  int skip = 0);

// Key handles opened or created and not yet closed: 0 once the program closed all it opened.
int OpenRegistryKeys();

}  // namespace winsim
