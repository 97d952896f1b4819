// RainBuffer: the window thread's and the drawing thread's parts of the rain, played in the
// program's order on one thread with two random streams.
#include "common/rain_buffer.h"

#include <new>

#include "heart/blitters.h"
#include "heart/compose_rain.h"
#include "heart/draw_switch.h"
#include "heart/frame_selection.h"
#include "heart/graphics_loader.h"
#include "heart/rain_model.h"

bool RainBuffer::Start(const Setup& setup) {
  colourType_ = setup.colourType;
  GraphicsLoader loader;
  loader.colourType = setup.colourType;
  grid_.glyphs = loader.LoadAnimation(kGlyphFile, kGlyphFileSize);
  if (!grid_.glyphs) return false;
  RandomState window{setup.seed};
  if (!SeedCells(grid_, setup.width, setup.height, window)) return false;
  grid_.dropCount = setup.drops;
  grid_.highlightPercent = setup.highlightPercent;
  const size_t count = static_cast<size_t>(setup.width) * static_cast<size_t>(setup.height);
  pixels_.reset(new (std::nothrow) uint16_t[count]());
  if (!pixels_) return false;
  frame_.pixels = pixels_.get();
  frame_.width = setup.width;
  frame_.height = setup.height;
  frame_.pitch = setup.width;
  drawing_ = RandomState{};
  ScatterDrops(grid_, drawing_);
  DrawEnabled.store(1);
  return true;
}

void RainBuffer::DrawFrame() {
  ClipRect = {0, 0, static_cast<uint16_t>(frame_.width), static_cast<uint16_t>(frame_.height)};
  CurrentColourType = colourType_;
  ComposeRain(grid_, &frame_, drawing_);
}

void RainBuffer::MoveFrame() { ComposeRain(grid_, nullptr, drawing_); }
