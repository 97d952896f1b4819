// The full-screen saver as a whole: two monitors drawn, closed by input, the log of the whole
// session, the registry's first-start defaults, and the display given back.
#include "frame/saver_window.h"
#include "scenario_fixture.h"
#include "support/pixel_hash.h"

namespace {

using winsim::AfterFrames;
using winsim::InputStep;

class FullScreenScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
  }
  // One run: rain on the listed monitors, a key's close request trapped, the second key ends it.
  void RainsAndAKeyEndsIt(bool directX3, bool secondMonitorDrawn);
};

void FullScreenScenario::RainsAndAKeyEndsIt(bool directX3, bool secondMonitorDrawn) {
  size_t greenAtClose[2] = {0, 0};
  std::vector<winsim::WindowClassInfo> classes;
  // The frames of the primary monitor: the second one may not be drawn at all.
  winsim::ScriptInput({
      InputStep{AfterFrames(5, 0), winsim::Call([&] {
                  classes = winsim::WindowClasses();
                  greenAtClose[0] = GreenPixels(0, true);
                  greenAtClose[1] = GreenPixels(1, false);
                })},
      // The first close request is trapped; the second key ends the saver.
      InputStep{AfterFrames(6, 0), winsim::PressKey(VK_SPACE)},
      InputStep{AfterFrames(8, 0), winsim::PressKey(VK_SPACE)},
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_TRUE(winsim::ExitedThroughExitProcess());
  EXPECT_GT(greenAtClose[0], 1000u) << "the primary monitor shows rain";
  if (secondMonitorDrawn) {
    EXPECT_GT(greenAtClose[1], 1000u) << "the second monitor shows rain";
  } else {
    EXPECT_EQ(greenAtClose[1], 0u) << "the second monitor is not listed";
    EXPECT_EQ(winsim::PresentedFrames(1), 0);
  }

  const auto log = Log(true);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(Count(log,
                  "LOG_WARNING: [DDrawManager::CreateDirectDraw] Focus window refused, cooperative mode set "
                  "without it as DirectX 3 knows it"),
            directX3 ? 1 : 0);
  EXPECT_EQ(log.front(), "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED");
  EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_CLOSE message (NT bugfix)"), 1);
  EXPECT_TRUE(Before(log, "LOG_GOSSIP: [WM_CREATE] All object created, run Torvane Emulator",
                     "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane"));
  EXPECT_TRUE(Before(log, "LOG_INFO: [DrawTorvane] Thread ended", "LOG_GOSSIP: [STATE] Cleanup initiated"));
  EXPECT_TRUE(Before(log, "LOG_GOSSIP: [STATE] WM_DESTROY detected", "LOG_INFO: [Cleanup] Deallocating all objects"));

  // The class and the window: a topmost popup over the whole desktop, both monitors side by side.
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].name, "WindowsScreenSaverClass");
  EXPECT_EQ(classes[0].fields.style, 0x2Bu);
  EXPECT_EQ(classes[0].fields.lpfnWndProc, SaverWindowProc);
  EXPECT_EQ(classes[0].fields.hInstance, winsim::ProgramModule());
  EXPECT_EQ(classes[0].fields.hIcon, LoadIconA(winsim::ProgramModule(), MAKEINTRESOURCEA(100)));
  EXPECT_NE(classes[0].fields.hIcon, nullptr);
  EXPECT_EQ(classes[0].fields.hCursor, nullptr);
  EXPECT_EQ(classes[0].fields.hbrBackground, GetStockObject(BLACK_BRUSH));
  const auto mine = ProgramWindows();
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0].title, "Screen Saver");
  EXPECT_EQ(mine[0].exStyle, static_cast<DWORD>(WS_EX_TOPMOST));
  EXPECT_EQ(mine[0].style, 0x96000000u);
  EXPECT_EQ(mine[0].parent, nullptr);
  EXPECT_EQ(mine[0].windowRect.left, 0);
  EXPECT_EQ(mine[0].windowRect.top, 0);
  EXPECT_EQ(mine[0].windowRect.right, 1024 + 800);
  EXPECT_EQ(mine[0].windowRect.bottom, 768);
  EXPECT_EQ(winsim::OpenScreenDCs(), 0) << "the whole screen's device context was given back";

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
  // The library itself stays: a DirectDraw's code may be on the stack as the window goes.
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 1);
  EXPECT_EQ(winsim::CursorDisplayCount(), 1) << "Cleanup shows the cursor once";
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

