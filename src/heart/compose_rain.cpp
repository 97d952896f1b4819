// ComposeRain: the grid sits 10 pixels higher than a plain tiling; the blitters clip what hangs
// over the edges.
#include "compose_rain.h"

#include "blitters.h"
#include "draw_switch.h"
#include "rain_model.h"

namespace {
constexpr int32_t kGridRaise = 10;
}  // namespace

void ComposeRain(RainGrid& grid, const FrameDescriptor* frame, RandomState& random) {
  const GlyphSet& glyphs = *grid.glyphs;
  const int32_t w = glyphs.width;
  const int32_t h = glyphs.height;
  Pen pen = {0, h * (grid.rows - 1) - kGridRaise};
  AdvanceDrops(grid, random);
  for (int32_t row = grid.rows - 1; row >= 0 && DrawEnabled.load() != 0; --row) {
    for (int32_t column = 0; column < grid.columns && DrawEnabled.load() != 0; ++column) {
      const RainCell& cell = grid.cells[row * grid.columns + column];
      switch (cell.level) {
        case 4: DrawGlyph(glyphs, frame, pen, cell.glyph); break;
        case 3: DrawGlyphShaded(glyphs, frame, pen, cell.glyph, 1); break;
        case 2: DrawGlyphShaded(glyphs, frame, pen, cell.glyph, 2); break;
        case 1: DrawGlyphShaded(glyphs, frame, pen, cell.glyph, 3); break;
        default: DrawGlyph(glyphs, frame, pen, GLYPH_BLANK); break;
      }
      UpdateCell(grid, row, column, random);
      pen.x += w;
    }
    pen.x = 0;
    pen.y -= h;
  }
}
