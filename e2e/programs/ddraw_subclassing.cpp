// Test stand-in for the compatibility ddraw.dll libraries that users of later Windows put beside
// old programs, built as ddraw.dll and placed beside Sarvello.scr with Wine told to prefer it for
// that program. Like them it subclasses the window given to SetCooperativeLevel: its own window
// procedure calls the program's and returns through its own code, so that the library's code is on
// the stack whenever the program handles a message of that window, WM_DESTROY included. Unlike
// Wine's own DirectDraw it does not keep itself loaded: a program that frees it while one of its
// window's messages is being handled returns into unmapped memory.
//
// Everything else is Wine's DirectDraw: DirectDrawCreate, DirectDrawEnumerateA and
// DirectDrawEnumerateExA are passed on, and the objects are Wine's with their SetCooperativeLevel
// slot pointing here. It hooks nothing else.
// C:\sarvello\ddraw_calls.txt gets a line when it subclasses a window and one when the program's
// WM_DESTROY has come back through its window procedure.
#include "ddraw_passthrough.h"

namespace {

HWND Subclassed = nullptr;
WNDPROC ProgramProc = nullptr;
// Messages that came back through this library's window procedure; written after each call, so
// that the return from the program's procedure runs this library's code.
volatile LONG Returned = 0;

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT answer = CallWindowProcA(ProgramProc, window, message, wParam, lParam);
  Returned = Returned + 1;
  if (message == WM_DESTROY) passthrough::Note("WM_DESTROY came back through the subclass\r\n");
  return answer;
}

HRESULT STDMETHODCALLTYPE SubclassingSetCooperativeLevel(IDirectDraw* self, HWND window, DWORD flags) {
  if (window != nullptr && Subclassed == nullptr) {
    ProgramProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    if (ProgramProc != nullptr) {
      Subclassed = window;
      passthrough::Note("subclassed the window given to SetCooperativeLevel\r\n");
    }
  }
  return passthrough::RealSetLevel(self, window, flags);
}

}  // namespace

// Freed and loaded again, the library must not leave Wine's table pointing at its old place.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) passthrough::Unpatch(SubclassingSetCooperativeLevel);
  return TRUE;
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* object,
                                                                      IUnknown* outer) {
  return passthrough::Create(guid, object, outer, SubclassingSetCooperativeLevel);
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  if (!passthrough::LoadReal()) return DDERR_GENERIC;
  return passthrough::RealEnumerate(callback, context);
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback,
                                                                            LPVOID context, DWORD flags) {
  if (!passthrough::LoadReal()) return DDERR_GENERIC;
  return passthrough::RealEnumerateEx(callback, context, flags);
}
