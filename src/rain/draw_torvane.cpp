// The drawing thread's loop: pacing, one frame pass over all screens, idle and resume, and the end.
// It shares no lock with the window thread; they meet only through the flags of shared_flags.h.
#include "rain/draw_torvane.h"

#include <algorithm>

#include "heart/blitters.h"
#include "heart/log_message.h"
#include "platform/win32.h"
#include "rain/compose_frame.h"
#include "rain/screen_rain.h"
#include "rain/shared_flags.h"

namespace {

bool KeepsDrawing() { return ThreadAlive.load() == 1 && DrawEnabled.load() == 1; }

// Waits until at least FrameDelay has passed since the last frame start, in slices that look at
// the flags in between; a stored speed of any size can neither delay the end nor the idle state.
// False when drawing was switched off or the thread told to end while waiting: no frame starts.
bool AwaitFrameStart() {
  const uint32_t delay = FrameDelay.load();
  uint32_t elapsed = timeGetTime() - LastFrameTime.load();
  while (elapsed < delay) {
    if (!KeepsDrawing()) return false;
    Sleep(std::min<uint32_t>(delay - elapsed, kPacingSliceMs));
    elapsed = timeGetTime() - LastFrameTime.load();
  }
  LastFrameTime.store(timeGetTime());
  return true;
}

// Composes and presents the screen's frame; a frame opened while drawing is being switched off is
// ended unshown, so that no back buffer stays open and no half-drawn picture is shown.
void DrawScreen(DDrawManager& manager, ScreenRecord* screen) {
  DDrawManager::SelectScreen(screen);
  ClipRect = {0, 0, static_cast<uint16_t>(screen->selectedMode->width),
              static_cast<uint16_t>(screen->selectedMode->height)};
  FrameDescriptor* frame = manager.BeginFrame();
  if (frame != nullptr && DrawEnabled.load() != 0) ComposeFrame(screen, frame);
  if (DrawEnabled.load() == 0) {
    if (frame != nullptr) manager.InterruptFrame();
    return;
  }
  // Retried until it succeeds, drawing is switched off or the thread is told to end; Flip reports
  // why it fails. At once at first, with pauses once the failures have lasted longer than a
  // refresh (kFlipRetryAtOnceMs). Every Flip ends the open frame first.
  if (manager.Flip() != 0) {
    const uint32_t firstFailure = timeGetTime();
    do {
      if (DrawEnabled.load() == 0 || ThreadAlive.load() != 1) return;
      if (timeGetTime() - firstFailure > kFlipRetryAtOnceMs) Sleep(kFlipRetryMs);
    } while (manager.Flip() != 0);
  }
  if (DrawEnabled.load() != 0) FramePresented.store(1);
}

void FramePass() {
  // Announced before DrawEnabled is looked at, so that a window thread which clears DrawEnabled
  // and then finds no pass running knows that none will start.
  FramePassActive.store(1);
  DDrawManager* manager = DrawingManager();
  if (DrawEnabled.load() == 1 && manager != nullptr && AwaitFrameStart()) {
    for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
      if (screen->selectedMode == nullptr || screen->rain.glyphs == nullptr) continue;
      DrawScreen(*manager, screen);
    }
  }
  FramePassActive.store(0);
}

// Sets a non-zero DrawEnabled to exactly 1 unless the window thread cleared it since it was read.
bool ClaimResume() {
  int32_t seen = DrawEnabled.load();
  while (seen != 0) {
    if (DrawEnabled.compare_exchange_weak(seen, 1)) return true;
  }
  return false;
}

void Resume(uint8_t& drawingActive) {
  LogMessage("[DrawTorvane] Thread resumed", LOG_INFO);
  drawingActive = 1;
  MonitorOff.store(0);
}

// Idles until drawing is switched on again (true) or the thread is told to end (false).
bool Idle(uint8_t& drawingActive) {
  for (;;) {
    if (drawingActive != 0) LogMessage("[DrawTorvane] Enter idle loop", LOG_INFO);
    drawingActive = 0;
    if (ThreadAlive.load() == 0) return false;
    if (ClaimResume()) {
      Resume(drawingActive);
      return true;
    }
    // A powered-down monitor can stay off for hours; looking a few times a second keeps the
    // resume prompt without holding a processor.
    Sleep(kIdlePollMs);
  }
}

}  // namespace

DWORD WINAPI DrawTorvane(LPVOID /*unused*/) {
  // Whether the previous pass drew: decides only whether the idle and resume lines are written.
  uint8_t drawingActive = 1;
  ScatterDrops();
  if (ThreadAlive.load() == 1) {
    LogMessage("[DrawTorvane] Thread created. Drawing Torvane", LOG_INFO);
    while (ThreadAlive.load() == 1) {
      FramePass();
      if (DrawEnabled.load() != 0) {
        if (drawingActive == 0 && ClaimResume()) Resume(drawingActive);
        continue;
      }
      if (!Idle(drawingActive)) break;
    }
  }
  if (DDrawManager* manager = DrawingManager(); manager != nullptr) manager->InterruptFrame();
  LogMessage("[DrawTorvane] Thread ended", LOG_INFO);
  ThreadEnded.store(1);
  ExitThread(0);
}
