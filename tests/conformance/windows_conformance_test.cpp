// Windows and messages as the program relies on them: the creation messages and a failed
// WM_CREATE, the order of DestroyWindow, the default procedure's answers, the queue's order with
// the quit message and filters, re-entrant sending, FindWindowA, parents and rectangles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "test_window.h"

namespace {

constexpr const char* kClass = "SarvelloTracing";

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
};
std::vector<Seen> trace;
std::vector<std::string> nesting;
LRESULT createAnswer = 0;
CREATESTRUCTA lastCreate;
std::string lastCreateName;

// The messages the program acts on at creation, activation and destruction. The platform sends
// more (sizes and positions, the frame's painting, input-method notices), which the program
// leaves to the default procedure and these tests do not look at.
bool Traced(UINT message) {
  switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_SHOWWINDOW:
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return true;
    default: return false;
  }
}

LRESULT CALLBACK TracingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Traced(message)) trace.push_back({window, message, message == WM_ACTIVATE ? LOWORD(wParam) : wParam});
  switch (message) {
    case WM_CREATE:
      lastCreate = *reinterpret_cast<CREATESTRUCTA*>(lParam);
      lastCreateName = lastCreate.lpszName != nullptr ? lastCreate.lpszName : "";
      return createAnswer;
    case WM_USER + 1: {
      // Sends to itself from inside its own procedure: the inner call runs before this one ends.
      nesting.push_back("enter outer");
      const LRESULT inner = SendMessageA(window, WM_USER + 2, wParam + 1, 0);
      nesting.push_back("leave outer");
      return inner + 100;
    }
    case WM_USER + 2: nesting.push_back("inner"); return static_cast<LRESULT>(wParam) * 10;
    case WM_USER + 3: return 77;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Empties the calling thread's queue, dispatching what was left so that windows get painted.
void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) DispatchMessageA(&msg);
  }
}

std::vector<UINT> MessagesOf(HWND window) {
  std::vector<UINT> messages;
  for (const Seen& seen : trace) {
    if (window == nullptr || seen.window == window) messages.push_back(seen.message);
  }
  return messages;
}

class WindowsConformance : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = TracingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClass;
    ASSERT_NE(RegisterClassA(&windowClass), 0);
  }
  void SetUp() override {
    Drain();
    trace.clear();
    nesting.clear();
    createAnswer = 0;
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if (IsWindow(*it)) DestroyWindow(*it);
    }
    Drain();
  }
  HWND Make(DWORD exStyle, const char* title, DWORD style, RECT r, HWND parent = nullptr) {
    HWND window = CreateWindowExA(exStyle, kClass, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                  parent, nullptr, GetModuleHandleA(nullptr), &made_);
    if (window != nullptr) made_.push_back(window);
    return window;
  }
  std::vector<HWND> made_;
};

TEST_F(WindowsConformance, FailedCreateDestroysTheWindow) {
  createAnswer = -1;
  EXPECT_EQ(Make(WS_EX_TOPMOST, "fails", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}), nullptr);
  ASSERT_FALSE(trace.empty());
  EXPECT_FALSE(IsWindow(trace[0].window));
  // Windows destroys a window whose WM_CREATE failed as DestroyWindow does, so the window's
  // WM_DESTROY runs; Wine sends WM_NCDESTROY alone. winsim does as Windows.
  const std::vector<UINT> expected = RunningUnderWine()
                                         ? std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_NCDESTROY}
                                         : std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(MessagesOf(nullptr), expected);
}

