// Frame composition: where each row and column of the grid lands (raised by 10 pixels), which
// glyph and shade each level draws, blank cells, and the levels cleared after the frame.
#include "rain/compose_frame.h"

#include <gtest/gtest.h>

#include <string>

#include "heart/blitters.h"
#include "heart/frame_selection.h"
#include "rain/shared_flags.h"
#include "support/write_trap.h"

namespace {

// Glyph g's pixel (r, c) holds g * 256 + r * 16 + c + 1, so every drawn pixel names its glyph.
uint16_t GlyphPixel(int g, int r, int c) { return static_cast<uint16_t>(g * 256 + r * 16 + c + 1); }

uint16_t Shaded(uint16_t v, int32_t shade) {
  uint16_t out = 0;
  ShadePixels(&out, &v, 1, shade, 1);
  return out;
}

class ComposeFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrawEnabled = 1;
    CurrentColourType = 1;
    mode_ = {28, 30, 16, nullptr};
    screen_.selectedMode = &mode_;
    RainGrid& grid = screen_.rain;
    grid.glyphs.reset(new GlyphSet);
    grid.glyphs->width = 14;
    grid.glyphs->height = 15;
    grid.glyphs->count = 55;
    for (int g = 0; g < 55; ++g) {
      grid.glyphs->frames[g].reset(new uint16_t[14 * 15]);
      for (int r = 0; r < 15; ++r)
        for (int c = 0; c < 14; ++c) grid.glyphs->frames[g][r * 14 + c] = GlyphPixel(g, r, c);
    }
    grid.columns = 3;  // 28 / 14 + 1
    grid.rows = 4;     // 30 / 15 + 2
    grid.cells.reset(new RainCell[12]);
    for (int i = 0; i < 12; ++i) grid.cells[i] = RainCell{static_cast<uint8_t>(30 + i), 79, 0, 0};
    pixels_.assign(28 * 30, 0xAAAA);
    frame_ = {pixels_.data(), 28, 30, 28};
    ClipRect = {0, 0, 28, 30};
  }
  void TearDown() override { DrawEnabled = 0; }

  // The pixel at the top-left visible corner of cell (row, column): row 0 shows from glyph row 10.
  uint16_t CellCorner(int row, int column) const {
    const int y = row == 0 ? 0 : 15 * row - 10;
    return pixels_[static_cast<size_t>(y * 28 + 14 * column)];
  }

  DisplayMode mode_;
  ScreenRecord screen_ = {};
  std::vector<uint16_t> pixels_;
  FrameDescriptor frame_;
};

TEST_F(ComposeFrameTest, EachLevelDrawsItsGlyphAtItsShade) {
  struct Row {
    const char* name;
    int dropCount;
    int length;
    // Expected glyph and shade (0 = unchanged, -1 = blank) of column 1, rows 0..2.
    int shade[3];
  } rows[] = {
      {"no drops: all blank", 0, 10, {-1, -1, -1}},
      {"long trail", 1, 10, {0, 0, 0}},
      {"fading end", 1, 4, {2, 1, 0}},  // levels 2, 3, 4 from row 0 down to the head at row 2
  };
  for (const Row& row : rows) {
    SetUp();
    screen_.rain.dropCount = row.dropCount;
    screen_.rain.drops[0] = RainDrop{1, 2, static_cast<uint8_t>(row.length), 0};
    ComposeFrame(&screen_, &frame_);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 2; ++c) {  // column 2 starts at x 28, beyond the mode
        const int glyph = 30 + r * 3 + c;
        const int shade = c == 1 ? row.shade[r] : -1;
        const uint16_t unshaded =
            r == 0 ? GlyphPixel(shade < 0 ? 54 : glyph, 10, 0) : GlyphPixel(shade < 0 ? 54 : glyph, 0, 0);
        const uint16_t expected = shade > 0 ? Shaded(unshaded, shade) : unshaded;
        EXPECT_EQ(CellCorner(r, c), expected) << row.name << " cell " << r << "," << c;
      }
    }
    for (int i = 0; i < 12; ++i) EXPECT_EQ(screen_.rain.cells[i].level, 0) << row.name << " cell " << i;
    for (uint16_t p : pixels_) ASSERT_NE(p, 0xAAAA) << row.name << ": every pixel of the mode is drawn";
  }
}

TEST_F(ComposeFrameTest, RowsAreDrawnBottomFirstSoHighlightsMoveOneRowPerFrame) {
  screen_.rain.cells[0 * 3 + 2].glyph = 2;  // a highlight in row 0, column 2
  ComposeFrame(&screen_, &frame_);
  EXPECT_EQ(screen_.rain.cells[0 * 3 + 2].glyph, 29);
  EXPECT_EQ(screen_.rain.cells[1 * 3 + 2].glyph, 35 - 27) << "shown highlighted from the next frame";
  ComposeFrame(&screen_, &frame_);
  EXPECT_EQ(screen_.rain.cells[1 * 3 + 2].glyph, 35);
  EXPECT_EQ(screen_.rain.cells[2 * 3 + 2].glyph, 38 - 27) << "one row further, not two";
}

TEST_F(ComposeFrameTest, DrawingSwitchedOffDrawsNothing) {
  DrawEnabled = 0;
  ComposeFrame(&screen_, &frame_);
  for (uint16_t p : pixels_) ASSERT_EQ(p, 0xAAAA);
}

// Drawing switched off in the middle of a frame, at the first pixel stored into frame row 10 (the
// second cell row from the top, drawn after the rows below it): the glyph being drawn is
// finished and its cell updated, and nothing after it in the drawing order is drawn or updated.
TEST_F(ComposeFrameTest, DrawingSwitchedOffMidFrameStopsAfterTheCellBeingDrawn) {
  // One page per frame row, so that a single row can be trapped.
  const int32_t pitch = static_cast<int32_t>(WriteTrap::PageSize() / sizeof(uint16_t));
  WriteTrap trap(30);
  auto* pixels = reinterpret_cast<uint16_t*>(trap.memory());
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 28; ++x) pixels[y * pitch + x] = 0xAAAA;
  const FrameDescriptor frame = {pixels, 28, 30, pitch};
  trap.Arm(10);
  ComposeFrame(&screen_, &frame);
  EXPECT_TRUE(trap.sprung());
  EXPECT_EQ(DrawEnabled.load(), 0);
  // Cell rows: 3 lies below the frame, 2 shows at y 20..29, 1 at y 5..19, 0 at y 0..4.
  // Drawn and updated: rows 3 and 2 and the first cell of row 1; the rest not.
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 3; ++column) {
      const bool done = row >= 2 || (row == 1 && column == 0);
      EXPECT_EQ(screen_.rain.cells[row * 3 + column].age, done ? 1 : 0) << "cell " << row << "," << column;
    }
  for (int y = 5; y < 20; ++y) {
    EXPECT_EQ(pixels[y * pitch + 0], GlyphPixel(54, y - 5, 0)) << "the cell being drawn is finished, y " << y;
    EXPECT_EQ(pixels[y * pitch + 14], 0xAAAA) << "the next cell is not drawn, y " << y;
  }
  for (int y = 0; y < 5; ++y) EXPECT_EQ(pixels[y * pitch + 0], 0xAAAA) << "row 0 is not drawn, y " << y;
  EXPECT_NE(pixels[25 * pitch + 20], 0xAAAA) << "rows below were drawn";
}

}  // namespace
