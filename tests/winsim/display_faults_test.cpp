// winsim's DirectDraw faults and records: injected failures per call, lost surfaces and their
// restoring, busy locks and pending flips, the call record, and Reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <functional>

#include "ddraw_helpers.h"

namespace {

// A full-screen chain and an off-screen surface to run every faultable call on.
struct Scene {
  LPDIRECTDRAW dd = nullptr;
  LPDIRECTDRAWSURFACE front = nullptr;
  LPDIRECTDRAWSURFACE back = nullptr;
  LPDIRECTDRAWSURFACE offscreen = nullptr;

  Scene() {
    dd = ddtest::CreateAt(ddtest::kExclusive);
    front = ddtest::Surface(dd, ddtest::ChainDesc());
    back = ddtest::BackOf(front);
    offscreen = ddtest::Surface(dd, ddtest::OffscreenDesc(8, 8));
  }
  ~Scene() {
    offscreen->Release();
    back->Release();
    front->Release();
    dd->Release();
  }
  HRESULT Lock(LPDIRECTDRAWSURFACE surface) {
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    const HRESULT result = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    if (result == DD_OK) surface->Unlock(nullptr);
    return result;
  }
};

TEST(WinsimDDFaultsTest, EachFaultableCallFailsWithTheInjectedCode) {
  struct Row {
    const char* call;
    std::function<HRESULT(Scene&)> make;
  } rows[] = {
      {"DirectDrawCreate",
       [](Scene&) {
         ddtest::LoadDDraw();
         LPDIRECTDRAW dd = nullptr;
         return DirectDrawCreate(nullptr, &dd, nullptr);
       }},
      {"SetCooperativeLevel", [](Scene& s) { return s.dd->SetCooperativeLevel(nullptr, ddtest::kExclusive); }},
      {"SetDisplayMode", [](Scene& s) { return s.dd->SetDisplayMode(640, 480, 16); }},
      {"CreateSurface",
       [](Scene& s) {
         DDSURFACEDESC desc = ddtest::OffscreenDesc(4, 4);
         LPDIRECTDRAWSURFACE surface = nullptr;
         return s.dd->CreateSurface(&desc, &surface, nullptr);
       }},
      {"GetSurfaceDesc",
       [](Scene& s) {
         DDSURFACEDESC desc = {};
         desc.dwSize = sizeof desc;
         return s.front->GetSurfaceDesc(&desc);
       }},
      {"GetAttachedSurface",
       [](Scene& s) {
         DDSCAPS caps = {DDSCAPS_BACKBUFFER};
         LPDIRECTDRAWSURFACE back = nullptr;
         return s.front->GetAttachedSurface(&caps, &back);
       }},
      {"Blt", [](Scene& s) { return ddtest::Fill(s.back, 0); }},
      {"Flip", [](Scene& s) { return s.front->Flip(nullptr, 0); }},
      {"GetFlipStatus", [](Scene& s) { return s.front->GetFlipStatus(DDGFS_ISFLIPDONE); }},
      {"Lock", [](Scene& s) { return s.Lock(s.offscreen); }},
      {"Restore", [](Scene& s) { return s.offscreen->Restore(); }},
  };
  for (const Row& row : rows) {
    winsim::Reset();
    Scene scene;
    winsim::FailDDCall(row.call, DDERR_GENERIC, 2, 1);
    EXPECT_EQ(row.make(scene), DD_OK) << row.call << ": skipped";
    EXPECT_EQ(row.make(scene), DDERR_GENERIC) << row.call << ": first failure";
    EXPECT_EQ(row.make(scene), DDERR_GENERIC) << row.call << ": second failure";
    EXPECT_EQ(row.make(scene), DD_OK) << row.call << ": after the count";
    winsim::FailDDCall(row.call, DDERR_OUTOFMEMORY, -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(row.make(scene), DDERR_OUTOFMEMORY) << row.call << ": always, " << i;
    winsim::FailDDCall(row.call, DD_OK, 0);
  }
}

TEST(WinsimDDFaultsTest, FailedCreationsHandOutNothing) {
  winsim::Reset();
  winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC);
  ddtest::LoadDDraw();
  LPDIRECTDRAW dd = reinterpret_cast<LPDIRECTDRAW>(&dd);
  EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DDERR_GENERIC);
  EXPECT_EQ(dd, nullptr);
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  dd = ddtest::CreateAt(DDSCL_NORMAL);
  winsim::FailDDCall("CreateSurface", DDERR_OUTOFMEMORY);
  DDSURFACEDESC desc = ddtest::PrimaryDesc();
  LPDIRECTDRAWSURFACE surface = reinterpret_cast<LPDIRECTDRAWSURFACE>(&desc);
  EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_OUTOFMEMORY);
  EXPECT_EQ(surface, nullptr);
  EXPECT_EQ(winsim::LiveSurfaces(), 0);
  dd->Release();
}

