// The rain of every screen: its grid built at window creation, and its drops placed when the
// drawing thread starts, each time by the heart's model with the calling thread's random stream.
#pragma once

#include <cstdint>

#include "display/screen_list.h"
#include "heart/graphics_loader.h"

// Selects `screen`, converts `animation` into its glyphs and builds its seeded cells from the
// window thread's random numbers. False after logging why (the screen keeps what was built).
bool InitRain(ScreenRecord* screen, GraphicsLoader& loader, const unsigned char* animation, uint32_t size);

// Places every screen's drops; the drawing thread's first act.
void ScatterDrops();
