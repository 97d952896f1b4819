// DirectDraw as the program uses it: the device enumeration, the display modes, the primary surface
// at the normal cooperative level, off-screen surfaces that lock, fill and copy, the full-screen
// flip chain, and every object released to a count of 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32.h"
#include "test_window.h"

namespace {

template <typename Function>
Function As(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

struct Device {
  bool hasGuid;
  bool hasMonitor;
};

BOOL WINAPI CollectDevice(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR monitor) {
  static_cast<std::vector<Device>*>(context)->push_back({guid != nullptr, monitor != nullptr});
  return TRUE;
}

BOOL WINAPI StopAtFirstDevice(GUID*, LPSTR, LPSTR, LPVOID context, HMONITOR) {
  ++*static_cast<int*>(context);
  return FALSE;
}

TEST(DirectDrawConformance, ExtendedEnumerationReportsThePrimaryDriverFirst) {
  HMODULE library = LoadLibraryA("ddraw.dll");
  ASSERT_NE(library, nullptr);
  auto enumerate = As<LPDIRECTDRAWENUMERATEEXA>(GetProcAddress(library, "DirectDrawEnumerateExA"));
  ASSERT_NE(enumerate, nullptr);
  std::vector<Device> devices;
  EXPECT_EQ(enumerate(CollectDevice, &devices, DDENUM_ATTACHEDSECONDARYDEVICES), DD_OK);
  ASSERT_FALSE(devices.empty());
  EXPECT_FALSE(devices[0].hasGuid) << "the primary display driver has no GUID";
  EXPECT_FALSE(devices[0].hasMonitor);
  // Windows lists monitor devices only on a desktop of two or more monitors; Wine lists its one
  // monitor too. Either way every device after the first names its GUID and monitor.
  for (size_t i = 1; i < devices.size(); ++i) {
    EXPECT_TRUE(devices[i].hasGuid) << "device " << i;
    EXPECT_TRUE(devices[i].hasMonitor) << "device " << i;
  }
  int calls = 0;
  EXPECT_EQ(enumerate(StopAtFirstDevice, &calls, DDENUM_ATTACHEDSECONDARYDEVICES), DD_OK);
  EXPECT_EQ(calls, 1) << "a callback answering DDENUMRET_CANCEL ends the enumeration";
  EXPECT_NE(FreeLibrary(library), FALSE);
}

struct Modes {
  std::vector<DDSURFACEDESC> all;
  size_t stopAfter = 0;  // 0: never stop
};

HRESULT WINAPI CollectMode(LPDDSURFACEDESC desc, LPVOID context) {
  auto* modes = static_cast<Modes*>(context);
  modes->all.push_back(*desc);
  return modes->all.size() == modes->stopAfter ? DDENUMRET_CANCEL : DDENUMRET_OK;
}

class DirectDrawTest : public ::testing::Test {
 protected:
  // The library is held while its objects live, as the program holds it.
  void SetUp() override {
    library_ = LoadLibraryA("ddraw.dll");
    ASSERT_NE(library_, nullptr);
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd_, nullptr), DD_OK);
  }
  void TearDown() override {
    for (auto it = surfaces_.rbegin(); it != surfaces_.rend(); ++it) (*it)->Release();
    if (dd_ != nullptr) {
      EXPECT_EQ(dd_->Release(), 0u) << "the DirectDraw object outlived its test";
    }
    if (library_ != nullptr) FreeLibrary(library_);
  }
  // A surface released by TearDown, last made first released.
  LPDIRECTDRAWSURFACE Create(DDSURFACEDESC desc) {
    LPDIRECTDRAWSURFACE surface = nullptr;
    desc.dwSize = sizeof desc;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK) << "caps " << desc.ddsCaps.dwCaps;
    if (surface != nullptr) surfaces_.push_back(surface);
    return surface;
  }
  // The full-screen set-up: the focus window first, then the exclusive level, an 800 x 600 x 16
  // mode and a flip chain; both surfaces are released by TearDown.
  void MakeFlipChain(LPDIRECTDRAWSURFACE* front, LPDIRECTDRAWSURFACE* back) {
    HWND window = MakeTestWindow();
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_SETFOCUSWINDOW), DD_OK);
    ASSERT_EQ(dd_->SetCooperativeLevel(window,
                                       DDSCL_SETDEVICEWINDOW | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN),
              DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(800, 600, 16), DD_OK);
    DDSURFACEDESC desc = {};
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    *front = Create(desc);
    ASSERT_NE(*front, nullptr);
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    ASSERT_EQ((*front)->GetAttachedSurface(&caps, back), DD_OK);
    ASSERT_NE(*back, nullptr);
    surfaces_.push_back(*back);  // GetAttachedSurface's reference
  }
  LPDIRECTDRAWSURFACE Offscreen(DWORD width, DWORD height) {
    DDSURFACEDESC desc = {};
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = width;
    desc.dwHeight = height;
    return Create(desc);
  }
  static HRESULT Fill(LPDIRECTDRAWSURFACE surface, RECT* rect, DWORD colour) {
    DDBLTFX fx = {};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }
  // The surfaces of the copy tests, at the normal level: a 16 x 16 source filled green and a
  // 64 x 48 destination. False when one of them cannot be made.
  bool CopySurfaces(LPDIRECTDRAWSURFACE& source, LPDIRECTDRAWSURFACE& dest) {
    if (dd_->SetCooperativeLevel(MakeTestWindow(), DDSCL_NORMAL) != DD_OK) return false;
    source = Offscreen(16, 16);
    dest = Offscreen(64, 48);
    return source != nullptr && dest != nullptr && Fill(source, nullptr, 0x07E0) == DD_OK;
  }
  // Probes one pixel inside and one outside each corner edge of `rect`: `inside` within it,
  // `outside` beyond it.
  static void ExpectRectangleEdges(const std::vector<std::vector<WORD>>& pixels, const RECT& rect, WORD inside,
                                   WORD outside) {
    const LONG l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
    struct Probe {
      const char* name;
      LONG x, y;
      WORD colour;
    } probes[] = {{"top-left inside", l, t, inside},    {"bottom-right inside", r, b, inside},
                  {"left outside", l - 1, t, outside},  {"above", l, t - 1, outside},
                  {"right outside", r + 1, b, outside}, {"below", r, b + 1, outside}};
    for (const Probe& p : probes)
      EXPECT_EQ(pixels[static_cast<size_t>(p.y)][static_cast<size_t>(p.x)], p.colour) << p.name;
  }
  // The surface's pixels, read through Lock with its pitch.
  static std::vector<std::vector<WORD>> Read(LPDIRECTDRAWSURFACE surface) {
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    std::vector<std::vector<WORD>> rows;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return rows;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      const auto* row = reinterpret_cast<const WORD*>(static_cast<const BYTE*>(desc.lpSurface) + y * desc.lPitch);
      rows.emplace_back(row, row + desc.dwWidth);
    }
    surface->Unlock(nullptr);
    return rows;
  }

  HMODULE library_ = nullptr;
  LPDIRECTDRAW dd_ = nullptr;
  std::vector<LPDIRECTDRAWSURFACE> surfaces_;
};

