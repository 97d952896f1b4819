// GlyphSet: the glyph images of one screen, ready 16-bit pixels in that screen's pixel format.
// Portable: no platform header.
#pragma once

#include <cstdint>
#include <memory>

// Glyph indices: 0..26 highlighted, 27..53 the same shapes dimmer (k + 27 is k's dim form).
constexpr int32_t GLYPH_HIGHLIGHT_FIRST = 0;
constexpr int32_t GLYPH_SHAPES = 27;
constexpr int32_t GLYPH_DIM_FIRST = 27;
constexpr int32_t GLYPH_BLANK = 54;  // all black, drawn for unlit cells

struct GlyphSet {
  static constexpr int32_t kMaxFrames = 100;

  int32_t width = 0;
  int32_t height = 0;
  int32_t count = 0;
  // Entry i < count holds width x height pixels of glyph i, top row first; the rest are empty.
  std::unique_ptr<uint16_t[]> frames[kMaxFrames];
};
