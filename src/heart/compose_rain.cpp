// ComposeRain: the grid sits 10 pixels higher than a plain tiling; the blitters clip what hangs
// over the edges. The blitters and UpdateCell are inlined here, and everything they would look up
// for each of a frame's thousands of cells is looked up once per frame: the clip rectangle and the
// colour type (which the drawing thread sets before it composes and nothing changes meanwhile), the
// frame, the glyph images and the grid's shape.
#include "compose_rain.h"

#include "blit_rows.h"
#include "draw_switch.h"
#include "frame_selection.h"
#include "rain_model.h"

namespace {
constexpr int32_t kGridRaise = 10;

// Hands a cell's image and its brightness's row operation to `draw`: full cells copied, the fading
// ones halved, quartered or eighthed, unlit ones the blank glyph copied. An index at or beyond the
// set's count draws nothing, as DrawGlyph and DrawGlyphShaded have it.
template <class Draw>
inline void DrawCell(RainCell cell, const uint16_t* const* images, int32_t count, const uint16_t* blank,
                     const blit::ShadeBy<1>& half, const blit::ShadeBy<2>& quarter, const blit::ShadeBy<3>& eighth,
                     Draw draw) {
  const uint16_t* const image = cell.glyph < count ? images[cell.glyph] : nullptr;
  // Full and unlit cells, nearly all of them and mixed at random along a row, are both a copy: the
  // level picks only the image, so that the choice costs no jump the processor could mispredict.
  switch (cell.level) {
    case 3:
      if (image != nullptr) draw(image, half);
      break;
    case 2:
      if (image != nullptr) draw(image, quarter);
      break;
    case 1:
      if (image != nullptr) draw(image, eighth);
      break;
    default: {
      const uint16_t* const copied = cell.level == 4 ? image : blank;
      if (copied != nullptr) draw(copied, blit::Copy());
      break;
    }
  }
}

}  // namespace

void ComposeRain(RainGrid& grid, const FrameDescriptor* frame, RandomState& random) {
  const GlyphSet& glyphs = *grid.glyphs;
  const int32_t w = glyphs.width;
  const int32_t h = glyphs.height;
  const int32_t rows = grid.rows;
  const int32_t columns = grid.columns;
  Pen pen = {0, h * (rows - 1) - kGridRaise};
  AdvanceDrops(grid, random);

  // A frame without pixels (one InterruptFrame closed) is not drawn into; the cells still change.
  uint16_t* const pixels = frame != nullptr ? frame->pixels : nullptr;
  const int32_t pitch = pixels != nullptr ? frame->pitch : 0;
  const blit::Clip clip = blit::CurrentClip();
  const int32_t colourType = CurrentColourType;
  const blit::ShadeBy<1> half(blit::ShadeMask(1, colourType));
  const blit::ShadeBy<2> quarter(blit::ShadeMask(2, colourType));
  const blit::ShadeBy<3> eighth(blit::ShadeMask(3, colourType));
  const int32_t count = glyphs.count;
  const uint16_t* images[GlyphSet::kMaxFrames];
  for (int32_t i = 0; i < GlyphSet::kMaxFrames; ++i) images[i] = i < count ? glyphs.frames[i].get() : nullptr;
  const uint16_t* const blank = GLYPH_BLANK < count ? images[GLYPH_BLANK] : nullptr;

  const CellUpdate update(grid);
  const RainCell* const cells = grid.cells.get();
  RandomState stream = random;
  for (int32_t row = rows - 1; row >= 0 && DrawEnabled.load(std::memory_order_relaxed) != 0; --row) {
    // Most cell rows lie wholly inside the clip rectangle's height; their cells that also lie inside
    // its width go straight to the row routine at the row's start plus the pen's column, with no
    // clipping arithmetic. The rest are clipped as DrawGlyph clips.
    const bool rowInside = pixels != nullptr && pen.y >= clip.top && pen.y + h <= clip.bottom;
    uint16_t* const rowStart = rowInside ? pixels + static_cast<intptr_t>(pen.y) * pitch : nullptr;
    for (int32_t column = 0; column < columns && DrawEnabled.load(std::memory_order_relaxed) != 0; ++column) {
      const RainCell cell = cells[row * columns + column];
      if (rowInside && pen.x >= clip.left && pen.x + w <= clip.right) {
        DrawCell(cell, images, count, blank, half, quarter, eighth,
                 [&](const uint16_t* image, auto op) { blit::Rows(rowStart + pen.x, image, w, h, pitch, w, op); });
      } else if (pixels != nullptr) {
        DrawCell(cell, images, count, blank, half, quarter, eighth,
                 [&](const uint16_t* image, auto op) { blit::Blit(pixels, pitch, clip, image, w, h, pen, op); });
      }
      update(row, column, stream);
      pen.x += w;
    }
    pen.x = 0;
    pen.y -= h;
  }
  random = stream;
}
