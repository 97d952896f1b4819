// The frame cycle: descriptors alternating with each flip, pending and lost presentations, the
// restore lines, the log kept bounded, and what happens with no screen selected.
#include <memory>

#include "display_fixture.h"

namespace {

class FrameAccessTest : public DisplayTest {
 protected:
  void Start(bool fullscreen, POINT windowOrigin = POINT{10, 20}) {
    winsim::SetDesktop(winsim::OneMonitorDesktop());
    EnumScreens();
    SelectModes(800, 600);
    if (!fullscreen) {
      static DisplayMode preview = {152, 112, 16, nullptr};
      ScreenList->selectedMode = &preview;
    }
    manager_ = std::make_unique<DDrawManager>();
    ASSERT_TRUE(manager_->CreateDirectDraw(winsim::CreateTestWindow(windowOrigin), fullscreen));
    manager_->SelectScreen(ScreenList);
  }
  void TearDown() override {
    manager_.reset();
    EXPECT_EQ(winsim::LiveSurfaces(), 0);
    EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
    DisplayTest::TearDown();
  }
  // The calls from `from` on that went to a surface, as "call surface".
  static std::vector<std::string> SurfaceCallsFrom(size_t from) {
    std::vector<std::string> all;
    const auto calls = winsim::DDCalls();
    for (size_t i = from; i < calls.size(); ++i)
      if (!calls[i].surface.empty()) all.push_back(calls[i].call + " " + calls[i].surface);
    return all;
  }
  std::unique_ptr<DDrawManager> manager_;
};

TEST_F(FrameAccessTest, NothingOpensBeforeDevicesExist) {
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  manager_ = std::make_unique<DDrawManager>();
  EXPECT_EQ(manager_->BeginFrame(), nullptr);
  manager_->InterruptFrame();  // does nothing, logs nothing
  EXPECT_EQ(CountLines("LOG_WARNING: [DDrawManager::InterruptFrame] No screen selected"), 0);
  EXPECT_EQ(manager_->Flip(), 1);
  EXPECT_EQ(CountLines("LOG_WARNING: [DDrawManager::Flip] No screen selected"), 1);
}

TEST_F(FrameAccessTest, FullScreenFlipsAlternateTheDescriptors) {
  Start(true);
  FrameDescriptor* first = manager_->BeginFrame();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, &ScreenList->frameDescs[0]);
  EXPECT_EQ(first->width, 800);
  EXPECT_EQ(first->height, 600);
  EXPECT_EQ(first->pitch, ScreenList->surfaceDesc.lPitch / 2);
  EXPECT_GT(first->pitch, 800) << "winsim's pitch is wider than the row, as real surfaces may be";
  for (int x = 0; x < 800; ++x) first->pixels[5 * first->pitch + x] = 0x07E0;
  EXPECT_EQ(manager_->Flip(), 0);
  EXPECT_EQ(first->pixels, nullptr) << "the flip ends the frame";
  EXPECT_EQ(winsim::ScreenPixels(0)[5 * 800 + 3], 0x07E0) << "the drawn row is shown";
  FrameDescriptor* second = manager_->BeginFrame();
  EXPECT_EQ(second, &ScreenList->frameDescs[1]);
  EXPECT_EQ(manager_->Flip(), 0);
  EXPECT_EQ(ScreenList->frameIndex, 0);
  manager_->InterruptFrame();
  manager_->InterruptFrame();  // twice is harmless
}

TEST_F(FrameAccessTest, PendingFlipPresentsNothingAndLogsOncePerRun) {
  Start(true);
  const std::string pending = "LOG_INFO: [DDrawManager::Flip] GetFlipStatus returned DDERR_WASSTILLDRAWING";
  const auto before = winsim::ScreenPixels(0);
  winsim::SetFlipPending(500);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(manager_->Flip(), 1) << i;
  EXPECT_EQ(winsim::ScreenPixels(0), before);
  EXPECT_EQ(CountLines(pending), 1) << "a run of identical results writes one line";
  EXPECT_EQ(manager_->Flip(), 0);
  winsim::SetFlipPending(3);
  for (int i = 0; i < 3; ++i) manager_->Flip();
  EXPECT_EQ(CountLines(pending), 2) << "a success ends the run";
}

