// winsim's messages beyond what the conformance suite checks on both platforms: painting until the
// window is validated, key translation, the default procedure's hand-over to parents and its
// system commands, the record of deliveries and the view of waiting messages.
#include <gtest/gtest.h>

#include "window_helpers.h"

namespace {

using wintest::Make;

TEST(WinsimMessagesTest, PaintComesUntilTheDefaultProcedureValidates) {
  wintest::Start();
  bool validate = false;
  wintest::CurrentHandler() = [&validate](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_PAINT && !validate) return 0;
    return std::nullopt;
  };
  HWND window = Make("painted", WS_POPUP | WS_VISIBLE);
  MSG msg;
  for (bool validating : {false, true}) {
    validate = validating;
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);
  EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE) << "hidden windows are never painted";
}

TEST(WinsimMessagesTest, TranslationPostsTheCharacterOfCharacterKeys) {
  wintest::Start();
  HWND window = Make("keys");
  struct Row {
    const char* name;
    UINT message;
    WPARAM key;
    BOOL translated;
    UINT character;  // the message posted, 0 for none
    WPARAM code;
  } rows[] = {{"letter", WM_KEYDOWN, 'A', TRUE, WM_CHAR, 'a'},
              {"digit", WM_KEYDOWN, '7', TRUE, WM_CHAR, '7'},
              {"space", WM_KEYDOWN, VK_SPACE, TRUE, WM_CHAR, ' '},
              {"escape", WM_KEYDOWN, VK_ESCAPE, TRUE, WM_CHAR, 0x1B},
              {"alt and letter", WM_SYSKEYDOWN, 'X', TRUE, WM_SYSCHAR, 'x'},
              {"function key", WM_KEYDOWN, VK_F1, TRUE, 0, 0},
              {"key released", WM_KEYUP, 'A', TRUE, 0, 0},
              {"not a key", WM_LBUTTONDOWN, 0, FALSE, 0, 0}};
  for (const Row& row : rows) {
    const MSG key = {window, row.message, row.key, 1, 0, {0, 0}};
    EXPECT_EQ(TranslateMessage(&key), row.translated) << row.name;
    MSG next;
    const BOOL posted = PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(posted != FALSE, row.character != 0) << row.name;
    if (posted) {
      EXPECT_EQ(next.message, row.character) << row.name;
      EXPECT_EQ(next.wParam, row.code) << row.name;
      EXPECT_EQ(next.hwnd, window) << row.name;
    }
  }
}

TEST(WinsimMessagesTest, ChildHandsCursorAndHelpToItsParent) {
  wintest::Start();
  HWND parent = Make("parent");
  HWND child = Make("child", WS_CHILD, {0, 0, 10, 10}, parent);
  wintest::CurrentHandler() = [parent](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (window == parent && message == WM_SETCURSOR) return TRUE;
    if (window == parent && message == WM_HELP) return 55;
    return std::nullopt;
  };
  EXPECT_EQ(DefWindowProcA(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(DefWindowProcA(child, WM_HELP, 0, 0), 55);
  EXPECT_EQ(wintest::MessagesOf(parent, {WM_SETCURSOR, WM_HELP}), (std::vector<UINT>{WM_SETCURSOR, WM_HELP}));
  EXPECT_EQ(DefWindowProcA(parent, WM_HELP, 0, 0), 0) << "a top-level window hands it to nobody";
  wintest::CurrentHandler() = nullptr;
  EXPECT_EQ(DefWindowProcA(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            FALSE)
      << "the parent has no class cursor either";
}

TEST(WinsimMessagesTest, SystemCommandsAtTheDefaultAreRecordedAndCloseCloses) {
  wintest::Start();
  HWND window = Make("commands");
  EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
  EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE | 3, 0), 0) << "the low four bits are the system's";
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  EXPECT_FALSE(IsWindow(window)) << "SC_CLOSE sends WM_CLOSE, which destroys";
  const std::vector<std::pair<WPARAM, LPARAM>> expected = {{SC_MONITORPOWER, 2}, {SC_SCREENSAVE | 3, 0}, {SC_CLOSE, 0}};
  EXPECT_EQ(winsim::DefaultSysCommands(), expected);
}

TEST(WinsimMessagesTest, DeliveriesAreRecordedWithTheirAnswers) {
  wintest::Start();
  wintest::CurrentHandler() = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_USER) return static_cast<LRESULT>(wParam) + 1;
    return std::nullopt;
  };
  HWND window = Make("records");
  SendMessageA(window, WM_USER, 41, 0);
  PostMessageA(window, WM_USER, 9, 0);
  const std::vector<MSG> queued = winsim::QueuedMessages(window);
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].wParam, 9u);
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.time, GetTickCount());
  DispatchMessageA(&msg);
  const std::vector<winsim::MessageRecord> records = winsim::MessagesTo(window);
  ASSERT_EQ(records.size(), 4u) << "WM_NCCREATE, WM_CREATE and the two";
  EXPECT_FALSE(records[2].dispatched);
  EXPECT_EQ(records[2].result, 42);
  EXPECT_TRUE(records[3].dispatched);
  EXPECT_EQ(records[3].result, 10);
  EXPECT_TRUE(winsim::QueuedMessages(window).empty());
}

TEST(WinsimMessagesTest, PostingToNoWindowFails) {
  wintest::Start();
  HWND window = Make("short-lived");
  DestroyWindow(window);
  SetLastError(0);
  EXPECT_EQ(PostMessageA(window, WM_USER, 0, 0), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
  EXPECT_NE(PostMessageA(nullptr, WM_USER + 1, 0, 0), FALSE) << "a thread message";
  MSG msg;
  ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(DispatchMessageA(&msg), 0);
}

}  // namespace
