// winsim: registry values — RegQueryValueExA and RegSetValueExA, any type and size.
#include <cstring>

#include "registry_state.h"
#include "windows.h"

namespace winsim::detail {

RegistryKey::Value* FindValue(RegistryKey& key, const std::string& name) {
  for (auto& value : key.values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

}  // namespace winsim::detail

namespace {
using winsim::RegistryCall;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

LONG Finish(RegistryCall call, const std::string& path, const std::string& name, LONG result, DWORD type = 0,
            std::vector<unsigned char> bytes = {}) {
  winsim::detail::RecordRegistryCall({call, path, name, result, type, std::move(bytes)});
  return result;
}

}  // namespace

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  const std::string valueName = name != nullptr ? name : "";
  if (reserved != nullptr || (data != nullptr && size == nullptr))
    return Finish(RegistryCall::kQueryValue, "", valueName, ERROR_INVALID_PARAMETER);
  Guard guard(S().lock);
  winsim::detail::OpenKey* open = winsim::detail::LookupKey("RegQueryValueExA", key);
  if (open == nullptr) return Finish(RegistryCall::kQueryValue, "", valueName, ERROR_INVALID_HANDLE);
  const std::string& path = open->key->path;
  if ((open->access & KEY_QUERY_VALUE) == 0)
    return Finish(RegistryCall::kQueryValue, path, valueName, ERROR_ACCESS_DENIED);
  const LONG fault = winsim::detail::StrikeRegistryFault(RegistryCall::kQueryValue, path, valueName);
  if (fault != ERROR_SUCCESS) return Finish(RegistryCall::kQueryValue, path, valueName, fault);
  const auto* value = winsim::detail::FindValue(*open->key, valueName);
  if (value == nullptr) return Finish(RegistryCall::kQueryValue, path, valueName, ERROR_FILE_NOT_FOUND);
  const auto& bytes = value->data.bytes;
  if (type != nullptr) *type = value->data.type;
  if (data != nullptr) {
    if (bytes.size() > *size) {
      // The platform leaves the buffer undefined; poison shows a caller that reads it anyway.
      std::memset(data, 0xAA, *size);
      *size = static_cast<DWORD>(bytes.size());
      return Finish(RegistryCall::kQueryValue, path, valueName, ERROR_MORE_DATA);
    }
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  }
  if (size != nullptr) *size = static_cast<DWORD>(bytes.size());
  return Finish(RegistryCall::kQueryValue, path, valueName, ERROR_SUCCESS);
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  const char* call = "RegSetValueExA";
  if (reserved != 0) winsim::Unmodelled(call, "a reserved argument that is not 0");
  if (data == nullptr && size != 0) winsim::Unmodelled(call, "no data for a value of some size");
  const std::string valueName = name != nullptr ? name : "";
  std::vector<unsigned char> bytes(data, data + size);
  Guard guard(S().lock);
  winsim::detail::OpenKey* open = winsim::detail::LookupKey(call, key);
  if (open == nullptr) return Finish(RegistryCall::kSetValue, "", valueName, ERROR_INVALID_HANDLE, type, bytes);
  const std::string& path = open->key->path;
  if ((open->access & KEY_SET_VALUE) == 0)
    return Finish(RegistryCall::kSetValue, path, valueName, ERROR_ACCESS_DENIED, type, bytes);
  const LONG fault = winsim::detail::StrikeRegistryFault(RegistryCall::kSetValue, path, valueName);
  if (fault != ERROR_SUCCESS) return Finish(RegistryCall::kSetValue, path, valueName, fault, type, bytes);
  auto* value = winsim::detail::FindValue(*open->key, valueName);
  if (value == nullptr) {
    open->key->values.push_back({valueName, {type, bytes}});
  } else {
    value->data = {type, bytes};
  }
  return Finish(RegistryCall::kSetValue, path, valueName, ERROR_SUCCESS, type, std::move(bytes));
}
