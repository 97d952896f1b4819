// Device creation: the order and flags of the platform calls for one and two monitors, the
// pixel formats, every failure with its text and level, the cleared buffers, and the release of
// every DirectDraw object at the end.
#include <algorithm>
#include <functional>
#include <memory>

#include "display_fixture.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5A5A));

class CreateDirectDrawTest : public DisplayTest {
 protected:
  // The manager releases its devices while the screens it made them for are still listed.
  void TearDown() override {
    manager_.reset();
    DisplayTest::TearDown();
  }
  // Enumerates the desktop, selects 800 x 600 everywhere and creates the devices.
  // `inject` runs after the enumeration, so that its faults strike device creation only.
  bool Create(
      const winsim::DesktopSpec& desktop, bool fullscreen, const std::function<void()>& inject = [] {}) {
    winsim::SetDesktop(desktop);
    EnumScreens();
    SelectModes(800, 600);
    inject();
    manager_ = std::make_unique<DDrawManager>();
    return manager_->CreateDirectDraw(kWindow, fullscreen);
  }
  static std::vector<winsim::DDCallRecord> Calls(const std::string& name) {
    std::vector<winsim::DDCallRecord> found;
    for (const auto& c : winsim::DDCalls())
      if (c.call == name) found.push_back(c);
    return found;
  }
  static size_t FirstIndex(const std::string& name) {
    const auto& calls = winsim::DDCalls();
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].call == name) return i;
    return calls.size();
  }
  static size_t LastIndex(const std::string& name) {
    const auto& calls = winsim::DDCalls();
    size_t last = calls.size();
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].call == name) last = i;
    return last;
  }

  // The calls from `from` on, each as "call monitor" and the surface it went to, if any.
  static std::vector<std::string> CallsFrom(size_t from) {
    std::vector<std::string> all;
    const auto calls = winsim::DDCalls();
    for (size_t i = from; i < calls.size(); ++i)
      all.push_back(calls[i].call + " " + std::to_string(calls[i].monitor) +
                    (calls[i].surface.empty() ? "" : " " + calls[i].surface));
    return all;
  }

  std::unique_ptr<DDrawManager> manager_;
};

