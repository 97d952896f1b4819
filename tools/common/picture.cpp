// The host renderers' shared pieces, over winsim's resources and libpng.
#include "common/picture.h"

#include <png.h>

#include <cstring>

#include "platform/win32.h"

bool LoadGlyphFile(const unsigned char** bytes, uint32_t* size) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(111), "DATAFILE");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return false;
  *bytes = static_cast<const unsigned char*>(LockResource(loaded));
  *size = SizeofResource(nullptr, found);
  return *bytes != nullptr && *size != 0;
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
