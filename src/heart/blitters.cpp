// The blitters: the clipping arithmetic and the choice of row routine once per glyph, then rows
// moved in blocks (blit_rows.h).
#include "blitters.h"

#include <cstring>

#include "blit_rows.h"
#include "frame_selection.h"

using blit::Blit;
using blit::Copy;
using blit::Rows;
using blit::ShadeBy;
using blit::ShadeMask;

ClipRectangle ClipRect = {0, 0, 0, 0};
int32_t CurrentColourType = 0;

void CopyPixels(uint16_t* destination, const uint16_t* source, int32_t n) {
  if (n > 0) std::memcpy(destination, source, static_cast<size_t>(n) * sizeof(uint16_t));
}

void ShadePixels(uint16_t* destination, const uint16_t* source, int32_t n, int32_t shade, int32_t colourType) {
  if (n <= 0) return;
  const uint16_t mask = ShadeMask(shade, colourType);
  switch (shade) {
    case 1: Rows(destination, source, n, 1, 0, 0, ShadeBy<1>(mask)); break;
    case 2: Rows(destination, source, n, 1, 0, 0, ShadeBy<2>(mask)); break;
    case 3: Rows(destination, source, n, 1, 0, 0, ShadeBy<3>(mask)); break;
    default:
      for (int32_t i = 0; i < n; ++i) destination[i] = static_cast<uint16_t>((source[i] & mask) >> shade);
      break;
  }
}

void DrawGlyph(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  Blit(frame->pixels, frame->pitch, blit::CurrentClip(), glyphs.frames[index].get(), glyphs.width, glyphs.height, pen,
       Copy());
}

void DrawGlyphShaded(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index, int32_t shade) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  const uint16_t mask = ShadeMask(shade, CurrentColourType);
  const blit::Clip clip = blit::CurrentClip();
  const uint16_t* source = glyphs.frames[index].get();
  switch (shade) {
    case 1: Blit(frame->pixels, frame->pitch, clip, source, glyphs.width, glyphs.height, pen, ShadeBy<1>(mask)); break;
    case 2: Blit(frame->pixels, frame->pitch, clip, source, glyphs.width, glyphs.height, pen, ShadeBy<2>(mask)); break;
    case 3: Blit(frame->pixels, frame->pitch, clip, source, glyphs.width, glyphs.height, pen, ShadeBy<3>(mask)); break;
    default: break;  // only halves, quarters and eighths exist
  }
}
