// The rain of one screen on winsim's display, built and drawn by the program's own code in the
// program's order, for the golden-frame tests and the benchmarks.
//
// Start is the window thread's part: the calling thread's generator seeded, a one-monitor desktop
// in the chosen mode and pixel format, the full-screen device, InitRain, then the density.
// ScatterDrops and the frames are the drawing thread's part: call them from a thread whose
// generator was never seeded (a fresh std::thread), as the program's drawing thread does.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/ddraw_manager.h"
#include "glyphs/graphics_loader.h"
#include "rain/blitters.h"
#include "rain/compose_frame.h"
#include "rain/random.h"
#include "rain/rain_model.h"
#include "rain/shared_flags.h"
#include "support/program_glyphs.h"
#include "winsim/control.h"
#include "support/forget_screens.h"

class RainOnDisplay {
 public:
  struct Setup {
    int32_t width;
    int32_t height;
    int32_t colourType;  // 0 = 5x5x5, 1 = 5x6x5
    uint32_t seed;       // the window thread's seed (GetTickCount in the program)
    int32_t drops;
    int32_t highlightPercent;
  };

  RainOnDisplay() = default;
  RainOnDisplay(const RainOnDisplay&) = delete;
  RainOnDisplay& operator=(const RainOnDisplay&) = delete;
  ~RainOnDisplay() { Stop(); }

  // Window-thread side. False when a step failed (the devices made so far are kept for Stop).
  bool Start(const Setup& setup) {
    Stop();
    winsim::Reset();
    SeedRand(setup.seed);  // the window's creation seeds first, before the screens are looked at
    winsim::MonitorSpec monitor = winsim::OneMonitorDesktop().monitors[0];
    const DWORD width = static_cast<DWORD>(setup.width);
    const DWORD height = static_cast<DWORD>(setup.height);
    monitor.modes = {{width, height, 16}};
    monitor.desktopFormat = setup.colourType == 0 ? winsim::DesktopFormat::k555 : winsim::DesktopFormat::k565;
    monitor.desktopWidth = width;
    monitor.desktopHeight = height;
    winsim::SetDesktop({"Primary Display Driver", {monitor}});

    manager_.reset(new DDrawManager);  // enumerates the screens
    screen_ = ScreenList;
    if (screen_ == nullptr || screen_->modes == nullptr) return false;
    screen_->selectedMode = screen_->modes;
    if (!manager_->CreateDirectDraw(winsim::CreateTestWindow(POINT{0, 0}), true)) return false;

    const std::vector<unsigned char> glyphFile = ProgramGlyphFile();
    GraphicsLoader loader;
    if (glyphFile.empty() || !InitRain(screen_, loader, glyphFile.data(), static_cast<uint32_t>(glyphFile.size())))
      return false;
    screen_->rain.dropCount = setup.drops;
    screen_->rain.highlightPercent = setup.highlightPercent;
    clip_ = {0, 0, static_cast<uint16_t>(setup.width), static_cast<uint16_t>(setup.height)};
    DrawEnabled = 1;
    return true;
  }

  // Drawing-thread side, as one pass of the drawing thread's loop: select the screen, set the clip
  // rectangle, open the back buffer, compose and present. False when no frame could be opened.
  bool DrawFrame() {
    const FrameDescriptor* frame = BeginFrame();
    if (frame == nullptr) return false;
    ComposeFrame(screen_, frame);
    while (manager_->Flip() != 0) {
    }
    return true;
  }

  // Drawing-thread side: selects the screen, sets the clip rectangle and opens the back buffer,
  // for callers that compose into it themselves. Present it with manager().Flip().
  FrameDescriptor* BeginFrame() {
    DDrawManager::SelectScreen(screen_);
    ClipRect = clip_;
    return manager_->BeginFrame();
  }

  // Releases the device and forgets the screen list, as the program's teardown does.
  void Stop() {
    DrawEnabled = 0;
    manager_.reset();
    ForgetScreens();
    screen_ = nullptr;
  }

  ScreenRecord* screen() const { return screen_; }
  DDrawManager& manager() { return *manager_; }

 private:
  std::unique_ptr<DDrawManager> manager_;
  ScreenRecord* screen_ = nullptr;
  ClipRectangle clip_ = {0, 0, 0, 0};
};
