// winsim's scripted input: steps run by GetMessageA in order when their condition holds, input
// taken after posted messages, the mouse's cursor and coordinates, the system's messages sent with
// their answers recorded, frames presented by another thread, the loud end of a hang, and a whole
// run of a program driven by the script.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "ddraw_helpers.h"
#include "window_helpers.h"

namespace {

using wintest::Make;

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Runs a message loop on the calling thread until the quit message, keeping what the window
// procedure received of `wanted`; answers `answers` where given.
std::vector<Received> Pump(const std::vector<UINT>& wanted, std::map<UINT, LRESULT> answers = {}) {
  std::vector<Received> received;
  wintest::CurrentHandler() = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
    for (UINT w : wanted) {
      if (w == message) received.push_back({message, wParam, lParam});
    }
    const auto answer = answers.find(message);
    if (answer != answers.end()) return answer->second;
    return std::nullopt;
  };
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  wintest::CurrentHandler() = nullptr;
  return received;
}

winsim::InputStep Quit(winsim::InputCondition when = winsim::WhenIdle()) {
  return {when, winsim::Call([] { PostQuitMessage(0); })};
}

// A fresh platform with a full-screen window whose device shows a flip chain in 640 x 480.
struct FullScreenWindow {
  FullScreenWindow() {
    wintest::Start();
    Make("saver", WS_POPUP);
    dd = ddtest::CreateAt(ddtest::kExclusive);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
    front = ddtest::Surface(dd, ddtest::ChainDesc());
  }
  ~FullScreenWindow() {
    front->Release();
    dd->Release();
  }
  LPDIRECTDRAW dd = nullptr;
  LPDIRECTDRAWSURFACE front = nullptr;
};

std::vector<UINT> MessagesIn(const std::vector<Received>& received) {
  std::vector<UINT> messages;
  for (const Received& r : received) messages.push_back(r.message);
  return messages;
}

TEST(WinsimInputScriptTest, PostedMessagesComeBeforeInputThatArrivedFirst) {
  wintest::Start();
  Make("saver", WS_POPUP);
  winsim::ScriptInput({{winsim::AfterGetMessageCalls(1), winsim::PressKey('A')},
                       {winsim::AfterGetMessageCalls(1), winsim::Post(WM_USER + 2, 0, 0)},
                       Quit()});
  const std::vector<Received> received = Pump({WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_USER + 2});
  EXPECT_EQ(MessagesIn(received), (std::vector<UINT>{WM_USER + 2, WM_KEYDOWN, WM_CHAR, WM_KEYUP}))
      << "the posted message first; the character TranslateMessage posts comes before the key's release";
  ASSERT_EQ(received.size(), 4u);
  EXPECT_EQ(received[1].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(received[1].lParam & 0xFFFF, 1) << "one press";
  EXPECT_NE(received[3].lParam & (1L << 31), 0) << "a release";
  EXPECT_EQ(winsim::InputStepsLeft(), 0u);
  EXPECT_EQ(winsim::InputStepsRun().size(), 3u);
}

TEST(WinsimInputScriptTest, StepsWaitForTheirGetMessageCall) {
  wintest::Start();
  HWND window = Make("saver", WS_POPUP);
  std::vector<int> postedAt;
  int calls = 0;
  // The window posts itself a message at each of the first four calls, so the queue never idles.
  wintest::CurrentHandler() = [&](HWND w, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_USER) {
      ++calls;
      if (calls < 4) PostMessageA(w, WM_USER, wParam, 0);
    }
    if (message == WM_USER + 1) postedAt.push_back(calls);
    return std::nullopt;
  };
  PostMessageA(window, WM_USER, 0, 0);
  winsim::ScriptInput({{winsim::AfterGetMessageCalls(3), winsim::Post(WM_USER + 1, 0, 0)}, Quit()});
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  EXPECT_EQ(postedAt, std::vector<int>{3}) << "posted in the third call, behind the window's own third message";
}