TEST(WinsimDDFaultsTest, LostSurfacesStayLostUntilRestored) {
  struct Row {
    const char* call;
    std::function<HRESULT(Scene&)> make;
  } rows[] = {{"Lock", [](Scene& s) { return s.Lock(s.back); }},
              {"Blt fill", [](Scene& s) { return ddtest::Fill(s.offscreen, 0); }},
              {"Blt copy",
               [](Scene& s) {
                 RECT corner = {0, 0, 8, 8};
                 return s.back->Blt(&corner, s.offscreen, nullptr, 0, nullptr);
               }},
              {"Flip", [](Scene& s) { return s.front->Flip(nullptr, 0); }},
              {"GetFlipStatus", [](Scene& s) { return s.front->GetFlipStatus(DDGFS_ISFLIPDONE); }}};
  for (const Row& row : rows) {
    winsim::Reset();
    Scene scene;
    winsim::LoseSurfaces(0);
    EXPECT_EQ(row.make(scene), DDERR_SURFACELOST) << row.call;
    EXPECT_EQ(scene.front->Restore(), DD_OK) << row.call;
    EXPECT_EQ(scene.offscreen->Restore(), DD_OK) << row.call;
    EXPECT_EQ(row.make(scene), DD_OK) << row.call << " after Restore";
  }
}

TEST(WinsimDDFaultsTest, RestoreBringsTheMemoryBackPoisoned) {
  winsim::Reset();
  Scene scene;
  ASSERT_EQ(ddtest::Fill(scene.back, 0x1234), DD_OK);
  ASSERT_EQ(ddtest::Fill(scene.offscreen, 0x1234), DD_OK);
  winsim::LoseSurfaces(0);
  EXPECT_EQ(scene.front->Restore(), DD_OK);
  EXPECT_EQ(scene.offscreen->Restore(), DD_OK);
  EXPECT_EQ(ddtest::PixelAt(scene.back, 0, 0), 0xAAAA) << "restoring the front restored the back buffer";
  EXPECT_EQ(ddtest::PixelAt(scene.offscreen, 0, 0), 0xAAAA);
}

TEST(WinsimDDFaultsTest, LosingOneMonitorLeavesTheOther) {
  winsim::Reset();
  const winsim::DesktopSpec desktop = winsim::TwoMonitorDesktop();
  winsim::SetDesktop(desktop);
  GUID second = desktop.monitors[1].guid;
  LPDIRECTDRAW first = ddtest::CreateAt(DDSCL_NORMAL);
  LPDIRECTDRAW other = ddtest::CreateAt(DDSCL_NORMAL, &second);
  LPDIRECTDRAWSURFACE a = ddtest::Surface(first, ddtest::OffscreenDesc(4, 4));
  LPDIRECTDRAWSURFACE b = ddtest::Surface(other, ddtest::OffscreenDesc(4, 4));
  winsim::LoseSurfaces(1);
  EXPECT_EQ(ddtest::Fill(a, 0), DD_OK);
  EXPECT_EQ(ddtest::Fill(b, 0), DDERR_SURFACELOST);
  EXPECT_EQ(winsim::ScreenPixels(1).size(), 800u * 600u) << "the second monitor's own desktop";
  a->Release();
  b->Release();
  first->Release();
  other->Release();
}

