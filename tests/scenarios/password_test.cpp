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
    // Speed 0: the drawing thread never pauses, so the clock moves only when the test moves it.
    winsim::SetRegistryDword(kProductKey, "Speed", 0);
  }
  static std::vector<UINT> SaverRunningCalls() {
    std::vector<UINT> on;
    for (const auto& c : winsim::SystemParametersCalls())
      if (c.action == SPI_SETSCREENSAVERRUNNING) on.push_back(c.uiParam);
    return on;
  }
};

TEST_F(PasswordScenario, RefusedPasswordKeepsItRunningAndIsNotAskedAgainWithin200Ms) {
  winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {FALSE, TRUE});
  int framesAfterRefusal = 0;
  winsim::ScriptInput({
      InputStep{AfterFrames(3), winsim::PressKey(VK_SPACE)},  // trapped close
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)},      // asks: refused
      InputStep{WhenIdle(), winsim::Call([] {
                  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 1u);
                  EXPECT_EQ(Closing, 0);
                  winsim::AdvanceClock(150);
                })},
      InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)},  // 150 ms later: refused without asking
      InputStep{WhenIdle(), winsim::Call([&] {
                  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 1u);
                  framesAfterRefusal = winsim::PresentedFrames(0);
                })},
      // The refused close left drawing off; activation brings it back.
      InputStep{WhenIdle(), winsim::Send(WM_ACTIVATE, WA_ACTIVE, 0)},
      InputStep{AfterFrames(12), winsim::Call([] { winsim::AdvanceClock(100); })},
      InputStep{AfterFrames(12), winsim::PressKey(VK_SPACE)},  // 250 ms after: asks again, accepted
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls().size(), 2u);
  EXPECT_GT(winsim::PresentedFrames(0), framesAfterRefusal) << "the saver drew on after the refusal";
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

TEST_F(PasswordScenario, NoVerifierWithoutTheSettingOrTheExport) {
  const struct {
    const char* name;
    bool setting;
    winsim::LibraryState library;
  } rows[] = {{"setting 0", false, winsim::LibraryState::kPresent},
              {"no export", true, winsim::LibraryState::kWithoutExport}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    if (!row.setting) winsim::SetRegistryDword("Control Panel\\Desktop", "ScreenSaveUsePassword", 0);
    winsim::SetPasswordCpl(row.library, {});
    winsim::ScriptInput({InputStep{AfterFrames(3), winsim::PressKey(VK_SPACE)},
                         InputStep{WhenIdle(), winsim::PressKey(VK_SPACE)}});
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_TRUE(winsim::VerifyScreenSavePwdCalls().empty());
    EXPECT_TRUE(SaverRunningCalls().empty()) << "the system is told only while a verifier is loaded";
  }
}

TEST_F(PasswordScenario, AFaultTheProgramHandlesTellsTheSystemTheSaverStopped) {
  winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {});
  winsim::ScriptInput({InputStep{AfterFrames(3), winsim::Call([] {
                         winsim::RaiseUnhandledFault(EXCEPTION_EXECUTE_HANDLER);
                       })}});
  EXPECT_EQ(Run("/s", true), kFaultExitCode);
  EXPECT_EQ(SaverRunningCalls(), (std::vector<UINT>{1, 0}));
  EXPECT_FALSE(winsim::ScreenSaverRunning());
}

}  // namespace
