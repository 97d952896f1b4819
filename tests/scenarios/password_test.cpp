// The 95/98 family with a screen-saver password: closing asks the verifier; a refusal keeps the
// saver running and is not repeated within 200 ms; the system is told while a saver runs; AutoPlay
// is cancelled while the desktop is protected.
#include "scenario_fixture.h"

namespace {

using winsim::AfterFrames;
using winsim::InputStep;
using winsim::WhenIdle;

class PasswordScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    winsim::SetPlatform(winsim::Platform::kWindows98);
    winsim::SetRegistryDword("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    // Speed 0: the drawing thread never waits for a frame start. While drawing is off it polls with
    // Sleep, and the window thread waits with Sleep for its frame pass to end: held, the clock moves
    // only when the test moves it, so the 200 ms rule is probed to the millisecond.
    winsim::SetRegistryDword(kProductKey, "Speed", 0);
    winsim::HoldClock(true);
  }
  static std::vector<UINT> SaverRunningCalls() {
    std::vector<UINT> on;
    for (const auto& c : winsim::SystemParametersCalls())
      if (c.action == SPI_SETSCREENSAVERRUNNING) on.push_back(c.uiParam);
    return on;
  }
};

TEST_F(PasswordScenario, RefusedPasswordKeepsItRunningAndIsNotAskedAgainWithin200Ms) {
  int timersWhileAsking = -1;
  bool closeQueuedWhileAsking = true;
  int cursorHiddenAtAsking = -1;
  int cursorHiddenAfterRefusal = -1;
  // The dialog is up for 300 ms; meanwhile the user presses a key and moves the mouse.
  winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {FALSE, TRUE}, [&](HWND window) {
    if (winsim::VerifyScreenSavePwdCalls().size() != 1) return;
    timersWhileAsking = 0;
    for (const MSG& m : winsim::QueuedMessages(window)) timersWhileAsking += m.message == WM_TIMER;
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    closeQueuedWhileAsking = false;
    for (const MSG& m : winsim::QueuedMessages(window)) closeQueuedWhileAsking |= m.message == WM_CLOSE;
    winsim::SetCursorPosition(POINT{300, 300});
    cursorHiddenAtAsking = winsim::SetCursorCalls();
    winsim::AdvanceClock(300);
  });
  int framesAfterRefusal = 0;
  winsim::ScriptInput({
      InputStep{AfterFrames(4), winsim::MoveMouse(POINT{600, 384})},  // the dead zone's point, far away
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)},              // trapped close
      // A close with three timer messages queued behind it: asks, refused.
      InputStep{WhenIdle(), winsim::Call([] {
                  PostMessageA(SaverWindow, WM_CLOSE, 0, 0);
                  for (int i = 0; i < 3; ++i) PostMessageA(SaverWindow, WM_TIMER, 1, 0);
                })},
      InputStep{WhenIdle(), winsim::Call([&] {
                  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 1u);
                  EXPECT_EQ(Closing, 0);
                  cursorHiddenAfterRefusal = winsim::SetCursorCalls();
                  // 199 ms after the end of the verification: refused without asking.
                  winsim::AdvanceClock(199);
                })},
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)}, InputStep{WhenIdle(), winsim::Call([&] {
                                                                     EXPECT_EQ(
                                                                         winsim::VerifyScreenSavePwdCalls().size(), 1u);
                                                                     framesAfterRefusal = winsim::PresentedFrames(0);
                                                                   })},
      // The refused close left drawing off; activation brings it back. How many frames came before
      // the refusal depends on how the two threads were scheduled: these are counted from it.
      InputStep{WhenIdle(), winsim::Send(WM_ACTIVATE, WA_ACTIVE, 0)},
      InputStep{WhenIdle(), winsim::Call([&] {
                  EXPECT_TRUE(WaitForFrames(0, framesAfterRefusal + 8)) << "the saver drew on after the refusal";
                  winsim::AdvanceClock(1);
                })},
      // The refusal measures the closing distance from where the cursor then was: 4 pixels stay.
      InputStep{WhenIdle(), winsim::MoveMouse(POINT{304, 300})},
      InputStep{WhenIdle(), winsim::Call([] { EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 1u); })},
      // 5 pixels, 200 ms after the end of the verification: asks again, accepted.
      InputStep{WhenIdle(), winsim::MoveMouse(POINT{305, 300})},
      InputStep{AfterFrames(60), winsim::PressKey(VK_SPACE)},  // only if that move did not close
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(winsim::InputStepsLeft(), 1u) << "the 5-pixel move closed the saver";
  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 2u);
  EXPECT_EQ(timersWhileAsking, 1) << "two pending timer messages are taken away before asking";
  EXPECT_FALSE(closeQueuedWhileAsking) << "a key while the dialog is up asks for no close";
  EXPECT_EQ(cursorHiddenAfterRefusal - cursorHiddenAtAsking, 1) << "a refusal hides the cursor again";
  EXPECT_EQ(SaverRunningCalls(), (std::vector<UINT>{1, 0})) << "on before the window, off after the loop";
  EXPECT_FALSE(winsim::ScreenSaverRunning());
  EXPECT_EQ(winsim::LoadedLibraryCount("PASSWORD.CPL"), 0);
  const auto log = Log(true);
  EXPECT_EQ(Count(log, "LOG_INFO: [SCRM_VERIFYPW] Message detected"), 2);
}

