// ReadSettings and ReadDensitySettings: the first start's defaults, the resolution's choice of a
// mode, the speed, the densities held in memory, and every failure path with its keys closed.
#include <cstring>

#include "settings/read_settings.h"
#include "settings_fixture.h"

namespace {

using winsim::RegistryCall;

// A desktop of two monitors whose second one has no 800x600 mode: 1024x768 is listed first.
winsim::DesktopSpec WithoutDefaultMode() {
  auto desktop = winsim::TwoMonitorDesktop();
  desktop.monitors[1].modes = {{1024, 768, 16}, {640, 480, 16}, {800, 600, 32}};
  return desktop;
}

TEST_F(SettingsTest, FirstStartWritesEveryDefaultInOrder) {
  winsim::SetDesktop(WithoutDefaultMode());
  ASSERT_TRUE(ReadSettings());
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 2u);
  std::vector<std::string> expected = DeviceDefaultWrites(screens);
  expected.push_back(std::string(kProduct) + "\\Speed=30");
  EXPECT_EQ(winsim::RegistryWrites(), expected);
  EXPECT_EQ(Selected(screens[0]), "800x600");
  EXPECT_EQ(Selected(screens[1]), "1024x768") << "no 800x600 mode: the first listed one";
  EXPECT_EQ(winsim::RegistryDword(DeviceKey(screens[1]), "Width"), 800u) << "the registry keeps the default";
  EXPECT_EQ(FrameDelay.load(), 30u);

  ASSERT_TRUE(ReadDensitySettings());
  EXPECT_EQ(winsim::RegistryWrites().size(), expected.size()) << "nothing more to write";
  for (const ScreenRecord* screen : screens) {
    EXPECT_EQ(screen->rain.dropCount, 300) << screen->description;
    EXPECT_EQ(screen->rain.highlightPercent, 8) << screen->description;
  }
}

TEST_F(SettingsTest, DensityReaderAloneWritesOnlyTheDensitiesOfANewKey) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  EnumScreens();
  ASSERT_TRUE(ReadDensitySettings());
  std::vector<std::string> expected;
  for (const ScreenRecord* screen : Screens()) {
    expected.push_back(DeviceKey(screen) + "\\Density=300");
    expected.push_back(DeviceKey(screen) + "\\HighlightDensity=8");
  }
  EXPECT_EQ(winsim::RegistryWrites(), expected);
}

TEST_F(SettingsTest, StoredResolutionChoosesTheMode) {
  struct Row {
    const char* name;
    DWORD width;
    DWORD height;
    const char* selected;
  } rows[] = {
      {"offered", 640, 480, "640x480"},
      {"the largest", 1024, 768, "1024x768"},
      {"not offered at 16 bits", 1280, 1024, "640x480"},
      {"offered only at 32 bits", 800, 600, "640x480"},
      {"a width beyond 31 bits", 0xFFFFFD80, 480, "640x480"},
  };
  for (const Row& row : rows) {
    NewProcess();
    auto desktop = winsim::OneMonitorDesktop();
    desktop.monitors[0].modes = {{640, 480, 16}, {800, 600, 32}, {1024, 768, 16}};
    winsim::SetDesktop(desktop);
    StoreDevice(std::string(kProduct) + "\\00000000-0000-0000-0000-000000000000", row.width, row.height, 300, 8);
    winsim::SetRegistryDword(kProduct, "Speed", 30);
    ASSERT_TRUE(ReadSettings()) << row.name;
    EXPECT_EQ(Selected(ScreenList), row.selected) << row.name;
    EXPECT_EQ(ScreenList->selectedMode->bits, 16) << row.name;
    EXPECT_TRUE(winsim::RegistryWrites().empty()) << row.name << ": the stored values stay";
    EXPECT_EQ(winsim::RegistryDword(DeviceKey(ScreenList), "Width"), row.width) << row.name;
  }
}

