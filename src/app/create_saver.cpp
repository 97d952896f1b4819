// The WM_CREATE sequence of the saver window: settings, log, devices, glyphs and rain for every
// screen, densities, then the drawing thread. Every failure sets ThreadEnded (no drawing thread
// exists yet), so that the WM_DESTROY which follows a failed creation does not wait.
#include <new>

#include "app/app_objects.h"
#include "app/app_state.h"
#include "app/app_window.h"
#include "app/cleanup.h"
#include "diag/debug_log.h"
#include "heart/blitters.h"
#include "heart/log_message.h"
#include "rain/draw_torvane.h"
#include "rain/random.h"
#include "rain/screen_rain.h"
#include "rain/shared_flags.h"
#include "resource.h"
#include "settings/read_settings.h"

namespace {

LRESULT Fail() {
  ThreadEnded.store(1);
  return Cleanup();
}

// The preview draws the first screen only, at the preview window's size.
void KeepFirstScreenOnly(LONG width, LONG height) {
  ScreenRecord* first = ScreenList;
  if (first == nullptr) return;
  while (first->next != nullptr) {
    ScreenRecord* behind = first->next;
    first->next = behind->next;
    FreeScreenRecord(behind);
  }
  if (first->selectedMode != nullptr) {
    first->selectedMode->width = width;
    first->selectedMode->height = height;
  }
}

// The glyph animation built into the program; empty when the resource is missing, which the
// loader then refuses like a damaged file.
void FindGlyphAnimation(const unsigned char** bytes, uint32_t* size) {
  *bytes = nullptr;
  *size = 0;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_GLYPHS), "DATAFILE");
  if (found == nullptr) return;
  *bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  *size = *bytes != nullptr ? SizeofResource(nullptr, found) : 0;
}

}  // namespace

LRESULT CreateSaver(HWND window) {
  Manager.reset();
  Loader.reset();
  DrawEnabled.store(0);
  LastFrameTime.store(0);
  SeedRand(GetTickCount());
  if (!ReadSettings()) {
    ThreadEnded.store(1);
    ShowErrorMsg(window);
    return -1;
  }

  LONG previewWidth = 0;
  LONG previewHeight = 0;
  HWND parent = GetParent(window);
  if (parent == nullptr) {
    InitErrorMsg(true);
    LogMessage("[DEBUG] Got message WM_CREATE", LOG_INFO);
    LogMessage("[WM_CREATE] Fullscreen mode", LOG_GOSSIP);
    Fullscreen = 1;
  } else {
    InitErrorMsg(false);
    LogMessage("[DEBUG] Got message WM_CREATE", LOG_INFO);
    LogMessage("[WM_CREATE] Windowed mode", LOG_GOSSIP);
    Fullscreen = 0;
    RECT outer = {0, 0, 0, 0};
    GetWindowRect(window, &outer);
    previewWidth = outer.right - outer.left;
    previewHeight = outer.bottom - outer.top;
  }

  Manager.reset(new (std::nothrow) DDrawManager);
  if (Manager == nullptr) {
    LogMessage("[WM_CREATE] Unable to allocate memory for main DDrawManager object", LOG_ERROR);
    return Fail();
  }
  LogMessage("[WM_CREATE] DDrawManager object created, screens enumerated", LOG_INFO);
  MainWindow = window;
  CreatingDevices = 1;
  bool created = false;
  if (Fullscreen != 0) {
    created = Manager->CreateDirectDraw(window, true);
    if (created) LogMessage("[WM_CREATE] DirectDraw object created for all screens", LOG_INFO);
  } else {
    KeepFirstScreenOnly(previewWidth, previewHeight);
    created = Manager->CreateDirectDraw(window, false);
    if (created) LogMessage("[WM_CREATE] DirectDraw object created for preview screen", LOG_INFO);
  }
  if (!created) {
    CreatingDevices = 0;
    return Fail();
  }
  LogMessage("[WM_CREATE] All screens initialized", LOG_GOSSIP);
  CreatingDevices = 0;

  Loader.reset(new (std::nothrow) GraphicsLoader);
  if (Loader == nullptr) {
    LogMessage("[WM_CREATE] Unable to create Loader object", LOG_ERROR);
    return Fail();
  }
  LogMessage("[WM_CREATE] GraphicsLoader object allocated", LOG_INFO);

  const unsigned char* animation = nullptr;
  uint32_t animationSize = 0;
  FindGlyphAnimation(&animation, &animationSize);
  ScreenRecord* firstDrawn = nullptr;
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    // A screen without a 16-bit mode got no device; there is nothing to draw on.
    if (screen->selectedMode == nullptr) continue;
    if (!InitRain(screen, *Loader, animation, animationSize)) return Fail();
    if (firstDrawn == nullptr) firstDrawn = screen;
  }
  if (firstDrawn != nullptr) {
    ClipRect = {0, 0, static_cast<uint16_t>(firstDrawn->selectedMode->width),
                static_cast<uint16_t>(firstDrawn->selectedMode->height)};
  }
  ReadDensitySettings();
  LogMessage("[WM_CREATE] All object created, run Torvane Emulator", LOG_GOSSIP);
  // The 95/98 family refuses to start a thread without a place for its identifier.
  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, DrawTorvane, nullptr, 0, &threadId);
  if (thread == nullptr) {
    LogMessage("[WM_CREATE] Unable to start the drawing thread", LOG_ERROR);
    return Fail();
  }
  // The thread is never waited on through its handle: ThreadEnded tells when it is done.
  CloseHandle(thread);
  DrawEnabled.store(1);
  return 0;
}
