// Puts every process-wide value of the program back to its start value, as a new process would
// find it: whole-program scenarios run the program many times in one test process. The start
// values are the program's own, copied before any test ran, so that a wrong one in the program
// shows in every run instead of being mended here.
#pragma once

#include <atomic>
#include <tuple>

#include "app/app_objects.h"
#include "app/app_state.h"
#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "frame/frame_state.h"
#include "heart/blitters.h"
#include "rain/shared_flags.h"
#include "support/forget_screens.h"

// The program's plain values, and the flags its two threads share; the objects and the screen
// list are freed instead (below).
#define SARVELLO_PLAIN_VALUES                                                                                  \
  Module, IsWin9x, IsPreview, AutoPlayMessage, SaverWindow, Closing, Verifying, LastVerifyTick, CloseMousePos, \
      PasswordLibrary, PasswordVerifier, ImeLibrary, ImmAssociate, SavedImeContext, MainWindow, Fullscreen,    \
      CreatingDevices, CloseTrap, MoveStartPos, MoveArmed, CurrentColourType, DeviceWindow, ClipRect
#define SARVELLO_SHARED_FLAGS \
  ThreadAlive, DrawEnabled, FramePresented, ThreadEnded, MonitorOff, FrameDelay, LastFrameTime, FramePassActive

template <typename... T>
std::tuple<T...> LoadFlags(const std::atomic<T>&... flags) {
  return std::tuple<T...>(flags.load()...);
}
template <typename... T>
void StoreFlags(const std::tuple<T...>& values, std::atomic<T>&... flags) {
  std::apply([&](const T&... value) { (flags.store(value), ...); }, values);
}

// The program constant-initialises every one of them, so each holds its start value before any
// code runs; these copies are made at the test program's static initialisation, before main.
inline const auto StartValues = std::make_tuple(SARVELLO_PLAIN_VALUES);
inline const auto StartFlags = LoadFlags(SARVELLO_SHARED_FLAGS);

// The flags the two threads share, at their start values.
inline void ResetSharedFlags() { StoreFlags(StartFlags, SARVELLO_SHARED_FLAGS); }

inline void ResetProgramState() {
  for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
    s->rain.glyphs.reset();
    s->rain.cells.reset();
  }
  Manager.reset();
  Loader.reset();
  ForgetScreens();
  std::tie(SARVELLO_PLAIN_VALUES) = StartValues;
  ResetSharedFlags();
  StopErrorMsg();
}
