// Puts every process-wide value of the program back to its start value, as a new process would
// find it: whole-program scenarios run the program many times in one test process.
#pragma once

#include "app/app_objects.h"
#include "app/app_state.h"
#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "frame/frame_state.h"
#include "rain/blitters.h"
#include "rain/shared_flags.h"
#include "support/forget_screens.h"

// The flags the two threads share, at their start values.
inline void ResetSharedFlags() {
  ThreadAlive = 1;
  DrawEnabled = 0;
  FramePresented = 0;
  ThreadEnded = 0;
  MonitorOff = 0;
  FrameDelay = 30;
  LastFrameTime = 0;
  FramePassActive = 0;
}

inline void ResetProgramState() {
  Module = nullptr;
  IsWin9x = 0;
  IsPreview = 0;
  AutoPlayMessage = 0;
  SaverWindow = nullptr;
  Closing = 0;
  Verifying = 0;
  LastVerifyTick = kNoVerifyYet;
  CloseMousePos = {0, 0};
  PasswordLibrary = nullptr;
  PasswordVerifier = nullptr;
  ImeLibrary = nullptr;
  ImmAssociate = nullptr;
  SavedImeContext = nullptr;

  for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
    s->rain.glyphs.reset();
    s->rain.cells.reset();
  }
  Manager.reset();
  Loader.reset();
  MainWindow = nullptr;
  Fullscreen = 0;
  CreatingDevices = 0;
  CloseTrap = 1;
  MoveStartPos = {0, 0};
  MoveArmed = 0;

  ResetSharedFlags();
  ForgetScreens();
  CurrentColourType = 0;
  DeviceWindow = nullptr;
  ClipRect = {0, 0, 0, 0};
  StopErrorMsg();
}
