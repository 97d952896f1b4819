// LoadDirectDraw and FreeDirectDraw: one load of "ddraw.dll" shared by its users.
#include "display/ddraw_library.h"

#include "platform/proc_address.h"

DirectDrawLibrary DDraw = {nullptr, 0, nullptr, nullptr, nullptr};

bool LoadDirectDraw() {
  if (DDraw.users > 0) {
    ++DDraw.users;
    return true;
  }
  HMODULE library = LoadLibraryA("ddraw.dll");
  if (library == nullptr) return false;
  const DirectDrawLibrary found = {
      library,
      1,
      ProcAddress<decltype(&DirectDrawCreate)>(library, "DirectDrawCreate"),
      ProcAddress<decltype(&DirectDrawEnumerateA)>(library, "DirectDrawEnumerateA"),
      ProcAddress<LPDIRECTDRAWENUMERATEEXA>(library, "DirectDrawEnumerateExA"),
  };
  // Every DirectDraw has these two; a library of that name without them is not DirectDraw.
  if (found.create == nullptr || found.enumerate == nullptr) {
    FreeLibrary(library);
    return false;
  }
  DDraw = found;
  return true;
}

void FreeDirectDraw() {
  if (DDraw.users == 0 || --DDraw.users > 0) return;
  HMODULE library = DDraw.module;
  DDraw = {nullptr, 0, nullptr, nullptr, nullptr};
  FreeLibrary(library);
}
