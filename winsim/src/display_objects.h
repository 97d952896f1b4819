// winsim internals: the DirectDraw object and surface classes behind IDirectDraw and
// IDirectDrawSurface.
#pragma once

#include <memory>

#include "display_state.h"

namespace winsim::detail {

// A DirectDraw object on one monitor. Surfaces do not keep it alive (the first interface version
// holds no reference from surface to object), so the two are counted apart.
class DirectDrawObject final : public IDirectDraw {
 public:
  explicit DirectDrawObject(int monitor);
  ~DirectDrawObject();

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) override;
  HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC match, LPVOID context, LPDDENUMMODESCALLBACK callback) override;
  HRESULT FlipToGDISurface() override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits) override;

  const int id;
  const int monitor;
  bool exclusive = false;

 private:
  ULONG refs_ = 1;
  bool levelSet_ = false;
};

// A surface: plain memory, or for a primary the monitor's screen itself.
class Surface final : public IDirectDrawSurface {
 public:
  enum class Kind { kPrimary, kFront, kBack, kOffscreen };
  Surface(Kind kind, int monitor, int ownerId, std::shared_ptr<PixelBuffer> memory);
  ~Surface();

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Blt(LPRECT dest, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx) override;
  HRESULT Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
  HRESULT GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override;
  HRESULT GetFlipStatus(DWORD flags) override;
  HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override;
  HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
  HRESULT Restore() override;
  HRESULT Unlock(LPVOID rect) override;

  const Kind kind;
  const int monitor;
  const int ownerId;
  std::shared_ptr<PixelBuffer> memory;
  bool lost = false;
  bool locked = false;
  Surface* back = nullptr;   // a flip chain's front: its back buffer, which it holds a reference to
  Surface* front = nullptr;  // a flip chain's back buffer: its front

 private:
  DWORD Caps() const;
  void Describe(DDSURFACEDESC& desc) const;
  HRESULT ColorFill(LPRECT dest, LPDDBLTFX fx);
  HRESULT Copy(LPRECT dest, Surface& source, LPRECT sourceRect);
  ULONG Drop();  // lets go of one reference, without a record
  ULONG refs_ = 1;
};

}  // namespace winsim::detail
