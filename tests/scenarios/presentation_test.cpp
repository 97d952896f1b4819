// Presentation that cannot go on as usual: the preview dragged partly or wholly off the screen, a
// flip or copy that always fails in the preview and in full screen while the saver is ended, and
// a drawing thread that stays inside the platform when the window is destroyed.
#include <set>

#include "app/app_state.h"
#include "rain/draw_torvane.h"
#include "scenario_fixture.h"

namespace {

using winsim::AfterFrames;
using winsim::InputStep;
using winsim::WhenIdle;

constexpr uint16_t kPoison = 0xAAAA;  // what winsim's screen shows before anything is drawn there
const char kClearGivenUp[] =
    "LOG_WARNING: [DDrawManager::CreateDirectDraw] Unable to present the cleared buffer, carrying on";

// The drawing thread's Sleep calls of `ms` milliseconds so far.
size_t DrawingSleeps(uint32_t ms) {
  size_t n = 0;
  for (const winsim::SleepRecord& r : winsim::Sleeps()) n += r.thread == 1 && r.ms == ms;
  return n;
}
// Waits (real time, generously) until the drawing thread has slept `count` times for `ms`.
bool AwaitDrawingSleeps(uint32_t ms, size_t count) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (DrawingSleeps(ms) < count) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
// Attempts to present: flips of a chain, or copies (Blt without flags) in a window.
size_t Presentations(const char* call) {
  size_t n = 0;
  for (const auto& c : winsim::DDCalls()) n += c.call == call && (std::string(call) != "Blt" || c.flags == 0);
  return n;
}
size_t AllSleeps(uint32_t ms) {
  size_t n = 0;
  for (const winsim::SleepRecord& r : winsim::Sleeps()) n += r.ms == ms;
  return n;
}

class PresentationScenario : public ScenarioTest {
 protected:
  // The display settings on a 1024 x 768 desktop, their preview area at `areaLeft`, `areaTop`
  // on the screen (152 x 112).
  void PlaceSettings(LONG areaLeft, LONG areaTop) {
    winsim::SetDesktop(winsim::OneMonitorDesktop());
    winsim::OtherProcessWindow settings;
    settings.title = "Display Properties";
    settings.rect = {areaLeft - 40, areaTop - 30, areaLeft + 360, areaTop + 320};
    HWND owner = winsim::CreateOtherProcessWindow(settings);
    winsim::OtherProcessWindow area;
    area.style = WS_CHILD | WS_VISIBLE;
    area.rect = {40, 30, 40 + 152, 30 + 112};
    area.parent = owner;
    area_ = winsim::CreateOtherProcessWindow(area);
  }
  InputStep DestroyArea() {
    HWND area = area_;
    return InputStep{WhenIdle(), winsim::Call([area] { winsim::DestroyOtherProcessWindow(area); })};
  }
  // The log of a run that ended cleanly: the drawing thread ended before everything was freed.
  void ExpectCleanEnd(const std::vector<std::string>& log) {
    EXPECT_TRUE(Before(log, "LOG_INFO: [DrawTorvane] Thread ended", "LOG_GOSSIP: [STATE] Cleanup initiated"));
    EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
    EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  }
  // The drawing thread's attempts to present each take a millisecond, as they take some time on
  // the platform: failures that last are retried after pauses only once a refresh has passed.
  static void TakeAMillisecondPerAttempt(const std::string& call) {
    winsim::OnDDCall(call, [] {
      if (winsim::CurrentThreadNumber() != 0) winsim::AdvanceClock(1);
    });
  }
  HWND area_ = nullptr;
};

// The placement: the preview reaches past the right edge of the screen (x 950..1101).
TEST_F(PresentationScenario, PreviewPartlyOffTheScreenShowsItsOnScreenPart) {
  PlaceSettings(950, 130);
  size_t green = 0;
  size_t drawnOutside = 0;
  winsim::ScriptInput({
      InputStep{AfterFrames(6, 0), winsim::Call([&] {
                  const std::vector<uint16_t> shown = winsim::ScreenPixels(0);
                  for (size_t y = 0; y < 768; ++y)
                    for (size_t x = 0; x < 1024; ++x) {
                      const uint16_t p = shown[y * 1024 + x];
                      const bool inside = x >= 950 && y >= 130 && y < 130 + 112;
                      if (inside) green += (p & 0x07E0) != 0 && (p & 0xF800) == 0;
                      if (!inside) drawnOutside += p != kPoison;
                    }
                })},
      DestroyArea(),
  });
  EXPECT_EQ(Run("/p " + HandleText(area_)), 0);
  EXPECT_GT(green, 100u) << "rain in the part of the preview that lies on the screen";
  EXPECT_EQ(drawnOutside, 0u) << "nothing drawn outside the preview's window";
  const auto log = Log(false);
  EXPECT_EQ(Count(log, kClearGivenUp), 0) << "the cleared preview was shown";
  ExpectCleanEnd(log);
}

// Wholly off the screen there is nothing to show: no copy is tried and none retried; the thread
// only paces its frames.
TEST_F(PresentationScenario, PreviewWhollyOffTheScreenCostsNoCopy) {
  PlaceSettings(1100, 130);
  bool paced = false;
  winsim::ScriptInput({
      InputStep{WhenIdle(), winsim::Call([&] { paced = AwaitDrawingSleeps(30, 10); })},
      DestroyArea(),
  });
  EXPECT_EQ(Run("/p " + HandleText(area_)), 0);
  EXPECT_TRUE(paced) << "ten frame passes, each after its frame delay";
  EXPECT_EQ(Presentations("Blt"), 0u);
  EXPECT_EQ(DrawingSleeps(kFlipRetryMs), 0u) << "nothing failed, nothing retried";
  const std::vector<uint16_t> shown = winsim::ScreenPixels(0);
  EXPECT_TRUE(std::all_of(shown.begin(), shown.end(), [](uint16_t p) { return p == kPoison; }));
  const auto log = Log(false);
  EXPECT_EQ(Count(log, kClearGivenUp), 0);
  ExpectCleanEnd(log);
}

// A copy that always fails: creation carries on after its clearing passes, the drawing thread
// pauses between attempts once they have failed for longer than a refresh, and the owner
// destroying the window (drawing still enabled) ends it.
TEST_F(PresentationScenario, PreviewWhoseCopyAlwaysFailsEndsWithItsOwner) {
  PlaceSettings(140, 130);
  winsim::FailDDCall("Blt", DDERR_GENERIC, -1);
  TakeAMillisecondPerAttempt("Blt");
  bool retried = false;
  winsim::ScriptInput({
      InputStep{WhenIdle(), winsim::Call([&] { retried = AwaitDrawingSleeps(kFlipRetryMs, 20); })},
      DestroyArea(),
  });
  EXPECT_EQ(Run("/p " + HandleText(area_)), 0);
  EXPECT_TRUE(retried);
  // Each attempt but the last of each try (two clearing passes, the drawing thread) is followed
  // by a pause, except the drawing thread's within the first refresh.
  EXPECT_LE(Presentations("Blt"), AllSleeps(kFlipRetryMs) + 3 + kFlipRetryAtOnceMs + 1);
  EXPECT_EQ(winsim::PresentedFrames(0), 0);
  const auto log = Log(false);
  EXPECT_EQ(Count(log, kClearGivenUp), 2);
  EXPECT_FALSE(
      Has(log, "LOG_WARNING: [STATE] Drawing thread did not end, its objects are left to the end of the process"));
  ExpectCleanEnd(log);
}

// Full screen on two monitors with a flip that always fails: the saver still closes on input,
// having paused between attempts, and at the close every screen shows the desktop's surface.
TEST_F(PresentationScenario, FullScreenWhoseFlipAlwaysFailsClosesOnInput) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  winsim::FailDDCall("Flip", DDERR_GENERIC, -1);
  TakeAMillisecondPerAttempt("Flip");
  bool retried = false;
  winsim::ScriptInput({
      InputStep{WhenIdle(), winsim::Call([&] { retried = AwaitDrawingSleeps(kFlipRetryMs, 20); })},
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)},  // trapped
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)},
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_TRUE(retried);
  EXPECT_LE(Presentations("Flip"), AllSleeps(kFlipRetryMs) + 4 + 2 * (kFlipRetryAtOnceMs + 1))
      << "four clearing passes, two screens each retried at once for a refresh";
  const auto log = Log(true);
  EXPECT_EQ(Count(log, kClearGivenUp), 4);
  ExpectCleanEnd(log);
  std::set<int> desktopShown;
  for (const auto& c : winsim::DDCalls())
    if (c.call == "FlipToGDISurface") desktopShown.insert(c.monitor);
  EXPECT_EQ(desktopShown, (std::set<int>{0, 1}));
}