TEST_F(WindowsConformance, CreateStructCarriesTheArguments) {
  HWND parent = Make(0, "parent", WS_POPUP, {10, 20, 310, 220});
  ASSERT_NE(parent, nullptr);
  HWND child = Make(0, "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, {3, 4, 155, 116}, parent);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(lastCreate.lpCreateParams, &made_);
  EXPECT_EQ(lastCreate.hInstance, GetModuleHandleA(nullptr));
  EXPECT_EQ(lastCreate.hwndParent, parent);
  EXPECT_EQ(lastCreate.x, 3) << "relative to the parent, as given";
  EXPECT_EQ(lastCreate.y, 4);
  EXPECT_EQ(lastCreate.cx, 152);
  EXPECT_EQ(lastCreate.cy, 112);
  EXPECT_EQ(static_cast<DWORD>(lastCreate.style), 0x52000000u);
  EXPECT_EQ(lastCreate.dwExStyle, 0u);
  EXPECT_EQ(lastCreateName, "Preview");
}

TEST_F(WindowsConformance, CreationSendsTheMessagesOfShowingAndActivation) {
  struct Row {
    const char* name;
    DWORD exStyle;
    DWORD style;
    bool child;
    std::vector<UINT> messages;
    bool becomesForeground;
  } rows[] = {
      {"full-screen popup",
       WS_EX_TOPMOST,
       0x96000000u,
       false,
       {WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_ACTIVATE},
       true},
      {"hidden popup", 0, WS_POPUP, false, {WM_NCCREATE, WM_CREATE}, false},
      {"visible child", 0, 0x52000000u, true, {WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW}, false},
  };
  for (const Row& row : rows) {
    HWND parent = row.child ? Make(0, "parent", WS_POPUP, {0, 0, 200, 200}) : nullptr;
    trace.clear();
    HWND window = Make(row.exStyle, row.name, row.style, {0, 0, 152, 112}, parent);
    ASSERT_NE(window, nullptr) << row.name;
    EXPECT_EQ(MessagesOf(window), row.messages) << row.name;
    for (const Seen& seen : trace) {
      const WPARAM shown = seen.message == WM_ACTIVATE ? static_cast<WPARAM>(WA_ACTIVE) : TRUE;
      if (seen.message != WM_NCCREATE && seen.message != WM_CREATE) {
        EXPECT_EQ(seen.wParam, shown) << row.name << ", message " << seen.message;
      }
    }
    EXPECT_EQ(GetForegroundWindow() == window, row.becomesForeground) << row.name;
    DestroyWindow(parent != nullptr ? parent : window);
  }
}

TEST_F(WindowsConformance, DestroyWindowDeactivatesThenDestroysParentBeforeChildren) {
  HWND popup = Make(WS_EX_TOPMOST, "Screen Saver", 0x96000000u, {0, 0, 300, 200});
  ASSERT_NE(popup, nullptr);
  HWND child = Make(0, "child", WS_CHILD | WS_VISIBLE, {0, 0, 50, 50}, popup);
  ASSERT_NE(child, nullptr);
  trace.clear();
  EXPECT_NE(DestroyWindow(popup), FALSE);
  const std::vector<std::pair<HWND, UINT>> expected = {{popup, WM_ACTIVATE},  {popup, WM_ACTIVATEAPP},
                                                       {popup, WM_DESTROY},   {child, WM_DESTROY},
                                                       {child, WM_NCDESTROY}, {popup, WM_NCDESTROY}};
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Seen& s : trace) seen.emplace_back(s.window, s.message);
  EXPECT_EQ(seen, expected);
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace[0].wParam, static_cast<WPARAM>(WA_INACTIVE));
  EXPECT_EQ(trace[1].wParam, 0u) << "the application loses activation";
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_NE(GetForegroundWindow(), popup);
}

TEST_F(WindowsConformance, DefaultProcedureDestroysOnClose) {
  HWND window = Make(0, "closing", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_USER + 3, 0, 0);
  trace.clear();
  EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(MessagesOf(window), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(window));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the destroyed window's messages are flushed";
}

