// FrameDescriptor: a frame as the drawing code sees it, whether a screen's open back buffer or a
// plain buffer in memory. Portable: no platform header.
#pragma once

#include <cstdint>

struct FrameDescriptor {
  uint16_t* pixels = nullptr;  // first pixel of the frame; null when no frame is open
  int32_t width = 0;           // the screen's selected mode, in pixels
  int32_t height = 0;
  int32_t pitch = 0;  // from one row to the next, in 16-bit pixels
};
