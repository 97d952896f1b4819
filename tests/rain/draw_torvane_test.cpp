// The drawing thread on winsim: its start and end lines and ThreadEnded last, pacing against the
// millisecond clock, idle and resume, presentation that keeps failing, and the order of screens.
#include "rain/draw_torvane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "app/app_objects.h"
#include "display/display_fixture.h"
#include "rain/random.h"
#include "rain/screen_rain.h"
#include "rain/shared_flags.h"
#include "support/program_glyphs.h"
#include "support/program_state.h"

namespace {

constexpr const char* kCreated = "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane";
constexpr const char* kIdle = "LOG_INFO: [DrawTorvane] Enter idle loop";
constexpr const char* kResumed = "LOG_INFO: [DrawTorvane] Thread resumed";
constexpr const char* kEnded = "LOG_INFO: [DrawTorvane] Thread ended";

class DrawTorvaneTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ResetSharedFlags();
  }
  void TearDown() override {
    ThreadAlive = 0;
    EXPECT_TRUE(winsim::JoinThreads()) << "the drawing thread did not end";
    winsim::OnSleep(nullptr);
    if (Manager) Manager->InterruptFrame();
    for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
      s->rain.glyphs.reset();
      s->rain.cells.reset();
    }
    Manager.reset();
    DrawEnabled = 0;
    DisplayTest::TearDown();
  }

  // Builds what window creation builds before it starts the thread: devices in 640x480 on every
  // screen and a rain model on each.
  void Build(const winsim::DesktopSpec& desktop) {
    winsim::SetDesktop(desktop);
    EnumScreens();
    SelectModes(640, 480);
    Manager.reset(new DDrawManager);
    ASSERT_TRUE(Manager->CreateDirectDraw(winsim::CreateTestWindow(POINT{0, 0}), true));
    const std::vector<unsigned char> file = ProgramGlyphFile();
    GraphicsLoader loader;
    SeedRand(7);
    for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
      ASSERT_TRUE(InitRain(s, loader, file.data(), static_cast<uint32_t>(file.size())));
      s->rain.dropCount = 200;
      s->rain.highlightPercent = 8;
    }
    createdCalls_ = winsim::DDCalls().size();
  }
  void Build() { Build(winsim::OneMonitorDesktop()); }

  enum class Enable { kAfterStart, kBeforeStart, kNever };
  // Starts the thread as window creation does: first the thread, then DrawEnabled. Tests that
  // count pauses switch drawing on first, so that the thread cannot pass through idle once.
  void Start(Enable enable = Enable::kAfterStart) {
    if (enable == Enable::kBeforeStart) DrawEnabled = 1;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, DrawTorvane, nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    CloseHandle(thread);
    if (enable == Enable::kAfterStart) DrawEnabled = 1;
  }

  static bool WaitFor(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // Flips since the devices were made (creation flips to clear both buffers).
  static size_t Flips(int monitor) {
    const auto calls = winsim::DDCalls();
    size_t n = 0;
    for (size_t i = createdCalls_; i < calls.size(); ++i) n += calls[i].call == "Flip" && calls[i].monitor == monitor;
    return n;
  }
  static inline size_t createdCalls_ = 0;
  static bool Logged(const char* line) { return CountLines(line) > 0; }
  void End() {
    ThreadAlive = 0;
    ASSERT_TRUE(winsim::JoinThreads());
  }
  // The drawing thread's pauses.
  static std::vector<uint32_t> DrawingSleeps() {
    std::vector<uint32_t> ms;
    for (const auto& s : winsim::Sleeps())
      if (s.thread != 0) ms.push_back(s.ms);
    return ms;
  }
};

TEST_F(DrawTorvaneTest, PresentsFramesAndEndsWithItsLineBeforeThreadEnded) {
  Build();
  Start();
  ASSERT_TRUE(WaitFor([] { return Flips(0) >= 3; }));
  EXPECT_EQ(FramePresented.load(), 1);
  std::atomic<bool> endedBeforeLine{false};
  ThreadAlive = 0;
  // The end line must already be in the log whenever ThreadEnded is seen set.
  ASSERT_TRUE(WaitFor([&] {
    if (ThreadEnded.load() == 0) return false;
    endedBeforeLine = !Logged(kEnded);
    return true;
  }));
  ASSERT_TRUE(winsim::JoinThreads());
  EXPECT_FALSE(endedBeforeLine.load());
  const auto lines = LogLines();
  EXPECT_EQ(CountLines(kCreated), 1);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), kEnded);
  // The rain reached the monitor: a green trail somewhere, and no poison left from creation.
  const std::vector<uint16_t> shown = winsim::ScreenPixels(0);
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](uint16_t p) { return (p & 0x07E0) != 0; }));
  EXPECT_EQ(std::count(shown.begin(), shown.end(), uint16_t{0xAAAA}), 0);
}

