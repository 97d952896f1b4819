// Test stand-in for the ddraw.dll of DirectX 3 (the DirectX of Windows NT 4.0 and of many Windows 95
// machines), built as ddraw.dll and placed beside Sarvello.scr with Wine told to prefer it for that
// program. It exports what DirectX 3's library exports of what the program looks up -
// DirectDrawCreate and DirectDrawEnumerateA, no DirectDrawEnumerateExA - and passes both on to
// Wine's own DirectDraw, loaded by its full system path (which Wine answers with its builtin). The
// objects it hands out are Wine's, except that SetCooperativeLevel refuses as DirectX 3 does: a
// flag other than FULLSCREEN, ALLOWREBOOT, NOWINDOWCHANGES, NORMAL, EXCLUSIVE and ALLOWMODEX, or
// flags without EXCLUSIVE or NORMAL, are answered with DDERR_INVALIDPARAMS without calling on.
// Every SetCooperativeLevel is noted in C:\sarvello\ddraw_calls.txt with its flags and answer.
#define CINTERFACE
#include <windows.h>
#include <ddraw.h>

#include <string>

namespace {

constexpr DWORD kDirectX3Flags =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES | DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;

using CreateProc = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);
using EnumerateProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKA, LPVOID);
using SetLevelProc = HRESULT(STDMETHODCALLTYPE*)(IDirectDraw*, HWND, DWORD);

HMODULE Real = nullptr;
CreateProc RealCreate = nullptr;
EnumerateProc RealEnumerate = nullptr;
SetLevelProc RealSetLevel = nullptr;

template <typename Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(Real, name)));
}

bool LoadReal() {
  if (Real != nullptr) return true;
  char system[MAX_PATH];
  const UINT length = GetSystemDirectoryA(system, sizeof system);
  if (length == 0 || length >= sizeof system) return false;
  Real = LoadLibraryA((std::string(system, length) + "\\ddraw.dll").c_str());
  if (Real == nullptr) return false;
  RealCreate = Lookup<CreateProc>("DirectDrawCreate");
  RealEnumerate = Lookup<EnumerateProc>("DirectDrawEnumerateA");
  return RealCreate != nullptr && RealEnumerate != nullptr;
}

void Note(DWORD flags, HRESULT answer) {
  char line[96];
  wsprintfA(line, "SetCooperativeLevel flags 0x%lx answer 0x%08lx\r\n", static_cast<unsigned long>(flags),
            static_cast<unsigned long>(answer));
  HANDLE file = CreateFileA("C:\\sarvello\\ddraw_calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
}

HRESULT STDMETHODCALLTYPE DirectX3SetCooperativeLevel(IDirectDraw* self, HWND window, DWORD flags) {
  const bool known = (flags & ~kDirectX3Flags) == 0 && (flags & (DDSCL_EXCLUSIVE | DDSCL_NORMAL)) != 0;
  const HRESULT answer = known ? RealSetLevel(self, window, flags) : DDERR_INVALIDPARAMS;
  Note(flags, answer);
  return answer;
}

// The interface table is Wine's, shared by every object of its kind and read-only: the one slot is
// replaced in place, once.
bool PatchSetCooperativeLevel(IDirectDraw* object) {
  IDirectDrawVtbl* table = const_cast<IDirectDrawVtbl*>(object->lpVtbl);
  SetLevelProc* slot = &table->SetCooperativeLevel;
  if (*slot == DirectX3SetCooperativeLevel) return true;
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
  RealSetLevel = *slot;
  *slot = DirectX3SetCooperativeLevel;
  VirtualProtect(slot, sizeof *slot, old, &old);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
  return true;
}

}  // namespace

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* object,
                                                                      IUnknown* outer) {
  if (!LoadReal()) return DDERR_GENERIC;
  const HRESULT result = RealCreate(guid, object, outer);
  if (SUCCEEDED(result) && *object != nullptr && !PatchSetCooperativeLevel(*object)) {
    IDirectDraw_Release(*object);
    *object = nullptr;
    return DDERR_GENERIC;
  }
  return result;
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  if (!LoadReal()) return DDERR_GENERIC;
  return RealEnumerate(callback, context);
}
