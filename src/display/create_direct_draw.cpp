// DDrawManager::CreateDirectDraw: DirectDraw objects, cooperative levels and display modes for
// every screen first, then each screen's surfaces, pixel format and cleared buffers.
#include <cstring>

#include "diag/hex_text.h"
#include "display/ddraw_library.h"
#include "display/ddraw_manager.h"
#include "heart/log_message.h"

namespace {

const char kTag[] = "[DDrawManager::CreateDirectDraw] ";
const char kNoDirectDraw[] =
    "Unable to initialize DirectDraw.\n\nMake sure you have DirectX installed, or go to\n"
    "http://www.microsoft.com/directx and download the latest version";
const char kNoSixteenBitMode[] =
    "No display device offers a 16-bit display mode. Sarvello needs a display that can show "
    "65536 colours (High Color).";

void Log(const char* text, uint32_t level) { LogMessage((FixedString(kTag) + text).TextOrNull(), level); }

// A screen without a selected mode has nothing to be shown in: it gets no device and is left out
// of drawing.
bool Usable(const ScreenRecord* screen) { return screen->selectedMode != nullptr; }

// The warning for a screen that is left out, naming why it has no mode.
void LogSkipped(const ScreenRecord* screen) {
  FixedString line = FixedString("Skipping device ") + screen->description;
  if (screen->settingsUnread) {
    line.Append(", its settings key cannot be opened");
  } else if (FAILED(screen->enumResult)) {
    char code[16] = "0x";  // a failure code is never 0, so it always has the prefix
    WriteHex(code + 2, static_cast<DWORD>(screen->enumResult), 6, '0', false);
    line = line + ", DirectDraw cannot be created for it, code " + code;
  } else {
    line.Append(", no 16-bit display mode");
  }
  Log(line.TextOrNull(), LOG_WARNING);
}

// Logs every screen that is left out; true when some screen can be given a device. Otherwise the
// user's message says what stands in the way: DirectDraw itself when no screen could create it
// (or there is no screen at all), High Color when a working device offers no 16-bit mode, else
// the unreadable settings.
bool AnyUsable() {
  bool usable = false;
  bool withoutSixteenBit = false;
  bool withoutSettings = false;
  for (const ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    if (Usable(screen)) {
      usable = true;
      continue;
    }
    LogSkipped(screen);
    if (screen->settingsUnread) {
      withoutSettings = true;
    } else if (SUCCEEDED(screen->enumResult)) {
      withoutSixteenBit = true;
    }
  }
  if (usable) return true;
  if (withoutSixteenBit) {
    LogMessage(kNoSixteenBitMode, LOG_ERROR);
  } else if (withoutSettings) {
    Log("No display device's settings could be read from the registry", LOG_ERROR);
  } else {
    Log(ScreenList == nullptr ? "No display device found" : "DirectDraw cannot be created for any display device",
        LOG_WARNING);
    LogMessage(kNoDirectDraw, LOG_ERROR);
  }
  return false;
}

}  // namespace

bool DDrawManager::CreateDirectDraw(HWND window, bool fullscreenUse) {
  Log("*ENTER*", LOG_INFO);
  DeviceWindow = window;
  fullscreen = fullscreenUse;

  if (!AnyUsable()) return false;
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    if (Usable(screen) && !CreateDevice(screen, window)) return false;
  }
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    if (Usable(screen) && !CreateSurfaces(screen)) return false;
  }

  framesSuspended = false;
  Log("*LEAVE*", LOG_INFO);
  return true;
}