TEST(WinsimDDFaultsTest, BusyLocksAndPendingFlipsCountDown) {
  winsim::Reset();
  Scene scene;
  winsim::SetLockBusy(2);
  winsim::SetFlipPending(3);
  const HRESULT locks[] = {scene.Lock(scene.back), scene.Lock(scene.offscreen), scene.Lock(scene.back)};
  EXPECT_EQ(locks[0], DDERR_SURFACEBUSY);
  EXPECT_EQ(locks[1], DDERR_SURFACEBUSY);
  EXPECT_EQ(locks[2], DD_OK);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(scene.front->GetFlipStatus(DDGFS_ISFLIPDONE), DDERR_WASSTILLDRAWING) << "status " << i;
  }
  EXPECT_EQ(scene.front->GetFlipStatus(DDGFS_ISFLIPDONE), DD_OK);
}

TEST(WinsimDDFaultsTest, CallsAreRecordedInOrderWithTheirArguments) {
  winsim::Reset();
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  GUID second = winsim::TwoMonitorDesktop().monitors[1].guid;
  LPDIRECTDRAW dd = ddtest::Create(&second);
  HWND window = winsim::CreateTestWindow({0, 0});
  dd->SetCooperativeLevel(window, ddtest::kExclusive);
  dd->SetDisplayMode(640, 480, 16);
  LPDIRECTDRAWSURFACE front = ddtest::Surface(dd, ddtest::ChainDesc());
  RECT rect = {1, 2, 3, 4};
  ddtest::Fill(front, 0, &rect);
  front->Flip(nullptr, 0);
  front->Release();
  dd->FlipToGDISurface();
  dd->Release();
  struct Expected {
    const char* call;
    DWORD flags;
    long args[4];
    const char* surface;  // what the call went to; empty for the object
  } expected[] = {
      {"DirectDrawCreate", 0, {0, 0, 0, 0}, ""},
      {"SetCooperativeLevel", ddtest::kExclusive, {static_cast<long>(reinterpret_cast<intptr_t>(window)), 0, 0, 0}, ""},
      {"SetDisplayMode", 0, {640, 480, 16, 0}, ""},
      {"CreateSurface",
       DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
       {DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX, 0, 0, 1},
       ""},
      {"Blt", DDBLT_COLORFILL | DDBLT_WAIT, {1, 2, 3, 4}, "front"},
      {"Flip", 0, {0, 0, 0, 0}, "front"},
      // The front's release lets go of its back buffer too; that is not a call of the program.
      {"Release", 0, {0, 0, 0, 0}, "front"},
      {"FlipToGDISurface", 0, {0, 0, 0, 0}, ""},
      {"Release", 0, {0, 0, 0, 0}, ""},
  };
  const auto& calls = winsim::DDCalls();
  ASSERT_EQ(calls.size(), std::size(expected));
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].call, expected[i].call) << "call " << i;
    EXPECT_EQ(calls[i].monitor, 1) << expected[i].call;
    EXPECT_EQ(calls[i].flags, expected[i].flags) << expected[i].call;
    EXPECT_EQ(calls[i].surface, expected[i].surface) << expected[i].call;
    for (int a = 0; a < 4; ++a) EXPECT_EQ(calls[i].args[a], expected[i].args[a]) << expected[i].call << " arg " << a;
  }
}

