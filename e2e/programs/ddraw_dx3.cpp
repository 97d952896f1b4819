// Test stand-in for the ddraw.dll of DirectX 3 (the DirectX of Windows NT 4.0 and of many Windows 95
// machines), built as ddraw.dll and placed beside Sarvello.scr with Wine told to prefer it for that
// program. It exports what DirectX 3's library exports of what the program looks up -
// DirectDrawCreate and DirectDrawEnumerateA, no DirectDrawEnumerateExA - and passes both on to
// Wine's own DirectDraw. The objects it hands out are Wine's, except that SetCooperativeLevel
// refuses as DirectX 3 does: a flag other than FULLSCREEN, ALLOWREBOOT, NOWINDOWCHANGES, NORMAL,
// EXCLUSIVE and ALLOWMODEX, or flags without EXCLUSIVE or NORMAL, are answered with
// DDERR_INVALIDPARAMS without calling on. Every SetCooperativeLevel is noted in
// C:\sarvello\ddraw_calls.txt with its flags and answer.
#include "ddraw_passthrough.h"

namespace {

constexpr DWORD kDirectX3Flags =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES | DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;

HRESULT STDMETHODCALLTYPE DirectX3SetCooperativeLevel(IDirectDraw* self, HWND window, DWORD flags) {
  const bool known = (flags & ~kDirectX3Flags) == 0 && (flags & (DDSCL_EXCLUSIVE | DDSCL_NORMAL)) != 0;
  const HRESULT answer = known ? passthrough::RealSetLevel(self, window, flags) : DDERR_INVALIDPARAMS;
  char line[96];
  wsprintfA(line, "SetCooperativeLevel flags 0x%lx answer 0x%08lx\r\n", static_cast<unsigned long>(flags),
            static_cast<unsigned long>(answer));
  passthrough::Note(line);
  return answer;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) passthrough::Unpatch(DirectX3SetCooperativeLevel);
  return TRUE;
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* object,
                                                                      IUnknown* outer) {
  return passthrough::Create(guid, object, outer, DirectX3SetCooperativeLevel);
}

extern "C" __attribute__((dllexport)) HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  if (!passthrough::LoadReal()) return DDERR_GENERIC;
  return passthrough::RealEnumerate(callback, context);
}
