// winsim's control API for the display platform: loadable libraries, monitors and their modes,
// DirectDraw faults and records, and what each screen shows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "winsim/win_kernel.h"
#include "winsim/win_types.h"

namespace winsim {

// --- kernel: libraries loaded at run time -----------------------------------------------------
// Adds or replaces a library of the table (names compared case-insensitively; a name without an
// extension means NAME.DLL, as LoadLibraryA reads it). An absent library fails LoadLibraryA with
// ERROR_MOD_NOT_FOUND; an export not listed fails GetProcAddress with ERROR_PROC_NOT_FOUND.
void SetLibrary(const std::string& name, bool present, std::map<std::string, FARPROC> exports = {});
void RemoveLibrary(const std::string& name);
// ddraw.dll as the program meets it: absent (a Windows 95 that never had DirectX); DirectX 3's
// (the DirectX of Windows NT 4.0 and of many Windows 95 machines: no extended enumeration, and a
// SetCooperativeLevel that answers DDERR_INVALIDPARAMS to any flag but FULLSCREEN, ALLOWREBOOT,
// NOWINDOWCHANGES, NORMAL, EXCLUSIVE and ALLOWMODEX, or to flags without EXCLUSIVE or NORMAL);
// without the extended enumeration but with the focus and device windows; or complete (the start
// state).
enum class DDrawLibrary { kMissing, kDirectX3, kWithoutEnumerateEx, kComplete };
void SetDDrawLibrary(DDrawLibrary library);
// LoadLibraryA calls minus FreeLibrary calls for that library: 0 once the program freed it.
int LoadedLibraryCount(const std::string& name);

// --- display: monitors and modes --------------------------------------------------------------
enum class DesktopFormat { k555, k565, k32 };
struct ModeSpec {
  DWORD width;
  DWORD height;
  DWORD bits;
};
struct MonitorSpec {
  GUID guid;
  std::string description;
  HMONITOR monitor;
  std::vector<ModeSpec> modes;  // in the order EnumDisplayModes reports them
  DesktopFormat desktopFormat;  // also decides 5x5x5 (k555) or 5x6x5 for the 16-bit modes
  DWORD desktopWidth;
  DWORD desktopHeight;
};
struct DesktopSpec {
  std::string primaryDriverDescription;
  std::vector<MonitorSpec> monitors;  // monitor 0 is the primary display
};
// Replaces the monitors; every screen shows its desktop mode, poison-filled. Start state:
// OneMonitorDesktop(DesktopFormat::k565).
void SetDesktop(const DesktopSpec& desktop);
// A 1024x768 desktop with 8-, 16-, 24- and 32-bit modes from 640x480 to 1024x768.
DesktopSpec OneMonitorDesktop(DesktopFormat format = DesktopFormat::k565);
// Two monitors with their own GUIDs, descriptions and mode lists: a 1024x768 5x6x5 primary and a
// 800x600 5x5x5 second monitor.
DesktopSpec TwoMonitorDesktop();

// --- display: DirectDraw records, faults and read-back ----------------------------------------
// One DirectDraw call as the program made it, in order. monitor: the index of the monitor of the
// object or surface (-1 when DirectDrawCreate named no monitor it could find). flags and args per
// call: DirectDrawCreate —; EnumDisplayModes flags; SetCooperativeLevel flags, args[0] the window;
// SetDisplayMode args w, h, bits; FlipToGDISurface —; CreateSurface flags = dwFlags, args caps,
// width, height, back buffer count; GetSurfaceDesc —; GetAttachedSurface args[0] caps;
// Blt flags, args the destination rectangle (all 0 for none); Flip flags; GetFlipStatus flags;
// Lock flags; Unlock —; Restore —; Release — (the program's own calls: a flip chain's front letting
// go of its back buffer is not one).
// surface: the surface a surface call went to — "primary" (a primary without back buffer),
// "front" (a flip chain's primary), "back" (its back buffer) or "offscreen"; empty for the calls of
// the DirectDraw object and for DirectDrawCreate.
struct DDCallRecord {
  std::string call;
  int monitor;
  DWORD flags;
  long args[4];
  std::string surface;
};
// A copy: the program's drawing thread may be adding to the record meanwhile.
std::vector<DDCallRecord> DDCalls();
// The next `count` calls of `call` (after `skip` that behave normally) fail with `code`; count -1
// fails every call. Modelled for DirectDrawCreate, SetCooperativeLevel, SetDisplayMode,
// CreateSurface, GetSurfaceDesc, GetAttachedSurface, Blt, Flip, GetFlipStatus, Lock, Restore.
void FailDDCall(const std::string& call, HRESULT code, int count = 1, int skip = 0);
// Every live surface of the monitor's objects reports DDERR_SURFACELOST on Lock, Blt, Flip and
// GetFlipStatus until it is restored.
void LoseSurfaces(int monitor);
// The next `count` Lock calls fail with DDERR_SURFACEBUSY.
void SetLockBusy(int count);
// The next `count` GetFlipStatus calls answer DDERR_WASSTILLDRAWING.
void SetFlipPending(int count);
// Runs `hook` on the calling thread each time the program calls `call` (before the call is
// recorded and acts, also when a fault strikes it), without winsim's lock: lets a test make
// something happen at that exact point of the program's work, such as a message that arrives
// while the devices are being made, or time that a failing presentation takes. Modelled for
// SetCooperativeLevel, SetDisplayMode, FlipToGDISurface, GetFlipStatus, Flip and Blt. An empty hook
// removes it; Reset removes all.
void OnDDCall(const std::string& call, std::function<void()> hook);
// While held, a Flip or a copy onto a primary surface (a window's presentation) called on a thread
// the program started (its drawing thread) waits before it does anything, until HoldFlips(false)
// (or Reset): the frame being presented stays unshown for as long as the test needs, for example
// until the window thread has handled the input that must come before it, or the drawing thread
// stays inside the platform as a call that never returns would keep it. Presentations of other
// threads (the window thread clearing the buffers) go on.
void HoldFlips(bool hold);
// How many presentations are waiting in a hold now: a test knows that the drawing thread is inside
// the platform before it goes on.
int HeldFlips();
// What the monitor shows, row-major, width = its current mode's width: the front buffer of a flip
// chain, or the primary's memory (which is the screen) at the normal level. 16-bit screens only.
std::vector<std::uint16_t> ScreenPixels(int monitor);
ModeSpec CurrentDisplayMode(int monitor);
// Frames the monitor presented since SetDesktop: flips of its chain and copies onto its primary
// (a window's presentation) that succeeded.
int PresentedFrames(int monitor);
int LiveDirectDrawObjects();
int LiveSurfaces();

}  // namespace winsim
