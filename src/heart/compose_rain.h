// One frame of a grid's rain, drawn into a frame: the drops move, then every cell is drawn bottom
// row first and updated right after it is drawn. Portable: no platform header.
#pragma once

#include "frame_descriptor.h"
#include "rain_grid.h"
#include "random.h"

// Draws into `frame` (whose pixels may be null: nothing is drawn, the model still moves) clipped to
// ClipRect, in CurrentColourType's format, with the grid's glyphs; the grid's random choices come
// from `random`. Returns early when drawing is switched off, leaving the rest of the grid for the
// next frame.
void ComposeRain(RainGrid& grid, const FrameDescriptor* frame, RandomState& random);
