// winsim: DirectDraw surfaces — lock, colour fill and copy, flip, restore, and the lost, busy and
// still-drawing states tests inject.
#include <algorithm>
#include <cstring>

#include "display_objects.h"
#include "display_reset.h"

namespace winsim::detail {
namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

long L(LONG v) { return static_cast<long>(v); }

RECT Whole(const PixelBuffer& b) { return {0, 0, static_cast<LONG>(b.width), static_cast<LONG>(b.height)}; }

// Without a clipper the platform takes a rectangle only when it is non-empty and lies wholly on
// its surface; anything else is DDERR_INVALIDRECT, and nothing is drawn.
bool OnSurface(const RECT& r, const PixelBuffer& b) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= static_cast<LONG>(b.width) &&
         r.bottom <= static_cast<LONG>(b.height);
}

unsigned char* At(PixelBuffer& b, LONG x, LONG y) {
  return &b.bytes[static_cast<size_t>(y) * static_cast<size_t>(b.pitch) + static_cast<size_t>(x) * b.bytesPerPixel];
}

const char* KindName(Surface::Kind kind) {
  switch (kind) {
    case Surface::Kind::kPrimary: return "primary";
    case Surface::Kind::kFront: return "front";
    case Surface::Kind::kBack: return "back";
    case Surface::Kind::kOffscreen: break;
  }
  return "offscreen";
}

// Records a call of the program on the surface of `kind`.
HRESULT RecordOn(Surface::Kind kind, const char* call, int monitor, DWORD flags = 0, long a0 = 0, long a1 = 0,
                 long a2 = 0, long a3 = 0) {
  const HRESULT fault = Record(call, monitor, flags, a0, a1, a2, a3);
  D().calls.back().surface = KindName(kind);
  return fault;
}

}  // namespace

Surface::Surface(Kind k, int m, int owner, std::shared_ptr<PixelBuffer> mem)
    : kind(k), monitor(m), ownerId(owner), memory(std::move(mem)) {
  D().surfaces.push_back(this);
}

Surface::~Surface() {
  if (back != nullptr) back->front = nullptr;
  if (front != nullptr) front->back = nullptr;
  auto& surfaces = D().surfaces;
  surfaces.erase(std::remove(surfaces.begin(), surfaces.end(), this), surfaces.end());
}

HRESULT Surface::QueryInterface(REFIID, void** object) {
  if (object != nullptr) *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
  Guard guard(S().lock);
  return ++refs_;
}

ULONG Surface::Release() {
  Guard guard(S().lock);
  if (refs_ == 0) Unmodelled("IDirectDrawSurface::Release", "a surface already released");
  RecordOn(kind, "Release", monitor);
  return Drop();
}

ULONG Surface::Drop() {
  if (--refs_ > 0) return refs_;
  // The front of a flip chain holds the chain's reference to its back buffer.
  if (back != nullptr) back->Drop();
  delete this;
  return 0;
}

DWORD Surface::Caps() const {
  switch (kind) {
    case Kind::kPrimary: return DDSCAPS_PRIMARYSURFACE;
    case Kind::kFront: return DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    case Kind::kBack: return DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    case Kind::kOffscreen: break;
  }
  return DDSCAPS_OFFSCREENPLAIN;
}

void Surface::Describe(DDSURFACEDESC& desc) const {
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc.dwWidth = memory->width;
  desc.dwHeight = memory->height;
  desc.lPitch = memory->pitch;
  desc.ddpfPixelFormat = memory->format;
  desc.ddsCaps.dwCaps = Caps();
  if (kind == Kind::kFront) {
    desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
  }
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "GetSurfaceDesc", monitor);
  if (fault != DD_OK) return fault;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  Describe(*desc);
  return DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) {
  if (rect != nullptr || event != nullptr) Unmodelled("Lock", "a rectangle or an event");
  if ((flags & ~static_cast<DWORD>(DDLOCK_WAIT)) != 0) Unmodelled("Lock", "flags " + std::to_string(flags));
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "Lock", monitor, flags);
  if (fault != DD_OK) return fault;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  if (lost) return DDERR_SURFACELOST;
  if (D().lockBusy > 0) {
    --D().lockBusy;
    return DDERR_SURFACEBUSY;
  }
  if (locked) return DDERR_SURFACEBUSY;
  locked = true;
  Describe(*desc);
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = memory->bytes.data();
  return DD_OK;
}

HRESULT Surface::Unlock(LPVOID rect) {
  if (rect != nullptr) Unmodelled("Unlock", "a rectangle");
  Guard guard(S().lock);
  RecordOn(kind, "Unlock", monitor);
  if (!locked) return DDERR_NOTLOCKED;
  locked = false;
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) {
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "GetAttachedSurface", monitor, 0, caps ? static_cast<long>(caps->dwCaps) : 0);
  if (caps == nullptr || surface == nullptr) return DDERR_INVALIDPARAMS;
  if (caps->dwCaps != DDSCAPS_BACKBUFFER) Unmodelled("GetAttachedSurface", "caps " + std::to_string(caps->dwCaps));
  *surface = nullptr;
  if (fault != DD_OK) return fault;
  if (back == nullptr) return DDERR_NOTFOUND;
  back->AddRef();
  *surface = back;
  return DD_OK;
}

