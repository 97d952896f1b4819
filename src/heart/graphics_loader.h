// GraphicsLoader: turns the embedded glyph animation file into a GlyphSet for one pixel format.
// Portable: no platform header.
#pragma once

#include <cstdint>
#include <memory>

#include "glyph_set.h"

class GraphicsLoader {
 public:
  static constexpr int32_t kWorkPixels = 480000;  // the largest frame the loader converts
  static constexpr size_t kHeaderSize = 12;

  // Allocates the work buffer; if that fails, every load is refused.
  GraphicsLoader();

  // Pixel format of the next load: 0 = 5x5x5, anything else = 5x6x5.
  int32_t colourType = 0;

  // Converts the animation file `bytes` of `size` bytes (read only during the call) into a new set,
  // which the caller owns and which does not depend on the loader. Empty when the file is refused:
  // a wrong version, a header promising more than the file holds or more than the tables take.
  std::unique_ptr<GlyphSet> LoadAnimation(const unsigned char* bytes, uint32_t size);

 private:
  std::unique_ptr<uint16_t[]> workBuffer;
};
