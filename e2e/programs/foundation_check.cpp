// Windows test program: the glyph animation from the program's own resources converted for both
// pixel formats, and the debug log as it lands in the real Windows directory.
#include <gtest/gtest.h>

#include <string>

#include "diag/debug_log.h"
#include "heart/graphics_loader.h"
#include "platform/win32.h"
#include "test_files.h"

namespace {

const std::string kStarted = "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED\r\n";
const std::string kTerminated = "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED\r\n";

std::unique_ptr<GlyphSet> LoadBuiltIn(int32_t colourType) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(111), "DATAFILE");
  if (found == nullptr) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  GraphicsLoader loader;
  loader.colourType = colourType;
  return loader.LoadAnimation(bytes, SizeofResource(nullptr, found));
}

TEST(GlyphsOnWindows, BuiltInAnimationConvertsForBothFormats) {
  struct Row {
    int32_t colourType;
    uint16_t white;
  } rows[] = {{0, 0x7FFF}, {1, 0xFFFF}};
  std::unique_ptr<GlyphSet> sets[2];
  for (int r = 0; r < 2; ++r) {
    const Row& row = rows[r];
    sets[r] = LoadBuiltIn(row.colourType);
    const GlyphSet* set = sets[r].get();
    ASSERT_NE(set, nullptr) << "colour type " << row.colourType;
    EXPECT_EQ(set->count, 55);
    EXPECT_EQ(set->width, 14);
    EXPECT_EQ(set->height, 15);
    const int pixels = set->width * set->height;
    for (int g = 0; g < 54; ++g) {
      int white = 0;
      for (int p = 0; p < pixels; ++p) white += set->frames[g][p] == row.white;
      if (g < 27) {
        EXPECT_GT(white, 0) << "bright glyph " << g << " has a white core";
      } else {
        EXPECT_EQ(white, 0) << "dim glyph " << g << " has no white";
      }
    }
    for (int p = 0; p < pixels; ++p) ASSERT_EQ(set->frames[GLYPH_BLANK][p], 0) << "blank pixel " << p;
  }
  bool differs = false;
  for (int p = 0; p < 14 * 15; ++p) differs |= sets[0]->frames[0][p] != sets[1]->frames[0][p];
  EXPECT_TRUE(differs);
}

TEST(LogOnWindows, IsRecreatedAtEveryStartWithExactBytes) {
  const std::string path = WindowsDirectoryPath() + "torvanecode.log";
  ASSERT_TRUE(InitErrorMsg(false));
  LogMessage("[Check] first session, a longer line than the second session writes", LOG_WARNING);
  StopErrorMsg();
  EXPECT_EQ(ReadWholeFile(path), kStarted +
                                     "LOG_WARNING: [Check] first session, a longer line than the second "
                                     "session writes\r\n" +
                                     kTerminated);

  ASSERT_TRUE(InitErrorMsg(false));
  EXPECT_EQ(ReadWholeFile(path), kStarted) << "the second start empties the file";
  LogMessage("[Check] second session", LOG_ERROR);
  LogMessage("[Check] odd level", 9);
  StopErrorMsg();
  EXPECT_EQ(ReadWholeFile(path), kStarted + "LOG_ERROR: [Check] second session\r\n" +
                                     "LOG_PANIC (UNRECONGNIZED STATE): [Check] odd level\r\n" + kTerminated);
  EXPECT_EQ(ErrorMsgLevel, 9u);
}

TEST(LogOnWindows, FullScreenLogHasItsOwnName) {
  ASSERT_TRUE(InitErrorMsg(true));
  LogMessage("[Check] full screen", LOG_GOSSIP);
  StopErrorMsg();
  EXPECT_EQ(ReadWholeFile(WindowsDirectoryPath() + "torvanecode_fs.log"),
            kStarted + "LOG_GOSSIP: [Check] full screen\r\n" + kTerminated);
}

}  // namespace
