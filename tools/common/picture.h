// What the host renderers share: the program's glyph file, 16-bit pixels widened to 8-bit RGB,
// and PNG output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// DATAFILE 111 of the program's own module, found as the program finds it.
bool LoadGlyphFile(const unsigned char** bytes, uint32_t* size);

// One 16-bit pixel (colour type 0 = 5x5x5, else 5x6x5) as 8-bit red, green, blue, each channel
// widened by repeating its top bits.
void ExpandPixel(uint16_t pixel, int32_t colourType, unsigned char* rgb);

// Writes `rgb` (width x height, 3 bytes a pixel, rows top first) as a PNG; false with `error` set.
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb,
                 std::string* error);
