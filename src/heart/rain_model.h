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

// Right after cell (row, column) was drawn: moves its highlight down, ages it, replaces its glyph
// when due, and clears its level.
void UpdateCell(RainGrid& grid, int32_t row, int32_t column, RandomState& random);