TEST_F(DirectDrawTest, DisplayModesIncludeSixteenBitModesWithTheirMasks) {
  Modes modes;
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &modes, CollectMode), DD_OK);
  size_t sixteen = 0;
  for (const DDSURFACEDESC& mode : modes.all) {
    EXPECT_EQ(mode.dwSize, sizeof(DDSURFACEDESC));
    const DWORD needed = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    EXPECT_EQ(mode.dwFlags & needed, needed) << mode.dwWidth << "x" << mode.dwHeight;
    if (mode.ddpfPixelFormat.dwRGBBitCount != 16) continue;
    ++sixteen;
    const DWORD green = mode.ddpfPixelFormat.dwGBitMask;
    EXPECT_TRUE(green == 0x7E0 || green == 0x3E0) << mode.dwWidth << "x" << mode.dwHeight << " green " << green;
  }
  EXPECT_GT(sixteen, 0u);
  Modes first;
  first.stopAfter = 1;
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &first, CollectMode), DD_OK);
  EXPECT_EQ(first.all.size(), 1u) << "DDENUMRET_CANCEL ends the enumeration";
}

TEST_F(DirectDrawTest, SurfacesNeedACooperativeLevel) {
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  LPDIRECTDRAWSURFACE surface = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(surface, nullptr);
}