TEST_F(SettingsTest, SelectModeTakesTheFirstModeOfTheSizeAndGivesItTheDepth) {
  DisplayMode third{640, 480, 0xAA, nullptr};
  DisplayMode second{800, 600, 0xAA, &third};
  DisplayMode first{640, 480, 0xAA, &second};
  ScreenRecord screen{};
  screen.modes = &first;
  EXPECT_FALSE(screen.SelectMode(1024, 768, 16));
  EXPECT_EQ(screen.selectedMode, nullptr) << "unchanged without a match";
  EXPECT_TRUE(screen.SelectMode(640, 480, 16));
  EXPECT_EQ(screen.selectedMode, &first);
  EXPECT_EQ(first.bits, 16);
  EXPECT_EQ(third.bits, 0xAA);
  EXPECT_FALSE(screen.SelectMode(600, 800, 16)) << "width and height are not swapped";
  EXPECT_EQ(screen.selectedMode, &first);
}

// The speed: missing, stored in any form, or stored as something that cannot be read.
TEST_F(SettingsTest, SpeedIsReadIntoFrameDelayOrRepaired) {
  struct Row {
    const char* name;
    bool stored;
    DWORD type;
    std::vector<unsigned char> bytes;
    uint32_t frameDelay;
    bool repaired;  // "Speed" written with 30
  } rows[] = {
      {"missing", false, REG_DWORD, {}, 30, true},
      {"zero: no waiting", true, REG_DWORD, {0, 0, 0, 0}, 0, false},
      {"100", true, REG_DWORD, {100, 0, 0, 0}, 100, false},
      {"any number", true, REG_DWORD, {0x10, 0x27, 0, 0}, 10000, false},
      {"binary of 8 bytes: the first 4", true, REG_BINARY, {55, 0, 0, 0, 9, 9, 9, 9}, 55, false},
      {"text of 3 and NUL", true, REG_SZ, {'5', '0', 0, 0}, 0x3035, false},
      {"2 bytes", true, REG_BINARY, {55, 0}, 30, true},
      {"empty", true, REG_NONE, {}, 30, true},
  };
  for (const Row& row : rows) {
    NewProcess();
    FrameDelay = 30;
    winsim::SetRegistryDword(kProduct, "Unrelated", 1);  // the product key exists
    if (row.stored) winsim::SetRegistryValue(kProduct, "Speed", row.type, row.bytes);
    EnumScreens();
    StoreDevice(DeviceKey(ScreenList), 800, 600, 300, 8);
    ASSERT_TRUE(ReadSettings()) << row.name;
    EXPECT_EQ(FrameDelay.load(), row.frameDelay) << row.name;
    const std::vector<std::string> repair = {std::string(kProduct) + "\\Speed=30"};
    EXPECT_EQ(winsim::RegistryWrites(), row.repaired ? repair : std::vector<std::string>{}) << row.name;
  }
}

