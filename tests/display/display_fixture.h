// Shared set-up for the display tests: a fresh simulated desktop, an open log to read back, and a
// screen list that starts empty.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "support/forget_screens.h"
#include "support/log_lines.h"
#include "winsim/control.h"

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsim::Reset();
    ForgetScreens();
    InitErrorMsg(false);
  }
  void TearDown() override {
    StopErrorMsg();
    ForgetScreens();
  }

  // The log's lines without their CR LF.
  static std::vector<std::string> LogLines() { return LogFileLines("torvanecode.log"); }
  static int CountLines(const std::string& line) {
    int n = 0;
    for (const auto& l : LogLines()) n += l == line;
    return n;
  }
  static std::string Kept() {
    const char* t = ErrorMsgText.TextOrNull();
    return t ? t : "";
  }
  static std::vector<ScreenRecord*> Screens() {
    std::vector<ScreenRecord*> all;
    for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) all.push_back(s);
    return all;
  }
  static std::vector<std::string> Modes(const ScreenRecord* screen) {
    std::vector<std::string> all;
    for (const DisplayMode* m = screen->modes; m != nullptr; m = m->next)
      all.push_back(std::to_string(m->width) + "x" + std::to_string(m->height) + "x" + std::to_string(m->bits));
    return all;
  }
  // Every screen gets its first mode of the given size, as the settings would choose it.
  static void SelectModes(int32_t width, int32_t height) {
    for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next)
      for (DisplayMode* m = s->modes; m != nullptr; m = m->next)
        if (m->width == width && m->height == height && s->selectedMode == nullptr) s->selectedMode = m;
  }
};
