// The host renderers' shared pieces over libpng, and what the heart logs for them.
#include "common/picture.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "heart/log_message.h"

// The heart's log, which the renderers draw through without the program's debug log: refusals on
// standard error, where the user of a tool sees them.
void LogMessage(const char* text, uint32_t level) {
  if (level >= LOG_WARNING && text != nullptr) std::fprintf(stderr, "%s\n", text);
}

void ExpandPixel(uint16_t p, int32_t colourType, unsigned char* rgb) {
  const auto five = [](unsigned v) { return static_cast<unsigned char>(v << 3 | v >> 2); };
  const auto six = [](unsigned v) { return static_cast<unsigned char>(v << 2 | v >> 4); };
  if (colourType == 0) {
    rgb[0] = five(p >> 10 & 31u);
    rgb[1] = five(p >> 5 & 31u);
  } else {
    rgb[0] = five(p >> 11 & 31u);
    rgb[1] = six(p >> 5 & 63u);
  }
  rgb[2] = five(p & 31u);
}

bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb,
                 std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.format = PNG_FORMAT_RGB;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr)) {
    *error = image.message;
    return false;
  }
  return true;
}
