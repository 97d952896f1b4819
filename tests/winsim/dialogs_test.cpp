// winsim's dialogs: the template read from the resource script, the scripted user's steps and what
// each delivers, the record of dialogs, the dialogs that cannot be made, and the loud stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "resource.h"
#include "winsim/control.h"

namespace {

// The published style values the template is checked against.
constexpr DWORD kChild = 0x40000000, kVisible = 0x10000000, kTabStop = 0x00010000, kGroup = 0x00020000;
constexpr DWORD kBorder = 0x00800000, kVScroll = 0x00200000;

TEST(WinsimDialogsTest, ConfigurationTemplateAsTheScriptDeclaresIt) {
  const auto& dialog = winsim::DialogTemplate(IDD_CONFIG);
  EXPECT_EQ(dialog.caption, "Sarvello v1.30");
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.width, 194);
  EXPECT_EQ(dialog.height, 210);
  EXPECT_EQ(dialog.style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u | 0x40u)
      << "WS_POPUP, WS_CAPTION, WS_SYSMENU, DS_MODALFRAME, DS_SETFONT";
  const DWORD cv = kChild | kVisible;
  const winsim::DialogControlSpec expected[] = {
      {1019, "button", "OK", cv | 0x1 | kTabStop, 41, 188, 50, 14},
      {1020, "button", "Cancel", cv | kTabStop, 105, 188, 50, 14},
      {65535, "static", "Resolution", cv | kGroup, 4, 33, 34, 8},
      {65535, "static", "Updates: www.example.com", cv | kGroup, 39, 172, 116, 8},
      {65535, "static", "Sarvello v1.30", cv | kGroup, 39, 162, 88, 8},
      {65535, "static", "Torvane density (0-400)", cv | kGroup, 4, 65, 68, 8},
      {1006, "edit", "", cv | kBorder | kTabStop | 0x80, 4, 76, 40, 14},
      {65535, "static", "Highlight percentage (0-100):", cv | kGroup, 83, 65, 92, 8},
      {1007, "edit", "", cv | kBorder | kTabStop | 0x80, 84, 78, 40, 14},
      {65535, "static", "Scroller speed:", cv | kGroup, 4, 100, 48, 8},
      {65535, "static",
       "(Note: Your computers performance might impose restrictions on the scrolling speed. This setting affects all "
       "monitors",
       cv | kGroup, 18, 116, 156, 26},
      {1016, "combobox", "", cv | 0x3 | kVScroll | kTabStop, 4, 44, 185, 300},
      {1017, "msctls_trackbar32", "Slider1", cv | 0x8 | 0x10 | kTabStop, 59, 97, 130, 15},
      {65535, "static", "Device:", cv | kGroup, 4, 5, 26, 8},
      {1018, "combobox", "", cv | 0x2 | 0x100 | kVScroll | kTabStop, 4, 16, 185, 300},
  };
  ASSERT_EQ(dialog.controls.size(), std::size(expected));
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const auto& got = dialog.controls[i];
    const auto& want = expected[i];
    const std::string row = "control " + std::to_string(i) + " \"" + want.text.substr(0, 20) + "\"";
    EXPECT_EQ(got.id, want.id) << row;
    EXPECT_EQ(got.className, want.className) << row;
    EXPECT_EQ(got.text, want.text) << row;
    EXPECT_EQ(got.style, want.style) << row;
    EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height}),
              std::vector<int>({want.x, want.y, want.width, want.height}))
        << row;
  }
}

struct Delivered {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Delivered& o) const { return message == o.message && wParam == o.wParam && lParam == o.lParam; }
};
std::vector<Delivered> delivered;

// Fills the two lists at WM_INITDIALOG, records everything else and ends on Cancel with 5.
INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    delivered.push_back({message, wParam, lParam});
    for (const char* entry : {"a", "b"}) {
      SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
      SendDlgItemMessageA(dialog, IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, 0, 0);
    return TRUE;
  }
  delivered.push_back({message, wParam, lParam});
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_CONFIG_CANCEL) EndDialog(dialog, 5);
  return FALSE;
}

