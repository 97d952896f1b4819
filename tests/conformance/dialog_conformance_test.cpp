// The controls of the configuration dialog as the program uses them, on the program's own template
// 2003: sorted and unsorted combo boxes with item data and prefix selection, edit boxes read as
// numbers, the trackbar's range and position, and DialogBoxParamA's result.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "resource.h"

namespace {

std::function<void(HWND)> dialogBody;
std::vector<WPARAM> commands;  // WM_COMMAND wParams the dialog procedure received

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    dialogBody(dialog);
    EndDialog(dialog, 77);
    return TRUE;
  }
  if (message == WM_COMMAND) commands.push_back(wParam);
  return FALSE;
}

// Runs `body` inside WM_INITDIALOG of the program's configuration template; the dialog ends
// before it is ever shown. Answers DialogBoxParamA's result.
INT_PTR RunInDialog(std::function<void(HWND)> body) {
  InitCommonControls();
  dialogBody = std::move(body);
  commands.clear();
  return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, TestDialogProc, 0);
}

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wParam, const char* text) {
  return SendDlgItemMessageA(dialog, id, message, wParam, reinterpret_cast<LPARAM>(text));
}

std::vector<std::string> Entries(HWND dialog, int id) {
  std::vector<std::string> entries;
  const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

TEST(DialogConformance, TemplateHoldsTheControlsAndEndDialogGivesTheResult) {
  const INT_PTR result = RunInDialog([](HWND dialog) {
    for (int id : {IDC_DENSITY, IDC_HIGHLIGHT, IDC_RESOLUTION, IDC_SPEED, IDC_DEVICE, IDC_CONFIG_OK, IDC_CONFIG_CANCEL})
      EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;
    EXPECT_EQ(GetDlgItem(dialog, 4242), nullptr);
    char text[64];
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_CONFIG_OK, text, sizeof text), 2u);
    EXPECT_STREQ(text, "OK");
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_CONFIG_CANCEL, text, 4), 3u) << "cut to the buffer";
    EXPECT_STREQ(text, "Can");
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_DENSITY, text, sizeof text), 0u);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0), CB_ERR);
  });
  EXPECT_EQ(result, 77);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(2999), nullptr, TestDialogProc, 0), -1) << "no such template";
}

TEST(DialogConformance, SortedComboBoxOrdersWithoutRegardToCase) {
  RunInDialog([](HWND dialog) {
    struct Row {
      const char* text;
      LRESULT index;
    } rows[] = {{"Simulated Second Adapter", 0},
                {"Primary Display Driver", 0},
                {"simulated display", 1},
                {"Zeta", 3},
                {"primary display driver", 0}};
    for (const Row& row : rows) EXPECT_EQ(Send(dialog, IDC_DEVICE, CB_ADDSTRING, 0, row.text), row.index) << row.text;
    EXPECT_EQ(Entries(dialog, IDC_DEVICE),
              (std::vector<std::string>{"primary display driver", "Primary Display Driver", "simulated display",
                                        "Simulated Second Adapter", "Zeta"}))
        << "an entry equal to one listed goes before it";
  });
}

TEST(DialogConformance, UnsortedComboBoxKeepsOrderAndItemData) {
  RunInDialog([](HWND dialog) {
    const char* modes[] = {"800x600, 16bit", "640x480, 16bit", "1024x768, 16bit"};
    static int objects[3];
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(Send(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, modes[i]), i);
      EXPECT_NE(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETITEMDATA, static_cast<WPARAM>(i),
                                    reinterpret_cast<LPARAM>(&objects[i])),
                CB_ERR);
    }
    EXPECT_EQ(Entries(dialog, IDC_RESOLUTION), (std::vector<std::string>{modes, modes + 3}));
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETITEMDATA, static_cast<WPARAM>(i), 0),
                reinterpret_cast<LRESULT>(&objects[i]))
          << "item data holds a whole pointer";
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETITEMDATA, static_cast<WPARAM>(CB_ERR), 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETITEMDATA, 3, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETITEMDATA, 3, 5), CB_ERR);
  });
}

TEST(DialogConformance, SelectStringTakesTheFirstEntryBeginningWithTheText) {
  RunInDialog([](HWND dialog) {
    for (const char* mode : {"640x480, 16bit", "800x600, 16bit", "1024x768, 16bit", "800x600, 16bit"})
      Send(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, mode);
    struct Row {
      const char* text;
      int start;
      LRESULT selected;  // also CB_GETCURSEL afterwards; CB_ERR leaves the selection as it was
    } rows[] = {
        {"800x600, 16bit", -1, 1},
        {"800X600, 16BIT", -1, 1},
        {"80", -1, 1},
        {"1024", -1, 2},
        {"800x600", 1, 3},
        {"640", 3, 0},
        {"x", -1, CB_ERR},
        {"800x600, 16bit, more", -1, CB_ERR},
    };
    LRESULT current = CB_ERR;
    for (const Row& row : rows) {
      EXPECT_EQ(Send(dialog, IDC_RESOLUTION, CB_SELECTSTRING, static_cast<WPARAM>(row.start), row.text), row.selected)
          << row.text << " from " << row.start;
      if (row.selected != CB_ERR) current = row.selected;
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), current) << row.text;
    }
  });
}

