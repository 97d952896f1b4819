// winsim: LoadLibraryA/GetProcAddress/FreeLibrary over a table of libraries that tests script, and
// the module handles of the libraries loaded in the process.
#include <map>

#include "display_reset.h"
#include "display_state.h"
#include "library_table.h"
#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

struct Library {
  int id;  // the module handle is derived from it, so handles stay distinct across replacements
  bool present;
  std::map<std::string, FARPROC> exports;
  int loaded;            // loads minus frees
  bool loadedFromStart;  // in the process before the program asked for it
};

std::map<std::string, Library>& Table() {
  static auto* table = new std::map<std::string, Library>;
  static bool started = false;
  if (!started) {  // the start state, for programs that never call Reset
    started = true;
    winsim::SetDDrawLibrary(winsim::DDrawLibrary::kComplete);
  }
  return *table;
}
int nextId = 1;

// The platform compares module names case-insensitively and reads a name without an extension as
// NAME.DLL.
std::string Key(const std::string& name) {
  std::string key;
  for (char c : name) key += static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const auto slash = key.find_last_of("\\/");
  if (key.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) key += ".DLL";
  return key;
}

HMODULE Handle(const Library& library) {
  return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000000u + 0x10000u * library.id));
}

Library* ByHandle(HMODULE module) {
  for (auto& entry : Table()) {
    if (Handle(entry.second) == module) return &entry.second;
  }
  return nullptr;
}

bool InProcess(const Library& library) { return library.present && (library.loaded > 0 || library.loadedFromStart); }

template <typename Function>
FARPROC AsFarProc(Function function) {
  // Through the one function type that converts to and from every other without a warning.
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

namespace winsim {

void SetLibrary(const std::string& name, bool present, std::map<std::string, FARPROC> exports) {
  Guard guard(S().lock);
  auto& library = Table()[Key(name)];
  if (library.id == 0) library.id = nextId++;
  library.present = present;
  library.exports = std::move(exports);
  if (!present) library.loadedFromStart = false;
}

void RemoveLibrary(const std::string& name) {
  Guard guard(S().lock);
  Table().erase(Key(name));
}

void SetDDrawLibrary(DDrawLibrary kind) {
  std::map<std::string, FARPROC> exports = {{"DirectDrawCreate", AsFarProc(&DirectDrawCreate)},
                                            {"DirectDrawEnumerateA", AsFarProc(&DirectDrawEnumerateA)}};
  if (kind == DDrawLibrary::kComplete) exports["DirectDrawEnumerateExA"] = AsFarProc(&DirectDrawEnumerateExA);
  SetLibrary("ddraw.dll", kind != DDrawLibrary::kMissing, exports);
  Guard guard(S().lock);
  detail::D().directX3 = kind == DDrawLibrary::kDirectX3;
}

int LoadedLibraryCount(const std::string& name) {
  Guard guard(S().lock);
  const auto found = Table().find(Key(name));
  return found == Table().end() ? 0 : found->second.loaded;
}

namespace detail {

void ResetLibraries() {
  Table().clear();
  SetDDrawLibrary(DDrawLibrary::kComplete);
  ResetSystemLibraries();
}

HMODULE LoadedModule(const std::string& name) {
  Guard guard(S().lock);
  const auto found = Table().find(Key(name));
  return found != Table().end() && InProcess(found->second) ? Handle(found->second) : nullptr;
}

void RequireDDrawLoaded(const char* call) {
  if (LoadedModule("ddraw.dll") == nullptr) Unmodelled(call, "called while ddraw.dll is not loaded");
}

void SetLoadedFromStart(const std::string& name, bool loaded) {
  Guard guard(S().lock);
  const auto found = Table().find(Key(name));
  if (found == Table().end() || (loaded && !found->second.present))
    Unmodelled("SetLoadedFromStart", "a library that is not present");
  found->second.loadedFromStart = loaded;
}

}  // namespace detail

}  // namespace winsim

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
  if (name == nullptr) winsim::Unmodelled("LoadLibraryA", "null name");
  Guard guard(S().lock);
  const auto found = Table().find(Key(name));
  if (found == Table().end() || !found->second.present) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++found->second.loaded;
  return Handle(found->second);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  if (name == nullptr || IS_INTRESOURCE(name)) winsim::Unmodelled("GetProcAddress", "an export by ordinal");
  Guard guard(S().lock);
  Library* library = ByHandle(module);
  if (library == nullptr || !InProcess(*library)) {
    SetLastError(ERROR_MOD_NOT_FOUND);  // a handle never handed out, or freed
    return nullptr;
  }
  const auto found = library->exports.find(name);  // export names are case-sensitive
  if (found == library->exports.end()) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return found->second;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  Guard guard(S().lock);
  Library* library = ByHandle(module);
  if (library == nullptr || library->loaded <= 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  --library->loaded;
  // The DirectDraw objects live in the library's code: freeing it under them is a crash to come.
  const auto ddraw = Table().find(Key("ddraw.dll"));
  if (ddraw != Table().end() && &ddraw->second == library && !InProcess(*library) &&
      winsim::LiveDirectDrawObjects() > 0)
    winsim::Unmodelled("FreeLibrary", "ddraw.dll freed while DirectDraw objects made through it live");
  return TRUE;
}
