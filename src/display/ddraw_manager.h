// DDrawManager: the screens' DirectDraw devices — their creation, the frame cycle of the drawing
// code (select, begin, interrupt, flip) and their release.
#pragma once

#include <cstdint>

#include "display/screen_list.h"
#include "heart/frame_descriptor.h"
#include "heart/frame_selection.h"
#include "platform/win32.h"

// The screen the frame operations work on; none until a screen is selected or devices are made.
extern ScreenRecord* CurrentScreen;
// The window given to CreateDirectDraw; windowed frames are copied to its client area.
extern HWND DeviceWindow;

// A presentation that keeps failing (surfaces lost for good) must not hold up window creation: each
// clearing pass of CreateDirectDraw tries to present for this long, pausing kClearRetryMs between
// attempts, and then carries on. A flip after a mode change is done within a few refreshes; a
// preview's owner waits for its window meanwhile.
constexpr DWORD kClearPresentMs = 500;
constexpr DWORD kClearRetryMs = 1;

class DDrawManager {
 public:
  // Enumerates the screens unless that has been done already, and holds "ddraw.dll" for the
  // devices it will make. Window thread.
  DDrawManager();
  // Releases every screen's surfaces and DirectDraw object (not the records), then lets go of
  // "ddraw.dll". Window thread, after the drawing thread has ended.
  ~DDrawManager();
  DDrawManager(const DDrawManager&) = delete;
  DDrawManager& operator=(const DDrawManager&) = delete;

  // Gives every screen its device: full screen (exclusive, mode change, flip chain) or for the
  // preview window (normal level, off-screen back buffer). False at the first failure, which is
  // logged for the user.
  bool CreateDirectDraw(HWND window, bool fullscreen);

  // Makes `screen` current and returns its colour type.
  static int32_t SelectScreen(ScreenRecord* screen);
  // Opens the current screen's back buffer; null while frames are suspended or when the back
  // buffer cannot be locked. The descriptor belongs to the screen record.
  FrameDescriptor* BeginFrame();
  // Ends an open frame of the current screen; harmless when none is open.
  void InterruptFrame();
  // Presents the current screen's back buffer: 0 when presented, 1 when not (the caller retries).
  int32_t Flip();
  // Makes the desktop's surface the visible one on every screen that got its surfaces, so that what
  // the window thread shows next (the password dialog, a message box) is seen on whichever screen
  // it appears. Window thread, while the drawing thread is outside its frame pass.
  void BringDesktopForward();

  bool framesSuspended = true;
  bool fullscreen = false;
  bool displayModeSet = false;

 private:
  bool CreateDevice(ScreenRecord* screen, HWND window);
  bool CreateSurfaces(ScreenRecord* screen);
  void ClearBuffers(ScreenRecord* screen);
  int32_t FlipFullScreen(ScreenRecord* screen);
  int32_t CopyToWindow(ScreenRecord* screen);
};
