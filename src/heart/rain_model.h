// The rain model of one grid: its size, its seeded cells, the drops placed, and the two per-frame
// updates frame composition runs. Every random choice is drawn from the stream it is handed, in an
// order that is part of the picture: with the same streams the same rain falls. Portable: no
// platform header.
#pragma once

#include <cstdint>

#include "rain_grid.h"
#include "random.h"

// Grid size for a mode and a glyph size: one column and two rows overhang the right and bottom.
int32_t RainColumns(int32_t modeWidth, int32_t glyphWidth);
int32_t RainRows(int32_t modeHeight, int32_t glyphHeight);

// Sizes the grid for a mode of `modeWidth` x `modeHeight` and its glyphs (which must be set), and
// seeds every cell with three numbers of `random`. False, with no cells, when they cannot be
// allocated.
bool SeedCells(RainGrid& grid, int32_t modeWidth, int32_t modeHeight, RandomState& random);

// Places the grid's drops in use; a grid without cells has no rain and is left alone.
void ScatterDrops(RainGrid& grid, RandomState& random);

// Moves, restarts and marks the grid's drops for this frame; stops early when drawing is switched
// off.
void AdvanceDrops(RainGrid& grid, RandomState& random);

// What UpdateCell reads of a grid, taken once: frame composition runs it for every cell of every
// frame, and its stores into the cells (bytes, which may alias anything) would otherwise make every
// cell load the grid's fields again. Valid while the grid keeps its cells and settings.
struct CellUpdate {
  explicit CellUpdate(RainGrid& grid)
      : cells(grid.cells.get()),
        columns(grid.columns),
        rows(grid.rows),
        highlightPercent(grid.highlightPercent),
        highlightRows((2 * grid.rows) / 3) {}

  // Right after cell (row, column) was drawn: moves its highlight down, ages it, replaces its glyph
  // when due, and clears its level.
  void operator()(int32_t row, int32_t column, RandomState& random) const {
    RainCell& cell = cells[row * columns + column];
    if (row < rows - 1 && cell.glyph < 27) {
      cell.glyph = static_cast<uint8_t>(cell.glyph + 27);
      RainCell& below = cells[(row + 1) * columns + column];
      if (below.glyph >= 27) below.glyph = static_cast<uint8_t>(below.glyph - 27);
    }
    cell.age = static_cast<uint8_t>(cell.age + 1);
    if (cell.age > cell.threshold) {
      const int32_t r1 = NextRandom(random) % 100;
      if (r1 < highlightPercent && row < highlightRows) {
        cell.glyph = static_cast<uint8_t>(NextRandom(random) % 27);
      } else {
        cell.glyph = static_cast<uint8_t>(NextRandom(random) % 27 + 27);
      }
      cell.age = 0;
      cell.threshold = static_cast<uint8_t>(NextRandom(random) % 80);
    }
    cell.level = 0;
  }

  RainCell* cells;
  int32_t columns;
  int32_t rows;
  int32_t highlightPercent;
  int32_t highlightRows;  // highlighted glyphs are chosen only above this row: two thirds, truncated
};

// Right after cell (row, column) was drawn: moves its highlight down, ages it, replaces its glyph
// when due, and clears its level.
inline void UpdateCell(RainGrid& grid, int32_t row, int32_t column, RandomState& random) {
  const CellUpdate update(grid);
  update(row, column, random);
}
