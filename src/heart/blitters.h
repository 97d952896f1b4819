// The glyph blitters: one glyph into the back buffer at a pen position, unchanged or darkened,
// clipped to ClipRect. The innermost loop of the program. Portable: no platform header.
#pragma once

#include <cstdint>

#include "frame_descriptor.h"
#include "glyph_set.h"

// The area the blitters may write; right and bottom are exclusive.
struct ClipRectangle {
  uint16_t left;
  uint16_t top;
  uint16_t right;
  uint16_t bottom;
};
extern ClipRectangle ClipRect;

// Where a glyph's top-left corner goes; may lie outside the screen.
struct Pen {
  int32_t x;
  int32_t y;
};

// Copies glyph `index`; an index at or beyond the set's count draws nothing.
void DrawGlyph(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index);
// Copies glyph `index` with every colour channel divided by 2^shade (shade 1, 2 or 3) in
// CurrentColourType's format; an index at or beyond the set's count draws nothing.
void DrawGlyphShaded(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index, int32_t shade);

// One row of n pixels, unchanged or shaded as DrawGlyphShaded shades them (colour type 0 = 5x5x5,
// else 5x6x5); nothing when n <= 0. Source and destination must not overlap.
void CopyPixels(uint16_t* destination, const uint16_t* source, int32_t n);
void ShadePixels(uint16_t* destination, const uint16_t* source, int32_t n, int32_t shade, int32_t colourType);
