// winsim's process: the version each platform reports, the command line and clock tests set,
// module handles, and runs of the program whose ExitProcess ends the run with its code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "window_helpers.h"

namespace {

TEST(WinsimProcessTest, EachPlatformReportsItsVersion) {
  struct Row {
    winsim::Platform platform;
    DWORD platformId, major, minor, build;
  } rows[] = {{winsim::Platform::kWindows95, VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6},
              {winsim::Platform::kWindows98, VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A07CE},
              {winsim::Platform::kWindowsNT4, VER_PLATFORM_WIN32_NT, 4, 0, 1381},
              {winsim::Platform::kWindows2000, VER_PLATFORM_WIN32_NT, 5, 0, 2195}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetPlatform(row.platform);
    OSVERSIONINFOA info;
    std::memset(&info, 0xAA, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_NE(GetVersionExA(&info), FALSE) << row.build;
    EXPECT_EQ(info.dwPlatformId, row.platformId) << row.build;
    EXPECT_EQ(info.dwMajorVersion, row.major) << row.build;
    EXPECT_EQ(info.dwMinorVersion, row.minor) << row.build;
    EXPECT_EQ(info.dwBuildNumber, row.build) << row.build;
    EXPECT_LT(std::strlen(info.szCSDVersion), sizeof info.szCSDVersion) << row.build << ": terminated";
  }
  winsim::Reset();
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT)) << "the start state";
}

TEST(WinsimProcessTest, CommandLineAndClockAreTheTestsToSet) {
  winsim::Reset();
  EXPECT_STREQ(GetCommandLineA(), "SARVELLO.SCR");
  winsim::SetCommandLine("\"C:\\Saver\\Sarvello.scr\" /s");
  EXPECT_STREQ(GetCommandLineA(), "\"C:\\Saver\\Sarvello.scr\" /s");
  const DWORD start = GetTickCount();
  EXPECT_EQ(GetTickCount(), start) << "the clock stands still";
  winsim::AdvanceClock(250);
  EXPECT_EQ(GetTickCount(), start + 250);
  winsim::SetClock(0xFFFFFFF0u);
  winsim::AdvanceClock(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u) << "wraps after 49.7 days, as on the platform";
}

TEST(WinsimProcessTest, ModuleHandlesOnlyForLibrariesInTheProcess) {
  winsim::Reset();
  EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr) << "not loaded yet";
  HMODULE ddraw = LoadLibraryA("ddraw.dll");
  EXPECT_EQ(GetModuleHandleA("DDRAW"), ddraw);
  FreeLibrary(ddraw);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr) << "freed";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(WinsimProcessTest, ExitProcessEndsTheRunWithItsCode) {
  wintest::Start();
  bool afterExit = false;
  std::string commandLine;
  std::thread::id mainThread;
  HWND left = nullptr;
  const int code = winsim::RunProgram(
      [&] {
        commandLine = GetCommandLineA();
        mainThread = std::this_thread::get_id();
        left = wintest::Make("left behind", WS_POPUP | WS_VISIBLE);
        ExitProcess(3);
        afterExit = true;
      },
      "SARVELLO.SCR /s");
  EXPECT_EQ(code, 3);
  EXPECT_TRUE(winsim::ExitedThroughExitProcess());
  EXPECT_FALSE(afterExit);
  EXPECT_EQ(commandLine, "SARVELLO.SCR /s");
  EXPECT_NE(mainThread, std::this_thread::get_id()) << "a thread of its own plays the main thread";
  ASSERT_NE(left, nullptr);
  EXPECT_FALSE(IsWindow(left)) << "the process's windows end with it";
  EXPECT_EQ(wintest::MessagesOf(left, {WM_DESTROY, WM_NCDESTROY}), std::vector<UINT>{}) << "without messages";
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_TRUE(winsim::WindowClasses().empty()) << "and its classes";
  EXPECT_DEATH(ExitProcess(1), "ExitProcess: not modelled: called outside winsim::RunProgram");
}

TEST(WinsimProcessTest, EntryThatReturnsEndsTheRunWithZero) {
  winsim::Reset();
  EXPECT_EQ(winsim::RunProgram([] {}, "SARVELLO.SCR"), 0);
  EXPECT_FALSE(winsim::ExitedThroughExitProcess());
}

// The shape of every window program: a window, its message loop, WM_CLOSE through the default
// procedure, the quit message posted at WM_DESTROY, the process ended with the quit code.
TEST(WinsimProcessTest, ClassicProgramRunsToItsQuitCode) {
  wintest::Start();
  const int code = winsim::RunProgram(
      [] {
        wintest::CurrentHandler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
          if (message != WM_DESTROY) return std::nullopt;
          PostQuitMessage(4);
          return 0;
        };
        HWND window = wintest::Make("classic", WS_POPUP | WS_VISIBLE);
        PostMessageA(window, WM_CLOSE, 0, 0);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
        ExitProcess(static_cast<UINT>(msg.wParam));
      },
      "CLASSIC.EXE");
  EXPECT_EQ(code, 4);
  const winsim::WindowInfo window = winsim::Windows().at(0);
  EXPECT_EQ(wintest::MessagesOf(window.handle, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY}),
            (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  wintest::CurrentHandler() = nullptr;
}

}  // namespace