// With DirectX 3 (no extended enumeration, no focus or device window) the saver rains on the
// primary display driver's screen alone, its level set the way DirectX 3 knows, with one warning.
TEST_F(FullScreenScenario, RainsOnEveryListedMonitorAndAKeyAfterTheTrappedCloseEndsIt) {
  const struct {
    const char* name;
    winsim::DDrawLibrary library;
    bool secondMonitorDrawn;
  } rows[] = {{"DirectX with the extended enumeration", winsim::DDrawLibrary::kComplete, true},
              {"DirectX 3", winsim::DDrawLibrary::kDirectX3, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetDDrawLibrary(row.library);
    RainsAndAKeyEndsIt(row.library == winsim::DDrawLibrary::kDirectX3, row.secondMonitorDrawn);
  }
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

// Two distances, each measured on its own: the application's dead zone (3 pixels, sum of both
// axes, from the first move after the first frame) and the frame's closing distance (more than 4
// pixels from where the cursor was at creation or at the last move that asked to close). Every
// move here is far from the one measure while it probes the other.
TEST_F(FullScreenInputScenario, DeadZoneAndClosingDistanceAreMeasuredEachFromItsOwnPoint) {
  winsim::SetCursorPosition(POINT{512, 384});
  int closesBeforeProbes = -1;
  int closesPastDeadZone = -1;
  int closesAfterProbes = -1;
  const auto closes = [] { return Count(Log(true), "LOG_GOSSIP: [STATE] WM_CLOSE detected"); };
  winsim::ScriptInput({
      InputStep{AfterFrames(4), MoveMouse(POINT{600, 384})},      // the dead zone is measured from here
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{603, 384})},  // 3 pixels across: inside
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{601, 382})},  // 1 + 2: inside
      InputStep{winsim::WhenIdle(), winsim::Call([&] { closesBeforeProbes = closes(); })},
      // 2 + 2 from the dead zone's point: input, 88 from creation's cursor: asks to close (trapped),
      // and the closing distance is measured from here on.
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{598, 386})},
      InputStep{winsim::WhenIdle(), winsim::Call([&] { closesPastDeadZone = closes(); })},
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{602, 386})},  // 4 across: stays
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{598, 390})},  // 4 down: stays
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{596, 388})},  // 2 + 2: stays
      InputStep{winsim::WhenIdle(), winsim::Call([&] { closesAfterProbes = closes(); })},
      InputStep{winsim::WhenIdle(), MoveMouse(POINT{603, 386})},  // 5 across: closes
      InputStep{AfterFrames(40), winsim::PressKey(VK_SPACE)},     // only if the move did not close
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(closesBeforeProbes, 0) << "moves inside the dead zone are no input";
  EXPECT_EQ(closesPastDeadZone, 1) << "4 pixels from the dead zone's point are input";
  EXPECT_EQ(closesAfterProbes, 1) << "only the trapped close so far";
  EXPECT_EQ(winsim::InputStepsLeft(), 1u) << "the 5-pixel move ended the saver";
  EXPECT_EQ(Count(Log(true), "LOG_GOSSIP: [STATE] WM_CLOSE detected"), 2);
}