TEST_F(WindowsConformance, DefaultProcedureAnswersWhatTheProgramHandsIt) {
  HWND window = Make(0, "defaults", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
  struct Row {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT answer;
  } rows[] = {
      {"cursor over the client area, no class cursor", WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), FALSE},
      {"activation", WM_ACTIVATE, WA_ACTIVE, 0, 0},
      {"application activation", WM_ACTIVATEAPP, TRUE, 0, 0},
      {"enable", WM_ENABLE, TRUE, 0, 0},
      {"show", WM_SHOWWINDOW, TRUE, 0, 0},
      {"suspend query", WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0, 0},
      {"old power message", WM_POWER, PWR_CRITICALRESUME, 0, 0},
      {"key", WM_KEYDOWN, VK_SPACE, 1, 0},
      {"mouse move", WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0},
      {"left button", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0},
      {"left double click", WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5), 0},
      {"right double click", WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(5, 5), 0},
      {"middle double click", WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(5, 5), 0},
      {"timer", WM_TIMER, 1, 0, 0},
      {"help of a top-level window", WM_HELP, 0, 0, 0},
      {"context menu of a top-level window", WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(5, 5), 0},
      {"password check (SCRM_VERIFYPW)", 0x8000, 0, 0, 0},
      {"AutoPlay query", autoPlay, 0, 0, 0},
      {"creation without its data", WM_NCCREATE, 0, 0, FALSE},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DefWindowProcA(window, row.message, row.wParam, row.lParam), row.answer) << row.name;
  }
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(DefWindowProcA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Renamed")), TRUE);
  EXPECT_EQ(FindWindowA(kClass, "Renamed"), window) << "WM_SETTEXT sets the title";
}

TEST_F(WindowsConformance, FindWindowMatchesClassAndTitleOfTopLevelWindows) {
  HWND saver = Make(0, "Screen Saver", WS_POPUP, {0, 0, 100, 100});
  HWND other = Make(0, "Other", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(saver, nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_NE(Make(0, "Inside", WS_CHILD, {0, 0, 10, 10}, other), nullptr);
  struct Row {
    const char* name;
    const char* windowClass;
    const char* title;
    HWND found;
  } rows[] = {
      {"class and title", kClass, "Screen Saver", saver},
      {"title in other case", kClass, "screen saver", saver},
      {"class in other case", "sarvellotracing", "Other", other},
      {"title alone", nullptr, "Screen Saver", saver},
      {"wrong title", kClass, "Screen Saver 2", nullptr},
      {"unregistered class", "SarvelloNoSuchClass", "Screen Saver", nullptr},
      {"a child's title", kClass, "Inside", nullptr},
  };
  for (const Row& row : rows) EXPECT_EQ(FindWindowA(row.windowClass, row.title), row.found) << row.name;
}

TEST_F(WindowsConformance, ParentsAndRectangles) {
  HWND popup = Make(0, "popup", WS_POPUP, {30, 40, 330, 240});
  ASSERT_NE(popup, nullptr);
  HWND child = Make(0, "child", WS_CHILD, {5, 6, 157, 118}, popup);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), popup);
  EXPECT_EQ(GetParent(popup), nullptr);
  struct Row {
    const char* name;
    HWND window;
    RECT windowRect;
    RECT clientRect;
  } rows[] = {{"popup", popup, {30, 40, 330, 240}, {0, 0, 300, 200}},
              {"child", child, {35, 46, 187, 158}, {0, 0, 152, 112}}};
  for (const Row& row : rows) {
    RECT r = {-1, -1, -1, -1};
    EXPECT_NE(GetWindowRect(row.window, &r), FALSE) << row.name;
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({row.windowRect.left, row.windowRect.top, row.windowRect.right, row.windowRect.bottom}))
        << row.name;
    EXPECT_NE(GetClientRect(row.window, &r), FALSE) << row.name;
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({row.clientRect.left, row.clientRect.top, row.clientRect.right, row.clientRect.bottom}))
        << row.name;
  }
  POINT point = {1, 2};
  EXPECT_NE(ClientToScreen(child, &point), FALSE);
  EXPECT_EQ(point.x, 36);
  EXPECT_EQ(point.y, 48);
  DestroyWindow(popup);
  SetLastError(0);
  RECT r;
  EXPECT_EQ(GetClientRect(child, &r), FALSE) << "destroyed with its parent";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowsConformance, ClassesAndMessagesShareTheAtomTable) {
  WNDCLASSA again = {};
  again.lpfnWndProc = TracingProc;
  again.hInstance = GetModuleHandleA(nullptr);
  again.lpszClassName = "SARVELLOTRACING";
  SetLastError(0);
  EXPECT_EQ(RegisterClassA(&again), 0) << "class names compare without regard to case";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
  EXPECT_GE(autoPlay, 0xC000u);
  EXPECT_LE(autoPlay, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageA("querycancelautoplay"), autoPlay);
  EXPECT_NE(RegisterWindowMessageA("SarvelloOtherMessage"), autoPlay);
}