TEST_F(FrameAccessTest, LostSurfaceReportedByFlipStatusIsRestored) {
  struct Row {
    HRESULT refusal;
    std::string line;
  } rows[] = {
      {DDERR_IMPLICITLYCREATED, "[DDrawManager::Flip] Restore returned DDERR_IMPLICITLYCREATED"},
      {DDERR_NOEXCLUSIVEMODE, "[DDrawManager::Flip] Restore returned DDERR_NOEXCLUSIVEMODE"},
      {DDERR_WRONGMODE, "[DDrawManager::Flip] Restore returned DDERR_WRONGMODE"},
      {DDERR_GENERIC, "[DDrawManager::Flip] Restore returned DDERR_GENERIC"},
      {DDERR_OUTOFMEMORY, "[DDrawManager::Flip] Restore returned DDERR_OUTOFMEMORY"},
      {DDERR_INCOMPATIBLEPRIMARY, "[DDrawManager::Flip] Restore returned DDERR_INCOMPATIBLEPRIMARY"},
      {DDERR_UNSUPPORTED, "[DDrawManager::Flip] Restore returned DDERR_UNSUPPORTED"},
      {DDERR_INVALIDPARAMS, "[DDrawManager::Flip] Restore returned DDERR_INVALIDPARAMS"},
      {DDERR_INVALIDOBJECT, "[DDrawManager::Flip] Restore returned DDERR_INVALIDOBJECT"},
      {MAKE_DDHRESULT(999), "[DDrawManager::Flip] Restore returned unknown error, code 0x887603e7"},
  };
  Start(true);
  for (const Row& row : rows) {
    winsim::FailDDCall("GetFlipStatus", DDERR_SURFACELOST);
    winsim::FailDDCall("Restore", row.refusal);
    const size_t before = winsim::DDCalls().size();
    EXPECT_EQ(manager_->Flip(), 1) << row.line;
    // The status is asked of the back buffer, which is restored first, then the chain's primary.
    EXPECT_EQ(SurfaceCallsFrom(before),
              (std::vector<std::string>{"Unlock back", "GetFlipStatus back", "Restore back", "Restore front"}))
        << row.line;
    EXPECT_EQ(CountLines("LOG_INFO: " + row.line), 1) << row.line;
    EXPECT_EQ(manager_->Flip(), 0) << row.line << ": the next attempt presents";
  }
  EXPECT_EQ(CountLines("LOG_INFO: [DDrawManager::Flip] GetFlipStatus returned DDERR_SURFACELOST"), 10);
}

TEST_F(FrameAccessTest, LostChainIsRestoredThroughThePrimary) {
  Start(true);
  winsim::LoseSurfaces(0);
  EXPECT_EQ(manager_->BeginFrame(), nullptr) << "a lost back buffer gives no frame";
  EXPECT_EQ(manager_->Flip(), 1);
  ASSERT_NE(manager_->BeginFrame(), nullptr) << "restored by the flip";
  EXPECT_EQ(manager_->Flip(), 0);
}

