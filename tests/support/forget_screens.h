// Forgets the screen list as a new process would find it: every record freed, nothing enumerated,
// no current screen.
#pragma once

#include "display/ddraw_manager.h"

inline void ForgetScreens() {
  while (ScreenList != nullptr) {
    ScreenRecord* next = ScreenList->next;
    FreeScreenRecord(ScreenList);
    ScreenList = next;
  }
  ScreensEnumerated = false;
  CurrentScreen = nullptr;
}
