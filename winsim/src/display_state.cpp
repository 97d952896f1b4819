// winsim: the display model's state — pixel buffers, records, injected faults, the read-back and
// fault parts of the display control API, and the display's Reset.
#include "display_state.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "display_objects.h"
#include "display_reset.h"
#include "winsim/clock_control.h"

namespace winsim::detail {

DisplayState& D() {
  static auto* display = new DisplayState;  // never destroyed, like the rest of winsim's state
  static bool started = false;
  if (!started) {  // the start state, for programs that never call Reset
    started = true;
    SetDesktop(OneMonitorDesktop(DesktopFormat::k565));
  }
  return *display;
}

std::shared_ptr<PixelBuffer> NewPixelBuffer(DWORD width, DWORD height, const DDPIXELFORMAT& format) {
  auto buffer = std::make_shared<PixelBuffer>();
  buffer->width = width;
  buffer->height = height;
  buffer->bytesPerPixel = format.dwRGBBitCount / 8;
  // Wider than a row on purpose, so that code assuming pitch == width * 2 shows its fault.
  buffer->pitch = static_cast<LONG>(((width * buffer->bytesPerPixel + 63) & ~63u) + 64);
  buffer->bytes.resize(static_cast<size_t>(buffer->pitch) * height);
  buffer->format = format;
  PoisonFill(*buffer);
  return buffer;
}

// Neither black nor any colour the program draws, so a clear that never happened shows.
void PoisonFill(PixelBuffer& buffer) { std::fill(buffer.bytes.begin(), buffer.bytes.end(), 0xAA); }

DDPIXELFORMAT FormatOf(DWORD bits, DesktopFormat desktop) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  format.dwRGBBitCount = bits;
  if (bits == 8) {
    format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    return format;
  }
  format.dwFlags = DDPF_RGB;
  if (bits == 16 && desktop == DesktopFormat::k555) {
    format.dwRBitMask = 0x7C00;
    format.dwGBitMask = 0x03E0;
    format.dwBBitMask = 0x001F;
  } else if (bits == 16) {
    format.dwRBitMask = 0xF800;
    format.dwGBitMask = 0x07E0;
    format.dwBBitMask = 0x001F;
  } else {
    format.dwRBitMask = 0xFF0000;
    format.dwGBitMask = 0x00FF00;
    format.dwBBitMask = 0x0000FF;
  }
  return format;
}

void RunCallHook(const char* call) {
  std::function<void()> hook;
  {
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    const auto found = D().callHooks.find(call);
    if (found != D().callHooks.end()) hook = found->second;
  }
  if (hook) hook();
}

HRESULT Record(const char* call, int monitor, DWORD flags, long a0, long a1, long a2, long a3) {
  D().calls.push_back({call, monitor, flags, {a0, a1, a2, a3}, ""});
  for (auto& [name, fault] : D().faults) {
    if (name != call) continue;
    if (fault.skip > 0) {
      --fault.skip;
      return DD_OK;
    }
    if (fault.count == 0) return DD_OK;
    if (fault.count > 0) --fault.count;
    return fault.code;
  }
  return DD_OK;
}

void ShowMode(int monitor, const ModeSpec& mode, bool changed) {
  MonitorState& m = D().monitors[static_cast<size_t>(monitor)];
  m.current = mode;
  const DDPIXELFORMAT format = changed || m.setup.desktopFormat != DesktopFormat::k32
                                   ? FormatOf(mode.bits, m.setup.desktopFormat)
                                   : FormatOf(32, DesktopFormat::k32);
  m.screen = NewPixelBuffer(mode.width, mode.height, format);
}

void LoseAll(int monitor) {
  for (Surface* surface : D().surfaces) {
    if (surface->monitor == monitor) surface->lost = true;
  }
}

namespace {
// Its own lock: a held flip waits without winsim's lock, so that the thread which releases it
// can go on calling the platform.
std::mutex flipHoldLock;
std::condition_variable flipHoldChanged;
bool flipsHeld = false;
int flipsWaiting = 0;
}  // namespace

void WaitWhileFlipsHeld() {
  if (CurrentThreadNumber() == 0) return;
  std::unique_lock<std::mutex> lock(flipHoldLock);
  ++flipsWaiting;
  flipHoldChanged.wait(lock, [] { return !flipsHeld; });
  --flipsWaiting;
}