// The real start on a fixed clock: window creation seeds the window thread's generator with the
// tick count and the drawing thread draws from its own, never seeded; so the first frame on the
// screen is the golden frame of that seed (golden_frames_test.cpp: 800 x 600 5x6x5, the default
// 300 drops and 8 %, seed 12345, frame 1).
TEST_F(FullScreenInputScenario, FirstFrameOfARunStartedAtTick12345IsItsGoldenFrame) {
  winsim::MonitorSpec monitor = winsim::OneMonitorDesktop().monitors[0];
  monitor.modes = {{800, 600, 16}};
  monitor.desktopWidth = 800;
  monitor.desktopHeight = 600;
  winsim::SetDesktop({"Primary Display Driver", {monitor}});
  winsim::SetClock(12345);
  uint64_t firstFrame = 0;
  // The drawing thread's first pause after its first frame: that frame is on the screen, the next
  // one not begun.
  winsim::OnSleep([&](const winsim::SleepRecord& sleep) {
    if (sleep.thread != 0 && firstFrame == 0 && winsim::PresentedFrames(0) == 3)
      firstFrame = Fnv1a(winsim::ScreenPixels(0));
  });
  winsim::ScriptInput({InputStep{AfterFrames(5), winsim::PressKey(VK_SPACE)},
                       InputStep{winsim::WhenIdle(), winsim::PressKey(VK_SPACE)}});
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(firstFrame, 0x5D25DBE7F9807711u) << std::hex << firstFrame;
}