TEST_F(DirectDrawTest, NormalLevelPrimaryIsTheSixteenBitDesktop) {
  ASSERT_EQ(dd_->SetCooperativeLevel(MakeTestWindow(), DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC desc = {};
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  LPDIRECTDRAWSURFACE primary = Create(desc);
  ASSERT_NE(primary, nullptr);

  DDSURFACEDESC got;
  std::memset(&got, 0xAA, sizeof got);
  got.dwSize = sizeof got;
  ASSERT_EQ(primary->GetSurfaceDesc(&got), DD_OK);
  EXPECT_GT(got.dwWidth, 0u);
  EXPECT_GT(got.dwHeight, 0u);
  EXPECT_GE(got.lPitch, static_cast<LONG>(got.dwWidth * 2));
  EXPECT_NE(got.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE, 0u);
  EXPECT_EQ(got.ddpfPixelFormat.dwRGBBitCount, 16u) << "the tests run on a 16-bit desktop";
  EXPECT_TRUE(got.ddpfPixelFormat.dwGBitMask == 0x7E0 || got.ddpfPixelFormat.dwGBitMask == 0x3E0)
      << got.ddpfPixelFormat.dwGBitMask;

  DDSURFACEDESC wrongSize = {};
  EXPECT_EQ(primary->GetSurfaceDesc(&wrongSize), DDERR_INVALIDPARAMS) << "dwSize 0";
  EXPECT_NE(Create(desc), nullptr) << "at the normal level a second primary is allowed";
}

TEST_F(DirectDrawTest, OffscreenSurfaceLocksOnceAndUnlocksOnce) {
  ASSERT_EQ(dd_->SetCooperativeLevel(MakeTestWindow(), DDSCL_NORMAL), DD_OK);
  LPDIRECTDRAWSURFACE surface = Offscreen(64, 48);
  ASSERT_NE(surface, nullptr);
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_NE(desc.lpSurface, nullptr);
  EXPECT_GE(desc.lPitch, 128);
  EXPECT_EQ(desc.dwWidth, 64u);
  EXPECT_EQ(desc.dwHeight, 48u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u) << "the primary's format";
  DDSURFACEDESC again = {};
  again.dwSize = sizeof again;
  EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
}

TEST_F(DirectDrawTest, ColourFillReachesExactlyItsRectangle) {
  ASSERT_EQ(dd_->SetCooperativeLevel(MakeTestWindow(), DDSCL_NORMAL), DD_OK);
  LPDIRECTDRAWSURFACE surface = Offscreen(64, 48);
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(Fill(surface, nullptr, 0x1234), DD_OK);
  auto pixels = Read(surface);
  ASSERT_EQ(pixels.size(), 48u);
  for (size_t y = 0; y < pixels.size(); ++y) {
    for (size_t x = 0; x < pixels[y].size(); ++x) ASSERT_EQ(pixels[y][x], 0x1234) << x << "," << y;
  }
  RECT rect = {10, 5, 20, 15};
  ASSERT_EQ(Fill(surface, &rect, 0xF800), DD_OK);
  pixels = Read(surface);
  ASSERT_EQ(pixels.size(), 48u);
  ExpectRectangleEdges(pixels, rect, 0xF800, 0x1234);
}

TEST_F(DirectDrawTest, BltCopiesARectangleBetweenSurfaces) {
  LPDIRECTDRAWSURFACE source = nullptr;
  LPDIRECTDRAWSURFACE dest = nullptr;
  ASSERT_TRUE(CopySurfaces(source, dest));
  ASSERT_EQ(Fill(dest, nullptr, 0x001F), DD_OK);
  RECT from = {0, 0, 8, 8};
  RECT to = {30, 20, 38, 28};
  ASSERT_EQ(dest->Blt(&to, source, &from, 0, nullptr), DD_OK);
  const auto pixels = Read(dest);
  ASSERT_EQ(pixels.size(), 48u);
  ExpectRectangleEdges(pixels, to, 0x07E0, 0x001F);
}

// Without a clipper a copy or fill takes only a rectangle that is non-empty and lies wholly on its
// surface: the preview's copy onto the primary, when its window reaches past the screen's edge,
// is refused, not clipped, and nothing is drawn.
TEST_F(DirectDrawTest, UnclippedBltRefusesRectanglesThatLeaveTheirSurface) {
  LPDIRECTDRAWSURFACE source = nullptr;
  LPDIRECTDRAWSURFACE dest = nullptr;
  ASSERT_TRUE(CopySurfaces(source, dest));
  struct Row {
    const char* name;
    RECT to;
    RECT from;  // within the 16 x 16 source, except where the source is what leaves
  } rows[] = {{"past the right edge", {56, 0, 72, 16}, {0, 0, 16, 16}},
              {"past the bottom edge", {0, 40, 16, 56}, {0, 0, 16, 16}},
              {"past the left edge", {-8, 0, 8, 16}, {0, 0, 16, 16}},
              {"past the top edge", {0, -8, 16, 8}, {0, 0, 16, 16}},
              {"wholly off the surface", {100, 100, 116, 116}, {0, 0, 16, 16}},
              {"source past its surface's edge", {0, 0, 16, 16}, {8, 0, 24, 16}},
              {"empty", {10, 10, 10, 10}, {0, 0, 0, 0}}};
  for (const Row& row : rows) {
    ASSERT_EQ(Fill(dest, nullptr, 0x001F), DD_OK);
    RECT to = row.to;
    RECT from = row.from;
    EXPECT_EQ(dest->Blt(&to, source, &from, 0, nullptr), DDERR_INVALIDRECT) << row.name;
    RECT fill = row.to;
    if (row.from.right <= 16) {
      EXPECT_EQ(Fill(dest, &fill, 0xF800), DDERR_INVALIDRECT) << row.name << ", colour fill";
    }
    const auto pixels = Read(dest);
    ASSERT_EQ(pixels.size(), 48u);
    size_t changed = 0;
    for (const auto& line : pixels)
      changed += static_cast<size_t>(std::count_if(line.begin(), line.end(), [](WORD p) { return p != 0x001F; }));
    EXPECT_EQ(changed, 0u) << row.name << ": nothing is drawn";
  }
  RECT corner = {48, 32, 64, 48};
  RECT whole = {0, 0, 16, 16};
  EXPECT_EQ(dest->Blt(&corner, source, &whole, 0, nullptr), DD_OK) << "flush with the right and bottom edges";
  const auto pixels = Read(dest);
  ASSERT_EQ(pixels.size(), 48u);
  EXPECT_EQ(pixels[32][48], 0x07E0);
  EXPECT_EQ(pixels[47][63], 0x07E0);
  EXPECT_EQ(pixels[31][63], 0x001F);

  DDSURFACEDESC desc = {};
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  LPDIRECTDRAWSURFACE primary = Create(desc);
  ASSERT_NE(primary, nullptr);
  DDSURFACEDESC screen = {};
  screen.dwSize = sizeof screen;
  ASSERT_EQ(primary->GetSurfaceDesc(&screen), DD_OK);
  const LONG right = static_cast<LONG>(screen.dwWidth);
  RECT past = {right - 8, 0, right + 8, 16};
  EXPECT_EQ(primary->Blt(&past, source, &whole, 0, nullptr), DDERR_INVALIDRECT) << "the primary's right edge";
}

// The full-screen path: the focus window first, then the exclusive level, a 16-bit mode, and a
// flip chain whose back buffer, once drawn and flipped, is what the front shows.
TEST_F(DirectDrawTest, FlipChainShowsWhatWasDrawnIntoTheBackBuffer) {
  LPDIRECTDRAWSURFACE front = nullptr;
  LPDIRECTDRAWSURFACE back = nullptr;
  MakeFlipChain(&front, &back);
  if (HasFatalFailure()) return;

  DDSURFACEDESC got = {};
  got.dwSize = sizeof got;
  ASSERT_EQ(back->GetSurfaceDesc(&got), DD_OK);
  EXPECT_EQ(got.dwWidth, 800u);
  EXPECT_EQ(got.dwHeight, 600u);
  EXPECT_NE(got.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER, 0u);

  ASSERT_EQ(Fill(back, nullptr, 0x07E0), DD_OK);
  HRESULT status = front->GetFlipStatus(DDGFS_ISFLIPDONE);
  for (int tries = 0; status == DDERR_WASSTILLDRAWING && tries < 100000; ++tries)
    status = front->GetFlipStatus(DDGFS_ISFLIPDONE);
  EXPECT_EQ(status, DD_OK);
  ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
  const auto shown = Read(front);
  ASSERT_EQ(shown.size(), 600u);
  EXPECT_EQ(shown[0][0], 0x07E0);
  EXPECT_EQ(shown[599][799], 0x07E0);
  // Not checked: after one flip Wine's FlipToGDISurface answers DDERR_NOTFOUND (the GDI's memory
  // is then the back buffer's); winsim answers DD_OK.
  dd_->FlipToGDISurface();
}

TEST_F(DirectDrawTest, FlipChainRefusesWhatThePlatformRefuses) {
  LPDIRECTDRAWSURFACE front = nullptr;
  LPDIRECTDRAWSURFACE back = nullptr;
  MakeFlipChain(&front, &back);
  if (HasFatalFailure()) return;

  DDSURFACEDESC locked = {};
  locked.dwSize = sizeof locked;
  ASSERT_EQ(back->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_SURFACEBUSY) << "flip while the back buffer is locked";
  // Not checked: Wine answers this Unlock with DDERR_NOTLOCKED, as if the refused flip had ended
  // the lock; winsim keeps the lock until Unlock.
  back->Unlock(nullptr);
  // Not checked either: the published answer for restoring a back buffer is
  // DDERR_IMPLICITLYCREATED (winsim gives it), Wine answers DD_OK.
  EXPECT_EQ(front->Restore(), DD_OK) << "restoring a chain that was not lost";
  // Nor a second primary at this level: Wine makes one, the published answer (winsim's) is
  // DDERR_PRIMARYSURFACEALREADYEXISTS.
}

}  // namespace
