// winsim's surfaces and screens: formats and sizes per desktop and mode, pitch and poison, what
// each monitor shows through a flip chain or the preview's copy onto the primary, and release
// counts.
#include <gtest/gtest.h>

#include "ddraw_helpers.h"

namespace {
using winsim::DesktopFormat;

TEST(WinsimSurfacesTest, PrimaryTakesTheCurrentModeOrTheDesktop) {
  struct Row {
    const char* name;
    DesktopFormat desktop;
    bool setMode;
    DWORD width, height, bits, green;
  } rows[] = {{"5x6x5 desktop", DesktopFormat::k565, false, 1024, 768, 16, 0x07E0},
              {"5x5x5 desktop", DesktopFormat::k555, false, 1024, 768, 16, 0x03E0},
              {"32-bit desktop", DesktopFormat::k32, false, 1024, 768, 32, 0xFF00},
              {"800x600 on 5x6x5", DesktopFormat::k565, true, 800, 600, 16, 0x07E0},
              {"800x600 on 5x5x5", DesktopFormat::k555, true, 800, 600, 16, 0x03E0},
              {"800x600 on 32-bit", DesktopFormat::k32, true, 800, 600, 16, 0x07E0}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetDesktop(winsim::OneMonitorDesktop(row.desktop));
    LPDIRECTDRAW dd = ddtest::CreateAt(row.setMode ? ddtest::kExclusive : DDSCL_NORMAL);
    if (row.setMode) {
      ASSERT_EQ(dd->SetDisplayMode(800, 600, 16), DD_OK) << row.name;
    }
    LPDIRECTDRAWSURFACE primary = ddtest::Surface(dd, ddtest::PrimaryDesc());
    ASSERT_NE(primary, nullptr) << row.name;
    const DDSURFACEDESC desc = ddtest::DescOf(primary);
    EXPECT_EQ(desc.dwWidth, row.width) << row.name;
    EXPECT_EQ(desc.dwHeight, row.height) << row.name;
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, row.bits) << row.name;
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, row.green) << row.name;
    EXPECT_GT(desc.lPitch, static_cast<LONG>(row.width * row.bits / 8)) << row.name << ": pitch wider than a row";
    LPDIRECTDRAWSURFACE offscreen = ddtest::Surface(dd, ddtest::OffscreenDesc(64, 48));
    EXPECT_EQ(ddtest::DescOf(offscreen).ddpfPixelFormat.dwGBitMask, row.green) << row.name << ": off-screen";
    EXPECT_EQ(offscreen->Release(), 0u) << row.name;
    EXPECT_EQ(primary->Release(), 0u) << row.name;
    EXPECT_EQ(dd->Release(), 0u) << row.name;
  }
}

TEST(WinsimSurfacesTest, NewSurfacesArePoisonedNotBlack) {
  winsim::Reset();
  LPDIRECTDRAW dd = ddtest::CreateAt(DDSCL_NORMAL);
  LPDIRECTDRAWSURFACE surface = ddtest::Surface(dd, ddtest::OffscreenDesc(3, 2));
  EXPECT_EQ(ddtest::PixelAt(surface, 0, 0), 0xAAAA);
  EXPECT_EQ(ddtest::PixelAt(surface, 2, 1), 0xAAAA);
  EXPECT_EQ(winsim::ScreenPixels(0).at(0), 0xAAAA) << "the desktop before anything is drawn";
  surface->Release();
  dd->Release();
}

TEST(WinsimSurfacesTest, FlipShowsTheBackBufferAndSwapsTheMemory) {
  winsim::Reset();
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
  LPDIRECTDRAWSURFACE front = ddtest::Surface(dd, ddtest::ChainDesc());
  LPDIRECTDRAWSURFACE back = ddtest::BackOf(front);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(ddtest::Fill(back, 0x1111), DD_OK);
  ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
  std::vector<uint16_t> screen = winsim::ScreenPixels(0);
  ASSERT_EQ(screen.size(), 640u * 480u);
  EXPECT_EQ(screen.front(), 0x1111);
  EXPECT_EQ(screen.back(), 0x1111);
  EXPECT_EQ(ddtest::PixelAt(back, 0, 0), 0xAAAA) << "the back buffer now holds what was shown before";
  ASSERT_EQ(ddtest::Fill(back, 0x2222), DD_OK);
  EXPECT_EQ(winsim::ScreenPixels(0).front(), 0x1111) << "drawing into the back buffer shows nothing yet";
  ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(winsim::ScreenPixels(0).front(), 0x2222);
  EXPECT_EQ(ddtest::PixelAt(front, 0, 0), 0x2222) << "the front surface is what the monitor shows";
  EXPECT_EQ(winsim::LiveSurfaces(), 2);
  EXPECT_EQ(back->Release(), 1u) << "the chain still holds the back buffer";
  EXPECT_EQ(front->Release(), 0u);
  EXPECT_EQ(winsim::LiveSurfaces(), 0) << "releasing the front releases the chain";
  EXPECT_EQ(dd->Release(), 0u);
}