TEST(DialogConformance, CurrentEntryCanBeSetClearedAndReset) {
  RunInDialog([](HWND dialog) {
    for (const char* entry : {"a", "b"}) Send(dialog, IDC_DEVICE, CB_ADDSTRING, 0, entry);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0), CB_ERR) << "none until one is chosen";
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, 1, 0), 1);
    char text[8];
    GetDlgItemTextA(dialog, IDC_DEVICE, text, sizeof text);
    EXPECT_STREQ(text, "b") << "the edit field shows the current entry";
    Send(dialog, IDC_DEVICE, CB_ADDSTRING, 0, "0");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0), 2) << "an entry sorted before moves it";
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, 5, 0), CB_ERR);
    // Not checked: the published answer to an index beyond the list also clears the current entry
    // (winsim does); Wine keeps it.
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0), CB_ERR);
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, 0, 0);
    // Not checked: CB_RESETCONTENT's published answer is CB_OKAY (winsim's); Wine answers TRUE.
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), CB_ERR);
  });
}

// GetDlgItemInt without a translation flag, as the dialog reads its edit boxes.
TEST(DialogConformance, EditTextReadAsAnUnsignedNumber) {
  RunInDialog([](HWND dialog) {
    struct Row {
      const char* text;
      UINT value;
      BOOL translated;
    } rows[] = {
        {"300", 300, TRUE},       {"0", 0, TRUE},
        {"450", 450, TRUE},       {"007", 7, TRUE},
        {"  42", 42, TRUE},       {"4294967295", 4294967295u, TRUE},
        {"", 0, FALSE},           {"abc", 0, FALSE},
        {"4294967296", 0, FALSE}, {"99999999999", 0, FALSE},
        {"x12", 0, FALSE},        {" ", 0, FALSE},
        {"12abc", 12, TRUE},
    };
    // Not checked: the published function looks for a minus sign only when asked for a signed
    // number, so "-5" read as unsigned fails (0, not translated), as does "+5"; winsim follows that.
    // Wine reads both with strtoul: 4294967291 and 5, translated.
    for (const Row& row : rows) {
      ASSERT_TRUE(SetDlgItemTextA(dialog, IDC_DENSITY, row.text)) << row.text;
      BOOL translated = 2;
      EXPECT_EQ(GetDlgItemInt(dialog, IDC_DENSITY, &translated, FALSE), row.value) << "'" << row.text << "'";
      EXPECT_EQ(translated, row.translated) << "'" << row.text << "'";
      EXPECT_EQ(GetDlgItemInt(dialog, IDC_DENSITY, nullptr, FALSE), row.value) << "'" << row.text << "' unflagged";
    }
  });
}

TEST(DialogConformance, NumbersWrittenIntoEditBoxes) {
  RunInDialog([](HWND dialog) {
    struct Row {
      UINT value;
      BOOL isSigned;
      const char* text;
    } rows[] = {
        {300, FALSE, "300"}, {4294967295u, FALSE, "4294967295"}, {static_cast<UINT>(-5), TRUE, "-5"}, {0, FALSE, "0"}};
    for (const Row& row : rows) {
      EXPECT_TRUE(SetDlgItemInt(dialog, IDC_HIGHLIGHT, row.value, row.isSigned)) << row.text;
      char text[32];
      GetDlgItemTextA(dialog, IDC_HIGHLIGHT, text, sizeof text);
      EXPECT_STREQ(text, row.text);
    }
    // Not checked: SetDlgItemInt for a control that does not exist; winsim answers FALSE, Wine TRUE.
  });
}

TEST(DialogConformance, SettingAnEditBoxTextNotifiesTheDialog) {
  std::vector<WPARAM> seen;
  RunInDialog([&seen](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_DENSITY, "12");
    SetDlgItemInt(dialog, IDC_HIGHLIGHT, 8, FALSE);
    SendDlgItemMessageA(dialog, IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("a"));
    seen = commands;
  });
  EXPECT_EQ(seen, (std::vector<WPARAM>{MAKEWPARAM(IDC_DENSITY, EN_UPDATE), MAKEWPARAM(IDC_DENSITY, EN_CHANGE),
                                       MAKEWPARAM(IDC_HIGHLIGHT, EN_UPDATE), MAKEWPARAM(IDC_HIGHLIGHT, EN_CHANGE)}))
      << "a combo box chosen by the program sends nothing";
}

TEST(DialogConformance, TrackbarKeepsItsPositionWithinTheRange) {
  RunInDialog([](HWND dialog) {
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETRANGEMAX, 0, 0), 100);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    struct Row {
      LPARAM set;
      LRESULT position;
    } rows[] = {{70, 70}, {0, 0}, {100, 100}, {150, 100}, {-400, 0}};
    for (const Row& row : rows) {
      SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, row.set);
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0), row.position) << row.set;
    }
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, 90);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETRANGE, TRUE, MAKELPARAM(10, 50));
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0), 50) << "a new range takes the position in";
  });
}

}  // namespace
