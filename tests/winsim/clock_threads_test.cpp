// winsim's clock, Sleep and thread start: virtual time moved only by Sleep and presentations,
// records of who slept, threads numbered, ended by ExitThread and joined, their handles closed.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

class ClockThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override { winsim::Reset(); }
  void TearDown() override { winsim::Reset(); }
};

std::atomic<int> seenNumber{-1};

DWORD WINAPI RecordNumberAndSleep(LPVOID ms) {
  seenNumber = winsim::CurrentThreadNumber();
  Sleep(static_cast<DWORD>(reinterpret_cast<uintptr_t>(ms)));
  ExitThread(0);
}

DWORD WINAPI ReturnAtOnce(LPVOID) { return 0; }

HANDLE Start(LPTHREAD_START_ROUTINE start, uintptr_t argument = 0) {
  DWORD id = 0;
  return CreateThread(nullptr, 0, start, reinterpret_cast<void*>(argument), 0, &id);
}

TEST_F(ClockThreadsTest, VirtualClockMovesOnlyBySleepAndByTheTest) {
  const DWORD start = GetTickCount();
  EXPECT_EQ(start, 1000000u);
  EXPECT_EQ(timeGetTime(), start) << "both clocks are the system's one clock";
  Sleep(30);
  Sleep(0);
  EXPECT_EQ(timeGetTime(), start + 30);
  winsim::AdvanceClock(5);
  EXPECT_EQ(GetTickCount(), start + 35);
  winsim::SetClock(0xFFFFFFF0u);
  Sleep(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u) << "wraps modulo 2^32";
  const auto sleeps = winsim::Sleeps();
  ASSERT_EQ(sleeps.size(), 3u);
  EXPECT_EQ(sleeps[0].ms, 30u);
  EXPECT_EQ(sleeps[0].clockAt, start);
  EXPECT_EQ(sleeps[0].thread, 0) << "the test's own thread";
  EXPECT_EQ(sleeps[2].clockAt, 0xFFFFFFF0u);
}

TEST_F(ClockThreadsTest, AHeldClockMovesOnlyByTheTest) {
  winsim::HoldClock(true);
  const uint32_t start = winsim::Clock();
  Sleep(30);
  EXPECT_EQ(GetTickCount(), start) << "Sleep passes without moving it";
  winsim::AdvanceClock(199);
  EXPECT_EQ(timeGetTime(), start + 199);
  winsim::SetClock(5000);
  Sleep(10);
  EXPECT_EQ(GetTickCount(), 5000u);
  ASSERT_EQ(winsim::Sleeps().size(), 2u) << "every Sleep is still recorded";
  EXPECT_EQ(winsim::Sleeps()[1].clockAt, 5000u);
  winsim::HoldClock(false);
  Sleep(10);
  EXPECT_EQ(GetTickCount(), 5010u);
  winsim::HoldClock(true);
  winsim::Reset();
  Sleep(10);
  EXPECT_EQ(GetTickCount(), 1000010u) << "Reset lets it go";
}

TEST_F(ClockThreadsTest, SleepHookRunsOnTheSleepingThreadAfterTheClockMoved) {
  uint32_t seenClock = 0;
  winsim::OnSleep([&](const winsim::SleepRecord& r) { seenClock = winsim::Clock() - r.clockAt; });
  Sleep(12);
  EXPECT_EQ(seenClock, 12u);
}

TEST_F(ClockThreadsTest, StartedThreadsAreNumberedAndEndThroughExitThreadOrByReturning) {
  HANDLE thread = Start(RecordNumberAndSleep, 7);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(winsim::OpenThreadHandles(), 1);
  EXPECT_NE(CloseHandle(thread), FALSE);
  EXPECT_EQ(CloseHandle(thread), FALSE) << "closed already";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(winsim::OpenThreadHandles(), 0);
  ASSERT_TRUE(winsim::JoinThreads());
  EXPECT_EQ(seenNumber.load(), 1);
  EXPECT_EQ(winsim::ThreadsStarted(), 1);
  EXPECT_EQ(winsim::ThreadsRunning(), 0);
  const auto sleeps = winsim::Sleeps();
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0].thread, 1);
  EXPECT_EQ(sleeps[0].ms, 7u);
  CloseHandle(Start(ReturnAtOnce));
  EXPECT_TRUE(winsim::JoinThreads()) << "a thread that returns has ended too";
  EXPECT_EQ(winsim::ThreadsRunning(), 0);
}

