// winsim: DirectDrawCreate and the DirectDraw object — display modes, cooperative levels, mode
// changes and surface creation.
#include <algorithm>

#include "display_objects.h"
#include "library_table.h"

namespace winsim::detail {
namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// The cooperative levels the program asks for, and whether each is exclusive.
struct Level {
  DWORD flags;
  bool exclusive;
};
constexpr Level kLevels[] = {
    {DDSCL_SETFOCUSWINDOW, false},
    {DDSCL_SETDEVICEWINDOW | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN, true},
    {DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN, true},
    {DDSCL_NORMAL, false},
    {DDSCL_CREATEDEVICEWINDOW | DDSCL_SETFOCUSWINDOW | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN, true},
    {DDSCL_CREATEDEVICEWINDOW | DDSCL_SETFOCUSWINDOW | DDSCL_NORMAL, false},
};

// The only flags DirectX 3 knows; it also requires EXCLUSIVE or NORMAL.
constexpr DWORD kDirectX3Flags =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES | DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;

bool DirectX3Refuses(DWORD flags) {
  return (flags & ~kDirectX3Flags) != 0 || (flags & (DDSCL_EXCLUSIVE | DDSCL_NORMAL)) == 0;
}

MonitorState& MonitorOf(int monitor) { return D().monitors[static_cast<size_t>(monitor)]; }

}  // namespace

DirectDrawObject::DirectDrawObject(int monitorIndex) : id(D().nextObjectId++), monitor(monitorIndex) {
  D().objects.push_back(this);
}

DirectDrawObject::~DirectDrawObject() {
  auto& objects = D().objects;
  objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
}

HRESULT DirectDrawObject::QueryInterface(REFIID, void** object) {
  if (object != nullptr) *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DirectDrawObject::AddRef() {
  Guard guard(S().lock);
  return ++refs_;
}

ULONG DirectDrawObject::Release() {
  Guard guard(S().lock);
  if (refs_ == 0) Unmodelled("IDirectDraw::Release", "an object already released");
  Record("Release", monitor);
  if (--refs_ > 0) return refs_;
  // The platform puts the desktop's mode back when the object that changed it goes.
  MonitorState& m = MonitorOf(monitor);
  if (m.modeOwner == id) {
    m.modeOwner = 0;
    const DWORD bits = m.setup.desktopFormat == DesktopFormat::k32 ? 32 : 16;
    ShowMode(monitor, {m.setup.desktopWidth, m.setup.desktopHeight, bits}, false);
    LoseAll(monitor);
  }
  delete this;
  return 0;
}

HRESULT DirectDrawObject::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                           LPDDENUMMODESCALLBACK callback) {
  if (flags != 0 || match != nullptr) Unmodelled("EnumDisplayModes", "flags or a mode to match");
  MonitorSpec setup;
  {
    // A copy taken under the lock: the callbacks run without it, as they log and call back into
    // winsim.
    Guard guard(S().lock);
    Record("EnumDisplayModes", monitor, flags);
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    setup = MonitorOf(monitor).setup;
  }
  for (const ModeSpec& mode : setup.modes) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = mode.width;
    desc.dwHeight = mode.height;
    desc.lPitch = static_cast<LONG>(mode.width * mode.bits / 8);
    desc.ddpfPixelFormat = FormatOf(mode.bits, setup.desktopFormat);
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT DirectDrawObject::FlipToGDISurface() {
  RunCallHook("FlipToGDISurface");
  Guard guard(S().lock);
  Record("FlipToGDISurface", monitor);
  return DD_OK;
}

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags) {
  RunCallHook("SetCooperativeLevel");
  Guard guard(S().lock);
  const HRESULT fault =
      Record("SetCooperativeLevel", monitor, flags, static_cast<long>(reinterpret_cast<intptr_t>(window)));
  const Level* level =
      std::find_if(std::begin(kLevels), std::end(kLevels), [&](const Level& l) { return l.flags == flags; });
  if (level == std::end(kLevels)) Unmodelled("SetCooperativeLevel", "flags " + std::to_string(flags));
  if (fault != DD_OK) return fault;
  // DirectX 3 refuses a flag it does not know without looking at the rest; the level stays as it was.
  if (D().directX3 && DirectX3Refuses(flags)) return DDERR_INVALIDPARAMS;
  if (level->exclusive) {
    for (const DirectDrawObject* other : D().objects) {
      if (other != this && other->monitor == monitor && other->exclusive) return DDERR_EXCLUSIVEMODEALREADYSET;
    }
  }
  // Setting the focus window alone leaves the exclusive level as it was.
  if (flags != DDSCL_SETFOCUSWINDOW) exclusive = level->exclusive;
  levelSet_ = true;
  return DD_OK;
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bits) {
  RunCallHook("SetDisplayMode");
  Guard guard(S().lock);
  const HRESULT fault = Record("SetDisplayMode", monitor, 0, static_cast<long>(width), static_cast<long>(height),
                               static_cast<long>(bits));
  if (fault != DD_OK) return fault;
  if (!exclusive) return DDERR_NOEXCLUSIVEMODE;
  MonitorState& m = MonitorOf(monitor);
  const auto& modes = m.setup.modes;
  const bool listed = std::any_of(modes.begin(), modes.end(), [&](const ModeSpec& mode) {
    return mode.width == width && mode.height == height && mode.bits == bits;
  });
  if (!listed) return DDERR_INVALIDMODE;
  // Surfaces made for the old mode no longer fit the screen: the platform reports them lost.
  ShowMode(monitor, {width, height, bits}, true);
  m.modeOwner = id;
  LoseAll(monitor);
  return DD_OK;
}

