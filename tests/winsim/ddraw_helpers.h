// Small helpers for winsim's DirectDraw tests: objects at a level, surfaces of each kind, fills and
// pixel reads through Lock.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "winsim/control.h"

namespace ddtest {

inline constexpr DWORD kExclusive = DDSCL_SETDEVICEWINDOW | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN;

// DirectDraw is reached through the loaded library, as the program reaches it; the reference is
// let go by winsim::Reset.
inline void LoadDDraw() { EXPECT_NE(LoadLibraryA("ddraw.dll"), nullptr); }

inline LPDIRECTDRAW Create(GUID* guid = nullptr) {
  LoadDDraw();
  LPDIRECTDRAW dd = nullptr;
  EXPECT_EQ(DirectDrawCreate(guid, &dd, nullptr), DD_OK);
  return dd;
}

inline LPDIRECTDRAW CreateAt(DWORD level, GUID* guid = nullptr) {
  LPDIRECTDRAW dd = Create(guid);
  if (dd != nullptr) {
    EXPECT_EQ(dd->SetCooperativeLevel(winsim::CreateTestWindow({0, 0}), level), DD_OK);
  }
  return dd;
}

inline DDSURFACEDESC Desc(DWORD flags, DWORD caps, DWORD width = 0, DWORD height = 0) {
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = flags;
  desc.ddsCaps.dwCaps = caps;
  desc.dwWidth = width;
  desc.dwHeight = height;
  if (flags & DDSD_BACKBUFFERCOUNT) desc.dwBackBufferCount = 1;
  return desc;
}

inline DDSURFACEDESC PrimaryDesc() { return Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE); }
inline DDSURFACEDESC ChainDesc() {
  return Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
}
inline DDSURFACEDESC OffscreenDesc(DWORD width, DWORD height) {
  return Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, width, height);
}

inline LPDIRECTDRAWSURFACE Surface(LPDIRECTDRAW dd, DDSURFACEDESC desc) {
  LPDIRECTDRAWSURFACE surface = nullptr;
  EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
  return surface;
}

inline LPDIRECTDRAWSURFACE BackOf(LPDIRECTDRAWSURFACE front) {
  DDSCAPS caps = {DDSCAPS_BACKBUFFER};
  LPDIRECTDRAWSURFACE back = nullptr;
  EXPECT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  return back;
}

inline HRESULT Fill(LPDIRECTDRAWSURFACE surface, DWORD colour, RECT* rect = nullptr) {
  DDBLTFX fx = {};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = colour;
  return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

inline DDSURFACEDESC DescOf(LPDIRECTDRAWSURFACE surface) {
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
  return desc;
}

// The 16-bit pixel at (x, y), read through Lock.
inline WORD PixelAt(LPDIRECTDRAWSURFACE surface, int x, int y) {
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return 0;
  const WORD pixel = reinterpret_cast<const WORD*>(static_cast<const BYTE*>(desc.lpSurface) + y * desc.lPitch)[x];
  surface->Unlock(nullptr);
  return pixel;
}

}  // namespace ddtest