TEST_F(CreateDirectDrawTest, FullScreenOnTwoMonitorsSetsLevelsAndModesBeforeSurfaces) {
  size_t start = 0;
  ASSERT_TRUE(Create(winsim::TwoMonitorDesktop(), true, [&] { start = winsim::DDCalls().size(); }));
  // Object, levels and mode of each screen in turn; then each screen's chain, cleared twice
  // (each pass a fill of the back buffer and a flip of the chain) before the next screen's.
  std::vector<std::string> expected = {"DirectDrawCreate 0", "SetCooperativeLevel 0", "SetCooperativeLevel 0",
                                       "SetDisplayMode 0",   "DirectDrawCreate 1",    "SetCooperativeLevel 1",
                                       "SetDisplayMode 1"};
  for (const std::string m : {"0", "1"}) {
    for (const std::string& c :
         {"CreateSurface " + m, "GetSurfaceDesc " + m + " front", "GetAttachedSurface " + m + " front"})
      expected.push_back(c);
    for (int pass = 0; pass < 2; ++pass)
      for (const std::string& c :
           {"Blt " + m + " back", "Unlock " + m + " back", "GetFlipStatus " + m + " back", "Flip " + m + " front"})
        expected.push_back(c);
  }
  EXPECT_EQ(CallsFrom(start), expected);
  const auto levels = Calls("SetCooperativeLevel");
  ASSERT_EQ(levels.size(), 3u);
  for (const auto& level : levels)
    EXPECT_EQ(level.args[0], static_cast<long>(reinterpret_cast<intptr_t>(kWindow))) << "the saver window's level";
  EXPECT_EQ(levels[0].monitor, 0);
  EXPECT_EQ(levels[0].flags, 0x80u);
  EXPECT_EQ(levels[1].flags, 0x113u);
  EXPECT_EQ(levels[2].monitor, 1);
  EXPECT_EQ(levels[2].flags, 0x293u);
  const auto modes = Calls("SetDisplayMode");
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_LT(LastIndex("SetDisplayMode"), FirstIndex("CreateSurface")) << "every mode before any surface";
  for (int m = 0; m < 2; ++m) {
    EXPECT_EQ(winsim::CurrentDisplayMode(m).width, 800u) << m;
    EXPECT_EQ(winsim::CurrentDisplayMode(m).bits, 16u) << m;
    const auto pixels = winsim::ScreenPixels(m);
    EXPECT_EQ(pixels.size(), 800u * 600u) << m;
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint16_t p) { return p == 0; }))
        << "monitor " << m << " black";
  }
  for (ScreenRecord* s : Screens()) {
    EXPECT_EQ(s->frameIndex, 0);
    EXPECT_EQ(s->directDraw, s->deviceObject);
    EXPECT_NE(s->backBuffer, nullptr);
  }
  EXPECT_TRUE(manager_->displayModeSet);
  EXPECT_FALSE(manager_->framesSuspended);
  EXPECT_EQ(CurrentScreen, Screens().back());
  EXPECT_EQ(DeviceWindow, kWindow);
  // Both buffers of each chain are black: the back buffer, opened as a frame, too.
  for (ScreenRecord* s : Screens()) {
    manager_->SelectScreen(s);
    FrameDescriptor* frame = manager_->BeginFrame();
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < frame->height; ++y)
      for (int x = 0; x < frame->width; ++x) ASSERT_EQ(frame->pixels[y * frame->pitch + x], 0) << x << "," << y;
    manager_->InterruptFrame();
  }
  // The destructor: per screen in list order, the back buffer, the primary, then the object.
  const size_t released = winsim::DDCalls().size();
  manager_.reset();
  EXPECT_EQ(CallsFrom(released), (std::vector<std::string>{"Release 0 back", "Release 0 front", "Release 0",
                                                           "Release 1 back", "Release 1 front", "Release 1"}));
  const std::string d = "LOG_GOSSIP: [DDrawManager::~DDrawManager] Deallocating ";
  const auto lines = LogLines();
  const auto enter = std::find(lines.begin(), lines.end(), "LOG_INFO: [DDrawManager::~DDrawManager] *ENTER*");
  EXPECT_EQ(std::vector<std::string>(enter, lines.end()),
            (std::vector<std::string>{"LOG_INFO: [DDrawManager::~DDrawManager] *ENTER*", d + "back buffer",
                                      d + "primary surface", d + "IID_DirectDraw4 interface", d + "back buffer",
                                      d + "primary surface", d + "IID_DirectDraw4 interface",
                                      "LOG_INFO: [DDrawManager::~DDrawManager] *LEAVE*"}));
  EXPECT_EQ(winsim::LiveSurfaces(), 0);
  EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
}

