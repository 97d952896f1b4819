// The screen list: one and two monitors, the older enumeration, 16-bit modes only, rebuilding, and
// the manager enumerating only when nobody has.
#include <cstring>

#include "display_fixture.h"

namespace {

bool ZeroGuid(const GUID& g) {
  static const GUID zero = {};
  return std::memcmp(&g, &zero, sizeof g) == 0;
}

TEST_F(DisplayTest, OneMonitorListsThePrimaryDriverWithItsSixteenBitModes) {
  const auto desktop = winsim::OneMonitorDesktop();
  winsim::SetDesktop(desktop);
  EXPECT_EQ(EnumScreens(), DD_OK);
  EXPECT_TRUE(ScreensEnumerated);
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(ZeroGuid(screens[0]->guid));
  EXPECT_STREQ(screens[0]->description, desktop.primaryDriverDescription.c_str());
  std::vector<std::string> expected;
  for (const auto& m : desktop.monitors[0].modes)
    if (m.bits == 16) expected.push_back(std::to_string(m.width) + "x" + std::to_string(m.height) + "x16");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Modes(screens[0]), expected);
  EXPECT_EQ(screens[0]->selectedMode, nullptr);
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 0) << "the library is freed again";
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0) << "the enumeration's objects are released";
  // Every kept mode is logged with its size.
  for (const auto& m : expected) {
    const std::string size = m.substr(0, m.size() - 3);
    EXPECT_EQ(CountLines("LOG_INFO: [DDEnumModesCallback] Found mode <" + size + ", 16bit>"), 1) << m;
  }
}

TEST_F(DisplayTest, TwoMonitorsListTheMonitorDevicesInOrder) {
  const auto desktop = winsim::TwoMonitorDesktop();
  winsim::SetDesktop(desktop);
  EnumScreens();
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(std::memcmp(&screens[i]->guid, &desktop.monitors[i].guid, sizeof(GUID)), 0) << i;
    EXPECT_STREQ(screens[i]->description, desktop.monitors[i].description.c_str()) << i;
    EXPECT_EQ(screens[i]->monitor, desktop.monitors[i].monitor) << i;
  }
  EXPECT_EQ(screens[0]->prev, nullptr);
  EXPECT_EQ(screens[1]->prev, screens[0]);
  EXPECT_EQ(CountLines("LOG_INFO: [DDEnumCallbackEx] Found screen <" + desktop.primaryDriverDescription +
                       ">, enumerating modes"),
            1);
}

TEST_F(DisplayTest, OlderEnumerationListsOnlyTheFirstDevice) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kWithoutEnumerateEx);
  EnumScreens();
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(ZeroGuid(screens[0]->guid));
  EXPECT_EQ(screens[0]->monitor, nullptr);
  EXPECT_FALSE(Modes(screens[0]).empty());
}

TEST_F(DisplayTest, MissingLibraryLeavesTheListEmptyAndEnumerationOpen) {
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing);
  EXPECT_EQ(EnumScreens(), E_FAIL);
  EXPECT_EQ(ScreenList, nullptr);
  EXPECT_FALSE(ScreensEnumerated);
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kComplete);
  { DDrawManager manager; }  // enumerates, since nobody has
  EXPECT_TRUE(ScreensEnumerated);
  EXPECT_NE(ScreenList, nullptr);
}

TEST_F(DisplayTest, EnumeratingAgainRebuildsTheList) {
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  EnumScreens();
  SelectModes(640, 480);
  ASSERT_NE(ScreenList->selectedMode, nullptr);
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  EnumScreens();  // the old records and modes are freed (the leak check proves it)
  ASSERT_EQ(Screens().size(), 1u);
  EXPECT_EQ(ScreenList->selectedMode, nullptr);
}

TEST_F(DisplayTest, ManagerKeepsAListAlreadyEnumerated) {
  EnumScreens();
  SelectModes(800, 600);
  ScreenRecord* first = ScreenList;
  { DDrawManager manager; }
  EXPECT_EQ(ScreenList, first);
  EXPECT_NE(first->selectedMode, nullptr);
  EXPECT_EQ(CountLines("LOG_INFO: [EnumScreens] Entering enumeration sequence"), 1);
}

TEST_F(DisplayTest, LongDescriptionIsCut) {
  auto desktop = winsim::OneMonitorDesktop();
  desktop.primaryDriverDescription = std::string(300, 'd');
  winsim::SetDesktop(desktop);
  EnumScreens();
  ASSERT_NE(ScreenList, nullptr);
  EXPECT_EQ(std::strlen(ScreenList->description), 199u);
}

TEST_F(DisplayTest, DeviceWithoutSixteenBitModesStaysListedWithoutModes) {
  auto desktop = winsim::TwoMonitorDesktop();
  desktop.monitors[1].modes = {{640, 480, 8}, {800, 600, 32}};
  winsim::SetDesktop(desktop);
  EnumScreens();
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_EQ(screens[1]->modes, nullptr);
}

}  // namespace
