// The preview inside the display settings: only the first screen, drawn at the preview's size into
// a child window; input never closes it; help goes to the display settings; its owner ends it.
#include "scenario_fixture.h"

namespace {

using winsim::AfterFrames;
using winsim::InputStep;

class PreviewScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    winsim::OtherProcessWindow settings;
    settings.title = "Display Properties";
    settings.rect = {100, 100, 500, 450};
    settingsWindow_ = winsim::CreateOtherProcessWindow(settings);
    winsim::OtherProcessWindow area;
    area.style = WS_CHILD | WS_VISIBLE;
    area.rect = {40, 30, 40 + 152, 30 + 112};
    area.parent = settingsWindow_;
    previewArea_ = winsim::CreateOtherProcessWindow(area);
  }
  // One run: rain in the preview area, input ignored, help passed on, ended by the owner.
  void DrawsIgnoresInputAndEndsWithItsOwner(bool directX3);
  HWND settingsWindow_ = nullptr;
  HWND previewArea_ = nullptr;
};

void PreviewScenario::DrawsIgnoresInputAndEndsWithItsOwner(bool directX3) {
  HWND area = previewArea_;
  size_t greenInArea = 0;
  winsim::ScriptInput({
      InputStep{AfterFrames(3, 0), winsim::PressKey(VK_SPACE)},
      InputStep{AfterFrames(3, 0), winsim::Click(winsim::MouseButton::kLeft)},
      InputStep{AfterFrames(3, 0), winsim::MoveMouse(POINT{10, 10})},
      InputStep{AfterFrames(3, 0), winsim::PowerBroadcast(4)},
      InputStep{AfterFrames(4, 0), winsim::Send(WM_HELP, 0, 77)},
      InputStep{AfterFrames(4, 0), winsim::Send(WM_CONTEXTMENU, 0, 88)},
      InputStep{AfterFrames(6, 0), winsim::Call([&] {
                  // The preview's picture, where the area lies on the screen.
                  const std::vector<uint16_t> shown = winsim::ScreenPixels(0);
                  const winsim::ModeSpec mode = winsim::CurrentDisplayMode(0);
                  for (int y = 130; y < 130 + 112; ++y)
                    for (int x = 140; x < 140 + 152; ++x) {
                      const uint16_t p = shown[static_cast<size_t>(y) * mode.width + x];
                      greenInArea += (p & 0x07E0) != 0 && (p & 0xF800) == 0;
                    }
                })},
      InputStep{AfterFrames(6, 0), winsim::Call([area] { winsim::DestroyOtherProcessWindow(area); })},
  });
  EXPECT_EQ(Run("/p " + HandleText(previewArea_)), 0);

  const auto mine = ProgramWindows();
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0].parent, previewArea_);
  EXPECT_EQ(mine[0].title, "Preview");
  EXPECT_EQ(mine[0].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
  EXPECT_EQ(mine[0].windowRect.right - mine[0].windowRect.left, 152);
  EXPECT_EQ(mine[0].windowRect.bottom - mine[0].windowRect.top, 112);
  EXPECT_GT(greenInArea, 200u) << "rain in the preview area";
  EXPECT_EQ(winsim::PresentedFrames(1), 0) << "the second screen is not part of a preview";
  EXPECT_EQ(winsim::CurrentDisplayMode(0).width, 1024) << "the desktop's mode is never changed";

  // Help and the context menu went to the display settings, with their own handle as wParam.
  std::vector<MSG> received;
  for (const MSG& m : winsim::ReceivedByOtherProcess(previewArea_))
    if (m.message == WM_HELP || m.message == WM_CONTEXTMENU) received.push_back(m);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(WM_HELP));
  EXPECT_EQ(received[0].wParam, reinterpret_cast<WPARAM>(previewArea_));
  EXPECT_EQ(received[0].lParam, 77);
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CONTEXTMENU));
  EXPECT_EQ(received[1].lParam, 88);

  const auto log = Log(false);
  EXPECT_TRUE(Has(log, "LOG_GOSSIP: [WM_CREATE] Windowed mode"));
  EXPECT_TRUE(Has(log, "LOG_INFO: [WM_CREATE] DirectDraw object created for preview screen"));
  EXPECT_EQ(Count(log,
                  "LOG_WARNING: [DDrawManager::CreateDirectDraw] Focus window refused, cooperative mode set "
                  "without it as DirectX 3 knows it"),
            directX3 ? 1 : 0);
  EXPECT_EQ(Count(log, "LOG_GOSSIP: [STATE] WM_CLOSE detected"), 0) << "input never asked to close";
  EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 1) << "kept: its code may be on the stack as the window goes";
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

// DirectX 3 knows no focus window: the preview's level is the normal one all the same.
TEST_F(PreviewScenario, DrawsTheFirstScreenAtThePreviewsSizeIgnoresInputAndEndsWithItsOwner) {
  for (const auto library : {winsim::DDrawLibrary::kComplete, winsim::DDrawLibrary::kDirectX3}) {
    const bool directX3 = library == winsim::DDrawLibrary::kDirectX3;
    SCOPED_TRACE(directX3 ? "DirectX 3" : "DirectX with the extended enumeration");
    TearDown();
    SetUp();
    winsim::SetDDrawLibrary(library);
    DrawsIgnoresInputAndEndsWithItsOwner(directX3);
  }
}

// On a Windows 95 that never had DirectX the preview still starts, tells the user once, in the
// program's own box, and ends; the display settings go on.
TEST_F(PreviewScenario, WithoutDirectXTheUserIsToldOnceAndTheRunEnds) {
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing);
  EXPECT_EQ(Run("/p " + HandleText(previewArea_)), kNoWindowExitCode);
  const auto boxes = winsim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("Unable to initialize DirectDraw.\n\nMake sure you have DirectX installed", 0), 0u)
      << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Sarvello v1.30");
  const auto log = Log(false);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED");
  EXPECT_TRUE(Has(log, "LOG_GOSSIP: [WM_CREATE] Windowed mode"));
  EXPECT_TRUE(Has(log, "LOG_WARNING: [DDrawManager::CreateDirectDraw] No display device found"));
  EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
  EXPECT_EQ(winsim::ThreadsStarted(), 0);
  const auto mine = ProgramWindows();
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(boxes[0].owner, mine[0].handle) << "owned by the saver's window while it was being made";
  EXPECT_FALSE(IsWindow(mine[0].handle)) << "the saver's window is gone";
  EXPECT_TRUE(IsWindow(previewArea_)) << "the display settings go on";
}

}  // namespace
