// The full-screen saver as a whole: two monitors drawn, closed by input, the log of the whole
// session, the registry's first-start defaults, and the display given back.
#include "scenario_fixture.h"

namespace {

using winsim::AfterFrames;
using winsim::InputStep;

class FullScreenScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
  }
};

TEST_F(FullScreenScenario, RainsOnBothMonitorsAndAKeyAfterTheTrappedCloseEndsIt) {
  size_t greenAtClose[2] = {0, 0};
  winsim::ScriptInput({
      InputStep{AfterFrames(5), winsim::Call([&] {
                  greenAtClose[0] = GreenPixels(0, true);
                  greenAtClose[1] = GreenPixels(1, false);
                })},
      // The first close request is trapped; the second key ends the saver.
      InputStep{AfterFrames(6), winsim::PressKey(VK_SPACE)},
      InputStep{AfterFrames(8), winsim::PressKey(VK_SPACE)},
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_TRUE(winsim::ExitedThroughExitProcess());
  EXPECT_GT(greenAtClose[0], 1000u) << "the primary monitor shows rain";
  EXPECT_GT(greenAtClose[1], 1000u) << "the second monitor shows rain";

  const auto log = Log(true);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED");
  EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_CLOSE message (NT bugfix)"), 1);
  EXPECT_TRUE(Before(log, "LOG_GOSSIP: [WM_CREATE] All object created, run Torvane Emulator",
                     "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane"));
  EXPECT_TRUE(Before(log, "LOG_INFO: [DrawTorvane] Thread ended", "LOG_GOSSIP: [STATE] Cleanup initiated"));
  EXPECT_TRUE(Before(log, "LOG_GOSSIP: [STATE] WM_DESTROY detected", "LOG_INFO: [Cleanup] Deallocating all objects"));

  // Once the close brought the desktop's surface forward, the drawing thread no longer touched a
  // surface: it had left its frame pass before the window thread went on.
  const auto calls = winsim::DDCalls();
  const auto gdi = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.call == "FlipToGDISurface"; });
  ASSERT_NE(gdi, calls.end());
  EXPECT_TRUE(std::none_of(gdi, calls.end(), [](const auto& c) { return c.call == "Lock" || c.call == "Flip"; }));

  // Everything given back: no DirectDraw object or surface left, the desktop's mode restored, the
  // cursor shown again.
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(winsim::LiveSurfaces(), 0);
  EXPECT_EQ(winsim::CursorDisplayCount(), 1) << "Cleanup shows the cursor once";
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

}  // namespace

namespace {

using winsim::AfterFrames;
using winsim::InputStep;
using winsim::MoveMouse;

class FullScreenInputScenario : public ScenarioTest {};

TEST_F(FullScreenInputScenario, MouseMovesBeforeTheFirstFrameAndWithinTheDeadZoneNeverClose) {
  winsim::SetCursorPosition(POINT{512, 384});
  // The first frame waits in its Flip until the window thread has handled the early move.
  winsim::HoldFlips(true);
  winsim::ScriptInput({
      // Moves the mode change causes before the first frame reaches the screen.
      InputStep{winsim::AfterGetMessageCalls(1), MoveMouse(POINT{600, 400})},
      InputStep{winsim::WhenIdle(), winsim::Call([] {
                  EXPECT_EQ(FramePresented.load(), 0);
                  winsim::HoldFlips(false);
                })},
      InputStep{AfterFrames(3), MoveMouse(POINT{513, 384})},  // records where the guard measures from
      InputStep{AfterFrames(4), MoveMouse(POINT{515, 385})},  // 3 pixels: inside the dead zone
      InputStep{AfterFrames(5), winsim::Call([] {
                  EXPECT_EQ(DrawEnabled.load(), 1) << "nothing asked to close yet";
                  EXPECT_EQ(CloseTrap, 1);
                })},
      InputStep{AfterFrames(6), MoveMouse(POINT{517, 384})},  // 4 pixels: input; the close is trapped
      InputStep{AfterFrames(7), MoveMouse(POINT{540, 384})},  // closes
  });
  EXPECT_EQ(Run("/s"), 0);
  const auto log = Log(true);
  EXPECT_EQ(Count(log, "LOG_INFO: [WM_MOUSEMOVE] Trapped message"), 1);
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_CLOSE message (NT bugfix)"), 1);
  EXPECT_EQ(Count(log, "LOG_GOSSIP: [STATE] WM_CLOSE detected"), 2);
  EXPECT_EQ(winsim::InputStepsLeft(), 0u);
}

TEST_F(FullScreenInputScenario, MonitorPowerStopsDrawingUntilActivationAndDisarmsTheTrap) {
  size_t presentedWhileOff = 0;
  winsim::ScriptInput({
      InputStep{AfterFrames(3), winsim::MonitorPower(2)},
      InputStep{AfterFrames(3), winsim::MonitorPower(2)},  // while off: straight to the default
      InputStep{winsim::WhenIdle(), winsim::Call([&] {
                  EXPECT_EQ(MonitorOff.load(), 1);
                  EXPECT_EQ(DrawEnabled.load(), 0);
                  ASSERT_TRUE(WaitForLine(true, "LOG_INFO: [DrawTorvane] Enter idle loop"));
                  presentedWhileOff = static_cast<size_t>(winsim::PresentedFrames(0));
                  std::this_thread::sleep_for(std::chrono::milliseconds(30));
                  EXPECT_EQ(static_cast<size_t>(winsim::PresentedFrames(0)), presentedWhileOff) << "no frame while off";
                })},
      InputStep{winsim::WhenIdle(), winsim::Send(WM_ACTIVATE, WA_ACTIVE, 0)},
      InputStep{AfterFrames(12), winsim::Call([] { EXPECT_EQ(MonitorOff.load(), 0); })},
      // SC_MONITORPOWER disarmed the trap: the first close request ends the saver.
      InputStep{AfterFrames(12), winsim::PressKey(VK_RETURN)},
  });
  EXPECT_EQ(Run("/s"), 0);
  const auto log = Log(true);
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] SC_MONITORPOWER: Monitor shutdown detected"), 1);
  EXPECT_TRUE(Before(log, "LOG_INFO: [DrawTorvane] Enter idle loop", "LOG_INFO: [DrawTorvane] Thread resumed"));
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_CLOSE message (NT bugfix)"), 0);
  EXPECT_GT(winsim::PresentedFrames(0), static_cast<int>(presentedWhileOff)) << "drawing resumed";
  int powerCommands = 0;
  for (const auto& c : winsim::DefaultSysCommands()) powerCommands += c.first == SC_MONITORPOWER;
  EXPECT_EQ(powerCommands, 2) << "both reach the system, which powers the monitor down";
}