void ResetDisplay() {
  HoldFlips(false);
  auto& d = D();
  // What a test left alive is destroyed: pointers to it are no longer valid after Reset.
  while (!d.surfaces.empty()) delete d.surfaces.back();
  while (!d.objects.empty()) delete d.objects.back();
  d.calls.clear();
  d.faults.clear();
  d.callHooks.clear();
  d.lockBusy = 0;
  d.flipPending = 0;
  SetDesktop(OneMonitorDesktop(DesktopFormat::k565));
}

}  // namespace winsim::detail

namespace winsim {
using detail::D;
using Guard = std::lock_guard<std::recursive_mutex>;

std::vector<DDCallRecord> DDCalls() {
  Guard guard(detail::S().lock);
  return D().calls;
}

void OnDDCall(const std::string& call, std::function<void()> hook) {
  Guard guard(detail::S().lock);
  D().callHooks[call] = std::move(hook);
}

void FailDDCall(const std::string& call, HRESULT code, int count, int skip) {
  static const char* const kModelled[] = {"DirectDrawCreate",
                                          "SetCooperativeLevel",
                                          "SetDisplayMode",
                                          "CreateSurface",
                                          "GetSurfaceDesc",
                                          "GetAttachedSurface",
                                          "Blt",
                                          "Flip",
                                          "GetFlipStatus",
                                          "Lock",
                                          "Restore"};
  if (std::none_of(std::begin(kModelled), std::end(kModelled), [&](const char* name) { return call == name; }))
    Unmodelled("FailDDCall", "faults of " + call);
  Guard guard(detail::S().lock);
  auto& faults = D().faults;
  faults.erase(std::remove_if(faults.begin(), faults.end(), [&](const auto& f) { return f.first == call; }),
               faults.end());
  faults.push_back({call, {skip, count, code}});
}

void LoseSurfaces(int monitor) {
  Guard guard(detail::S().lock);
  detail::LoseAll(monitor);
}

void SetLockBusy(int count) {
  Guard guard(detail::S().lock);
  D().lockBusy = count;
}

void SetFlipPending(int count) {
  Guard guard(detail::S().lock);
  D().flipPending = count;
}

void HoldFlips(bool hold) {
  {
    std::lock_guard<std::mutex> lock(detail::flipHoldLock);
    detail::flipsHeld = hold;
  }
  detail::flipHoldChanged.notify_all();
}

int HeldFlips() {
  std::lock_guard<std::mutex> lock(detail::flipHoldLock);
  return detail::flipsHeld ? detail::flipsWaiting : 0;
}

std::vector<std::uint16_t> ScreenPixels(int monitor) {
  Guard guard(detail::S().lock);
  if (monitor < 0 || static_cast<size_t>(monitor) >= D().monitors.size())
    Unmodelled("ScreenPixels", "no monitor " + std::to_string(monitor));
  const detail::PixelBuffer& screen = *D().monitors[static_cast<size_t>(monitor)].screen;
  if (screen.bytesPerPixel != 2) Unmodelled("ScreenPixels", "a screen that is not 16-bit");
  std::vector<std::uint16_t> pixels(static_cast<size_t>(screen.width) * screen.height);
  for (DWORD y = 0; y < screen.height; ++y)
    std::memcpy(&pixels[y * screen.width], &screen.bytes[y * static_cast<size_t>(screen.pitch)], screen.width * 2);
  return pixels;
}

ModeSpec CurrentDisplayMode(int monitor) {
  Guard guard(detail::S().lock);
  if (monitor < 0 || static_cast<size_t>(monitor) >= D().monitors.size())
    Unmodelled("CurrentDisplayMode", "no monitor " + std::to_string(monitor));
  return D().monitors[static_cast<size_t>(monitor)].current;
}

int PresentedFrames(int monitor) {
  Guard guard(detail::S().lock);
  if (monitor < 0 || static_cast<size_t>(monitor) >= D().monitors.size())
    Unmodelled("PresentedFrames", "no monitor " + std::to_string(monitor));
  return D().monitors[static_cast<size_t>(monitor)].presentedFrames;
}

int LiveDirectDrawObjects() {
  Guard guard(detail::S().lock);
  return static_cast<int>(D().objects.size());
}

int LiveSurfaces() {
  Guard guard(detail::S().lock);
  return static_cast<int>(D().surfaces.size());
}

}  // namespace winsim