// The whole log of a successful creation: every screen's object, level and mode first, then every
// screen's surfaces, each step its own line at its own level. DirectX 3 refuses the focus window:
// the primary device's level is set without it, with one warning, and creation goes on; its
// enumeration lists the primary display driver only.
TEST_F(CreateDirectDrawTest, SuccessLogsEveryStepOfEveryScreenInOrder) {
  const struct {
    const char* name;
    winsim::DesktopSpec desktop;
    winsim::DDrawLibrary library;
    bool fullscreen;
    std::vector<DWORD> levels;  // the flags of every SetCooperativeLevel call, in order
  } rows[] = {
      {"one monitor", winsim::OneMonitorDesktop(), winsim::DDrawLibrary::kComplete, true, {0x80, 0x113}},
      {"two monitors", winsim::TwoMonitorDesktop(), winsim::DDrawLibrary::kComplete, true, {0x80, 0x113, 0x293}},
      {"one monitor, windowed", winsim::OneMonitorDesktop(), winsim::DDrawLibrary::kComplete, false, {0x80, 0x8}},
      {"DirectX 3", winsim::OneMonitorDesktop(), winsim::DDrawLibrary::kDirectX3, true, {0x80, 0x13}},
      {"DirectX 3, two monitors", winsim::TwoMonitorDesktop(), winsim::DDrawLibrary::kDirectX3, true, {0x80, 0x13}},
      {"DirectX 3, windowed", winsim::OneMonitorDesktop(), winsim::DDrawLibrary::kDirectX3, false, {0x80, 0x8}},
  };
  for (const auto& row : rows) {
    SetUp();
    winsim::SetDDrawLibrary(row.library);
    ASSERT_TRUE(Create(row.desktop, row.fullscreen)) << row.name;
    const bool directX3 = row.library == winsim::DDrawLibrary::kDirectX3;
    const std::string t = "[DDrawManager::CreateDirectDraw] ";
    std::vector<std::string> expected = {"LOG_INFO: " + t + "*ENTER*"};
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), directX3 ? 1u : row.desktop.monitors.size()) << row.name;
    for (size_t i = 0; i < screens.size(); ++i) {
      expected.push_back("LOG_INFO: " + t + "Initializing device " + screens[i]->description);
      expected.push_back("LOG_GOSSIP: " + t + "IID_DirectDraw interface createad");
      expected.push_back("LOG_SPAM: " + t + "Setting cooperative mode, " + (i == 0 ? "primary" : "secondary") +
                         " device");
      if (directX3)
        expected.push_back("LOG_WARNING: " + t +
                           "Focus window refused, cooperative mode set without it as DirectX 3 "
                           "knows it");
      expected.push_back("LOG_SPAM: " + t + "Cooperative mode set");
      if (row.fullscreen) expected.push_back("LOG_SPAM: " + t + "Display mode set");
    }
    for (size_t i = 0; i < screens.size(); ++i) {
      expected.push_back("LOG_GOSSIP: " + t + "Primary surface createad");
      expected.push_back("LOG_SPAM: " + t +
                         (screens[i]->colourType == 1 ? "Color type 5x6x5 detected" : "Color type 5x5x5 detected"));
      expected.push_back("LOG_SPAM: " + t + "Pixel format stored");
      expected.push_back("LOG_GOSSIP: " + t + "Back buffer surface created" +
                         (row.fullscreen ? "" : " (not fullscreen)"));
      expected.push_back("LOG_INFO: " + t + "Surfaces created for device " + screens[i]->description);
    }
    expected.push_back("LOG_INFO: " + t + "*LEAVE*");
    const auto lines = LogLines();
    const auto enter = std::find(lines.begin(), lines.end(), expected.front());
    EXPECT_EQ(std::vector<std::string>(enter, lines.end()), expected) << row.name;
    std::vector<DWORD> levels;
    for (const auto& level : Calls("SetCooperativeLevel")) {
      levels.push_back(level.flags);
      EXPECT_EQ(level.args[0], static_cast<long>(reinterpret_cast<intptr_t>(kWindow))) << row.name;
    }
    EXPECT_EQ(levels, row.levels) << row.name;
    EXPECT_EQ(ErrorMsgLevel, directX3 ? LOG_WARNING : LOG_INFO) << row.name << ": nothing for the user";
    if (screens.size() == 2) {
      EXPECT_EQ(screens[1]->colourType, 0) << "the second monitor is 5x5x5";
    }
    manager_.reset();
    TearDown();
  }
}

TEST_F(CreateDirectDrawTest, DetectsTheColourType) {
  struct Row {
    winsim::DesktopFormat format;
    bool fullscreen;
    bool ok;
    int32_t colourType;
  } rows[] = {{winsim::DesktopFormat::k565, true, true, 1},  {winsim::DesktopFormat::k555, true, true, 0},
              {winsim::DesktopFormat::k565, false, true, 1}, {winsim::DesktopFormat::k555, false, true, 0},
              {winsim::DesktopFormat::k32, true, true, 1},  // the mode change comes first: 16-bit primary
              {winsim::DesktopFormat::k32, false, false, 0}};
  for (const Row& row : rows) {
    SetUp();
    EXPECT_EQ(Create(winsim::OneMonitorDesktop(row.format), row.fullscreen), row.ok)
        << int(row.format) << " fullscreen " << row.fullscreen;
    if (row.ok) {
      EXPECT_EQ(ScreenList->colourType, row.colourType) << int(row.format);
    } else {
      EXPECT_EQ(ErrorMsgLevel, LOG_INFO) << "a windowed 32-bit desktop fails without a line";
    }
    manager_.reset();
    EXPECT_EQ(winsim::LiveSurfaces(), 0);
    EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
    TearDown();
  }
}

