// The DirectDraw library, looked up at run time: a Windows 95 that never had DirectX has no
// "ddraw.dll", and the program must still start so that it can tell the user what is missing.
#pragma once

#include "platform/win32.h"

// The loaded "ddraw.dll" and its entry points; all null while it is not loaded. The extended
// enumeration is null also when the library comes from before it (DirectX 3, the DirectX of
// Windows NT 4.0 and of many Windows 95 machines).
struct DirectDrawLibrary {
  HMODULE module;
  int users;  // the holders of the one load: the enumeration while it runs, the DDrawManager
  decltype(&DirectDrawCreate) create;
  decltype(&DirectDrawEnumerateA) enumerate;
  LPDIRECTDRAWENUMERATEEXA enumerateEx;
};
extern DirectDrawLibrary DDraw;

// Loads "ddraw.dll" and looks up its entry points, or counts one more user of the library when it
// is loaded already. False, with nothing held, when it cannot be loaded or lacks DirectDrawCreate
// or DirectDrawEnumerateA. Window thread. Each successful call is matched by one FreeDirectDraw.
bool LoadDirectDraw();
// One user fewer; the last one frees the library and clears the entry points. No DirectDraw object
// made through it may be left by then.
void FreeDirectDraw();