TEST(WinsimDDFaultsTest, SurfaceCallsNameTheSurfaceTheyWentTo) {
  winsim::Reset();
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  dd->SetDisplayMode(640, 480, 16);
  LPDIRECTDRAWSURFACE front = ddtest::Surface(dd, ddtest::ChainDesc());
  DDSCAPS caps = {DDSCAPS_BACKBUFFER};
  LPDIRECTDRAWSURFACE back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  back->GetFlipStatus(DDGFS_ISFLIPDONE);
  back->Restore();
  front->Restore();
  back->Release();
  front->Release();
  dd->Release();
  std::vector<std::string> seen;
  for (const auto& c : winsim::DDCalls())
    if (!c.surface.empty()) seen.push_back(c.call + " " + c.surface);
  EXPECT_EQ(seen, (std::vector<std::string>{"GetAttachedSurface front", "GetFlipStatus back", "Restore back",
                                            "Restore front", "Release back", "Release front"}));
}

TEST(WinsimDDFaultsTest, CallHookRunsAtEachCallBeforeItActs) {
  winsim::Reset();
  std::vector<size_t> recordedAt;
  DWORD widthSeen = 0;
  winsim::OnDDCall("SetDisplayMode", [&] {
    recordedAt.push_back(winsim::DDCalls().size());
    widthSeen = winsim::CurrentDisplayMode(0).width;
  });
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  dd->SetDisplayMode(640, 480, 16);
  EXPECT_EQ(widthSeen, 1024u) << "before the mode changes";
  winsim::FailDDCall("SetDisplayMode", DDERR_GENERIC);
  EXPECT_EQ(dd->SetDisplayMode(800, 600, 16), DDERR_GENERIC);
  EXPECT_EQ(recordedAt.size(), 2u) << "also for a call that fails";
  EXPECT_EQ(recordedAt[1], recordedAt[0] + 1) << "before the call is recorded: the first one is, the second not";
  winsim::OnDDCall("SetDisplayMode", {});
  dd->SetDisplayMode(640, 480, 16);
  EXPECT_EQ(recordedAt.size(), 2u) << "removed";
  dd->Release();
  winsim::OnDDCall("FlipToGDISurface", [&] { recordedAt.push_back(0); });
  winsim::Reset();
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  dd = ddtest::CreateAt(ddtest::kExclusive);
  dd->FlipToGDISurface();
  dd->Release();
  EXPECT_EQ(recordedAt.size(), 2u) << "Reset removes every hook";
}

TEST(WinsimDDFaultsTest, ResetDestroysWhatTestsLeftAndClearsFaults) {
  winsim::Reset();
  winsim::SetDesktop(winsim::OneMonitorDesktop(winsim::DesktopFormat::k555));
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  dd->SetDisplayMode(640, 480, 16);
  ddtest::Surface(dd, ddtest::ChainDesc());
  winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC, -1);
  winsim::SetLockBusy(5);
  winsim::Reset();
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(winsim::LiveSurfaces(), 0);
  EXPECT_TRUE(winsim::DDCalls().empty());
  EXPECT_EQ(winsim::CurrentDisplayMode(0).width, 1024u);
  EXPECT_EQ(winsim::CurrentDisplayMode(0).bits, 16u);
  dd = ddtest::CreateAt(DDSCL_NORMAL);
  ASSERT_NE(dd, nullptr) << "the fault is gone";
  LPDIRECTDRAWSURFACE primary = ddtest::Surface(dd, ddtest::PrimaryDesc());
  EXPECT_EQ(ddtest::DescOf(primary).ddpfPixelFormat.dwGBitMask, 0x07E0u) << "the 5x6x5 desktop again";
  EXPECT_EQ(ddtest::PixelAt(primary, 0, 0), 0xAAAA) << "lock busy is gone";
  primary->Release();
  dd->Release();
}

TEST(WinsimDDFaultsTest, FaultsOfUnmodelledCallsStopLoudly) {
  EXPECT_DEATH(winsim::FailDDCall("EnumDisplayModes", DDERR_GENERIC),
               "FailDDCall: not modelled: faults of EnumDisplayModes");
}

}  // namespace
