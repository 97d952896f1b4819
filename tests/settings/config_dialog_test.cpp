// ConfigDialogProc driven by winsim's scripted user: what the dialog shows, the slider's mapping,
// edits kept per device, OK's limits and its writes, Cancel, the registry failures, and the dialog
// without a current device or resolution entry.
#include <string>
#include <vector>

#include "resource.h"
#include "settings/config_dialog.h"
#include "settings_fixture.h"

namespace {

using winsim::RegistryCall;

class ConfigDialogTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    InitCommonControls();
  }

  // Stores every device's values and the speed, as a start after an earlier OK left them.
  static void StoreAll(const std::vector<std::vector<DWORD>>& devices, DWORD speed) {
    EnumScreens();
    const auto screens = Screens();
    for (size_t i = 0; i < screens.size() && i < devices.size(); ++i)
      StoreDevice(DeviceKey(screens[i]), devices[i][0], devices[i][1], devices[i][2], devices[i][3]);
    winsim::SetRegistryDword(kProduct, "Speed", speed);
  }

  static INT_PTR Run(std::vector<winsim::DialogStep> steps) {
    winsim::ScriptDialog(std::move(steps));
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), kOwner, ConfigDialogProc, 0);
  }

  static std::vector<std::string> Entries(HWND dialog, int id) {
    std::vector<std::string> entries;
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[256] = {};
      SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    return entries;
  }
  // The current entry's text, "none" without one.
  static std::string Current(HWND dialog, int id) {
    const LRESULT entry = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (entry == CB_ERR) return "none";
    char text[256] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(text));
    return text;
  }
  static std::string Text(HWND dialog, int id) {
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
  }
  static LRESULT Slider(HWND dialog) { return SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0); }
  static DWORD Stored(const ScreenRecord* screen, const char* value) {
    return winsim::RegistryDword(DeviceKey(screen), value);
  }

  static inline const HWND kOwner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7770));
  static inline const std::vector<std::string> kFirstModes = {"640x480, 16bit", "800x600, 16bit", "1024x768, 16bit"};
  static inline const std::vector<std::string> kSecondModes = {"640x480, 16bit", "800x600, 16bit"};
};

TEST_F(ConfigDialogTest, OpensOnTheFirstDeviceWithItsValuesAndTheSpeed) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  StoreAll({{1024, 768, 250, 12}, {640, 480, 100, 50}}, 30);
  HWND shown = nullptr;
  EXPECT_EQ(Run({winsim::Check([&](HWND dialog) {
                   shown = dialog;
                   const auto screens = Screens();
                   ASSERT_EQ(screens.size(), 2u);
                   EXPECT_EQ(Entries(dialog, IDC_DEVICE),
                             (std::vector<std::string>{"Simulated Display Adapter", "Simulated Second Adapter"}));
                   EXPECT_EQ(Current(dialog, IDC_DEVICE), "Simulated Display Adapter");
                   EXPECT_EQ(ShownDevice, 0);
                   EXPECT_EQ(Entries(dialog, IDC_RESOLUTION), kFirstModes);
                   EXPECT_EQ(Current(dialog, IDC_RESOLUTION), "1024x768, 16bit");
                   EXPECT_EQ(Text(dialog, IDC_DENSITY), "250");
                   EXPECT_EQ(Text(dialog, IDC_HIGHLIGHT), "12");
                   EXPECT_EQ(Slider(dialog), 70) << "a speed of 30";
                   EXPECT_EQ(CurrentScreen, screens[0]);
                   ASSERT_EQ(WorkingTableRows, 2);
                   EXPECT_EQ(WorkingTable[1].screen, screens[1]);
                   EXPECT_EQ(WorkingTable[1].density, 100u);
                   EXPECT_EQ(WorkingTable[1].highlight, 50u);
                 }),
                 winsim::Click(IDC_CONFIG_CANCEL)}),
            0);
  ASSERT_EQ(winsim::Dialogs().size(), 1u);
  EXPECT_EQ(winsim::Dialogs()[0].dialog, shown);
  EXPECT_FALSE(LogLines().empty()) << "the dialog opens the log";
}

