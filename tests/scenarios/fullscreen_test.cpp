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

  // Everything given back: no DirectDraw object or surface left, the desktop's mode restored, the
  // cursor shown again.
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(winsim::LiveSurfaces(), 0);
  EXPECT_EQ(winsim::CursorDisplayCount(), 1) << "Cleanup shows the cursor once";
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

}  // namespace
