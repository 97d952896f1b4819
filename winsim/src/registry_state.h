// winsim internals: the in-memory registry shared by its source files — the key tree, the open key
// handles, the call record and the scripted faults.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "state.h"
#include "winsim/registry_control.h"

namespace winsim::detail {

struct RegistryKey {
  std::string name;                                   // as first created
  std::string path;                                   // from HKEY_CURRENT_USER, as first created; "" for the root
  std::vector<std::unique_ptr<RegistryKey>> subKeys;  // in creation order
  struct Value {
    std::string name;
    RegistryData data;
  };
  std::vector<Value> values;  // in creation order
};

struct OpenKey {
  RegistryKey* key = nullptr;  // null once closed
  REGSAM access = 0;
};

struct RegistryFault {
  RegistryCall call;
  std::string keyPath;
  std::string name;
  LONG error;
  int count;
  int skip;
};

struct RegistryState {
  RegistryKey root;              // HKEY_CURRENT_USER
  std::vector<OpenKey> handles;  // handle values are derived from the index and never reused
  std::vector<RegistryCallRecord> calls;
  std::vector<RegistryFault> faults;
};

RegistryState& R();  // guarded by S().lock

bool SameName(const std::string& a, const std::string& b);  // case-insensitive
// The key at `path` below `from`, or null; `path` "" is `from` itself.
RegistryKey* FindKey(RegistryKey& from, const std::string& path);
// Creates the missing keys of `path` below `from`; sets `created` when the last one was new.
RegistryKey* MakeKey(RegistryKey& from, const std::string& path, bool* created);
RegistryKey::Value* FindValue(RegistryKey& key, const std::string& name);
// The error a scripted fault gives this call, or ERROR_SUCCESS.
LONG StrikeRegistryFault(RegistryCall call, const std::string& keyPath, const std::string& name);
void RecordRegistryCall(RegistryCallRecord record);
int CountOpenKeys();
// The key and access behind a handle of the program (HKEY_CURRENT_USER included); null for a
// closed or made-up handle.
OpenKey* LookupKey(const char* call, HKEY key);
// Closes every handle without reusing their values, for Reset.
void CloseAllKeys();

}  // namespace winsim::detail
