// winsim's monitors as DirectDraw reports them: the device enumerations on one and two monitors,
// the mode lists and their pixel formats, and DirectDrawCreate choosing a monitor by GUID.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ddraw_helpers.h"

namespace {

struct Device {
  bool hasGuid;
  GUID guid;
  std::string description;
  std::string driver;
  HMONITOR monitor;
};

struct Collected {
  std::vector<Device> devices;
  size_t stopAfter = 0;
};

BOOL WINAPI CollectEx(GUID* guid, LPSTR description, LPSTR driver, LPVOID context, HMONITOR monitor) {
  auto* c = static_cast<Collected*>(context);
  c->devices.push_back({guid != nullptr, guid ? *guid : GUID{}, description, driver, monitor});
  return c->devices.size() != c->stopAfter;
}

BOOL WINAPI Collect(GUID* guid, LPSTR description, LPSTR driver, LPVOID context) {
  return CollectEx(guid, description, driver, context, nullptr);
}

HRESULT DirectDrawEnumerateEx(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  HMODULE ddraw = LoadLibraryA("ddraw.dll");
  auto enumerate = reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(
      reinterpret_cast<void (*)()>(GetProcAddress(ddraw, "DirectDrawEnumerateExA")));
  const HRESULT result = enumerate(callback, context, flags);
  FreeLibrary(ddraw);
  return result;
}

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(WinsimEnumerationTest, DevicesListedPerDesktopAndFlags) {
  struct Row {
    const char* name;
    bool twoMonitors;
    DWORD flags;
    bool extended;
    size_t expected;
  } rows[] = {{"one monitor, attached", false, DDENUM_ATTACHEDSECONDARYDEVICES, true, 1},
              {"two monitors, attached", true, DDENUM_ATTACHEDSECONDARYDEVICES, true, 3},
              {"two monitors, no flags", true, 0, true, 1},
              {"one monitor, old enumeration", false, 0, false, 1},
              {"two monitors, old enumeration", true, 0, false, 3}};
  for (const Row& row : rows) {
    winsim::Reset();
    const winsim::DesktopSpec desktop = row.twoMonitors ? winsim::TwoMonitorDesktop() : winsim::OneMonitorDesktop();
    winsim::SetDesktop(desktop);
    ddtest::LoadDDraw();
    Collected c;
    const HRESULT result =
        row.extended ? DirectDrawEnumerateEx(CollectEx, &c, row.flags) : DirectDrawEnumerateA(Collect, &c);
    EXPECT_EQ(result, DD_OK) << row.name;
    ASSERT_EQ(c.devices.size(), row.expected) << row.name;
    EXPECT_FALSE(c.devices[0].hasGuid) << row.name;
    EXPECT_EQ(c.devices[0].description, desktop.primaryDriverDescription) << row.name;
    EXPECT_EQ(c.devices[0].driver, "display") << row.name;
    EXPECT_EQ(c.devices[0].monitor, nullptr) << row.name;
    for (size_t i = 1; i < c.devices.size(); ++i) {
      const winsim::MonitorSpec& setup = desktop.monitors[i - 1];
      EXPECT_TRUE(c.devices[i].hasGuid && SameGuid(c.devices[i].guid, setup.guid)) << row.name << " device " << i;
      EXPECT_EQ(c.devices[i].description, setup.description) << row.name << " device " << i;
      EXPECT_EQ(c.devices[i].driver, "\\\\.\\DISPLAY" + std::to_string(i)) << row.name << " device " << i;
      EXPECT_EQ(c.devices[i].monitor, row.extended ? setup.monitor : nullptr) << row.name << " device " << i;
    }
  }
}

TEST(WinsimEnumerationTest, CallbackAnsweringCancelStopsBothEnumerations) {
  for (size_t stop : {1u, 2u}) {
    winsim::Reset();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    Collected ex, old;
    ex.stopAfter = old.stopAfter = stop;
    ddtest::LoadDDraw();
    DirectDrawEnumerateEx(CollectEx, &ex, DDENUM_ATTACHEDSECONDARYDEVICES);
    DirectDrawEnumerateA(Collect, &old);
    EXPECT_EQ(ex.devices.size(), stop) << "extended, stop after " << stop;
    EXPECT_EQ(old.devices.size(), stop) << "old, stop after " << stop;
  }
}

TEST(WinsimEnumerationTest, DirectDrawCreateFindsTheMonitorOfAGuid) {
  winsim::Reset();
  const winsim::DesktopSpec desktop = winsim::TwoMonitorDesktop();
  winsim::SetDesktop(desktop);
  GUID second = desktop.monitors[1].guid;
  LPDIRECTDRAW dd = ddtest::Create(&second);
  ASSERT_NE(dd, nullptr);
  LPDIRECTDRAW primary = ddtest::Create(nullptr);
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(winsim::DDCalls().at(0).monitor, 1);
  EXPECT_EQ(winsim::DDCalls().at(1).monitor, 0) << "no GUID: the primary display driver, monitor 0";
  GUID unknown = second;
  unknown.Data1 ^= 1;
  ddtest::LoadDDraw();
  LPDIRECTDRAW none = reinterpret_cast<LPDIRECTDRAW>(&unknown);
  EXPECT_EQ(DirectDrawCreate(&unknown, &none, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 2);
  EXPECT_EQ(dd->Release(), 0u);
  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
}

struct Mode {
  DWORD width, height, bits, green, pitch;
};

HRESULT WINAPI CollectMode(LPDDSURFACEDESC desc, LPVOID context) {
  static_cast<std::vector<Mode>*>(context)->push_back(
      {desc->dwWidth, desc->dwHeight, desc->ddpfPixelFormat.dwRGBBitCount, desc->ddpfPixelFormat.dwGBitMask,
       static_cast<DWORD>(desc->lPitch)});
  return desc->dwFlags == (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT) ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

TEST(WinsimEnumerationTest, ModesInTheirOrderWithTheMonitorsSixteenBitFormat) {
  struct Row {
    const char* name;
    winsim::DesktopSpec desktop;
    int monitor;
    DWORD green16;
  } rows[] = {{"5x6x5 desktop", winsim::OneMonitorDesktop(winsim::DesktopFormat::k565), 0, 0x07E0},
              {"5x5x5 desktop", winsim::OneMonitorDesktop(winsim::DesktopFormat::k555), 0, 0x03E0},
              {"32-bit desktop", winsim::OneMonitorDesktop(winsim::DesktopFormat::k32), 0, 0x07E0},
              {"second of two monitors", winsim::TwoMonitorDesktop(), 1, 0x03E0}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetDesktop(row.desktop);
    GUID guid = row.desktop.monitors[static_cast<size_t>(row.monitor)].guid;
    LPDIRECTDRAW dd = ddtest::Create(&guid);
    ASSERT_NE(dd, nullptr) << row.name;
    std::vector<Mode> modes;
    EXPECT_EQ(dd->EnumDisplayModes(0, nullptr, &modes, CollectMode), DD_OK) << row.name;
    const auto& expected = row.desktop.monitors[static_cast<size_t>(row.monitor)].modes;
    ASSERT_EQ(modes.size(), expected.size()) << row.name << ": every mode, each with its four fields";
    for (size_t i = 0; i < modes.size(); ++i) {
      EXPECT_EQ(modes[i].width, expected[i].width) << row.name << " mode " << i;
      EXPECT_EQ(modes[i].height, expected[i].height) << row.name << " mode " << i;
      EXPECT_EQ(modes[i].bits, expected[i].bits) << row.name << " mode " << i;
      EXPECT_EQ(modes[i].pitch, expected[i].width * expected[i].bits / 8) << row.name << " mode " << i;
      if (modes[i].bits == 16) {
        EXPECT_EQ(modes[i].green, row.green16) << row.name << " mode " << i;
      }
      if (modes[i].bits == 32) {
        EXPECT_EQ(modes[i].green, 0xFF00u) << row.name << " mode " << i;
      }
    }
    dd->Release();
  }
}

TEST(WinsimEnumerationTest, UnmodelledFlagsStopLoudly) {
  winsim::Reset();
  EXPECT_DEATH(DirectDrawEnumerateEx(CollectEx, nullptr, 2), "DirectDrawEnumerateExA: not modelled: flags 2");
  LPDIRECTDRAW dd = ddtest::Create();
  EXPECT_DEATH(dd->EnumDisplayModes(1, nullptr, nullptr, CollectMode), "EnumDisplayModes: not modelled");
  dd->Release();
}

}  // namespace