TEST_F(DrawTorvaneTest, ToldToEndBeforeItStartsWritesOnlyTheEndLine) {
  Build();
  ThreadAlive = 0;
  Start();
  ASSERT_TRUE(winsim::JoinThreads());
  EXPECT_EQ(ThreadEnded.load(), 1);
  EXPECT_EQ(CountLines(kCreated), 0);
  EXPECT_EQ(CountLines(kEnded), 1);
  EXPECT_EQ(Flips(0), 0u);
}

TEST_F(DrawTorvaneTest, WithoutAManagerItLoopsWithoutDrawingAndStillEnds) {
  Build();
  Manager->InterruptFrame();
  Manager.reset();
  Start();
  ASSERT_TRUE(WaitFor([] { return Logged(kCreated); }));
  End();
  EXPECT_EQ(CountLines(kEnded), 1);
  EXPECT_EQ(FramePresented.load(), 0);
}

TEST_F(DrawTorvaneTest, IdleAndResumeLogOncePerPeriodAndResumeClearsMonitorOff) {
  Build();
  Start();
  ASSERT_TRUE(WaitFor([] { return FramePresented.load() == 1; }));
  const int idleBefore = CountLines(kIdle);
  const int resumedBefore = CountLines(kResumed);
  // As at a monitor power-down: drawing off, the monitor marked off.
  DrawEnabled = 0;
  MonitorOff = 1;
  ASSERT_TRUE(WaitFor([&] { return CountLines(kIdle) == idleBefore + 1; }));
  // Any non-zero value switches drawing on; the thread makes it exactly 1.
  DrawEnabled = 7;
  ASSERT_TRUE(WaitFor([&] { return CountLines(kResumed) == resumedBefore + 1; }));
  EXPECT_EQ(DrawEnabled.load(), 1);
  EXPECT_EQ(MonitorOff.load(), 0);
  const size_t flips = Flips(0);
  ASSERT_TRUE(WaitFor([&] { return Flips(0) > flips; })) << "drawing goes on after the resume";
  End();
  EXPECT_EQ(CountLines(kIdle), idleBefore + 1);
  EXPECT_EQ(CountLines(kResumed), resumedBefore + 1);
  EXPECT_EQ(FramePresented.load(), 1);
}

TEST_F(DrawTorvaneTest, EndsFromIdleWithoutAResumeLine) {
  Build();
  Start(Enable::kNever);
  ASSERT_TRUE(WaitFor([] { return Logged(kIdle); }));
  End();
  EXPECT_EQ(CountLines(kResumed), 0);
  EXPECT_EQ(CountLines(kEnded), 1);
  EXPECT_EQ(Flips(0), 0u);
}

TEST_F(DrawTorvaneTest, IdlePausesBetweenLooksAndResumesAtTheNextLook) {
  Build();
  // Drawing switched on from inside the third idle pause: the next look resumes.
  std::atomic<int> idleSleeps{0};
  winsim::OnSleep([&](const winsim::SleepRecord& s) {
    if (s.thread == 0 || DrawEnabled.load() != 0) return;
    if (++idleSleeps == 3) DrawEnabled = 1;
  });
  Start(Enable::kNever);
  ASSERT_TRUE(WaitFor([] { return Logged(kResumed); }));
  End();
  EXPECT_EQ(idleSleeps.load(), 3);
  const auto sleeps = DrawingSleeps();
  ASSERT_GE(sleeps.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sleeps[i], kIdlePollMs) << "idle pause " << i;
}

TEST_F(DrawTorvaneTest, IdleDoesNotSpinOnTheRealClock) {
  Build();
  winsim::UseRealClock(true);
  Start(Enable::kNever);
  ASSERT_TRUE(WaitFor([] { return Logged(kIdle); }));
  const size_t before = DrawingSleeps().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const auto sleeps = DrawingSleeps();
  EXPECT_GT(sleeps.size(), before) << "the idle loop looked without pausing";
  for (size_t i = before; i < sleeps.size(); ++i) EXPECT_GE(sleeps[i], 1u);
  End();
}

struct PacingCase {
  const char* name;
  uint32_t frameDelay;
  uint32_t passCost;  // virtual milliseconds one presentation takes
  std::vector<uint32_t> pausesBetweenFrames;
};

