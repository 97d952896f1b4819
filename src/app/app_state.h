// The application's process-wide state beside its two objects (app_objects.h). Window thread.
#pragma once

#include <cstdint>

#include "platform/win32.h"

extern HWND MainWindow;          // the saver window: owner of Cleanup's message box
extern uint8_t Fullscreen;       // 1 when the saver window has no parent
extern uint8_t CreatingDevices;  // 1 while window creation makes the devices
extern uint8_t CloseTrap;        // while 1 the next WM_CLOSE is swallowed
extern POINT MoveStartPos;       // cursor at the first mouse move past the start-up guard
extern uint8_t MoveArmed;        // 1 once MoveStartPos holds that position

// Mouse moves within this distance (sum of both axes) of MoveStartPos are not input.
constexpr int64_t kMoveDeadZone = 3;
// How the window thread waits for the drawing thread to leave its frame pass before it touches
// the current screen's surfaces itself: a look every kPassWaitMs, kPassWaitLooks looks at most.
constexpr DWORD kPassWaitMs = 5;
constexpr int kPassWaitLooks = 400;
// The pause between two looks at ThreadEnded at WM_DESTROY, and how long it waits at most: far
// longer than any pass of the drawing thread (it paces in 50 ms slices and stops presenting when
// told to end), short enough that a preview's owner destroying its window is not frozen.
constexpr DWORD kThreadEndPollMs = 50;
constexpr DWORD kThreadEndWaitMs = 5000;
