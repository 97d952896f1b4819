// Test stand-in for the compatibility ddraw.dll libraries that users of later Windows put beside
// old programs, built as ddraw.dll and placed beside Sarvello.scr with Wine told to prefer it for
// that program. Like them it subclasses the window given to SetCooperativeLevel: its own window
// procedure calls the program's and returns through its own code, so that the library's code is on
// the stack whenever the program handles a message of that window, WM_DESTROY included. Unlike
// Wine's own DirectDraw it does not keep itself loaded: a program that frees it while one of its
// window's messages is being handled returns into unmapped memory.
//
// Everything else is Wine's DirectDraw, loaded by its full system path (which Wine answers with its
// builtin): DirectDrawCreate, DirectDrawEnumerateA and DirectDrawEnumerateExA are passed on, and the
// objects are Wine's with their SetCooperativeLevel slot pointing here. It hooks nothing else.
// C:\sarvello\ddraw_calls.txt gets a line when it subclasses a window and one when the program's
// WM_DESTROY has come back through its window procedure.
#define CINTERFACE
#include <windows.h>
#include <ddraw.h>

#include <string>

namespace {

using CreateProc = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);
using EnumerateProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKA, LPVOID);
using EnumerateExProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
using SetLevelProc = HRESULT(STDMETHODCALLTYPE*)(IDirectDraw*, HWND, DWORD);

HMODULE Real = nullptr;
CreateProc RealCreate = nullptr;
EnumerateProc RealEnumerate = nullptr;
EnumerateExProc RealEnumerateEx = nullptr;
SetLevelProc RealSetLevel = nullptr;
SetLevelProc* PatchedSlot = nullptr;

HWND Subclassed = nullptr;
WNDPROC ProgramProc = nullptr;
// Messages that came back through this library's window procedure; written after each call, so
// that the return from the program's procedure runs this library's code.
volatile LONG Returned = 0;

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
  RealEnumerateEx = Lookup<EnumerateExProc>("DirectDrawEnumerateExA");
  return RealCreate != nullptr && RealEnumerate != nullptr && RealEnumerateEx != nullptr;
}

void Note(const char* line) {
  HANDLE file = CreateFileA("C:\\sarvello\\ddraw_calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT answer = CallWindowProcA(ProgramProc, window, message, wParam, lParam);
  Returned = Returned + 1;
  if (message == WM_DESTROY) Note("WM_DESTROY came back through the subclass\r\n");
  return answer;
}

HRESULT STDMETHODCALLTYPE SubclassingSetCooperativeLevel(IDirectDraw* self, HWND window, DWORD flags) {
  if (window != nullptr && Subclassed == nullptr) {
    ProgramProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    if (ProgramProc != nullptr) {
      Subclassed = window;
      Note("subclassed the window given to SetCooperativeLevel\r\n");
    }
  }
  return RealSetLevel(self, window, flags);
}

// The interface table is Wine's, shared by every object of its kind and read-only: the one slot is
// replaced in place, and put back when this library goes.
bool SetSlot(SetLevelProc* slot, SetLevelProc value) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
  return true;
}

bool PatchSetCooperativeLevel(IDirectDraw* object) {
  SetLevelProc* slot = &const_cast<IDirectDrawVtbl*>(object->lpVtbl)->SetCooperativeLevel;
  if (*slot == SubclassingSetCooperativeLevel) return true;
  RealSetLevel = *slot;
  if (!SetSlot(slot, SubclassingSetCooperativeLevel)) return false;
  PatchedSlot = slot;
  return true;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // Freed and loaded again, the library must not leave Wine's table pointing at its old place.
  if (reason == DLL_PROCESS_DETACH && PatchedSlot != nullptr && *PatchedSlot == SubclassingSetCooperativeLevel)
    SetSlot(PatchedSlot, RealSetLevel);
  return TRUE;
}

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

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback,
                                                                            LPVOID context, DWORD flags) {
  if (!LoadReal()) return DDERR_GENERIC;
  return RealEnumerateEx(callback, context, flags);
}