HRESULT DirectDrawObject::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) {
  if (outer != nullptr) Unmodelled("CreateSurface", "an aggregating outer object");
  Guard guard(S().lock);
  const DWORD flags = desc ? desc->dwFlags : 0;
  const DWORD caps = desc ? desc->ddsCaps.dwCaps : 0;
  const HRESULT fault =
      Record("CreateSurface", monitor, flags, static_cast<long>(caps), desc ? static_cast<long>(desc->dwWidth) : 0,
             desc ? static_cast<long>(desc->dwHeight) : 0, desc ? static_cast<long>(desc->dwBackBufferCount) : 0);
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  const bool primary = flags == DDSD_CAPS && caps == DDSCAPS_PRIMARYSURFACE;
  const bool chain =
      flags == (DDSD_CAPS | DDSD_BACKBUFFERCOUNT) && caps == (DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
  const bool offscreen = flags == (DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT) && caps == DDSCAPS_OFFSCREENPLAIN;
  if (!primary && !chain && !offscreen)
    Unmodelled("CreateSurface", "flags " + std::to_string(flags) + " caps " + std::to_string(caps));
  if (chain && desc->dwBackBufferCount != 1)
    Unmodelled("CreateSurface", std::to_string(desc->dwBackBufferCount) + " back buffers");
  if (fault != DD_OK) return fault;
  if (!levelSet_) return DDERR_NOCOOPERATIVELEVELSET;

  MonitorState& m = MonitorOf(monitor);
  if (offscreen) {
    if (desc->dwWidth == 0 || desc->dwHeight == 0) return DDERR_INVALIDPARAMS;
    *surface = new Surface(Surface::Kind::kOffscreen, monitor, id,
                           NewPixelBuffer(desc->dwWidth, desc->dwHeight, m.screen->format));
    return DD_OK;
  }
  // Only the exclusive level owns the primary: at the normal level windowed code may hold several
  // (as Wine shows).
  for (const Surface* s : D().surfaces) {
    if (exclusive && s->ownerId == id && (s->kind == Surface::Kind::kPrimary || s->kind == Surface::Kind::kFront))
      return DDERR_PRIMARYSURFACEALREADYEXISTS;
  }
  if (primary) {
    *surface = new Surface(Surface::Kind::kPrimary, monitor, id, m.screen);
    return DD_OK;
  }
  if (!exclusive) return DDERR_NOEXCLUSIVEMODE;
  auto* front = new Surface(Surface::Kind::kFront, monitor, id, m.screen);
  auto* back = new Surface(Surface::Kind::kBack, monitor, id,
                           NewPixelBuffer(m.screen->width, m.screen->height, m.screen->format));
  front->back = back;
  back->front = front;
  *surface = front;
  return DD_OK;
}

}  // namespace winsim::detail

HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* directDraw, IUnknown* outer) {
  using namespace winsim::detail;
  RequireDDrawLoaded("DirectDrawCreate");
  if (outer != nullptr) winsim::Unmodelled("DirectDrawCreate", "an aggregating outer object");
  if (reinterpret_cast<uintptr_t>(guid) == 1 || reinterpret_cast<uintptr_t>(guid) == 2)
    winsim::Unmodelled("DirectDrawCreate", "DDCREATE_HARDWAREONLY or DDCREATE_EMULATIONONLY");
  Guard guard(S().lock);
  int monitor = guid == nullptr ? 0 : -1;
  for (size_t i = 0; guid != nullptr && i < D().monitors.size(); ++i) {
    const GUID& g = D().monitors[i].setup.guid;
    if (g.Data1 == guid->Data1 && g.Data2 == guid->Data2 && g.Data3 == guid->Data3 &&
        std::equal(std::begin(g.Data4), std::end(g.Data4), std::begin(guid->Data4)))
      monitor = static_cast<int>(i);
  }
  const HRESULT fault = Record("DirectDrawCreate", monitor);
  if (directDraw == nullptr) return DDERR_INVALIDPARAMS;
  *directDraw = nullptr;
  if (fault != DD_OK) return fault;
  // The published answer for a GUID that names no DirectDraw device.
  if (monitor < 0) return DDERR_INVALIDDIRECTDRAWGUID;
  *directDraw = new DirectDrawObject(monitor);
  return DD_OK;
}