TEST(WinsimInputScriptTest, MouseInputMovesTheCursorAndCarriesClientCoordinates) {
  wintest::Start();
  HWND window = Make("saver", WS_POPUP | WS_VISIBLE, {100, 50, 400, 250});
  winsim::ScriptInput({{winsim::WhenIdle(), winsim::MoveMouse({130, 70})},
                       {winsim::WhenIdle(), winsim::Click(winsim::MouseButton::kRight)},
                       Quit()});
  const std::vector<Received> received = Pump({WM_SETCURSOR, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP});
  EXPECT_EQ(MessagesIn(received),
            (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE, WM_SETCURSOR, WM_RBUTTONDOWN, WM_SETCURSOR, WM_RBUTTONUP}))
      << "the cursor's shape is settled as each mouse message is taken";
  ASSERT_EQ(received.size(), 6u);
  EXPECT_EQ(received[0].wParam, reinterpret_cast<WPARAM>(window));
  EXPECT_EQ(received[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(received[1].lParam, MAKELPARAM(30, 20));
  EXPECT_EQ(received[3].wParam, static_cast<WPARAM>(MK_RBUTTON));
  EXPECT_EQ(received[3].lParam, MAKELPARAM(30, 20));
  EXPECT_EQ(winsim::CursorPosition().x, 130);
  EXPECT_EQ(winsim::CursorPosition().y, 70);
}

TEST(WinsimInputScriptTest, SystemMessagesAreSentWithTheirAnswersRecorded) {
  wintest::Start();
  HWND window = Make("saver", WS_POPUP | WS_VISIBLE);
  const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
  winsim::ScriptInput({{winsim::WhenIdle(), winsim::QueryCancelAutoPlay()},
                       {winsim::WhenIdle(), winsim::PowerBroadcast(PBT_APMSUSPEND)},
                       {winsim::WhenIdle(), winsim::MonitorPower(2)},
                       {winsim::WhenIdle(), winsim::SwitchAway()},
                       {winsim::WhenIdle(), winsim::SwitchBack()},
                       Quit()});
  const std::vector<Received> received =
      Pump({autoPlay, WM_POWERBROADCAST, WM_SYSCOMMAND, WM_ACTIVATE, WM_ACTIVATEAPP}, {{autoPlay, 1}});
  const std::vector<Received> expected = {{autoPlay, 0, 0},
                                          {WM_POWERBROADCAST, PBT_APMSUSPEND, 0},
                                          {WM_SYSCOMMAND, SC_MONITORPOWER, 2},
                                          {WM_ACTIVATE, WA_INACTIVE, 0},
                                          {WM_ACTIVATEAPP, FALSE, 0},
                                          {WM_ACTIVATEAPP, TRUE, 0},
                                          {WM_ACTIVATE, WA_ACTIVE, 0}};
  ASSERT_EQ(received.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(received[i].message, expected[i].message) << "message " << i;
    EXPECT_EQ(received[i].wParam, expected[i].wParam) << "message " << i;
    EXPECT_EQ(received[i].lParam, expected[i].lParam) << "message " << i;
  }
  const std::vector<winsim::InputStepRecord> run = winsim::InputStepsRun();
  ASSERT_EQ(run.size(), 6u);
  EXPECT_EQ(run[0].result, 1) << "the window's answer to the AutoPlay query";
  EXPECT_EQ(run[0].target, window);
  EXPECT_EQ(run[5].target, nullptr) << "a callback needs no window";
  EXPECT_EQ(winsim::DefaultSysCommands().size(), 1u) << "SC_MONITORPOWER reached the default procedure";
  EXPECT_EQ(GetForegroundWindow(), window);
}

TEST(WinsimInputScriptTest, ExplicitTargetsAndTheNewestWindowByDefault) {
  wintest::Start();
  HWND older = Make("older", WS_POPUP);
  HWND newer = Make("newer", WS_POPUP);
  HWND other = winsim::CreateOtherProcessWindow({});
  winsim::ScriptInput({{winsim::WhenIdle(), winsim::Post(WM_USER + 7, 0, 0)},
                       {winsim::WhenIdle(), winsim::Post(WM_USER + 8, 0, 0), older},
                       {winsim::WhenIdle(), winsim::Post(WM_HELP, 0, 0), other},
                       Quit()});
  Pump({});
  const std::vector<winsim::InputStepRecord> run = winsim::InputStepsRun();
  ASSERT_EQ(run.size(), 4u);
  EXPECT_EQ(run[0].target, newer);
  EXPECT_EQ(wintest::MessagesOf(newer, {WM_USER + 7}).size(), 1u);
  EXPECT_EQ(wintest::MessagesOf(older, {WM_USER + 8}).size(), 1u);
  EXPECT_EQ(winsim::ReceivedByOtherProcess(other).size(), 1u);
}

TEST(WinsimInputScriptTest, PresentedFramesCountFlipsAndCopiesOntoThePrimary) {
  winsim::Reset();
  LPDIRECTDRAW dd = ddtest::CreateAt(ddtest::kExclusive);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
  LPDIRECTDRAWSURFACE front = ddtest::Surface(dd, ddtest::ChainDesc());
  EXPECT_EQ(front->Flip(nullptr, 0), DD_OK);
  winsim::FailDDCall("Flip", DDERR_SURFACELOST);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_SURFACELOST);
  EXPECT_EQ(winsim::PresentedFrames(0), 1) << "a flip that failed presented nothing";
  front->Release();
  dd->Release();

  winsim::Reset();
  dd = ddtest::CreateAt(DDSCL_NORMAL);
  LPDIRECTDRAWSURFACE primary = ddtest::Surface(dd, ddtest::PrimaryDesc());
  LPDIRECTDRAWSURFACE frame = ddtest::Surface(dd, ddtest::OffscreenDesc(8, 8));
  RECT window = {100, 100, 108, 108};
  EXPECT_EQ(primary->Blt(&window, frame, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(frame->Blt(nullptr, frame, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(winsim::PresentedFrames(0), 1) << "the copy onto the primary, not the one elsewhere";
  frame->Release();
  primary->Release();
  dd->Release();
}

TEST(WinsimInputScriptTest, FrameConditionWaitsForAnotherThreadsPresentation) {
  const FullScreenWindow screen;
  LPDIRECTDRAWSURFACE front = screen.front;
  int framesAtStep = -1;
  winsim::ScriptInput(
      {{winsim::AfterFrames(3, 0), winsim::Call([&] { framesAtStep = winsim::PresentedFrames(0); })}, Quit()});
  std::thread drawing([front] {
    for (int i = 0; i < 3; ++i) front->Flip(nullptr, 0);
  });
  Pump({});
  drawing.join();
  EXPECT_EQ(framesAtStep, 3);
}

TEST(WinsimInputScriptTest, FrameStepsDueAtOneLookStillDeliverTheirInputOneAfterTheOther) {
  const FullScreenWindow screen;
  LPDIRECTDRAWSURFACE front = screen.front;
  // Both steps are due at the first look: the frames came faster than the window thread looked.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
  winsim::ScriptInput({{winsim::AfterFrames(2, 0), winsim::MoveMouse(POINT{10, 10})},
                       {winsim::AfterFrames(3, 0), winsim::MoveMouse(POINT{20, 10})},
                       Quit()});
  // Each move posts a message, as a saver posts the close that input asks for: the second move
  // waits until that message has been handled too.
  std::vector<LONG> cursorAtMove;
  std::vector<LONG> cursorAtPosted;
  wintest::CurrentHandler() = [&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    if (message == WM_MOUSEMOVE) {
      cursorAtMove.push_back(cursor.x);
      PostMessageA(window, WM_USER + 1, 0, 0);
    }
    if (message == WM_USER + 1) cursorAtPosted.push_back(cursor.x);
    return std::nullopt;
  };
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  wintest::CurrentHandler() = nullptr;
  EXPECT_EQ(cursorAtMove, (std::vector<LONG>{10, 20})) << "the second move waits until the first is handled";
  EXPECT_EQ(cursorAtPosted, (std::vector<LONG>{10, 20})) << "and until what the first one posted is handled";
}

TEST(WinsimInputScriptTest, WaitingForWhatCannotComeStopsTheTest) {
  wintest::Start();
  Make("saver", WS_POPUP);
  winsim::SetMessageWaitLimit(std::chrono::milliseconds(20));
  EXPECT_DEATH(Pump({}), "GetMessageA: not modelled: nothing to give for 20 ms; input script: no step left");
  winsim::ScriptInput({{winsim::AfterGetMessageCalls(5), winsim::PressKey(VK_SPACE)}});
  EXPECT_DEATH(Pump({}), "1 steps left, the next \"key 32\"");
}

// A whole program on its own main thread: the window closes on the first key, the quit code ends
// the process.
TEST(WinsimInputScriptTest, ProgramRunEndsOnScriptedInput) {
  wintest::Start();
  winsim::ScriptInput({{winsim::WhenIdle(), winsim::PressKey(VK_SPACE)}});
  const int code = winsim::RunProgram(
      [] {
        wintest::CurrentHandler() = [](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
          if (message == WM_KEYDOWN) PostMessageA(window, WM_CLOSE, 0, 0);
          if (message == WM_DESTROY) PostQuitMessage(6);
          return std::nullopt;
        };
        Make("Screen Saver", WS_POPUP | WS_VISIBLE, {0, 0, 1024, 768});
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
        ExitProcess(static_cast<UINT>(msg.wParam));
      },
      "SARVELLO.SCR /s");
  wintest::CurrentHandler() = nullptr;
  EXPECT_EQ(code, 6);
  const HWND saver = winsim::Windows().at(0).handle;
  EXPECT_EQ(wintest::MessagesOf(saver, {WM_KEYDOWN, WM_CHAR, WM_CLOSE, WM_DESTROY}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_CLOSE, WM_DESTROY}))
      << "the key's release was flushed with the destroyed window";
}

}  // namespace
