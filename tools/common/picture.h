// What the host renderers share: 16-bit pixels widened to 8-bit RGB, and PNG output. They draw
// through the heart alone (common/rain_buffer.h), with the program's glyph file built in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One 16-bit pixel (colour type 0 = 5x5x5, else 5x6x5) as 8-bit red, green, blue, each channel
// widened by repeating its top bits.
void ExpandPixel(uint16_t pixel, int32_t colourType, unsigned char* rgb);

// Writes `rgb` (width x height, 3 bytes a pixel, rows top first) as a PNG; false with `error` set.
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb,
                 std::string* error);
