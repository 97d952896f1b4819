// LoadDirectDraw: the one load of "ddraw.dll", kept for the rest of the process.
#include "display/ddraw_library.h"

#include "platform/proc_address.h"

DirectDrawLibrary DDraw = {nullptr, nullptr, nullptr, nullptr};

bool LoadDirectDraw() {
  if (DDraw.module != nullptr) return true;
  HMODULE library = LoadLibraryA("ddraw.dll");
  if (library == nullptr) return false;
  const DirectDrawLibrary found = {
      library,
      ProcAddress<decltype(&DirectDrawCreate)>(library, "DirectDrawCreate"),
      ProcAddress<decltype(&DirectDrawEnumerateA)>(library, "DirectDrawEnumerateA"),
      ProcAddress<LPDIRECTDRAWENUMERATEEXA>(library, "DirectDrawEnumerateExA"),
  };
  // Every DirectDraw has these two; a library of that name without them is not DirectDraw, and
  // none of its code has run, so it can go at once.
  if (found.create == nullptr || found.enumerate == nullptr) {
    FreeLibrary(library);
    return false;
  }
  DDraw = found;
  return true;
}
