// Creation failures of the saver window: each ends the run with one message box that shows the
// kept message, owned by the saver window once it exists, and the WM_DESTROY that follows does not
// wait for a drawing thread that never started.
#include "app/app_objects.h"
#include "heart/rain_model.h"
#include "rain/screen_rain.h"
#include "scenario_fixture.h"
#include "support/allocation_faults.h"
#include "support/program_glyphs.h"

namespace {

// The bytes of the rain's cells for an 800 x 600 screen in the built-in glyphs' size.
size_t RainCellBytes() {
  const std::vector<unsigned char> file = ProgramGlyphFile();
  GraphicsLoader loader;
  const std::unique_ptr<GlyphSet> glyphs = loader.LoadAnimation(file.data(), static_cast<uint32_t>(file.size()));
  if (!glyphs) return 0;
  return static_cast<size_t>(RainColumns(800, glyphs->width)) * static_cast<size_t>(RainRows(600, glyphs->height)) *
         sizeof(RainCell);
}

struct FailureCase {
  const char* name;
  std::function<void()> arrange;
  const char* loggedAs;  // the start of the kept message's log line
  bool ownedBySaver;     // the box's owner is the saver window (a manager existed), else none
  bool devicesBuilt;     // every screen had its device and mode when the failure came
};

class FailureScenario : public ScenarioTest {};

TEST_F(FailureScenario, EachCreationFailureShowsOneMessageBoxAndEndsTheRun) {
  const FailureCase cases[] = {
      // DirectDraw refused for every screen already in the enumeration: the user is told about
      // DirectDraw, not about the display's colours.
      {"no DirectDraw", [] { winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC, -1); },
       "LOG_ERROR: Unable to initialize DirectDraw.", true, false},
      // A Windows 95 that never had DirectX: the program starts all the same and says so.
      {"no ddraw.dll", [] { winsim::SetDDrawLibrary(winsim::DDrawLibrary::kMissing); },
       "LOG_ERROR: Unable to initialize DirectDraw.", true, false},
      {"no DirectDraw once the screens were found",
       [] { winsim::FailDDCall("DirectDrawCreate", DDERR_GENERIC, -1, 1); },
       "LOG_ERROR: Unable to initialize DirectDraw.", true, false},
      {"no device's settings key",
       [] {
         // Every key after the product key's: the device sub-keys.
         winsim::FailRegistry(winsim::RegistryCall::kCreateKey, "*", "", ERROR_ACCESS_DENIED, -1, 1);
       },
       "LOG_ERROR: [DDrawManager::CreateDirectDraw] No display device's settings could be read from the registry", true,
       false},
      {"cooperative level refused", [] { winsim::FailDDCall("SetCooperativeLevel", DDERR_GENERIC, -1); },
       "LOG_ERROR: [DDrawManager::CreateDirectDraw] Unable to set Cooperative Mode, focus window", true, false},
      // DirectX 3's own level refused too, once the focus window was.
      {"DirectX 3's level refused",
       [] {
         winsim::SetDDrawLibrary(winsim::DDrawLibrary::kDirectX3);
         winsim::FailDDCall("SetCooperativeLevel", DDERR_GENERIC, 1, 1);
       },
       "LOG_ERROR: [DDrawManager::CreateDirectDraw] Unable to set Cooperative Mode, focus window", true, false},
      {"display mode refused", [] { winsim::FailDDCall("SetDisplayMode", DDERR_GENERIC, -1); }, "LOG_ERROR: ", true,
       false},
      {"pixel format unreadable", [] { winsim::FailDDCall("GetSurfaceDesc", DDERR_GENERIC, -1); }, "LOG_", true, false},
      {"glyph file damaged",
       [] {
         winsim::OverrideResource("DATAFILE", 111, {'Q', 'O', 'L', 'B', 9, 0, 0, 0});
       },
       "LOG_ERROR: ", true, true},
      {"drawing thread refused", [] { winsim::FailThreadStart(); },
       "LOG_ERROR: [WM_CREATE] Unable to start the drawing thread", true, true},
      {"no memory for the DirectDraw manager", [] { allocation_faults::FailNextNothrow(sizeof(DDrawManager)); },
       "LOG_ERROR: [WM_CREATE] Unable to allocate memory for main DDrawManager object", false, false},
      // Armed once the log is open: its file object may be as large as the loader.
      {"no memory for the glyph loader",
       [] { winsim::OnDDCall("SetDisplayMode", [] { allocation_faults::FailNextNothrow(sizeof(GraphicsLoader)); }); },
       "LOG_ERROR: [WM_CREATE] Unable to create Loader object", true, true},
      {"no memory for the rain", [] { allocation_faults::FailNextNothrow(RainCellBytes()); },
       "LOG_ERROR: [WM_CREATE] Unable to allocate memory for Torvane", true, true},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.arrange();
    // While the user reads the box, the saver's devices are still there: the display mode comes
    // back only after it is dismissed, with the desktop's surface in front meanwhile.
    int devicesWhileShown = -1;
    DWORD widthWhileShown = 0;
    int desktopSurfaceCalls = -1;
    winsim::OnMessageBox([&](const winsim::MessageBoxRecord&) {
      devicesWhileShown = winsim::LiveDirectDrawObjects();
      widthWhileShown = winsim::CurrentDisplayMode(0).width;
      desktopSurfaceCalls = 0;
      for (const auto& call : winsim::DDCalls()) desktopSurfaceCalls += call.call == "FlipToGDISurface";
    });
    EXPECT_EQ(Run("/s"), kNoWindowExitCode);
    allocation_faults::FailNextNothrow(0);
    const auto boxes = winsim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const auto mine = ProgramWindows();
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(boxes[0].owner, c.ownedBySaver ? mine[0].handle : nullptr);
    if (c.devicesBuilt) {
      EXPECT_EQ(devicesWhileShown, 1);
      EXPECT_EQ(widthWhileShown, 800u) << "still the saver's mode";
      EXPECT_EQ(desktopSurfaceCalls, 1) << "the desktop's surface brought forward before the box";
    } else {
      EXPECT_EQ(desktopSurfaceCalls, 0) << "no screen got its surfaces: there is no saver picture to take away";
    }
    EXPECT_EQ(winsim::CurrentDisplayMode(0).width, 1024u) << "the desktop's mode is back";
    EXPECT_EQ(boxes[0].caption, "Sarvello v1.30");
    EXPECT_FALSE(boxes[0].text.empty());
    const auto log = Log(true);
    // A message of several lines is logged as one line per line of text.
    const std::string firstLine = boxes[0].text.substr(0, boxes[0].text.find('\n'));
    bool kept = false;
    for (const std::string& line : log)
      kept = kept || (line.rfind(c.loggedAs, 0) == 0 && line.find(firstLine) != std::string::npos);
    EXPECT_TRUE(kept) << "the box shows a logged message: " << boxes[0].text;
    EXPECT_EQ(Count(log, "LOG_INFO: [Cleanup] Deallocating all objects"), 2) << "after the failure and at WM_DESTROY";
    EXPECT_FALSE(Has(log, "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane"));
    EXPECT_EQ(log.back(), "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED");
    EXPECT_EQ(winsim::LiveDirectDrawObjects(), 0);
    EXPECT_EQ(winsim::LiveSurfaces(), 0);
    EXPECT_EQ(winsim::SleepCount(), 0u) << "the WM_DESTROY after the failure does not wait";
  }
}

TEST_F(FailureScenario, SettingsThatCannotBeReadEndTheRunWithoutABox) {
  winsim::FailRegistry(winsim::RegistryCall::kCreateKey, "Software\\Brenmoor\\Sarvello", "", ERROR_ACCESS_DENIED, -1);
  EXPECT_EQ(Run("/s"), kNoWindowExitCode);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_TRUE(Log(true).empty()) << "the log is opened only after the settings were read";
  EXPECT_EQ(winsim::ThreadsStarted(), 0);
}

}  // namespace
