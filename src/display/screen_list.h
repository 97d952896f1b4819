// The process-wide list of screens (display devices) and their 16-bit display modes, built by the
// DirectDraw device enumeration.
#pragma once

#include <cstdint>

#include "heart/fixed_string.h"
#include "heart/frame_descriptor.h"
#include "heart/rain_grid.h"
#include "platform/win32.h"

struct DisplayMode {
  int32_t width;
  int32_t height;
  int32_t bits;  // always 16
  DisplayMode* next;
};

struct ScreenRecord {
  static constexpr int kDescriptionSize = 200;

  GUID guid;                           // all zero for the primary display driver
  char description[kDescriptionSize];  // NUL-terminated, cut when longer
  HMONITOR monitor;
  int32_t colourType;  // 0 = 5x5x5, 1 = 5x6x5
  FrameDescriptor frameDescs[2];
  int32_t frameIndex;         // which descriptor is in use
  DisplayMode* modes;         // owned list, in enumeration order
  DisplayMode* selectedMode;  // one of `modes`; the preview overwrites its size
  IDirectDraw* deviceObject;  // as created
  IDirectDraw* directDraw;    // the same, once its cooperative level is set; owns it
  IDirectDrawSurface* primary;
  IDirectDrawSurface* backBuffer;
  DDSURFACEDESC surfaceDesc;  // work area for creation, format query and locking
  DDSCAPS backCaps;
  RainGrid rain;
  // Why a screen may be without a selected mode, kept for the log, which is opened only after the
  // enumeration and the settings read: the enumeration's DirectDrawCreate result (a failure leaves
  // the screen without modes), and whether its settings sub-key could not be opened.
  HRESULT enumResult;
  bool settingsUnread;
  // The presentation line logged by the last Flip of this screen, so that a run of identical
  // results writes one line instead of one per attempt.
  FixedString lastPresentLine;
  ScreenRecord* next;
  ScreenRecord* prev;

  // Makes the first of `modes` that is `width` x `height` the selected mode and gives it `bits`;
  // false, with the selection unchanged, when no mode has that size. The settings choose with it.
  bool SelectMode(int32_t width, int32_t height, int32_t bits);
};

// First screen in enumeration order (the primary device), or null.
extern ScreenRecord* ScreenList;
// Set by the first enumeration that could load the DirectDraw library; never cleared.
extern bool ScreensEnumerated;

// Rebuilds the screen list (the old one is freed); E_FAIL when DirectDraw cannot be loaded,
// otherwise the enumeration's result. Holds "ddraw.dll" only while it runs. Window thread only,
// before any device exists.
HRESULT EnumScreens();

BOOL WINAPI DDEnumCallbackEx(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context, HMONITOR monitor);
BOOL WINAPI EnumCallbackFallback(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context);
HRESULT WINAPI DDEnumModesCallback(LPDDSURFACEDESC mode, LPVOID context);

// True for the all-zero GUID of the primary display driver.
bool IsZeroGuid(const GUID& guid);

// Frees a screen record with its modes and rain fields (not its DirectDraw objects).
void FreeScreenRecord(ScreenRecord* screen);