TEST_F(DrawTorvaneTest, PacingKeepsFrameStartsFrameDelayApartInShortSlices) {
  const PacingCase cases[] = {
      {"delay 30, pass 10: 20 ms pause", 30, 10, {20}},
      {"delay 30, pass 40: next pass at once", 30, 40, {}},
      {"delay 0: never pauses", 0, 0, {}},
      {"delay 1000, pass 10: slices of 50", 1000, 10, {50, 50, 50, 50, 50, 50, 50, 50, 50, 50,
                                                       50, 50, 50, 50, 50, 50, 50, 50, 50, 40}},
  };
  bool first = true;
  for (const PacingCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!first) {
      TearDown();
      SetUp();
    }
    first = false;
    Build();
    FrameDelay = c.frameDelay;
    winsim::SetPresentDuration(c.passCost);
    Start(Enable::kBeforeStart);
    ASSERT_TRUE(WaitFor([] { return Flips(0) >= 4; }));
    End();
    // The first pass finds LastFrameTime 0 and the clock far ahead: no pause before it. Each later
    // frame start waits for the pattern of the case.
    const auto sleeps = DrawingSleeps();
    const size_t pattern = c.pausesBetweenFrames.size();
    if (pattern == 0) {
      EXPECT_TRUE(sleeps.empty());
      continue;
    }
    ASSERT_GE(sleeps.size(), pattern * 3);
    for (size_t i = 0; i < pattern * 3; ++i) EXPECT_EQ(sleeps[i], c.pausesBetweenFrames[i % pattern]) << "pause " << i;
  }
}

TEST_F(DrawTorvaneTest, AHugeFrameDelayDoesNotHoldUpTheEnd) {
  Build();
  FrameDelay = 0xFFFFFFFFu;
  LastFrameTime = winsim::Clock();  // as after a frame: the next waits the whole delay
  winsim::OnSleep([](const winsim::SleepRecord& s) {
    if (s.thread != 0 && winsim::SleepCount() == 5) ThreadAlive = 0;
  });
  Start(Enable::kBeforeStart);
  ASSERT_TRUE(winsim::JoinThreads(20000));
  const auto sleeps = DrawingSleeps();
  EXPECT_EQ(sleeps.size(), 5u) << "the thread pauses no more once told to end";
  for (uint32_t ms : sleeps) EXPECT_EQ(ms, kPacingSliceMs);
  EXPECT_EQ(Flips(0), 0u);
  EXPECT_EQ(CountLines(kEnded), 1);
}

TEST_F(DrawTorvaneTest, PresentationThatKeepsFailingStopsWhenDrawingIsSwitchedOff) {
  Build();
  winsim::FailDDCall("Flip", DDERR_GENERIC, -1);
  Start();
  ASSERT_TRUE(WaitFor([] { return Flips(0) >= 20; })) << "a refused flip is retried at once";
  EXPECT_EQ(FramePresented.load(), 0);
  DrawEnabled = 0;
  ASSERT_TRUE(WaitFor([] { return Logged(kIdle); }));
  // The composed frame was never shown: the monitor still shows what creation cleared it to.
  const std::vector<uint16_t> shown = winsim::ScreenPixels(0);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), uint16_t{0}), static_cast<long>(shown.size()));
  // Presentation works again and the back buffer was not left locked: drawing goes on.
  winsim::FailDDCall("Flip", DDERR_GENERIC, 0);
  DrawEnabled = 1;
  ASSERT_TRUE(WaitFor([] { return FramePresented.load() == 1; }));
  End();
}

// The window thread switches drawing off while the first screen's frame of the third pass is being
// presented (held there); the pass goes on to the second screen, whose back buffer is opened after
// the switch and still holds the first pass's frame: it must be ended unshown, and the monitor
// keeps the second pass's frame until drawing is switched on again.
TEST_F(DrawTorvaneTest, AFrameOpenedAfterDrawingWasSwitchedOffIsNeverShown) {
  Build(winsim::TwoMonitorDesktop());
  FrameDelay = 30;  // one pacing pause before every pass after the first
  std::atomic<int> passes{1};
  std::vector<uint16_t> firstFrame;
  winsim::OnSleep([&](const winsim::SleepRecord& s) {
    if (s.thread == 0 || s.ms != 30) return;
    const int next = ++passes;
    if (next == 2) firstFrame = winsim::ScreenPixels(1);
    if (next == 3) winsim::HoldFlips(true);
  });
  Start(Enable::kBeforeStart);
  ASSERT_TRUE(WaitFor([] { return winsim::HeldFlips() == 1; }));
  ASSERT_EQ(Flips(1), 2u);
  const std::vector<uint16_t> secondFrame = winsim::ScreenPixels(1);
  ASSERT_NE(secondFrame, firstFrame) << "the rain moved between the two frames";
  DrawEnabled = 0;
  winsim::HoldFlips(false);
  ASSERT_TRUE(WaitFor([] { return Logged(kIdle); }));
  EXPECT_EQ(Flips(1), 2u) << "the second screen's frame was presented after drawing was switched off";
  EXPECT_EQ(winsim::ScreenPixels(1), secondFrame) << "the second screen keeps its last frame";
  // Its back buffer was not left open: drawing goes on there once switched on again.
  DrawEnabled = 1;
  ASSERT_TRUE(WaitFor([] { return Flips(1) >= 3; }));
  End();
}

