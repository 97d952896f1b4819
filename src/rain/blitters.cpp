// The blitters: the clipping arithmetic once per glyph, then a copy or an AND-and-shift per pixel.
#include "rain/blitters.h"

#include <cstring>

#include "display/frame_selection.h"

ClipRectangle ClipRect = {0, 0, 0, 0};

namespace {

// Masks that clear the low `shade` bits of every channel, so no bit crosses into its neighbour.
constexpr uint16_t kShadeMasks[2][4] = {{0x7FFF, 0x7BDE, 0x739C, 0x6318}, {0xFFFF, 0xF7DE, 0xE79C, 0xC718}};

// The visible part of a glyph at `pen`: the first source pixel, the first destination pixel,
// and the visible width and height. False when nothing is visible.
struct Placement {
  const uint16_t* source;
  uint16_t* destination;
  int32_t width;
  int32_t height;
};

bool Place(const GlyphSet& glyphs, const FrameDescriptor& frame, Pen pen, int32_t index, Placement* out) {
  const int32_t w = glyphs.width;
  const int32_t h = glyphs.height;
  const int32_t left = ClipRect.left;
  const int32_t top = ClipRect.top;
  const int32_t right = ClipRect.right;
  const int32_t bottom = ClipRect.bottom;
  const uint16_t* source = glyphs.frames[index].get();
  int32_t x = pen.x;
  int32_t y = pen.y;
  if (y >= top && x >= left && y + h <= bottom && x + w <= right) {
    *out = {source, frame.pixels + static_cast<intptr_t>(y) * frame.pitch + x, w, h};
    return true;
  }
  if (x + w < left || y + h < top || x >= right || y >= bottom) return false;
  int32_t cw = x >= right - w ? right - x : w;
  int32_t ch = y >= bottom - h ? bottom - y : h;
  if (x < left) {
    source += left - x;
    cw -= left - x;
    x = left;
  }
  if (y < top) {
    source += static_cast<intptr_t>(top - y) * w;
    ch -= top - y;
    y = top;
  }
  if (ch <= 0 || cw <= 0) return false;
  *out = {source, frame.pixels + static_cast<intptr_t>(y) * frame.pitch + x, cw, ch};
  return true;
}

}  // namespace

void CopyPixels(uint16_t* destination, const uint16_t* source, int32_t n) {
  if (n > 0) std::memcpy(destination, source, static_cast<size_t>(n) * sizeof(uint16_t));
}

void ShadePixels(uint16_t* destination, const uint16_t* source, int32_t n, int32_t shade, int32_t colourType) {
  const uint16_t mask = kShadeMasks[colourType == 0 ? 0 : 1][shade & 3];
  for (int32_t i = 0; i < n; ++i) destination[i] = static_cast<uint16_t>((source[i] & mask) >> shade);
}

void DrawGlyph(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  Placement at;
  if (!Place(glyphs, *frame, pen, index, &at)) return;
  for (int32_t row = 0; row < at.height; ++row) {
    CopyPixels(at.destination, at.source, at.width);
    at.destination += frame->pitch;
    at.source += glyphs.width;
  }
}

void DrawGlyphShaded(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index, int32_t shade) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  if (shade < 1 || shade > 3) return;
  Placement at;
  if (!Place(glyphs, *frame, pen, index, &at)) return;
  const int32_t colourType = CurrentColourType;
  for (int32_t row = 0; row < at.height; ++row) {
    ShadePixels(at.destination, at.source, at.width, shade, colourType);
    at.destination += frame->pitch;
    at.source += glyphs.width;
  }
}