TEST_F(FullScreenInputScenario, ASecondFullScreenSaverBringsTheFirstForward) {
  winsim::OtherProcessWindow running;
  running.className = "WindowsScreenSaverClass";
  running.title = "Screen Saver";
  HWND first = winsim::CreateOtherProcessWindow(running);
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(GetForegroundWindow(), first);
  EXPECT_TRUE(ProgramWindows().empty());
  EXPECT_EQ(winsim::ThreadsStarted(), 0);
}

struct SwitchCase {
  const char* name;
  winsim::Platform platform;
  std::string switches;
  int exitCode;
};

TEST_F(FullScreenInputScenario, SwitchesThatNameNoModeEndWithMinusOneAndShowNothing) {
  const SwitchCase cases[] = {
      {"unknown letter", winsim::Platform::kWindows2000, "/x", -1},
      {"a digit", winsim::Platform::kWindows2000, "/1", -1},
      {"preview without a number", winsim::Platform::kWindows2000, "/p", -1},
      {"preview of handle 0", winsim::Platform::kWindows2000, "/p 0", -1},
      {"preview of no window", winsim::Platform::kWindows2000, "/p 99999", -1},
      {"password change on NT", winsim::Platform::kWindows2000, "/a 1234", -1},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    winsim::SetPlatform(c.platform);
    EXPECT_EQ(Run(c.switches), c.exitCode);
    EXPECT_TRUE(ProgramWindows().empty());
    EXPECT_TRUE(winsim::Dialogs().empty());
    EXPECT_TRUE(winsim::MessageBoxes().empty());
  }
}

TEST_F(FullScreenInputScenario, PasswordChangeReachesTheSystemServiceOnlyWhenItIsThere) {
  const winsim::LibraryState states[] = {winsim::LibraryState::kPresent, winsim::LibraryState::kAbsent,
                                         winsim::LibraryState::kWithoutExport};
  for (winsim::LibraryState state : states) {
    SCOPED_TRACE(static_cast<int>(state));
    TearDown();
    SetUp();
    winsim::SetPlatform(winsim::Platform::kWindows98);
    winsim::SetMpr(state);
    HWND foreground = winsim::CreateTestWindow(POINT{0, 0});
    SetForegroundWindow(foreground);
    EXPECT_EQ(Run("/a 99999"), 0) << "no such window: the foreground window owns the change";
    const auto calls = winsim::PwdChangePasswordCalls();
    if (state == winsim::LibraryState::kPresent) {
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].provider, "SCRSAVE");
      EXPECT_EQ(calls[0].window, foreground);
      EXPECT_EQ(calls[0].reserved1, 0u);
      EXPECT_EQ(calls[0].reserved2, 0u);
    } else {
      EXPECT_TRUE(calls.empty());
    }
    EXPECT_EQ(winsim::LoadedLibraryCount("MPR.DLL"), 0) << "released again";
  }
}

}  // namespace
