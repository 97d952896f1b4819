// Forgets the screen list as a new process would find it: every record freed, nothing enumerated,
// no current screen, DirectDraw not loaded.
#pragma once

#include "display/ddraw_library.h"
#include "display/ddraw_manager.h"

inline void ForgetScreens() {
  while (ScreenList != nullptr) {
    ScreenRecord* next = ScreenList->next;
    FreeScreenRecord(ScreenList);
    ScreenList = next;
  }
  ScreensEnumerated = false;
  CurrentScreen = nullptr;
  // winsim::Reset has forgotten the library's load; a manager that outlived its test would hold it.
  DDraw = {nullptr, 0, nullptr, nullptr, nullptr};
}
