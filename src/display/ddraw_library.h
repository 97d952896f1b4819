// The DirectDraw library, looked up at run time: a Windows 95 that never had DirectX has no
// "ddraw.dll", and the program must still start so that it can tell the user what is missing.
#pragma once

#include "platform/win32.h"

// The loaded "ddraw.dll" and its entry points; all null while it is not loaded. The extended
// enumeration is null also when the library comes from before it (DirectX 3, the DirectX of
// Windows NT 4.0 and of many Windows 95 machines).
struct DirectDrawLibrary {
  HMODULE module;
  decltype(&DirectDrawCreate) create;
  decltype(&DirectDrawEnumerateA) enumerate;
  LPDIRECTDRAWENUMERATEEXA enumerateEx;
};
extern DirectDrawLibrary DDraw;

// Loads "ddraw.dll" and looks up its entry points, once: true while it is loaded. False, with
// nothing held, when it cannot be loaded or lacks DirectDrawCreate or DirectDrawEnumerateA. Window
// thread.
//
// Once loaded, the library stays for the rest of the process, as a static import would. A
// DirectDraw may subclass the window given to SetCooperativeLevel and hook the message functions
// (the compatibility libraries of later Windows do), so its code is still on the stack when the
// saver window's WM_DESTROY runs the cleanup; freeing it there returns into unmapped memory.
bool LoadDirectDraw();