// The densities in memory: as stored up to 400 drops and 100 percent; the registry keeps what it
// holds; an unreadable value gets its default in the registry and leaves the field alone.
TEST_F(SettingsTest, DensitiesAreLimitedInMemoryOnly) {
  struct Row {
    const char* name;
    std::vector<unsigned char> density;  // empty: missing
    std::vector<unsigned char> highlight;
    int32_t dropCount;
    int32_t highlightPercent;
    std::vector<std::string> writes;  // value names written with their defaults
  } rows[] = {
      {"as stored", {44, 1, 0, 0}, {8, 0, 0, 0}, 300, 8, {}},
      {"the limits", {0x90, 1, 0, 0}, {100, 0, 0, 0}, 400, 100, {}},
      {"above the limits", {0xC2, 1, 0, 0}, {150, 0, 0, 0}, 400, 100, {}},
      {"all bits set", {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}, 400, 100, {}},
      {"zero", {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, {}},
      {"missing", {}, {}, 123, 45, {"Density=300", "HighlightDensity=8"}},
      {"3 bytes", {1, 1, 0}, {5, 0, 0, 0, 7}, 123, 5, {"Density=300"}},
  };
  for (const Row& row : rows) {
    NewProcess();
    winsim::SetRegistryDword(kProduct, "Speed", 30);
    EnumScreens();
    const std::string key = DeviceKey(ScreenList);
    winsim::SetRegistryDword(key, "Width", 800);
    if (!row.density.empty()) winsim::SetRegistryValue(key, "Density", REG_DWORD, row.density);
    if (!row.highlight.empty()) winsim::SetRegistryValue(key, "HighlightDensity", REG_BINARY, row.highlight);
    ScreenList->rain.dropCount = 123;
    ScreenList->rain.highlightPercent = 45;
    ASSERT_TRUE(ReadDensitySettings()) << row.name;
    EXPECT_EQ(ScreenList->rain.dropCount, row.dropCount) << row.name;
    EXPECT_EQ(ScreenList->rain.highlightPercent, row.highlightPercent) << row.name;
    std::vector<std::string> writes;
    for (const auto& w : row.writes) writes.push_back(key + "\\" + w);
    EXPECT_EQ(winsim::RegistryWrites(), writes) << row.name;
    if (!row.density.empty() && row.writes.empty()) {
      winsim::RegistryData kept;
      ASSERT_TRUE(winsim::GetRegistryValue(key, "Density", &kept)) << row.name;
      EXPECT_EQ(kept.bytes, row.density) << row.name << ": the registry keeps what it holds";
    }
  }
}

TEST_F(SettingsTest, ANewDeviceGetsItsDefaultsAtTheNextStart) {
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  ASSERT_TRUE(ReadSettings());
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  const size_t before = winsim::RegistryWrites().size();
  ASSERT_TRUE(ReadSettings());
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 2u);
  std::vector<std::string> expected = DeviceDefaultWrites(screens);
  const auto writes = winsim::RegistryWrites();
  EXPECT_EQ(std::vector<std::string>(writes.begin() + before, writes.end()), expected);
  EXPECT_TRUE(winsim::RegistryKeyExists(std::string(kProduct) + "\\00000000-0000-0000-0000-000000000000"))
      << "the sub-key of a device no longer present is left alone";
}