TEST(WinsimSurfacesTest, FlipChainRefusals) {
  winsim::Reset();
  LPDIRECTDRAW normal = ddtest::CreateAt(DDSCL_NORMAL);
  DDSURFACEDESC chain = ddtest::ChainDesc();
  LPDIRECTDRAWSURFACE surface = nullptr;
  EXPECT_EQ(normal->CreateSurface(&chain, &surface, nullptr), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(surface, nullptr);
  normal->Release();

  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  LPDIRECTDRAWSURFACE front = ddtest::Surface(dd, ddtest::ChainDesc());
  LPDIRECTDRAWSURFACE back = ddtest::BackOf(front);
  DDSURFACEDESC primary = ddtest::PrimaryDesc();
  EXPECT_EQ(dd->CreateSurface(&primary, &surface, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  DDSURFACEDESC locked = {};
  locked.dwSize = sizeof locked;
  ASSERT_EQ(back->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->Unlock(nullptr), DD_OK);
  EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
  EXPECT_EQ(back->Restore(), DDERR_IMPLICITLYCREATED);
  DDSCAPS caps = {DDSCAPS_BACKBUFFER};
  LPDIRECTDRAWSURFACE none = back;
  EXPECT_EQ(back->GetAttachedSurface(&caps, &none), DDERR_NOTFOUND);
  EXPECT_EQ(none, nullptr);
  back->Release();
  front->Release();
  dd->Release();
}

// The preview's frame: an off-screen surface copied onto the primary at the window's screen
// position lands on the monitor's screen there, up to its edges; a copy that leaves the screen is
// refused (no clipper) and the screen keeps what it showed.
TEST(WinsimSurfacesTest, CopyOntoThePrimaryLandsOnTheScreenOrIsRefused) {
  struct Row {
    const char* name;
    RECT dest;
    HRESULT result;
    int insideX, insideY;    // a pixel that must be copied (-1: none)
    int outsideX, outsideY;  // a pixel that must not
  } rows[] = {{"inside", {100, 50, 116, 58}, DD_OK, 115, 57, 116, 57},
              {"flush with the bottom-right corner", {1008, 760, 1024, 768}, DD_OK, 1023, 767, 1007, 767},
              {"over the left edge", {-4, 10, 12, 18}, DDERR_INVALIDRECT, -1, -1, 0, 10},
              {"over the right edge", {1016, 10, 1032, 18}, DDERR_INVALIDRECT, -1, -1, 1023, 10},
              {"over the bottom edge", {10, 764, 26, 772}, DDERR_INVALIDRECT, -1, -1, 10, 767}};
  for (const Row& row : rows) {
    winsim::Reset();
    LPDIRECTDRAW dd = ddtest::CreateAt(DDSCL_NORMAL);
    LPDIRECTDRAWSURFACE primary = ddtest::Surface(dd, ddtest::PrimaryDesc());
    LPDIRECTDRAWSURFACE frame = ddtest::Surface(dd, ddtest::OffscreenDesc(16, 8));
    ASSERT_EQ(ddtest::Fill(frame, 0x07E0), DD_OK);
    RECT dest = row.dest;
    RECT source = {0, 0, 16, 8};
    EXPECT_EQ(primary->Blt(&dest, frame, &source, DDBLT_WAIT, nullptr), row.result) << row.name;
    const std::vector<uint16_t> screen = winsim::ScreenPixels(0);
    if (row.insideX >= 0) {
      EXPECT_EQ(screen.at(row.insideY * 1024 + row.insideX), 0x07E0) << row.name;
    }
    EXPECT_EQ(screen.at(row.outsideY * 1024 + row.outsideX), 0xAAAA) << row.name;
    EXPECT_EQ(winsim::PresentedFrames(0), row.result == DD_OK ? 1 : 0)
        << row.name << ": a refused copy presents nothing";
    frame->Release();
    primary->Release();
    dd->Release();
  }
}

TEST(WinsimSurfacesTest, ModeChangesAndTheirUndoing) {
  winsim::Reset();
  LPDIRECTDRAW normal = ddtest::CreateAt(DDSCL_NORMAL);
  EXPECT_EQ(normal->SetDisplayMode(800, 600, 16), DDERR_NOEXCLUSIVEMODE);
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  LPDIRECTDRAW other = ddtest::Create();
  EXPECT_EQ(other->SetCooperativeLevel(nullptr, ddtest::kExclusive), DDERR_EXCLUSIVEMODEALREADYSET);
  LPDIRECTDRAWSURFACE before = ddtest::Surface(normal, ddtest::PrimaryDesc());
  EXPECT_EQ(dd->SetDisplayMode(1024, 768, 24), DDERR_INVALIDMODE) << "not in the list";
  EXPECT_EQ(dd->SetDisplayMode(800, 600, 16), DD_OK);
  const winsim::ModeSpec mode = winsim::CurrentDisplayMode(0);
  EXPECT_EQ(mode.width, 800u);
  EXPECT_EQ(mode.bits, 16u);
  EXPECT_EQ(winsim::ScreenPixels(0).size(), 800u * 600u);
  EXPECT_EQ(ddtest::Fill(before, 0), DDERR_SURFACELOST) << "made for the old mode";
  EXPECT_EQ(before->Restore(), DDERR_WRONGMODE);
  EXPECT_EQ(dd->Release(), 0u);
  EXPECT_EQ(winsim::CurrentDisplayMode(0).width, 1024u) << "releasing the object puts the desktop back";
  EXPECT_EQ(before->Restore(), DD_OK) << "the desktop's mode again";
  EXPECT_EQ(ddtest::Fill(before, 0), DD_OK);
  EXPECT_EQ(before->Release(), 0u);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(normal->Release(), 0u);
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
}

// DirectX 3 knows neither the focus nor the device window: every level the program asks for that
// names one is refused and leaves no level set; the exclusive and the normal level without them
// are set. Later versions set every one of them.
TEST(WinsimSurfacesTest, DirectX3RefusesTheLevelsOfLaterVersions) {
  const DWORD exclusive3 = DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FULLSCREEN;
  const struct {
    DWORD flags;
    bool directX3Sets;
  } rows[] = {{DDSCL_SETFOCUSWINDOW, false},
              {ddtest::kExclusive, false},
              {DDSCL_CREATEDEVICEWINDOW | DDSCL_SETFOCUSWINDOW | exclusive3, false},
              {DDSCL_CREATEDEVICEWINDOW | DDSCL_SETFOCUSWINDOW | DDSCL_NORMAL, false},
              {exclusive3, true},
              {DDSCL_NORMAL, true}};
  for (const auto library : {winsim::DDrawLibrary::kDirectX3, winsim::DDrawLibrary::kComplete}) {
    const bool directX3 = library == winsim::DDrawLibrary::kDirectX3;
    for (const auto& row : rows) {
      winsim::Reset();
      winsim::SetDDrawLibrary(library);
      LPDIRECTDRAW dd = ddtest::Create();
      const bool sets = !directX3 || row.directX3Sets;
      EXPECT_EQ(dd->SetCooperativeLevel(winsim::CreateTestWindow({0, 0}), row.flags),
                sets ? DD_OK : DDERR_INVALIDPARAMS)
          << "flags " << row.flags << (directX3 ? ", DirectX 3" : "");
      LPDIRECTDRAWSURFACE primary = nullptr;
      DDSURFACEDESC desc = ddtest::PrimaryDesc();
      EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), sets ? DD_OK : DDERR_NOCOOPERATIVELEVELSET)
          << "flags " << row.flags << (directX3 ? ", DirectX 3" : "");
      if (primary != nullptr) primary->Release();
      EXPECT_EQ(dd->Release(), 0u);
    }
  }
}

TEST(WinsimSurfacesTest, UnmodelledUseStopsLoudly) {
  winsim::Reset();
  LPDIRECTDRAW dd = ddtest::CreateAt(DDSCL_NORMAL);
  LPDIRECTDRAWSURFACE small = ddtest::Surface(dd, ddtest::OffscreenDesc(8, 8));
  LPDIRECTDRAWSURFACE big = ddtest::Surface(dd, ddtest::OffscreenDesc(16, 16));
  RECT half = {0, 0, 8, 8};  // the whole 16x16 source into 8x8
  EXPECT_DEATH(small->Blt(&half, big, nullptr, 0, nullptr), "Blt: not modelled: stretching");
  EXPECT_DEATH(dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
               "SetCooperativeLevel: not modelled: flags 17");
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  EXPECT_DEATH(small->Lock(nullptr, &desc, 0x800, nullptr), "Lock: not modelled: flags 2048");
  DDSURFACEDESC texture = ddtest::Desc(DDSD_CAPS, 0x1000);
  EXPECT_DEATH(dd->CreateSurface(&texture, &small, nullptr), "CreateSurface: not modelled");
  small->Release();
  big->Release();
  dd->Release();
}

}  // namespace
