// winsim's windows: windows of other processes (the preview's parent, a running saver), what the
// records keep of the program's windows, creation refused at WM_NCCREATE, activation between
// windows, and the calls outside the model.
#include <gtest/gtest.h>

#include "window_helpers.h"

namespace {

using wintest::Make;
using wintest::MessagesOf;

TEST(WinsimWindowsTest, ClientToScreenAddsTheClientOrigin) {
  winsim::Reset();
  HWND first = winsim::CreateTestWindow({100, 50});
  HWND second = winsim::CreateTestWindow({-20, 700});
  struct Row {
    const char* name;
    HWND window;
    POINT in, out;
  } rows[] = {{"first at its origin", first, {0, 0}, {100, 50}},
              {"first inside", first, {7, 3}, {107, 53}},
              {"second, left of the screen", second, {5, 5}, {-15, 705}}};
  for (const Row& row : rows) {
    POINT point = row.in;
    EXPECT_NE(ClientToScreen(row.window, &point), FALSE) << row.name;
    EXPECT_EQ(point.x, row.out.x) << row.name;
    EXPECT_EQ(point.y, row.out.y) << row.name;
  }
}

TEST(WinsimWindowsTest, UnknownWindowsAreRefused) {
  winsim::Reset();
  HWND window = winsim::CreateTestWindow({10, 10});
  POINT point = {1, 1};
  EXPECT_EQ(ClientToScreen(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(window) + 1), &point), FALSE);
  EXPECT_EQ(ClientToScreen(nullptr, &point), FALSE);
  winsim::Reset();
  EXPECT_EQ(ClientToScreen(window, &point), FALSE) << "forgotten by Reset";
  EXPECT_EQ(point.x, 1) << "a refused point is left as it was";
}

TEST(WinsimWindowsTest, OtherProcessWindowIsFoundButNotTheProgramsToDestroy) {
  wintest::Start();
  winsim::OtherProcessWindow made;
  made.className = "WindowsScreenSaverClass";
  made.title = "Screen Saver";
  HWND running = winsim::CreateOtherProcessWindow(made);
  EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), running);
  EXPECT_EQ(FindWindowA(wintest::kClass, "Screen Saver"), nullptr) << "its class is not the program's";
  SetLastError(0);
  EXPECT_EQ(DestroyWindow(running), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_NE(PostMessageA(running, WM_HELP, 1, 2), FALSE);
  EXPECT_EQ(SendMessageA(running, WM_USER + 5, 3, 4), 0);
  const std::vector<MSG> received = winsim::ReceivedByOtherProcess(running);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(WM_HELP));
  EXPECT_EQ(received[0].wParam, 1u);
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_USER + 5));
  EXPECT_NE(SetForegroundWindow(running), FALSE);
  EXPECT_EQ(GetForegroundWindow(), running);
}

TEST(WinsimWindowsTest, ChildOfAnOtherProcessWindowEndsWithIt) {
  wintest::Start();
  winsim::OtherProcessWindow made;
  made.rect = {100, 120, 252, 232};
  HWND preview = winsim::CreateOtherProcessWindow(made);
  RECT client;
  ASSERT_NE(GetClientRect(preview, &client), FALSE);
  HWND child = Make("Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, {0, 0, client.right, client.bottom}, preview);
  ASSERT_NE(child, nullptr);
  RECT r;
  ASSERT_NE(GetWindowRect(child, &r), FALSE);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.bottom, 232);
  EXPECT_EQ(GetParent(child), preview);
  EXPECT_NE(GetForegroundWindow(), child) << "a child never becomes the foreground";
  winsim::DestroyOtherProcessWindow(preview);
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(MessagesOf(child, {WM_DESTROY, WM_NCDESTROY}), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
}

TEST(WinsimWindowsTest, RecordsKeepWhatWasCreatedAndWhatBecameOfIt) {
  wintest::Start();
  HWND saver = Make("Screen Saver", 0x96000000u, {0, 0, 1024, 768}, nullptr, WS_EX_TOPMOST);
  wintest::CurrentHandler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_CREATE) return -1;
    return std::nullopt;
  };
  EXPECT_EQ(Make("Refused", WS_POPUP), nullptr);
  DestroyWindow(saver);
  const std::vector<winsim::WindowInfo> windows = winsim::Windows();
  ASSERT_EQ(windows.size(), 2u);
  struct Row {
    const char* name;
    const char* title;
    DWORD style;
    DWORD exStyle;
    LONG right;
    bool created;
  } rows[] = {{"the saver", "Screen Saver", 0x96000000u, WS_EX_TOPMOST, 1024, true},
              {"the refused window", "Refused", WS_POPUP, 0, 100, false}};
  for (size_t i = 0; i < 2; ++i) {
    const Row& row = rows[i];
    const winsim::WindowInfo& w = windows[i];
    EXPECT_EQ(w.className, wintest::kClass) << row.name;
    EXPECT_EQ(w.title, row.title) << row.name;
    EXPECT_EQ(w.style, row.style) << row.name;
    EXPECT_EQ(w.exStyle, row.exStyle) << row.name;
    EXPECT_EQ(w.windowRect.right, row.right) << row.name;
    EXPECT_EQ(w.created, row.created) << row.name;
    EXPECT_FALSE(w.alive) << row.name;
    EXPECT_FALSE(w.visible) << row.name << ": hidden as it was destroyed, or never shown";
  }
  const std::vector<winsim::WindowClassInfo> classes = winsim::WindowClasses();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].fields.lpfnWndProc, &wintest::ScriptedProc);
  EXPECT_EQ(classes[0].atom, static_cast<ATOM>(RegisterWindowMessageA("winsimtestclass")));
}