// Every failure of ReadSettings: its result, what it wrote, and what the screens were given.
TEST_F(SettingsTest, ReadSettingsFailures) {
  struct Row {
    const char* name;
    bool existing;  // the product key and both devices' values are stored beforehand
    RegistryCall call;
    int device;  // whose sub-key the fault names: 0, 1, or -1 for the product key
    const char* value;
    int count;
    bool result;
    const char* selected[2];
    size_t writes;  // successful writes
  } rows[] = {
      {"product key refused", false, RegistryCall::kCreateKey, -1, "", 1, false, {"none", "none"}, 0},
      {"product key refused, existing", true, RegistryCall::kCreateKey, -1, "", 1, false, {"none", "none"}, 0},
      {"first start, a sub-key refused once",
       false,
       RegistryCall::kCreateKey,
       0,
       "",
       1,
       true,
       {"800x600", "800x600"},
       5 + 4 + 0},
      {"a sub-key refused every time", false, RegistryCall::kCreateKey, 0, "", -1, true, {"none", "800x600"}, 5},
      {"existing, a sub-key refused", true, RegistryCall::kCreateKey, 1, "", 1, true, {"640x480", "none"}, 0},
      {"first start, a default refused", false, RegistryCall::kSetValue, 1, "Height", 1, false, {"none", "none"}, 5},
      {"first start, Speed refused", false, RegistryCall::kSetValue, -1, "Speed", 1, false, {"none", "none"}, 8},
      {"Width unreadable: 800x480 is no mode",
       true,
       RegistryCall::kQueryValue,
       0,
       "Width",
       1,
       true,
       {"640x480", "640x480"},
       1},
      {"Width unreadable, repair refused", true, RegistryCall::kSetValue, 1, "Width", 1, false, {"640x480", "none"}, 0},
      {"Density repair refused", true, RegistryCall::kSetValue, 1, "Density", 1, false, {"640x480", "640x480"}, 0},
      {"Speed repair refused", true, RegistryCall::kSetValue, -1, "Speed", 1, false, {"640x480", "640x480"}, 0},
  };
  for (const Row& row : rows) {
    NewProcess();
    FrameDelay = 30;
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    EnumScreens();
    const std::string keys[2] = {DeviceKey(Screens()[0]), DeviceKey(Screens()[1])};
    if (row.existing) {
      for (const auto& key : keys) StoreDevice(key, 640, 480, 300, 8);
      winsim::SetRegistryDword(kProduct, "Speed", 44);
    }
    // A repair is needed only where the value cannot be read.
    const std::string name = row.value;
    if (row.existing && row.call == RegistryCall::kSetValue) {
      winsim::FailRegistry(RegistryCall::kQueryValue, row.device < 0 ? kProduct : keys[row.device], name,
                           ERROR_CANTREAD);
    }
    winsim::FailRegistry(row.call, row.device < 0 ? kProduct : keys[row.device], name, ERROR_CANTWRITE, row.count);
    EXPECT_EQ(ReadSettings(), row.result) << row.name;
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), 2u) << row.name;
    EXPECT_EQ(Selected(screens[0]), row.selected[0]) << row.name;
    EXPECT_EQ(Selected(screens[1]), row.selected[1]) << row.name;
    EXPECT_EQ(winsim::RegistryWrites().size(), row.writes) << row.name;
    EXPECT_EQ(winsim::OpenRegistryKeys(), 0) << row.name << ": every key opened is closed";
    if (!row.result) {
      EXPECT_EQ(FrameDelay.load(), 30u) << row.name;
    }
  }
}

TEST_F(SettingsTest, ReadDensitySettingsFailures) {
  struct Row {
    const char* name;
    bool existing;
    RegistryCall call;
    int device;
    const char* value;
    bool result;
    int32_t dropCounts[2];
  } rows[] = {
      {"product key refused", true, RegistryCall::kCreateKey, -1, "", false, {-1, -1}},
      {"a sub-key refused", true, RegistryCall::kCreateKey, 0, "", true, {-1, 250}},
      {"first start, a default refused", false, RegistryCall::kSetValue, 1, "Density", false, {-1, -1}},
      {"unreadable, repair refused", true, RegistryCall::kSetValue, 0, "HighlightDensity", false, {250, -1}},
  };
  for (const Row& row : rows) {
    NewProcess();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    EnumScreens();
    const auto screens = Screens();
    const std::string keys[2] = {DeviceKey(screens[0]), DeviceKey(screens[1])};
    if (row.existing) {
      for (const auto& key : keys) StoreDevice(key, 640, 480, 250, 8);
    }
    for (ScreenRecord* screen : screens) screen->rain.dropCount = -1;
    const std::string name = row.value;
    if (row.existing && row.call == RegistryCall::kSetValue) {
      winsim::FailRegistry(RegistryCall::kQueryValue, keys[row.device], name, ERROR_CANTREAD);
    }
    winsim::FailRegistry(row.call, row.device < 0 ? kProduct : keys[row.device], name, ERROR_CANTWRITE);
    EXPECT_EQ(ReadDensitySettings(), row.result) << row.name;
    EXPECT_EQ(screens[0]->rain.dropCount, row.dropCounts[0]) << row.name;
    EXPECT_EQ(screens[1]->rain.dropCount, row.dropCounts[1]) << row.name;
    EXPECT_EQ(winsim::OpenRegistryKeys(), 0) << row.name;
  }
}

}  // namespace
