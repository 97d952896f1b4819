// DrawTorvane: the drawing thread. It paces the frames, composes and presents one picture on
// every screen per frame, idles while drawing is switched off and ends when told to.
#pragma once

#include "display/ddraw_manager.h"
#include "platform/win32.h"

// Started once by the window thread with CreateThread, at the end of a successful window
// creation. The argument is not used. Sets ThreadEnded as its very last act and ends the thread
// with ExitThread; the window thread frees the screens, rain models and manager only after that.
DWORD WINAPI DrawTorvane(LPVOID unused);

// The display manager the drawing thread draws with, or null: the application's, which it makes
// before it starts the thread and destroys only after the thread has ended. Defined by the
// application, which owns it.
DDrawManager* DrawingManager();

// Longest single pause of the drawing thread, so that ending and idling stay prompt whatever the
// stored speed: frame pacing sleeps in slices no longer than this and looks at the flags between.
constexpr unsigned kPacingSliceMs = 50;
// Pause between two looks at DrawEnabled while drawing is switched off.
constexpr unsigned kIdlePollMs = 5;
// A frame that could not be presented is tried again at once while its failures have lasted no
// longer than about one display refresh: a flip still pending is done within it, and a pause would
// last a whole scheduler tick (10-16 ms on NT, which keeps the timer's default resolution) and
// make short frame delays slow and uneven. Failures that last longer (surfaces lost for good) are
// retried after a pause, so that they neither hold a processor nor outlive the run.
constexpr unsigned kFlipRetryAtOnceMs = 20;
constexpr unsigned kFlipRetryMs = 1;