// The slider: position 100 minus the stored speed when the dialog opens, and 100 minus the
// position stored as the speed on OK.
TEST_F(ConfigDialogTest, SliderMapsSpeedBothWays) {
  struct Row {
    DWORD stored;
    LRESULT shown;
    int moveTo;  // -1: left alone
    DWORD saved;
  } rows[] = {
      {30, 70, -1, 30}, {30, 70, 0, 100}, {30, 70, 100, 0}, {0, 100, 25, 75}, {100, 0, -1, 100}, {250, 0, -1, 100},
  };
  for (const Row& row : rows) {
    NewProcess();
    InitCommonControls();
    StoreAll({{800, 600, 300, 8}}, row.stored);
    std::vector<winsim::DialogStep> steps = {
        winsim::Check([&](HWND dialog) { EXPECT_EQ(Slider(dialog), row.shown) << "stored " << row.stored; })};
    if (row.moveTo >= 0) steps.push_back(winsim::MoveTrackbar(IDC_SPEED, row.moveTo));
    steps.push_back(winsim::Click(IDC_CONFIG_OK));
    EXPECT_EQ(Run(steps), 1);
    EXPECT_EQ(winsim::RegistryDword(kProduct, "Speed"), row.saved)
        << "stored " << row.stored << ", moved to " << row.moveTo;
    EXPECT_EQ(FrameDelay.load(), row.saved);
  }
}

// What OK stores for the numbers typed: lowered to 400 and 100, and 0 for what is not an unsigned
// number.
TEST_F(ConfigDialogTest, TypedNumbersAreLimitedWhenSaved) {
  struct Row {
    const char* density;
    const char* highlight;
    DWORD storedDensity;
    DWORD storedHighlight;
  } rows[] = {
      {"450", "150", 400, 100},
      {"400", "100", 400, 100},
      {"0", "0", 0, 0},
      {"-5", "abc", 0, 0},
      {"", " ", 0, 0},
      {"12abc", "  7", 12, 7},
      {"4294967296", "99999999999", 0, 0},
      {"4294967295", "101", 400, 100},
      {"399", "99", 399, 99},
  };
  for (const Row& row : rows) {
    NewProcess();
    InitCommonControls();
    StoreAll({{800, 600, 300, 8}}, 30);
    EXPECT_EQ(Run({winsim::TypeText(IDC_DENSITY, row.density), winsim::TypeText(IDC_HIGHLIGHT, row.highlight),
                   winsim::Click(IDC_CONFIG_OK)}),
              1);
    EXPECT_EQ(Stored(ScreenList, "Density"), row.storedDensity) << "'" << row.density << "'";
    EXPECT_EQ(Stored(ScreenList, "HighlightDensity"), row.storedHighlight) << "'" << row.highlight << "'";
  }
}