TEST_F(PasswordScenario, AutoPlayIsCancelledOnlyWhileTheDesktopIsProtected) {
  const struct {
    const char* name;
    winsim::LibraryState verifier;
    LRESULT answer;
  } rows[] = {{"with a verifier", winsim::LibraryState::kPresent, 1},
              {"without PASSWORD.CPL", winsim::LibraryState::kAbsent, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetPasswordCpl(row.verifier, {TRUE, TRUE});
    winsim::ScriptInput({
        InputStep{AfterFrames(3), winsim::QueryCancelAutoPlay()},  // the trapped close follows
        InputStep{WhenIdle(), winsim::QueryCancelAutoPlay()},      // this close ends the saver
    });
    EXPECT_EQ(Run("/s"), 0);
    const auto steps = winsim::InputStepsRun();
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].result, row.answer);
    EXPECT_EQ(Count(Log(true), "LOG_GOSSIP: [STATE] WM_CLOSE detected"), 2);
  }
}

TEST_F(PasswordScenario, NoVerifierWithoutTheSettingOrTheExportOrOnTheNtFamily) {
  const struct {
    const char* name;
    winsim::Platform platform;
    bool setting;
    winsim::LibraryState library;
    bool autoPlayCloses;  // the AutoPlay query is known (95/98 family only) and makes the saver close
  } rows[] = {{"setting 0", winsim::Platform::kWindows98, false, winsim::LibraryState::kPresent, true},
              {"no export", winsim::Platform::kWindows98, true, winsim::LibraryState::kWithoutExport, true},
              {"NT family", winsim::Platform::kWindowsNT4, true, winsim::LibraryState::kPresent, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetPlatform(row.platform);
    if (!row.setting) winsim::SetRegistryDword("Control Panel\\Desktop", "ScreenSaveUsePassword", 0);
    winsim::SetPasswordCpl(row.library, {});
    int loadedWhileRunning = -1;
    int closesAfterQuery = -1;
    winsim::ScriptInput(
        {InputStep{AfterFrames(3),
                   winsim::Call([&] { loadedWhileRunning = winsim::LoadedLibraryCount("PASSWORD.CPL"); })},
         InputStep{WhenIdle(), winsim::QueryCancelAutoPlay()},
         InputStep{WhenIdle(),
                   winsim::Call([&] { closesAfterQuery = Count(Log(true), "LOG_GOSSIP: [STATE] WM_CLOSE detected"); })},
         InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)}, InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)}});
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(loadedWhileRunning, 0) << "no verifier library while the saver runs";
    EXPECT_EQ(closesAfterQuery, row.autoPlayCloses ? 1 : 0);
    EXPECT_EQ(winsim::InputStepsLeft(), row.autoPlayCloses ? 1u : 0u) << "the first key ends a saver the query closed";
    EXPECT_TRUE(winsim::VerifyScreenSavePwdCalls().empty());
    EXPECT_TRUE(SaverRunningCalls().empty()) << "the system is told only while a verifier is loaded";
    EXPECT_EQ(winsim::LoadedLibraryCount("PASSWORD.CPL"), 0);
    EXPECT_EQ(Count(Log(true), "LOG_INFO: [SCRM_VERIFYPW] Message detected"), 0);
  }
}

// Runs that end before a saver window runs: the verifier is never loaded for a second saver, and
// one loaded for a window that could not be made is released again.
TEST_F(PasswordScenario, RunsWithoutASaverWindowLeaveNoVerifierLoaded) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    int exitCode;
    std::vector<UINT> saverRunning;
  } rows[] = {
      {"a saver already runs",
       [] {
         winsim::OtherProcessWindow running;
         running.className = "WindowsScreenSaverClass";
         running.title = "Screen Saver";
         winsim::CreateOtherProcessWindow(running);
       },
       0,
       {}},
      {"window creation fails",
       [] { winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC, -1); },
       kNoWindowExitCode,
       {1, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {});
    row.arrange();
    EXPECT_EQ(Run("/s"), row.exitCode);
    EXPECT_EQ(SaverRunningCalls(), row.saverRunning);
    EXPECT_FALSE(winsim::ScreenSaverRunning());
    EXPECT_EQ(winsim::LoadedLibraryCount("PASSWORD.CPL"), 0);
    EXPECT_TRUE(winsim::VerifyScreenSavePwdCalls().empty());
  }
}

TEST_F(PasswordScenario, AFaultTheProgramHandlesTellsTheSystemTheSaverStopped) {
  winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {});
  winsim::ScriptInput(
      {InputStep{AfterFrames(3), winsim::Call([] { winsim::RaiseUnhandledFault(EXCEPTION_EXECUTE_HANDLER); })}});
  EXPECT_EQ(Run("/s", true), kFaultExitCode);
  EXPECT_EQ(SaverRunningCalls(), (std::vector<UINT>{1, 0}));
  EXPECT_FALSE(winsim::ScreenSaverRunning());
}

}  // namespace