TEST_F(CreateDirectDrawTest, EveryFailureKeepsItsMessageForTheUser) {
  const std::string tag = "[DDrawManager::CreateDirectDraw] ";
  struct Row {
    std::string call;
    int skip;
    bool fullscreen;
    std::string text;
    uint32_t level;
    int count = 1;  // failing calls in a row
  } rows[] = {
      {"DirectDrawCreate", 0, true,
       "Unable to initialize DirectDraw.\n\nMake sure you have DirectX installed, or go to\n"
       "http://www.microsoft.com/directx and download the latest version",
       LOG_ERROR},
      // The focus window refused, and then the level without it too.
      {"SetCooperativeLevel", 0, true, tag + "Unable to set Cooperative Mode, focus window", LOG_ERROR, 2},
      {"SetCooperativeLevel", 0, false, tag + "Unable to set Cooperative Mode, focus window", LOG_ERROR, 2},
      {"SetCooperativeLevel", 1, true, tag + "Unable to set Cooperative Mode", LOG_ERROR},
      {"SetCooperativeLevel", 2, true, tag + "Unable to set Cooperative Mode", LOG_ERROR},
      {"SetDisplayMode", 0, true, "Unable to set display mode. Try a diffrent resolution setting", LOG_ERROR},
      {"CreateSurface", 0, true,
       tag + "Unable to create primary surface. Make sure\nno other application is runnin that uses DirectX, or "
             "try a diffrent resolution setting.",
       LOG_ERROR},
      {"GetSurfaceDesc", 0, true, tag + "Unable to get pixel format", LOG_ERROR},
      {"GetAttachedSurface", 0, true, tag + "Unable to create BackBuffer surface", LOG_ERROR},
      {"CreateSurface", 1, false, tag + "Unable to create BackBuffer surface (not fullscreen)", LOG_ERROR},
  };
  for (const Row& row : rows) {
    SetUp();
    EXPECT_FALSE(Create(winsim::TwoMonitorDesktop(), row.fullscreen,
                        [&] { winsim::FailDDCall(row.call, DDERR_GENERIC, row.count, row.skip); }))
        << row.call << " " << row.skip;
    EXPECT_EQ(Kept(), row.text) << row.call << " " << row.skip;
    EXPECT_EQ(ErrorMsgLevel, row.level) << row.call << " " << row.skip;
    EXPECT_TRUE(manager_->framesSuspended);
    EXPECT_EQ(manager_->BeginFrame(), nullptr);
    if (row.call == "SetDisplayMode") {
      EXPECT_FALSE(manager_->displayModeSet);
    }
    manager_.reset();
    EXPECT_EQ(winsim::LiveSurfaces(), 0) << row.call << " " << row.skip;
    EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0)
        << row.call << " " << row.skip << ": released even before its level was set";
    TearDown();
  }
}

TEST_F(CreateDirectDrawTest, FailedClearIsOnlyAWarning) {
  winsim::FailDDCall("Blt", DDERR_GENERIC, 2);
  EXPECT_TRUE(Create(winsim::OneMonitorDesktop(), true));
  EXPECT_EQ(
      CountLines("LOG_WARNING: [DDrawManager::CreateDirectDraw] Unable to set back surface to black (first pass)"), 1);
  EXPECT_EQ(
      CountLines("LOG_WARNING: [DDrawManager::CreateDirectDraw] Unable to set back surface to black (second pass)"), 1);
}

// Each clearing pass gives a failing presentation a fixed time, pausing between attempts, whatever
// one attempt costs; then creation carries on.
TEST_F(CreateDirectDrawTest, PresentationThatNeverSucceedsDoesNotHangCreation) {
  struct Row {
    const char* name;
    bool fullscreen;
    const char* call;
  } rows[] = {{"full screen, flip refused", true, "Flip"}, {"preview, copy refused", false, "Blt"}};
  for (const Row& row : rows) {
    SetUp();
    const uint32_t start = winsim::Clock();
    EXPECT_TRUE(Create(winsim::OneMonitorDesktop(), row.fullscreen, [&] {
      winsim::FailDDCall(row.call, DDERR_GENERIC, -1);
      if (!row.fullscreen) {
        static DisplayMode preview = {152, 112, 16, nullptr};
        ScreenList->selectedMode = &preview;
      }
    })) << row.name;
    const uint32_t elapsed = winsim::Clock() - start;
    EXPECT_EQ(
        CountLines("LOG_WARNING: [DDrawManager::CreateDirectDraw] Unable to present the cleared buffer, carrying on"),
        2)
        << row.name;
    EXPECT_GE(elapsed, 2 * kClearPresentMs) << row.name;
    EXPECT_LE(elapsed, 2 * (kClearPresentMs + kClearRetryMs)) << row.name;
    size_t attempts = 0;
    for (const auto& c : winsim::DDCalls()) attempts += c.call == row.call && (row.fullscreen || c.flags == 0);
    const auto sleeps = winsim::Sleeps();
    EXPECT_EQ(attempts, sleeps.size() + 2) << row.name << ": a pause between each two attempts of a pass";
    EXPECT_TRUE(std::all_of(sleeps.begin(), sleeps.end(), [](const winsim::SleepRecord& r) {
      return r.ms == kClearRetryMs;
    })) << row.name;
    if (row.fullscreen) {
      EXPECT_EQ(CountLines("LOG_WARNING: [DDrawManager::Flip] Unrecognized error when trying to flip"), 1)
          << "one line per run";
    }
    manager_.reset();
    TearDown();
  }
}

