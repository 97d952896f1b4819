// winsim's desktop services: the whole-screen clip box over one and two monitors, the cursor's
// records, the screen-saver flag with its previous state, and the icons LoadIconA knows.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

TEST(WinsimDesktopTest, ScreenClipBoxSpansEveryMonitor) {
  struct Row {
    const char* name;
    winsim::DesktopSpec desktop;
    RECT box;
    int region;
  } rows[] = {{"one monitor", winsim::OneMonitorDesktop(), {0, 0, 1024, 768}, SIMPLEREGION},
              {"two monitors of different heights", winsim::TwoMonitorDesktop(), {0, 0, 1824, 768}, COMPLEXREGION}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetDesktop(row.desktop);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(winsim::OpenScreenDCs(), 1) << row.name;
    RECT box = {-1, -1, -1, -1};
    EXPECT_EQ(GetClipBox(dc, &box), row.region) << row.name;
    EXPECT_EQ(box.left, row.box.left) << row.name;
    EXPECT_EQ(box.top, row.box.top) << row.name;
    EXPECT_EQ(box.right, row.box.right) << row.name;
    EXPECT_EQ(box.bottom, row.box.bottom) << row.name;
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1) << row.name;
    EXPECT_EQ(winsim::OpenScreenDCs(), 0) << row.name;
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0) << row.name << ": released once too often";
  }
}

TEST(WinsimDesktopTest, CursorStateIsRecorded) {
  winsim::Reset();
  POINT point;
  GetCursorPos(&point);
  EXPECT_EQ(point.x, 512);
  EXPECT_EQ(point.y, 384);
  winsim::SetCursorPosition({-5, 900});
  GetCursorPos(&point);
  EXPECT_EQ(point.x, -5);
  EXPECT_EQ(point.y, 900);
  const HCURSOR shape = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(SetCursor(shape), nullptr);
  EXPECT_EQ(winsim::CurrentCursor(), shape);
  EXPECT_EQ(SetCursor(nullptr), shape);
  EXPECT_EQ(winsim::CurrentCursor(), nullptr);
  EXPECT_EQ(winsim::SetCursorCalls(), 2);
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_EQ(winsim::CursorDisplayCount(), -1);
  winsim::Reset();
  EXPECT_EQ(winsim::CursorDisplayCount(), 0);
  EXPECT_EQ(winsim::SetCursorCalls(), 0);
}

TEST(WinsimDesktopTest, ScreenSaverFlagReportsItsPreviousState) {
  winsim::Reset();
  struct Row {
    UINT on;
    bool withScratch;
    BOOL previous;
  } rows[] = {{TRUE, true, FALSE}, {TRUE, true, TRUE}, {FALSE, false, TRUE}, {TRUE, true, FALSE}};
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    BOOL previous = 7;
    EXPECT_NE(
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, rows[i].on, rows[i].withScratch ? &previous : nullptr, 0),
        FALSE)
        << "call " << i;
    if (rows[i].withScratch) {
      EXPECT_EQ(previous, rows[i].previous) << "call " << i;
    }
    EXPECT_EQ(winsim::ScreenSaverRunning(), rows[i].on != 0) << "call " << i;
  }
  const std::vector<winsim::SystemParametersRecord> calls = winsim::SystemParametersCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[2].action, static_cast<UINT>(SPI_SETSCREENSAVERRUNNING));
  EXPECT_EQ(calls[2].uiParam, 0u);
  EXPECT_FALSE(calls[2].pvParamGiven);
  EXPECT_TRUE(calls[3].pvParamGiven);
  EXPECT_DEATH(SystemParametersInfoA(0x0010, 0, nullptr, 0), "SystemParametersInfoA: not modelled: action 16");
}

TEST(WinsimDesktopTest, IconsOfTheSystemAndOfTheProgram) {
  winsim::Reset();
  HMODULE program = GetModuleHandleA(nullptr);
  EXPECT_EQ(program, winsim::ProgramModule());
  const HICON programIcon = LoadIconA(program, MAKEINTRESOURCE(100));
  const HICON systemIcon = LoadIconA(nullptr, IDI_APPLICATION);
  EXPECT_NE(programIcon, nullptr);
  EXPECT_NE(systemIcon, nullptr);
  EXPECT_NE(programIcon, systemIcon);
  SetLastError(0);
  EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCE(101)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_DEATH(LoadIconA(program, "SARVELLO"), "LoadIconA: not modelled: an icon named by text");
  EXPECT_DEATH(LoadIconA(nullptr, MAKEINTRESOURCE(100)), "LoadIconA: not modelled: system icon 100");
}

}  // namespace