TEST_F(FrameAccessTest, FlipStatusResultsEachHaveTheirLine) {
  struct Row {
    HRESULT status;
    std::string line;
  } rows[] = {{DDERR_SURFACEBUSY, "LOG_INFO: [DDrawManager::Flip] GetFlipStatus returned DDERR_SURFACEBUSY"},
              {DDERR_INVALIDPARAMS, "LOG_INFO: [DDrawManager::Flip] GetFlipStatus returned unknown error"}};
  Start(true);
  for (const Row& row : rows) {
    winsim::FailDDCall("GetFlipStatus", row.status);
    EXPECT_EQ(manager_->Flip(), 1) << row.line;
    EXPECT_EQ(CountLines(row.line), 1) << row.line;
  }
  winsim::FailDDCall("Flip", DDERR_SURFACELOST);
  winsim::FailDDCall("Restore", DDERR_GENERIC);
  const size_t before = winsim::DDCalls().size();
  EXPECT_EQ(manager_->Flip(), 1);
  EXPECT_EQ(SurfaceCallsFrom(before),
            (std::vector<std::string>{"Unlock back", "GetFlipStatus back", "Flip front", "Restore front"}))
      << "a lost chain is restored through its primary";
  EXPECT_EQ(CountLines("LOG_INFO: [DDrawManager::Flip] Surfaces lost, trying to restore..."), 1);
  EXPECT_EQ(CountLines("LOG_WARNING: [DDrawManager::Flip] Unable to restore primary surface"), 1);
  EXPECT_EQ(CountLines("LOG_WARNING: [DDrawManager::Flip] Unrecognized error when trying to flip"), 0)
      << "a lost chain is no unrecognized error";
}

TEST_F(FrameAccessTest, WindowedLostSurfacesRestorePrimaryThenBackBuffer) {
  // Which restore is refused shows the order: the primary first, then the back buffer.
  struct Row {
    int refusedRestore;  // -1: none
    size_t restores;     // Restore calls made
    std::string warning;
  } rows[] = {{-1, 2, ""},
              {0, 1, "LOG_WARNING: [DDrawManager::Flip] Unable to restore primary surface"},
              {1, 2, "LOG_WARNING: [DDrawManager::Flip] Unable to restore back buffer surface"}};
  for (const Row& row : rows) {
    SetUp();
    Start(false);
    winsim::LoseSurfaces(0);
    if (row.refusedRestore >= 0) winsim::FailDDCall("Restore", DDERR_GENERIC, 1, row.refusedRestore);
    const size_t before = winsim::DDCalls().size();
    EXPECT_EQ(manager_->Flip(), 1) << row.refusedRestore;
    size_t restores = 0;
    for (size_t i = before; i < winsim::DDCalls().size(); ++i) restores += winsim::DDCalls()[i].call == "Restore";
    EXPECT_EQ(restores, row.restores) << row.refusedRestore;
    // The frame ends first; the copy, cut to the primary's size, goes to the primary, restored
    // before the back buffer.
    const std::vector<std::string> order = {"Unlock offscreen", "GetSurfaceDesc primary", "Blt primary",
                                            "Restore primary", "Restore offscreen"};
    EXPECT_EQ(SurfaceCallsFrom(before),
              std::vector<std::string>(order.begin(), order.begin() + 3 + static_cast<long>(row.restores)))
        << row.refusedRestore;
    if (!row.warning.empty()) {
      EXPECT_EQ(CountLines(row.warning), 1) << row.warning;
    }
    if (row.refusedRestore < 0) {
      EXPECT_EQ(manager_->Flip(), 0) << "the next copy presents";
      EXPECT_EQ(ScreenList->frameIndex, 0);
      // That copy ended the run of failures: the same loss after it is logged again.
      winsim::LoseSurfaces(0);
      EXPECT_EQ(manager_->Flip(), 1);
      EXPECT_EQ(CountLines("LOG_INFO: [DDrawManager::Flip] Surfaces lost, trying to restore..."), 2);
    } else {
      EXPECT_EQ(CountLines("LOG_INFO: [DDrawManager::Flip] Surfaces lost, trying to restore..."), 1);
    }
    TearDown();
  }
}

