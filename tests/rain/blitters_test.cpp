// The blitters: placement and clipping at every edge (probes one pixel inside and outside), the
// shading masks of both colour types, and frames with nothing to draw into.
#include "heart/blitters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "heart/frame_selection.h"

namespace {

constexpr uint16_t kPoison = 0xAAAA;
constexpr int kMargin = 20;  // the frame sits inside a larger buffer, so stray writes show

// A 14 x 15 glyph set whose pixel (r, c) of glyph g holds g * 256 + r * 16 + c + 1: every pixel
// tells where it came from.
GlyphSet MakeGlyphs(int count = 55) {
  GlyphSet set;
  set.width = 14;
  set.height = 15;
  set.count = count;
  for (int g = 0; g < count; ++g) {
    set.frames[g].reset(new uint16_t[14 * 15]);
    for (int r = 0; r < 15; ++r)
      for (int c = 0; c < 14; ++c) set.frames[g][r * 14 + c] = static_cast<uint16_t>(g * 256 + r * 16 + c + 1);
  }
  return set;
}

struct Canvas {
  int width, height, pitch;
  std::vector<uint16_t> buffer;
  FrameDescriptor frame;
  Canvas(int w, int h) : width(w), height(h), pitch(w + 2 * kMargin + 3) {
    buffer.assign(static_cast<size_t>(pitch) * (h + 2 * kMargin), kPoison);
    frame.pixels = buffer.data() + kMargin * pitch + kMargin;
    frame.width = w;
    frame.height = h;
    frame.pitch = pitch;
  }
  // Pixel at screen position (x, y), which may lie in the margin.
  uint16_t At(int x, int y) const { return buffer[static_cast<size_t>((y + kMargin) * pitch + x + kMargin)]; }
};

TEST(BlittersTest, GlyphLandsWhereTheClipRectangleAndItsAreaMeet) {
  struct Row {
    const char* name;
    int x, y;
    ClipRectangle clip;
  } rows[] = {
      {"inside", 100, 200, {0, 0, 800, 600}},
      {"above and left", -10, -10, {0, 0, 800, 600}},
      {"right edge", 798, 300, {0, 0, 800, 600}},
      {"bottom edge", 400, 590, {0, 0, 800, 600}},
      {"below", 400, 605, {0, 0, 800, 600}},
      {"touching right", 786, 100, {0, 0, 800, 600}},
      {"touching bottom", 100, 585, {0, 0, 800, 600}},
      {"touching left from outside", -14, 100, {0, 0, 800, 600}},
      {"touching top from outside", 100, -15, {0, 0, 800, 600}},
      {"inner clip", 47, 95, {50, 100, 60, 105}},
      {"corner bottom right", 795, 595, {0, 0, 800, 600}},
  };
  const GlyphSet glyphs = MakeGlyphs();
  for (const Row& row : rows) {
    Canvas canvas(800, 600);
    ClipRect = row.clip;
    DrawGlyph(glyphs, &canvas.frame, Pen{row.x, row.y}, 7);
    for (int y = -kMargin; y < 600 + kMargin; ++y) {
      for (int x = -kMargin; x < 800 + kMargin; ++x) {
        const bool inGlyph = x >= row.x && x < row.x + 14 && y >= row.y && y < row.y + 15;
        const bool inClip = x >= row.clip.left && x < row.clip.right && y >= row.clip.top && y < row.clip.bottom;
        const uint16_t expected =
            inGlyph && inClip ? static_cast<uint16_t>(7 * 256 + (y - row.y) * 16 + (x - row.x) + 1) : kPoison;
        ASSERT_EQ(canvas.At(x, y), expected) << row.name << " at " << x << "," << y;
      }
    }
  }
}

TEST(BlittersTest, ShadingDividesEveryChannel) {
  struct Row {
    uint16_t in;
    int32_t shade;
    int32_t colourType;
    uint16_t out;
  } rows[] = {
      {0xFFFF, 1, 1, 0x7BEF}, {0xFFFF, 2, 1, 0x39E7}, {0xFFFF, 3, 1, 0x18E3}, {0x7FFF, 1, 0, 0x3DEF},
      {0x7FFF, 2, 0, 0x1CE7}, {0x7FFF, 3, 0, 0x0C63}, {0x07E0, 1, 1, 0x03E0},  // 5x6x5 green 63 -> 31
      {0x03E0, 3, 0, 0x0060},                                                  // 5x5x5 green 31 -> 3
      {0x0841, 1, 1, 0x0020},  // lowest bits of red and blue vanish, green 2 -> 1
  };
  for (const Row& row : rows) {
    uint16_t out = kPoison;
    ShadePixels(&out, &row.in, 1, row.shade, row.colourType);
    EXPECT_EQ(out, row.out) << std::hex << row.in << " shade " << row.shade << " type " << row.colourType;
  }
}

TEST(BlittersTest, ShadedGlyphUsesTheCurrentColourType) {
  GlyphSet glyphs = MakeGlyphs(2);
  for (int p = 0; p < 14 * 15; ++p) glyphs.frames[1][p] = 0xFFFF;
  ClipRect = {0, 0, 64, 64};
  for (int32_t colourType : {0, 1}) {
    Canvas canvas(64, 64);
    CurrentColourType = colourType;
    DrawGlyphShaded(glyphs, &canvas.frame, Pen{-3, 60}, 1, 1);  // clipped on two sides
    const uint16_t half = colourType == 0 ? 0x3DEF : 0x7BEF;    // (0xFFFF & the type's mask) >> 1
    EXPECT_EQ(canvas.At(0, 60), half) << colourType;
    EXPECT_EQ(canvas.At(10, 63), half) << colourType;
    EXPECT_EQ(canvas.At(11, 60), kPoison);
    EXPECT_EQ(canvas.At(0, 64), kPoison);
  }
  Canvas canvas(64, 64);
  glyphs.frames[1][0] = 0x8000;  // the top bit belongs to red only in 5x6x5
  CurrentColourType = 0;
  DrawGlyphShaded(glyphs, &canvas.frame, Pen{0, 0}, 1, 1);
  EXPECT_EQ(canvas.At(0, 0), 0x0000) << "5x5x5 has no 16th bit to keep";
  CurrentColourType = 1;
  DrawGlyphShaded(glyphs, &canvas.frame, Pen{0, 0}, 1, 1);
  EXPECT_EQ(canvas.At(0, 0), 0x4000);
}

TEST(BlittersTest, NothingToDrawIntoOrNoSuchGlyph) {
  const GlyphSet glyphs = MakeGlyphs();
  ClipRect = {0, 0, 64, 64};
  Canvas canvas(64, 64);
  FrameDescriptor closed = canvas.frame;
  closed.pixels = nullptr;
  DrawGlyph(glyphs, nullptr, Pen{0, 0}, 1);
  DrawGlyph(glyphs, &closed, Pen{0, 0}, 1);
  DrawGlyphShaded(glyphs, &closed, Pen{0, 0}, 1, 2);
  DrawGlyph(glyphs, &canvas.frame, Pen{0, 0}, 55);
  DrawGlyphShaded(glyphs, &canvas.frame, Pen{0, 0}, 55, 1);
  DrawGlyph(glyphs, &canvas.frame, Pen{0, 0}, -1);
  CopyPixels(canvas.frame.pixels, glyphs.frames[0].get(), 0);
  ShadePixels(canvas.frame.pixels, glyphs.frames[0].get(), -4, 1, 1);
  for (uint16_t p : canvas.buffer) ASSERT_EQ(p, kPoison);
}

}  // namespace
