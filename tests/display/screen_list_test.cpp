// The screen list: one and two monitors, the older enumeration, 16-bit modes only, rebuilding, and
// the manager enumerating only when nobody has.
#include <cstring>
#include <functional>
#include <string>

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
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 1) << "loaded once and kept";
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0) << "the enumeration's objects are released";
  // Every kept mode is logged with its size.
  for (const auto& m : expected) {
    const std::string size = m.substr(0, m.size() - 3);
    EXPECT_EQ(CountLines("LOG_INFO: [DDEnumModesCallback] Found mode <" + size + ", 16bit>"), 1) << m;
  }
  EXPECT_EQ(EnumScreens(), DD_OK);
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 1) << "enumerating again loads nothing more";
}

TEST_F(DisplayTest, TwoMonitorsListTheMonitorDevicesInOrder) {
  auto desktop = winsim::TwoMonitorDesktop();
  // A driver may name its device at any length: the record keeps what fits, NUL-terminated.
  desktop.monitors[1].description = std::string(ScreenRecord::kDescriptionSize + 50, 'D');
  winsim::SetDesktop(desktop);
  EnumScreens();
  const auto screens = Screens();
  ASSERT_EQ(screens.size(), 2u);
  const std::string kept[] = {desktop.monitors[0].description, std::string(ScreenRecord::kDescriptionSize - 1, 'D')};
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(std::memcmp(&screens[i]->guid, &desktop.monitors[i].guid, sizeof(GUID)), 0) << i;
    EXPECT_EQ(screens[i]->description, kept[i]) << i;
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

// A library of that name that is not DirectDraw is refused and freed at once, as a missing one.
TEST_F(DisplayTest, MissingOrForeignLibraryLeavesTheListEmptyAndEnumerationOpen) {
  const auto create = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawCreate));
  const auto enumerate = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawEnumerateA));
  const struct {
    const char* name;
    std::function<void()> library;
  } rows[] = {
      {"no ddraw.dll", [] { winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing); }},
      {"no DirectDrawEnumerateA",
       [&] {
         winsim::SetLibrary("ddraw.dll", true, {{"DirectDrawCreate", create}});
       }},
      {"no DirectDrawCreate",
       [&] {
         winsim::SetLibrary("ddraw.dll", true, {{"DirectDrawEnumerateA", enumerate}});
       }},
  };
  for (const auto& row : rows) {
    SetUp();
    row.library();
    EXPECT_EQ(EnumScreens(), E_FAIL) << row.name;
    EXPECT_EQ(ScreenList, nullptr) << row.name;
    EXPECT_FALSE(ScreensEnumerated) << row.name;
    EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 0) << row.name << ": freed again";
    EXPECT_EQ(DDraw.module, nullptr) << row.name;
    winsim::SetDDrawLibrary(winsim::DDrawLibrary::kComplete);
    { DDrawManager manager; }  // enumerates, since nobody has
    EXPECT_TRUE(ScreensEnumerated) << row.name;
    EXPECT_NE(ScreenList, nullptr) << row.name;
    EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 1) << row.name << ": kept after the manager";
    TearDown();
  }
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
