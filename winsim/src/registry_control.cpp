// winsim: the registry's control API — seeding and reading keys and values, the call record, the
// scripted faults — and its part of Reset.
#include <cstring>

#include "registry_state.h"
#include "settings_reset.h"
#include "windows.h"

namespace winsim::detail {

RegistryState& R() {
  static auto* state = new RegistryState;  // never destroyed: the program may still close keys
  return *state;
}

LONG StrikeRegistryFault(RegistryCall call, const std::string& keyPath, const std::string& name) {
  for (auto& fault : R().faults) {
    if (fault.call != call || fault.count == 0) continue;
    if (fault.keyPath != "*" && !SameName(fault.keyPath, keyPath)) continue;
    const bool valueCall = call == RegistryCall::kQueryValue || call == RegistryCall::kSetValue;
    if (valueCall && fault.name != "*" && !SameName(fault.name, name)) continue;
    if (fault.skip > 0) {
      --fault.skip;
      continue;
    }
    --fault.count;
    return fault.error;
  }
  return ERROR_SUCCESS;
}

void RecordRegistryCall(RegistryCallRecord record) { R().calls.push_back(std::move(record)); }

void ResetRegistry() {
  auto& r = R();
  r.root.subKeys.clear();
  r.root.values.clear();
  CloseAllKeys();
  r.calls.clear();
  r.faults.clear();
}

}  // namespace winsim::detail

namespace {
using winsim::detail::R;
using winsim::detail::RegistryKey;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

RegistryKey* Existing(const std::string& keyPath) { return winsim::detail::FindKey(R().root, keyPath); }

}  // namespace

namespace winsim {

void SetRegistryValue(const std::string& keyPath, const std::string& name, DWORD type,
                      const std::vector<unsigned char>& bytes) {
  Guard guard(S().lock);
  RegistryKey* key = detail::MakeKey(R().root, keyPath, nullptr);
  auto* value = detail::FindValue(*key, name);
  if (value == nullptr) {
    key->values.push_back({name, {type, bytes}});
  } else {
    value->data = {type, bytes};
  }
}

void SetRegistryDword(const std::string& keyPath, const std::string& name, DWORD value) {
  std::vector<unsigned char> bytes(4);
  std::memcpy(bytes.data(), &value, 4);  // little-endian, as on the platform
  SetRegistryValue(keyPath, name, REG_DWORD, bytes);
}

bool RegistryKeyExists(const std::string& keyPath) {
  Guard guard(S().lock);
  return Existing(keyPath) != nullptr;
}

bool GetRegistryValue(const std::string& keyPath, const std::string& name, RegistryData* value) {
  Guard guard(S().lock);
  RegistryKey* key = Existing(keyPath);
  const auto* found = key != nullptr ? detail::FindValue(*key, name) : nullptr;
  if (found == nullptr) return false;
  if (value != nullptr) *value = found->data;
  return true;
}

DWORD RegistryDword(const std::string& keyPath, const std::string& name, DWORD missing) {
  RegistryData value;
  if (!GetRegistryValue(keyPath, name, &value) || value.type != REG_DWORD || value.bytes.size() != 4) return missing;
  DWORD number;
  std::memcpy(&number, value.bytes.data(), 4);
  return number;
}

std::vector<std::string> RegistrySubKeys(const std::string& keyPath) {
  Guard guard(S().lock);
  std::vector<std::string> names;
  if (RegistryKey* key = Existing(keyPath)) {
    for (const auto& sub : key->subKeys) names.push_back(sub->name);
  }
  return names;
}

std::vector<std::string> RegistryValueNames(const std::string& keyPath) {
  Guard guard(S().lock);
  std::vector<std::string> names;
  if (RegistryKey* key = Existing(keyPath)) {
    for (const auto& value : key->values) names.push_back(value.name);
  }
  return names;
}

const std::vector<RegistryCallRecord>& RegistryCalls() { return R().calls; }

std::vector<std::string> RegistryWrites() {
  Guard guard(S().lock);
  std::vector<std::string> writes;
  for (const auto& call : R().calls) {
    if (call.call != RegistryCall::kSetValue || call.result != ERROR_SUCCESS) continue;
    std::string line = call.keyPath + "\\" + call.name + "=";
    if (call.type == REG_DWORD && call.bytes.size() == 4) {
      DWORD number;
      std::memcpy(&number, call.bytes.data(), 4);
      line += std::to_string(number);
    } else {
      line += "<type " + std::to_string(call.type) + ", " + std::to_string(call.bytes.size()) + " bytes>";
    }
    writes.push_back(line);
  }
  return writes;
}

void FailRegistry(RegistryCall call, const std::string& keyPath, const std::string& name, LONG error, int count,
                  int skip) {
  Guard guard(S().lock);
  R().faults.push_back({call, keyPath, name, error, count, skip});
}

int OpenRegistryKeys() {
  Guard guard(S().lock);
  return detail::CountOpenKeys();
}

}  // namespace winsim
