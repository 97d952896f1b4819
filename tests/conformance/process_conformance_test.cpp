// The process and desktop services around the saver window: the version structure, module
// handles, icons and the stock brush of the window class, the cursor's display count, the
// screen-saver flag of SystemParametersInfoA and CharNextA.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "test_window.h"

namespace {

TEST(ProcessConformance, VersionStructureOf148BytesAnswersTheFamily) {
  static_assert(sizeof(OSVERSIONINFOA) == 148, "the size the program passes");
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_NE(GetVersionExA(&info), FALSE);
  EXPECT_TRUE(info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS || info.dwPlatformId == VER_PLATFORM_WIN32_NT)
      << info.dwPlatformId;
  EXPECT_GE(info.dwMajorVersion, 4u);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    EXPECT_EQ(HIWORD(info.dwBuildNumber), MAKEWORD(info.dwMinorVersion, info.dwMajorVersion));
  }
  OSVERSIONINFOA wrong = {};
  wrong.dwOSVersionInfoSize = 0;
  SetLastError(0);
  EXPECT_EQ(GetVersionExA(&wrong), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(ProcessConformance, ModuleHandlesOfTheProgramAndOfLoadedLibraries) {
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
  HMODULE ddraw = LoadLibraryA("ddraw.dll");
  ASSERT_NE(ddraw, nullptr);
  EXPECT_EQ(GetModuleHandleA("DDRAW.DLL"), ddraw) << "a loaded library, by any spelling of its name";
  FreeLibrary(ddraw);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("SARVELLO-NO-SUCH.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ProcessConformance, ClassResourcesOfTheSaverWindow) {
  HMODULE module = GetModuleHandleA(nullptr);
  EXPECT_NE(LoadIconA(module, MAKEINTRESOURCE(100)), nullptr) << "the program's icon group 100";
  EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCE(999)), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
}

TEST(ProcessConformance, ShowCursorCountsBothWays) {
  const int hidden = ShowCursor(FALSE);
  EXPECT_EQ(ShowCursor(TRUE), hidden + 1);
  const HCURSOR before = SetCursor(nullptr);
  EXPECT_EQ(SetCursor(before), nullptr) << "SetCursor answers the shape it replaces";
  POINT point;
  EXPECT_NE(GetCursorPos(&point), FALSE);
}

TEST(ProcessConformance, ScreenSaverRunningIsAccepted) {
  BOOL previous = 7;
  EXPECT_NE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0), FALSE);
  EXPECT_NE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0), FALSE);
  // Not checked: the previous state in pvParam. The 95/98 family writes it there (winsim does);
  // Wine leaves the word as it was.
}

TEST(ProcessConformance, CharNextStepsOneCharacterAndStopsAtTheEnd) {
  const char text[] = "\"a b\"";
  EXPECT_EQ(CharNextA(text), text + 1);
  EXPECT_EQ(CharNextA(text + 5), text + 5);
  EXPECT_NE(GetCommandLineA(), nullptr);
}

}  // namespace
