// winsim: the monitors — the desktops tests choose from, and the DirectDraw device enumerations
// that report them.
#include <cstring>

#include "display_state.h"
#include "library_table.h"

namespace {
using winsim::DesktopFormat;
using winsim::DesktopSpec;
using winsim::ModeSpec;
using winsim::MonitorSpec;
using winsim::detail::D;
using Guard = std::lock_guard<std::recursive_mutex>;

HMONITOR MonitorHandle(uintptr_t n) { return reinterpret_cast<HMONITOR>(0x00010000u + n); }

GUID MonitorGuid(unsigned char n) {
  return GUID{0x67685F00u + n, 0x3A21, 0x11D0, {0x9B, 0x6D, 0x00, 0xA0, 0xC9, 0x0A, 0x53, n}};
}

}  // namespace

namespace winsim {

void SetDesktop(const DesktopSpec& desktop) {
  Guard guard(detail::S().lock);
  if (!D().objects.empty() || !D().surfaces.empty())
    Unmodelled("SetDesktop", "changing the monitors while DirectDraw objects or surfaces are alive");
  if (desktop.monitors.empty()) Unmodelled("SetDesktop", "a desktop without monitors");
  D().primaryDriverDescription = desktop.primaryDriverDescription;
  D().monitors.clear();
  for (const MonitorSpec& setup : desktop.monitors) {
    D().monitors.push_back({setup, {}, 0, nullptr});
    const DWORD bits = setup.desktopFormat == DesktopFormat::k32 ? 32 : 16;
    detail::ShowMode(static_cast<int>(D().monitors.size() - 1), {setup.desktopWidth, setup.desktopHeight, bits}, false);
  }
}

DesktopSpec OneMonitorDesktop(DesktopFormat format) {
  MonitorSpec monitor{MonitorGuid(1),
                      "Simulated Display Adapter",
                      MonitorHandle(1),
                      {{640, 480, 8},
                       {640, 480, 16},
                       {640, 480, 32},
                       {800, 600, 8},
                       {800, 600, 16},
                       {800, 600, 24},
                       {800, 600, 32},
                       {1024, 768, 16},
                       {1024, 768, 32}},
                      format,
                      1024,
                      768};
  return {"Primary Display Driver", {monitor}};
}

DesktopSpec TwoMonitorDesktop() {
  DesktopSpec desktop = OneMonitorDesktop(DesktopFormat::k565);
  MonitorSpec second{MonitorGuid(2),
                     "Simulated Second Adapter",
                     MonitorHandle(2),
                     {{640, 480, 16}, {640, 480, 32}, {800, 600, 8}, {800, 600, 16}},
                     DesktopFormat::k555,
                     800,
                     600};
  desktop.monitors.push_back(second);
  return desktop;
}

}  // namespace winsim

namespace {

// One device as the enumerations report it; its texts are copies, since a callback's text
// arguments are writable on the platform.
struct ReportedDevice {
  bool hasGuid;
  GUID guid;
  std::string description;
  std::string driver;
  HMONITOR monitor;
};

// The devices to report, taken under winsim's lock; the program's callbacks then run without it,
// since they log and call back into winsim (holding the lock across them would order winsim's
// lock before the program's own).
std::vector<ReportedDevice> Devices(bool withMonitors) {
  Guard guard(winsim::detail::S().lock);
  std::vector<ReportedDevice> devices;
  devices.push_back({false, GUID{}, D().primaryDriverDescription, "display", nullptr});
  if (!withMonitors || D().monitors.size() < 2) return devices;
  for (size_t i = 0; i < D().monitors.size(); ++i) {
    const MonitorSpec& setup = D().monitors[i].setup;
    devices.push_back({true, setup.guid, setup.description, "\\\\.\\DISPLAY" + std::to_string(i + 1), setup.monitor});
  }
  return devices;
}

}  // namespace

// The primary display driver comes first, without a GUID. The monitors follow as devices of their
// own only when asked for attached secondary devices and only on a desktop of two or more
// monitors, as on the platform (a single-monitor system lists the primary driver alone).
HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  winsim::detail::RequireDDrawLoaded("DirectDrawEnumerateExA");
  if (flags != 0 && flags != DDENUM_ATTACHEDSECONDARYDEVICES)
    winsim::Unmodelled("DirectDrawEnumerateExA", "flags " + std::to_string(flags));
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  for (ReportedDevice& d : Devices(flags == DDENUM_ATTACHEDSECONDARYDEVICES)) {
    if (!callback(d.hasGuid ? &d.guid : nullptr, d.description.data(), d.driver.data(), context, d.monitor)) break;
  }
  return DD_OK;
}

HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  winsim::detail::RequireDDrawLoaded("DirectDrawEnumerateA");
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  for (ReportedDevice& d : Devices(true)) {
    if (!callback(d.hasGuid ? &d.guid : nullptr, d.description.data(), d.driver.data(), context)) break;
  }
  return DD_OK;
}