TEST_F(CreateDirectDrawTest, PreviewCopiesToTheWindowsClientOrigin) {
  const HWND window = winsim::CreateTestWindow(POINT{100, 50});
  winsim::SetDesktop(winsim::OneMonitorDesktop());
  EnumScreens();
  static DisplayMode preview = {152, 112, 16, nullptr};
  ScreenList->selectedMode = &preview;
  manager_ = std::make_unique<DDrawManager>();
  ASSERT_TRUE(manager_->CreateDirectDraw(window, false));
  const auto levels = Calls("SetCooperativeLevel");
  ASSERT_EQ(levels.size(), 2u);
  EXPECT_EQ(levels[1].flags, static_cast<DWORD>(DDSCL_NORMAL));
  EXPECT_TRUE(Calls("SetDisplayMode").empty());
  EXPECT_FALSE(manager_->displayModeSet);
  FrameDescriptor* frame = manager_->BeginFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->width, 152);
  for (int y = 0; y < 112; ++y)
    for (int x = 0; x < 152; ++x) frame->pixels[y * frame->pitch + x] = 0x1234;
  EXPECT_EQ(manager_->Flip(), 0);
  EXPECT_EQ(ScreenList->frameIndex, 0);
  const auto screen = winsim::ScreenPixels(0);
  const int width = static_cast<int>(winsim::CurrentDisplayMode(0).width);
  struct Probe {
    int x, y;
    bool inside;
  } probes[] = {{100, 50, true},  {251, 161, true},  {99, 50, false},
                {100, 49, false}, {252, 100, false}, {150, 162, false}};
  for (const Probe& p : probes)
    EXPECT_EQ(screen[static_cast<size_t>(p.y * width + p.x)] == 0x1234, p.inside) << p.x << "," << p.y;
}

TEST_F(CreateDirectDrawTest, ScreensWithoutSixteenBitModesAreLeftOut) {
  auto desktop = winsim::TwoMonitorDesktop();
  desktop.monitors[0].modes = {{800, 600, 32}};
  ASSERT_TRUE(Create(desktop, true));
  EXPECT_EQ(Screens()[0]->directDraw, nullptr);
  EXPECT_NE(Screens()[1]->backBuffer, nullptr);
  manager_.reset();
  SetUp();
  desktop.monitors[1].modes = {{800, 600, 8}};
  EXPECT_FALSE(Create(desktop, true));
  EXPECT_EQ(ErrorMsgLevel, LOG_ERROR);
  EXPECT_NE(Kept().find("16-bit display mode"), std::string::npos) << Kept();
}

