// Whole-program runs on winsim: the program's own entry runs as a process with a command line,
// scripted input arrives between frames, and the test reads back what the user would have met —
// the exit code, the log, the registry, message boxes and the pixels each screen shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "frame/run_modes.h"
#include "support/log_lines.h"
#include "support/program_state.h"
#include "winsim/control.h"

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsim::Reset();
    ResetProgramState();
    winsim::SetMessageWaitLimit(std::chrono::milliseconds(20000));
  }
  void TearDown() override {
    // A run that a fault ended leaves its drawing thread behind, as a killed process would not.
    ThreadAlive = 0;
    EXPECT_TRUE(winsim::JoinThreads()) << "the drawing thread outlived the run";
    ResetProgramState();
  }

  // Runs the program as the screen-saver machinery would start it.
  // The program ends its drawing thread itself, except when a fault ends the process: then the
  // test stops the thread that the platform would have taken away with the process.
  int Run(const std::string& switches, bool endedByFault = false) {
    const int code = winsim::RunProgram(SaverMain, "\"C:\\WINDOWS\\Sarvello.scr\" " + switches);
    if (endedByFault) ThreadAlive = 0;
    EXPECT_TRUE(winsim::JoinThreads());
    if (!endedByFault) {
      EXPECT_EQ(winsim::OpenRegistryKeys(), 0) << "every registry key the run opened is closed";
    }
    EXPECT_EQ(winsim::OpenThreadHandles(), 0) << "the drawing thread's handle is not kept open";
    return code;
  }

  static std::string HandleText(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }
  // The windows the program itself created.
  static std::vector<winsim::WindowInfo> ProgramWindows() {
    std::vector<winsim::WindowInfo> mine;
    for (const auto& w : winsim::Windows())
      if (!w.otherProcess) mine.push_back(w);
    return mine;
  }
  static constexpr const char* kProductKey = "Software\\Brenmoor\\Sarvello";

  // The log's lines without their CR LF; `fullscreen` picks torvanecode_fs.log.
  static std::vector<std::string> Log(bool fullscreen) {
    return LogFileLines(fullscreen ? "torvanecode_fs.log" : "torvanecode.log");
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  // Waits (real time, generously) until `done` holds: for checks made while the drawing thread
  // runs on at its own pace.
  template <typename Condition>
  static bool WaitUntil(Condition done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  // ... until the log holds `line`.
  static bool WaitForLine(bool fullscreen, const std::string& line) {
    return WaitUntil([&] { return Has(Log(fullscreen), line); });
  }
  // ... until `monitor` has presented `frames` frames in all.
  static bool WaitForFrames(int monitor, int frames) {
    return WaitUntil([&] { return winsim::PresentedFrames(monitor) >= frames; });
  }
  // True when `earlier` appears in the log before `later`.
  static bool Before(const std::vector<std::string>& lines, const std::string& earlier, const std::string& later) {
    const auto a = std::find(lines.begin(), lines.end(), earlier);
    const auto b = std::find(lines.begin(), lines.end(), later);
    return a != lines.end() && b != lines.end() && a < b;
  }

  // Pixels of the monitor that are green without red: the glyph trails of the rain. `rgb565`
  // picks the monitor's 16-bit layout.
  static size_t GreenPixels(int monitor, bool rgb565) {
    const uint16_t green = rgb565 ? 0x07E0 : 0x03E0;
    const uint16_t red = rgb565 ? 0xF800 : 0x7C00;
    const std::vector<uint16_t> shown = winsim::ScreenPixels(monitor);
    return static_cast<size_t>(
        std::count_if(shown.begin(), shown.end(), [&](uint16_t p) { return (p & green) != 0 && (p & red) == 0; }));
  }
};