TEST_F(ConfigDialogTest, EditsSurviveADeviceChangeAndOkWritesEveryDevice) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  StoreAll({{1024, 768, 250, 12}, {800, 600, 100, 50}}, 30);
  const size_t before = winsim::RegistryWrites().size();
  EXPECT_EQ(Run({winsim::TypeText(IDC_DENSITY, "111"), winsim::TypeText(IDC_HIGHLIGHT, "22"),
                 winsim::PickEntry(IDC_RESOLUTION, "640x480, 16bit"),
                 winsim::PickEntry(IDC_DEVICE, "Simulated Second Adapter"), winsim::Check([](HWND dialog) {
                   EXPECT_EQ(Text(dialog, IDC_DENSITY), "100");
                   EXPECT_EQ(Text(dialog, IDC_HIGHLIGHT), "50");
                   EXPECT_EQ(Entries(dialog, IDC_RESOLUTION), kSecondModes) << "the second device's modes";
                   EXPECT_EQ(Current(dialog, IDC_RESOLUTION), "800x600, 16bit");
                   EXPECT_EQ(ShownDevice, 1);
                 }),
                 winsim::TypeText(IDC_DENSITY, "333"), winsim::TypeText(IDC_HIGHLIGHT, "44"),
                 winsim::PickEntry(IDC_DEVICE, "Simulated Display Adapter"), winsim::Check([](HWND dialog) {
                   EXPECT_EQ(Text(dialog, IDC_DENSITY), "111") << "the first device's edits are shown again";
                   EXPECT_EQ(Text(dialog, IDC_HIGHLIGHT), "22");
                   EXPECT_EQ(Entries(dialog, IDC_RESOLUTION), kFirstModes);
                   EXPECT_EQ(Current(dialog, IDC_RESOLUTION), "640x480, 16bit");
                 }),
                 winsim::MoveTrackbar(IDC_SPEED, 60), winsim::Click(IDC_CONFIG_OK)}),
            1);
  const auto screens = Screens();
  const auto writes = winsim::RegistryWrites();
  const std::vector<std::string> expected = {
      DeviceKey(screens[0]) + "\\Density=111", DeviceKey(screens[0]) + "\\HighlightDensity=22",
      DeviceKey(screens[0]) + "\\Width=640",   DeviceKey(screens[0]) + "\\Height=480",
      DeviceKey(screens[1]) + "\\Density=333", DeviceKey(screens[1]) + "\\HighlightDensity=44",
      DeviceKey(screens[1]) + "\\Width=800",   DeviceKey(screens[1]) + "\\Height=600",
      std::string(kProduct) + "\\Speed=40",
  };
  EXPECT_EQ(std::vector<std::string>(writes.begin() + static_cast<long>(before), writes.end()), expected);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(ConfigDialogTest, CancelWritesNothingAndEscapeLeavesTheDialogOpen) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  StoreAll({{1024, 768, 250, 12}, {800, 600, 100, 50}}, 30);
  bool stillOpen = false;
  EXPECT_EQ(Run({winsim::TypeText(IDC_DENSITY, "5"), winsim::PickEntry(IDC_DEVICE, "Simulated Second Adapter"),
                 winsim::MoveTrackbar(IDC_SPEED, 0), winsim::PressEscape(),
                 winsim::Check([&](HWND) { stillOpen = true; }), winsim::Click(IDC_CONFIG_CANCEL)}),
            0);
  EXPECT_TRUE(stillOpen) << "IDCANCEL is not the dialog's Cancel";
  EXPECT_TRUE(winsim::RegistryWrites().empty());
  EXPECT_EQ(Stored(Screens()[0], "Density"), 250u);
}

// Every refusal on OK: its message and owner, the values written before it, and the early end.
TEST_F(ConfigDialogTest, RegistryFailuresOnOk) {
  struct Row {
    const char* name;
    RegistryCall call;
    int device;  // -1: the product key
    const char* value;
    const char* message;
    bool ownedByDialog;
    size_t writes;
  } rows[] = {
      {"product key", RegistryCall::kOpenKey, -1, "", "Unable to open registry key to store values", true, 0},
      {"first sub-key", RegistryCall::kOpenKey, 0, "", "Unable to open registry key to store values", true, 0},
      {"second sub-key", RegistryCall::kOpenKey, 1, "", "Unable to open registry key to store values", true, 4},
      {"first Density", RegistryCall::kSetValue, 0, "Density", "Unable to set density settings in registry", true, 0},
      {"second HighlightDensity", RegistryCall::kSetValue, 1, "HighlightDensity",
       "Unable to set density settings in registry", true, 5},
      {"first Width", RegistryCall::kSetValue, 0, "Width", "Unable to set resolution settings in registry", true, 2},
      {"second Height", RegistryCall::kSetValue, 1, "Height", "Unable to set resolution settings in registry", true, 7},
      {"Speed", RegistryCall::kSetValue, -1, "Speed", "Unable to set speed settings in registry", false, 8},
  };
  for (const Row& row : rows) {
    NewProcess();
    InitCommonControls();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    StoreAll({{1024, 768, 250, 12}, {800, 600, 100, 50}}, 30);
    const auto screens = Screens();
    const std::string key = row.device < 0 ? kProduct : DeviceKey(screens[static_cast<size_t>(row.device)]);
    winsim::FailRegistry(row.call, key, row.value, ERROR_ACCESS_DENIED);
    HWND shown = nullptr;
    EXPECT_EQ(Run({winsim::Check([&](HWND dialog) { shown = dialog; }), winsim::TypeText(IDC_DENSITY, "7"),
                   winsim::Click(IDC_CONFIG_OK)}),
              1)
        << row.name;
    EXPECT_EQ(winsim::RegistryWrites().size(), row.writes) << row.name;
    const auto& boxes = winsim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << row.name;
    EXPECT_EQ(boxes[0].text, row.message) << row.name;
    EXPECT_EQ(boxes[0].caption, "Sarvello v1.30") << row.name;
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONHAND)) << row.name;
    EXPECT_EQ(boxes[0].owner, row.ownedByDialog ? shown : nullptr) << row.name;
    EXPECT_EQ(winsim::OpenRegistryKeys(), 0) << row.name;
    EXPECT_EQ(winsim::RegistryDword(kProduct, "Speed"), 30u) << row.name << ": the speed is not written";
  }
}

