// ReadSettings and ReadDensitySettings: the settings of every screen and the speed, from the
// registry into the screen list and FrameDelay.
#include "settings/read_settings.h"

#include <cstdint>

#include "display/screen_list.h"
#include "rain/shared_flags.h"
#include "settings/registry_dword.h"
#include "settings/registry_names.h"
#include "settings/screen_key_name.h"

namespace {

// The defaults of every screen into a new product key: with the resolution for ReadSettings,
// without it for ReadDensitySettings. A screen whose sub-key cannot be made is passed over; false
// at the first refused write, with the sub-key closed.
bool WriteScreenDefaults(HKEY product, bool withResolution) {
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    HKEY device;
    if (!CreateSettingsKey(product, ScreenKeyName(screen), &device, nullptr)) continue;
    const bool written =
        (!withResolution ||
         (WriteDword(device, kWidthValue, kDefaultWidth) && WriteDword(device, kHeightValue, kDefaultHeight))) &&
        WriteDword(device, kDensityValue, kDefaultDensity) && WriteDword(device, kHighlightValue, kDefaultHighlight);
    RegCloseKey(device);
    if (!written) return false;
  }
  return true;
}

// Reads a value, or writes its default when it cannot be read. False only when that write fails;
// `value` is set only by a successful read.
bool ReadOrRepair(HKEY key, const char* name, uint32_t defaultValue, uint32_t* value) {
  return ReadDword(key, name, value) || WriteDword(key, name, defaultValue);
}

// Opens the product key; on a first start the defaults are written first. False, with nothing
// left open, when the key cannot be opened or a default cannot be written.
bool OpenProductKey(HKEY* product, bool withResolution) {
  DWORD disposition = 0;
  if (!CreateSettingsKey(HKEY_CURRENT_USER, kProductKey, product, &disposition)) return false;
  if (disposition != REG_CREATED_NEW_KEY) return true;
  if (WriteScreenDefaults(*product, withResolution) &&
      (!withResolution || WriteDword(*product, kSpeedValue, FrameDelay.load()))) {
    return true;
  }
  RegCloseKey(*product);
  return false;
}

// A screen's stored resolution, repaired where unreadable, chooses its mode. False when a default
// cannot be written.
bool ReadScreenSettings(HKEY device, ScreenRecord* screen) {
  uint32_t width = kDefaultWidth;
  uint32_t height = kDefaultHeight;
  uint32_t unused;
  if (!ReadOrRepair(device, kWidthValue, kDefaultWidth, &width)) return false;
  if (!ReadOrRepair(device, kHeightValue, kDefaultHeight, &height)) return false;
  if (!screen->SelectMode(static_cast<int32_t>(width), static_cast<int32_t>(height), 16)) {
    // The stored resolution stays in the registry; this start uses the first listed mode (none
    // when the screen has no 16-bit mode).
    screen->selectedMode = screen->modes;
  }
  // The densities are only made sure to exist here; ReadDensitySettings takes them.
  return ReadOrRepair(device, kDensityValue, kDefaultDensity, &unused) &&
         ReadOrRepair(device, kHighlightValue, kDefaultHighlight, &unused);
}

bool ReadScreenDensities(HKEY device, ScreenRecord* screen) {
  uint32_t density = 0;
  uint32_t highlight = 0;
  if (ReadDword(device, kDensityValue, &density)) {
    screen->rain.dropCount = static_cast<int32_t>(density < kMaxDensity ? density : kMaxDensity);
  } else if (!WriteDword(device, kDensityValue, kDefaultDensity)) {
    return false;
  }
  if (ReadDword(device, kHighlightValue, &highlight)) {
    screen->rain.highlightPercent = static_cast<int32_t>(highlight < kMaxHighlight ? highlight : kMaxHighlight);
  } else if (!WriteDword(device, kHighlightValue, kDefaultHighlight)) {
    return false;
  }
  return true;
}

// Runs `read` on every screen's sub-key; a screen whose sub-key cannot be opened is passed over
// and marked so, for device creation to log why it has no mode. False at the first refused write,
// with the sub-key closed.
template <typename Read>
bool ForEachScreenKey(HKEY product, Read read) {
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    HKEY device;
    if (!CreateSettingsKey(product, ScreenKeyName(screen), &device, nullptr)) {
      screen->settingsUnread = true;
      continue;
    }
    const bool done = read(device, screen);
    RegCloseKey(device);
    if (!done) return false;
  }
  return true;
}

}  // namespace

bool ReadSettings() {
  EnumScreens();
  HKEY product;
  if (!OpenProductKey(&product, true)) return false;
  bool done = ForEachScreenKey(product, ReadScreenSettings);
  if (done) {
    uint32_t speed;
    if (ReadDword(product, kSpeedValue, &speed)) {
      FrameDelay = speed;
    } else {
      done = WriteDword(product, kSpeedValue, FrameDelay.load());
    }
  }
  RegCloseKey(product);
  return done;
}

bool ReadDensitySettings() {
  HKEY product;
  if (!OpenProductKey(&product, false)) return false;
  const bool done = ForEachScreenKey(product, ReadScreenDensities);
  RegCloseKey(product);
  return done;
}