// A frame that cannot be presented yet is retried at once while its failures last no longer than
// about a refresh (a pause would cost a whole scheduler tick); past that, each retry follows a
// pause. The clock moves only by what the case makes an attempt cost.
TEST_F(DrawTorvaneTest, FailedPresentationIsRetriedAtOnceForARefreshThenAfterPauses) {
  const auto retryPauses = [] {
    size_t n = 0;
    for (const auto& s : winsim::Sleeps()) n += s.thread != 0 && s.ms == kFlipRetryMs;
    return n;
  };
  // A flip still pending for 40 attempts that take no time: never a pause, and the frame shows.
  Build();
  FrameDelay = 0;
  winsim::SetFlipPending(40);
  Start(Enable::kBeforeStart);
  ASSERT_TRUE(WaitFor([] { return FramePresented.load() == 1; }));
  End();
  EXPECT_EQ(retryPauses(), 0u) << "a pending flip is retried at once";

  // A flip refused for good, each attempt taking 3 ms: at once for the first 20 ms, then a pause
  // before every attempt.
  TearDown();
  SetUp();
  Build();
  FrameDelay = 0;
  winsim::FailDDCall("Flip", DDERR_GENERIC, -1);
  struct Attempt {
    uint32_t clock;
    size_t pausesBefore;
  };
  std::vector<Attempt> attempts;
  std::mutex lock;
  winsim::OnDDCall("GetFlipStatus", [&] {
    if (winsim::CurrentThreadNumber() == 0) return;
    winsim::AdvanceClock(3);
    std::lock_guard<std::mutex> guard(lock);
    attempts.push_back({winsim::Clock(), retryPauses()});
  });
  Start(Enable::kBeforeStart);
  ASSERT_TRUE(WaitFor([&] { return retryPauses() >= 10; }));
  DrawEnabled = 0;
  End();
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_GE(attempts.size(), 12u);
  const uint32_t firstFailure = attempts[0].clock;
  size_t atOnce = 0;
  for (size_t i = 1; i < attempts.size(); ++i) {
    const bool pauseDue = attempts[i - 1].clock - firstFailure > kFlipRetryAtOnceMs;
    EXPECT_EQ(attempts[i].pausesBefore - attempts[i - 1].pausesBefore, pauseDue ? 1u : 0u) << "attempt " << i;
    atOnce += pauseDue ? 0 : 1;
  }
  EXPECT_EQ(atOnce, kFlipRetryAtOnceMs / 3 + 1) << "the attempts within the first refresh, its first included";
}

TEST_F(DrawTorvaneTest, NoFramePassRunsOnceDrawingIsOffAndThePassHasEnded) {
  Build();
  Start();
  ASSERT_TRUE(WaitFor([] { return Flips(0) >= 2; }));
  // What the window thread does before it touches the current screen's surfaces itself.
  DrawEnabled = 0;
  ASSERT_TRUE(WaitFor([] { return FramePassActive.load() == 0; }));
  const size_t calls = winsim::DDCalls().size();
  ASSERT_TRUE(WaitFor([] { return Logged(kIdle); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(winsim::DDCalls().size(), calls);
  End();
}

TEST_F(DrawTorvaneTest, EachPassFinishesOneScreenBeforeTheNext) {
  Build(winsim::TwoMonitorDesktop());
  ASSERT_EQ(Screens().size(), 2u);
  Start();
  ASSERT_TRUE(WaitFor([] { return Flips(1) >= 3; }));
  End();
  // After creation, the calls of the passes alternate: all of monitor 0's, then all of monitor 1's.
  const auto calls = winsim::DDCalls();
  std::vector<int> runs;
  for (size_t i = createdCalls_; i < calls.size(); ++i)
    if (runs.empty() || runs.back() != calls[i].monitor) runs.push_back(calls[i].monitor);
  ASSERT_GE(runs.size(), 6u);
  for (size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i], static_cast<int>(i % 2)) << "run " << i;
  EXPECT_GE(Flips(0), 3u);
}

}  // namespace
