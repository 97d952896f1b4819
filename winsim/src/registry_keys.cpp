// winsim: the registry's key tree and key handles — RegCreateKeyExA, RegOpenKeyExA, RegOpenKeyA and
// RegCloseKey.
#include <strings.h>

#include "registry_state.h"
#include "windows.h"

namespace winsim::detail {

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

namespace {

// The parts of a relative key path; the platform refuses empty parts, which winsim does not model.
std::vector<std::string> Parts(const char* call, const std::string& path) {
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  size_t start = 0;
  while (true) {
    const size_t end = path.find('\\', start);
    const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty()) Unmodelled(call, "a key path with an empty part: \"" + path + "\"");
    parts.push_back(part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

RegistryKey* Child(RegistryKey& key, const std::string& name) {
  for (auto& sub : key.subKeys) {
    if (SameName(sub->name, name)) return sub.get();
  }
  return nullptr;
}

}  // namespace

RegistryKey* FindKey(RegistryKey& from, const std::string& path) {
  RegistryKey* key = &from;
  for (const auto& part : Parts("registry", path)) {
    key = Child(*key, part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryKey* MakeKey(RegistryKey& from, const std::string& path, bool* created) {
  RegistryKey* key = &from;
  bool made = false;
  for (const auto& part : Parts("RegCreateKeyExA", path)) {
    RegistryKey* next = Child(*key, part);
    made = next == nullptr;
    if (made) {
      auto added = std::make_unique<RegistryKey>();
      added->name = part;
      added->path = key->path.empty() ? part : key->path + "\\" + part;
      next = added.get();
      key->subKeys.push_back(std::move(added));
    }
    key = next;
  }
  if (created != nullptr) *created = made;
  return key;
}

}  // namespace winsim::detail

namespace {
using winsim::RegistryCall;
using winsim::detail::OpenKey;
using winsim::detail::R;
using winsim::detail::RegistryKey;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

// Key handles look like the small values the platform hands out: multiples of 4 from 0x1000.
constexpr uintptr_t kFirstHandle = 0x1000;

bool IsPredefined(HKEY key) {
  const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  return (value & 0xFFFFFFF0u) == 0x80000000u;
}

// The key a handle names and the access it was opened with; null for a stale or made-up handle.
OpenKey* Lookup(const char* call, HKEY key) {
  static OpenKey root;
  if (key == HKEY_CURRENT_USER) {
    root = {&R().root, KEY_ALL_ACCESS};
    return &root;
  }
  if (IsPredefined(key)) winsim::Unmodelled(call, "a predefined key other than HKEY_CURRENT_USER");
  const auto value = reinterpret_cast<uintptr_t>(key);
  if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return nullptr;
  const size_t index = (value - kFirstHandle) / 4;
  if (index >= R().handles.size() || R().handles[index].key == nullptr) return nullptr;
  return &R().handles[index];
}

HKEY NewHandle(RegistryKey* key, REGSAM access) {
  R().handles.push_back({key, access});
  return reinterpret_cast<HKEY>(kFirstHandle + 4 * (R().handles.size() - 1));
}

void CheckAccess(const char* call, REGSAM access) {
  if ((access & ~static_cast<REGSAM>(KEY_ALL_ACCESS)) != 0)
    winsim::Unmodelled(call, "access rights " + std::to_string(access));
}

std::string Join(const RegistryKey& parent, const std::string& subKey) {
  if (parent.path.empty()) return subKey;
  return subKey.empty() ? parent.path : parent.path + "\\" + subKey;
}

LONG Finish(RegistryCall call, const std::string& path, LONG result) {
  winsim::detail::RecordRegistryCall({call, path, "", result, 0, {}});
  return result;
}

// RegOpenKeyExA and RegOpenKeyA: a new handle to an existing key.
LONG Open(const char* call, HKEY key, LPCSTR subKey, REGSAM access, PHKEY result) {
  if (result == nullptr) winsim::Unmodelled(call, "no place for the handle");
  CheckAccess(call, access);
  const std::string sub = subKey != nullptr ? subKey : "";
  Guard guard(S().lock);
  OpenKey* parent = Lookup(call, key);
  if (parent == nullptr) return Finish(RegistryCall::kOpenKey, sub, ERROR_INVALID_HANDLE);
  const std::string path = Join(*parent->key, sub);
  const LONG fault = winsim::detail::StrikeRegistryFault(RegistryCall::kOpenKey, path, "");
  if (fault != ERROR_SUCCESS) return Finish(RegistryCall::kOpenKey, path, fault);
  RegistryKey* found = winsim::detail::FindKey(*parent->key, sub);
  if (found == nullptr) return Finish(RegistryCall::kOpenKey, path, ERROR_FILE_NOT_FOUND);
  *result = NewHandle(found, access);
  return Finish(RegistryCall::kOpenKey, path, ERROR_SUCCESS);
}

}  // namespace

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  const char* call = "RegCreateKeyExA";
  if (subKey == nullptr) winsim::Unmodelled(call, "no sub-key name");
  if (reserved != 0) winsim::Unmodelled(call, "a reserved argument that is not 0");
  if (keyClass != nullptr && keyClass[0] != '\0') winsim::Unmodelled(call, "a key class");
  if (options != REG_OPTION_NON_VOLATILE) winsim::Unmodelled(call, "options " + std::to_string(options));
  if (security != nullptr) winsim::Unmodelled(call, "security attributes");
  if (result == nullptr) winsim::Unmodelled(call, "no place for the handle");
  CheckAccess(call, access);
  Guard guard(S().lock);
  OpenKey* parent = Lookup(call, key);
  if (parent == nullptr) return Finish(RegistryCall::kCreateKey, subKey, ERROR_INVALID_HANDLE);
  const std::string path = Join(*parent->key, subKey);
  const LONG fault = winsim::detail::StrikeRegistryFault(RegistryCall::kCreateKey, path, "");
  if (fault != ERROR_SUCCESS) return Finish(RegistryCall::kCreateKey, path, fault);
  bool created = false;
  RegistryKey* made = winsim::detail::MakeKey(*parent->key, subKey, &created);
  *result = NewHandle(made, access);
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return Finish(RegistryCall::kCreateKey, path, ERROR_SUCCESS);
}

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  if (options != 0) winsim::Unmodelled("RegOpenKeyExA", "options " + std::to_string(options));
  return Open("RegOpenKeyExA", key, subKey, access, result);
}

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  // Without a sub-key the platform hands back the very handle it was given.
  if (subKey == nullptr || subKey[0] == '\0') {
    if (result == nullptr) winsim::Unmodelled("RegOpenKeyA", "no place for the handle");
    Guard guard(S().lock);
    const OpenKey* open = Lookup("RegOpenKeyA", key);
    if (open == nullptr) return Finish(RegistryCall::kOpenKey, "", ERROR_INVALID_HANDLE);
    *result = key;
    return Finish(RegistryCall::kOpenKey, open->key->path, ERROR_SUCCESS);
  }
  return Open("RegOpenKeyA", key, subKey, KEY_ALL_ACCESS, result);
}

LONG WINAPI RegCloseKey(HKEY key) {
  Guard guard(S().lock);
  if (key == HKEY_CURRENT_USER) return Finish(RegistryCall::kCloseKey, "", ERROR_SUCCESS);
  OpenKey* open = Lookup("RegCloseKey", key);
  if (open == nullptr) return Finish(RegistryCall::kCloseKey, "", ERROR_INVALID_HANDLE);
  const std::string path = open->key->path;
  const LONG fault = winsim::detail::StrikeRegistryFault(RegistryCall::kCloseKey, path, "");
  if (fault != ERROR_SUCCESS) return Finish(RegistryCall::kCloseKey, path, fault);
  open->key = nullptr;
  return Finish(RegistryCall::kCloseKey, path, ERROR_SUCCESS);
}

namespace winsim::detail {

OpenKey* LookupKey(const char* call, HKEY key) { return Lookup(call, key); }

void CloseAllKeys() {
  for (auto& handle : R().handles) handle.key = nullptr;
}

int CountOpenKeys() {
  int open = 0;
  for (const auto& handle : R().handles) open += handle.key != nullptr;
  return open;
}
}  // namespace winsim::detail