TEST(WinsimWindowsTest, TitleIsSetOnlyByTheDefaultProcedure) {
  wintest::Start();
  wintest::CurrentHandler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCCREATE) return TRUE;  // answered without DefWindowProcA
    return std::nullopt;
  };
  HWND window = Make("Screen Saver");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(winsim::WindowOf(window).title, "");
  EXPECT_EQ(FindWindowA(wintest::kClass, "Screen Saver"), nullptr);
}

TEST(WinsimWindowsTest, RefusedNcCreateGivesOnlyNcDestroy) {
  wintest::Start();
  wintest::CurrentHandler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCCREATE) return FALSE;
    return std::nullopt;
  };
  EXPECT_EQ(Make("refused"), nullptr);
  const winsim::WindowInfo made = winsim::Windows().at(0);
  EXPECT_EQ(MessagesOf(made.handle), (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));
  EXPECT_FALSE(made.alive);
}

TEST(WinsimWindowsTest, ActivationMovesBetweenTheProgramsWindows) {
  wintest::Start();
  HWND first = Make("first", WS_POPUP | WS_VISIBLE);
  HWND second = Make("second", WS_POPUP | WS_VISIBLE);
  const std::vector<UINT> activation = {WM_ACTIVATE, WM_ACTIVATEAPP};
  EXPECT_EQ(MessagesOf(first, activation), (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE, WM_ACTIVATE}))
      << "activated with the application, then deactivated alone";
  EXPECT_EQ(MessagesOf(second, activation), (std::vector<UINT>{WM_ACTIVATE})) << "the application stayed active";
  EXPECT_EQ(GetForegroundWindow(), second);
  HWND other = winsim::CreateOtherProcessWindow({});
  SetForegroundWindow(other);
  EXPECT_EQ(MessagesOf(second, activation), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP}));
  const winsim::MessageRecord last = winsim::MessagesTo(second).back();
  EXPECT_EQ(last.wParam, static_cast<WPARAM>(FALSE));
  EXPECT_NE(SetForegroundWindow(second), FALSE);
  EXPECT_EQ(MessagesOf(second, activation).size(), 5u) << "back with the application";
  EXPECT_NE(SetForegroundWindow(second), FALSE);
  EXPECT_EQ(MessagesOf(second, activation).size(), 5u) << "no messages for the window that is already in front";
}

TEST(WinsimWindowsTest, CallsOutsideTheModelStopTheTest) {
  wintest::Start();
  HWND window = Make("window");
  WNDCLASSA extra = {};
  extra.lpfnWndProc = wintest::ScriptedProc;
  extra.lpszClassName = "Extra";
  extra.cbWndExtra = 4;
  EXPECT_DEATH(Make("framed", WS_OVERLAPPEDWINDOW), "CreateWindowExA: not modelled: style 0xcf0000");
  EXPECT_DEATH(Make("owned", WS_POPUP, {0, 0, 10, 10}, window), "CreateWindowExA: not modelled: an owned popup");
  EXPECT_DEATH(RegisterClassA(&extra), "RegisterClassA: not modelled: extra bytes");
  EXPECT_DEATH(DefWindowProcA(window, WM_GETTEXT, 0, 0), "DefWindowProcA: not modelled: message 0xd");
  EXPECT_DEATH(DefWindowProcA(window, WM_SYSCOMMAND, 0xF020, 0), "DefWindowProcA: not modelled: WM_SYSCOMMAND 0xf020");
  EXPECT_DEATH(GetDC(window), "GetDC: not modelled");
  EXPECT_DEATH(
      {
        MSG msg;
        GetMessageA(&msg, window, 0, 0);
      },
      "GetMessageA: not modelled: a window filter");
}

}  // namespace