HRESULT Surface::GetFlipStatus(DWORD flags) {
  if (flags != DDGFS_ISFLIPDONE && flags != DDGFS_CANFLIP)
    Unmodelled("GetFlipStatus", "flags " + std::to_string(flags));
  RunCallHook("GetFlipStatus");
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "GetFlipStatus", monitor, flags);
  if (fault != DD_OK) return fault;
  if (lost) return DDERR_SURFACELOST;
  if (D().flipPending > 0) {
    --D().flipPending;
    return DDERR_WASSTILLDRAWING;
  }
  return DD_OK;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags) {
  if (target != nullptr || flags != 0) Unmodelled("Flip", "a target surface or flags");
  WaitWhileFlipsHeld();
  RunCallHook("Flip");
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "Flip", monitor, flags);
  if (fault != DD_OK) return fault;
  if (kind != Kind::kFront || back == nullptr) return DDERR_NOTFLIPPABLE;
  if (lost || back->lost) return DDERR_SURFACELOST;
  if (locked || back->locked) return DDERR_SURFACEBUSY;
  // The surface objects stay; their memory changes places, and the monitor shows the new front.
  std::swap(memory, back->memory);
  D().monitors[static_cast<size_t>(monitor)].screen = memory;
  ++D().monitors[static_cast<size_t>(monitor)].presentedFrames;
  Presented();
  return DD_OK;
}

HRESULT Surface::Restore() {
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "Restore", monitor);
  if (fault != DD_OK) return fault;
  if (kind == Kind::kBack) return DDERR_IMPLICITLYCREATED;
  if (kind == Kind::kPrimary || kind == Kind::kFront) {
    const PixelBuffer& screen = *D().monitors[static_cast<size_t>(monitor)].screen;
    // A primary made for another mode cannot come back in this one.
    if (screen.width != memory->width || screen.height != memory->height ||
        screen.format.dwRGBBitCount != memory->format.dwRGBBitCount)
      return DDERR_WRONGMODE;
  }
  if (!lost && (back == nullptr || !back->lost)) return DD_OK;
  if (kind == Kind::kPrimary || kind == Kind::kFront) memory = D().monitors[static_cast<size_t>(monitor)].screen;
  // The memory of a lost surface comes back with undefined content.
  PoisonFill(*memory);
  lost = false;
  if (back != nullptr) {
    PoisonFill(*back->memory);
    back->lost = false;
  }
  return DD_OK;
}

HRESULT Surface::Blt(LPRECT dest, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx) {
  // A copy onto the primary is a window's flip: held like one.
  if (kind == Kind::kPrimary && (flags & DDBLT_COLORFILL) == 0) WaitWhileFlipsHeld();
  RunCallHook("Blt");
  Guard guard(S().lock);
  const HRESULT fault = RecordOn(kind, "Blt", monitor, flags, dest ? L(dest->left) : 0, dest ? L(dest->top) : 0,
                                 dest ? L(dest->right) : 0, dest ? L(dest->bottom) : 0);
  const DWORD operation = flags & ~static_cast<DWORD>(DDBLT_WAIT);
  if (operation == DDBLT_COLORFILL) {
    if (source != nullptr || sourceRect != nullptr) Unmodelled("Blt", "a colour fill with a source");
    if (fault != DD_OK) return fault;
    return ColorFill(dest, fx);
  }
  if (operation != 0) Unmodelled("Blt", "flags " + std::to_string(flags));
  if (fx != nullptr) Unmodelled("Blt", "effects on a copy");
  if (fault != DD_OK) return fault;
  if (source == nullptr) return DDERR_INVALIDPARAMS;
  const HRESULT copied = Copy(dest, *static_cast<Surface*>(source), sourceRect);
  // A copy onto the primary is how a window presents its frame.
  if (copied == DD_OK && kind == Kind::kPrimary) {
    ++D().monitors[static_cast<size_t>(monitor)].presentedFrames;
    Presented();
  }
  return copied;
}

HRESULT Surface::ColorFill(LPRECT dest, LPDDBLTFX fx) {
  if (fx == nullptr || fx->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
  if (lost) return DDERR_SURFACELOST;
  if (locked) return DDERR_SURFACEBUSY;
  const RECT r = dest ? *dest : Whole(*memory);
  if (!OnSurface(r, *memory)) return DDERR_INVALIDRECT;
  for (LONG y = r.top; y < r.bottom; ++y) {
    for (LONG x = r.left; x < r.right; ++x) {
      unsigned char* pixel = At(*memory, x, y);
      for (DWORD i = 0; i < memory->bytesPerPixel; ++i)
        pixel[i] = static_cast<unsigned char>(fx->dwFillColor >> (8 * i));
    }
  }
  return DD_OK;
}

HRESULT Surface::Copy(LPRECT dest, Surface& source, LPRECT sourceRect) {
  if (lost || source.lost) return DDERR_SURFACELOST;
  if (locked || source.locked) return DDERR_SURFACEBUSY;
  if (source.memory->bytesPerPixel != memory->bytesPerPixel) Unmodelled("Blt", "a copy between pixel formats");
  const RECT d = dest ? *dest : Whole(*memory);
  const RECT s = sourceRect ? *sourceRect : Whole(*source.memory);
  if (!OnSurface(d, *memory) || !OnSurface(s, *source.memory)) return DDERR_INVALIDRECT;
  if (d.right - d.left != s.right - s.left || d.bottom - d.top != s.bottom - s.top) Unmodelled("Blt", "stretching");
  const LONG width = d.right - d.left;
  const LONG height = d.bottom - d.top;
  const size_t rowBytes = static_cast<size_t>(width) * memory->bytesPerPixel;
  std::vector<unsigned char> rows(rowBytes * static_cast<size_t>(height));  // the source may be this surface
  for (LONG y = 0; y < height; ++y) std::memcpy(&rows[rowBytes * y], At(*source.memory, s.left, s.top + y), rowBytes);
  for (LONG y = 0; y < height; ++y) std::memcpy(At(*memory, d.left, d.top + y), &rows[rowBytes * y], rowBytes);
  return DD_OK;
}

}  // namespace winsim::detail
