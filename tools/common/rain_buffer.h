// The rain of one screen drawn through the heart alone into a plain buffer: no platform, no
// display. The renderer, the golden frames and the benchmarks draw with it, on the host and (the
// frame benchmark) as the shipped Pentium code under Wine. Needs no C++ runtime beyond the
// non-throwing `new`.
#pragma once

#include <cstdint>
#include <memory>

#include "heart/frame_descriptor.h"
#include "heart/rain_grid.h"
#include "heart/random.h"

// The program's glyph animation (resources/glyphs.qolb, its DATAFILE IDR_GLYPHS), built in.
extern const unsigned char kGlyphFile[];
extern const uint32_t kGlyphFileSize;

class RainBuffer {
 public:
  struct Setup {
    int32_t width;
    int32_t height;
    int32_t colourType;  // 0 = 5x5x5, 1 = 5x6x5
    uint32_t seed;       // the window thread's seed (GetTickCount in the program)
    int32_t drops;
    int32_t highlightPercent;
  };

  // In the program's order: the glyphs converted to the colour type, the grid seeded from the
  // window thread's stream (`seed`), the density, and then the drops placed from the drawing
  // thread's stream, which starts at 1. Switches drawing on. False when the glyphs cannot be
  // converted or the memory is not there.
  bool Start(const Setup& setup);

  // One frame of the drawing thread: the clip rectangle and colour type set to the buffer's, and
  // the frame composed into it from the drawing stream.
  void DrawFrame();
  // The same frame with nothing drawn: the drops move and every cell changes as DrawFrame has them
  // (the rain model's share of a frame).
  void MoveFrame();

  // The picture: width x height pixels, rows top first, no gaps between rows.
  const uint16_t* pixels() const { return pixels_.get(); }
  RainGrid& grid() { return grid_; }
  const FrameDescriptor& frame() const { return frame_; }

 private:
  RainGrid grid_;
  RandomState drawing_;
  std::unique_ptr<uint16_t[]> pixels_;
  FrameDescriptor frame_;
  int32_t colourType_ = 0;
};