bool DDrawManager::CreateDevice(ScreenRecord* screen, HWND window) {
  Log((FixedString("Initializing device ") + screen->description).TextOrNull(), LOG_INFO);
  // Without the library (lost since the screens were listed) no object can be made.
  if (DDraw.create == nullptr ||
      FAILED(DDraw.create(IsZeroGuid(screen->guid) ? nullptr : &screen->guid, &screen->deviceObject, nullptr))) {
    screen->deviceObject = nullptr;
    LogMessage(kNoDirectDraw, LOG_ERROR);
    return false;
  }
  Log("IID_DirectDraw interface createad", LOG_GOSSIP);

  if (screen == ScreenList) {
    Log("Setting cooperative mode, primary device", LOG_SPAM);
    if (FAILED(screen->deviceObject->SetCooperativeLevel(window, DDSCL_SETFOCUSWINDOW))) {
      // DirectX 3, the DirectX of Windows NT 4.0 and of many Windows 95 machines, knows neither the
      // focus nor the device window and refuses them: the level is set the way it knows, with the
      // saver window as the level's window.
      const DWORD flags = fullscreen ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT : DDSCL_NORMAL;
      if (FAILED(screen->deviceObject->SetCooperativeLevel(window, flags))) {
        Log("Unable to set Cooperative Mode, focus window", LOG_ERROR);
        return false;
      }
      Log("Focus window refused, cooperative mode set without it as DirectX 3 knows it", LOG_WARNING);
    } else {
      const DWORD flags =
          fullscreen ? DDSCL_SETDEVICEWINDOW | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN : DDSCL_NORMAL;
      if (FAILED(screen->deviceObject->SetCooperativeLevel(window, flags))) {
        Log("Unable to set Cooperative Mode", LOG_ERROR);
        return false;
      }
    }
  } else {
    Log("Setting cooperative mode, secondary device", LOG_SPAM);
    const DWORD flags = DDSCL_CREATEDEVICEWINDOW | DDSCL_SETFOCUSWINDOW |
                        (fullscreen ? DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN : DDSCL_NORMAL);
    if (FAILED(screen->deviceObject->SetCooperativeLevel(window, flags))) {
      Log("Unable to set Cooperative Mode", LOG_ERROR);
      return false;
    }
  }
  Log("Cooperative mode set", LOG_SPAM);
  screen->directDraw = screen->deviceObject;

  if (fullscreen) {
    displayModeSet = true;
    const DisplayMode* mode = screen->selectedMode;
    if (FAILED(screen->directDraw->SetDisplayMode(static_cast<DWORD>(mode->width), static_cast<DWORD>(mode->height),
                                                  16))) {
      displayModeSet = false;
      LogMessage("Unable to set display mode. Try a diffrent resolution setting", LOG_ERROR);
      return false;
    }
    Log("Display mode set", LOG_SPAM);
  }
  return true;
}

bool DDrawManager::CreateSurfaces(ScreenRecord* screen) {
  DDSURFACEDESC& desc = screen->surfaceDesc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  desc.dwBackBufferCount = 1;
  if (fullscreen) {
    desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  }
  if (FAILED(screen->directDraw->CreateSurface(&desc, &screen->primary, nullptr))) {
    screen->primary = nullptr;
    Log("Unable to create primary surface. Make sure\nno other application is runnin that uses DirectX, or try a "
        "diffrent resolution setting.",
        LOG_ERROR);
    return false;
  }
  Log("Primary surface createad", LOG_GOSSIP);

  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_PIXELFORMAT;
  if (FAILED(screen->primary->GetSurfaceDesc(&desc))) {
    Log("Unable to get pixel format", LOG_ERROR);
    return false;
  }
  const DWORD green = desc.ddpfPixelFormat.dwGBitMask >> 5;
  if (green == 0x1F) {
    screen->colourType = 0;
    Log("Color type 5x5x5 detected", LOG_SPAM);
  } else if (green == 0x3F) {
    screen->colourType = 1;
    Log("Color type 5x6x5 detected", LOG_SPAM);
  } else {
    if (fullscreen) Log("Color mode not supported", LOG_PANIC);
    return false;
  }
  Log("Pixel format stored", LOG_SPAM);

  if (fullscreen) {
    screen->backCaps.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(screen->primary->GetAttachedSurface(&screen->backCaps, &screen->backBuffer))) {
      screen->backBuffer = nullptr;
      Log("Unable to create BackBuffer surface", LOG_ERROR);
      return false;
    }
    Log("Back buffer surface created", LOG_GOSSIP);
  } else {
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = static_cast<DWORD>(screen->selectedMode->width);
    desc.dwHeight = static_cast<DWORD>(screen->selectedMode->height);
    if (FAILED(screen->directDraw->CreateSurface(&desc, &screen->backBuffer, nullptr))) {
      screen->backBuffer = nullptr;
      Log("Unable to create BackBuffer surface (not fullscreen)", LOG_ERROR);
      return false;
    }
    Log("Back buffer surface created (not fullscreen)", LOG_GOSSIP);
  }

  screen->frameIndex = 0;
  CurrentScreen = screen;
  ClearBuffers(screen);
  Log((FixedString("Surfaces created for device ") + screen->description).TextOrNull(), LOG_INFO);
  return true;
}

void DDrawManager::ClearBuffers(ScreenRecord* screen) {
  const char* failures[2] = {"Unable to set back surface to black (first pass)",
                             "Unable to set back surface to black (second pass)"};
  for (const char* failure : failures) {
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    if (FAILED(screen->backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx)))
      Log(failure, LOG_WARNING);
    framesSuspended = false;
    const DWORD start = GetTickCount();
    bool presented = Flip() == 0;
    while (!presented && GetTickCount() - start < kClearPresentMs) {
      Sleep(kClearRetryMs);
      presented = Flip() == 0;
    }
    framesSuspended = true;
    if (!presented) Log("Unable to present the cleared buffer, carrying on", LOG_WARNING);
  }
}
