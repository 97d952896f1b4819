// The configuration mode: the dialog of the settings, its owner taken from the command line or the
// foreground window, OK storing what the user typed within its limits, Cancel storing nothing.
#include "scenario_fixture.h"

#include "resource.h"

namespace {

class ConfigurationScenario : public ScenarioTest {
 protected:
  // The device sub-keys the settings made.
  static std::vector<std::string> DeviceKeys() { return winsim::RegistrySubKeys(kProductKey); }
};

TEST_F(ConfigurationScenario, OwnerComesFromTheColonHandleOrTheForegroundWindow) {
  const struct {
    const char* name;
    std::string switches;  // %s: the named window's handle
    bool ownedByNamedWindow;
    bool ownedByForeground;
  } rows[] = {
      {"no switch at all", "", false, false},           {"only blanks, dashes and slashes", " - / ", false, false},
      {"colon and a window", "/c:%s", true, false},     {"blank instead of the colon", "/c %s", false, true},
      {"colon and no window", "/c:99999", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    HWND named = winsim::CreateTestWindow(POINT{0, 0});
    HWND foreground = winsim::CreateTestWindow(POINT{50, 50});
    SetForegroundWindow(foreground);
    std::string switches = row.switches;
    const size_t at = switches.find("%s");
    if (at != std::string::npos) switches.replace(at, 2, HandleText(named));
    winsim::ScriptDialog({winsim::Click(IDC_CONFIG_CANCEL)});
    EXPECT_EQ(Run(switches), 0) << "Cancel ends the dialog with 0";
    ASSERT_EQ(winsim::Dialogs().size(), 1u);
    const auto& dialog = winsim::Dialogs()[0];
    EXPECT_EQ(dialog.templateId, 2003);
    HWND expected = row.ownedByNamedWindow ? named : row.ownedByForeground ? foreground : nullptr;
    EXPECT_EQ(dialog.owner, expected);
    EXPECT_TRUE(winsim::CommonControlsInitialised());
    EXPECT_TRUE(ProgramWindows().empty()) << "no saver window in configuration mode";
  }
}

TEST_F(ConfigurationScenario, OkStoresTheTypedValuesWithinTheirLimitsAndCancelStoresNothing) {
  winsim::ScriptDialog(
      {winsim::TypeText(IDC_DENSITY, "450"), winsim::TypeText(IDC_HIGHLIGHT, "150"), winsim::Click(IDC_CONFIG_OK)});
  EXPECT_EQ(Run("/c"), 1) << "OK ends the dialog with 1";
  const auto devices = DeviceKeys();
  ASSERT_FALSE(devices.empty());
  const std::string first = std::string(kProductKey) + "\\" + devices[0];
  EXPECT_EQ(winsim::RegistryDword(first, "Density"), 400u);
  EXPECT_EQ(winsim::RegistryDword(first, "HighlightDensity"), 100u);
  const auto log = Log(false);
  EXPECT_FALSE(log.empty()) << "the dialog writes the windowed log";

  // A second configuration run, cancelled after typing: the registry keeps the stored values.
  const size_t writes = winsim::RegistryWrites().size();
  winsim::ScriptDialog({winsim::TypeText(IDC_DENSITY, "12"), winsim::Click(IDC_CONFIG_CANCEL)});
  ResetProgramState();
  EXPECT_EQ(Run("/c"), 0);
  EXPECT_EQ(winsim::RegistryWrites().size(), writes);
  EXPECT_EQ(winsim::RegistryDword(first, "Density"), 400u);
}

// The dialog lists what the enumeration finds: with DirectX 3 the primary display driver alone,
// without DirectX nothing, and OK still stores the speed.
TEST_F(ConfigurationScenario, OkAndCancelWorkWithEveryDirectDraw) {
  const struct {
    const char* name;
    winsim::DDrawLibrary library;
    size_t devices;
  } rows[] = {{"DirectX with the extended enumeration", winsim::DDrawLibrary::kComplete, 2},
              {"DirectX 3", winsim::DDrawLibrary::kDirectX3, 1},
              {"no DirectX", winsim::DDrawLibrary::kMissing, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    winsim::SetDesktop(winsim::TwoMonitorDesktop());
    winsim::SetDDrawLibrary(row.library);
    size_t listed = 99;
    winsim::ScriptDialog({winsim::Check([&](HWND dialog) {
                            listed = static_cast<size_t>(SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCOUNT, 0, 0));
                          }),
                          winsim::MoveTrackbar(IDC_SPEED, 90), winsim::Click(IDC_CONFIG_OK)});
    EXPECT_EQ(Run("/c"), 1) << "OK ends the dialog with 1";
    EXPECT_EQ(listed, row.devices);
    EXPECT_EQ(DeviceKeys().size(), row.devices);
    EXPECT_EQ(winsim::RegistryDword(kProductKey, "Speed"), 10u) << "the speed of the trackbar's far end";
    winsim::ScriptDialog({winsim::MoveTrackbar(IDC_SPEED, 0), winsim::Click(IDC_CONFIG_CANCEL)});
    ResetProgramState();
    EXPECT_EQ(Run("/c"), 0) << "Cancel ends the dialog with 0";
    EXPECT_EQ(winsim::RegistryDword(kProductKey, "Speed"), 10u) << "Cancel stores nothing";
    EXPECT_TRUE(winsim::MessageBoxes().empty());
  }
}

TEST_F(ConfigurationScenario, ADialogThatCannotBeMadeGivesThePlatformsFailureValue) {
  winsim::FailNextDialog();
  EXPECT_EQ(Run("/c"), -1);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

}  // namespace
