// Forgets the screen list as a new process would find it: every record freed, nothing enumerated,
// no current screen, DirectDraw not loaded.
#pragma once

#include "display/ddraw_library.h"
#include "display/ddraw_manager.h"

// The program's own start value of the library record, copied before any test ran (it is
// constant-initialised), so that a wrong one shows in every test instead of being mended here.
inline const DirectDrawLibrary DDrawAtStart = DDraw;

inline void ForgetScreens() {
  while (ScreenList != nullptr) {
    ScreenRecord* next = ScreenList->next;
    FreeScreenRecord(ScreenList);
    ScreenList = next;
  }
  ScreensEnumerated = false;
  CurrentScreen = nullptr;
  // winsim::Reset has forgotten the library, which the program keeps loaded once it has it.
  DDraw = DDrawAtStart;
}
