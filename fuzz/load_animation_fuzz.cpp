// Fuzz target: LoadAnimation on arbitrary bytes, for both pixel formats, must never read past the
// file or write past its tables, and must free everything it refuses.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "heart/graphics_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static GraphicsLoader loader;
  // An exact-size copy, so that any read past the end is caught.
  std::vector<unsigned char> file(data, data + size);
  for (int32_t colourType : {0, 1}) {
    loader.colourType = colourType;
    auto set = loader.LoadAnimation(file.empty() ? nullptr : file.data(), static_cast<uint32_t>(file.size()));
    if (set) {
      volatile uint32_t sum = 0;
      for (int32_t i = 0; i < set->count; ++i) {
        const int64_t pixels = static_cast<int64_t>(set->width) * set->height;
        for (int64_t p = 0; p < pixels; ++p) sum = sum + set->frames[i][p];
      }
    }
  }
  return 0;
}