// The preview's copy lands at the window's place and is cut to the screen, taking the matching
// part of the frame; a window wholly off the screen costs no copy and is not retried. Each frame
// pixel holds its own position (x | y << 8), so a probe shows which frame pixel it took.
TEST_F(FrameAccessTest, WindowedCopyIsCutToTheScreen) {
  struct Probe {
    LONG x, y;   // on the 1024 x 768 screen
    int frameX;  // the frame pixel expected there; -1: the screen keeps what it showed
    int frameY;
  };
  struct Row {
    const char* name;
    POINT origin;  // the window's client origin on the screen
    Probe probes[3];
  } rows[] = {
      {"on the screen", {10, 20}, {{10, 20, 0, 0}, {161, 131, 151, 111}, {162, 20, -1, 0}}},
      {"past the right edge", {950, 100}, {{950, 100, 0, 0}, {1023, 211, 73, 111}, {949, 100, -1, 0}}},
      {"past the bottom edge", {100, 700}, {{100, 700, 0, 0}, {251, 767, 151, 67}, {100, 699, -1, 0}}},
      {"past the left edge", {-50, 100}, {{0, 100, 50, 0}, {101, 211, 151, 111}, {102, 100, -1, 0}}},
      {"past the top edge", {100, -30}, {{100, 0, 0, 30}, {251, 81, 151, 111}, {100, 82, -1, 0}}},
      {"past the bottom-right corner", {1000, 700}, {{1000, 700, 0, 0}, {1023, 767, 23, 67}, {999, 767, -1, 0}}},
      {"wholly off to the right", {1024, 100}, {{1023, 100, -1, 0}, {0, 0, -1, 0}, {1023, 767, -1, 0}}},
      {"wholly off above", {100, -112}, {{100, 0, -1, 0}, {251, 0, -1, 0}, {0, 0, -1, 0}}},
  };
  for (const Row& row : rows) {
    SetUp();
    Start(false, row.origin);
    // The clearing passes copied black onto the window's part of the screen; start from poison.
    std::vector<uint16_t> before = winsim::ScreenPixels(0);
    FrameDescriptor* frame = manager_->BeginFrame();
    ASSERT_NE(frame, nullptr) << row.name;
    for (int y = 0; y < 112; ++y)
      for (int x = 0; x < 152; ++x) frame->pixels[y * frame->pitch + x] = static_cast<uint16_t>(x | y << 8);
    const size_t callsBefore = winsim::DDCalls().size();
    EXPECT_EQ(manager_->Flip(), 0) << row.name;
    size_t copies = 0;
    const auto calls = winsim::DDCalls();
    for (size_t i = callsBefore; i < calls.size(); ++i) copies += calls[i].call == "Blt";
    const bool shown = row.probes[0].frameX >= 0;
    EXPECT_EQ(copies, shown ? 1u : 0u) << row.name;
    const std::vector<uint16_t> screen = winsim::ScreenPixels(0);
    for (const Probe& p : row.probes) {
      const size_t at = static_cast<size_t>(p.y) * 1024 + static_cast<size_t>(p.x);
      const uint16_t expected = p.frameX >= 0 ? static_cast<uint16_t>(p.frameX | p.frameY << 8) : before[at];
      EXPECT_EQ(screen[at], expected) << row.name << " at " << p.x << "," << p.y;
    }
    EXPECT_EQ(
        CountLines("LOG_WARNING: [DDrawManager::CreateDirectDraw] Unable to present the cleared buffer, carrying on"),
        0)
        << row.name;
    TearDown();
  }
}

TEST_F(FrameAccessTest, BusyLockIsRetriedUntilItOpens) {
  Start(true);
  winsim::SetLockBusy(50);
  const size_t before = winsim::DDCalls().size();
  FrameDescriptor* frame = manager_->BeginFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(frame->pixels, nullptr);
  // Asked without DDLOCK_WAIT: the program counts its own attempts instead of letting the
  // platform wait inside the call for as long as it likes.
  int locks = 0;
  const auto calls = winsim::DDCalls();
  for (size_t i = before; i < calls.size(); ++i) {
    const auto& call = calls[i];
    if (call.call != "Lock") continue;
    ++locks;
    EXPECT_EQ(call.flags, 0u) << "attempt " << locks;
  }
  EXPECT_EQ(locks, 51);
}

}  // namespace