TEST_F(ClockThreadsTest, RefusedStartAnswersNullAndStartsNothing) {
  winsim::FailThreadStart();
  EXPECT_EQ(Start(RecordNumberAndSleep), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(winsim::ThreadsStarted(), 0);
  HANDLE thread = Start(RecordNumberAndSleep);
  EXPECT_NE(thread, nullptr) << "only one refused";
  CloseHandle(thread);
  EXPECT_TRUE(winsim::JoinThreads());
}

// Windows 95 and 98 write the new thread's identifier without looking; NT lets it be left out.
TEST_F(ClockThreadsTest, OnlyTheNtFamilyStartsAThreadWithoutAPlaceForItsIdentifier) {
  const struct {
    winsim::Platform platform;
    bool started;
  } rows[] = {{winsim::Platform::kWindows95, false},
              {winsim::Platform::kWindows98, false},
              {winsim::Platform::kWindowsNT4, true},
              {winsim::Platform::kWindows2000, true}};
  for (const auto& row : rows) {
    winsim::Reset();
    winsim::SetPlatform(row.platform);
    SetLastError(0);
    HANDLE thread = CreateThread(nullptr, 0, ReturnAtOnce, nullptr, 0, nullptr);
    EXPECT_EQ(thread != nullptr, row.started) << static_cast<int>(row.platform);
    if (thread != nullptr) {
      CloseHandle(thread);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(winsim::ThreadsStarted(), row.started ? 1 : 0);
    EXPECT_TRUE(winsim::JoinThreads());
  }
}

TEST_F(ClockThreadsTest, PresentationsMoveTheVirtualClockBySetDuration) {
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  winsim::SetPresentDuration(9);
  const uint32_t before = winsim::Clock();
  ASSERT_NE(LoadLibraryA("ddraw.dll"), nullptr);
  IDirectDraw* dd = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
  HWND window = winsim::CreateTestWindow(POINT{0, 0});
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface* primary = nullptr;
  ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  desc.dwWidth = 8;
  desc.dwHeight = 8;
  IDirectDrawSurface* back = nullptr;
  ASSERT_EQ(dd->CreateSurface(&desc, &back, nullptr), DD_OK);
  RECT r = {0, 0, 8, 8};
  ASSERT_EQ(primary->Blt(&r, back, &r, 0, nullptr), DD_OK);
  EXPECT_EQ(winsim::Clock(), before + 9) << "a copy into the primary is a presentation";
  ASSERT_EQ(back->Blt(&r, back, &r, 0, nullptr), DD_OK);
  EXPECT_EQ(winsim::Clock(), before + 9) << "a copy between other surfaces is not";
  winsim::HoldClock(true);
  ASSERT_EQ(primary->Blt(&r, back, &r, 0, nullptr), DD_OK);
  EXPECT_EQ(winsim::Clock(), before + 9) << "a held clock stands still for presentations too";
  back->Release();
  primary->Release();
  dd->Release();
}

bool inFilter = false;
int filterRuns = 0;
// Shaped like a program's guard: asks the platform, which calls this filter again.
LONG WINAPI AskingFilter(EXCEPTION_POINTERS* info) {
  ++filterRuns;
  if (inFilter) return EXCEPTION_CONTINUE_SEARCH;
  inFilter = true;
  const LONG decision = UnhandledExceptionFilter(info);
  inFilter = false;
  return decision;
}

TEST_F(ClockThreadsTest, UnhandledFaultRunsTheTopLevelFilterAndThePlatformDecides) {
  const struct { LONG platform; } rows[] = {{EXCEPTION_EXECUTE_HANDLER}, {EXCEPTION_CONTINUE_SEARCH}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.platform);
    filterRuns = 0;
    EXPECT_EQ(winsim::RaiseUnhandledFault(row.platform), row.platform) << "no filter installed";
    EXPECT_EQ(SetUnhandledExceptionFilter(AskingFilter), nullptr);
    EXPECT_EQ(winsim::RaiseUnhandledFault(row.platform), row.platform);
    EXPECT_EQ(filterRuns, 2) << "once for the fault, once from inside the platform's filter";
    EXPECT_EQ(SetUnhandledExceptionFilter(nullptr), AskingFilter);
  }
}

TEST(ClockThreadsDeathTest, ExitThreadFromAThreadTheProgramDidNotStartIsUnmodelled) {
  EXPECT_DEATH(ExitThread(0), "ExitThread");
}

}  // namespace
