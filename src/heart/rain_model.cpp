// The rain model's rules. The order of the random draws is part of the picture: with the same
// streams the same rain falls.
#include "rain_model.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "draw_switch.h"

namespace {

constexpr int32_t kTrailFade = 3;  // the last cells of a trail fade: half, quarter, eighth

// A drop's new start above the grid: -5..-1, kept as its low 8 bits (251..255).
void Restart(RainDrop& drop, int32_t columns, RandomState& random) {
  drop.head = static_cast<uint8_t>((-NextRandom(random)) % 5 - 1);
  drop.length = static_cast<uint8_t>(NextRandom(random) % 35 + 10);
  drop.column = static_cast<uint8_t>(NextRandom(random) % columns);
}

// Marks the trail of a drop whose head is in row `head` (0..255) of the column that starts at
// `column`: the head and the cells above it full, the last three fading, up to `length` cells and
// not above row 0. Trail cells below the grid mark nothing: the marking starts at the grid's last
// row, each cell after a look at the switch (a stop in the skipped part would have marked nothing
// either, and the next drop looks first). The cells are reached by a pointer that climbs a row at a
// time, in two runs, so that a cell costs a look, a store and a step.
void MarkTrail(RainCell* column, int32_t columns, int32_t rows, int32_t head, int32_t length) {
  int32_t j = head >= rows ? head - rows + 1 : 0;
  const int32_t end = std::min(length, head + 1);
  const int32_t full = std::min(end, length - kTrailFade);
  RainCell* cell = column + static_cast<ptrdiff_t>(head - j) * columns;
  for (; j < full; ++j, cell -= columns) {
    if (DrawEnabled.load(std::memory_order_relaxed) == 0) return;
    cell->level = 4;
  }
  for (; j < end; ++j, cell -= columns) {
    if (DrawEnabled.load(std::memory_order_relaxed) == 0) return;
    cell->level = static_cast<uint8_t>(length - j);  // 3, 2, 1 for the farthest cell above the head
  }
}

}  // namespace

int32_t RainColumns(int32_t modeWidth, int32_t glyphWidth) { return modeWidth / glyphWidth + 1; }
int32_t RainRows(int32_t modeHeight, int32_t glyphHeight) { return modeHeight / glyphHeight + 2; }

bool SeedCells(RainGrid& grid, int32_t modeWidth, int32_t modeHeight, RandomState& random) {
  grid.columns = RainColumns(modeWidth, grid.glyphs->width);
  grid.rows = RainRows(modeHeight, grid.glyphs->height);
  const size_t count = static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows);
  grid.cells.reset(new (std::nothrow) RainCell[count]);
  if (!grid.cells) return false;
  for (size_t i = 0; i < count; ++i) {
    RainCell& cell = grid.cells[i];
    const int32_t r1 = NextRandom(random) % 100;
    cell.glyph = static_cast<uint8_t>(r1 < 5 ? NextRandom(random) % 27 : NextRandom(random) % 27 + 27);
    cell.level = 0;
    cell.age = 0;
    cell.threshold = static_cast<uint8_t>(NextRandom(random) % 80);
  }
  return true;
}

void ScatterDrops(RainGrid& grid, RandomState& random) {
  if (!grid.cells) return;
  // The settings clamp the stored density; a larger count still uses only the drops there are.
  const int32_t count = std::min(grid.dropCount, RainGrid::kMaxDrops);
  for (int32_t i = 0; i < count; ++i) {
    RainDrop& drop = grid.drops[i];
    drop.head = static_cast<uint8_t>(NextRandom(random) % (grid.rows + 25) - 5);
    drop.length = static_cast<uint8_t>(NextRandom(random) % 35 + 10);
    drop.column = static_cast<uint8_t>(NextRandom(random) % grid.columns);
  }
}

void AdvanceDrops(RainGrid& grid, RandomState& random) {
  // The grid's shape in locals: the loads of DrawEnabled between the steps would otherwise make
  // the compiler fetch them again for every trail cell.
  const int32_t rows = grid.rows;
  const int32_t columns = grid.columns;
  RainCell* const cells = grid.cells.get();
  const int32_t count = std::min(grid.dropCount, RainGrid::kMaxDrops);
  for (int32_t i = 0; i < count; ++i) {
    // Relaxed: the switch hands the drawing code nothing but itself, and a relaxed look lets the
    // grid's shape stay in registers between the looks.
    if (DrawEnabled.load(std::memory_order_relaxed) == 0) return;
    RainDrop& drop = grid.drops[i];
    if (drop.halfStep != 0) {
      drop.halfStep = 0;
      drop.head = static_cast<uint8_t>(drop.head + 1);
    } else {
      drop.halfStep = 1;
    }
    const int32_t head = drop.head;
    const int32_t length = drop.length;
    if (head - length >= rows) {
      Restart(drop, columns, random);
      continue;
    }
    const int32_t column = drop.column;
    if (column >= columns) continue;  // a column past the grid's last marks nothing
    MarkTrail(cells + column, columns, rows, head, length);
  }
}
