// The rain model of every screen: building the grid at window creation, placing the drops when the
// drawing thread starts, and the two per-frame updates frame composition runs.
#pragma once

#include <cstdint>

#include "display/screen_list.h"
#include "glyphs/graphics_loader.h"
#include "rain/rain_grid.h"

// Grid size for a mode and a glyph size: one column and two rows overhang the right and bottom.
int32_t RainColumns(int32_t modeWidth, int32_t glyphWidth);
int32_t RainRows(int32_t modeHeight, int32_t glyphHeight);

// Selects `screen`, converts `animation` into its glyphs and builds its seeded cells from the
// window thread's random numbers. False after logging why (the screen keeps what was built).
bool InitRain(ScreenRecord* screen, GraphicsLoader& loader, const unsigned char* animation, uint32_t size);

// Places every screen's drops; the drawing thread's first act.
void ScatterDrops();

// Moves, restarts and marks one screen's drops for this frame; stops early when drawing is
// switched off.
void AdvanceDrops(RainGrid& grid);

// Right after cell (row, column) was drawn: moves its highlight down, ages it, replaces its glyph
// when due, and clears its level.
void UpdateCell(RainGrid& grid, int32_t row, int32_t column);