// Two devices of one description: the dialog opens on the first device's entry, so each device
// keeps its own values and modes.
TEST_F(ConfigDialogTest, DevicesOfTheSameDescriptionKeepTheirOwnValues) {
  auto desktop = winsim::TwoMonitorDesktop();
  desktop.monitors[1].description = desktop.monitors[0].description;
  winsim::SetDesktop(desktop);
  StoreAll({{1024, 768, 250, 12}, {640, 480, 100, 50}}, 30);
  EXPECT_EQ(Run({winsim::Check([](HWND dialog) {
                   EXPECT_EQ(Text(dialog, IDC_DENSITY), "250");
                   EXPECT_EQ(Entries(dialog, IDC_RESOLUTION), kFirstModes);
                   const LRESULT entry = SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0);
                   EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0),
                             reinterpret_cast<LRESULT>(ScreenList))
                       << "the current entry carries the device shown";
                 }),
                 winsim::Click(IDC_CONFIG_OK)}),
            1);
  const auto screens = Screens();
  EXPECT_EQ(Stored(screens[0], "Density"), 250u);
  EXPECT_EQ(Stored(screens[0], "Width"), 1024u);
  EXPECT_EQ(Stored(screens[1], "Density"), 100u);
  EXPECT_EQ(Stored(screens[1], "Width"), 640u);
}

// Without a current device entry (text typed into the device list) the controls still show the
// last device chosen, whose values OK keeps; a device without 16-bit modes shows an empty
// resolution list and keeps its stored resolution.
TEST_F(ConfigDialogTest, NoCurrentDeviceOrResolutionEntry) {
  auto desktop = winsim::TwoMonitorDesktop();
  desktop.monitors[1].modes = {{800, 600, 32}};
  winsim::SetDesktop(desktop);
  StoreAll({{1024, 768, 250, 12}, {1280, 1024, 100, 50}}, 30);
  EXPECT_EQ(Run({winsim::PickEntry(IDC_DEVICE, "Simulated Second Adapter"), winsim::Check([](HWND dialog) {
                   EXPECT_TRUE(Entries(dialog, IDC_RESOLUTION).empty());
                   EXPECT_EQ(Current(dialog, IDC_RESOLUTION), "none");
                 }),
                 winsim::TypeText(IDC_DENSITY, "66"), winsim::TypeComboText(IDC_DEVICE, "Sim"),
                 winsim::Check([](HWND dialog) { EXPECT_EQ(Current(dialog, IDC_DEVICE), "none"); }),
                 winsim::Click(IDC_CONFIG_OK)}),
            1);
  const auto screens = Screens();
  EXPECT_EQ(screens[1]->selectedMode, nullptr);
  EXPECT_EQ(Stored(screens[1], "Density"), 66u) << "the shown device's edits are kept";
  EXPECT_EQ(Stored(screens[1], "Width"), 1280u) << "no mode: the stored resolution stays";
  EXPECT_EQ(Stored(screens[0], "Width"), 1024u);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(ConfigDialogTest, WithoutAnyScreenOnlyTheSpeedIsStored) {
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing);
  EXPECT_EQ(Run({winsim::Check([](HWND dialog) {
                   EXPECT_TRUE(Entries(dialog, IDC_DEVICE).empty());
                   EXPECT_EQ(ShownDevice, -1);
                   EXPECT_EQ(WorkingTableRows, 0);
                 }),
                 winsim::MoveTrackbar(IDC_SPEED, 90), winsim::Click(IDC_CONFIG_OK)}),
            1);
  EXPECT_EQ(winsim::RegistryWrites(),
            (std::vector<std::string>{std::string(kProduct) + "\\Speed=30", std::string(kProduct) + "\\Speed=10"}));
}

}  // namespace
