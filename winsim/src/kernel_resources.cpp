// winsim: FindResourceA/LoadResource/LockResource/SizeofResource over the program's own embedded
// resources (generated from resources/sarvello.rc), with per-test overrides; the module is null or
// the program's own handle.
#include <strings.h>

#include <memory>

#include "resource_table.h"
#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

// A found resource; handed out as HRSRC and, since resources need no loading, as HGLOBAL too.
struct Found {
  const unsigned char* bytes;
  DWORD size;
  std::vector<unsigned char> copy;  // an override's bytes, copied so a later override moves nothing
};

std::string UpperType(const std::string& type) {
  std::string upper = type;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Every Found handed out stays valid until the process ends, as resources do on the platform.
std::vector<std::unique_ptr<Found>>& Handed() {
  static auto* handed = new std::vector<std::unique_ptr<Found>>;
  return *handed;
}

}  // namespace

namespace winsim {

void OverrideResource(const std::string& type, int id, const std::vector<unsigned char>& bytes) {
  Guard guard(S().lock);
  S().resourceOverrides[{UpperType(type), id}] = {bytes, false};
}

void RemoveResource(const std::string& type, int id) {
  Guard guard(S().lock);
  S().resourceOverrides[{UpperType(type), id}] = {{}, true};
}

}  // namespace winsim

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (module != nullptr && module != winsim::ProgramModule())
    winsim::Unmodelled("FindResourceA", "a module other than the program's own");
  if (name == nullptr || type == nullptr) winsim::Unmodelled("FindResourceA", "null name or type");
  if (!IS_INTRESOURCE(name)) winsim::Unmodelled("FindResourceA", "a resource named by text");
  if (IS_INTRESOURCE(type)) winsim::Unmodelled("FindResourceA", "a predefined resource type");
  const int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  const std::string wanted = UpperType(type);

  Guard guard(S().lock);
  auto& overrides = S().resourceOverrides;
  const auto over = overrides.find({wanted, id});
  if (over != overrides.end() && !over->second.removed) {
    auto found = std::make_unique<Found>(Found{nullptr, 0, over->second.bytes});
    found->bytes = found->copy.data();
    found->size = static_cast<DWORD>(found->copy.size());
    Handed().push_back(std::move(found));
    return reinterpret_cast<HRSRC>(Handed().back().get());
  }
  bool typeSeen = false;
  for (unsigned i = 0; i < winsim::kProgramResourceCount; ++i) {
    const auto& r = winsim::kProgramResources[i];
    if (strcasecmp(r.type, type) != 0) continue;
    typeSeen = true;
    if (r.id != id || over != overrides.end()) continue;
    Handed().push_back(std::make_unique<Found>(Found{r.bytes, r.size, {}}));
    return reinterpret_cast<HRSRC>(Handed().back().get());
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
  if (module != nullptr && module != winsim::ProgramModule())
    winsim::Unmodelled("LoadResource", "a module other than the program's own");
  return static_cast<HGLOBAL>(resource);  // null in, null out, as on the platform
}

LPVOID WINAPI LockResource(HGLOBAL data) {
  if (data == nullptr) return nullptr;
  return const_cast<unsigned char*>(static_cast<Found*>(data)->bytes);
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
  if (module != nullptr && module != winsim::ProgramModule())
    winsim::Unmodelled("SizeofResource", "a module other than the program's own");
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<Found*>(resource)->size;
}