// A screen left out is logged with its reason (the log opens only after the enumeration and the
// settings read, so device creation writes them); with none left the user's message names what
// stands in the way.
TEST_F(CreateDirectDrawTest, ScreensLeftOutAreLoggedWithTheirReason) {
  const std::string tag = "LOG_WARNING: [DDrawManager::CreateDirectDraw] Skipping device ";
  struct Row {
    const char* name;
    std::function<void(winsim::DesktopSpec&)> desktop;
    int refusedCreate;  // the enumeration's DirectDrawCreate fails from this screen on; -1: never
    std::function<void()> afterEnumeration;
    const char* reasons[2];  // per screen, after its description; null: it gets a device
    const char* kept;        // the start of the user's message; null: creation succeeds
  } rows[] = {
      {"DirectDraw refused for every screen",
       [](winsim::DesktopSpec&) {},
       0,
       [] {},
       {", DirectDraw cannot be created for it, code 0x80004005",
        ", DirectDraw cannot be created for it, code 0x80004005"},
       "Unable to initialize DirectDraw."},
      {"no settings key for either screen",
       [](winsim::DesktopSpec&) {},
       -1,
       [] {
         for (ScreenRecord* s = ScreenList; s != nullptr; s = s->next) {
           s->settingsUnread = true;
           s->selectedMode = nullptr;
         }
       },
       {", its settings key cannot be opened", ", its settings key cannot be opened"},
       "[DDrawManager::CreateDirectDraw] No display device's settings could be read from the registry"},
      {"no 16-bit mode on one, DirectDraw refused on the other",
       [](winsim::DesktopSpec& d) {
         d.monitors[0].modes = {{800, 600, 32}};
       },
       1,
       [] {},
       {", no 16-bit display mode", ", DirectDraw cannot be created for it, code 0x80004005"},
       "No display device offers a 16-bit display mode."},
      {"one screen without settings, the other drawn",
       [](winsim::DesktopSpec&) {},
       -1,
       [] {
         ScreenList->settingsUnread = true;
         ScreenList->selectedMode = nullptr;
       },
       {", its settings key cannot be opened", nullptr},
       nullptr},
  };
  for (const Row& row : rows) {
    SetUp();
    winsim::DesktopSpec desktop = winsim::TwoMonitorDesktop();
    row.desktop(desktop);
    winsim::SetDesktop(desktop);
    // The extended enumeration reports the primary driver first on two monitors (its DirectDraw
    // object is made too), then one device per monitor.
    if (row.refusedCreate >= 0) winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC, -1, 1 + row.refusedCreate);
    EnumScreens();
    SelectModes(800, 600);
    row.afterEnumeration();
    manager_ = std::make_unique<DDrawManager>();
    EXPECT_EQ(manager_->CreateDirectDraw(kWindow, true), row.kept == nullptr) << row.name;
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), 2u) << row.name;
    for (size_t i = 0; i < 2; ++i) {
      const std::string prefix = tag + screens[i]->description;
      int skipped = 0;
      for (const std::string& line : LogLines()) skipped += line.rfind(prefix, 0) == 0;
      if (row.reasons[i] == nullptr) {
        EXPECT_EQ(skipped, 0) << row.name << ", screen " << i;
      } else {
        EXPECT_EQ(CountLines(prefix + row.reasons[i]), 1) << row.name << ", screen " << i;
        EXPECT_EQ(skipped, 1) << row.name << ", screen " << i;
      }
    }
    if (row.kept != nullptr) {
      EXPECT_EQ(ErrorMsgLevel, LOG_ERROR) << row.name;
      EXPECT_EQ(Kept().rfind(row.kept, 0), 0u) << row.name << ": " << Kept();
    }
    manager_.reset();
    TearDown();
  }
}

// Bringing the desktop's surface forward after a creation that stopped (as Cleanup and WM_CLOSE do)
// asks only the screens that got their surfaces: the others never showed a picture of the saver.
TEST_F(CreateDirectDrawTest, DesktopSurfaceIsBroughtForwardOnlyWhereSurfacesWereMade) {
  const struct {
    const char* name;
    const char* call;  // fails once after `skip` calls; none: creation succeeds
    int skip;
    std::vector<int> monitors;
  } rows[] = {{"second screen's mode refused", "SetDisplayMode", 1, {}},
              {"first screen's back buffer refused", "GetAttachedSurface", 0, {}},
              {"first screen's pixel format unreadable", "GetSurfaceDesc", 0, {}},
              {"second screen's primary surface refused", "CreateSurface", 1, {0}},
              {"both screens made", nullptr, 0, {0, 1}}};
  for (const auto& row : rows) {
    SetUp();
    EXPECT_EQ(Create(winsim::TwoMonitorDesktop(), true,
                     [&] {
                       if (row.call != nullptr) winsim::FailDDCall(row.call, DDERR_GENERIC, 1, row.skip);
                     }),
              row.call == nullptr)
        << row.name;
    manager_->InterruptFrame();
    manager_->BringDesktopForward();
    std::vector<int> monitors;
    for (const auto& c : Calls("FlipToGDISurface")) monitors.push_back(c.monitor);
    EXPECT_EQ(monitors, row.monitors) << row.name;
    manager_.reset();
    TearDown();
  }
}

TEST_F(CreateDirectDrawTest, NoScreensAtAllIsAFailureTheUserSees) {
  winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing);
  EXPECT_FALSE(Create(winsim::OneMonitorDesktop(), true));
  EXPECT_EQ(ErrorMsgLevel, LOG_ERROR);
  EXPECT_EQ(Kept().rfind("Unable to initialize DirectDraw.", 0), 0u) << Kept();
}

}  // namespace
