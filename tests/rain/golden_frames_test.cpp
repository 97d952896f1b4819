// Golden frames: with a fixed window-thread seed the rain is deterministic, so whole frames drawn
// through the heart into a plain buffer are compared by hash. Any change to the blitters or to
// frame composition that alters a single pixel, and any change to the order of the random draws,
// changes a hash.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/rain_buffer.h"
#include "heart/draw_switch.h"
#include "support/pixel_hash.h"

namespace {

constexpr int kFrames[] = {1, 10, 60};
constexpr int kFrameCount = 3;

// What the drawing thread saw of the frames of kFrames.
struct Shown {
  bool drawn = false;
  uint64_t hash[kFrameCount] = {};
  bool allBlack[kFrameCount] = {};
  std::vector<uint8_t> glyphsAfterFirst;  // every cell's glyph after frame 1
  std::vector<uint8_t> glyphsAfterLast;
};

std::vector<uint8_t> CellGlyphs(const RainGrid& grid) {
  std::vector<uint8_t> glyphs;
  for (int32_t i = 0; i < grid.rows * grid.columns; ++i) glyphs.push_back(grid.cells[i].glyph);
  return glyphs;
}

// Builds the rain and draws the frames in the program's order: the window thread's stream seeds
// the cells, the drawing thread's stream (starting at 1) places the drops and moves the rain.
Shown DrawFrames(const RainBuffer::Setup& setup) {
  Shown shown;
  RainBuffer rain;
  if (!rain.Start(setup)) return shown;
  const size_t size = static_cast<size_t>(setup.width) * static_cast<size_t>(setup.height);
  int next = 0;
  for (int f = 1; f <= kFrames[kFrameCount - 1]; ++f) {
    rain.DrawFrame();
    if (f == 1) shown.glyphsAfterFirst = CellGlyphs(rain.grid());
    if (f != kFrames[next]) continue;
    const std::vector<uint16_t> pixels(rain.pixels(), rain.pixels() + size);
    shown.hash[next] = Fnv1a(pixels);
    shown.allBlack[next] = true;
    for (uint16_t p : pixels) shown.allBlack[next] = shown.allBlack[next] && p == 0;
    ++next;
  }
  shown.glyphsAfterLast = CellGlyphs(rain.grid());
  shown.drawn = true;
  DrawEnabled = 0;
  return shown;
}

TEST(GoldenFramesTest, FramesMatchTheirRecordedHashes) {
  struct Row {
    const char* name;
    RainBuffer::Setup setup;
    uint64_t hash[kFrameCount];  // frames 1, 10, 60
  } rows[] = {
      {"800x600 5x6x5, 300 drops, 8 %",
       {800, 600, 1, 12345, 300, 8},
       {0x5D25DBE7F9807711u, 0xB6811D8263E1BEDAu, 0xEABCE39F105A8834u}},
      {"800x600 5x5x5, 300 drops, 8 %",
       {800, 600, 0, 12345, 300, 8},
       {0xB2CE25894033A19Du, 0xDE36B591D69B8A39u, 0xCAFCA9D0C78CB0FDu}},
      {"1024x768 5x6x5, 400 drops, 50 %",
       {1024, 768, 1, 777, 400, 50},
       {0x0976793CB7E88ADFu, 0xC6F09BCC02BE2898u, 0x5D4277C88DEEB091u}},
  };
  for (const Row& row : rows) {
    const Shown shown = DrawFrames(row.setup);
    ASSERT_TRUE(shown.drawn) << row.name;
    for (int i = 0; i < kFrameCount; ++i) {
      EXPECT_FALSE(shown.allBlack[i]) << row.name << " frame " << kFrames[i];
      EXPECT_EQ(shown.hash[i], row.hash[i])
          << row.name << " frame " << kFrames[i] << ": 0x" << std::hex << shown.hash[i];
    }
  }
}

// Without drops no cell is ever lit: every frame is black, while the cells below keep ageing and
// changing their glyphs unseen.
TEST(GoldenFramesTest, WithoutDropsFramesStayBlackWhileCellsChange) {
  for (int32_t colourType : {0, 1}) {
    const std::string name = colourType == 0 ? "5x5x5" : "5x6x5";
    const Shown shown = DrawFrames({800, 600, colourType, 12345, 0, 8});
    ASSERT_TRUE(shown.drawn) << name;
    for (int i = 0; i < kFrameCount; ++i) EXPECT_TRUE(shown.allBlack[i]) << name << " frame " << kFrames[i];
    ASSERT_EQ(shown.glyphsAfterFirst.size(), shown.glyphsAfterLast.size()) << name;
    size_t changed = 0;
    for (size_t c = 0; c < shown.glyphsAfterFirst.size(); ++c)
      changed += shown.glyphsAfterFirst[c] != shown.glyphsAfterLast[c];
    // Every cell is replaced within 80 frames; in 59 most are.
    EXPECT_GT(changed, shown.glyphsAfterFirst.size() / 2) << name;
  }
}

}  // namespace