// A drawing thread that never comes back from the platform holds neither the preview's owner nor
// the user who closes the full-screen saver: the close leaves the desktop's surface alone rather
// than touch the screen under the thread, the wait at WM_DESTROY ends, nothing the thread may still
// use is freed, and the process ends.
TEST_F(PresentationScenario, DestroyDoesNotWaitForeverForADrawingThreadStuckInThePlatform) {
  const char kLeftBehind[] = "LOG_WARNING: [STATE] Drawing thread still in its frame, desktop surface left behind";
  const char kNotEnded[] =
      "LOG_WARNING: [STATE] Drawing thread did not end, its objects are left to the end of the process";
  for (const bool fullscreen : {false, true}) {
    SCOPED_TRACE(fullscreen ? "full screen, ended by keys" : "preview, ended by its owner");
    TearDown();
    SetUp();
    PlaceSettings(140, 130);
    HWND area = area_;
    bool held = false;
    std::vector<InputStep> steps = {
        InputStep{AfterFrames(3, 0), winsim::Call([&] {
                    winsim::HoldFlips(true);
                    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                    while (winsim::HeldFlips() == 0 && std::chrono::steady_clock::now() < limit)
                      std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    held = winsim::HeldFlips() == 1;
                    if (!fullscreen) winsim::DestroyOtherProcessWindow(area);
                  })},
    };
    if (fullscreen) {
      steps.push_back(InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)});  // trapped
      steps.push_back(InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)});
    }
    winsim::ScriptInput(steps);
    const int code =
        winsim::RunProgram(SaverMain, fullscreen ? "\"C:\\WINDOWS\\Sarvello.scr\" /s"
                                                 : "\"C:\\WINDOWS\\Sarvello.scr\" /p " + HandleText(area_));
    EXPECT_TRUE(held) << "the drawing thread was inside its presentation";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ThreadEnded.load(), 0) << "the run ended while the drawing thread was still inside the platform";
    size_t waits = 0;
    for (const winsim::SleepRecord& r : winsim::Sleeps()) waits += r.thread == 0 && r.ms == kThreadEndPollMs;
    EXPECT_EQ(waits, kThreadEndWaitMs / kThreadEndPollMs) << "the wait is bounded by time";
    const auto log = Log(fullscreen);
    EXPECT_TRUE(Before(log, "LOG_GOSSIP: [STATE] WM_DESTROY detected", kNotEnded));
    EXPECT_FALSE(Has(log, "LOG_GOSSIP: [STATE] Cleanup initiated")) << "nothing freed under the drawing thread";
    if (fullscreen) {
      EXPECT_TRUE(Before(log, kLeftBehind, "LOG_GOSSIP: [STATE] WM_DESTROY detected"));
      EXPECT_EQ(Count(log, kLeftBehind), 1);
      size_t desktopSurface = 0;
      for (const auto& c : winsim::DDCalls()) desktopSurface += c.call == "FlipToGDISurface";
      EXPECT_EQ(desktopSurface, 0u) << "the screen under the drawing thread is left alone";
    } else {
      EXPECT_FALSE(Has(log, kLeftBehind)) << "the owner destroys the preview without a close";
    }
    EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
    EXPECT_EQ(winsim::CursorDisplayCount(), 1) << "the cursor is shown again";

    // The platform would end the thread with the process; here it is let go and ends by itself.
    winsim::HoldFlips(false);
    EXPECT_TRUE(winsim::JoinThreads());
    EXPECT_EQ(ThreadEnded.load(), 1);
  }
}

}  // namespace
