// DrawTorvane: the drawing thread. It paces the frames, composes and presents one picture on
// every screen per frame, idles while drawing is switched off and ends when told to.
#pragma once

#include "platform/win32.h"

// Started once by the window thread with CreateThread, at the end of a successful window
// creation. The argument is not used. Sets ThreadEnded as its very last act and ends the thread
// with ExitThread; the window thread frees the screens, rain models and manager only after that.
DWORD WINAPI DrawTorvane(LPVOID unused);

// Longest single pause of the drawing thread, so that ending and idling stay prompt whatever the
// stored speed: frame pacing sleeps in slices no longer than this and looks at the flags between.
constexpr unsigned kPacingSliceMs = 50;
// Pause between two looks at DrawEnabled while drawing is switched off.
constexpr unsigned kIdlePollMs = 5;
// Pause between two attempts to present a frame that could not be presented: a flip still
// pending is done within a refresh, and one that keeps failing costs next to nothing.
constexpr unsigned kFlipRetryMs = 1;
