// winsim internals: the display model shared by the DirectDraw sources — monitors and what they
// show, live objects and surfaces, records and faults.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ddraw.h"
#include "state.h"

// Exported by ddraw.dll only from the extended-enumeration versions on; the program finds it through
// GetProcAddress, so winsim's <ddraw.h> does not declare it.
HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);

namespace winsim::detail {

// Pixel memory: what a surface draws into, and for a primary what the monitor shows.
struct PixelBuffer {
  DWORD width = 0;
  DWORD height = 0;
  DWORD bytesPerPixel = 2;
  LONG pitch = 0;
  std::vector<unsigned char> bytes;
  DDPIXELFORMAT format{};
};
std::shared_ptr<PixelBuffer> NewPixelBuffer(DWORD width, DWORD height, const DDPIXELFORMAT& format);
void PoisonFill(PixelBuffer& buffer);
// The published pixel format of a mode's bit depth; 16-bit is 5x5x5 on a k555 monitor.
DDPIXELFORMAT FormatOf(DWORD bits, DesktopFormat desktop);

struct MonitorState {
  MonitorSpec setup;
  ModeSpec current;
  int modeOwner = 0;                    // id of the object that changed the mode, 0 for none
  std::shared_ptr<PixelBuffer> screen;  // what the monitor shows
  int presentedFrames = 0;              // flips of its chain and copies onto its primary that succeeded
};

class Surface;
class DirectDrawObject;

struct DDFault {
  int skip = 0;
  int count = 0;  // -1: always
  HRESULT code = DD_OK;
};

struct DisplayState {
  std::string primaryDriverDescription;
  std::vector<MonitorState> monitors;
  std::vector<DirectDrawObject*> objects;  // live objects
  std::vector<Surface*> surfaces;          // live surfaces
  std::vector<DDCallRecord> calls;
  std::vector<std::pair<std::string, DDFault>> faults;
  std::map<std::string, std::function<void()>> callHooks;
  int lockBusy = 0;
  int flipPending = 0;
  bool directX3 = false;  // SetCooperativeLevel knows only DirectX 3's flags (SetDDrawLibrary)
  int nextObjectId = 1;
};

DisplayState& D();
// Records the call; returns the injected failure for it, or DD_OK.
// Runs the test's hook for `call`, if any, before winsim takes its lock for the call.
void RunCallHook(const char* call);
HRESULT Record(const char* call, int monitor, DWORD flags = 0, long a0 = 0, long a1 = 0, long a2 = 0, long a3 = 0);
// Puts a new screen of the monitor's current mode in place (poison-filled) after a mode change.
void ShowMode(int monitor, const ModeSpec& mode, bool changed);
// Marks every live surface of the monitor lost.
void LoseAll(int monitor);
// On a thread the program started: returns once flips are not held (HoldFlips). Called without
// winsim's lock.
void WaitWhileFlipsHeld();

}  // namespace winsim::detail
