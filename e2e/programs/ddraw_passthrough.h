// What the test ddraw.dll libraries share: Wine's own DirectDraw, loaded by its full system path
// (which Wine answers with its builtin) and passed on to, the SetCooperativeLevel slot of its
// objects replaced by the library's own, and notes in C:\sarvello\ddraw_calls.txt.
#pragma once

#define CINTERFACE
#include <windows.h>
#include <ddraw.h>

#include <string>

namespace passthrough {

using CreateProc = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);
using EnumerateProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKA, LPVOID);
using EnumerateExProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
using SetLevelProc = HRESULT(STDMETHODCALLTYPE*)(IDirectDraw*, HWND, DWORD);

inline HMODULE Real = nullptr;
inline CreateProc RealCreate = nullptr;
inline EnumerateProc RealEnumerate = nullptr;
inline EnumerateExProc RealEnumerateEx = nullptr;
// What the replaced slot held, and the slot itself once replaced.
inline SetLevelProc RealSetLevel = nullptr;
inline SetLevelProc* PatchedSlot = nullptr;

template <typename Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(Real, name)));
}

inline bool LoadReal() {
  if (Real != nullptr) return true;
  char system[MAX_PATH];
  const UINT length = GetSystemDirectoryA(system, sizeof system);
  if (length == 0 || length >= sizeof system) return false;
  Real = LoadLibraryA((std::string(system, length) + "\\ddraw.dll").c_str());
  if (Real == nullptr) return false;
  RealCreate = Lookup<CreateProc>("DirectDrawCreate");
  RealEnumerate = Lookup<EnumerateProc>("DirectDrawEnumerateA");
  RealEnumerateEx = Lookup<EnumerateExProc>("DirectDrawEnumerateExA");
  return RealCreate != nullptr && RealEnumerate != nullptr && RealEnumerateEx != nullptr;
}

inline void Note(const char* line) {
  HANDLE file = CreateFileA("C:\\sarvello\\ddraw_calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
}

// The interface table is Wine's, shared by every object of its kind and read-only: the one slot is
// written in place.
inline bool SetSlot(SetLevelProc* slot, SetLevelProc value) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
  return true;
}

// Wine's DirectDrawCreate, whose object's SetCooperativeLevel is then `replacement` (which calls
// RealSetLevel to pass on).
inline HRESULT Create(GUID* guid, LPDIRECTDRAW* object, IUnknown* outer, SetLevelProc replacement) {
  if (!LoadReal()) return DDERR_GENERIC;
  const HRESULT result = RealCreate(guid, object, outer);
  if (FAILED(result) || *object == nullptr) return result;
  SetLevelProc* slot = &const_cast<IDirectDrawVtbl*>((*object)->lpVtbl)->SetCooperativeLevel;
  if (*slot == replacement) return result;
  RealSetLevel = *slot;
  if (!SetSlot(slot, replacement)) {
    IDirectDraw_Release(*object);
    *object = nullptr;
    return DDERR_GENERIC;
  }
  PatchedSlot = slot;
  return result;
}

// Puts the slot back, for a library that is freed and may be loaded again.
inline void Unpatch(SetLevelProc replacement) {
  if (PatchedSlot != nullptr && *PatchedSlot == replacement) SetSlot(PatchedSlot, RealSetLevel);
}

}  // namespace passthrough
