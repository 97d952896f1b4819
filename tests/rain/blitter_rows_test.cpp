// Rows of every length through the blitters: the two-block rows of the built-in glyph width, the
// block loop of wider rows with its overlapping last block, and single pixels for short rows.
// Every pixel is copied or shaded exactly, and nothing beside the glyph's visible area is written.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "heart/blitters.h"
#include "heart/frame_selection.h"

namespace {

constexpr uint16_t kPoison = 0xAAAA;
constexpr int kMargin = 9;

// Every channel divided by 2^shade, read the way the pixel format lays it out; shade 0 copies.
uint16_t DividedChannels(uint16_t v, int32_t shade, int32_t colourType) {
  if (shade == 0) return v;
  const unsigned greenBits = colourType == 0 ? 5 : 6;
  const unsigned red = (v >> (5 + greenBits) & 31u) >> shade;
  const unsigned green = (v >> 5 & ((1u << greenBits) - 1)) >> shade;
  const unsigned blue = (v & 31u) >> shade;
  return static_cast<uint16_t>(red << (5 + greenBits) | green << 5 | blue);
}

// Pixel values that set every bit somewhere along a row.
uint16_t SourcePixel(int i) { return static_cast<uint16_t>(i * 0x9E37 + 0x5A5A); }

TEST(BlitterRowsTest, RowsOfEveryLengthAreCopiedOrShadedExactly) {
  for (int32_t colourType : {0, 1}) {
    for (int32_t shade = 0; shade <= 3; ++shade) {  // 0: CopyPixels
      for (int32_t n = 0; n <= 40; ++n) {
        std::vector<uint16_t> source(static_cast<size_t>(n) + 1);
        for (int32_t i = 0; i <= n; ++i) source[static_cast<size_t>(i)] = SourcePixel(i);
        std::vector<uint16_t> row(static_cast<size_t>(n + 2 * kMargin), kPoison);
        if (shade == 0) {
          CopyPixels(row.data() + kMargin, source.data(), n);
        } else {
          ShadePixels(row.data() + kMargin, source.data(), n, shade, colourType);
        }
        for (int32_t i = -kMargin; i < n + kMargin; ++i) {
          const uint16_t expected =
              i >= 0 && i < n ? DividedChannels(source[static_cast<size_t>(i)], shade, colourType) : kPoison;
          ASSERT_EQ(row[static_cast<size_t>(i + kMargin)], expected)
              << "type " << colourType << " shade " << shade << " length " << n << " pixel " << i;
        }
      }
    }
  }
}

TEST(BlitterRowsTest, GlyphsOfEveryWidthLandWhollyOrClipped) {
  constexpr int kWidth = 64, kHeight = 8, kPitch = kWidth + 2 * kMargin;
  for (int32_t w : {1, 7, 8, 9, 14, 16, 17, 23, 24, 40}) {
    GlyphSet glyphs;
    glyphs.width = w;
    glyphs.height = 3;
    glyphs.count = 1;
    glyphs.frames[0].reset(new uint16_t[static_cast<size_t>(w) * 3]);
    for (int i = 0; i < w * 3; ++i) glyphs.frames[0][i] = SourcePixel(i);
    ClipRect = {0, 0, kWidth, kHeight};
    CurrentColourType = 1;
    // Wholly inside, cut by the left edge, cut by the right edge.
    for (int32_t x : {5, -3, kWidth - w + 2}) {
      for (int32_t shade = 0; shade <= 3; ++shade) {  // 0: DrawGlyph
        std::vector<uint16_t> buffer(static_cast<size_t>(kPitch) * (kHeight + 2 * kMargin), kPoison);
        const FrameDescriptor frame = {buffer.data() + kMargin * kPitch + kMargin, kWidth, kHeight, kPitch};
        const Pen pen = {x, 2};
        if (shade == 0) {
          DrawGlyph(glyphs, &frame, pen, 0);
        } else {
          DrawGlyphShaded(glyphs, &frame, pen, 0, shade);
        }
        for (int py = -kMargin; py < kHeight + kMargin; ++py) {
          for (int px = -kMargin; px < kWidth + kMargin; ++px) {
            const bool inGlyph = px >= x && px < x + w && py >= 2 && py < 5;
            const bool onScreen = px >= 0 && px < kWidth && py >= 0 && py < kHeight;
            const uint16_t expected =
                inGlyph && onScreen ? DividedChannels(SourcePixel((py - 2) * w + px - x), shade, 1) : kPoison;
            ASSERT_EQ(buffer[static_cast<size_t>((py + kMargin) * kPitch + px + kMargin)], expected)
                << "width " << w << " pen x " << x << " shade " << shade << " at " << px << "," << py;
          }
        }
      }
    }
  }
}

}  // namespace
