// The rain fields of one screen: its glyphs, its cells and its drops. Portable: no platform header.
#pragma once

#include <cstdint>
#include <memory>

#include "glyph_set.h"

// One glyph cell of the grid; every field keeps the low 8 bits of what is stored into it.
struct RainCell {
  uint8_t glyph;      // 0..53: 0..26 highlighted, 27..53 normal
  uint8_t threshold;  // the glyph is replaced in the first frame its age exceeds this
  uint8_t age;        // frames since the glyph was replaced; wraps
  uint8_t level;      // brightness for this frame: 4 full .. 1 eighth, 0 unlit
};

// One falling drop.
struct RainDrop {
  uint8_t column;
  uint8_t head;      // row of the head; negative start rows are kept as their low 8 bits
  uint8_t length;    // trail length in cells
  uint8_t halfStep;  // flips every frame; the head moves when it flips from 1 to 0
};

struct RainGrid {
  static constexpr int32_t kMaxDrops = 400;

  std::unique_ptr<GlyphSet> glyphs;   // this screen's glyphs, in its pixel format
  std::unique_ptr<RainCell[]> cells;  // rows x columns, row-major, row 0 on top
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t dropCount = 0;         // drops in use, 0..400
  int32_t highlightPercent = 0;  // chance in percent that a new glyph is highlighted
  RainDrop drops[kMaxDrops] = {};
};