TEST_F(WindowsConformance, QuitComesAfterThePostedMessages) {
  HWND window = Make(0, "queue", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_USER + 10, 1, 0);
  PostQuitMessage(5);
  PostMessageA(window, WM_USER + 11, 2, 0);
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 10));
  EXPECT_EQ(msg.hwnd, window);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 11)) << "posted after the quit, still taken before it";
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(WindowsConformance, PeekTakesOnlyTheFilteredRange) {
  HWND window = Make(0, "peek", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_USER + 20, 0, 0);
  PostMessageA(window, WM_TIMER, 7, 0);
  PostMessageA(window, WM_USER + 21, 0, 0);
  PostMessageA(window, WM_TIMER, 8, 0);
  MSG msg;
  EXPECT_EQ(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE), TRUE);
  EXPECT_EQ(msg.wParam, 7u) << "left in the queue";
  for (WPARAM timer : {7u, 8u}) {
    ASSERT_EQ(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, timer);
  }
  EXPECT_EQ(PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD), FALSE);
  for (UINT message : {WM_USER + 20, WM_USER + 21}) {
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, message) << "the other messages keep their order";
  }
}

TEST_F(WindowsConformance, SentMessagesRunInsideTheSenderAndReturnTheAnswer) {
  HWND window = Make(0, "send", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_USER + 1, 4, 0), 150);
  EXPECT_EQ(nesting, (std::vector<std::string>{"enter outer", "inner", "leave outer"}));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "sending queues nothing";
  PostMessageA(window, WM_USER + 3, 0, 0);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(DispatchMessageA(&msg), 77) << "dispatch returns the procedure's answer";
}

// The program's class asks for double clicks: the second of two quick presses of a button arrives
// as its double-click message instead of a second press, and the third begins anew.
TEST_F(WindowsConformance, SecondOfTwoQuickClicksArrivesAsADoubleClick) {
  POINT cursor = {0, 0};
  ASSERT_NE(GetCursorPos(&cursor), FALSE);
  HWND window = Make(WS_EX_TOPMOST, "clicks", WS_POPUP | WS_VISIBLE,
                     {cursor.x - 50, cursor.y - 50, cursor.x + 50, cursor.y + 50});
  ASSERT_NE(window, nullptr);
  Drain();
  trace.clear();
  for (int click = 0; click < 3; ++click) {
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  }
  // Hardware input reaches the queue on its own time (and a click may activate the window first):
  // look until all six button messages have come.
  const auto buttons = [window] {
    std::vector<UINT> seen;
    for (UINT m : MessagesOf(window))
      if (m >= WM_LBUTTONDOWN && m <= WM_LBUTTONDBLCLK) seen.push_back(m);
    return seen;
  };
  for (int look = 0; look < 200 && buttons().size() < 6; ++look) {
    Drain();
    if (buttons().size() < 6) Sleep(10);
  }
  EXPECT_EQ(buttons(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                          WM_LBUTTONUP}));
}

TEST_F(WindowsConformance, TranslationPostsTheCharacterOfAKey) {
  HWND window = Make(0, "keys", WS_POPUP, {0, 0, 100, 100});
  ASSERT_NE(window, nullptr);
  const MSG key = {window, WM_KEYDOWN, 'A', 1, 0, {0, 0}};
  EXPECT_NE(TranslateMessage(&key), FALSE);
  MSG msg;
  ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(msg.hwnd, window);
}

TEST_F(WindowsConformance, ScreenDeviceContextCoversTheDesktopFromTheOrigin) {
  HDC dc = GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  RECT box = {-1, -1, -1, -1};
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION) << "one monitor";
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_GT(box.right, 0);
  EXPECT_GT(box.bottom, 0);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

}  // namespace
