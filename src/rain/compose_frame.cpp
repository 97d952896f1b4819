// ComposeFrame: the grid sits 10 pixels higher than a plain tiling; the blitters clip what hangs
// over the edges.
#include "rain/compose_frame.h"

#include "rain/blitters.h"
#include "rain/rain_model.h"
#include "rain/shared_flags.h"

namespace {
constexpr int32_t kGridRaise = 10;
}  // namespace

void ComposeFrame(ScreenRecord* screen, const FrameDescriptor* frame) {
  RainGrid& grid = screen->rain;
  const GlyphSet& glyphs = *grid.glyphs;
  const int32_t w = glyphs.width;
  const int32_t h = glyphs.height;
  Pen pen = {0, h * (grid.rows - 1) - kGridRaise};
  AdvanceDrops(grid);
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
      UpdateCell(grid, row, column);
      pen.x += w;
    }
    pen.x = 0;
    pen.y -= h;
  }
}