// A WM_DESTROY that arrives while the devices are being made is swallowed: nothing is stopped or
// freed, and creation goes on. (The frame has posted the quit message, so the run then ends at
// once, leaving its drawing thread to the test, as a killed process would.)
TEST_F(FullScreenInputScenario, DestroyWhileTheDevicesAreMadeIsTrapped) {
  winsim::OnDDCall("SetDisplayMode", [] { SendMessageA(MainWindow, WM_DESTROY, 0, 0); });
  EXPECT_EQ(Run("/s", true), 0);
  const auto log = Log(true);
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_DESTROY message"), 1);
  EXPECT_FALSE(Has(log, "LOG_GOSSIP: [STATE] WM_DESTROY detected"));
  EXPECT_FALSE(Has(log, "LOG_INFO: [Cleanup] Deallocating all objects"));
  EXPECT_TRUE(Has(log, "LOG_GOSSIP: [WM_CREATE] All object created, run Torvane Emulator"));
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

// How the command line is read: the program name, quoted or not, then the switch in either case
// behind blanks, dashes and slashes, and the window handle behind it. Each mode is recognised
// cheaply: a full-screen start meets a saver that already runs and brings it forward; a preview
// starts its window, whose creation fails at the settings; the password change names its owner.
TEST_F(FullScreenInputScenario, TheCommandLineNamesTheModeAndItsWindow) {
  enum class Mode { kFullScreen, kPreview, kPassword, kNone };
  const std::string name = "\"C:\\WINDOWS\\Sarvello.scr\"";
  const struct {
    const char* name;
    std::string line;  // HANDLE stands for the preview area's or the owner's handle, WRAPPED for it + 2^32
    Mode mode;
  } rows[] = {
      {"/S", name + " /S", Mode::kFullScreen},
      {"-s", name + " -s", Mode::kFullScreen},
      {"bare s", name + " s", Mode::kFullScreen},
      {"slash, dash and blanks before s", name + " / -  s", Mode::kFullScreen},
      {"further text ignored", name + " /s 1234 /p", Mode::kFullScreen},
      {"several blanks after the name", name + "     /s", Mode::kFullScreen},
      {"a tab after the name", name + "\t/s", Mode::kFullScreen},
      {"unquoted name", "C:\\WINDOWS\\SARVELLO.SCR /s", Mode::kFullScreen},
      {"quoted name with blanks", "\"C:\\Program Files\\Screen Savers\\Sarvello.scr\" /s", Mode::kFullScreen},
      {"quoted name with blanks, no blank before the switch", "\"C:\\My Savers\\Sarvello.scr\"/s", Mode::kFullScreen},
      {"a tab after the slash", name + " /\ts", Mode::kNone},
      {"/P and several blanks", name + " /P    HANDLE", Mode::kPreview},
      {"/p without a blank", name + " /pHANDLE", Mode::kPreview},
      {"/l", name + " /l HANDLE", Mode::kPreview},
      {"/L", name + " /L HANDLE", Mode::kPreview},
      {"handle beyond 32 bits wraps", name + " /p WRAPPED", Mode::kPreview},
      {"a tab before the handle", name + " /p\tHANDLE", Mode::kNone},
      {"/A with an owner", name + " /A HANDLE", Mode::kPassword},
      {"/a with an owner", name + " /aHANDLE", Mode::kPassword},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetPlatform(winsim::Platform::kWindows98);
    winsim::SetMpr(winsim::LibraryState::kPresent);
    winsim::FailRegistry(winsim::RegistryCall::kCreateKey, kProductKey, "", ERROR_ACCESS_DENIED, -1);
    winsim::OtherProcessWindow running;
    running.className = "WindowsScreenSaverClass";
    running.title = "Screen Saver";
    HWND saver = row.mode == Mode::kFullScreen ? winsim::CreateOtherProcessWindow(running) : nullptr;
    HWND foreground = winsim::CreateTestWindow(POINT{0, 0});
    SetForegroundWindow(foreground);
    winsim::OtherProcessWindow area;
    area.style = WS_CHILD | WS_VISIBLE;
    area.rect = {10, 10, 162, 122};
    area.parent = foreground;
    HWND target = winsim::CreateOtherProcessWindow(area);
    const uint64_t handle = reinterpret_cast<uintptr_t>(target);
    std::string line = row.line;
    for (const auto& [word, value] : {std::pair<std::string, uint64_t>{"WRAPPED", handle + 4294967296ull},
                                      std::pair<std::string, uint64_t>{"HANDLE", handle}}) {
      const size_t at = line.find(word);
      if (at != std::string::npos) line.replace(at, word.size(), std::to_string(value));
    }
    const int code = winsim::RunProgram(SaverMain, line);
    EXPECT_TRUE(winsim::JoinThreads());
    const auto mine = ProgramWindows();
    const auto changes = winsim::PwdChangePasswordCalls();
    switch (row.mode) {
      case Mode::kFullScreen:
        EXPECT_EQ(code, 0);
        EXPECT_EQ(GetForegroundWindow(), saver) << "the running saver was brought forward";
        EXPECT_TRUE(mine.empty());
        break;
      case Mode::kPreview:
        EXPECT_EQ(code, kNoWindowExitCode) << "the settings could not be read";
        ASSERT_EQ(mine.size(), 1u);
        EXPECT_EQ(mine[0].parent, target);
        EXPECT_EQ(mine[0].title, "Preview");
        break;
      case Mode::kPassword:
        EXPECT_EQ(code, 0);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].window, target) << "the window named on the command line owns the change";
        break;
      case Mode::kNone:
        EXPECT_EQ(code, -1);
        EXPECT_TRUE(mine.empty());
        EXPECT_EQ(GetForegroundWindow(), foreground);
        break;
    }
    if (row.mode != Mode::kPassword) {
      EXPECT_TRUE(changes.empty());
    }
    EXPECT_TRUE(winsim::Dialogs().empty());
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

namespace {

using winsim::AfterFrames;
using winsim::InputStep;
using winsim::MoveMouse;

class SaverWindowScenario : public ScenarioTest {
 protected:
  // Sleep(0) calls of the window thread (the one the program did not start).
  static int WindowThreadYields() {
    int n = 0;
    for (const auto& s : winsim::Sleeps()) n += s.thread == 0 && s.ms == 0;
    return n;
  }
  static bool ReachedDefault(WPARAM command) {
    for (const auto& c : winsim::DefaultSysCommands())
      if (c.first == command) return true;
    return false;
  }
  static int ClosesQueued(HWND window) {
    int n = 0;
    for (const MSG& m : winsim::QueuedMessages(window)) n += m.message == WM_CLOSE;
    return n;
  }
};

// One row: a message sent to the running full-screen saver, and what it must do there.
struct WindowRow {
  const char* name;
  UINT message;
  WPARAM wParam;
  LRESULT result;
  int cursorHidden;  // SetCursor calls it makes (each one hides the cursor)
  int yields;        // Sleep(0) calls of the window thread
  int passedOn;      // 1: a WM_SYSCOMMAND reaches DefWindowProcA, 0: it is answered before
  const char* line;  // the log line it writes once, or none
  int drawing;       // DrawEnabled afterwards: 0, 1 (any non-zero), -1 (not looked at)
  bool postsClose;
};

TEST_F(SaverWindowScenario, FullScreenMessagesAreAnsweredOrPassedOnAsTheTableSays) {
  winsim::SetImm32(winsim::LibraryState::kPresent, true);
  int cursorHiddenAtStart = -1;
  HWND saver = nullptr;
  const WindowRow rows[] = {
      {"SC_NEXTWINDOW", WM_SYSCOMMAND, SC_NEXTWINDOW, 0, 0, 0, 0, nullptr, -1, false},
      {"SC_PREVWINDOW", WM_SYSCOMMAND, SC_PREVWINDOW, 0, 0, 0, 0, nullptr, -1, false},
      {"SC_SCREENSAVE", WM_SYSCOMMAND, SC_SCREENSAVE, 0, 0, 0, 0, nullptr, -1, false},
      {"SC_SCREENSAVE + 1", WM_SYSCOMMAND, SC_SCREENSAVE + 1, 0, 0, 0, 1, nullptr, -1, false},
      {"SC_NEXTWINDOW + 0xF", WM_SYSCOMMAND, SC_NEXTWINDOW + 0xF, 0, 0, 0, 1, nullptr, -1, false},
      {"SC_PREVWINDOW + 2", WM_SYSCOMMAND, SC_PREVWINDOW + 2, 0, 0, 0, 1, nullptr, -1, false},
      // Not SC_MONITORPOWER: the monitor stays on and drawing goes on.
      {"SC_MONITORPOWER + 1", WM_SYSCOMMAND, SC_MONITORPOWER + 1, 0, 0, 0, 1, nullptr, 1, false},
      {"WM_SETCURSOR", WM_SETCURSOR, 0, 1, 1, 0, -1, nullptr, -1, false},
      {"WM_PAINT", WM_PAINT, 0, 0, 1, 0, -1, nullptr, -1, false},
      {"WM_SHOWWINDOW shown", WM_SHOWWINDOW, TRUE, 0, 1, 0, -1, nullptr, -1, false},
      {"WM_SHOWWINDOW hidden", WM_SHOWWINDOW, FALSE, 0, 0, 0, -1, nullptr, -1, false},
      {"WM_TIMER", WM_TIMER, 1, 0, 0, 1, -1, nullptr, -1, false},
      {"WM_ACTIVATE inactive", WM_ACTIVATE, WA_INACTIVE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ACTIVE: Deactivated", 0,
       false},
      {"WM_ACTIVATE click", WM_ACTIVATE, WA_CLICKACTIVE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ACTIVE: Activated", 1,
       false},
      {"WM_ACTIVATE inactive, minimized", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, 0, 0, -1,
       "LOG_INFO: [STATE] WM_ACTIVE: Deactivated", 0, false},
      {"WM_ACTIVATE active, minimized", WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0, 0, 0, -1,
       "LOG_INFO: [STATE] WM_ACTIVE: Activated", 1, false},
      {"WM_ENABLE off", WM_ENABLE, FALSE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ENABLE: Deactivated", 0, false},
      {"WM_ENABLE on", WM_ENABLE, TRUE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ENABLE: Activated", 1, false},
      {"WM_ACTIVATEAPP on", WM_ACTIVATEAPP, TRUE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ACTIVATEAPP: Activated", 1, false},
      // Losing activation also closes the saver (the frame's rule); this close is the trapped one.
      {"WM_ACTIVATEAPP off", WM_ACTIVATEAPP, FALSE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ACTIVATEAPP: Deactivated", 0,
       true},
      {"WM_ACTIVATE active", WM_ACTIVATE, WA_ACTIVE, 0, 0, 0, -1, "LOG_INFO: [STATE] WM_ACTIVE: Activated", 1, false},
      // The class asks for double clicks: a quick second click is input as the first was.
      {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK, MK_LBUTTON, 0, 0, 0, -1, nullptr, -1, true},
      {"WM_RBUTTONDBLCLK", WM_RBUTTONDBLCLK, MK_RBUTTON, 0, 0, 0, -1, nullptr, -1, true},
      {"WM_MBUTTONDBLCLK", WM_MBUTTONDBLCLK, MK_MBUTTON, 0, 0, 0, -1, nullptr, -1, true},
  };
  winsim::ScriptInput({
      // Creation is over, nothing has been dispatched yet: WM_CREATE and WM_SHOWWINDOW hid the cursor.
      InputStep{winsim::AfterGetMessageCalls(1), winsim::Call([&] { cursorHiddenAtStart = winsim::SetCursorCalls(); })},
      InputStep{AfterFrames(3), winsim::Call([&] {
                  saver = SaverWindow;
                  for (const WindowRow& row : rows) {
                    const int cursor = winsim::SetCursorCalls();
                    const int yields = WindowThreadYields();
                    const int lines = row.line != nullptr ? Count(Log(true), row.line) : 0;
                    const int queuedBefore = ClosesQueued(saver);
                    EXPECT_EQ(SendMessageA(saver, row.message, row.wParam, 0), row.result) << row.name;
                    EXPECT_EQ(winsim::SetCursorCalls() - cursor, row.cursorHidden) << row.name;
                    EXPECT_EQ(winsim::CurrentCursor(), nullptr) << row.name;
                    EXPECT_EQ(WindowThreadYields() - yields, row.yields) << row.name;
                    if (row.passedOn >= 0) {
                      EXPECT_EQ(ReachedDefault(row.wParam), row.passedOn == 1) << row.name;
                    }
                    if (row.line != nullptr) {
                      EXPECT_EQ(Count(Log(true), row.line), lines + 1) << row.name;
                    }
                    if (row.drawing >= 0) {
                      EXPECT_EQ(DrawEnabled.load() != 0, row.drawing == 1) << row.name;
                    }
                    EXPECT_EQ(ClosesQueued(saver) - queuedBefore, row.postsClose ? 1 : 0) << row.name;
                  }
                  // The first close is the trapped one; the rest would end the run before its last steps.
                  MSG extra;
                  while (ClosesQueued(saver) > 1) PeekMessageA(&extra, saver, WM_CLOSE, WM_CLOSE, PM_REMOVE);
                  EXPECT_EQ(MonitorOff.load(), 0) << "no SC_MONITORPOWER among them";
                  // The title never changes.
                  EXPECT_EQ(SendMessageA(saver, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Changed")), 0);
                  EXPECT_EQ(winsim::WindowOf(saver).title, "Screen Saver");
                })},
      // Once closing has been granted (the state a granted close leaves while the window is being
      // destroyed), painting, timers and input go to the platform alone.
      InputStep{AfterFrames(8), winsim::Call([&] {
                  Closing = 1;
                  const int cursor = winsim::SetCursorCalls();
                  const int yields = WindowThreadYields();
                  EXPECT_EQ(SendMessageA(saver, WM_PAINT, 0, 0), 0);
                  EXPECT_EQ(SendMessageA(saver, WM_TIMER, 1, 0), 0);
                  EXPECT_EQ(SendMessageA(saver, WM_KEYDOWN, VK_SPACE, 0), 0);
                  EXPECT_EQ(SendMessageA(saver, WM_RBUTTONDBLCLK, MK_RBUTTON, 0), 0);
                  EXPECT_EQ(SendMessageA(saver, WM_SETCURSOR, 0, 0), 0) << "the class cursor, which is none";
                  EXPECT_EQ(winsim::SetCursorCalls(), cursor) << "painting no longer hides the cursor";
                  EXPECT_EQ(WindowThreadYields(), yields) << "a timer is answered at once";
                  EXPECT_EQ(ClosesQueued(saver), 0) << "input no longer asks to close";
                  EXPECT_EQ(SendMessageA(saver, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Changed")), 0);
                })},
      InputStep{winsim::WhenIdle(), winsim::Post(WM_CLOSE, 0, 0)},
  });
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(winsim::InputStepsLeft(), 0u);
  EXPECT_EQ(cursorHiddenAtStart, 2);
  const auto log = Log(true);
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] Trapped WM_CLOSE message (NT bugfix)"), 1);
  EXPECT_EQ(Count(log, "LOG_INFO: [STATE] SC_MONITORPOWER: Monitor shutdown detected"), 0);
  // Window creation, step by step (device creation's own lines are its own test's).
  std::vector<std::string> creation;
  for (const std::string& line : log) {
    if (line.find("[DDrawManager::CreateDirectDraw]") == std::string::npos) creation.push_back(line);
    if (line == "LOG_GOSSIP: [WM_CREATE] All object created, run Torvane Emulator") break;
  }
  EXPECT_EQ(creation, (std::vector<std::string>{
                          "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED",
                          "LOG_INFO: [DEBUG] Got message WM_CREATE",
                          "LOG_GOSSIP: [WM_CREATE] Fullscreen mode",
                          "LOG_INFO: [DDrawManager::DDrawManager] *ENTER*",
                          "LOG_INFO: [DDrawManager::DDrawManager] *LEAVE*",
                          "LOG_INFO: [WM_CREATE] DDrawManager object created, screens enumerated",
                          "LOG_INFO: [WM_CREATE] DirectDraw object created for all screens",
                          "LOG_GOSSIP: [WM_CREATE] All screens initialized",
                          "LOG_INFO: [WM_CREATE] GraphicsLoader object allocated",
                          "LOG_INFO: [WM_CREATE] Glyph images loaded",
                          "LOG_GOSSIP: [WM_CREATE] All object created, run Torvane Emulator",
                      }));

  // The input method: detached at creation, given back at WM_DESTROY.
  const auto ime = winsim::ImmAssociateContextCalls();
  ASSERT_EQ(ime.size(), 2u);
  EXPECT_EQ(ime[0].window, saver);
  EXPECT_EQ(ime[0].context, nullptr);
  EXPECT_EQ(ime[1].window, saver);
  EXPECT_EQ(ime[1].context, winsim::DefaultInputContext());

  // One monitor: the close brings the desktop's surface forward, and Cleanup does so again.
  int gdi = 0;
  for (const auto& c : winsim::DDCalls()) gdi += c.call == "FlipToGDISurface";
  EXPECT_EQ(gdi, 2);
}

// The input method is left alone unless IMM32.DLL is already in the process and exports its call.
TEST_F(SaverWindowScenario, TheInputMethodIsDetachedOnlyWhenItsLibraryIsAlreadyLoaded) {
  const struct {
    const char* name;
    winsim::LibraryState state;
    bool loaded;
  } rows[] = {{"loadable, not loaded", winsim::LibraryState::kPresent, false},
              {"loaded without the export", winsim::LibraryState::kWithoutExport, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetImm32(row.state, row.loaded);
    winsim::ScriptInput({InputStep{AfterFrames(3), winsim::PressKey(VK_SPACE)},
                         InputStep{winsim::WhenIdle(), winsim::PressKey(VK_SPACE)}});
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_TRUE(winsim::ImmAssociateContextCalls().empty());
    EXPECT_EQ(winsim::LoadedLibraryCount("IMM32.DLL"), 0) << "the saver never loads it itself";
  }
}

}  // namespace
