// Shared set-up for the settings tests: the display fixture's fresh desktop and empty screen list,
// an empty registry, FrameDelay at its start value, and the registry paths of the screens.
#pragma once

#include <string>
#include <vector>

#include "display/display_fixture.h"
#include "rain/shared_flags.h"
#include "settings/screen_key_name.h"

class SettingsTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    FrameDelay = 30;
  }
  void TearDown() override {
    EXPECT_EQ(winsim::OpenRegistryKeys(), 0) << "every key the program opened is closed";
    DisplayTest::TearDown();
  }

  // A fresh platform, and the screen list and DirectDraw library as a new process finds them.
  static void NewProcess() {
    winsim::Reset();
    ForgetScreens();
  }

  static constexpr char kProduct[] = "Software\\Brenmoor\\Sarvello";
  // The registry path of a screen's sub-key.
  static std::string DeviceKey(const ScreenRecord* screen) {
    return std::string(kProduct) + "\\" + ScreenKeyName(screen);
  }
  // The writes of a new device's defaults, device by device in list order.
  static std::vector<std::string> DeviceDefaultWrites(const std::vector<ScreenRecord*>& screens) {
    std::vector<std::string> writes;
    for (const ScreenRecord* screen : screens) {
      for (const char* value : {"Width=800", "Height=600", "Density=300", "HighlightDensity=8"})
        writes.push_back(DeviceKey(screen) + "\\" + value);
    }
    return writes;
  }
  // "WxH" of a screen's selected mode, "none" without one.
  static std::string Selected(const ScreenRecord* screen) {
    if (screen->selectedMode == nullptr) return "none";
    return std::to_string(screen->selectedMode->width) + "x" + std::to_string(screen->selectedMode->height);
  }
  // Every value of a screen's sub-key, stored as numbers.
  static void StoreDevice(const std::string& key, DWORD width, DWORD height, DWORD density, DWORD highlight) {
    winsim::SetRegistryDword(key, "Width", width);
    winsim::SetRegistryDword(key, "Height", height);
    winsim::SetRegistryDword(key, "Density", density);
    winsim::SetRegistryDword(key, "HighlightDensity", highlight);
  }
};