TEST(WinsimDialogsTest, ScriptedUserDeliversWhatTheControlsSend) {
  winsim::Reset();
  delivered.clear();
  InitCommonControls();
  HWND shown = nullptr;
  auto from = [&shown](int id) { return reinterpret_cast<LPARAM>(GetDlgItem(shown, id)); };
  std::vector<Delivered> expected;
  winsim::ScriptDialog({
      winsim::Check([&](HWND dialog) {
        shown = dialog;
        expected.push_back({WM_INITDIALOG, static_cast<WPARAM>(from(IDC_CONFIG_OK)), 42});
      }),
      winsim::TypeText(IDC_DENSITY, "450"),
      winsim::PickEntry(IDC_RESOLUTION, "b"),
      winsim::PickEntry(IDC_RESOLUTION, "b"),
      winsim::TypeComboText(IDC_DEVICE, "zz"),
      winsim::MoveTrackbar(IDC_SPEED, 150),
      winsim::PressEscape(),
      winsim::Check([](HWND dialog) {
        char text[8];
        EXPECT_EQ(GetDlgItemTextA(dialog, IDC_DENSITY, text, sizeof text), 3u);
        EXPECT_STREQ(text, "450");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0), CB_ERR) << "typed: no current entry";
        GetDlgItemTextA(dialog, IDC_DEVICE, text, sizeof text);
        EXPECT_STREQ(text, "zz");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0), 100) << "kept within the range";
      }),
      winsim::Click(IDC_CONFIG_CANCEL),
  });
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), owner, RecordingProc, 42), 5);

  // What each step sent, in order (the handles were valid while the dialog was up).
  auto command = [](int id, int code) { return static_cast<WPARAM>(MAKEWPARAM(id, code)); };
  const std::vector<Delivered> sent = delivered;
  ASSERT_FALSE(sent.empty());
  ASSERT_EQ(expected.size(), 1u);
  EXPECT_EQ(sent[0], expected[0]) << "WM_INITDIALOG with the first tab stop and the parameter";
  std::vector<std::pair<UINT, WPARAM>> messages;
  for (size_t i = 1; i < sent.size(); ++i) messages.push_back({sent[i].message, sent[i].wParam});
  const std::vector<std::pair<UINT, WPARAM>> wanted = {
      {WM_COMMAND, command(IDC_DENSITY, EN_UPDATE)},
      {WM_COMMAND, command(IDC_DENSITY, EN_CHANGE)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_DROPDOWN)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_SELCHANGE)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_SELENDOK)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_CLOSEUP)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_DROPDOWN)},  // the same entry again: no CBN_SELCHANGE
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_SELENDOK)},
      {WM_COMMAND, command(IDC_RESOLUTION, CBN_CLOSEUP)},
      {WM_COMMAND, command(IDC_DEVICE, CBN_EDITUPDATE)},
      {WM_COMMAND, command(IDC_DEVICE, CBN_EDITCHANGE)},
      {WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 100)},
      {WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100)},
      {WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0)},
      {WM_COMMAND, command(IDCANCEL, BN_CLICKED)},
      {WM_COMMAND, command(IDC_CONFIG_CANCEL, BN_CLICKED)},
  };
  EXPECT_EQ(messages, wanted);
  // Each notification comes from its control's window; Escape from none, as the template has no
  // IDCANCEL control.
  for (size_t i = 1; i < sent.size(); ++i) {
    if (sent[i].message == WM_COMMAND && LOWORD(sent[i].wParam) == IDCANCEL) {
      EXPECT_EQ(sent[i].lParam, 0) << i;
    } else {
      EXPECT_NE(sent[i].lParam, 0) << i;
    }
  }

  ASSERT_EQ(winsim::Dialogs().size(), 1u);
  const auto& record = winsim::Dialogs()[0];
  EXPECT_EQ(record.templateId, IDD_CONFIG);
  EXPECT_EQ(record.owner, owner);
  EXPECT_EQ(record.dialog, shown);
  EXPECT_EQ(record.param, 42);
  EXPECT_EQ(record.result, 5);
  // The dialog and its controls are gone.
  SetLastError(0);
  EXPECT_EQ(SendDlgItemMessageA(shown, IDC_DEVICE, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(EndDialog(shown, 1));
}

INT_PTR CALLBACK EndAtOnceProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) EndDialog(dialog, 9);
  return FALSE;
}

TEST(WinsimDialogsTest, DialogsThatCannotBeMade) {
  struct Row {
    const char* name;
    bool initialise;
    bool fail;
    int id;
    INT_PTR result;
    DWORD error;
  } rows[] = {
      {"made", true, false, IDD_CONFIG, 9, 0},
      {"trackbar class not registered", false, false, IDD_CONFIG, -1, ERROR_CANNOT_FIND_WND_CLASS},
      {"no such template", true, false, 2999, -1, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"scripted failure", true, true, IDD_CONFIG, -1, 0},
  };
  for (const Row& row : rows) {
    winsim::Reset();
    if (row.initialise) InitCommonControls();
    EXPECT_EQ(winsim::CommonControlsInitialised(), row.initialise) << row.name;
    if (row.fail) winsim::FailNextDialog();
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(row.id), nullptr, EndAtOnceProc, 0), row.result) << row.name;
    EXPECT_EQ(GetLastError(), row.error) << row.name;
    EXPECT_EQ(winsim::Dialogs().size(), row.result == -1 ? 0u : 1u) << row.name;
  }
}

INT_PTR CALLBACK IgnoringProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(WinsimDialogsDeathTest, WhatTheModelDoesNotCoverStopsLoudly) {
  winsim::Reset();
  InitCommonControls();
  EXPECT_DEATH(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, IgnoringProc, 0),
               "the scripted user has no step left and dialog 2003 is still open");
  winsim::ScriptDialog({winsim::PickEntry(IDC_DEVICE, "nothing")});
  EXPECT_DEATH(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, IgnoringProc, 0),
               "no entry \"nothing\" to pick");
  winsim::ScriptDialog({winsim::TypeComboText(IDC_RESOLUTION, "x")});
  EXPECT_DEATH(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, IgnoringProc, 0),
               "without an edit field");
  winsim::ScriptDialog({winsim::Check(
      [](HWND dialog) { SendDlgItemMessageA(dialog, IDC_DENSITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x")); })});
  EXPECT_DEATH(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, IgnoringProc, 0),
               "message 0x0143 to a edit control");
}

}  // namespace
